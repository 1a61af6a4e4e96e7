// The Curve, Lens and Color pages of the tabbed parameters palette: the
// free tone curve, the lens correction and the selective colours, edited in
// the document's edit state. The palette asks this one function for each
// page and talks to it through IFeaturePage.
#pragma once

#include "params/EditState.h"

#include <functional>
#include <memory>

class QWidget;

namespace velmo {

class CVelmoDoc;

// What a page asks of the palette that holds it.
struct FeaturePageHost {
    // An edit on the page is to be applied after the countdown.
    std::function<void()> armCountdown;
    // Apply now (the palette's apply by tab, then the development).
    std::function<void()> applyNow;
};

class IFeaturePage {
public:
    virtual ~IFeaturePage() = default;
    // The page's step of the palette's apply: what the user edited on the
    // page goes into the edit state (the palette develops afterwards).
    // False when a typed value was refused: the palette applies nothing.
    virtual bool ApplyPage() = 0;
    // "&Reset" while the page's tab is shown: only this feature is reset.
    virtual void ResetPage() = 0;
    // The feature's table was replaced or its flag switched: reload.
    virtual void RefreshPage() = 0;
};

// The page of kind, a child of parent; the widget also implements
// IFeaturePage.
std::unique_ptr<QWidget> MakeFeaturePage(FeatureKind kind, CVelmoDoc& doc, const FeaturePageHost& host,
                                         QWidget* parent);

} // namespace velmo
