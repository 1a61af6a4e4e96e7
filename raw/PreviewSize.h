// The preview size: the developed preview the view shows (512 x 384, turned
// 384 x 512), the sample maps made for it at load time (one row more), the
// frame of the magnifier centre and the output of the preview-size modes.
#pragma once

namespace velmo {

inline constexpr int kPreviewWidth = 512;
inline constexpr int kPreviewHeight = 384;

} // namespace velmo
