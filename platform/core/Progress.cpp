#include "platform/core/Progress.h"

#include <cstdio>

namespace velmo {

NullProgress& NoProgress()
{
    static NullProgress none;
    return none;
}

std::string FormatProgressText(const char* label, int percent)
{
    char text[256];
    std::snprintf(text, sizeof text, "%s %02d%%", label ? label : "", percent);
    return text;
}

} // namespace velmo
