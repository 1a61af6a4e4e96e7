// The scroll codes a trackbar reports to its owner, with their Win32 values:
// palettes compare them with these numbers and store none of them.
#pragma once

namespace velmo {

inline constexpr int TB_LINEUP = 0;        // one line toward the minimum (Left, Up)
inline constexpr int TB_LINEDOWN = 1;      // one line toward the maximum (Right, Down)
inline constexpr int TB_PAGEUP = 2;        // one page toward the minimum (Page Up, a click before the thumb)
inline constexpr int TB_PAGEDOWN = 3;      // one page toward the maximum (Page Down, a click after the thumb)
inline constexpr int TB_THUMBPOSITION = 4; // the thumb was let go after a drag
inline constexpr int TB_THUMBTRACK = 5;    // the thumb is being dragged (once per move)
inline constexpr int TB_TOP = 6;           // to the minimum (Home)
inline constexpr int TB_BOTTOM = 7;        // to the maximum (End)
inline constexpr int TB_ENDTRACK = 8;      // the key or mouse button that moved it was released

} // namespace velmo
