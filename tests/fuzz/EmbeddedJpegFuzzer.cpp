// Fuzzes the embedded JPEG of a RAF file: the input takes the place of the
// JPEG in a small file (the directory follows it), whose header then holds
// the start of the input as its Exif block. The open parses that Exif block
// and decodes the JPEG for the as-shot white balance; the outputs copy the
// Exif block from the header, so the preview is saved too (in one format per
// input, each run reaching all five).
#include "support/RafBuilder.h"
#include "tests/fuzz/FuzzPipeline.h"

#include <cstddef>
#include <cstdint>

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v >> 24);
    b[at + 1] = uint8_t(v >> 16);
    b[at + 2] = uint8_t(v >> 8);
    b[at + 3] = uint8_t(v);
}

uint32_t Get32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | uint32_t(b[at + 3]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    static fuzz::Counters counters{"EmbeddedJpegFuzzer"};
    static const fuzz::Scratch scratch;
    static test::RafLayout layout;
    static const std::vector<uint8_t> file = [] {
        test::RafFileSpec recipe;
        recipe.model = "FinePix S5600";
        recipe.rawRows = 16;
        return test::BuildRaf(recipe, &layout);
    }();
    fuzz::SetUpProcess();
    ++counters.inputs;
    if (size > (1u << 20))
        return 0;

    // The input in place of the JPEG; what follows it moves by the difference.
    std::vector<uint8_t> bytes(file.begin(), file.begin() + std::ptrdiff_t(layout.jpegOffset));
    bytes.insert(bytes.end(), data, data + size);
    bytes.insert(bytes.end(), file.begin() + std::ptrdiff_t(layout.jpegOffset + layout.jpegLength), file.end());
    const int64_t delta = int64_t(size) - int64_t(layout.jpegLength);
    Put32(bytes, 0x58, uint32_t(size));
    for (size_t entry : {size_t(0x5C), size_t(0x64), size_t(0x80)})
        if (Get32(file, entry) > layout.jpegOffset)
            Put32(bytes, entry, uint32_t(int64_t(Get32(file, entry)) + delta));

    static CVelmoDoc doc; // one for the run, as in the program: each load starts afresh
    // One format per input, from its size: each run reaches all five.
    fuzz::OpenDevelopAndWrite(doc, scratch, counters, bytes.data(), bytes.size(), int(size % 5));
    return 0;
}
