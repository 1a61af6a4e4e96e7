#include "document/BatchConvert.h"

#include "develop/colour/ColorManagement.h"
#include "document/VelmoDoc.h"
#include "platform/core/MessageBox.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace velmo {

namespace fs = std::filesystem;

namespace {

bool IsRegularFile(const fs::path& p)
{
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Keeps the messages a file gives instead of showing them: the run goes on,
// and the last one explains a failed file.
class FileMessages final : public IMessageBoxHost {
public:
    int Show(const std::string& text, unsigned type) override
    {
        last = text;
        const unsigned buttons = type & 0xF;
        return (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? IDYES : IDOK;
    }
    std::string last;
};

} // namespace

std::string BatchOutputPath(const std::string& outputDir, const std::string& input)
{
    if (outputDir.empty())
        return input;
    const fs::path name = fs::path(input).filename();
    std::string dir = outputDir;
    // One separator between the folder and the name, whatever the folder ends in.
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    if (dir == "/")
        return dir + name.string();
    return dir + "/" + name.string();
}

std::string FindBatchParameterFile(const std::string& input)
{
    const fs::path in(input);
    const std::string name = in.filename().string();
    // A name of three characters or less has nothing to replace.
    if (name.size() <= 3)
        return {};
    const fs::path exact = in.parent_path() / (name.substr(0, name.size() - 3) + "VMR");
    if (IsRegularFile(exact))
        return exact.string();
    const std::string wanted = exact.filename().string();
    const fs::path folder = in.parent_path().empty() ? fs::path(".") : in.parent_path();
    std::error_code ec;
    std::vector<std::string> matches;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string candidate = it->path().filename().string();
        if (EqualNoCase(candidate, wanted) && IsRegularFile(it->path()))
            matches.push_back(candidate);
    }
    if (matches.empty())
        return {};
    // Several spellings: the same one every time.
    std::sort(matches.begin(), matches.end());
    return (in.parent_path() / matches.front()).string();
}

bool SameFilePath(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return false;
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) {
        const bool same = fs::equivalent(a, b, ec);
        if (!ec)
            return same;
    }
    const fs::path na = fs::absolute(a, ec).lexically_normal();
    const fs::path nb = fs::absolute(b, ec).lexically_normal();
    return na == nb;
}

BatchOutcome ConvertBatchFile(CVelmoDoc& doc, const std::string& input, const BatchOptions& options,
                              const std::atomic<int>& stop)
{
    bool opened = false;
    if (options.useParams) {
        const std::string params = FindBatchParameterFile(input);
        if (!params.empty()) {
            // File New, then the parameter file, which opens the image it was
            // saved for: kept only when that is the input.
            doc.DeleteContents();
            doc.OnOpenDocument(params);
            opened = doc.HasImage() && SameFilePath(doc.SourcePath(), input);
        }
    } else {
        opened = doc.OnOpenDocument(input);
    }
    if (stop.load() != 0)
        return BatchOutcome::Aborted;
    if (!opened)
        return BatchOutcome::Failed;

    const int rotateAsOpened = doc.Edit().Params().rotate;
    if (options.overrideSharpness)
        doc.SetSharpnessLevel(options.sharpness, false);
    if (options.overrideRotation)
        doc.SetRotation(options.rotation);
    if (options.overrideWhiteBalance)
        doc.SetWhiteBalance(options.whiteBalance, 1, -1);
    // The crop follows this file's image and turn, as a window showing it would set it.
    if (options.crop) {
        // Nothing of the previous file's crop enters this one's sizes.
        doc.SetCrop({}, {});
        const BatchCrop crop = options.crop(doc, rotateAsOpened);
        doc.SetCrop(crop.units, crop.image);
    }
    const bool saved = doc.OnSaveDocument(BatchOutputPath(options.outputDir, input));
    if (!saved && stop.load() != 0)
        return BatchOutcome::Aborted;
    return saved ? BatchOutcome::Done : BatchOutcome::Failed;
}

