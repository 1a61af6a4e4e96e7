// Resource ids: commands, strings, menus, toolbars, accelerators, dialog
// templates and controls. The numbers are the program's own and stay fixed:
// settings, language files and the command routing refer to them.
#pragma once

namespace velmo {

// --- Framework commands and panes --------------------------------------------
inline constexpr unsigned ID_SEPARATOR = 0;
inline constexpr unsigned ID_FILE_NEW = 57600;
inline constexpr unsigned ID_FILE_OPEN = 57601;
inline constexpr unsigned ID_FILE_SAVE = 57603;
inline constexpr unsigned ID_FILE_SAVE_AS = 57604;
inline constexpr unsigned ID_FILE_MRU_FILE1 = 57616; // "Recent File"; 16 ids
inline constexpr unsigned ID_FILE_MRU_LAST = 57631;
inline constexpr unsigned ID_EDIT_COPY = 57634;      // copy preview image
inline constexpr unsigned ID_APP_ABOUT = 57664;
inline constexpr unsigned ID_APP_EXIT = 57665;
inline constexpr unsigned ID_VIEW_TOOLBAR = 59392;   // also the main toolbar's id (0xE800)
inline constexpr unsigned ID_VIEW_STATUS_BAR = 59393; // also the status bar's id (0xE801)
inline constexpr unsigned AFX_IDW_TOOLBAR = 0xE800;
inline constexpr unsigned AFX_IDW_STATUS_BAR = 0xE801;
inline constexpr unsigned ID_INDICATOR_CAPS = 59137;
inline constexpr unsigned ID_INDICATOR_NUM = 59138;
inline constexpr unsigned ID_INDICATOR_SCRL = 59139;

// --- Application commands ------------------------------------------------------
inline constexpr unsigned ID_ASSOCIATE = 32772;          // "Associate CCDRAW with velmo"
inline constexpr unsigned ID_RESET_ALL = 33944;
inline constexpr unsigned ID_LANGUAGE_FIRST = 32920;     // "LANG0" placeholder
inline constexpr unsigned ID_LANGUAGE_LAST = 32935;

// Recent lists: first and last command id of each block.
inline constexpr unsigned ID_RECENT_LC_FIRST = 32801, ID_RECENT_LC_LAST = 32819;
inline constexpr unsigned ID_RECENT_PARAMS_FIRST = 32901, ID_RECENT_PARAMS_LAST = 32919;
inline constexpr unsigned ID_RECENT_SC_FIRST = 33001, ID_RECENT_SC_LAST = 33019;
inline constexpr unsigned ID_RECENT_WB_FIRST = 33101, ID_RECENT_WB_LAST = 33119;
inline constexpr unsigned ID_RECENT_CP_FIRST = 33121, ID_RECENT_CP_LAST = 33139;
inline constexpr unsigned ID_RECENT_TC_FIRST = 33953, ID_RECENT_TC_LAST = 33969;
inline constexpr unsigned ID_RECENT_CROP_FIRST = 34023, ID_RECENT_CROP_LAST = 34039;

// --- Main frame commands -------------------------------------------------------
inline constexpr unsigned ID_RESET = 1902;
inline constexpr unsigned ID_VIEW_PALETTE_FIRST = 33800;
inline constexpr unsigned ID_VIEW_PARAMS = 33801;        // classic or tabbed parameters palette
inline constexpr unsigned ID_VIEW_HISTOGRAM = 33802;
inline constexpr unsigned ID_VIEW_MAGNIFIER = 33803;
inline constexpr unsigned ID_VIEW_CURVE = 33804;
inline constexpr unsigned ID_VIEW_EXIF = 33805;
inline constexpr unsigned ID_VIEW_PALETTES_BAR = 33806;
inline constexpr unsigned ID_VIEW_SELCOLOR = 33807;
inline constexpr unsigned ID_VIEW_LENS = 33808;
inline constexpr unsigned ID_FLOAT_PALETTES = 33809;
inline constexpr unsigned ID_VIEW_FREECURVE = 33810;
inline constexpr unsigned ID_VIEW_PARAMTAB = 33811;
inline constexpr unsigned ID_VIEW_PALETTE_LAST = 33819;
inline constexpr unsigned ID_PREVIEW_SIZE_FIRST = 33820; // x1, x1.5, x2, then 1/2, 1/3, 1/4 without items
inline constexpr unsigned ID_PREVIEW_SIZE_LAST = 33829;
inline constexpr unsigned ID_ZOOM_FIRST = 33830;
inline constexpr unsigned ID_ZOOM_FREE = 33831;
inline constexpr unsigned ID_ZOOM_FIT = 33832;
inline constexpr unsigned ID_ZOOM_50 = 33833;
inline constexpr unsigned ID_ZOOM_100 = 33834;
inline constexpr unsigned ID_ZOOM_200 = 33835;
inline constexpr unsigned ID_ZOOM_300 = 33836;
inline constexpr unsigned ID_ZOOM_LAST = 33839;
inline constexpr unsigned ID_RESET_PALETTES = 33840;
inline constexpr unsigned ID_HIDE_PALETTES = 33841;
inline constexpr unsigned ID_FONT_NORMAL = 33880;
inline constexpr unsigned ID_FONT_CHOOSE = 33883;
inline constexpr unsigned ID_USE_OLD_UI = 33943;
inline constexpr unsigned ID_FOCUS_CONTROL_FIRST = 1600; // control ids of the parameter palettes
inline constexpr unsigned ID_FOCUS_CONTROL_LAST = 1699;
inline constexpr unsigned ID_TWO_FRAME_CONTROL_FIRST = 1650;
inline constexpr unsigned ID_TWO_FRAME_CONTROL_LAST = 1659;
inline constexpr unsigned ID_HISTOGRAM_SOURCE_FIRST = 1810; // "&Preview", "&Magnifier", "&Selection"
inline constexpr unsigned ID_HISTOGRAM_SOURCE_LAST = 1812;

// --- Document commands -----------------------------------------------------------
inline constexpr unsigned ID_COPY_EXIF = 32770;
inline constexpr unsigned ID_COPY_MAGNIFIER = 32771;
inline constexpr unsigned ID_BATCH_JOB = 32780;
inline constexpr unsigned ID_LOAD_LENS = 32781;
inline constexpr unsigned ID_POPUP_LENS_MENU = 32782;
inline constexpr unsigned ID_SAVE_LENS_AS = 32783;
inline constexpr unsigned ID_LOAD_PARAMS = 33200;
inline constexpr unsigned ID_POPUP_PARAMS_MENU = 33201;
inline constexpr unsigned ID_SAVE_PARAMS = 33202;
inline constexpr unsigned ID_SAVE_PARAMS_AS = 33203;
inline constexpr unsigned ID_LOAD_SELCOLOR = 33300;
inline constexpr unsigned ID_POPUP_SELCOLOR_MENU = 33301;
inline constexpr unsigned ID_SAVE_SELCOLOR_AS = 33302;
inline constexpr unsigned ID_LOAD_SPOT_WB = 33303;
inline constexpr unsigned ID_POPUP_WB_MENU = 33304;
inline constexpr unsigned ID_SAVE_SPOT_WB = 33305;
inline constexpr unsigned ID_LOAD_TONE_CURVE = 33308;
inline constexpr unsigned ID_SAVE_TONE_CURVE_AS = 33309;
inline constexpr unsigned ID_POPUP_TONE_CURVE_MENU = 33310;
inline constexpr unsigned ID_HONEYCOMB = 33400;
inline constexpr unsigned ID_FORMAT_PSD16 = 33500;
inline constexpr unsigned ID_FORMAT_PSD8 = 33501;
inline constexpr unsigned ID_FORMAT_TIFF16 = 33502;
inline constexpr unsigned ID_FORMAT_TIFF8 = 33503;
inline constexpr unsigned ID_FORMAT_JPEG = 33504;
inline constexpr unsigned ID_FORMAT_UNUSED = 33505;
inline constexpr unsigned ID_JPEG_OPTION = 33506;
inline constexpr unsigned ID_SIZE_FULL = 33510;
inline constexpr unsigned ID_SIZE_9_16 = 33511;
inline constexpr unsigned ID_SIZE_QUARTER = 33512;
inline constexpr unsigned ID_SIZE_PREVIEW = 33513;
inline constexpr unsigned ID_INCREMENT_FILE_NUMBER = 33520;
inline constexpr unsigned ID_NEUTRAL_RESET = 33600;
inline constexpr unsigned ID_ROTATE_NONE = 33601;
inline constexpr unsigned ID_ROTATE_RIGHT = 33602;
inline constexpr unsigned ID_ROTATE_LEFT = 33603;
inline constexpr unsigned ID_SHARPNESS_HARD = 33650;
inline constexpr unsigned ID_SHARPNESS_NORMAL = 33651;
inline constexpr unsigned ID_SHARPNESS_SOFT = 33652;
inline constexpr unsigned ID_SHARPNESS_CUSTOM = 33653;
inline constexpr unsigned ID_REFRESH = 33700;
inline constexpr unsigned ID_SWAP_FRAMES = 33701;
inline constexpr unsigned ID_MAGNIFIER_FLOAT = 33851;
inline constexpr unsigned ID_MAGNIFIER_256 = 33852;
inline constexpr unsigned ID_MAGNIFIER_512 = 33853;
inline constexpr unsigned ID_MAGNIFIER_ZOOM1 = 33854; // x1 .. x5: 33854-33858
inline constexpr unsigned ID_MAGNIFIER_ZOOM5 = 33858;
inline constexpr unsigned ID_GRID_OFF = 33860;        // grid count = id - 33860
inline constexpr unsigned ID_GRID_2 = 33862;
inline constexpr unsigned ID_GRID_3 = 33863;
inline constexpr unsigned ID_GRID_4 = 33864;
inline constexpr unsigned ID_GRID_8 = 33868;
inline constexpr unsigned ID_GRID_12 = 33872;
inline constexpr unsigned ID_GRID_16 = 33876;
inline constexpr unsigned ID_GRID_MENU = 33879;
inline constexpr unsigned ID_WB_FIRST = 33900;        // "&0:as shot" .. "&c:color temperature"
inline constexpr unsigned ID_WB_LAST = 33912;
inline constexpr unsigned ID_ICC_SRGB = 33920;
inline constexpr unsigned ID_ICC_ADOBE = 33921;
inline constexpr unsigned ID_ICC_FINEPIX = 33922;
inline constexpr unsigned ID_ICC_WIDEGAMUT = 33923;
inline constexpr unsigned ID_CLIP_WARNING = 33940;
inline constexpr unsigned ID_USE_OLD_WB = 33942;
inline constexpr unsigned ID_OPEN_COLOR_PROFILE = 33945;
inline constexpr unsigned ID_USE_OLD_SATURATION = 33947;
inline constexpr unsigned ID_USE_OLD_NR = 33948;
inline constexpr unsigned ID_VIVID_COLOR = 1202;
inline constexpr unsigned ID_GREEN_ENHANCER = 1203;
inline constexpr unsigned ID_LENS_ENABLE = 1205;
inline constexpr unsigned ID_SELCOLOR_ENABLE = 1213;
inline constexpr unsigned ID_WB_FINETUNE = 1220;
inline constexpr unsigned ID_EASY_SR = 1221;
inline constexpr unsigned ID_NOISE_REDUCTION = 1225;
inline constexpr unsigned ID_GAMMA_SR = 1651;
inline constexpr unsigned ID_TONE_GAMMA = 2613;
inline constexpr unsigned ID_FREECURVE_ENABLE = 2615;
inline constexpr unsigned ID_TONE_LOG = 2616;
inline constexpr unsigned ID_DELETE_APEX = 2621;
inline constexpr unsigned ID_RESET_ALL_CHANNELS = 2624;
inline constexpr unsigned ID_AUTO_CHROMATIC = 2701;
inline constexpr unsigned ID_DISPLAY_WINDOWS_CM = 2710;
inline constexpr unsigned ID_DISPLAY_PROFILE_FIRST = 2711; // mode = id - 2711
inline constexpr unsigned ID_DISPLAY_SRGB = 2712;
inline constexpr unsigned ID_DISPLAY_ADOBE = 2713;
inline constexpr unsigned ID_DISPLAY_FINEPIX = 2714;
inline constexpr unsigned ID_DISPLAY_WIDEGAMUT = 2715;
inline constexpr unsigned ID_DISPLAY_PROFILE_LAST = 2716;
inline constexpr unsigned ID_DISPLAY_OTHER = 2716;
inline constexpr unsigned ID_OPEN_DISPLAY_PROFILE = 2717;

// --- View commands ------------------------------------------------------------
inline constexpr unsigned ID_TOOL_MAGNIFIER = 32773;
inline constexpr unsigned ID_TOOL_SPOT_WB = 32774;
inline constexpr unsigned ID_CROP_CENTRE_H = 34000;
inline constexpr unsigned ID_CROP_CENTRE_V = 34001;
inline constexpr unsigned ID_CROP_TOOL = 34002;
inline constexpr unsigned ID_CROP_CENTRE = 34003;
inline constexpr unsigned ID_CROP_SIZE_CURRENT = 34004;
inline constexpr unsigned ID_CROP_SIZE_HALF = 34005;
inline constexpr unsigned ID_CROP_SIZE_2_3 = 34006;
inline constexpr unsigned ID_CROP_SIZE_1_4 = 34007;
inline constexpr unsigned ID_CROP_SIZE_1_3 = 34008;
inline constexpr unsigned ID_CROP_DESELECT = 34009;
inline constexpr unsigned ID_CROP_ASPECT_FIRST = 34010; // "&Free" .. "10x8": 34010-34017
inline constexpr unsigned ID_CROP_ASPECT_LAST = 34017;
inline constexpr unsigned ID_CROP_LOAD = 34020;
inline constexpr unsigned ID_CROP_SAVE_AS = 34022;
inline constexpr unsigned ID_CROP_LAST_FRAME = 34040;

// --- Strings ---------------------------------------------------------------------
inline constexpr unsigned IDS_BUILD_STAMP = 100;        // language files must carry the same
inline constexpr unsigned IDS_DOC_STRINGS = 200;        // the document template's strings
inline constexpr unsigned IDS_LANGUAGE_NAME = 215;
inline constexpr unsigned IDS_TRANSLATOR = 216;
inline constexpr unsigned AFX_IDS_IDLEMESSAGE = 57345;  // "Ready"
inline constexpr unsigned IDS_WB_PRESETS_OLD = 61204;
// Titles of the side-file dialogs.
inline constexpr unsigned IDS_LOAD_PARAMS_TITLE = 61222;    // "Load decode Parameters"
inline constexpr unsigned IDS_SAVE_PARAMS_TITLE = 61223;    // "Save As decode Parameters"
inline constexpr unsigned IDS_SAVE_WB_TITLE = 61224;        // "Save As Spot White Balance"
inline constexpr unsigned IDS_LOAD_WB_TITLE = 61225;        // "Load Spot White Balance"
inline constexpr unsigned IDS_LOAD_SELCOLOR_TITLE = 61226;  // "Load SelectiveColorAdj."
inline constexpr unsigned IDS_SAVE_SELCOLOR_TITLE = 61227;  // "Save As SelectiveColorAdj."
inline constexpr unsigned IDS_LOAD_LENS_TITLE = 61228;      // "Load LensCorrection"
inline constexpr unsigned IDS_SAVE_LENS_TITLE = 61229;      // "Save As LensCorrection"
inline constexpr unsigned IDS_SAVE_TONE_CURVE_TITLE = 61235; // "Save As ToneCurve"
inline constexpr unsigned IDS_LOAD_TONE_CURVE_TITLE = 61236; // "Load ToneCurve"
inline constexpr unsigned IDS_DROP_ONE_FILE = 61214;
inline constexpr unsigned IDS_SIZE_NAMES = 61231;
inline constexpr unsigned IDS_RESTART_LANGUAGE = 61232;
inline constexpr unsigned IDS_WB_PRESETS = 61237;
inline constexpr unsigned IDS_RESET_ALL = 61238;
inline constexpr unsigned IDS_SAVE_CROP_TITLE = 61240; // "Save As CropFrame"
inline constexpr unsigned IDS_PALETTE_CAPTIONS = 61717;
inline constexpr unsigned IDS_SIZE_PANE = 61718;
inline constexpr unsigned IDS_FILE_OPEN_FILTER = 61880; // the File Open dialog's filter
inline constexpr unsigned IDS_ABORTING = 61716;         // "Aborting, Please wait."
// The batch dialog's lists and texts.
inline constexpr unsigned IDS_SHARPNESS_CHOICES = 61205;   // "Hard|Normal|Soft|Custom||"
inline constexpr unsigned IDS_ROTATION_CHOICES = 61206;    // "None|Right|Left||"
inline constexpr unsigned IDS_SAME_AS_INPUT = 61207;       // "<Same as input>"
inline constexpr unsigned IDS_BATCH_DONE = 61208;          // "Done"
inline constexpr unsigned IDS_BATCH_ERR = 61209;           // "Err"
inline constexpr unsigned IDS_BATCH_ABORTED = 61210;       // "Aborted."
inline constexpr unsigned IDS_SELECT_OUTPUT_FOLDER = 61211; // "Select output folder"
// The file dialogs' titles when their caller gives none.
inline constexpr unsigned AFX_IDS_OPENFILE = 0xF000;    // 61440 "Open"
inline constexpr unsigned AFX_IDS_SAVEFILE = 0xF001;    // 61441 "Save As"
// The data exchange's messages for a refused edit box entry.
inline constexpr unsigned AFX_IDP_PARSE_INT = 0xF110;        // 61712
inline constexpr unsigned AFX_IDP_PARSE_REAL = 0xF111;       // 61713
inline constexpr unsigned AFX_IDP_PARSE_INT_RANGE = 0xF112;  // 61714, %1 and %2 the bounds
inline constexpr unsigned AFX_IDP_PARSE_REAL_RANGE = 0xF113; // 61715, %1 and %2 the bounds

// Menu item texts live in the string table too, so that a language file can
// replace them: a command item's text is string MenuText(id); popup titles
// have ids of their own from kPopupTextBase.
inline constexpr unsigned kMenuTextBase = 0x10000;
inline constexpr unsigned MenuText(unsigned commandId) { return kMenuTextBase + commandId; }
inline constexpr unsigned kPopupTextBase = 0x20000;
inline constexpr unsigned IDS_POPUP_FILE = kPopupTextBase + 1;
inline constexpr unsigned IDS_POPUP_EDIT = kPopupTextBase + 2;
inline constexpr unsigned IDS_POPUP_VIEW = kPopupTextBase + 3;
inline constexpr unsigned IDS_POPUP_PREVIEW_SIZE = kPopupTextBase + 4;
inline constexpr unsigned IDS_POPUP_ZOOM = kPopupTextBase + 5;
inline constexpr unsigned IDS_POPUP_GRID = kPopupTextBase + 6;
inline constexpr unsigned IDS_POPUP_MAGNIFIER = kPopupTextBase + 7;
inline constexpr unsigned IDS_POPUP_FONT = kPopupTextBase + 8;
inline constexpr unsigned IDS_POPUP_LANGUAGE = kPopupTextBase + 9;
inline constexpr unsigned IDS_POPUP_PARAMETERS = kPopupTextBase + 10;
inline constexpr unsigned IDS_POPUP_WHITE_BALANCE = kPopupTextBase + 11;
inline constexpr unsigned IDS_POPUP_SHARPNESS = kPopupTextBase + 12;
inline constexpr unsigned IDS_POPUP_ROTATION = kPopupTextBase + 13;
inline constexpr unsigned IDS_POPUP_TONE = kPopupTextBase + 14;
inline constexpr unsigned IDS_POPUP_SR = kPopupTextBase + 15;
inline constexpr unsigned IDS_POPUP_TONE_CURVE = kPopupTextBase + 16;
inline constexpr unsigned IDS_POPUP_LENS = kPopupTextBase + 17;
inline constexpr unsigned IDS_POPUP_SELCOLOR = kPopupTextBase + 18;
inline constexpr unsigned IDS_POPUP_OUTPUT = kPopupTextBase + 19;
inline constexpr unsigned IDS_POPUP_COLOR_SPACE = kPopupTextBase + 20;
inline constexpr unsigned IDS_POPUP_COLOR_MANAGEMENT = kPopupTextBase + 21;
inline constexpr unsigned IDS_POPUP_TOOLS = kPopupTextBase + 22;
inline constexpr unsigned IDS_POPUP_CROP_ASPECT = kPopupTextBase + 23;
inline constexpr unsigned IDS_POPUP_HELP = kPopupTextBase + 24;
inline constexpr unsigned IDS_POPUP_CONTEXT = kPopupTextBase + 25; // title of the context menus' one submenu
inline constexpr unsigned IDS_POPUP_OUTPUT_SIZE = kPopupTextBase + 26;
inline constexpr unsigned IDS_POPUP_OUTPUT_FORMAT = kPopupTextBase + 27;
// Texts of items that read differently in the palettes' "..." menus.
inline constexpr unsigned IDS_ITEM_SAVE_PARAMS_AS_POPUP = kPopupTextBase + 101;
inline constexpr unsigned IDS_ITEM_SAVE_SPOT_WB_POPUP = kPopupTextBase + 102;
// Other texts of our own: the About box's language line (a format with
// the locale's language id and the code page).
inline constexpr unsigned IDS_ABOUT_LANGUAGE_FORMAT = kPopupTextBase + 201;
// The processing dialog's text while it works (the percent).
inline constexpr unsigned IDS_PROCESSING_PERCENT = kPopupTextBase + 202;
// The save dialog's question before it replaces a file (%1 the file).
inline constexpr unsigned IDS_CONFIRM_REPLACE = kPopupTextBase + 203;
// Prompts and tips of dialog controls whose ids other dialogs use with
// another meaning ("prompt\ntip").
inline constexpr unsigned IDS_TIP_OPEN_PREVIEW = kPopupTextBase + 210;
inline constexpr unsigned IDS_TIP_OPEN_EXIF_TEXT = kPopupTextBase + 211;
inline constexpr unsigned IDS_TIP_OPEN_EXIF_ALL = kPopupTextBase + 212;
inline constexpr unsigned IDS_TIP_OPEN_PREVIEW_PICTURE = kPopupTextBase + 213;
inline constexpr unsigned IDS_TIP_JPEG_QUALITY = kPopupTextBase + 214;
inline constexpr unsigned IDS_TIP_JPEG_PROGRESSIVE = kPopupTextBase + 215;
inline constexpr unsigned IDS_TIP_PROCESSING_CANCEL = kPopupTextBase + 216;
inline constexpr unsigned IDS_TIP_PROCESSING_PROGRESS = kPopupTextBase + 217;
// The batch dialog's tips, its progress line and its results caption.
inline constexpr unsigned IDS_TIP_BATCH_INPUTS = kPopupTextBase + 240;
inline constexpr unsigned IDS_TIP_BATCH_ADD_FILES = kPopupTextBase + 241;
inline constexpr unsigned IDS_TIP_BATCH_REMOVE = kPopupTextBase + 242;
inline constexpr unsigned IDS_TIP_BATCH_REMOVE_ALL = kPopupTextBase + 243;
inline constexpr unsigned IDS_TIP_BATCH_THUMBNAIL_CHECK = kPopupTextBase + 244;
inline constexpr unsigned IDS_TIP_BATCH_THUMBNAIL = kPopupTextBase + 245;
inline constexpr unsigned IDS_TIP_BATCH_ROTATE = kPopupTextBase + 246;
inline constexpr unsigned IDS_TIP_BATCH_SHARPNESS = kPopupTextBase + 247;
inline constexpr unsigned IDS_TIP_BATCH_WHITE_BALANCE = kPopupTextBase + 248;
inline constexpr unsigned IDS_TIP_BATCH_USE_PARAMS = kPopupTextBase + 249;
inline constexpr unsigned IDS_TIP_BATCH_OUTPUT_DIR = kPopupTextBase + 250;
inline constexpr unsigned IDS_TIP_BATCH_BROWSE = kPopupTextBase + 251;
inline constexpr unsigned IDS_TIP_BATCH_SAME_AS_INPUT = kPopupTextBase + 252;
inline constexpr unsigned IDS_TIP_BATCH_START = kPopupTextBase + 253;
inline constexpr unsigned IDS_TIP_BATCH_ABORT = kPopupTextBase + 254;
inline constexpr unsigned IDS_TIP_BATCH_CLOSE = kPopupTextBase + 255;
inline constexpr unsigned IDS_TIP_BATCH_RESULTS = kPopupTextBase + 256;
inline constexpr unsigned IDS_TIP_BATCH_PROGRESS = kPopupTextBase + 257;
inline constexpr unsigned IDS_BATCH_FILE_PROGRESS = kPopupTextBase + 258; // "%1 (%2 of %3)"

// Captions of the parameter palettes' groups, units and buttons that have
// no caption entry of their own control.
inline constexpr unsigned IDS_CAPTION_ROTATION = kPopupTextBase + 300;
inline constexpr unsigned IDS_CAPTION_ROTATE_NONE = kPopupTextBase + 301;
inline constexpr unsigned IDS_CAPTION_ROTATE_RIGHT = kPopupTextBase + 302;
inline constexpr unsigned IDS_CAPTION_ROTATE_LEFT = kPopupTextBase + 303;
inline constexpr unsigned IDS_CAPTION_WHITE_BALANCE = kPopupTextBase + 304;
inline constexpr unsigned IDS_CAPTION_WB_MID_TEMP = kPopupTextBase + 305;
inline constexpr unsigned IDS_CAPTION_WB_FINE_TUNE = kPopupTextBase + 306;
inline constexpr unsigned IDS_CAPTION_SPOT_WB = kPopupTextBase + 307;
inline constexpr unsigned IDS_CAPTION_VIVID = kPopupTextBase + 308;
inline constexpr unsigned IDS_CAPTION_GREEN = kPopupTextBase + 309;
inline constexpr unsigned IDS_CAPTION_PARAMETERS = kPopupTextBase + 310;
inline constexpr unsigned IDS_CAPTION_TONE = kPopupTextBase + 311;
inline constexpr unsigned IDS_CAPTION_GAMMA = kPopupTextBase + 312;
inline constexpr unsigned IDS_CAPTION_LOG = kPopupTextBase + 313;
inline constexpr unsigned IDS_CAPTION_HUES = kPopupTextBase + 314;
inline constexpr unsigned IDS_CAPTION_HUES_SHIFTED = kPopupTextBase + 315;
inline constexpr unsigned IDS_CAPTION_SR_MIXING = kPopupTextBase + 316;
inline constexpr unsigned IDS_CAPTION_EASY_MODE = kPopupTextBase + 317;
inline constexpr unsigned IDS_CAPTION_SHARPNESS = kPopupTextBase + 318;
inline constexpr unsigned IDS_CAPTION_SHARP_HARD = kPopupTextBase + 319;
inline constexpr unsigned IDS_CAPTION_SHARP_NORMAL = kPopupTextBase + 320;
inline constexpr unsigned IDS_CAPTION_SHARP_SOFT = kPopupTextBase + 321;
inline constexpr unsigned IDS_CAPTION_SHARP_CUSTOM = kPopupTextBase + 322;
inline constexpr unsigned IDS_CAPTION_MOIRE = kPopupTextBase + 323;
inline constexpr unsigned IDS_CAPTION_NOISE_REDUCTION = kPopupTextBase + 324;
inline constexpr unsigned IDS_CAPTION_NOISE_REDUCTION_CHECK = kPopupTextBase + 325;
inline constexpr unsigned IDS_CAPTION_PRV = kPopupTextBase + 326;
inline constexpr unsigned IDS_CAPTION_MGN = kPopupTextBase + 327;
inline constexpr unsigned IDS_CAPTION_RESET = kPopupTextBase + 328;
inline constexpr unsigned IDS_CAPTION_APPLY = kPopupTextBase + 329;
inline constexpr unsigned IDS_CAPTION_SENSITIZATION = kPopupTextBase + 330;
inline constexpr unsigned IDS_CAPTION_GAMMA_LOG = kPopupTextBase + 331;
inline constexpr unsigned IDS_CAPTION_BRIGHTNESS = kPopupTextBase + 332;
inline constexpr unsigned IDS_CAPTION_CONTRAST = kPopupTextBase + 333;
inline constexpr unsigned IDS_CAPTION_SATURATION = kPopupTextBase + 334;
inline constexpr unsigned IDS_CAPTION_HUE = kPopupTextBase + 335;
inline constexpr unsigned IDS_CAPTION_COLOR_TEMP = kPopupTextBase + 336;
inline constexpr unsigned IDS_CAPTION_THRESHOLD = kPopupTextBase + 337;
inline constexpr unsigned IDS_CAPTION_MOIRE_CANCEL = kPopupTextBase + 338;
inline constexpr unsigned IDS_CAPTION_SHARPEN = kPopupTextBase + 339;
inline constexpr unsigned IDS_CAPTION_SOFTEN = kPopupTextBase + 340;
inline constexpr unsigned IDS_CAPTION_NR_RADIUS = kPopupTextBase + 341;
inline constexpr unsigned IDS_CAPTION_NR_AMOUNT = kPopupTextBase + 342;
inline constexpr unsigned IDS_CAPTION_NR_SMOOTH = kPopupTextBase + 343;
inline constexpr unsigned IDS_CAPTION_NR_EDGE = kPopupTextBase + 344;
inline constexpr unsigned IDS_CAPTION_SR_MIX = kPopupTextBase + 345;
inline constexpr unsigned IDS_CAPTION_SR_GAMMA = kPopupTextBase + 346;
inline constexpr unsigned IDS_CAPTION_SR_GAMMA2 = kPopupTextBase + 347;
inline constexpr unsigned IDS_CAPTION_WB_FINE_B = kPopupTextBase + 348;
inline constexpr unsigned IDS_CAPTION_WB_FINE_G = kPopupTextBase + 349;
inline constexpr unsigned IDS_CAPTION_WB_FINE_R = kPopupTextBase + 350;
inline constexpr unsigned IDS_CAPTION_FRAME_S = kPopupTextBase + 351;
inline constexpr unsigned IDS_CAPTION_FRAME_R = kPopupTextBase + 352;
inline constexpr unsigned IDS_CAPTION_WB_LOW_TEMP = kPopupTextBase + 353;
inline constexpr unsigned IDS_CAPTION_WB_HIGH_TEMP = kPopupTextBase + 354;
// The lens palette's readouts of the loaded lens.
inline constexpr unsigned IDS_CAPTION_LENS_MODEL = kPopupTextBase + 355;
inline constexpr unsigned IDS_CAPTION_LENS_FOCAL_LENGTH = kPopupTextBase + 356;
// Messages of the engine: a file that cannot be read, opened or written,
// a profile refused, a save that wrote nothing (%1 a path).
inline constexpr unsigned IDS_RAF_CANNOT_OPEN = kPopupTextBase + 400;
inline constexpr unsigned IDS_RAF_DAMAGED_HEADER = kPopupTextBase + 401;
inline constexpr unsigned IDS_RAF_DAMAGED_RECORDS = kPopupTextBase + 402;
inline constexpr unsigned IDS_RAF_RAW_DATA_MISSING = kPopupTextBase + 403;
inline constexpr unsigned IDS_RAF_UNPACK_FAILED = kPopupTextBase + 404;
inline constexpr unsigned IDS_RAF_CUT_SHORT = kPopupTextBase + 405;
inline constexpr unsigned IDS_RAF_SECOND_FRAME_MISSING = kPopupTextBase + 406;
inline constexpr unsigned IDS_FILE_NOT_WRITTEN = kPopupTextBase + 407;
inline constexpr unsigned IDS_FILE_NOT_READ = kPopupTextBase + 408;
inline constexpr unsigned IDS_SAVE_LENS_EMPTY = kPopupTextBase + 409;
inline constexpr unsigned IDS_SAVE_OUT_OF_MEMORY = kPopupTextBase + 410;
inline constexpr unsigned IDS_PROFILE_TOO_SHORT = kPopupTextBase + 411;
inline constexpr unsigned IDS_PROFILE_TOO_LARGE = kPopupTextBase + 412;
inline constexpr unsigned IDS_PROFILE_INVALID = kPopupTextBase + 413;
inline constexpr unsigned IDS_PROFILE_DAMAGED = kPopupTextBase + 414;
inline constexpr unsigned IDS_COLOR_FALLBACK = kPopupTextBase + 415;
// The crop-frame open dialog's title, and the side files' filters.
inline constexpr unsigned IDS_LOAD_CROP_TITLE = kPopupTextBase + 450;
inline constexpr unsigned IDS_FILTER_PARAMETERS = kPopupTextBase + 451;
inline constexpr unsigned IDS_FILTER_TONE_CURVE = kPopupTextBase + 452;
inline constexpr unsigned IDS_FILTER_LENS = kPopupTextBase + 453;
inline constexpr unsigned IDS_FILTER_SELCOLOR = kPopupTextBase + 454;
inline constexpr unsigned IDS_FILTER_WHITE_BALANCE = kPopupTextBase + 455;
inline constexpr unsigned IDS_FILTER_COLOR_PROFILE = kPopupTextBase + 456;
inline constexpr unsigned IDS_FILTER_CROP_FRAME = kPopupTextBase + 457;
inline constexpr unsigned IDS_FILTER_OUTPUT = kPopupTextBase + 458;
// The honeycomb switch's status text ("HoneyCum:" and "On" or "off").
inline constexpr unsigned IDS_HONEYCOMB_ON = kPopupTextBase + 460;
inline constexpr unsigned IDS_HONEYCOMB_OFF = kPopupTextBase + 461;
// Progress labels. The engine reports them by their English text; the
// status bar shows the language's text of the same id (ProgressLabelText).
inline constexpr unsigned IDS_PROGRESS_FIRST = kPopupTextBase + 500;
inline constexpr unsigned IDS_PROGRESS_LAST = kPopupTextBase + 599;

// Dialog and palette captions and the captions of their controls live in the
// string table as well, under ids of their own, so that one lookup serves
// every text a language file can replace. Dialog ids are below 0x10000,
// control ids below 0x10000; a control's caption belongs to its dialog, since
// control ids repeat between dialogs.
inline constexpr unsigned kDialogCaptionBase = 0x30000;
inline constexpr unsigned DialogCaption(unsigned dialogId) { return kDialogCaptionBase + (dialogId & 0xFFFF); }
inline constexpr unsigned kControlCaptionBase = 0x80000000u;
inline constexpr unsigned ControlCaption(unsigned dialogId, unsigned controlId)
{
    return kControlCaptionBase | ((dialogId & 0x7FFF) << 16) | (controlId & 0xFFFF);
}

// --- Menus, toolbars, accelerators ---------------------------------------------------
inline constexpr unsigned IDR_MAINFRAME = 200;     // main menu, main toolbar, accelerators, document strings
inline constexpr unsigned IDR_GRID_MENU = 202;
inline constexpr unsigned IDR_LENS_MENU = 203;
inline constexpr unsigned IDR_PARAMS_MENU = 204;
inline constexpr unsigned IDR_SELCOLOR_MENU = 205;
inline constexpr unsigned IDR_TONE_CURVE_MENU = 206;
inline constexpr unsigned IDR_WB_MENU = 207;
inline constexpr unsigned IDR_PALETTES_BAR = 213;
inline constexpr unsigned IDR_CROP_CONTEXT = 305;
inline constexpr unsigned IDR_WB_CONTEXT = 306;
inline constexpr unsigned IDR_MAGNIFIER_CONTEXT = 307;

// --- Bitmaps and cursors ---------------------------------------------------------
inline constexpr unsigned IDB_HUE = 102;
inline constexpr unsigned IDC_CURSOR_PAN = 1700;
inline constexpr unsigned IDC_CURSOR_MAGNIFIER = 1705;
inline constexpr unsigned IDC_CURSOR_SPOT_WB = 1706;
inline constexpr unsigned IDC_CURSOR_CROP = 1707;
inline constexpr unsigned IDC_CURSOR_1710 = 1710;
inline constexpr unsigned IDC_CURSOR_1711 = 1711;

// --- Dialog templates ------------------------------------------------------------------
inline constexpr unsigned IDD_ABOUTBOX = 120;
inline constexpr unsigned IDD_BATCH = 121;
inline constexpr unsigned IDD_JPEG_OPTIONS = 122;
inline constexpr unsigned IDD_OPEN_PREVIEW = 123;     // child template of the open dialog
inline constexpr unsigned IDD_SELCOLOR_BAR = 124;
inline constexpr unsigned IDD_CURVE_BAR = 125;        // "Parameters Curve"
inline constexpr unsigned IDD_LENS_BAR = 126;
inline constexpr unsigned IDD_EXIF_BAR = 127;         // "Exif info"
inline constexpr unsigned IDD_FREECURVE_BAR = 128;
inline constexpr unsigned IDD_HISTOGRAM_BAR = 129;
inline constexpr unsigned IDD_MAGNIFIER_BAR = 130;
inline constexpr unsigned IDD_PARAM_BAR = 137;        // classic parameters palette
inline constexpr unsigned IDD_PARAM_PAGE_1 = 138;
inline constexpr unsigned IDD_PARAM_PAGE_2 = 139;
inline constexpr unsigned IDD_PARAMTAB_BAR = 140;     // tabbed parameters palette
inline constexpr unsigned IDD_PAGE_COLOR = 141;
inline constexpr unsigned IDD_PAGE_CURVE = 142;
inline constexpr unsigned IDD_PAGE_DETAIL = 143;
inline constexpr unsigned IDD_PAGE_LENS = 144;
inline constexpr unsigned IDD_PROCESSING = 147;

// --- Controls -----------------------------------------------------------------------
inline constexpr unsigned IDC_APPLY = 1003;
inline constexpr unsigned IDC_DOCK_MAGNIFIER = 1201;
inline constexpr unsigned IDC_CHECK_MGN = 1207;
inline constexpr unsigned IDC_CHECK_PRV = 1208;
inline constexpr unsigned IDC_WB_COMBO = 1406;
inline constexpr unsigned IDC_ABOUT_BUILD = 1702;
inline constexpr unsigned IDC_ABOUT_LANGUAGE = 1709;
inline constexpr unsigned IDC_ABOUT_VERSION = 2617;
inline constexpr unsigned IDC_ABOUT_TRANSLATOR = 2704;
inline constexpr unsigned IDC_OK = 1;                  // a dialog's OK button
inline constexpr unsigned IDC_CANCEL = 2;              // a dialog's Cancel button
inline constexpr unsigned IDC_ABOUT_JPEG_LIBRARY = 2720; // the About box's library credits
inline constexpr unsigned IDC_ABOUT_BZIP2_LIBRARY = 2721;
inline constexpr unsigned IDC_ABOUT_LCMS_LIBRARY = 2722;
inline constexpr unsigned IDC_ABOUT_TRANSLATOR_LABEL = 2723; // "Translator"
inline constexpr unsigned IDC_HISTOGRAM_LEVEL = 2500;  // the histogram's readout static, "Level"
// The histogram palette (IDD_HISTOGRAM_BAR): the plot, the channel checks;
// its source radios carry the source commands' ids 1810-1812.
inline constexpr unsigned IDC_HISTOGRAM_PLOT = 1701;
inline constexpr unsigned IDC_HISTOGRAM_RED = 1210;        // "R"
inline constexpr unsigned IDC_HISTOGRAM_GREEN = 1204;      // "G"
inline constexpr unsigned IDC_HISTOGRAM_BLUE = 1200;       // "B"
inline constexpr unsigned IDC_HISTOGRAM_LUMINOSITY = 1206; // "Luminosity"
inline constexpr unsigned IDS_HISTOGRAM_LEVEL_FORMAT = 61213; // "Level %03d : Count %9d"
// The magnifier palette (IDD_MAGNIFIER_BAR).
inline constexpr unsigned IDC_MAGNIFIER_ZOOM = 2119;
inline constexpr unsigned IDC_MAGNIFIER_VIEW = 1705;
inline constexpr unsigned IDC_MAGNIFIER_VSCROLL = 2000;
inline constexpr unsigned IDC_MAGNIFIER_HSCROLL = 2001;
// The parameters-curve palette (IDD_CURVE_BAR) and the Exif palette (IDD_EXIF_BAR).
inline constexpr unsigned IDC_PARAMS_CURVE_PLOT = 1501;
inline constexpr unsigned IDC_EXIF_TEXT = 1611;
inline constexpr unsigned IDC_EXIF_ALL = 2612;
// The open dialog's side panel (template IDD_OPEN_PREVIEW).
inline constexpr unsigned IDC_OPEN_PREVIEW_PICTURE = 1708; // the preview area
inline constexpr unsigned IDC_OPEN_EMBEDDED_PREVIEW = 1208; // check "Embedded preview"
inline constexpr unsigned IDC_OPEN_EXIF_TEXT = 1611;       // read-only Exif text
inline constexpr unsigned IDC_OPEN_EXIF_ALL = 2612;        // check "All"
// "Jpeg options" (IDD_JPEG_OPTIONS).
inline constexpr unsigned IDC_JPEG_QUALITY_SLIDER = 2117;
inline constexpr unsigned IDC_JPEG_QUALITY_EDIT = 1619;
inline constexpr unsigned IDC_JPEG_PROGRESSIVE = 1209;
inline constexpr unsigned IDC_JPEG_QUALITY_LABEL = 2724;   // "Quality"
// "Processing..." (IDD_PROCESSING).
inline constexpr unsigned IDC_PROCESSING_TEXT = 2500;
inline constexpr unsigned IDC_PROCESSING_PROGRESS = 2702;
// "Batch convert" (IDD_BATCH); the Close button is IDC_CANCEL.
inline constexpr unsigned IDC_BATCH_ABORT = 1000;
inline constexpr unsigned IDC_BATCH_ADD_FILES = 1002;
inline constexpr unsigned IDC_BATCH_BROWSE = 1100;        // "..."
inline constexpr unsigned IDC_BATCH_SAME_AS_INPUT = 1102;
inline constexpr unsigned IDC_BATCH_THUMBNAIL_CHECK = 1208; // "&Embedded preview"
inline constexpr unsigned IDC_BATCH_ROTATE = 1211;
inline constexpr unsigned IDC_BATCH_SHARPNESS = 1214;
inline constexpr unsigned IDC_BATCH_WHITE_BALANCE = 1219;
inline constexpr unsigned IDC_BATCH_USE_PARAMS = 1222;
inline constexpr unsigned IDC_BATCH_ROTATION_COMBO = 1403;
inline constexpr unsigned IDC_BATCH_SHARPNESS_COMBO = 1404;
inline constexpr unsigned IDC_BATCH_WB_COMBO = 1405;
inline constexpr unsigned IDC_BATCH_OUTPUT_DIR = 1618;
inline constexpr unsigned IDC_BATCH_INPUTS = 1703;
inline constexpr unsigned IDC_BATCH_RESULTS = 1704;
inline constexpr unsigned IDC_BATCH_THUMBNAIL = 1708;
inline constexpr unsigned IDC_BATCH_REMOVE = 1900;
inline constexpr unsigned IDC_BATCH_REMOVE_ALL = 1901;
inline constexpr unsigned IDC_BATCH_START = 2300;
inline constexpr unsigned IDC_BATCH_DROP_LABEL = 2730;    // "&Drop files to convert"
inline constexpr unsigned IDC_BATCH_OVERRIDE_GROUP = 2731; // "OverrideSettings"
inline constexpr unsigned IDC_BATCH_OUTPUT_LABEL = 2732;  // "&OutputDir"
inline constexpr unsigned IDC_BATCH_RESULTS_LABEL = 2733;
inline constexpr unsigned IDC_BATCH_PROGRESS = 2734;
inline constexpr unsigned IDC_BATCH_STATUS = 2735;

// --- Palette controls ----------------------------------------------------------
// A value control's ids: its edit, slider and spin, and its caption's where
// it has one.
struct ValueControlIds {
    unsigned edit, slider, spin, label = 0;
};

// The parameters palettes (templates 137 to 140 and 143).
inline constexpr ValueControlIds IDC_GAMMA{1613, 2111, 2212};
inline constexpr ValueControlIds IDC_CONTRAST{1609, 2108, 2209};
inline constexpr ValueControlIds IDC_BRIGHTNESS{1603, 2102, 2202};
inline constexpr ValueControlIds IDC_SATURATION{1621, 2120, 2218};
inline constexpr ValueControlIds IDC_HUE{1616, 2114, 2215};
inline constexpr ValueControlIds IDC_WB_TEMP{1624, 2123, 2208};
inline constexpr ValueControlIds IDC_SR_MIX{1653, 2116, 2216, 2415};
inline constexpr ValueControlIds IDC_SR_LINEAR{1654, 2141, 2233};
inline constexpr ValueControlIds IDC_SR_GAMMA{1651, 2112, 2213, 2410};
inline constexpr ValueControlIds IDC_SR_GAMMA2{1652, 2113, 2214, 2411};
inline constexpr ValueControlIds IDC_SENSITIZE{1622, 2121, 2219};
inline constexpr ValueControlIds IDC_MOIRE{1608, 2107, 2207};
inline constexpr ValueControlIds IDC_MOIRE_THRESHOLD{1667, 2136, 2228};
inline constexpr ValueControlIds IDC_SOFTEN{1660, 2130, 2222, 2416};
inline constexpr ValueControlIds IDC_HARDEN{1661, 2131, 2223, 2417};
inline constexpr ValueControlIds IDC_WB_FINE_R{1662, 2132, 2224, 2418};
inline constexpr ValueControlIds IDC_WB_FINE_G{1663, 2133, 2225, 2419};
inline constexpr ValueControlIds IDC_WB_FINE_B{1664, 2134, 2226, 2420};
inline constexpr ValueControlIds IDC_NR_RADIUS{1631, 2137, 2229, 2705};
inline constexpr ValueControlIds IDC_NR_AMOUNT{1632, 2138, 2230, 2706};
inline constexpr ValueControlIds IDC_NR_SMOOTH{1633, 2139, 2231, 2707};
inline constexpr ValueControlIds IDC_NR_EDGE{1634, 2140, 2232, 2708};
// The colour temperature's scale: "2500", "5500K", "9500".
inline constexpr unsigned IDC_WB_TEMP_LOW = 2400, IDC_WB_TEMP_MID = 2401, IDC_WB_TEMP_HIGH = 2402;
// Checks (the commands of the same id are the menu's), radios, lists, the
// S/R group, the hue strips, the tab strip.
inline constexpr unsigned IDC_FRAME_S = 1224;
inline constexpr unsigned IDC_FRAME_R = 1223;
inline constexpr unsigned IDC_ROTATE_NONE = 1813, IDC_ROTATE_RIGHT = 1815, IDC_ROTATE_LEFT = 1814;
inline constexpr unsigned IDC_SHARPNESS_HARD = 1804, IDC_SHARPNESS_NORMAL = 1805, IDC_SHARPNESS_SOFT = 1806,
                          IDC_SHARPNESS_CUSTOM = 1807;
inline constexpr unsigned IDC_SR_TYPE = 1401;
inline constexpr unsigned IDC_SR_GROUP = 2421;
inline constexpr unsigned IDC_HUE_STRIP = 1300;
inline constexpr unsigned IDC_HUE_STRIP_SHIFTED = 1301;
inline constexpr unsigned IDC_PARAM_TABS = 10001;

// The free-curve editor (palette 128, page 142).
inline constexpr unsigned IDC_CURVE_PLOT = 1500;
inline constexpr unsigned IDC_CURVE_APEX_LIST = 2619;
inline constexpr unsigned IDC_CURVE_LINEAR = 2618;
inline constexpr unsigned IDC_CURVE_CHANNEL = 2622;
inline constexpr unsigned IDC_CURVE_READOUT = 2623;

// The lens-correction editor (palette 126, page 144).
inline constexpr ValueControlIds IDC_LENS_DISTORTION{1610, 2109, 2210};
inline constexpr ValueControlIds IDC_LENS_RED{1606, 2105, 2205};
inline constexpr ValueControlIds IDC_LENS_BLUE{1607, 2106, 2206};
inline constexpr ValueControlIds IDC_LENS_AMOUNT{1629, 2128, 2220};
inline constexpr ValueControlIds IDC_LENS_MIDPOINT{1630, 2129, 2221};
inline constexpr ValueControlIds IDC_LENS_X{1604, 2103, 2203};
inline constexpr ValueControlIds IDC_LENS_Y{1605, 2104, 2204};
inline constexpr ValueControlIds IDC_LENS_COEFFICIENT{1666, 2135, 2227};
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

// The selective-colours editor (palette 124, page 141).
inline constexpr unsigned IDC_SELCOLOR_SWATCH = 2403;
inline constexpr unsigned IDC_SELCOLOR_RANGE = 1400;
inline constexpr ValueControlIds IDC_SELCOLOR_RED{1620, 2118, 2217};
inline constexpr ValueControlIds IDC_SELCOLOR_GREEN{1612, 2110, 2211};
inline constexpr ValueControlIds IDC_SELCOLOR_BLUE{1601, 2100, 2200};
inline constexpr ValueControlIds IDC_SELCOLOR_BLACK{1602, 2101, 2201};
inline constexpr unsigned IDC_SELCOLOR_HUE_BEFORE = 2404;
inline constexpr unsigned IDC_SELCOLOR_HUE_AFTER = 2405;
inline constexpr unsigned IDC_SELCOLOR_GREY_BEFORE = 2406;
inline constexpr unsigned IDC_SELCOLOR_GREY_AFTER = 2407;
inline constexpr unsigned IDC_SELCOLOR_MAP = 2408;

// "Reds|Yellows|Greens|Cyans|Blues|Magentas|Whites|Grays|Blacks||"
inline constexpr unsigned IDS_COLOR_RANGES = 61212;

} // namespace velmo
