#include "res/StringMessage.h"

#include "res/StringTable.h"

namespace velmo {

int ShowMessageId(unsigned stringId, unsigned type)
{
    return ShowMessage(LoadString(stringId), type);
}

} // namespace velmo
