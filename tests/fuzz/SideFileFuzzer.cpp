// Fuzzes the parameter file (.VMR) and the feature files (.VMT tone curve,
// .VMC selective colours, .VML lens correction, .VMW white balance) as the
// open routine applies them to a document with an image, then develops the
// preview with what they set and saves it. The first byte of an input picks
// the kind (and, above, the output format); the rest is the file.
#include "tests/fuzz/FuzzPipeline.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    static fuzz::Counters counters{"SideFileFuzzer"};
    static const fuzz::Scratch scratch;
    static const fuzz::Scratch imageDir("image");
    static fuzz::CountingHost host;
    static CVelmoDoc doc(&host);
    static const fuzz::EditSnapshot loaded = fuzz::OpenSmallImage(doc, imageDir, "FinePix S5600");
    fuzz::QuietMessages& messages = fuzz::SetUpProcess();
    ++counters.inputs;
    if (size < 1 || !doc.HasImage())
        return 0;
    static const char* const kKinds[] = {".VMR", ".VMT", ".VMC", ".VML", ".VMW"};
    const std::string path = scratch.File(std::string("side") + kKinds[data[0] % 5]);
    if (!scratch.Write(path, data + 1, size - 1))
        return 0;
    loaded.Restore(doc.Edit());
    const long before = messages.shown;
    const long applied = host.applied;
    doc.OnOpenDocument(path);
    counters.accepted += host.applied - applied;
    // The output format from the kind byte's upper part.
    fuzz::DevelopAndWriteAll(doc, scratch, counters, {(data[0] / 5) % 5});
    counters.messages += messages.shown - before;
    scratch.Clear();
    return 0;
}