void TakeBatchSettings(const CVelmoDoc& from, CVelmoDoc& to)
{
    to.SetOutputOptions(from.Output());
    to.SetIncrementFileNumber(from.IncrementFileNumber());
    const EditState& src = from.Edit();
    EditState& dst = to.Edit();
    for (SwitchId id : {SwitchId::CheckPrv, SwitchId::CheckMGN, SwitchId::UseOldUI, SwitchId::UseRafWB,
                        SwitchId::UseOldNR, SwitchId::UseHLS, SwitchId::MagnifierSize, SwitchId::Grid})
        dst.SetSwitch(id, src.Switch(id));
    dst.SetFreeCurve(src.FreeCurve());
    dst.SetLens(src.Lens());
    dst.SetSelectiveColors(src.SelectiveColors());
    for (FeatureKind kind : {FeatureKind::LensCorrection, FeatureKind::SelectiveColors, FeatureKind::FreeCurve})
        dst.SetFeature(kind, src.FeatureOn(kind));
    if (const IccBytes user = from.Colors().Profiles().Slot(kUserIccSlot))
        to.Colors().Profiles().SetUserProfile(*user);
}

// The batch document's view of the program: no window of its own; its
// progress goes to the runner's events (the run's window shows it).
class BatchRunner::Host final : public CDocHost {
public:
    bool HasMainWindow() const override { return true; }
    // It converts files and shows no picture: no screen-sized preview maps.
    bool ShowsFullPreview() const override { return false; }
    // What a run overrides stays in its document.
    bool KeepsSettings() const override { return false; }
    IProgress& LoadProgress() override { return channel; }

    std::function<void(int, const std::string&)> progress;

private:
    class Channel final : public IProgress {
    public:
        explicit Channel(Host& h) : host(h) {}
        int Report(int percent, const char* label) override
        {
            // Only changes go out: the passes report far more often than a
            // window can show.
            const std::string text = label != nullptr ? label : "";
            if (host.progress && (percent != lastPercent || text != lastLabel)) {
                lastPercent = percent;
                lastLabel = text;
                host.progress(percent, text);
            }
            return 0;
        }

    private:
        Host& host;
        int lastPercent = -100;
        std::string lastLabel;
    } channel{*this};
};

BatchRunner::BatchRunner() = default;

BatchRunner::~BatchRunner()
{
    Abort();
    Wait();
}

bool BatchRunner::Start(CVelmoDoc& from, std::vector<std::string> inputs, const BatchOptions& options,
                        Events events)
{
    if (running.load())
        return false;
    Wait();
    from.SaveParameterRecord();
    // A fresh document per run, made and destroyed on the caller's thread.
    doc.reset();
    host = std::make_unique<Host>();
    doc = std::make_unique<CVelmoDoc>(host.get());
    // Its background preview would only compete for the cores.
    doc->SetDialogPause(true);
    TakeBatchSettings(from, *doc);
    host->progress = events.progress;
    stop.store(0);
    running.store(true);
    thread = std::thread(&BatchRunner::Run, this, std::move(inputs), options, std::move(events));
    return true;
}

void BatchRunner::Abort()
{
    stop.store(1);
    if (CVelmoDoc* d = doc.get())
        d->RequestStop(true);
}

void BatchRunner::Wait()
{
    if (thread.joinable())
        thread.join();
}

void BatchRunner::Run(std::vector<std::string> inputs, BatchOptions options, Events events)
{
    doc->RequestStop(stop.load() != 0);
    bool aborted = false;
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (stop.load() != 0) {
            aborted = true;
            break;
        }
        if (events.fileStarted)
            events.fileStarted(i, inputs[i]);
        FileMessages messages;
        BatchOutcome outcome;
        {
            const ScopedThreadMessageHost scope(&messages);
            outcome = ConvertBatchFile(*doc, inputs[i], options, stop);
        }
        if (outcome == BatchOutcome::Aborted) {
            aborted = true;
            break;
        }
        if (events.fileFinished)
            events.fileFinished({inputs[i], outcome, messages.last});
        if (stop.load() != 0 && i + 1 < inputs.size()) {
            aborted = true;
            break;
        }
    }
    doc->StopWorker();
    running.store(false);
    if (events.finished)
        events.finished(aborted);
}

} // namespace velmo
