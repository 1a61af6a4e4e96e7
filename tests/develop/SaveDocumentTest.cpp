#include "WriterFixtures.h"
#include "develop/output/OutputFile.h"
#include "develop/output/SaveDocument.h"
#include "develop/passes/DevelopFull.h"
#include "document/VelmoDoc.h"
#include "params/LensCorrectionSettings.h"
#include "support/RafBuilder.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace velmo {
namespace {

namespace fs = std::filesystem;

TEST(OutputNames, ExtensionsSuffixesAndCounters)
{
    struct Case {
        const char* path;
        int kind, format, sizeMode;
        bool increment;
        std::set<std::string> existing;
        const char* expected;
    };
    const Case cases[] = {
        {"/p/IMG_0001.RAF", -1, 4, 0, true, {}, "/p/IMG_0001.JPG"},
        {"/p/IMG_0001.RAF", -1, 4, 3, true, {}, "/p/IMG_0001_t.JPG"},
        {"/p/IMG_0001.RAF", -1, 4, 11, true, {"/p/IMG_0001_t.JPG"}, "/p/IMG_0001_t_1.JPG"},
        {"/p/IMG_0001.RAF", -1, 4, 3, true, {"/p/IMG_0001_t.JPG", "/p/IMG_0001_t_1.JPG"}, "/p/IMG_0001_t_2.JPG"},
        {"/p/IMG_0001.RAF", -1, 4, 3, false, {"/p/IMG_0001_t.JPG"}, "/p/IMG_0001_t.JPG"},
        {"/p/a.RAF", -1, 0, 0, true, {}, "/p/a.PSD"},
        {"/p/a.RAF", 1, 4, 0, true, {}, "/p/a.PSD"},
        {"/p/a.RAF", 2, 0, 1, true, {}, "/p/a.TIF"},
        {"/p/a.RAF", 3, 0, 0, true, {"/p/a.TIF"}, "/p/a_1.TIF"},
        {"/p/a.raf", 4, 0, 8, true, {}, "/p/a.JPG"},
        // Side files never get "_t"; parameter files are always overwritten.
        {"/p/a.RAF", -2, 0, 3, true, {"/p/a.VMR"}, "/p/a.VMR"},
        {"/p/a.RAF", -3, 0, 3, true, {}, "/p/a.VMC"},
        {"/p/a.RAF", -4, 0, 0, true, {"/p/a.VML"}, "/p/a_1.VML"},
        {"/p/a.RAF", -5, 0, 0, true, {}, "/p/a.VMW"},
        {"/p/a.RAF", -6, 0, 0, true, {}, "/p/a.VMT"},
        {"/p/a.RAF", -7, 0, 0, true, {}, "/p/a.VMF"},
        // Only a dot and three letters count as an extension.
        {"/p/shot.R4F", -1, 2, 0, true, {}, "/p/shot.R4F.TIF"},
        {"/p/shot", -1, 2, 0, true, {}, "/p/shot.TIF"},
        {".RAF", -1, 2, 0, true, {}, ".RAF.TIF"},
        {"/p/x.tar.RAF", -1, 4, 0, true, {}, "/p/x.tar.JPG"},
    };
    for (const Case& c : cases) {
        const auto exists = [&](const std::string& name) { return c.existing.count(name) != 0; };
        EXPECT_EQ(MakeOutputFileName(c.path, OutputFileKind(c.kind), OutputFormat(c.format), c.sizeMode, c.increment, exists),
                  c.expected)
            << c.path << " kind " << c.kind << " mode " << c.sizeMode;
    }
}

TEST(OutputSizes, SizeModesAndRotation)
{
    struct Case {
        int mode, w, h, rotate, ow, oh;
    };
    const Case cases[] = {
        {0, 1000, 700, 0, 2000, 1400}, {1, 1000, 700, 0, 1500, 1050}, {1, 1000, 700, 1, 1050, 1500},
        {1, 1001, 701, 0, 1501, 1051}, {2, 1000, 700, 2, 700, 1000},  {3, 1000, 700, 0, 512, 384},
        {3, 1000, 700, 1, 384, 512},   {8, 999, 701, 0, 999, 701},    {9, 1000, 700, 0, 750, 525},
        {9, 1001, 703, 2, 527, 750},   {10, 1001, 703, 0, 500, 351},  {11, 10, 10, 2, 384, 512},
        {4, 100, 100, 0, 0, 0},        {12, 100, 100, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const OutputSize s = OutputSizeFor(c.mode, c.w, c.h, c.rotate);
        EXPECT_EQ(s.width, c.ow) << "mode " << c.mode << " rotate " << c.rotate;
        EXPECT_EQ(s.height, c.oh) << "mode " << c.mode << " rotate " << c.rotate;
        // The developed image of a full-size mode has exactly this size.
        int fw = 0, fh = 0;
        if (FullOutputSize(c.w, c.h, c.mode, &fw, &fh) && c.rotate == 0) {
            EXPECT_EQ(fw, c.ow) << "mode " << c.mode;
            EXPECT_EQ(fh, c.oh) << "mode " << c.mode;
        }
    }
}

TEST(SaveCrop, ThroughTheRotation)
{
    struct Case {
        Rect crop;
        bool has;
        int rotate;
        SaveCrop expected;
    };
    // The image is 100 x 60; turned it shows 60 x 100.
    const Case cases[] = {
        {{}, false, 1, {0, 0, 100, 60}},
        {{10, 5, 50, 25}, true, 0, {10, 5, 40, 20}},
        {{5, 10, 25, 50}, true, 1, {10, 34, 40, 20}},
        {{5, 10, 25, 50}, true, 2, {49, 5, 40, 20}},
        {{0, 0, 60, 100}, true, 1, {0, 0, 100, 59}},
        {{-5, -5, 20, 20}, true, 0, {0, 0, 20, 20}},
        {{50, 30, 40, 20}, true, 0, {50, 30, 0, 0}},
        {{90, 50, 140, 90}, true, 0, {90, 50, 10, 10}},
    };
    for (const Case& c : cases) {
        const SaveCrop s = CropForSave(c.crop, c.has, c.rotate, 100, 60);
        EXPECT_EQ(s.x, c.expected.x) << "rotate " << c.rotate;
        EXPECT_EQ(s.y, c.expected.y) << "rotate " << c.rotate;
        EXPECT_EQ(s.width, c.expected.width) << "rotate " << c.rotate;
        EXPECT_EQ(s.height, c.expected.height) << "rotate " << c.rotate;
    }
}

// Counts developments (the first report of the first pass) and keeps the
// status-bar text and the Save As answer.
class SaveHost : public test::RecordingHost {
public:
    class Counter final : public IProgress {
    public:
        int Report(int percent, const char* label) override
        {
            if (percent == 0 && label && std::string(label) == "PASS1")
                ++developments;
            return 0;
        }
        int developments = 0;
    };
    IProgress& LoadProgress() override { return counter; }
    void SetStatusText(const std::string& text) override { status.push_back(text); }
    bool ChooseOutputFile(const std::string& defaultName, const std::string& filter, const std::string& title,
                          int& format, std::string& path) override
    {
        asked = defaultName + "|" + title + "|" + std::to_string(format) + "|" + filter;
        if (!answer)
            return false;
        format = answerFormat;
        path = answerPath;
        return true;
    }

    Counter counter;
    std::vector<std::string> status;
    std::string asked;
    bool answer = false;
    int answerFormat = 0;
    std::string answerPath;
};

class SaveDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::RafFileSpec recipe;
        recipe.model = "FinePix S7000";
        source = dir.File("shot.RAF");
        ASSERT_TRUE(test::WriteRaf(source, recipe));
        doc = std::make_unique<CVelmoDoc>(&host);
        ASSERT_TRUE(doc->OnOpenDocument(source));
        doc->StopWorker();
        ASSERT_FALSE(doc->Image().bayerFlag);
        doc->SetSizeMode(2); // w x h: small and quick
        doc->Edit().SetField(ParamField::ICC, 1);
    }
    void TearDown() override
    {
        OutputFaults() = {};
        doc->Edit().SetFeature(FeatureKind::LensCorrection, 0);
        doc->Edit().SetLens(DefaultLensCorrection());
    }

