#include "params/FreeCurveStore.h"

namespace velmo {

FreeCurveStore& FreeCurves()
{
    static FreeCurveStore store{};
    return store;
}

} // namespace velmo
