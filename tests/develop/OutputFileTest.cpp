#include "develop/output/OutputFile.h"
#include "develop/output/TiffWriter.h"
#include "support/ExternalTool.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velmo {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Listing(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class OutputFileTest : public ::testing::Test {
protected:
    void TearDown() override { OutputFaults() = {}; }
    test::TempDir dir;
};

TEST_F(OutputFileTest, CommitRenamesTheFinishedFileAndPatchesReachBothSides)
{
    const std::string target = dir.File("out.bin");
    OutputFile out;
    ASSERT_TRUE(out.Open(target).Ok());
    EXPECT_FALSE(fs::exists(target)) << "nothing under the target's name until complete";
    // More than the 1 MiB buffer: the first patch lands in the file, the
    // last one still in the buffer.
    std::vector<uint8_t> data(3 << 20);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 13);
    ASSERT_TRUE(out.Write(data.data(), data.size()));
    ASSERT_TRUE(out.PadToEven());
    const uint8_t patch[4] = {1, 2, 3, 4};
    ASSERT_TRUE(out.WriteAt(2, patch, 4));
    ASSERT_TRUE(out.WriteAt(data.size() - 2, patch, 2));
    EXPECT_FALSE(out.WriteAt(data.size() - 1, patch, 4)) << "past the bytes written";
    EXPECT_FALSE(out.Commit().Ok()) << "a failed patch fails the file";
    EXPECT_EQ(Listing(dir.path()).size(), 0u);

    OutputFile again;
    ASSERT_TRUE(again.Open(target).Ok());
    ASSERT_TRUE(again.Write(data.data(), data.size()));
    ASSERT_TRUE(again.WriteAt(2, patch, 4));
    ASSERT_TRUE(again.WriteAt(data.size() - 2, patch, 2));
    ASSERT_TRUE(again.Commit().Ok());
    std::vector<uint8_t> expected = data;
    std::copy(patch, patch + 4, expected.begin() + 2);
    std::copy(patch, patch + 2, expected.end() - 2);
    EXPECT_EQ(test::ReadBytes(target), expected);
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"out.bin"});
}

TEST_F(OutputFileTest, FailuresLeaveNoFileAndKeepAnExistingOne)
{
    const std::string target = dir.File("keep.tif");
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    {
        std::ofstream(target, std::ios::binary).write(reinterpret_cast<const char*>(old.data()), 3);
    }
    struct Case {
        const char* name;
        int64_t failAfter;
        bool failCommit;
        size_t bytes;
    };
    const Case cases[] = {
        {"full disk at once", 0, false, 100},
        {"full disk midway", 5000, false, 3 << 20},
        {"full disk at the final flush", 1000, false, 2000},
        {"close fails", -1, true, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OutputFaults() = {c.failAfter, c.failCommit};
        OutputFile out;
        ASSERT_TRUE(out.Open(target).Ok());
        std::vector<uint8_t> data(c.bytes, 0x55);
        out.Write(data.data(), data.size());
        const WriteResult r = out.Commit();
        EXPECT_EQ(r.status, WriteStatus::WriteFailed);
        EXPECT_FALSE(r.detail.empty());
        if (!c.failCommit) {
            EXPECT_NE(r.detail.find("No space left"), std::string::npos) << r.detail;
        }
        EXPECT_EQ(test::ReadBytes(target), old);
        EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"keep.tif"});
    }
}

TEST_F(OutputFileTest, UncreatableTargetsAreReportedAtOpen)
{
    std::ofstream(dir.File("plain")) << "x";
    for (const std::string& target : {dir.File("missing/out.tif"), dir.File("plain/out.tif"), std::string()}) {
        SCOPED_TRACE(target);
        OutputFile out;
        const WriteResult r = out.Open(target);
        EXPECT_EQ(r.status, WriteStatus::CannotCreate);
        EXPECT_FALSE(out.Write("x", 1));
        EXPECT_FALSE(out.Commit().Ok());
    }
    // A directory of that name cannot be replaced by the file.
    fs::create_directory(dir.File("taken"));
    OutputFile out;
    ASSERT_TRUE(out.Open(dir.File("taken")).Ok());
    out.Write("x", 1);
    EXPECT_EQ(out.Commit().status, WriteStatus::WriteFailed);
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"plain", "taken"}));
}

TEST_F(OutputFileTest, DestroyedUncommittedLeavesNothing)
{
    {
        OutputFile out;
        ASSERT_TRUE(out.Open(dir.File("a.jpg")).Ok());
        out.Write("abc", 3);
    }
    EXPECT_TRUE(Listing(dir.path()).empty());
}

