// The velmo-bench harness as scripts use it: a refused input ends the run
// with a non-zero exit status before anything is written, and its outputs
// are written whole or not at all.
#include "support/ExternalTool.h"
#include "support/RafBuilder.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <sys/mount.h>

namespace velmo {
namespace {

namespace fs = std::filesystem;

const std::string kBench = VELMO_BENCH_PATH;

std::vector<std::string> Listing(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

TEST(Harness, DevelopStopsAtARefusedSideFileAndSavesNothing)
{
    test::TempDir dir;
    test::RafFileSpec recipe;
    recipe.model = "FinePix S5600";
    recipe.rawRows = 16;
    const std::string raw = dir.File("shot.RAF");
    ASSERT_TRUE(test::WriteRaf(raw, recipe));
    fs::create_directory(dir.File("out"));

    WriteText(dir.File("junk.VMW"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    WriteText(dir.File("keyless.VMW"), "[Settings]\r\nversion=71\r\n");
    WriteText(dir.File("noblock.VMT"), "[Settings]\r\nFreeCurve_flag=1\r\n");
    WriteText(dir.File("balance.VMW"), "[Settings]\r\ncustomWBv=71\r\ncustomWB1=3000\r\ncustomWB2=4096\r\n"
                                       "customWB3=3500\r\n");
    struct Case {
        const char* side;
        bool saved;
    };
    const Case cases[] = {
        {"junk.VMW", false},
        {"keyless.VMW", false},
        {"noblock.VMT", false},
        {"missing.VMR", false},
        {"balance.VMW", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.side);
        const test::ToolOutput run = test::RunTool(
            kBench, {"develop", raw, "-o", dir.File("out/shot.tif"), "--params", dir.File(c.side), "--threads", "2"});
        EXPECT_EQ(run.exitCode == 0, c.saved) << run.err;
        EXPECT_EQ(Listing(dir.File("out")), c.saved ? std::vector<std::string>{"shot.TIF"} : std::vector<std::string>{})
            << run.out << run.err;
        fs::remove_all(dir.File("out"));
        fs::create_directory(dir.File("out"));
    }
}

// A real full disk: a 64 KiB tmpfs in a mount namespace of this thread, which
// the harness started from it shares. Skipped where mounting is not allowed.
TEST(Harness, PreviewOntoAFullDiskFailsAndLeavesNoFile)
{
    test::TempDir dir;
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no mount namespace here";
    const std::string mnt = dir.File("small");
    fs::create_directory(mnt);
    if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "tmpfs cannot be mounted here";
    const test::ToolOutput run =
        test::RunTool(kBench, {"preview", "--synthetic", "--repeat", "1", "--threads", "1", "-o", mnt + "/p.ppm"});
    const std::vector<std::string> left = Listing(mnt);
    umount2(mnt.c_str(), MNT_DETACH);
    EXPECT_NE(run.exitCode, 0) << run.out;
    EXPECT_NE(run.err.find("No space left"), std::string::npos) << run.err;
    EXPECT_TRUE(left.empty()) << left.front();
}

// Every harness and generator of the build answers --help (and -h) with its
// usage on standard output and exit status 0, writing no file: the working
// directory it runs in stays empty.
TEST(Harness, EveryHarnessAnswersHelpWithItsUsageAndWritesNothing)
{
    struct Harness {
        const char* name;
        std::string path;
    };
    std::vector<Harness> harnesses = {
        {"velmo-bench", kBench},
        {"velmo-make-sample", VELMO_MAKE_SAMPLE_PATH},
        {"velmo-make-icc", VELMO_MAKE_ICC_PATH},
        {"velmo-lang-template", VELMO_LANG_TEMPLATE_PATH},
    };
#ifdef VELMO_SLIDER_BENCH_PATH
    harnesses.push_back({"velmo-slider-bench", VELMO_SLIDER_BENCH_PATH});
#endif
    const fs::path home = fs::current_path();
    for (const Harness& h : harnesses)
        for (const char* option : {"--help", "-h"}) {
            SCOPED_TRACE(std::string(h.name) + " " + option);
            test::TempDir dir;
            fs::current_path(dir.path());
            const test::ToolOutput run = test::RunTool(h.path, {option});
            fs::current_path(home);
            EXPECT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(run.out.rfind(std::string("usage: ") + h.name, 0), 0u) << run.out;
            EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{});
        }
}

} // namespace
} // namespace velmo