    // The cropped development turned as the output shows it, at 16 bits.
    std::vector<uint16_t> ExpectedPixels(const SaveCrop& c, int* w, int* h)
    {
        RgbPlane plane;
        EXPECT_EQ(doc->DevelopFull(c.x, c.y, c.width, c.height, plane, &NoProgress()), DevelopStatus::Ok);
        return test::Turned(plane.rgb, plane.width, plane.height, doc->Edit().Params().rotate, w, h);
    }

    test::ScopedSettings settings;
    test::TempDir dir;
    test::RecordingMessages messages;
    SaveHost host;
    std::string source;
    std::unique_ptr<CVelmoDoc> doc;
};

TEST_F(SaveDocumentTest, EveryFormatFromOneDevelopmentUntilTheRecordChanges)
{
    const char* extensions[] = {"PSD", "PSD", "TIF", "TIF", "JPG"};
    for (int format = 0; format < 5; ++format) {
        doc->SetOutputFormat(OutputFormat(format));
        ASSERT_TRUE(doc->OnSaveDocument(source)) << (messages.calls.empty() ? "" : messages.calls.back().text);
        const std::string expected =
            format % 2 == 1 ? dir.File(std::string("shot_1.") + extensions[format]) : dir.File(std::string("shot.") + extensions[format]);
        EXPECT_EQ(doc->LastSavedPath(), expected);
        EXPECT_TRUE(fs::exists(expected));
        ASSERT_EQ(host.status.size(), size_t(format + 1));
        EXPECT_EQ(host.status.back().rfind(expected + " was saved.(", 0), 0u) << host.status.back();
        EXPECT_EQ(host.status.back().back(), ')');
    }
    EXPECT_EQ(host.counter.developments, 1) << "saving again without a change does not develop";
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_TRUE(doc->Cache().record == doc->Edit().Params());

    doc->Edit().SetField(ParamField::hue, 12);
    ASSERT_TRUE(doc->OnSaveDocument(source));
    EXPECT_EQ(host.counter.developments, 2);
    EXPECT_EQ(doc->LastSavedPath(), dir.File("shot_1.JPG"));
    doc->DropCachedImage(); // a new crop or size mode drops the cache
    ASSERT_TRUE(doc->OnSaveDocument(source));
    EXPECT_EQ(host.counter.developments, 3);
}

