// What the frame and the document's commands ask of the palettes.
//
// The palettes follow the edit state by listening to it (params/EditState.h):
// a palette shows the current values and writes back only what the user
// edited. The magnifier, histogram, parameters-curve and Exif palettes
// follow the document's image in the same way (CVelmoDoc::Subscribe). The
// calls below are the explicit ones on top of that: loading a whole record,
// cancelling a pending deferred apply, focusing a control, refilling a list,
// the magnifier's commands and the texts a command copies. Each palette class of app/palettes/ derives from CPaletteDock and
// the interface of its kind; the frame finds the interface on the dock it
// created (CMainFrame::ParamPalettes() ...).
#pragma once

#include "params/DevParams.h"
#include "params/EditState.h"

#include <string>

namespace velmo {

// The tabbed (CParamTabBar) and the classic (CParamBar) parameters palettes.
class IParamPalette {
public:
    virtual ~IParamPalette() = default;

    // SetParams: the palette's copy of the record becomes record and every
    // control shows it (nothing is applied).
    virtual void SetParams(const DevParams& record) = 0;
    // The deferred-apply countdown goes to 0: an apply still waiting for its
    // timer does not happen.
    virtual void CancelCountdown() = 0;
    // The focus operation: the tabbed palette selects the page that holds
    // control controlId, shows it and gives the control the focus; the
    // classic palette gives its control the focus. False when the palette
    // has no such control.
    virtual bool ShowControl(unsigned controlId) = 0;
    // FillWhiteBalanceList: the white-balance preset list again for the
    // current "UseRafWB", the record's preset selected.
    virtual void FillWhiteBalanceList() = 0;
    // UpdateData: true reads the controls into the palette's copy (false
    // when an entry was refused), false shows the copy in the controls.
    virtual bool UpdateData(bool saveAndValidate) = 0;
    // A feature's flag was switched (already in the edit state). The tabbed
    // palette loads the feature's table into its page (for selective colours
    // the colour chosen in its colour list), shows the flag and writes back
    // what its pages hold (without the refresh, which the caller does); the
    // classic palette shows the flag. The caller then shows the feature's
    // page or palette.
    virtual void OnFeatureToggled(FeatureKind kind, bool on) = 0;
    // A feature's table was replaced (a file, the automatic search): the
    // page that edits it loads it again (curve points, lens snapshot, the
    // selected colour's values) and repaints.
    virtual void RefreshFeature(FeatureKind kind) = 0;
};

// The tool palettes of the classic UI: free curve (CFreeCurveBar), lens
// correction (CLensBar) and selective colours (CSelColorBar).
class IFeaturePalette {
public:
    virtual ~IFeaturePalette() = default;

    // The palette's enable check shows on.
    virtual void SetEnabled(bool on) = 0;
    // The palette's own apply (OnFreeCurve, OnApply, Apply): what the user
    // edited goes into the edit state; the caller refreshes.
    virtual void Apply() = 0;
    // The feature's table was replaced: the palette loads it again.
    virtual void Refresh() = 0;
};

// The lens palette also shows what it corrects.
class ILensPalette {
public:
    virtual ~ILensPalette() = default;

    // SetLensInfo: the captions "ModelName:%s" and "FocalLength:%3.3fmm".
    virtual void SetLensInfo(const std::string& modelName, double focalLength) = 0;
};

// The magnifier palette's commands (CMagnifierBar).
class IMagnifierPalette {
public:
    virtual ~IMagnifierPalette() = default;

    // SetZoom: 1..5, 0 keeps the zoom (the view's centre stays).
    virtual void SetZoom(int zoom) = 0;
    virtual int Zoom() const = 0;
    // ToggleDock: the dock flag flips (floating palette or docked).
    virtual void ToggleDock() = 0;
    virtual bool DockFlag() const = 0;
    // OnCopyImage: the whole square at 1:1 to the clipboard; false when
    // there is no square yet.
    virtual bool OnCopyImage() = 0;
};

// The Exif palette (CExifBar).
class IExifPalette {
public:
    virtual ~IExifPalette() = default;

    // The text shown: every line or the digest ("All").
    virtual std::string Text() const = 0;
};

} // namespace velmo
