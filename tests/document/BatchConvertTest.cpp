#include "document/BatchConvert.h"

#include "document/VelmoDoc.h"
#include "params/ParamFields.h"
#include "platform/core/SettingsStore.h"
#include "support/ExternalTool.h"
#include "support/RafBuilder.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <regex>
#include <thread>

namespace velmo {
namespace {

namespace fs = std::filesystem;

TEST(BatchPaths, OutputPathJoinsFolderAndNameWithOneSeparator)
{
    struct Case {
        const char* dir;
        const char* input;
        const char* expected;
    };
    const Case cases[] = {
        {"", "/raw/DSCF0001.RAF", "/raw/DSCF0001.RAF"},
        {"/out", "/raw/DSCF0001.RAF", "/out/DSCF0001.RAF"},
        {"/out/", "/raw/DSCF0001.RAF", "/out/DSCF0001.RAF"},
        {"/out//", "/raw/DSCF0001.RAF", "/out/DSCF0001.RAF"},
        {"/", "/raw/DSCF0001.RAF", "/DSCF0001.RAF"},
        {"/out", "DSCF0001.RAF", "/out/DSCF0001.RAF"},
        {"/my out", "/raw/a b.raf", "/my out/a b.raf"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BatchOutputPath(c.dir, c.input), c.expected) << c.dir << " + " << c.input;
}

TEST(BatchPaths, ParameterFileByExactNameFirstThenIgnoringCase)
{
    test::TempDir dir;
    auto touch = [&](const std::string& name) { ASSERT_TRUE(test::WriteFile(dir.File(name), {'x'})); };
    touch("exact.VMR");
    touch("exact.vmr");
    touch("lower.vmr");
    touch("Mixed.Vmr");
    fs::create_directory(dir.File("folder.VMR"));

    EXPECT_EQ(FindBatchParameterFile(dir.File("exact.RAF")), dir.File("exact.VMR"));
    EXPECT_EQ(FindBatchParameterFile(dir.File("lower.RAF")), dir.File("lower.vmr"));
    EXPECT_EQ(FindBatchParameterFile(dir.File("mixed.raf")), dir.File("Mixed.Vmr"));
    EXPECT_EQ(FindBatchParameterFile(dir.File("none.RAF")), "");
    EXPECT_EQ(FindBatchParameterFile(dir.File("folder.RAF")), "") << "a folder is no parameter file";
    EXPECT_EQ(FindBatchParameterFile(dir.File("RAF")), "") << "a name without room for an extension";
    EXPECT_EQ(FindBatchParameterFile(""), "");
    EXPECT_EQ(FindBatchParameterFile(dir.File("gone") + "/x.RAF"), "") << "a folder that does not exist";
}

TEST(BatchPaths, SameFileThroughDotsLinksAndRelativeNames)
{
    test::TempDir dir;
    ASSERT_TRUE(test::WriteFile(dir.File("a.RAF"), {'x'}));
    ASSERT_TRUE(test::WriteFile(dir.File("b.RAF"), {'x'}));
    fs::create_directory(dir.File("sub"));
    fs::create_symlink(dir.File("a.RAF"), dir.File("link.RAF"));
    EXPECT_TRUE(SameFilePath(dir.File("a.RAF"), dir.File("sub/../a.RAF")));
    EXPECT_TRUE(SameFilePath(dir.File("a.RAF"), dir.File("./a.RAF")));
    EXPECT_TRUE(SameFilePath(dir.File("a.RAF"), dir.File("link.RAF")));
    EXPECT_FALSE(SameFilePath(dir.File("a.RAF"), dir.File("b.RAF")));
    EXPECT_FALSE(SameFilePath(dir.File("a.RAF"), dir.File("A.RAF")));
    EXPECT_TRUE(SameFilePath(dir.File("gone/x.RAF"), dir.File("gone/./x.RAF")));
    EXPECT_FALSE(SameFilePath("", ""));
}

// A host with a main window whose progress channel is silent.
class QuietHost final : public CDocHost {
public:
    bool HasMainWindow() const override { return true; }
};

class BatchConvertTest : public ::testing::Test {
protected:
    std::string WriteShot(const std::string& name, const std::string& folder = {})
    {
        test::RafFileSpec recipe;
        recipe.model = "FinePix S7000";
        const std::string path = (folder.empty() ? dir.path() : folder) + "/" + name;
        EXPECT_TRUE(test::WriteRaf(path, recipe));
        return path;
    }
    // The user's document with quick outputs: 16-bit TIFF at a quarter.
    void SetUpUserDocument()
    {
        user = std::make_unique<CVelmoDoc>(&host);
        user->SetOutputFormat(OutputFormat::Tiff16);
        user->SetSizeMode(2);
        user->SetIncrementFileNumber(false);
    }

    struct Run {
        std::vector<BatchFileResult> results;
        std::vector<std::string> started;
        bool finished = false;
        bool aborted = false;
    };
    // Runs inputs to the end; onStarted runs on the runner's thread.
    Run RunBatch(const std::vector<std::string>& inputs, const BatchOptions& options,
                 std::function<void(BatchRunner&, size_t)> onStarted = {})
    {
        Run run;
        BatchRunner runner;
        BatchRunner::Events events;
        events.fileStarted = [&](size_t index, const std::string& input) {
            run.started.push_back(input);
            if (onStarted)
                onStarted(runner, index);
        };
        events.fileFinished = [&](const BatchFileResult& r) { run.results.push_back(r); };
        events.finished = [&](bool aborted) {
            run.finished = true;
            run.aborted = aborted;
        };
        EXPECT_TRUE(runner.Start(*user, inputs, options, events));
        runner.Wait();
        EXPECT_FALSE(runner.Running());
        return run;
    }

    test::ScopedSettings settings;
    test::TempDir dir;
    test::RecordingMessages messages;
    QuietHost host;
    std::unique_ptr<CVelmoDoc> user;
};

std::pair<int, int> TiffSize(const std::string& file)
{
    const test::ToolOutput out = test::RunTool("tiffinfo", {file});
    std::smatch m;
    const std::regex size("Image Width: (\\d+) Image Length: (\\d+)");
    if (!out.Ok() || !std::regex_search(out.out, m, size))
        return {0, 0};
    return {std::stoi(m[1]), std::stoi(m[2])};
}

TEST_F(BatchConvertTest, FailedFilesAreReportedAndTheRunGoesOn)
{
    SetUpUserDocument();
    const std::string first = WriteShot("first.RAF");
    const std::string broken = dir.File("broken.RAF");
    ASSERT_TRUE(test::WriteFile(broken, {'F', 'U', 'J', 'I'}));
    const std::string missing = dir.File("missing.RAF");
    const std::string last = WriteShot("last.RAF");

    const Run run = RunBatch({first, broken, missing, last}, {});
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.aborted);
    ASSERT_EQ(run.results.size(), 4u);
    const BatchOutcome expected[] = {BatchOutcome::Done, BatchOutcome::Failed, BatchOutcome::Failed,
                                     BatchOutcome::Done};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(run.results[i].outcome, expected[i]) << run.results[i].input;
    EXPECT_FALSE(run.results[1].message.empty()) << "the reason of a failure is kept";
    EXPECT_TRUE(fs::exists(dir.File("first.TIF")));
    EXPECT_TRUE(fs::exists(dir.File("last.TIF")));
    EXPECT_FALSE(fs::exists(dir.File("broken.TIF")));
    EXPECT_TRUE(messages.calls.empty()) << "a batch stops at no message box: " << messages.calls[0].text;
}

TEST_F(BatchConvertTest, OutputFolderAndOverrides)
{
    if (!test::HasTool("tiffinfo"))
        GTEST_SKIP() << "tiffinfo is not installed";
    SetUpUserDocument();
    const std::string shot = WriteShot("shot.RAF");
    const std::string out = dir.File("out");
    fs::create_directory(out);

    BatchOptions options;
    options.outputDir = out + "/";
    ASSERT_EQ(RunBatch({shot}, options).results.at(0).outcome, BatchOutcome::Done);
    const auto plain = TiffSize(out + "/shot.TIF");
    ASSERT_GT(plain.first, plain.second);
    EXPECT_FALSE(fs::exists(dir.File("shot.TIF"))) << "nothing beside the input";

    // Turned right: the output is as high as it was wide. The user's
    // document keeps its record.
    const DevParams before = user->Edit().Params();
    options.outputDir = out;
    options.overrideRotation = true;
    options.rotation = Rotation::Right;
    options.overrideSharpness = true;
    options.sharpness = 0;
    ASSERT_EQ(RunBatch({shot}, options).results.at(0).outcome, BatchOutcome::Done);
    const auto turned = TiffSize(out + "/shot.TIF");
    EXPECT_EQ(turned.first, plain.second);
    EXPECT_EQ(turned.second, plain.first);
    EXPECT_TRUE(user->Edit().Params() == before);
}

// A batch's overrides stay in its own document. Started from an empty
// window, a run that turns two S5Pro files right, sharpens them hard and
// changes their white balance leaves the settings file byte for byte as it
// was (the family's stored record in particular), also once the batch's
// document is gone; the user's document and the next document to open such
// a file start from the record as it was stored.
TEST_F(BatchConvertTest, OverridesNeverReachTheStoredRecords)
{
    const std::string ini = dir.File("Velmo.ini");
    InstallSettings(std::make_shared<FileSettingsStore>(ini));
    {
        // The family's record as an earlier session stored it.
        CVelmoDoc earlier(&host);
        earlier.SetCameraFamily(7);
        earlier.LoadParameterRecord();
        earlier.Edit().SetField(ParamField::hue, 33);
        earlier.SaveParameterRecord();
    }
    SetUpUserDocument();
    user->SaveParameterRecord(); // what a run stores first
    const DevParams userRecord = user->Edit().Params();
    auto settingsFile = [&] { return test::ReadBytes(ini); };
    const std::vector<uint8_t> before = settingsFile();
    ASSERT_FALSE(before.empty());

    test::RafFileSpec recipe;
    recipe.model = "FinePix S5Pro";
    std::vector<std::string> inputs;
    for (const char* name : {"one.RAF", "two.RAF"}) {
        inputs.push_back(dir.File(name));
        ASSERT_TRUE(test::WriteRaf(inputs.back(), recipe));
    }
    BatchOptions options;
    options.overrideRotation = true;
    options.rotation = Rotation::Right;
    options.overrideSharpness = true;
    options.sharpness = 0;
    options.overrideWhiteBalance = true;
    options.whiteBalance = 3;
    const Run run = RunBatch(inputs, options);
    ASSERT_EQ(run.results.size(), 2u);
    for (const BatchFileResult& r : run.results)
        EXPECT_EQ(r.outcome, BatchOutcome::Done) << r.input << ": " << r.message;

    EXPECT_TRUE(settingsFile() == before) << "the batch wrote into the settings";
    EXPECT_TRUE(user->Edit().Params() == userRecord);
    CVelmoDoc stored(&host);
    stored.SetCameraFamily(7);
    stored.LoadParameterRecord();
    EXPECT_EQ(stored.Edit().Params().rotate, 0);
    EXPECT_EQ(stored.Edit().Params().hue, 33);
    CVelmoDoc next(&host);
    ASSERT_TRUE(next.OnOpenDocument(inputs[0]));
    EXPECT_EQ(next.Edit().Params().hue, 33);
    EXPECT_EQ(next.Edit().Params().rotate, 0);
}

// The crop callback is asked for each file on the runner's thread, after
// the overrides (the turn as opened handed along), and what it returns is
// what the file is cut by: an empty crop leaves the next file whole, not
// cut by the previous file's crop.
TEST_F(BatchConvertTest, EachFileCutByTheCropItsCallbackGives)
{
    if (!test::HasTool("tiffinfo"))
        GTEST_SKIP() << "tiffinfo is not installed";
    SetUpUserDocument();
    const std::string cut = WriteShot("cut.RAF");
    const std::string whole = WriteShot("whole.RAF");
    const std::string out = dir.File("out");
    fs::create_directory(out);
    BatchOptions options;
    options.outputDir = out;
    ASSERT_EQ(RunBatch({whole}, options).results.at(0).outcome, BatchOutcome::Done);
    const auto plain = TiffSize(out + "/whole.TIF");
    ASSERT_GT(plain.first, 0);

    struct Call {
        std::string input;
        int rotateAsOpened;
        int rotate;
        bool onRunnerThread;
    };
    std::vector<Call> calls;
    const std::thread::id testThread = std::this_thread::get_id();
    options.overrideRotation = true;
    options.rotation = Rotation::Right;
    options.crop = [&](const CVelmoDoc& doc, int rotateAsOpened) {
        calls.push_back({doc.SourcePath(), rotateAsOpened, doc.Edit().Params().rotate,
                         std::this_thread::get_id() != testThread});
        if (!SameFilePath(doc.SourcePath(), cut))
            return BatchCrop{};
        // The left half of the turned picture (as high as the image is wide).
        const int shownWidth = doc.Image().imageHeight, shownHeight = doc.Image().imageWidth;
        return BatchCrop{{0, 0, 768, 2048}, {0, 0, shownWidth / 2, shownHeight}};
    };
    const Run run = RunBatch({cut, whole}, options);
    ASSERT_EQ(run.results.size(), 2u);
    EXPECT_EQ(run.results[0].outcome, BatchOutcome::Done);
    EXPECT_EQ(run.results[1].outcome, BatchOutcome::Done);
    ASSERT_EQ(calls.size(), 2u);
    for (const Call& c : calls) {
        EXPECT_EQ(c.rotateAsOpened, 0) << c.input;
        EXPECT_EQ(c.rotate, 1) << c.input << ": asked after the turn";
        EXPECT_TRUE(c.onRunnerThread) << c.input;
    }
    const auto halfTurned = TiffSize(out + "/cut.TIF");
    EXPECT_NEAR(halfTurned.first, plain.second / 2, 2);
    EXPECT_EQ(halfTurned.second, plain.first);
    const auto wholeTurned = TiffSize(out + "/whole.TIF");
    EXPECT_EQ(wholeTurned.first, plain.second);
    EXPECT_EQ(wholeTurned.second, plain.first);
}

TEST_F(BatchConvertTest, ParameterFileBesideTheInput)
{
    SetUpUserDocument();
    const std::string withParams = WriteShot("with.RAF");
    const std::string without = WriteShot("without.RAF");
    const std::string lowerCase = WriteShot("lower.RAF");
    const std::string elsewhere = WriteShot("elsewhere.RAF");
    {
        // Parameter files saved by the program for their images; one names
        // another image.
        CVelmoDoc saver(&host);
        for (const std::string& image : {withParams, lowerCase, elsewhere}) {
            ASSERT_TRUE(saver.OnOpenDocument(image == elsewhere ? withParams : image));
            const std::string name = image.substr(0, image.size() - 3) + (image == lowerCase ? "vmr" : "VMR");
            ASSERT_TRUE(saver.OnSaveParametersAs(name));
        }
    }
    BatchOptions options;
    options.useParams = true;
    const Run run = RunBatch({withParams, without, lowerCase, elsewhere}, options);
    ASSERT_EQ(run.results.size(), 4u);
    EXPECT_EQ(run.results[0].outcome, BatchOutcome::Done);
    EXPECT_EQ(run.results[1].outcome, BatchOutcome::Failed) << "no parameter file";
    EXPECT_EQ(run.results[2].outcome, BatchOutcome::Done) << "found whatever its case";
    EXPECT_EQ(run.results[3].outcome, BatchOutcome::Failed) << "its parameter file is another image's";
    EXPECT_TRUE(fs::exists(dir.File("with.TIF")));
    EXPECT_TRUE(fs::exists(dir.File("lower.TIF")));
    EXPECT_FALSE(fs::exists(dir.File("without.TIF")));
    EXPECT_FALSE(fs::exists(dir.File("elsewhere.TIF")));
}

TEST_F(BatchConvertTest, AbortWithinTheThirdOfFiveLeavesItAndTheRest)
{
    SetUpUserDocument();
    std::vector<std::string> inputs;
    for (int i = 1; i <= 5; ++i)
        inputs.push_back(WriteShot("shot" + std::to_string(i) + ".RAF"));
    // Abort at the first progress report of the third file's load.
    std::atomic<int> startedIndex{-1};
    BatchRunner runner;
    std::mutex m;
    std::condition_variable cv;
    std::vector<BatchFileResult> results;
    bool finished = false, aborted = false;
    BatchRunner::Events events;
    events.fileStarted = [&](size_t index, const std::string&) { startedIndex = int(index); };
    events.progress = [&](int, const std::string&) {
        if (startedIndex.load() == 2)
            runner.Abort();
    };
    events.fileFinished = [&](const BatchFileResult& r) { results.push_back(r); };
    events.finished = [&](bool wasAborted) {
        std::lock_guard lock(m);
        finished = true;
        aborted = wasAborted;
        cv.notify_all();
    };
    ASSERT_TRUE(runner.Start(*user, inputs, {}, events));
    {
        std::unique_lock lock(m);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(60), [&] { return finished; }));
    }
    runner.Wait();
    EXPECT_TRUE(aborted);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].outcome, BatchOutcome::Done);
    EXPECT_EQ(results[1].outcome, BatchOutcome::Done);
    EXPECT_FALSE(fs::exists(dir.File("shot3.TIF")));
    EXPECT_FALSE(fs::exists(dir.File("shot4.TIF")));

    // The next run starts afresh.
    const Run again = RunBatch({inputs[2]}, {});
    ASSERT_EQ(again.results.size(), 1u);
    EXPECT_EQ(again.results[0].outcome, BatchOutcome::Done);
}

