// Fuzzes ParseExif over a buffer as the RAF reader gives it (up to the
// 4096-byte header), with a family white-balance table, and the digest of
// the lines it produces.
#include "exif/ExifDigest.h"
#include "exif/ExifParser.h"
#include "raw/WhiteBalanceData.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    // An exact copy, so that any read past the given length is caught.
    std::vector<uint8_t> buffer(data, data + size);
    ExifTextLines lines;
    ExifTagIndex index;
    ExifCameraValues camera;
    index.focalLengthFactor = 1.5f;
    const int family = size > 0 ? data[0] % 10 : 0;
    ParseExif(buffer, lines, index, camera, &NormalizedFamilyTables()[FamilyTableIndex(family)]);
    static const std::vector<std::string> names = SplitDigestNames(kDefaultDigestNames);
    ExifDigest(&lines, false, names);
    return 0;
}
