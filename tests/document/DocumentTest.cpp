#include "develop/colour/ColorManagement.h"
#include "develop/preview/PreviewWorker.h"
#include "document/VelmoDoc.h"
#include "params/FreeCurveStore.h"
#include "params/EditState.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstring>

namespace velmo {
namespace {

constexpr const char* S = kSettingsSection;

TEST(FullPreviewSize, DesktopTable)
{
    struct Case {
        ScreenSize desktop, expected;
    } cases[] = {
        {{800, 600}, {1024, 768}},
        {{1920, 1080}, {1920, 1440}},
        {{1024, 768}, {1024, 768}},
        {{1080, 1920}, {1080, 810}}, // portrait desktop: 4:3 of the width
        {{2560, 1600}, {2560, 1920}},
    };
    for (const auto& c : cases) {
        const ScreenSize s = FullPreviewSize(c.desktop);
        EXPECT_EQ(s.width, c.expected.width) << c.desktop.width << "x" << c.desktop.height;
        EXPECT_EQ(s.height, c.expected.height) << c.desktop.width << "x" << c.desktop.height;
    }
}

TEST(Document, ConstructionAllocatesMapsAndDefaults)
{
    test::ScopedSettings settings;
    test::RecordingHost host;
    host.desktop = {800, 600};
    CVelmoDoc doc(&host);
    EXPECT_EQ(doc.Image().previewMap1.size() * sizeof(uint16_t), 1182720u);
    EXPECT_EQ(doc.Image().fullWidth, 1024);
    EXPECT_EQ(doc.Image().fullHeight, 768);
    EXPECT_EQ(doc.Image().fullMap1.size(), size_t(1024) * 769 * 3);
    EXPECT_EQ(doc.Histogram().size() * sizeof(int32_t), 12288u);
    EXPECT_EQ(doc.ToneResponse().size() * sizeof(uint16_t), 1536u);
    EXPECT_EQ(doc.Output().jpegQuality, 85);
    EXPECT_EQ(doc.MagnifierX(), -1);
    EXPECT_TRUE(doc.CropUnits().IsNull());
    EXPECT_FALSE(doc.HasImage());
    EXPECT_EQ(doc.IncrementFileNumber(), 1);
    EXPECT_EQ(doc.Edit().Params().wbTempt, 5500);
}

TEST(Document, DestructionPersistsTheSwitches)
{
    test::ScopedSettings settings;
    auto& s = settings.store();
    {
        CVelmoDoc doc;
        doc.Edit().SetSwitch(SwitchId::Grid, 3);
        doc.Edit().SetSwitch(SwitchId::MagnifierSize, 512);
        doc.Edit().SetSwitch(SwitchId::CheckPrv, 0);
        doc.Edit().SetSwitch(SwitchId::UseHLS, 0);
        doc.SetOutputFormat(OutputFormat::Jpeg);
        { OutputOptions o = doc.Output(); o.jpegQuality = 60; doc.SetOutputOptions(o); }
        { DocumentPaths p = doc.Paths(); p.otherColorProfile = "/profiles/mine.icc"; doc.SetPaths(p); }
        doc.SetCameraFamily(6);
        FreeCurveStore curve{};
        for (FreeCurveRecord& c : curve.channel)
            c = IdentityFreeCurveRecord();
        curve.channel[2].count = 3;
        curve.channel[2].points[1] = {30000, 20000};
        curve.channel[2].points[2] = {65535, 65535};
        doc.Edit().SetFreeCurve(curve);
    }
    EXPECT_EQ(s.GetProfileInt(S, "Grid", -1), 3);
    EXPECT_EQ(s.GetProfileInt(S, "MagnifierSize", -1), 512);
    EXPECT_EQ(s.GetProfileInt(S, "CheckPrv", -1), 0);
    EXPECT_EQ(s.GetProfileInt(S, "UseHLS", -1), 0);
    EXPECT_EQ(s.GetProfileInt(S, "WhiteBalanceTable", -1), 6);
    EXPECT_EQ(s.GetProfileString(S, "OtherColorProfile", "?"), "/profiles/mine.icc");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(s.GetProfileBinary(S, "OutputOptions", bytes));
    EXPECT_EQ(bytes.size(), 16u);
    ASSERT_TRUE(s.GetProfileBinary(S, "FreeCurve", bytes));
    EXPECT_EQ(bytes.size(), 272u);
    // The record of the family in use is written even without an image.
    ASSERT_TRUE(s.GetProfileBinary(S, "ParamS55", bytes));
    EXPECT_EQ(bytes.size(), 176u);

    // A new document reads them back.
    CVelmoDoc doc;
    EXPECT_EQ(doc.Edit().Switch(SwitchId::Grid), 3);
    EXPECT_EQ(doc.Edit().Switch(SwitchId::MagnifierSize), 512);
    EXPECT_EQ(doc.Edit().Switch(SwitchId::UseHLS), 0);
    EXPECT_EQ(doc.CameraFamily(), 6);
    EXPECT_EQ(doc.Output().format, 4);
    EXPECT_EQ(doc.Output().jpegQuality, 60);
    EXPECT_EQ(doc.Edit().FreeCurve().channel[2].count, 3);
    EXPECT_EQ(doc.Edit().FreeCurvePointSet().y[2][1], 20000.0f / 65535.0f);
}

TEST(Document, StoredValuesOutOfRangeKeepDefaults)
{
    test::ScopedSettings settings;
    auto& s = settings.store();
    for (int family : {8, 10, -1}) {
        s.WriteProfileInt(S, "WhiteBalanceTable", family);
        CVelmoDoc doc;
        EXPECT_EQ(doc.CameraFamily(), 0) << family;
    }
    const int twelve[3] = {4, 90, 1};
    s.WriteProfileBinary(S, "OutputOptions", twelve, sizeof twelve);
    s.WriteProfileInt(S, "MagnifierSize", 100000);
    s.WriteProfileInt(S, "CheckPrv", 7);
    s.WriteProfileInt(S, "UseLittleCMS", 9);
    std::vector<uint8_t> curve(271, 1);
    s.WriteProfileBinary(S, "FreeCurve", curve.data(), curve.size());
    CVelmoDoc doc;
    EXPECT_EQ(doc.Output().format, 0);
    EXPECT_EQ(doc.Output().jpegQuality, 85);
    EXPECT_EQ(doc.Edit().Switch(SwitchId::MagnifierSize), 256);
    EXPECT_EQ(doc.Edit().Switch(SwitchId::CheckPrv), 2);
    EXPECT_EQ(doc.Colors().GetDisplayChoice(), DisplayChoice::GuiConverts);
    EXPECT_EQ(doc.Edit().FreeCurve().channel[0].count, 0);
}

TEST(Document, DeleteContentsFreesTheImageAndSavesTheRecord)
{
    test::ScopedSettings settings;
    test::RecordingHost host;
    CVelmoDoc doc(&host);
    const test::ImageEventLog log(doc);
    test::EditImage(doc, [&](RawImage& img) {
        img.mainImage.assign(30, 7);
        img.secondFrame.assign(30, 7);
        img.header.assign(4096, 1);
    });
    const uint8_t pixel[3] = {0, 0, 5}; // blue, green, red
    doc.ComputePreviewHistogram(pixel, 1, 1, 0, 0, 0, 0);
    ASSERT_EQ(doc.Histogram()[2048 + 5], 196608);
    doc.Edit().SetField(ParamField::hue, 12);
    doc.DeleteContents();
    EXPECT_FALSE(doc.HasImage());
    EXPECT_TRUE(doc.Image().secondFrame.empty());
    EXPECT_TRUE(doc.Image().header.empty());
    EXPECT_EQ(doc.Histogram()[2048 + 5], 0);
    // Told Loaded, then SelectionHistogram and Closed.
    EXPECT_EQ(log.events, (std::vector<DocImageEvent>{DocImageEvent::Loaded, DocImageEvent::SelectionHistogram,
                                                       DocImageEvent::Closed}));
    DevParams stored;
    ASSERT_TRUE(settings.store().GetProfileBinaryExact(S, "Param", &stored, sizeof stored));
    EXPECT_EQ(stored.hue, 12);
    // The worker stays paused after the stop.
    EXPECT_EQ(doc.Worker().Paused(), 1);
    EXPECT_EQ(doc.Worker().Busy(), 0);
}

// The bits are the loader's (tests/raw/RawImageTest.cpp); the document
// answers from the header of its image.
TEST(Document, DetectExrModeFromTheHeader)
{
    test::ScopedSettings settings;
    CVelmoDoc doc;
    struct Case {
        const char* kind;
        uint32_t at132;
        int result;
    } cases[] = {
        {"2001", 0, 1}, {"2002", 0, 0}, {"2201", 0, 1}, {"2201", 5, 1}, {"2203", 0, 0}, {"0100", 0, 1},
    };
    for (const auto& c : cases) {
        test::EditImage(doc, [&](RawImage& img) {
            img.header.assign(4096, 0);
            std::memcpy(img.header.data() + 24, c.kind, 4);
            std::memcpy(img.header.data() + 132, &c.at132, 4);
        });
        EXPECT_EQ(doc.DetectExrMode(), c.result) << c.kind;
    }
    test::EditImage(doc, [&](RawImage& img) {
        img.header.clear();
    });
    EXPECT_EQ(doc.DetectExrMode(), 1);
}

struct SizeCase {
    std::optional<OutputScale> scale; // none: the current size
    int sizeMode;
    int bayer;
    int rotate;
    Rect crop; // in image pixels, display orientation
    int style;
    const char* text;
    bool current;
};

TEST(FormatOutputSize, CaptionTable)
{
    test::ScopedSettings settings;
    CVelmoDoc doc;
    test::EditImage(doc, [&](RawImage& img) {
        img.imageWidth = 2048;
        img.imageHeight = 1536;
    });
    const SizeCase cases[] = {
        {OutputScale::Full, 0, 0, 0, {}, 0, "Full size  (4096x3072:12.6M)", true},
        {OutputScale::Full, 0, 0, 0, {}, 1, "Full size\t (4096x3072:12.6M)", true},
        {OutputScale::NineSixteenths, 0, 0, 0, {}, 0, "9/16 size  (3072x2304: 7.1M)", false},
        {OutputScale::Quarter, 2, 0, 0, {}, 0, "Quater size  (2048x1536: 3.1M)", true},
        {OutputScale::Preview, 0, 1, 0, {}, 0, "Preview size  ( 512x 384: 0.2M)", false},
        {std::nullopt, 1, 0, 0, {}, 2, "3072x2304", true},
        {OutputScale::Full, 0, 1, 0, {}, 2, "2048x1536", true},
        {OutputScale::Full, 0, 0, 1, {}, 2, "3072x4096", true},
        // Half the picture each way.
        {OutputScale::Full, 0, 0, 0, {0, 0, 1024, 768}, 2, "2048x1536", true},
        // Turned: the crop is in the turned picture, 1536 wide and 2048 high.
        {OutputScale::Full, 0, 0, 1, {0, 0, 768, 1024}, 2, "1536x2048", true},
        {OutputScale::Quarter, 0, 0, 0, {100, 100, 2048, 1536}, 2, "1948x1436", false},
        {OutputScale::NineSixteenths, 0, 1, 0, {100, 100, 2048, 1536}, 2, "1461x1077", false},
        // The preview-size save writes the whole preview, crop or not.
        {OutputScale::Preview, 0, 0, 0, {100, 100, 600, 500}, 2, "0512x0384", false},
    };
    for (const auto& c : cases) {
        doc.SetSizeMode(c.sizeMode);
        test::EditImage(doc, [&](RawImage& img) {
            img.bayerFlag = c.bayer;
        });
        doc.Edit().SetField(ParamField::rotate, c.rotate);
        // The units do not enter: the caption is the saved file's size.
        doc.SetCrop(c.crop.IsNull() ? Rect{} : Rect{1, 1, 2, 2}, c.crop);
        bool current = !c.current;
        EXPECT_EQ(doc.FormatOutputSize(c.scale, &current, c.style), c.text) << c.text;
        EXPECT_EQ(current, c.current) << c.text;
    }
    bool untouched = true;
    doc.SetCrop({}, {});
    doc.Edit().SetField(ParamField::rotate, 0);
    EXPECT_EQ(doc.FormatOutputSize(OutputScale(5), &untouched, 2), "2048x1536");
    EXPECT_TRUE(untouched);
}

TEST(Document, ManyDocumentsStartAndStopTheirWorkers)
{
    test::ScopedSettings settings;
    for (int i = 0; i < 20; ++i) {
        CVelmoDoc doc;
        doc.StopWorker();
        doc.DeleteContents();
    }
}

} // namespace
} // namespace velmo
