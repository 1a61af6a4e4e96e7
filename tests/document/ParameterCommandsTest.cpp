// The document's parameter commands without a GUI: what each changes in the
// record, the switches and the output settings, and which refresh of the
// host follows. The command routing itself is tested through the main window
// (tests/app/DocCommandsTest.cpp).
#include "develop/colour/ColorManagement.h"
#include "develop/preview/FullPreviewBitmap.h"
#include "document/CommandRules.h"
#include "document/VelmoDoc.h"
#include "params/FreeCurveStore.h"
#include "support/RafBuilder.h"
#include "support/TestEnv.h"
#include "tests/develop/PreviewTestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace velmo {
namespace {

using namespace std::chrono_literals;

// Records the host calls the parameter commands make (the refreshes reach
// the palettes through the edit state: test::EditLog).
class CommandHost : public test::RecordingHost {
public:
    void SetStatusText(const std::string& text) override { status = text; }
    void SetPreviewProfile(int icc) override { profiles.push_back(icc); }
    void UpdatePreviewBitmap() override { ++bitmapUpdates; }

    int bitmapUpdates = 0;
    std::string status;
    std::vector<int> profiles;
};

class ParameterCommands : public ::testing::Test {
protected:
    test::ScopedSettings settings;
    test::RecordingMessages messages;
    CommandHost host;
};

TEST(WhiteBalanceCommands, EachItemSelectsThePresetOfItsName)
{
    // With the RAF presets the items are the presets; without, the family
    // tables' order applies.
    for (int i = 0; i <= 12; ++i)
        EXPECT_EQ(WhiteBalanceForCommand(i, true), i);
    const int oldOrder[13] = {8, 0, 1, 2, 3, 4, 5, 10, 11, 12, 6, 7, 9};
    for (int i = 0; i <= 12; ++i)
        EXPECT_EQ(WhiteBalanceForCommand(i, false), oldOrder[i]) << i;
    // "&1:daylight" 0, "&0:as shot" 8, "&c:color temperature" the temperature preset.
    EXPECT_EQ(WhiteBalanceForCommand(1, false), 0);
    EXPECT_EQ(WhiteBalanceForCommand(0, false), 8);
    EXPECT_EQ(WhiteBalanceForCommand(12, false), TemperaturePreset(false));
    EXPECT_EQ(WhiteBalanceForCommand(12, true), TemperaturePreset(true));
    // Ids without items read no table.
    for (int i : {-1, 13, 19})
        EXPECT_EQ(WhiteBalanceForCommand(i, false), -1);
}

TEST_F(ParameterCommands, RotationFromTheTurnsAndFromTheExifOrientation)
{
    struct Case {
        int orientation;
        Rotation rotation;
        int rotate; // after
    } cases[] = {
        {0, Rotation::Right, 1},    {0, Rotation::Left, 2},     {0, Rotation::None, 0},
        {8, Rotation::FromExif, 2}, {6, Rotation::FromExif, 1}, {3, Rotation::FromExif, 0},
        {0, Rotation::FromExif, 0},
    };
    for (const Case& c : cases) {
        CVelmoDoc doc(&host);
        doc.Edit().ModifyParams([&](DevParams& p) {
            p.exifOrientation = c.orientation;
            p.rotate = c.rotate == 0 ? 1 : 0; // always a change
        });
        host.layouts = host.viewUpdates = host.cropResends = 0;
        doc.SetRotation(c.rotation);
        EXPECT_EQ(doc.Edit().Params().rotate, c.rotate) << int(c.rotation) << " " << c.orientation;
        EXPECT_EQ(host.layouts, 1);
        EXPECT_EQ(host.viewUpdates, 1);
        EXPECT_EQ(host.cropResends, 1);
    }

    // No change: nothing is laid out again; values beyond the turns do nothing.
    CVelmoDoc doc(&host);
    doc.SetRotation(Rotation::Right);
    host.layouts = 0;
    for (int value : {1, 3, 8, -2})
        doc.SetRotation(Rotation(value));
    EXPECT_EQ(doc.Edit().Params().rotate, 1);
    EXPECT_EQ(host.layouts, 0);
}

TEST_F(ParameterCommands, OutputSizeKeepsTheBayerBitAndDropsTheCachedImage)
{
    test::WorkerHost workerHost;
    CVelmoDoc doc(&workerHost);
    test::PrepareSyntheticDocument(doc, 256, 192);
    test::EditImage(doc, [](RawImage& img) { img.bayerFlag = 1; });
    doc.ResumeWorker();
    doc.OnOutputSize(OutputScale::NineSixteenths);
    EXPECT_EQ(doc.Output().sizeMode, 9);
    doc.OnOutputSize(OutputScale::Preview);
    EXPECT_EQ(doc.Output().sizeMode, 11);
    EXPECT_EQ(doc.FullPreview(), nullptr);
    // Values beyond the four sizes change nothing.
    doc.OnOutputSize(OutputScale(4));
    doc.OnOutputSize(OutputScale(-1));
    EXPECT_EQ(doc.Output().sizeMode, 11);
    // Back to full size: the worker builds the full preview again.
    doc.OnOutputSize(OutputScale::Full);
    EXPECT_EQ(doc.Output().sizeMode, 8);
    ASSERT_TRUE(workerHost.WaitForReady(1));
    ASSERT_TRUE(test::WaitForWorkerIdle(doc));
    EXPECT_NE(doc.FullPreview(), nullptr);
}

TEST_F(ParameterCommands, StoppingTheWorkerIsBounded)
{
    test::WorkerHost workerHost;
    CVelmoDoc doc(&workerHost);
    test::PrepareSyntheticDocument(doc, 256, 192);
    // A build that ignores the stop request until released.
    std::atomic<bool> release{false};
    std::atomic<int> entered{0};
    workerHost.SetProgressHook([&](int percent, const std::string& label) {
        if (percent != 0 || label != "Make preview1")
            return;
        ++entered;
        const auto end = std::chrono::steady_clock::now() + 30s;
        while (!release.load() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(200us);
    });
    doc.ResumeWorker();
    const auto wait = std::chrono::steady_clock::now() + 30s;
    while (entered.load() == 0 && std::chrono::steady_clock::now() < wait)
        std::this_thread::sleep_for(200us);
    ASSERT_EQ(entered.load(), 1);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(doc.StopWorker(50ms));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    // The late build cannot publish once it is dropped.
    doc.DropFullPreview();
    release = true;
    EXPECT_TRUE(doc.StopWorker(30s));
    EXPECT_EQ(doc.FullPreview(), nullptr);
    EXPECT_EQ(workerHost.Ready(), 0);
    workerHost.SetProgressHook(nullptr);
}

TEST_F(ParameterCommands, SharpnessPresets)
{
    CVelmoDoc doc(&host);
    doc.Edit().ModifyParams([](DevParams& p) {
        p.soften = 7;
        p.harden = 9;
    });
    struct Case {
        int sharpness, soften, harden;
    } cases[] = {{0, 0, 20}, {1, 0, 5}, {2, 20, 0}, {3, 7, 9}, {4, 0, 0}, {-1, 0, 0}};
    for (const Case& c : cases) {
        doc.Edit().SetField(ParamField::sharpness, c.sharpness);
        int soften = -5, harden = -5;
        doc.GetSharpnessPreset(&soften, &harden);
        EXPECT_EQ(soften, c.soften) << c.sharpness;
        EXPECT_EQ(harden, c.harden) << c.sharpness;
    }
    EXPECT_TRUE(doc.SetSharpnessPreset(2));
    EXPECT_EQ(doc.Edit().Params().sharpness, 2);
    EXPECT_FALSE(doc.SetSharpnessPreset(4));
    EXPECT_EQ(doc.Edit().Params().sharpness, 2);
}

TEST_F(ParameterCommands, NeutralResetLeavesTemperatureTypeAndFeatures)
{
    CVelmoDoc doc(&host);
    test::EditLog log(doc.Edit());
    doc.Edit().ModifyParams([](DevParams& p) {
        p.whiteBalance = 3;
        p.gamma = 2.2f;
        p.contrast = 4;
        p.brightness = -3;
        p.hue = 12;
        p.mixSR = 40;
        p.saturation = 130;
        p.sharpness = 0;
        p.wbTempt = 4300;
        p.typeSR = 2;
    });
    doc.Edit().SetFeature(FeatureKind::LensCorrection, true);
    doc.Edit().SetFeature(FeatureKind::FreeCurve, true);
    DevParams expected = doc.Edit().Params();
    expected.whiteBalance = -1;
    expected.gamma = 1.0f;
    expected.contrast = expected.brightness = expected.hue = expected.mixSR = 0;
    expected.saturation = 100;
    expected.sharpness = 1;

    doc.NeutralReset();
    EXPECT_EQ(std::memcmp(&doc.Edit().Params(), &expected, sizeof expected), 0);
    EXPECT_TRUE(doc.Edit().FeatureOn(FeatureKind::LensCorrection));
    EXPECT_TRUE(doc.Edit().FeatureOn(FeatureKind::FreeCurve));
    EXPECT_FALSE(doc.Edit().FeatureOn(FeatureKind::SelectiveColors));
    EXPECT_EQ(log.Refreshes(), 1);
}

TEST_F(ParameterCommands, FramesSwapWithTheirMapsOnlyWhenASecondFrameExists)
{
    CVelmoDoc doc(&host);
    test::EditLog log(doc.Edit());
    EXPECT_FALSE(doc.SwapFrames());
    test::PrepareSyntheticDocument(doc, 64, 48, true);
    test::EditImage(doc, [](RawImage& img) {
        img.mainImage = {1, 2, 3};
        img.secondFrame = {4, 5, 6};
        img.previewMap2.assign(img.previewMap2.size(), 7);
    });
    const std::vector<uint16_t> map1 = doc.Image().previewMap1;
    const std::vector<uint16_t> full1 = doc.Image().fullMap1;
    const std::vector<uint16_t> full2 = doc.Image().fullMap2;
    log.changes.clear();
    EXPECT_TRUE(doc.SwapFrames());
    EXPECT_EQ(doc.Image().mainImage, (std::vector<uint16_t>{4, 5, 6}));
    EXPECT_EQ(doc.Image().secondFrame, (std::vector<uint16_t>{1, 2, 3}));
    EXPECT_EQ(doc.Image().previewMap2, map1);
    EXPECT_EQ(doc.Image().previewMap1, std::vector<uint16_t>(map1.size(), 7));
    EXPECT_EQ(doc.Image().fullMap1, full2);
    EXPECT_EQ(doc.Image().fullMap2, full1);
    EXPECT_EQ(log.Refreshes(), 1);
}

TEST_F(ParameterCommands, HoneycombNeedsAnImageAndSaysItsState)
{
    CVelmoDoc doc(&host);
    const int before = doc.Edit().Params().honeycomb;
    doc.ToggleHoneycomb();
    EXPECT_EQ(doc.Edit().Params().honeycomb, before);
    EXPECT_EQ(host.status, "");

    test::PrepareSyntheticDocument(doc, 64, 48);
    doc.Edit().SetField(ParamField::honeycomb, 1);
    doc.ToggleHoneycomb();
    EXPECT_EQ(doc.Edit().Params().honeycomb, 0);
    EXPECT_EQ(host.status, "HoneyCum:off");
    doc.ToggleHoneycomb();
    EXPECT_EQ(host.status, "HoneyCum:On");
}

TEST_F(ParameterCommands, OldWhiteBalanceResetsToTheDefaultsOfTheNewMode)
{
    CVelmoDoc doc(&host);
    test::EditLog log(doc.Edit());
    ASSERT_TRUE(doc.Edit().UseRafWB());
    doc.Edit().SetField(ParamField::contrast, 3);
    const int layouts = host.layouts;
    log.changes.clear();
    doc.ToggleUseRafWB();
    EXPECT_FALSE(doc.Edit().UseRafWB());
    // The palettes are told of the switch (they fill their lists again),
    // the frame lays itself out for the defaults' turn.
    ASSERT_FALSE(log.changes.empty());
    EXPECT_EQ(log.changes.front().target, EditTarget::Switch);
    EXPECT_EQ(log.changes.front().switchId, SwitchId::UseRafWB);
    EXPECT_EQ(host.layouts, layouts + 1);
    EXPECT_EQ(log.Refreshes(), 1);
    const DevParams defaults = DefaultParameters(doc.CameraFamily(), false, doc.Edit().Params());
    EXPECT_EQ(doc.Edit().Params().contrast, defaults.contrast);
    EXPECT_EQ(doc.Edit().Params().saturation, defaults.saturation);
    doc.ToggleUseRafWB();
    EXPECT_TRUE(doc.Edit().UseRafWB());

    doc.ToggleUseHLS();
    EXPECT_EQ(doc.Edit().Switch(SwitchId::UseHLS), 0);
    doc.ToggleUseOldNR();
    EXPECT_EQ(doc.Edit().Switch(SwitchId::UseOldNR), 1);
}

TEST_F(ParameterCommands, OutputColourSpaceRetagsOrRedevelops)
{
    test::TempDir dir;
    const std::string path = dir.File("space.RAF");
    ASSERT_TRUE(test::WriteRaf(path, test::RafFileSpec{}));
    CVelmoDoc doc(&host);
    test::EditLog log(doc.Edit());
    ASSERT_TRUE(doc.OnOpenDocument(path));
    doc.SetMagnifierCentre(256, 192);
    doc.UpdateMagnifier();
    ASSERT_NE(doc.MagnifierImage(), nullptr);

    // The GUI converts: the pictures keep their pixels and take the profile.
    log.changes.clear();
    const test::ImageEventLog images(doc);
    const std::vector<uint8_t> pixels = doc.MagnifierImage()->bgr;
    EXPECT_TRUE(doc.SetOutputColorSpace(1));
    EXPECT_EQ(doc.Edit().Params().ICC, 1);
    EXPECT_EQ(host.profiles, std::vector<int>{1});
    EXPECT_EQ(host.bitmapUpdates, 1);
    EXPECT_EQ(images.events, std::vector<DocImageEvent>{DocImageEvent::MagnifierRendered});
    EXPECT_EQ(doc.MagnifierImage()->bgr, pixels);
    EXPECT_EQ(*doc.MagnifierImage()->profile, *doc.Colors().ProfileForDisplay(1));
    EXPECT_EQ(log.Refreshes(), 0);

    // LittleCMS converts: everything is developed again.
    ASSERT_TRUE(doc.Colors().SetDisplayChoice(DisplayChoice::Srgb));
    EXPECT_TRUE(doc.SetOutputColorSpace(3));
    EXPECT_EQ(log.Refreshes(), 1);

    // Slots beyond the table are refused.
    for (int icc : {5, 9, -1})
        EXPECT_FALSE(doc.SetOutputColorSpace(icc));
    EXPECT_EQ(doc.Edit().Params().ICC, 3);
}

TEST_F(ParameterCommands, MagnifierSizeTakesOnlyItsTwoSizes)
{
    CVelmoDoc doc(&host);
    // The magnifier palette follows the switch.
    std::vector<int> sizes;
    const EditSubscription listener = doc.Edit().Subscribe([&](const EditChange& change) {
        if (change.target == EditTarget::Switch && change.switchId == SwitchId::MagnifierSize)
            sizes.push_back(doc.Edit().Switch(SwitchId::MagnifierSize));
    });
    EXPECT_TRUE(doc.SetMagnifierSize(512));
    EXPECT_FALSE(doc.SetMagnifierSize(300));
    EXPECT_EQ(doc.Edit().Switch(SwitchId::MagnifierSize), 512);
    EXPECT_EQ(sizes, std::vector<int>{512});
}

TEST_F(ParameterCommands, ClosingAnImageDropsItsExifAndALoadNamesTheLens)
{
    test::TempDir dir;
    const std::string path = dir.File("lens.RAF");
    ASSERT_TRUE(test::WriteRaf(path, test::RafFileSpec{}));
    CVelmoDoc doc(&host);
    const test::ImageEventLog log(doc);
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_EQ(log.Count(DocImageEvent::LensInfoChanged), 1);
    EXPECT_EQ(doc.Lens().modelName, "FinePix S5600");
    EXPECT_FLOAT_EQ(doc.Lens().focalLength, 70.0f);
    EXPECT_FALSE(doc.Image().exifLines.empty());
    EXPECT_FALSE(doc.Image().exifIndex.tags.empty());

    doc.DeleteContents();
    EXPECT_TRUE(doc.Image().exifLines.empty());
    EXPECT_TRUE(doc.Image().exifIndex.tags.empty());
}

TEST_F(ParameterCommands, StoredFreeCurveIsDevelopedFromTheStart)
{
    FreeCurveStore curve{};
    for (FreeCurveRecord& c : curve.channel)
        c = IdentityFreeCurveRecord();
    curve.channel[0].count = 3;
    curve.channel[0].points[1] = {20000, 40000};
    curve.channel[0].points[2] = {65535, 65535};
    settings.store().WriteProfileBinary(kSettingsSection, "FreeCurve", &curve, sizeof curve);

    CVelmoDoc doc(&host);
    doc.Edit().SetFeature(FeatureKind::FreeCurve, true);
    const DevelopContext ctx = doc.PrepareDevelopment();
    ASSERT_TRUE(ctx.freeCurveOn);
    ASSERT_NE(ctx.freeCurve, nullptr);
    EXPECT_FALSE(ctx.freeCurve->IsIdentity());
}

} // namespace
} // namespace velmo