// The commands that change the crop or the size mode also drop the cache;
// a save that finds a cache of another area develops again all the same.
TEST_F(SaveDocumentTest, ACacheOfAnotherAreaIsNotWritten)
{
    VELMO_REQUIRE_TOOL("identify");
    doc->SetOutputFormat(OutputFormat::Tiff8);
    doc->SetIncrementFileNumber(false);
    const int W = doc->Image().imageWidth, H = doc->Image().imageHeight;
    ASSERT_TRUE(doc->OnSaveDocument(source));
    EXPECT_EQ(host.counter.developments, 1);
    struct Step {
        int sizeMode;
        Rect crop;
        int w, h;
    };
    const Step steps[] = {
        {0, {}, 2 * W, 2 * H},
        {0, {0, 0, W / 2, H / 2}, 2 * (W / 2), 2 * (H / 2)},
        {1, {0, 0, W / 2, H / 2}, 3 * (W / 2) / 2, 3 * (H / 2) / 2},
    };
    int developments = 1;
    for (const Step& s : steps) {
        doc->SetSizeMode(s.sizeMode);
        doc->SetCrop(doc->CropUnits(), s.crop);
        ASSERT_TRUE(doc->OnSaveDocument(source));
        EXPECT_EQ(host.counter.developments, ++developments);
        const test::DecodedImage d = test::DecodeWithImageMagick(doc->LastSavedPath(), 8);
        EXPECT_EQ(d.width, s.w);
        EXPECT_EQ(d.height, s.h);
    }
    ASSERT_TRUE(doc->OnSaveDocument(source));
    EXPECT_EQ(host.counter.developments, developments) << "the same area again: from the cache";
}

