// Batch conversion: a list of RAW files opened one after the other (each
// through its parameter file on request), optionally overridden in
// sharpness, rotation and white balance, and saved with the document's own
// save routine into the input's folder or an output folder.
//
// ConvertBatchFile does one file on a document of the caller's; BatchRunner
// runs a whole list on a thread of its own with a document of its own, so
// that the window stays responsive, and can be stopped between and within
// files.
#pragma once

#include "document/DocHost.h"
#include "document/DocValues.h"
#include "platform/core/Rect.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmo {

class CVelmoDoc;

// The crop a file is saved with: the frame in crop units and the rectangle
// in image pixels (display orientation); both empty for the whole picture.
struct BatchCrop {
    Rect units;
    Rect image;
};

struct BatchOptions {
    std::string outputDir;     // "": the input's folder
    bool useParams = false;    // open each file through the parameter file beside it
    bool overrideSharpness = false;
    int sharpness = 1;         // 0 Hard, 1 Normal, 2 Soft, 3 Custom
    bool overrideRotation = false;
    Rotation rotation = Rotation::None;
    bool overrideWhiteBalance = false;
    int whiteBalance = 0;      // the white-balance mode of the current list
    // The window's crop frame for a file open in the batch document (after
    // the overrides; rotateAsOpened is its turn before them): the crop in
    // units and in image pixels, as the window would hand it to the document
    // for that file. Unset: each file is saved whole. Called on the runner's
    // thread: it must only read what it copied.
    std::function<BatchCrop(const CVelmoDoc& doc, int rotateAsOpened)> crop;
};

// The path handed to the save routine: the input itself, or the input's
// file name in outputDir joined with one separator (never glued, never
// doubled). The save routine then puts the format's extension on it.
std::string BatchOutputPath(const std::string& outputDir, const std::string& input);

// The parameter file of input: its name with the last three characters
// replaced by "VMR", found by that exact name first, then by a name in the
// same folder that differs only in case; "" when there is none (also for a
// name too short to carry an extension).
std::string FindBatchParameterFile(const std::string& input);

// Whether a and b name the same file (also through "." or "..", a symbolic
// link or a relative path); two paths of which one does not exist compare
// by their normalised absolute form.
bool SameFilePath(const std::string& a, const std::string& b);

enum class BatchOutcome { Done, Failed, Aborted };

// One input through doc: open (through the parameter file with
// options.useParams), the overrides, the crop, the save. Aborted when stop was set by
// the time the open returned, or when the file failed after stop was set (a
// load or development given up): the file is then left for a next run.
BatchOutcome ConvertBatchFile(CVelmoDoc& doc, const std::string& input, const BatchOptions& options,
                              const std::atomic<int>& stop);

// What a batch takes from the user's document: the output options, the
// increment-file-number flag, the switches, the feature tables with their
// flags and the user profile. (The parameter record comes from the stored
// record of each file's camera family: store the document's first.)
void TakeBatchSettings(const CVelmoDoc& from, CVelmoDoc& to);

struct BatchFileResult {
    std::string input;
    BatchOutcome outcome = BatchOutcome::Failed;
    std::string message; // the last message the file gave ("" when none)
};

class BatchRunner {
public:
    // Called on the runner's thread.
    struct Events {
        // Before each file, with its index in the list.
        std::function<void(size_t index, const std::string& input)> fileStarted;
        // Percent and label of the current file's load and save.
        std::function<void(int percent, const std::string& label)> progress;
        // Each file done or failed; an aborted file is not reported.
        std::function<void(const BatchFileResult& result)> fileFinished;
        // The run ended; aborted when files were left.
        std::function<void(bool aborted)> finished;
    };

    BatchRunner();
    // Stops a run and waits for it.
    ~BatchRunner();
    BatchRunner(const BatchRunner&) = delete;
    BatchRunner& operator=(const BatchRunner&) = delete;

    // Starts converting inputs with from's settings (read here, on the
    // calling thread, which must be from's); from's parameter record is
    // stored first, so that files of its camera family start from it.
    // False when a run is going on.
    bool Start(CVelmoDoc& from, std::vector<std::string> inputs, const BatchOptions& options, Events events);
    // Asks the run to stop: between files, and within the file being loaded
    // or developed. Any thread while a run goes on.
    void Abort();
    // A run was started and has not ended.
    bool Running() const { return running.load(); }
    // Waits for the run's thread to end (after its finished event).
    void Wait();

private:
    class Host;
    void Run(std::vector<std::string> inputs, BatchOptions options, Events events);

    std::unique_ptr<Host> host;
    std::unique_ptr<CVelmoDoc> doc;
    std::atomic<int> stop{0};
    std::atomic<bool> running{false};
    std::thread thread;
};

} // namespace velmo