TEST_F(BatchConvertTest, AbortDuringTheDevelopmentWritesNothing)
{
    SetUpUserDocument();
    user->SetSizeMode(0);
    const std::string shot = WriteShot("shot.RAF");

    // Once the load is through, the first report of the development stops it.
    BatchRunner runner;
    bool saving = false;
    std::vector<BatchFileResult> results;
    bool aborted = false;
    BatchRunner::Events events;
    events.progress = [&](int percent, const std::string& label) {
        if (percent >= 0 && label.rfind("PASS", 0) == 0 && !saving) {
            saving = true;
            runner.Abort();
        }
    };
    events.fileFinished = [&](const BatchFileResult& r) { results.push_back(r); };
    events.finished = [&](bool wasAborted) { aborted = wasAborted; };
    ASSERT_TRUE(runner.Start(*user, {shot}, {}, events));
    runner.Wait();
    if (!saving)
        GTEST_SKIP() << "the development reported no pass";
    EXPECT_TRUE(aborted);
    EXPECT_TRUE(results.empty()) << "the file stays for the next run";
    EXPECT_FALSE(fs::exists(dir.File("shot.TIF")));
}

TEST_F(BatchConvertTest, EmptyListEndsAtOnce)
{
    SetUpUserDocument();
    const Run run = RunBatch({}, {});
    EXPECT_TRUE(run.finished);
    EXPECT_FALSE(run.aborted);
    EXPECT_TRUE(run.results.empty());
}

} // namespace
} // namespace velmo
