// Menu and toolbar commands that are declared disabled: their handlers
// belong to the document, the view and the palettes and come with them.
// Until a target on the route serves one, its item shows greyed. The
// resource check in the tests requires every menu and toolbar command to
// have a handler or to stand here.
#pragma once

#include <cstddef>

namespace velmo {

struct CommandIdRange {
    unsigned first;
    unsigned last;
};

extern const CommandIdRange kDeclaredDisabledCommands[];
extern const size_t kDeclaredDisabledCommandCount;

bool IsDeclaredDisabled(unsigned id);

} // namespace velmo
