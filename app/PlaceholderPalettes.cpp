#include "app/PlaceholderPalettes.h"

#include "app/DisplayedImage.h"
#include "app/MainFrame.h"
#include "develop/preview/FullPreviewBitmap.h"
#include "exif/ExifDigest.h"
#include "platform/core/SettingsStore.h"

#include <QClipboard>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>

namespace velmo {

CParamPalettePlaceholder::CParamPalettePlaceholder(unsigned id, const QString& objectName,
                                                   const QString& caption, QSize contentSize, QWidget* parent)
    : CPaletteDock(id, objectName, caption, contentSize, parent)
{
}

void CParamPalettePlaceholder::SetParams(const DevParams& params)
{
    record = params;
}

bool CParamPalettePlaceholder::ShowControl(unsigned controlId)
{
    lastShownControl = controlId;
    // No controls yet.
    return false;
}

bool CParamPalettePlaceholder::UpdateData(bool)
{
    return true;
}

void CParamPalettePlaceholder::OnFeatureToggled(FeatureKind, bool)
{
    ++featureRefreshes;
}

void CParamPalettePlaceholder::RefreshFeature(FeatureKind)
{
    ++featureRefreshes;
}

CFeaturePalettePlaceholder::CFeaturePalettePlaceholder(unsigned id, const QString& objectName,
                                                       const QString& caption, QSize contentSize, QWidget* parent)
    : CPaletteDock(id, objectName, caption, contentSize, parent)
{
}

void CFeaturePalettePlaceholder::SetLensInfo(const std::string& modelName, double focalLength)
{
    char text[64];
    std::snprintf(text, sizeof text, "FocalLength:%3.3fmm", focalLength);
    focalLengthCaption = text;
    modelCaption = "ModelName:" + modelName;
}

} // namespace velmo
