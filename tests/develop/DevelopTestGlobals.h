// Saves the process-wide switches and tables that development reads and
// restores them at the end of a test.
#pragma once

#include "develop/context/FreeCurves.h"
#include "params/FreeCurveStore.h"
#include "params/GlobalSwitches.h"
#include "params/SelectiveColorTable.h"

#include <memory>

namespace velmo::test {

class DevelopGlobalsGuard {
public:
    DevelopGlobalsGuard()
        : useRafWB(Switches().useRafWB.load()), useHLS(Switches().useHLS.load()),
          useOldUI(Switches().useOldUI.load()), useOldNR(Switches().useOldNR.load()),
          lens(Features().lensCorrection.load()), selective(Features().selectiveColor.load()),
          freeCurve(Features().freeCurve.load()), colors(CurrentSelectiveColors()), lut(CurrentFreeCurveLut()),
          store(FreeCurves()), splines(FreeCurveSplines()), points(FreeCurvePointArrays())
    {
    }
    ~DevelopGlobalsGuard()
    {
        Switches().useRafWB = useRafWB;
        Switches().useHLS = useHLS;
        Switches().useOldUI = useOldUI;
        Switches().useOldNR = useOldNR;
        Features().lensCorrection = lens;
        Features().selectiveColor = selective;
        Features().freeCurve = freeCurve;
        SetSelectiveColors(colors);
        PublishFreeCurveLut(lut);
        FreeCurves() = store;
        FreeCurveSplines() = splines;
        FreeCurvePointArrays() = points;
    }
    DevelopGlobalsGuard(const DevelopGlobalsGuard&) = delete;
    DevelopGlobalsGuard& operator=(const DevelopGlobalsGuard&) = delete;

private:
    int useRafWB, useHLS, useOldUI, useOldNR;
    int lens, selective, freeCurve;
    SelectiveColorTable colors;
    std::shared_ptr<const FreeCurveLut> lut;
    FreeCurveStore store;
    std::array<CSpline, 4> splines;
    FreeCurvePoints points;
};

} // namespace velmo::test