TEST_F(SaveDocumentTest, TheFileHoldsTheCropTurnedAsShown)
{
    VELMO_REQUIRE_TOOL("identify");
    VELMO_REQUIRE_TOOL("exiftool");
    doc->SetOutputFormat(OutputFormat::Tiff16);
    doc->SetIncrementFileNumber(false);
    const int W = doc->Image().imageWidth, H = doc->Image().imageHeight;
    ASSERT_GE(W, 8);
    ASSERT_GE(H, 8);
    for (int rotate : {0, 1, 2}) {
        SCOPED_TRACE(rotate);
        doc->Edit().SetField(ParamField::rotate, rotate);
        // A crop in display orientation: a quarter in from the left and top.
        const int dispW = rotate ? H : W, dispH = rotate ? W : H;
        doc->SetCrop(doc->CropUnits(), {dispW / 4, dispH / 4, dispW - 1, dispH * 3 / 4});
        doc->DropCachedImage();
        ASSERT_TRUE(doc->OnSaveDocument(source)) << (messages.calls.empty() ? "" : messages.calls.back().text);
        const SaveCrop crop = CropForSave(doc->CropImage(), true, rotate, W, H);
        int ew = 0, eh = 0;
        const std::vector<uint16_t> expected = ExpectedPixels(crop, &ew, &eh);
        const test::DecodedImage d = test::DecodeWithImageMagick(doc->LastSavedPath(), 16);
        EXPECT_EQ(d.width, ew);
        EXPECT_EQ(d.height, eh);
        EXPECT_EQ(d.samples, expected);
        auto v = test::ExifToolValues(doc->LastSavedPath(), {"Model", "ExifImageWidth", "ProfileDescription"});
        EXPECT_EQ(v["Model"], "FinePix S7000");
        EXPECT_EQ(v["ExifImageWidth"], std::to_string(ew));
        EXPECT_EQ(v["ProfileDescription"], "Adobe RGB (1998)");
    }
}

TEST_F(SaveDocumentTest, FailuresSayWhyAndLeaveNoFile)
{
    doc->SetOutputFormat(OutputFormat::Tiff8);
    doc->SetIncrementFileNumber(false);
    // A target whose directory is a plain file.
    ASSERT_TRUE(test::WriteFile(dir.File("plain"), {'x'}));
    EXPECT_FALSE(doc->OnSaveDocument(dir.File("plain/shot.RAF")));
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_NE(messages.calls[0].text.find(dir.File("plain/shot.TIF")), std::string::npos) << messages.calls[0].text;
    EXPECT_TRUE(host.status.empty()) << "no \"was saved.\"";

    // The disk fills while writing: the old file stays as it was.
    const std::string target = dir.File("shot.TIF");
    ASSERT_TRUE(test::WriteFile(target, {'o', 'l', 'd'}));
    OutputFaults().failAfterBytes = 64;
    EXPECT_FALSE(doc->OnSaveDocument(source));
    OutputFaults() = {};
    ASSERT_EQ(messages.calls.size(), 2u);
    EXPECT_NE(messages.calls[1].text.find("No space left on device"), std::string::npos) << messages.calls[1].text;
    EXPECT_EQ(test::ReadBytes(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_TRUE(host.status.empty());
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
        names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"plain", "shot.RAF", "shot.TIF"}));

    // The same write succeeds once the disk has room: the cache is kept.
    EXPECT_TRUE(doc->OnSaveDocument(source));
    EXPECT_EQ(host.counter.developments, 1);
    EXPECT_GT(test::ReadBytes(target).size(), 3u);
}