TEST_F(OutputFileTest, ReplacedFileKeepsItsPermissionBits)
{
    auto write = [](const std::string& target) {
        OutputFile out;
        return out.Open(target).Ok() && out.Write("new", 3) && out.Commit().Ok();
    };
    auto mode = [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
    };
    for (mode_t kept : {0600, 0640, 0444, 0755}) {
        SCOPED_TRACE(kept);
        const std::string target = dir.File("keep.jpg");
        std::ofstream(target) << "old";
        ASSERT_EQ(::chmod(target.c_str(), kept), 0);
        ASSERT_TRUE(write(target));
        EXPECT_EQ(mode(target), kept);
        EXPECT_EQ(test::ReadBytes(target), (std::vector<uint8_t>{'n', 'e', 'w'}));
        fs::remove(target);
    }
    // A new file takes the mode the umask gives.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    ASSERT_TRUE(write(dir.File("fresh.jpg")));
    EXPECT_EQ(mode(dir.File("fresh.jpg")), 0666u & ~mask);
}

// A save stopped by SIGTERM or SIGINT takes its temporary file with it; the
// signal then ends the program as it would have (run in a child process).
TEST_F(OutputFileTest, TerminatingSignalRemovesTheTemporaryFile)
{
    for (int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        const std::string target = dir.File("big.tif");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            OutputFile out;
            std::vector<uint8_t> data(3 << 20, 0x5A);
            if (!out.Open(target).Ok() || !out.Write(data.data(), data.size()))
                ::_exit(2);
            ::kill(::getpid(), sig);
            ::_exit(3); // not reached: the signal ends the process
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), sig);
        EXPECT_TRUE(Listing(dir.path()).empty()) << Listing(dir.path()).front();
    }
}

// Temporary files of our naming that a process which no longer runs left
// beside a target go with the next save to that target; nothing else does.
TEST_F(OutputFileTest, NextSaveRemovesLeftoversOfProcessesThatAreGone)
{
    // A process id that is free: a child that has ended and been reaped.
    const pid_t gone = ::fork();
    ASSERT_GE(gone, 0);
    if (gone == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const std::string deadPid = std::to_string(gone);
    const std::vector<std::string> left = {
        ".out.tif." + deadPid + ".0.tmp",                      // a killed save: removed
        ".out.tif." + deadPid + ".17.tmp",                     // removed
        ".out.tif.1.0.tmp",                                    // a running process (init): kept
        ".other.tif." + deadPid + ".0.tmp",                    // another target: kept
        ".out.tif." + deadPid + ".x.tmp",                      // not our pattern: kept
        "out.tif." + deadPid + ".0.tmp",                       // not hidden: kept
        ".out.tif." + deadPid + ".0.tmp.keep",                 // kept
    };
    for (const std::string& name : left)
        std::ofstream(dir.File(name)) << "partial";
    OutputFile out;
    ASSERT_TRUE(out.Open(dir.File("out.tif")).Ok());
    ASSERT_TRUE(out.Write("x", 1));
    ASSERT_TRUE(out.Commit().Ok());
    std::vector<std::string> expected(left.begin() + 2, left.end());
    expected.push_back("out.tif");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Listing(dir.path()), expected);
}

// A real full disk: a 64 KiB tmpfs in a mount namespace of this thread, so
// that nothing outlives the test. Skipped where mounting is not allowed.
TEST_F(OutputFileTest, FullTmpfsGivesWriteFailedAndNoFile)
{
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no mount namespace here";
    const std::string mnt = dir.File("small");
    fs::create_directory(mnt);
    if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "tmpfs cannot be mounted here";
    const std::string target = mnt + "/big.tif";
    std::vector<uint16_t> pixels(size_t(200) * 200 * 3, 0x1234);
    OutputImage image;
    image.rgb = pixels;
    image.width = 200;
    image.height = 200;
    const WriteResult r = WriteTiffFile(target, image, true, {}, NoProgress());
    const std::vector<std::string> left = Listing(mnt);
    umount2(mnt.c_str(), MNT_DETACH);
    EXPECT_EQ(r.status, WriteStatus::WriteFailed);
    EXPECT_NE(r.detail.find("No space left"), std::string::npos) << r.detail;
    EXPECT_TRUE(left.empty());
}

} // namespace
} // namespace velmo
