// The menu and toolbar commands that stand for a value of the document's
// commands: a turn, an output size, a display choice. The one place where
// these command ids meet the values; the document takes the values only.
#pragma once

#include "develop/colour/ColorManagement.h"
#include "document/DocValues.h"

#include <optional>

namespace velmo {

// The value a command stands for; none for a command that stands for none.
std::optional<Rotation> RotationOfCommand(unsigned id);
std::optional<OutputScale> OutputScaleOfCommand(unsigned id);
// The display's "Windows colour management" item and the first profile
// item both stand for GuiConverts.
std::optional<DisplayChoice> DisplayChoiceOfCommand(unsigned id);

} // namespace velmo
