// The document's side of the automatic chromatic-aberration correction: the
// fringe score of a trial pair of lens values, rendered through the magnifier
// at the picture's border, and the command that runs the search with it.
#pragma once

#include "develop/preview/AutoChromatic.h"

#include <functional>

namespace velmo {

class CVelmoDoc;
struct DevelopContext;

// Asked before each of the sixteen renders with the render's index (0..15);
// true stops the trial there (the sums gathered so far are returned).
using ChromaticPointFn = std::function<bool(int point)>;

// The fringe sums of one trial: the magnifier's sums reset, then the
// magnifier rendered with base and the trial chromaRed and chromaBlue (lens
// correction on) at each of the sixteen border points, the square kept
// inside the picture. The edit state's lens record is not touched; the
// magnifier centre is left at the last point. Each render goes to the
// magnifier palette like any other (and the palette's view is centred).
FringeSums ScoreChromaticTrial(CVelmoDoc& doc, const DevelopContext& base, int chromaRed, int chromaBlue,
                               const ChromaticPointFn& beforePoint = {});

// The renders of a whole search at most (22 trials of 16 points): the
// progress is renders x 100 / this.
inline constexpr int kChromaticProgressRenders = 352;

// The status texts of the command: the command's name, or string 61210 when
// the user aborted, followed by "(%.2fsec.)".
inline constexpr const char* kAutoChromaticStatus = "Auto chrmatic correction";
inline constexpr unsigned kAbortedMessageId = 61210;
inline constexpr const char* kAbortedText = "Aborted.";

} // namespace velmo
