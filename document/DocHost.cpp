#include "document/DocHost.h"

namespace velmo {

CDocHost& HeadlessHost()
{
    static CDocHost host;
    return host;
}

} // namespace velmo
