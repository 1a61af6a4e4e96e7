#include "platform/core/Progress.h"

namespace velmo {

NullProgress& NoProgress()
{
    static NullProgress none;
    return none;
}

} // namespace velmo
