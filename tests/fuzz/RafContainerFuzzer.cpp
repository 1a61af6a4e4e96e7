// Fuzzes the RAF container steps over a whole file held in memory: header,
// Exif block, CFA header records, and the raw data with its unpacking.
#include "raw/BufferedFile.h"
#include "raw/RafContainer.h"
#include "raw/WhiteBalanceData.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    CBufferedFile file;
    if (!file.OpenMemory(data, size))
        return 0;
    RafContainer raf;
    RafWhiteBalancePresets presets;
    RafReadOptions options;
    options.familyTable = [](int family) { return &NormalizedFamilyTables()[FamilyTableIndex(family)]; };
    if (!ReadRafContainer(file, raf, presets, options))
        return 0;
    if (!OpenRawData(file, raf))
        return 0;
    uint8_t row[4096];
    while (file.Read(row, sizeof row) == sizeof row) {
    }
    if (raf.compressed && OpenSecondFrameBlock(file, raf))
        while (file.Read(row, sizeof row) == sizeof row) {
        }
    return 0;
}