TEST_F(SaveDocumentTest, RefusedSavesWriteNothing)
{
    // The output name would be the RAW file itself.
    doc->SetIncrementFileNumber(false);
    doc->SetOutputFormat(OutputFormat::Tiff16);
    { DocumentPaths p = doc->Paths(); p.source = dir.File("shot.TIF"); doc->SetPaths(p); }
    EXPECT_FALSE(doc->OnSaveDocument(doc->SourcePath()));
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, "Some thing wrong!\nAbort writing!");
    { DocumentPaths p = doc->Paths(); p.source = source; doc->SetPaths(p); }

    // An empty crop: nothing, silently.
    doc->SetCrop(doc->CropUnits(), {20, 10, 20, 30});
    EXPECT_FALSE(doc->OnSaveDocument(source));
    EXPECT_EQ(messages.calls.size(), 1u);
    doc->SetCrop(doc->CropUnits(), {});

    // A lens setting that leaves no picture.
    LensCorrectionSettings lens = DefaultLensCorrection();
    lens.distortion = 1000;
    lens.coefficient = 100;
    doc->Edit().SetLens(lens);
    doc->Edit().SetFeature(FeatureKind::LensCorrection, 1);
    EXPECT_FALSE(doc->OnSaveDocument(source));
    ASSERT_EQ(messages.calls.size(), 2u);
    EXPECT_EQ(messages.calls[1].text, kSaveLensEmptyText);

    // Preview size without the preview copy.
    doc->Edit().SetFeature(FeatureKind::LensCorrection, 0);
    doc->SetSizeMode(3);
    doc->SetPreview16({});
    EXPECT_FALSE(doc->OnSaveDocument(source));
    EXPECT_EQ(messages.calls.size(), 2u);
    EXPECT_TRUE(host.status.empty());
    EXPECT_EQ(fs::exists(dir.File("shot.TIF")) || fs::exists(dir.File("shot_t.TIF")), false);
}

TEST_F(SaveDocumentTest, PreviewSizeDarkensOutsideTheCrop)
{
    VELMO_REQUIRE_TOOL("identify");
    doc->SetSizeMode(3);
    doc->SetOutputFormat(OutputFormat::Tiff16);
    for (int rotate : {0, 1}) {
        SCOPED_TRACE(rotate);
        doc->Edit().SetField(ParamField::rotate, rotate);
        const int cols = rotate ? 384 : 512, rows = rotate ? 512 : 384;
        std::vector<uint16_t> copy(size_t(512) * 384 * 3);
        for (size_t i = 0; i < copy.size(); ++i)
            copy[i] = uint16_t(4000 + (i * 37) % 60000);
        doc->SetPreview16(std::move(copy));
        // The crop covers the left half of the display.
        const int dispW = rotate ? doc->Image().imageHeight : doc->Image().imageWidth;
        const int dispH = rotate ? doc->Image().imageWidth : doc->Image().imageHeight;
        doc->SetCrop(doc->CropUnits(), {0, 0, dispW / 2, dispH - 1});
        doc->DropCachedImage();
        ASSERT_TRUE(doc->OnSaveDocument(source));
        EXPECT_EQ(fs::path(doc->LastSavedPath()).filename().string(), rotate == 0 ? "shot_t.TIF" : "shot_t_1.TIF");
        const test::DecodedImage d = test::DecodeWithImageMagick(doc->LastSavedPath(), 16);
        ASSERT_EQ(d.width, cols);
        ASSERT_EQ(d.height, rows);
        for (int r : {0, rows / 2, rows - 1}) {
            for (int c : {0, cols / 4, cols - 1}) {
                const size_t at = (size_t(r) * cols + c) * 3;
                const int64_t x = int64_t(c) * dispW / cols;
                const bool inside = x <= dispW / 2;
                EXPECT_EQ(d.samples[at], inside ? doc->Preview16()[at] : doc->Preview16()[at] >> 2) << r << "," << c;
            }
        }
    }
}

TEST_F(SaveDocumentTest, SaveAsTakesTheChosenFormatForLaterSavesToo)
{
    host.answer = false;
    EXPECT_FALSE(doc->OnFileSaveAs());
    EXPECT_EQ(host.asked.substr(0, host.asked.find('|')), dir.File("shot.PSD"));
    EXPECT_NE(host.asked.find("|Save As output|0|PSD 16bpp(*.PSD)|*.PSD|"), std::string::npos) << host.asked;

    host.answer = true;
    host.answerFormat = 3;
    host.answerPath = dir.File("chosen.PSD");
    ASSERT_TRUE(doc->OnFileSaveAs());
    EXPECT_EQ(doc->Output().format, 3);
    EXPECT_EQ(doc->LastSavedPath(), dir.File("chosen.TIF")) << "the format's extension replaces the chosen one";
    EXPECT_TRUE(fs::exists(dir.File("chosen.TIF")));
}

} // namespace
} // namespace velmo
