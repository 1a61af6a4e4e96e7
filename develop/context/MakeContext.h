// Making the run context of a development from the edit state, the image and
// the tables derived from the edit state.
#pragma once

#include "develop/context/DevelopContext.h"
#include "params/EditState.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace velmo {

// What a development needs to know of the image besides its planes.
struct DevelopImageInfo {
    const FamilyWhiteBalanceTable* family = nullptr; // the current family's white-balance table
    const RafWhiteBalancePresets* presets = nullptr; // the RAF file's presets as loaded
    // Family 1's table, whose row 0 the colour-temperature row is relative to.
    const FamilyWhiteBalanceTable* temperatureReference = nullptr;
    uint16_t wbUnit = kDefaultWhiteBalanceUnit;      // the preset value meaning gain 1
    int drShift = 0;                                 // dynamic-range shift (exposure steps)
    uint16_t whiteLevel = 0;                         // 0: unknown (16383 is taken)
    uint16_t maxGreen = 0;                           // largest G sample less black; 0 unknown
    int exrBits = 0;
    int exrMode = 0;
    int exrExtra = 0;                                // the R divisor of EXR DR shots
    bool bayer = false;
    bool hasSecondFrame = false;
};

// The tables derived from the edit state — the tone tables and the free
// curve's table — built when a run first needs them and kept while their
// inputs stay the same. Published whole and never changed, so a run keeps
// the tables it took for its whole length. Safe to share between threads.
class DevelopTables {
public:
    // The set for the key: the last one when its key matches, else a new one
    // that replaces it.
    std::shared_ptr<const ToneTables> Tone(const ToneCurveKey& key, float gain);
    // The table of the points: the last one when the points are the same.
    std::shared_ptr<const FreeCurveLut> FreeCurve(const FreeCurvePoints& points);
    // How many sets and tables have been built.
    uint64_t ToneBuilds() const;
    uint64_t FreeCurveBuilds() const;

private:
    mutable std::mutex mutex;
    std::shared_ptr<const ToneTables> tone;
    uint64_t toneBuilds = 0;
    FreeCurvePoints curvePoints;
    std::shared_ptr<const FreeCurveLut> curve;
    uint64_t curveBuilds = 0;
};

// The RAF presets a run reads: as loaded, with the rows the edits set
// derived from the record: 11 from the custom multipliers (below 1 they
// count as 1) over row 0, 12 from the colour temperature over row 1, relative
// to the reference's row 0 (a zero divisor gives 0).
RafWhiteBalancePresets EditedRafPresets(const RafWhiteBalancePresets& loaded, const DevParams& params,
                                        const FamilyWhiteBalanceTable& temperatureReference);

// The context of a run with the record params (the live record, a snapshot
// or a batch record), the edit state's tables, flags and switches as they
// are now, the image and the output size mode. The free curve's table is
// built only while the curve is on.
DevelopContext MakeDevelopContext(const DevParams& params, const EditState& edit, const DevelopImageInfo& image,
                                  int sizeMode, DevelopTables& tables);

} // namespace velmo
