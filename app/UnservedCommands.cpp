#include "app/UnservedCommands.h"

#include "res/ResourceIds.h"

namespace velmo {

const CommandIdRange kDeclaredDisabledCommands[] = {
    // Document: parameters, white balance, tone, features (with the palettes).
    {ID_VIVID_COLOR, ID_GREEN_ENHANCER},
    {ID_LENS_ENABLE, ID_LENS_ENABLE},
    {ID_SELCOLOR_ENABLE, ID_SELCOLOR_ENABLE},
    {ID_WB_FINETUNE, ID_EASY_SR},
    {ID_NOISE_REDUCTION, ID_NOISE_REDUCTION},
    {ID_TONE_GAMMA, ID_TONE_LOG},
    {ID_AUTO_CHROMATIC, ID_AUTO_CHROMATIC},
    {ID_DISPLAY_WINDOWS_CM, ID_OPEN_DISPLAY_PROFILE},
    {ID_COPY_EXIF, ID_COPY_MAGNIFIER},
    {ID_BATCH_JOB, ID_BATCH_JOB},
    {ID_LOAD_LENS, ID_LOAD_LENS},
    {ID_SAVE_LENS_AS, ID_SAVE_LENS_AS},
    {ID_LOAD_PARAMS, ID_LOAD_PARAMS},
    {ID_SAVE_PARAMS, ID_SAVE_PARAMS_AS},
    {ID_LOAD_SELCOLOR, ID_LOAD_SELCOLOR},
    {ID_SAVE_SELCOLOR_AS, ID_LOAD_SPOT_WB},
    {ID_SAVE_SPOT_WB, ID_SAVE_SPOT_WB},
    {ID_LOAD_TONE_CURVE, ID_SAVE_TONE_CURVE_AS},
    {ID_FORMAT_PSD16, ID_JPEG_OPTION},
    {ID_SIZE_FULL, ID_SIZE_PREVIEW},
    {ID_INCREMENT_FILE_NUMBER, ID_INCREMENT_FILE_NUMBER},
    {ID_NEUTRAL_RESET, ID_ROTATE_LEFT},
    {ID_SHARPNESS_HARD, ID_SHARPNESS_CUSTOM},
    {ID_MAGNIFIER_FLOAT, ID_MAGNIFIER_ZOOM5},
    {ID_WB_FIRST, ID_WB_LAST},
    {ID_ICC_SRGB, ID_ICC_WIDEGAMUT},
    {ID_CLIP_WARNING, ID_CLIP_WARNING},
    {ID_USE_OLD_WB, ID_USE_OLD_WB},
    {ID_OPEN_COLOR_PROFILE, ID_USE_OLD_NR},
    {ID_FILE_SAVE, ID_FILE_SAVE_AS},
};
const size_t kDeclaredDisabledCommandCount = sizeof kDeclaredDisabledCommands / sizeof kDeclaredDisabledCommands[0];

bool IsDeclaredDisabled(unsigned id)
{
    for (const CommandIdRange& r : kDeclaredDisabledCommands)
        if (id >= r.first && id <= r.last)
            return true;
    return false;
}

} // namespace velmo
