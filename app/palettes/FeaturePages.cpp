#include "app/palettes/FeaturePages.h"

#include "app/palettes/FreeCurvePanel.h"
#include "app/palettes/LensPanel.h"
#include "app/palettes/SelColorPanel.h"
#include "res/ResourceIds.h"

namespace velmo {

namespace {

// A feature's panel as a page: the palette's countdown and apply serve it.
template <class Panel>
class FeaturePage final : public Panel, public IFeaturePage {
public:
    FeaturePage(CVelmoDoc& document, unsigned dialogId, const FeaturePageHost& host, QWidget* parent)
        : Panel(document, dialogId, parent)
    {
        this->SetPageHooks(host.armCountdown, host.applyNow);
    }
    // The edit state holds every edit already; a typed value out of its
    // range is refused.
    bool ApplyPage() override
    {
        this->Countdown().Cancel();
        return this->CheckTypedValues();
    }
    void ResetPage() override { this->ResetFeature(); }
    void RefreshPage() override { this->Reload(); }
};

} // namespace

std::unique_ptr<QWidget> MakeFeaturePage(FeatureKind kind, CVelmoDoc& doc, const FeaturePageHost& host,
                                         QWidget* parent)
{
    // The pages show the captions of the tool palettes: the same editor.
    switch (kind) {
    case FeatureKind::FreeCurve:
        return std::make_unique<FeaturePage<CFreeCurvePanel>>(doc, IDD_FREECURVE_BAR, host, parent);
    case FeatureKind::LensCorrection:
        return std::make_unique<FeaturePage<CLensPanel>>(doc, IDD_LENS_BAR, host, parent);
    case FeatureKind::SelectiveColors:
        return std::make_unique<FeaturePage<CSelColorPanel>>(doc, IDD_SELCOLOR_BAR, host, parent);
    }
    return nullptr;
}

} // namespace velmo
