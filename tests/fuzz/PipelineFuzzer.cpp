// Fuzzes the whole pipeline on small frames: a RAF file is opened by the
// document (container, unpacking, placement, demosaicing, the load previews
// and the as-shot estimate), its 512 x 384 preview developed, and the
// preview saved in one of the formats (each run reaches all of them). Files
// whose frames the header makes larger than the camera's are left out.
#include "raw/BufferedFile.h"
#include "raw/RafContainer.h"
#include "raw/WhiteBalanceData.h"
#include "tests/fuzz/FuzzPipeline.h"

#include <cstddef>
#include <cstdint>

namespace {

// The frames of the whole S5Pro layouts are about 3 million pixels; the
// others are kept far smaller.
constexpr uint64_t kMaxFramePixels = 3200000;
constexpr uint64_t kMaxUnpackedBytes = 32ull << 20;

bool SmallEnough(const uint8_t* data, size_t size)
{
    using namespace velmo;
    CBufferedFile file;
    if (!file.OpenMemory(data, size))
        return false;
    RafContainer raf;
    RafReadOptions options;
    options.familyTable = [](int family) { return &NormalizedFamilyTables()[FamilyTableIndex(family)]; };
    if (!ReadRafHeader(file, raf, options) || !raf.model)
        return true; // refused at once by the open too
    const uint64_t rows = uint64_t(std::max(0, raf.model->Height(raf.cfaDataLength)));
    const uint64_t columns = uint64_t(std::max(0, raf.model->Width()));
    return rows * columns <= kMaxFramePixels && (!raf.compressed || raf.cfaDataLength <= kMaxUnpackedBytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    static fuzz::Counters counters{"PipelineFuzzer"};
    static const fuzz::Scratch scratch;
    fuzz::SetUpProcess();
    ++counters.inputs;
    if (!SmallEnough(data, size))
        return 0;
    static CVelmoDoc doc; // one for the run, as in the program: each load starts afresh
    // One format per input, from its size: each run reaches all five.
    fuzz::OpenDevelopAndWrite(doc, scratch, counters, data, size, int(size % 5));
    return 0;
}
