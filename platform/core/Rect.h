// A rectangle in pixels.
#pragma once

namespace velmo {

// Rectangle with MFC's convention: right and bottom exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool IsNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

} // namespace velmo
