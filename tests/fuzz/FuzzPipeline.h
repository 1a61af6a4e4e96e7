// Shared by the fuzz targets that run the document: a scratch directory on a
// memory file system for the inputs and the outputs, a document per input
// with the defaults and one thread, and the counters each target prints when
// it ends, which show how far its inputs reach (up to the writers).
#pragma once

#include "develop/output/SaveDocument.h"
#include "document/DocHost.h"
#include "document/VelmoDoc.h"
#include "params/EditState.h"
#include "platform/core/MessageBox.h"
#include "platform/core/ParallelRows.h"
#include "platform/core/SettingsStore.h"
#include "tests/support/RafBuilder.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace velmo::fuzz {

// Messages are counted, not printed.
class QuietMessages final : public IMessageBoxHost {
public:
    int Show(const std::string&, unsigned type) override
    {
        ++shown;
        return (type & 0xF) == MB_YESNO || (type & 0xF) == MB_YESNOCANCEL ? IDYES : IDOK;
    }
    long shown = 0;
};

// The document adds a side file to a recent list only once it applied it.
class CountingHost final : public CDocHost {
public:
    void AddToRecentList(RecentListKind, const std::string&) override { ++applied; }
    long applied = 0;
};

inline const char* const kFormatNames[5] = {"psd16", "psd8", "tiff16", "tiff8", "jpeg"};

// How far the inputs got; printed at exit.
struct Counters {
    const char* target = "";
    long inputs = 0;
    long accepted = 0;  // the file was taken (a RAW loaded, a side file applied)
    long developed = 0; // a preview was developed afterwards
    std::array<long, 5> written{}; // outputs written, by format
    long messages = 0;

    ~Counters()
    {
        std::fprintf(stderr, "%s: %ld inputs, %ld accepted, %ld developed, written:", target, inputs, accepted,
                     developed);
        for (int f = 0; f < 5; ++f)
            std::fprintf(stderr, " %s %ld", kFormatNames[f], written[size_t(f)]);
        std::fprintf(stderr, "; %ld messages\n", messages);
    }
};

// A directory of this process on a memory file system (/dev/shm when there
// is one), emptied after each input.
class Scratch {
public:
    explicit Scratch(const std::string& name = "io")
    {
        std::error_code ec;
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
        dir = (base / ("velmo-fuzz-" + std::to_string(::getpid()) + "-" + name)).string();
        std::filesystem::create_directories(dir, ec);
    }
    ~Scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string File(const std::string& name) const { return dir + "/" + name; }
    bool Write(const std::string& path, const uint8_t* data, size_t size) const
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
        return bool(out);
    }
    void Clear() const
    {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(dir, ec))
            std::filesystem::remove(e.path(), ec);
    }

    std::string dir;
};

// Once per process: the defaults instead of the user's settings, one thread
// (the same bytes as all cores, and steadier runs), messages counted.
inline QuietMessages& SetUpProcess()
{
    static QuietMessages messages;
    static const bool once = [] {
        InstallSettings(std::make_shared<MemorySettingsStore>());
        SetWorkerThreads(1);
        InstallMessageBoxHost(&messages);
        return true;
    }();
    (void)once;
    return messages;
}

// What an input may change of a document's edit state, to put back before
// the next input (one document serves a whole run, as in the program: making
// one per input would take most of the time).
class EditSnapshot {
public:
    explicit EditSnapshot(const EditState& edit)
        : params(edit.Params()), curve(edit.FreeCurve()), lens(edit.Lens()), colors(edit.SelectiveColors()),
          switches(edit.Switches())
    {
        for (FeatureKind kind : kKinds)
            features.push_back(edit.FeatureOn(kind));
    }
    void Restore(EditState& edit) const
    {
        for (size_t i = 0; i < kSwitchCount; ++i)
            edit.SetSwitch(SwitchId(i), switches.Get(SwitchId(i)));
        edit.SetParams(params);
        edit.SetFreeCurve(curve);
        edit.SetLens(lens);
        edit.SetSelectiveColors(colors);
        for (size_t i = 0; i < features.size(); ++i)
            edit.SetFeature(kKinds[i], features[i]);
    }

private:
    static constexpr FeatureKind kKinds[3] = {FeatureKind::FreeCurve, FeatureKind::SelectiveColors,
                                              FeatureKind::LensCorrection};
    DevParams params;
    FreeCurveStore curve;
    LensCorrectionSettings lens;
    SelectiveColorTable colors;
    GlobalSwitches switches;
    std::vector<bool> features;
};

// Writes a small builder file of the camera `model` into `dir` and opens it
// in `doc`, once per process; returns the edit state it opened with, which
// each input's changes are undone to.
inline EditSnapshot OpenSmallImage(CVelmoDoc& doc, const Scratch& dir, const std::string& model)
{
    SetUpProcess();
    test::RafFileSpec recipe;
    recipe.model = model;
    recipe.rawRows = 24;
    const std::string imagePath = dir.File("image.RAF");
    test::WriteRaf(imagePath, recipe);
    doc.OnOpenDocument(imagePath);
    return EditSnapshot(doc.Edit());
}

// Develops the 512 x 384 preview of the document's image and saves it in
// each format (preview size: the same picture the view shows), counting what
// was written. Returns whether a preview was developed.
inline bool DevelopAndWriteAll(CVelmoDoc& doc, const Scratch& scratch, Counters& counters,
                               const std::vector<int>& formats = {0, 1, 2, 3, 4})
{
    if (!doc.HasImage())
        return false;
    doc.StopWorker();
    doc.SetSizeMode((doc.Output().sizeMode & 8) | 3);
    doc.SetIncrementFileNumber(false);
    std::vector<uint8_t> bits(size_t(CVelmoDoc::kPreviewWidth) * CVelmoDoc::kPreviewHeight * 3);
    doc.DevelopPreview(bits.data());
    doc.StopWorker();
    ++counters.developed;
    for (int format : formats) {
        doc.SetOutputFormat(OutputFormat(format));
        if (doc.OnSaveDocument(scratch.File("out.RAF")))
            ++counters.written[size_t(format)];
    }
    return true;
}

// Writes `bytes` as a RAF file and opens it in `doc`; an accepted file's
// preview is developed and saved in `format`. Counts what happened and
// empties the scratch directory for the next input.
inline void OpenDevelopAndWrite(CVelmoDoc& doc, const Scratch& scratch, Counters& counters, const uint8_t* bytes,
                                size_t size, int format)
{
    const std::string path = scratch.File("in.RAF");
    if (!scratch.Write(path, bytes, size))
        return;
    QuietMessages& messages = SetUpProcess();
    const long before = messages.shown;
    if (doc.OnOpenDocument(path)) {
        ++counters.accepted;
        DevelopAndWriteAll(doc, scratch, counters, {format});
    }
    counters.messages += messages.shown - before;
    scratch.Clear();
}

} // namespace velmo::fuzz
