#include "res/Menus.h"

#include "res/ResourceIds.h"

#include <algorithm>
#include <vector>

namespace velmo {

namespace {

constexpr MenuItem Item(unsigned id, unsigned textId = 0) { return {MenuItemKind::Command, id, textId}; }
constexpr MenuItem Sep() { return {MenuItemKind::Separator, 0, 0}; }
constexpr MenuItem Popup(unsigned textId) { return {MenuItemKind::Popup, 0, textId}; }
constexpr MenuItem End() { return {MenuItemKind::End, 0, 0}; }

// Menu 200: the main menu.
constexpr MenuItem kMainMenu[] = {
    Popup(IDS_POPUP_FILE),
        Item(ID_FILE_NEW),
        Item(ID_FILE_OPEN),
        Item(ID_FILE_SAVE),
        Item(ID_FILE_SAVE_AS),
        Sep(),
        Item(ID_LOAD_PARAMS),
        Item(ID_SAVE_PARAMS),
        Item(ID_SAVE_PARAMS_AS),
        Item(ID_RECENT_PARAMS_FIRST),
        Sep(),
        Item(ID_BATCH_JOB),
        Sep(),
        Item(ID_ASSOCIATE),
        Item(ID_RESET_ALL),
        Sep(),
        Item(ID_FILE_MRU_FILE1),
        Sep(),
        Item(ID_APP_EXIT),
    End(),
    Popup(IDS_POPUP_EDIT),
        Item(ID_EDIT_COPY),
        Item(ID_COPY_MAGNIFIER),
        Item(ID_COPY_EXIF),
    End(),
    Popup(IDS_POPUP_VIEW),
        Item(ID_VIEW_TOOLBAR),
        Item(ID_VIEW_STATUS_BAR),
        Sep(),
        Item(ID_VIEW_PARAMS),
        Item(ID_VIEW_HISTOGRAM),
        Item(ID_VIEW_MAGNIFIER),
        Item(ID_VIEW_CURVE),
        Item(ID_VIEW_EXIF),
        Item(ID_VIEW_FREECURVE),
        Item(ID_VIEW_SELCOLOR),
        Item(ID_VIEW_LENS),
        Item(ID_VIEW_PALETTES_BAR),
        Sep(),
        Item(ID_FLOAT_PALETTES),
        Item(ID_RESET_PALETTES),
        Item(ID_HIDE_PALETTES),
        Item(ID_USE_OLD_UI),
        Sep(),
        Popup(IDS_POPUP_PREVIEW_SIZE),
            Item(ID_PREVIEW_SIZE_FIRST),
            Item(ID_PREVIEW_SIZE_FIRST + 1),
            Item(ID_PREVIEW_SIZE_FIRST + 2),
        End(),
        Popup(IDS_POPUP_ZOOM),
            Item(ID_ZOOM_FREE),
            Item(ID_ZOOM_FIT),
            Sep(),
            Item(ID_ZOOM_50),
            Item(ID_ZOOM_100),
            Item(ID_ZOOM_200),
            Item(ID_ZOOM_300),
        End(),
        Popup(IDS_POPUP_GRID),
            Item(ID_GRID_OFF),
            Item(ID_GRID_2),
            Item(ID_GRID_3),
            Item(ID_GRID_4),
            Item(ID_GRID_8),
            Item(ID_GRID_12),
            Item(ID_GRID_16),
        End(),
        Item(ID_CLIP_WARNING),
        Popup(IDS_POPUP_MAGNIFIER),
            Item(ID_MAGNIFIER_FLOAT),
            Sep(),
            Item(ID_MAGNIFIER_256),
            Item(ID_MAGNIFIER_512),
            Sep(),
            Item(ID_MAGNIFIER_ZOOM1),
            Item(ID_MAGNIFIER_ZOOM1 + 1),
            Item(ID_MAGNIFIER_ZOOM1 + 2),
            Item(ID_MAGNIFIER_ZOOM1 + 3),
            Item(ID_MAGNIFIER_ZOOM5),
        End(),
        Sep(),
        Popup(IDS_POPUP_FONT),
            Item(ID_FONT_NORMAL),
            Item(ID_FONT_CHOOSE),
        End(),
        Popup(IDS_POPUP_LANGUAGE),
            Item(ID_LANGUAGE_FIRST),
        End(),
    End(),
    Popup(IDS_POPUP_PARAMETERS),
        Item(ID_RESET),
        Sep(),
        Popup(IDS_POPUP_WHITE_BALANCE),
            Item(ID_WB_FIRST + 0), Item(ID_WB_FIRST + 1), Item(ID_WB_FIRST + 2), Item(ID_WB_FIRST + 3),
            Item(ID_WB_FIRST + 4), Item(ID_WB_FIRST + 5), Item(ID_WB_FIRST + 6), Item(ID_WB_FIRST + 7),
            Item(ID_WB_FIRST + 8), Item(ID_WB_FIRST + 9), Item(ID_WB_FIRST + 10), Item(ID_WB_FIRST + 11),
            Item(ID_WB_LAST),
            Sep(),
            Item(ID_WB_FINETUNE),
            Sep(),
            Item(ID_LOAD_SPOT_WB),
            Item(ID_SAVE_SPOT_WB),
            Item(ID_RECENT_WB_FIRST),
        End(),
        Popup(IDS_POPUP_SHARPNESS),
            Item(ID_SHARPNESS_HARD),
            Item(ID_SHARPNESS_NORMAL),
            Item(ID_SHARPNESS_SOFT),
            Item(ID_SHARPNESS_CUSTOM),
        End(),
        Popup(IDS_POPUP_ROTATION),
            Item(ID_ROTATE_NONE),
            Item(ID_ROTATE_RIGHT),
            Item(ID_ROTATE_LEFT),
        End(),
        Popup(IDS_POPUP_TONE),
            Item(ID_TONE_GAMMA),
            Item(ID_TONE_LOG),
        End(),
        Item(ID_VIVID_COLOR),
        Item(ID_GREEN_ENHANCER),
        Popup(IDS_POPUP_SR),
            Item(ID_EASY_SR),
        End(),
        Item(ID_NOISE_REDUCTION),
        Sep(),
        Popup(IDS_POPUP_TONE_CURVE),
            Item(ID_FREECURVE_ENABLE),
            Sep(),
            Item(ID_LOAD_TONE_CURVE),
            Item(ID_SAVE_TONE_CURVE_AS),
            Item(ID_RECENT_TC_FIRST),
        End(),
        Popup(IDS_POPUP_LENS),
            Item(ID_LENS_ENABLE),
            Item(ID_AUTO_CHROMATIC),
            Sep(),
            Item(ID_LOAD_LENS),
            Item(ID_SAVE_LENS_AS),
            Item(ID_RECENT_LC_FIRST),
        End(),
        Popup(IDS_POPUP_SELCOLOR),
            Item(ID_SELCOLOR_ENABLE),
            Sep(),
            Item(ID_LOAD_SELCOLOR),
            Item(ID_SAVE_SELCOLOR_AS),
            Item(ID_RECENT_SC_FIRST),
        End(),
        Sep(),
        Item(ID_USE_OLD_WB),
        Item(ID_USE_OLD_NR),
        Item(ID_USE_OLD_SATURATION),
    End(),
    Popup(IDS_POPUP_OUTPUT),
        Popup(IDS_POPUP_OUTPUT_FORMAT),
            Item(ID_FORMAT_PSD16),
            Item(ID_FORMAT_PSD8),
            Item(ID_FORMAT_TIFF16),
            Item(ID_FORMAT_TIFF8),
            Item(ID_FORMAT_JPEG),
        End(),
        Item(ID_JPEG_OPTION),
        Item(ID_INCREMENT_FILE_NUMBER),
        Popup(IDS_POPUP_OUTPUT_SIZE),
            Item(ID_SIZE_FULL),
            Item(ID_SIZE_9_16),
            Item(ID_SIZE_QUARTER),
            Item(ID_SIZE_PREVIEW),
        End(),
        Sep(),
        Popup(IDS_POPUP_COLOR_SPACE),
            Item(ID_ICC_SRGB),
            Item(ID_ICC_ADOBE),
            Item(ID_ICC_FINEPIX),
            Item(ID_ICC_WIDEGAMUT),
            Item(ID_RECENT_CP_FIRST),
            Sep(),
            Item(ID_OPEN_COLOR_PROFILE),
        End(),
        Popup(IDS_POPUP_COLOR_MANAGEMENT),
            Item(ID_DISPLAY_WINDOWS_CM),
            Item(ID_DISPLAY_SRGB),
            Item(ID_DISPLAY_ADOBE),
            Item(ID_DISPLAY_OTHER),
            Sep(),
            Item(ID_OPEN_DISPLAY_PROFILE),
        End(),
    End(),
    Popup(IDS_POPUP_TOOLS),
        Item(ID_TOOL_MAGNIFIER),
        Item(ID_TOOL_SPOT_WB),
        Item(ID_CROP_TOOL),
        Sep(),
        Item(ID_CROP_DESELECT),
        Item(ID_CROP_CENTRE),
        Item(ID_CROP_CENTRE_V),
        Item(ID_CROP_CENTRE_H),
        Sep(),
        Item(ID_CROP_SIZE_HALF),
        Item(ID_CROP_SIZE_2_3),
        Item(ID_CROP_SIZE_1_4),
        Item(ID_CROP_SIZE_1_3),
        Popup(IDS_POPUP_CROP_ASPECT),
            Item(ID_CROP_ASPECT_FIRST + 0), Item(ID_CROP_ASPECT_FIRST + 1), Item(ID_CROP_ASPECT_FIRST + 2),
            Item(ID_CROP_ASPECT_FIRST + 3), Item(ID_CROP_ASPECT_FIRST + 4), Item(ID_CROP_ASPECT_FIRST + 5),
            Item(ID_CROP_ASPECT_FIRST + 6), Item(ID_CROP_ASPECT_LAST),
        End(),
        Item(ID_CROP_LAST_FRAME),
        Sep(),
        Item(ID_CROP_LOAD),
        Item(ID_CROP_SAVE_AS),
        Item(ID_RECENT_CROP_FIRST),
    End(),
    Popup(IDS_POPUP_HELP),
        Item(ID_APP_ABOUT),
    End(),
};

// Menu 202: the grid menu of the toolbar's grid button.
constexpr MenuItem kGridMenu[] = {
    Popup(IDS_POPUP_GRID),
        Item(ID_GRID_OFF), Item(ID_GRID_2), Item(ID_GRID_3), Item(ID_GRID_4),
        Item(ID_GRID_8), Item(ID_GRID_12), Item(ID_GRID_16),
    End(),
};

// Menus 203 to 207: the palettes' "..." menus. Their recent entries appear
// from position 3, below load, save and the separator.
constexpr MenuItem kLensMenu[] = {
    Popup(IDS_POPUP_LENS), Item(ID_LOAD_LENS), Item(ID_SAVE_LENS_AS), Sep(), Item(ID_RECENT_LC_FIRST), End(),
};
constexpr MenuItem kParamsMenu[] = {
    Popup(IDS_POPUP_PARAMETERS), Item(ID_LOAD_PARAMS), Item(ID_SAVE_PARAMS_AS, IDS_ITEM_SAVE_PARAMS_AS_POPUP), Sep(), Item(ID_RECENT_PARAMS_FIRST), End(),
};
constexpr MenuItem kSelColorMenu[] = {
    Popup(IDS_POPUP_SELCOLOR), Item(ID_LOAD_SELCOLOR), Item(ID_SAVE_SELCOLOR_AS), Sep(), Item(ID_RECENT_SC_FIRST), End(),
};
constexpr MenuItem kToneCurveMenu[] = {
    Popup(IDS_POPUP_TONE_CURVE), Item(ID_LOAD_TONE_CURVE), Item(ID_SAVE_TONE_CURVE_AS), Sep(), Item(ID_RECENT_TC_FIRST), End(),
};
constexpr MenuItem kWhiteBalanceMenu[] = {
    Popup(IDS_POPUP_WHITE_BALANCE), Item(ID_LOAD_SPOT_WB), Item(ID_SAVE_SPOT_WB, IDS_ITEM_SAVE_SPOT_WB_POPUP), Sep(), Item(ID_RECENT_WB_FIRST), End(),
};

// Menus 305 to 307: the view's context menus (crop tool, spot white balance,
// magnifier tool).
constexpr MenuItem kCropContext[] = {
    Popup(IDS_POPUP_CONTEXT),
        Item(ID_TOOL_MAGNIFIER), Item(ID_TOOL_SPOT_WB), Item(ID_CROP_TOOL),
        Sep(),
        Item(ID_CROP_DESELECT), Item(ID_CROP_CENTRE), Item(ID_CROP_CENTRE_V), Item(ID_CROP_CENTRE_H),
        Sep(),
        Item(ID_CROP_SIZE_HALF), Item(ID_CROP_SIZE_2_3), Item(ID_CROP_SIZE_1_4), Item(ID_CROP_SIZE_1_3),
        Sep(),
        Item(ID_CROP_ASPECT_FIRST + 0), Item(ID_CROP_ASPECT_FIRST + 1), Item(ID_CROP_ASPECT_FIRST + 2),
        Item(ID_CROP_ASPECT_FIRST + 3), Item(ID_CROP_ASPECT_FIRST + 4), Item(ID_CROP_ASPECT_FIRST + 5),
        Item(ID_CROP_ASPECT_FIRST + 6), Item(ID_CROP_ASPECT_LAST),
        Sep(),
        Item(ID_CROP_LAST_FRAME), Item(ID_CROP_LOAD), Item(ID_CROP_SAVE_AS), Item(ID_RECENT_CROP_FIRST),
    End(),
};
constexpr MenuItem kWhiteBalanceContext[] = {
    Popup(IDS_POPUP_CONTEXT),
        Item(ID_TOOL_MAGNIFIER), Item(ID_TOOL_SPOT_WB), Item(ID_CROP_TOOL),
        Sep(),
        Item(ID_WB_FIRST + 0), Item(ID_WB_FIRST + 1), Item(ID_WB_FIRST + 2), Item(ID_WB_FIRST + 3),
        Item(ID_WB_FIRST + 4), Item(ID_WB_FIRST + 5), Item(ID_WB_FIRST + 6), Item(ID_WB_FIRST + 7),
        Item(ID_WB_FIRST + 8), Item(ID_WB_FIRST + 9), Item(ID_WB_FIRST + 10), Item(ID_WB_FIRST + 11),
        Item(ID_WB_LAST),
        Sep(),
        Item(ID_WB_FINETUNE), Item(ID_SAVE_SPOT_WB), Item(ID_LOAD_SPOT_WB), Item(ID_RECENT_WB_FIRST),
    End(),
};
constexpr MenuItem kMagnifierContext[] = {
    Popup(IDS_POPUP_CONTEXT),
        Item(ID_TOOL_MAGNIFIER), Item(ID_TOOL_SPOT_WB), Item(ID_CROP_TOOL),
        Sep(),
        Popup(IDS_POPUP_MAGNIFIER),
            Item(ID_MAGNIFIER_FLOAT), Sep(), Item(ID_MAGNIFIER_256), Item(ID_MAGNIFIER_512), Sep(),
            Item(ID_MAGNIFIER_ZOOM1), Item(ID_MAGNIFIER_ZOOM1 + 1), Item(ID_MAGNIFIER_ZOOM1 + 2),
            Item(ID_MAGNIFIER_ZOOM1 + 3), Item(ID_MAGNIFIER_ZOOM5),
        End(),
    End(),
};

template <size_t N>
constexpr MenuResource Menu(unsigned id, const MenuItem (&items)[N])
{
    return {id, items, N};
}

// Toolbar 200: the main toolbar.
constexpr unsigned kMainToolBar[] = {
    ID_FILE_OPEN, ID_FILE_SAVE, ID_SAVE_PARAMS, 0,
    ID_EDIT_COPY, ID_COPY_MAGNIFIER, 0,
    ID_TOOL_MAGNIFIER, ID_TOOL_SPOT_WB, ID_CROP_TOOL, 0,
    ID_BATCH_JOB, 0,
    ID_FORMAT_PSD16, ID_FORMAT_PSD8, ID_FORMAT_TIFF16, ID_FORMAT_TIFF8, ID_FORMAT_JPEG, 0,
    ID_INCREMENT_FILE_NUMBER, ID_JPEG_OPTION, ID_SIZE_FULL, ID_SIZE_9_16, ID_SIZE_QUARTER, ID_SIZE_PREVIEW, 0,
    ID_GRID_MENU, ID_CLIP_WARNING, ID_SELCOLOR_ENABLE, ID_LENS_ENABLE, ID_FREECURVE_ENABLE, 0,
    ID_APP_ABOUT,
};

// Toolbar 213: the palettes bar; captions from string 61717, one per button
// with the separator counted.
constexpr unsigned kPalettesBar[] = {
    ID_VIEW_PARAMS, ID_VIEW_HISTOGRAM, ID_VIEW_MAGNIFIER, ID_VIEW_CURVE, ID_VIEW_EXIF, ID_VIEW_FREECURVE,
    ID_VIEW_SELCOLOR, ID_VIEW_LENS, 0, ID_RESET_PALETTES, ID_HIDE_PALETTES, ID_FLOAT_PALETTES,
};

template <size_t N>
constexpr ToolBarResource ToolBar(unsigned id, const unsigned (&buttons)[N])
{
    return {id, buttons, N};
}

} // namespace

const MenuResource kMenuResources[] = {
    Menu(IDR_MAINFRAME, kMainMenu),
    Menu(IDR_GRID_MENU, kGridMenu),
    Menu(IDR_LENS_MENU, kLensMenu),
    Menu(IDR_PARAMS_MENU, kParamsMenu),
    Menu(IDR_SELCOLOR_MENU, kSelColorMenu),
    Menu(IDR_TONE_CURVE_MENU, kToneCurveMenu),
    Menu(IDR_WB_MENU, kWhiteBalanceMenu),
    Menu(IDR_CROP_CONTEXT, kCropContext),
    Menu(IDR_WB_CONTEXT, kWhiteBalanceContext),
    Menu(IDR_MAGNIFIER_CONTEXT, kMagnifierContext),
};
const size_t kMenuResourceCount = sizeof kMenuResources / sizeof kMenuResources[0];

const MenuResource* FindMenuResource(unsigned menuId)
{
    const MenuResource* end = kMenuResources + kMenuResourceCount;
    const MenuResource* found =
        std::find_if(kMenuResources, end, [menuId](const MenuResource& m) { return m.id == menuId; });
    return found != end ? found : nullptr;
}

unsigned MenuItemTextId(const MenuItem& item)
{
    if (item.textId != 0)
        return item.textId;
    return item.kind == MenuItemKind::Command ? MenuText(item.id) : 0;
}

std::optional<FileMenuInfo> ReadFileMenu(unsigned menuId)
{
    // The position of the recent entries in the popup.
    constexpr size_t kRecentPosition = 3;
    const MenuResource* resource = FindMenuResource(menuId);
    if (resource == nullptr)
        return std::nullopt;
    // The items of the first submenu, separators counted as positions.
    std::vector<unsigned> items;
    bool inPopup = false;
    for (size_t i = 0; i < resource->count; ++i) {
        const MenuItem& item = resource->items[i];
        if (!inPopup) {
            inPopup = item.kind == MenuItemKind::Popup;
            continue;
        }
        if (item.kind == MenuItemKind::End || item.kind == MenuItemKind::Popup)
            break;
        items.push_back(item.kind == MenuItemKind::Command ? item.id : 0);
    }
    if (items.size() < 2 || items[0] == 0 || items[1] == 0)
        return std::nullopt;
    FileMenuInfo info{};
    info.menuId = menuId;
    info.loadId = items[0];
    info.saveId = items[1];
    info.recentFirstId = items.size() > kRecentPosition ? items[kRecentPosition] : 0;
    return info;
}

const ToolBarResource kToolBarResources[] = {
    ToolBar(IDR_MAINFRAME, kMainToolBar),
    ToolBar(IDR_PALETTES_BAR, kPalettesBar),
};
const size_t kToolBarResourceCount = sizeof kToolBarResources / sizeof kToolBarResources[0];

const ToolBarResource* FindToolBarResource(unsigned toolBarId)
{
    const ToolBarResource* end = kToolBarResources + kToolBarResourceCount;
    const ToolBarResource* found =
        std::find_if(kToolBarResources, end, [toolBarId](const ToolBarResource& t) { return t.id == toolBarId; });
    return found != end ? found : nullptr;
}

const ToolButtonIcon kToolButtonIcons[] = {
    {ID_FILE_OPEN, "document-open", "open"},
    {ID_FILE_SAVE, "document-save", "save"},
    {ID_SAVE_PARAMS, "", "save-parameters"},
    {ID_EDIT_COPY, "edit-copy", "copy"},
    {ID_COPY_MAGNIFIER, "", "copy-magnifier"},
    {ID_TOOL_MAGNIFIER, "", "magnifier-pointer"},
    {ID_TOOL_SPOT_WB, "", "spot-white-balance"},
    {ID_CROP_TOOL, "", "crop"},
    {ID_BATCH_JOB, "", "batch"},
    {ID_FORMAT_PSD16, "", "psd16"},
    {ID_FORMAT_PSD8, "", "psd8"},
    {ID_FORMAT_TIFF16, "", "tiff16"},
    {ID_FORMAT_TIFF8, "", "tiff8"},
    {ID_FORMAT_JPEG, "", "jpeg"},
    {ID_INCREMENT_FILE_NUMBER, "", "increment-file-number"},
    {ID_JPEG_OPTION, "", "jpeg-options"},
    {ID_SIZE_FULL, "", "size-full"},
    {ID_SIZE_9_16, "", "size-9-16"},
    {ID_SIZE_QUARTER, "", "size-quarter"},
    {ID_SIZE_PREVIEW, "", "size-preview"},
    {ID_GRID_MENU, "", "grid-menu"},
    {ID_CLIP_WARNING, "", "clip-warning"},
    {ID_SELCOLOR_ENABLE, "", "selective-colors"},
    {ID_LENS_ENABLE, "", "lens-correction"},
    {ID_FREECURVE_ENABLE, "", "free-curve"},
    {ID_APP_ABOUT, "help-about", "about"},
};
const size_t kToolButtonIconCount = sizeof kToolButtonIcons / sizeof kToolButtonIcons[0];

const ToolButtonIcon* FindToolButtonIcon(unsigned id)
{
    for (const ToolButtonIcon& icon : kToolButtonIcons)
        if (icon.id == id)
            return &icon;
    return nullptr;
}

const Accelerator kAccelerators[] = {
    {"Ctrl+O", ID_FILE_OPEN},
    {"Ctrl+S", ID_FILE_SAVE},
    {"Ctrl+Shift+S", ID_FILE_SAVE_AS},
    {"Ctrl+C", ID_EDIT_COPY},
    {"Ctrl+Ins", ID_EDIT_COPY},
    {"Ctrl+Shift+C", ID_COPY_MAGNIFIER},
    {"Ctrl+R", ID_RESET},
    {"Ctrl+Shift+R", ID_NEUTRAL_RESET},
};
const size_t kAcceleratorCount = sizeof kAccelerators / sizeof kAccelerators[0];

} // namespace velmo
