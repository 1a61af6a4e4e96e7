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

CMagnifierPalettePlaceholder::CMagnifierPalettePlaceholder(unsigned id, const QString& objectName,
                                                           const QString& caption, int squareSize, QWidget* parent)
    : CPaletteDock(id, objectName, caption, QSize(squareSize, squareSize), parent), size(squareSize)
{
    dockFlag = Settings().GetProfileInt(kSettingsSection, "DockMagnifier", 0) != 0;
}

CMagnifierPalettePlaceholder::~CMagnifierPalettePlaceholder()
{
    Settings().WriteProfileInt(kSettingsSection, "DockMagnifier", dockFlag ? 1 : 0);
}

void CMagnifierPalettePlaceholder::SetSize(int n)
{
    size = n;
    // The square of the old size no longer matches.
    image.reset();
    if (auto* frame = dynamic_cast<CMainFrame*>(parentWidget()))
        frame->ScheduleLayout();
}

void CMagnifierPalettePlaceholder::UpdateBitmap(std::shared_ptr<const DisplayImage> square)
{
    image = std::move(square);
    update();
}

void CMagnifierPalettePlaceholder::SetZoom(int newZoom)
{
    if (newZoom != 0)
        zoom = std::clamp(newZoom, 1, 5);
    update();
}

void CMagnifierPalettePlaceholder::ToggleDock()
{
    dockFlag = !dockFlag;
    auto* frame = dynamic_cast<CMainFrame*>(parentWidget());
    // The floating layout places every palette itself.
    if (frame != nullptr && frame->FloatingPalettes())
        return;
    if (dockFlag) {
        const QPoint corner = mapToGlobal(QPoint(0, 0));
        setFloating(true);
        move(corner);
        SetDockable(false);
    } else {
        SetDockable(true);
        ToggleDocking();
    }
}

bool CMagnifierPalettePlaceholder::OnCopyImage()
{
    if (image == nullptr)
        return false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        return false;
    clipboard->setImage(DisplayedImage(*image));
    return true;
}

CExifPalettePlaceholder::CExifPalettePlaceholder(unsigned id, const QString& objectName, const QString& caption,
                                                 QSize contentSize, QWidget* parent)
    : CPaletteDock(id, objectName, caption, contentSize, parent)
{
}

std::string CExifPalettePlaceholder::Text() const
{
    return ExifDigest(&lines, all);
}

} // namespace velmo
