#include "params/OutputOptions.h"

namespace velmo {

bool IsValid(const OutputOptions& o)
{
    return o.format >= 0 && o.format <= 4 && o.jpegQuality >= 1 && o.jpegQuality <= 100 &&
           (o.jpegProgressive == 0 || o.jpegProgressive == 1) && (o.sizeMode & 7) <= 3 &&
           (o.sizeMode & ~15) == 0;
}

} // namespace velmo
