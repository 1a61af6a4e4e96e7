#include "params/FreeCurveStore.h"

#include "document/DocHost.h"

namespace velmo {

bool IsValid(const OutputOptions& o)
{
    return o.format >= 0 && o.format <= 4 && o.jpegQuality >= 1 && o.jpegQuality <= 100 &&
           (o.jpegProgressive == 0 || o.jpegProgressive == 1) && (o.sizeMode & 7) <= 3 &&
           (o.sizeMode & ~15) == 0;
}

FreeCurveStore& FreeCurves()
{
    static FreeCurveStore store{};
    return store;
}

FeatureFlags& Features()
{
    static FeatureFlags flags;
    return flags;
}

CDocHost& HeadlessHost()
{
    static CDocHost host;
    return host;
}

} // namespace velmo
