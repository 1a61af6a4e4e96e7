// The values the document's commands take. The program maps its menu and
// toolbar commands to these (app/CommandValues.h); the document knows no
// command of its own.
#pragma once

namespace velmo {

// The turn of the picture; None, Right and Left are the record's `rotate`
// values. FromExif takes the turn from the Exif orientation.
enum class Rotation : int { None = 0, Right = 1, Left = 2, FromExif = -1 };

// The output size, as the low three bits of the size mode store it.
enum class OutputScale : int { Full = 0, NineSixteenths = 1, Quarter = 2, Preview = 3 };

} // namespace velmo
