// Control ids of the free-curve, lens-correction and selective-colours
// editors. The palettes and the pages of the tabbed palette that show the
// same editor use the same ids, so that the command routing, the data
// exchange and the string table (captions, tips) find them in either host.
#pragma once

namespace velmo {

// Free curve (palette 128, page 142).
inline constexpr unsigned IDC_CURVE_PLOT = 1500;
inline constexpr unsigned IDC_CURVE_APEX_LIST = 2619;
inline constexpr unsigned IDC_CURVE_LINEAR = 2618;
inline constexpr unsigned IDC_CURVE_CHANNEL = 2622;
inline constexpr unsigned IDC_CURVE_READOUT = 2623;

// Lens correction (palette 126, page 144): edit, slider, spin of each value.
inline constexpr unsigned IDC_LENS_DISTORTION_EDIT = 1610, IDC_LENS_DISTORTION_SLIDER = 2109,
                          IDC_LENS_DISTORTION_SPIN = 2210;
inline constexpr unsigned IDC_LENS_RED_EDIT = 1606, IDC_LENS_RED_SLIDER = 2105, IDC_LENS_RED_SPIN = 2205;
inline constexpr unsigned IDC_LENS_BLUE_EDIT = 1607, IDC_LENS_BLUE_SLIDER = 2106, IDC_LENS_BLUE_SPIN = 2206;
inline constexpr unsigned IDC_LENS_AMOUNT_EDIT = 1629, IDC_LENS_AMOUNT_SLIDER = 2128, IDC_LENS_AMOUNT_SPIN = 2220;
inline constexpr unsigned IDC_LENS_MIDPOINT_EDIT = 1630, IDC_LENS_MIDPOINT_SLIDER = 2129,
                          IDC_LENS_MIDPOINT_SPIN = 2221;
inline constexpr unsigned IDC_LENS_X_EDIT = 1604, IDC_LENS_X_SLIDER = 2103, IDC_LENS_X_SPIN = 2203;
inline constexpr unsigned IDC_LENS_Y_EDIT = 1605, IDC_LENS_Y_SLIDER = 2104, IDC_LENS_Y_SPIN = 2204;
inline constexpr unsigned IDC_LENS_COEFFICIENT_EDIT = 1666, IDC_LENS_COEFFICIENT_SLIDER = 2135,
                          IDC_LENS_COEFFICIENT_SPIN = 2227;
inline constexpr unsigned IDC_LENS_FISHEYE = 1226;
inline constexpr unsigned IDC_LENS_FOCAL_CAPTION = 2414;
inline constexpr unsigned IDC_LENS_MODEL_CAPTION = 2409;
// Group boxes (captions only).
inline constexpr unsigned IDC_LENS_GROUP_DISTORTION = 2730;
inline constexpr unsigned IDC_LENS_GROUP_CHROMA = 2731;
inline constexpr unsigned IDC_LENS_GROUP_VIGNETTE = 2732;
inline constexpr unsigned IDC_LENS_GROUP_PROPERTY = 2733;
// The captions of the Distortion and Coefficient controls in fisheye mode.
inline constexpr unsigned IDC_LENS_ANGLE_CAPTION = 2734;
inline constexpr unsigned IDC_LENS_SCALE_CAPTION = 2735;

// Selective colours (palette 124, page 141).
inline constexpr unsigned IDC_SELCOLOR_SWATCH = 2403;
inline constexpr unsigned IDC_SELCOLOR_RANGE = 1400;
inline constexpr unsigned IDC_SELCOLOR_RED_EDIT = 1620, IDC_SELCOLOR_RED_SLIDER = 2118, IDC_SELCOLOR_RED_SPIN = 2217;
inline constexpr unsigned IDC_SELCOLOR_GREEN_EDIT = 1612, IDC_SELCOLOR_GREEN_SLIDER = 2110,
                          IDC_SELCOLOR_GREEN_SPIN = 2211;
inline constexpr unsigned IDC_SELCOLOR_BLUE_EDIT = 1601, IDC_SELCOLOR_BLUE_SLIDER = 2100, IDC_SELCOLOR_BLUE_SPIN = 2200;
inline constexpr unsigned IDC_SELCOLOR_BLACK_EDIT = 1602, IDC_SELCOLOR_BLACK_SLIDER = 2101,
                          IDC_SELCOLOR_BLACK_SPIN = 2201;
inline constexpr unsigned IDC_SELCOLOR_HUE_BEFORE = 2404;
inline constexpr unsigned IDC_SELCOLOR_HUE_AFTER = 2405;
inline constexpr unsigned IDC_SELCOLOR_GREY_BEFORE = 2406;
inline constexpr unsigned IDC_SELCOLOR_GREY_AFTER = 2407;
inline constexpr unsigned IDC_SELCOLOR_MAP = 2408;

// "Reds|Yellows|Greens|Cyans|Blues|Magentas|Whites|Grays|Blacks||"
inline constexpr unsigned IDS_COLOR_RANGES = 61212;

} // namespace velmo
