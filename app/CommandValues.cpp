#include "app/CommandValues.h"

#include "res/ResourceIds.h"

namespace velmo {

namespace {

template <class Value>
struct CommandValue {
    unsigned id;
    Value value;
};

constexpr CommandValue<Rotation> kRotations[] = {
    {ID_ROTATE_NONE, Rotation::None},
    {ID_ROTATE_RIGHT, Rotation::Right},
    {ID_ROTATE_LEFT, Rotation::Left},
};

constexpr CommandValue<OutputScale> kOutputScales[] = {
    {ID_SIZE_FULL, OutputScale::Full},
    {ID_SIZE_9_16, OutputScale::NineSixteenths},
    {ID_SIZE_QUARTER, OutputScale::Quarter},
    {ID_SIZE_PREVIEW, OutputScale::Preview},
};

constexpr CommandValue<DisplayChoice> kDisplayChoices[] = {
    {ID_DISPLAY_WINDOWS_CM, DisplayChoice::GuiConverts},
    {ID_DISPLAY_PROFILE_FIRST, DisplayChoice::GuiConverts},
    {ID_DISPLAY_SRGB, DisplayChoice::Srgb},
    {ID_DISPLAY_ADOBE, DisplayChoice::AdobeRgb},
    {ID_DISPLAY_FINEPIX, DisplayChoice::FinePixRgb},
    {ID_DISPLAY_WIDEGAMUT, DisplayChoice::WideGamutRgb},
    {ID_DISPLAY_OTHER, DisplayChoice::DisplayProfileFile},
};

template <class Value, size_t N>
std::optional<Value> Find(const CommandValue<Value> (&table)[N], unsigned id)
{
    for (const CommandValue<Value>& row : table)
        if (row.id == id)
            return row.value;
    return std::nullopt;
}

} // namespace

std::optional<Rotation> RotationOfCommand(unsigned id)
{
    return Find(kRotations, id);
}

std::optional<OutputScale> OutputScaleOfCommand(unsigned id)
{
    return Find(kOutputScales, id);
}

std::optional<DisplayChoice> DisplayChoiceOfCommand(unsigned id)
{
    return Find(kDisplayChoices, id);
}

} // namespace velmo
