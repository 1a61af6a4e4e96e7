// Fuzzes ICC profile files: opened as the user profile (the output colour
// space, embedded in every output) and set as the display profile that
// LittleCMS converts the preview to; an accepted profile is used for a
// preview and saved into each format.
#include "develop/colour/ColorManagement.h"
#include "params/ParamFields.h"
#include "tests/fuzz/FuzzPipeline.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    static fuzz::Counters counters{"IccProfileFuzzer"};
    static const fuzz::Scratch scratch;
    static const fuzz::Scratch imageDir("image");
    static CVelmoDoc doc;
    static const fuzz::EditSnapshot loaded = fuzz::OpenSmallImage(doc, imageDir, "FinePix S7000");
    fuzz::QuietMessages& messages = fuzz::SetUpProcess();
    ++counters.inputs;
    if (!doc.HasImage())
        return 0;
    const std::string path = scratch.File("profile.icc");
    if (!scratch.Write(path, data, size))
        return 0;
    loaded.Restore(doc.Edit());
    doc.Colors().Profiles().ClearUserProfile();
    doc.OnDisplayChoice(DisplayChoice::GuiConverts);
    const long before = messages.shown;
    doc.OnOpenDocument(path);
    const bool user = doc.Colors().Profiles().HasUserProfile();
    const bool display =
        doc.Colors().SetDisplayProfile(std::vector<uint8_t>(data, data + size)) == ProfileStatus::Accepted;
    if (user || display) {
        ++counters.accepted;
        if (display)
            doc.OnDisplayChoice(DisplayChoice::DisplayProfileFile);
        // The user profile is the output colour space: written into every format.
        fuzz::DevelopAndWriteAll(doc, scratch, counters, user ? std::vector<int>{0, 1, 2, 3, 4} : std::vector<int>{});
    }
    counters.messages += messages.shown - before;
    scratch.Clear();
    return 0;
}
