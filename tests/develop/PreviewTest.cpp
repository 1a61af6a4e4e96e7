#include "PreviewTestEnv.h"
#include "develop/colour/ColorManagement.h"
#include "develop/preview/FullPreviewBitmap.h"
#include "develop/preview/RenderPreview.h"
#include "document/VelmoDoc.h"
#include "params/LensCorrectionSettings.h"
#include "platform/core/ParallelRows.h"
#include "res/IccProfiles.h"
#include "support/RafBuilder.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstring>
#include <numeric>
#include <string>
#include <vector>

namespace velmo {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr int W = CVelmoDoc::kPreviewWidth;
constexpr int H = CVelmoDoc::kPreviewHeight;

// A document with the synthetic scene, kept out of the worker's way: in
// preview-size mode no full preview is built.
class PreviewFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc = std::make_unique<CVelmoDoc>(&host);
        test::PrepareSyntheticDocument(*doc, 640, 480);
        doc->SetSizeMode(3);
    }

    Bytes Develop()
    {
        Bytes bits(size_t(W) * H * 3, 0xAB);
        doc->DevelopPreview(bits.data());
        return bits;
    }

    Bytes DevelopFull()
    {
        Bytes bits(size_t(doc->Image().fullWidth) * doc->Image().fullHeight * 3, 0);
        EXPECT_NE(doc->MakePreview(bits.data(), doc->Image().fullWidth, doc->Image().fullHeight, false), nullptr);
        return bits;
    }

    test::ScopedSettings settings;
    test::RecordingMessages messages;
    test::WorkerHost host;
    std::unique_ptr<CVelmoDoc> doc;
};

// Pixel (x, y) of a packed BGR picture of the given width.
const uint8_t* At(const Bytes& bits, int width, int x, int y)
{
    return bits.data() + (size_t(y) * size_t(width) + size_t(x)) * 3;
}

// --- Preview development ----------------------------------------------------------

TEST_F(PreviewFixture, HistogramsCountEveryShownPixel)
{
    const Bytes bits = Develop();
    struct {
        std::array<int32_t, 256> red{}, green{}, blue{}, luma{};
    } expected;
    for (size_t i = 0; i < bits.size(); i += 3) {
        const int b = bits[i], g = bits[i + 1], r = bits[i + 2];
        ++expected.red[size_t(r)];
        ++expected.green[size_t(g)];
        ++expected.blue[size_t(b)];
        ++expected.luma[size_t((2 * r + 4 * g + b) / 7)];
    }
    const int32_t* block = doc->Histogram().data();
    for (int table = 0; table < 4; ++table) {
        const int32_t* bins = block + table * 256;
        EXPECT_EQ(std::accumulate(bins, bins + 256, int64_t(0)), int64_t(W) * H) << table;
    }
    EXPECT_TRUE(std::equal(expected.red.begin(), expected.red.end(), block));
    EXPECT_TRUE(std::equal(expected.green.begin(), expected.green.end(), block + 256));
    EXPECT_TRUE(std::equal(expected.blue.begin(), expected.blue.end(), block + 512));
    EXPECT_TRUE(std::equal(expected.luma.begin(), expected.luma.end(), block + 768));
    // The tone response rises from black to white.
    EXPECT_LT(doc->ToneResponse()[3 * 10 + 1], doc->ToneResponse()[3 * 200 + 1]);
    EXPECT_EQ(host.previewProfiles, std::vector<int>{doc->Edit().Params().ICC});
}

TEST_F(PreviewFixture, ClipWarningShowsHighlightsRedAndShadowsBlue)
{
    uint16_t white[3] = {0xFFFF, 0xFFFF, 0xFFFF}, black[3] = {0, 0, 0}, edge[3] = {0xFFFB, 0xFFFB, 0xFFFA};
    uint16_t dark[3] = {4, 4, 4}, mid[3] = {5, 0, 0};
    ApplyClipWarning(&white[0], &white[1], &white[2]);
    ApplyClipWarning(&black[0], &black[1], &black[2]);
    ApplyClipWarning(&edge[0], &edge[1], &edge[2]);
    ApplyClipWarning(&dark[0], &dark[1], &dark[2]);
    ApplyClipWarning(&mid[0], &mid[1], &mid[2]);
    EXPECT_EQ((std::vector<uint16_t>{white[0], white[1], white[2]}), (std::vector<uint16_t>{0xFFFF, 0, 0}));
    EXPECT_EQ((std::vector<uint16_t>{black[0], black[1], black[2]}), (std::vector<uint16_t>{0, 0, 0xFFFF}));
    EXPECT_EQ((std::vector<uint16_t>{edge[0], edge[1], edge[2]}), (std::vector<uint16_t>{0xFFFB, 0xFFFB, 0xFFFA}));
    EXPECT_EQ((std::vector<uint16_t>{dark[0], dark[1], dark[2]}), (std::vector<uint16_t>{4, 4, 0xFFFF}));
    EXPECT_EQ((std::vector<uint16_t>{mid[0], mid[1], mid[2]}), (std::vector<uint16_t>{5, 0, 0}));

    // The scene's white patch is at the top left, its black patch beside it.
    doc->Edit().SetField(ParamField::contrast, 0);
    doc->Edit().SetField(ParamField::brightness, 0);
    const Bytes plain = Develop();
    doc->SetClipWarning(true);
    const Bytes warned = Develop();
    const uint8_t* w = At(warned, W, 20, 20);
    const uint8_t* k = At(warned, W, 90, 20);
    EXPECT_EQ((std::vector<int>{w[0], w[1], w[2]}), (std::vector<int>{0, 0, 255})) << "white shows red";
    EXPECT_EQ((std::vector<int>{k[0], k[1], k[2]}), (std::vector<int>{255, 0, 0})) << "black shows blue";
    EXPECT_EQ(At(plain, W, 20, 20)[1], 255);
    EXPECT_EQ(At(plain, W, 90, 20)[0], 0);
    // Elsewhere nothing changes.
    EXPECT_EQ(0, std::memcmp(At(plain, W, 0, 200), At(warned, W, 0, 200), size_t(W) * 3 * 100));
    // The tone response carries the warning too: white input shows red.
    EXPECT_EQ(doc->ToneResponse()[3 * 255 + 1], 0);
    EXPECT_EQ(doc->ToneResponse()[3 * 0 + 2], 0xFFFF);
}

struct BandCase {
    int family;
    int imageHeight;
    int firstRow;  // first row of the picture
    int lastRow;   // last row of the picture
};

class PreviewBandTest : public PreviewFixture, public ::testing::WithParamInterface<BandCase> {};

TEST_P(PreviewBandTest, LetterboxRowsAreBlack)
{
    const BandCase c = GetParam();
    doc->SetCameraFamily(c.family);
    test::EditImage(*doc, [&](RawImage& img) {
        img.imageHeight = c.imageHeight;
    });
    doc->Edit().SetField(ParamField::brightness, 40); // black input would show grey
    const Bytes bits = Develop();
    auto rowIsBlack = [&](int y) {
        return std::all_of(At(bits, W, 0, y), At(bits, W, 0, y + 1), [](uint8_t v) { return v == 0; });
    };
    for (int y = 0; y < H; ++y)
        EXPECT_EQ(rowIsBlack(y), y < c.firstRow || y > c.lastRow) << "row " << y;
}

INSTANTIATE_TEST_SUITE_P(Families, PreviewBandTest,
                         ::testing::Values(BandCase{7, 1365, 21, 363}, // 3:2: Z = 341, d = 21
                                           BandCase{1, 1365, 21, 363},
                                           BandCase{0, 1365, 0, H - 1},  // other families: the maps' own rows
                                           BandCase{7, 1536, 0, H - 1},  // 4:3 fills the frame
                                           BandCase{7, 2048, 0, H - 1})); // taller than 4:3

TEST(PreviewBand, SizeOfTheBand)
{
    const PreviewBand b = LetterboxBand(7, 3000, 2000, 512, 384);
    EXPECT_EQ(b.bandHeight, 341);
    EXPECT_EQ(b.firstRow, 21);
    EXPECT_TRUE(b.IsBlack(20, 384));
    EXPECT_FALSE(b.IsBlack(21, 384));
    EXPECT_FALSE(b.IsBlack(363, 384));
    EXPECT_TRUE(b.IsBlack(364, 384));
    EXPECT_FALSE(LetterboxBand(2, 3000, 2000, 512, 384).IsBlack(0, 384));
}

TEST_F(PreviewFixture, RotationTurnsThePictureAndItsCopy)
{
    const Bytes straight = Develop();
    const std::vector<uint16_t> copy = doc->Preview16();
    for (int rotate : {1, 2}) {
        doc->Edit().SetField(ParamField::rotate, rotate);
        const Bytes turned = Develop();
        const std::vector<uint16_t>& copyTurned = doc->Preview16();
        // 384 wide and 512 rows.
        for (int r = 0; r < H; r += 7) {
            for (int c = 0; c < W; c += 5) {
                const int x = rotate == 1 ? H - 1 - r : r;
                const int y = rotate == 1 ? c : W - 1 - c;
                ASSERT_EQ(0, std::memcmp(At(turned, H, x, y), At(straight, W, c, r), 3)) << rotate << " " << c << "," << r;
                ASSERT_EQ(0, std::memcmp(&copyTurned[(size_t(y) * H + size_t(x)) * 3],
                                         &copy[(size_t(r) * W + size_t(c)) * 3], 6));
            }
        }
    }
}

TEST_F(PreviewFixture, RefusesOtherSizesAndDocumentsWithoutAnImage)
{
    Bytes bits(size_t(W) * H * 3);
    EXPECT_EQ(doc->MakePreview(bits.data(), 100, 100, false), nullptr);
    EXPECT_EQ(doc->MakePreview(nullptr, W, H, false), nullptr);
    EXPECT_EQ(doc->MakePreview(bits.data(), W, H, false), bits.data());
    test::EditImage(*doc, [&](RawImage& img) {
        img.mainImage.clear();
    });
    EXPECT_EQ(doc->MakePreview(bits.data(), W, H, false), nullptr);
}

TEST_F(PreviewFixture, OneThreadAndAllCoresGiveTheSameBytes)
{
    test::PrepareSyntheticDocument(*doc, 640, 480, true);
    doc->SetSizeMode(3);
    doc->Edit().SetField(ParamField::sharpness, 3);
    doc->Edit().SetField(ParamField::soften, 30);
    doc->Edit().SetField(ParamField::harden, 60);
    doc->Edit().SetField(ParamField::hue, 10);
    SetWorkerThreads(1);
    const Bytes preview1 = Develop();
    const std::vector<int32_t> hist1 = doc->Histogram();
    const Bytes full1 = DevelopFull();
    SetWorkerThreads(0);
    ASSERT_GT(WorkerThreads(), 1);
    const Bytes previewN = Develop();
    const Bytes fullN = DevelopFull();
    EXPECT_EQ(preview1, previewN);
    EXPECT_EQ(hist1, doc->Histogram());
    EXPECT_EQ(full1, fullN);
}

// --- Sharpening of the full preview ---------------------------------------------

TEST(PreviewSharpen, CentresOfThePresets)
{
    struct Case {
        int sharpness, soften, harden, expectSoften, expectHarden;
    } cases[] = {
        {1, 0, 0, 166, 75},   // Normal: harden 5
        {0, 0, 0, 166, 45},   // Hard: harden 20
        {2, 0, 0, 45, 166},   // Soft: soften 20
        {3, 100, 100, 0, 1},  // the harden centre never reaches 0
        {3, -20, 300, 166, 1}, // amounts clamped to 0..100
        {7, 50, 50, 166, 166}, // unknown preset: neither
    };
    for (const Case& c : cases) {
        const PreviewSharpen s = PreviewSharpenCentres(c.sharpness, c.soften, c.harden);
        EXPECT_EQ(s.soften, c.expectSoften) << c.sharpness << " " << c.soften;
        EXPECT_EQ(s.harden, c.expectHarden) << c.sharpness << " " << c.harden;
    }
}

TEST_F(PreviewFixture, SharpeningOnlyDarkensAndKeepsFlatAreas)
{
    doc->Edit().SetField(ParamField::sharpness, 4); // no sharpening
    const Bytes plain = DevelopFull();
    doc->Edit().SetField(ParamField::sharpness, 3);
    doc->Edit().SetField(ParamField::soften, 0);
    doc->Edit().SetField(ParamField::harden, 100);
    const Bytes hard = DevelopFull();
    size_t darker = 0;
    for (size_t i = 0; i < plain.size(); ++i) {
        ASSERT_LE(hard[i], plain[i]) << i;
        darker += hard[i] < plain[i];
    }
    EXPECT_GT(darker, 0u);
    // Inside the white patch (flat) the luma stays.
    const int w = doc->Image().fullWidth;
    EXPECT_EQ(0, std::memcmp(At(hard, w, 10, 10), At(plain, w, 10, 10), 3 * 20));
    // Softening alone spreads the patch's edge.
    doc->Edit().SetField(ParamField::soften, 100);
    doc->Edit().SetField(ParamField::harden, 0);
    const Bytes soft = DevelopFull();
    EXPECT_NE(soft, plain);
}

// --- Lens correction ------------------------------------------------------------

class PreviewLensTest : public PreviewFixture {
protected:
    void SetUp() override
    {
        PreviewFixture::SetUp();
        doc->Edit().SetLens(DefaultLensCorrection());
    }
    void TearDown() override
    {
        doc->Edit().SetLens(DefaultLensCorrection());
        PreviewFixture::TearDown();
    }
    // The 16-bit copy of a preview with the given record, lens correction on.
    std::vector<uint16_t> WithLens(const LensCorrectionSettings& s)
    {
        doc->Edit().SetLens(s);
        doc->Edit().SetFeature(FeatureKind::LensCorrection, 1);
        Develop();
        doc->Edit().SetFeature(FeatureKind::LensCorrection, 0);
        return doc->Preview16();
    }
    uint16_t Channel(const std::vector<uint16_t>& copy, int x, int y, int ch) const
    {
        return copy[(size_t(y) * W + size_t(x)) * 3 + size_t(ch)];
    }
};

TEST_F(PreviewLensTest, NeutralRecordDevelopsLikeNoCorrection)
{
    Develop();
    const std::vector<uint16_t> off = doc->Preview16();
    EXPECT_EQ(WithLens(DefaultLensCorrection()), off);
}

TEST_F(PreviewLensTest, VignettingDarkensTowardsTheCornersOnly)
{
    Develop();
    const std::vector<uint16_t> off = doc->Preview16();
    LensCorrectionSettings s = DefaultLensCorrection();
    s.vignetteAmount = -50;
    const std::vector<uint16_t> on = WithLens(s);
    EXPECT_EQ(Channel(on, 256, 192, 1), Channel(off, 256, 192, 1)) << "the centre keeps its value";
    EXPECT_LT(Channel(on, 500, 380, 1), Channel(off, 500, 380, 1));
    EXPECT_LT(Channel(on, 500, 380, 1) / double(Channel(off, 500, 380, 1)),
              Channel(on, 300, 200, 1) / double(Channel(off, 300, 200, 1)));
}

TEST_F(PreviewLensTest, RedAberrationMovesOnlyRed)
{
    Develop();
    const std::vector<uint16_t> off = doc->Preview16();
    LensCorrectionSettings s = DefaultLensCorrection();
    s.chromaRed = 50;
    const std::vector<uint16_t> on = WithLens(s);
    size_t redChanged = 0;
    for (size_t i = 0; i < on.size(); i += 3) {
        ASSERT_EQ(on[i + 1], off[i + 1]) << i;
        ASSERT_EQ(on[i + 2], off[i + 2]) << i;
        redChanged += on[i] != off[i];
    }
    EXPECT_GT(redChanged, 1000u);
}

TEST_F(PreviewLensTest, LetterboxedPictureIsCorrectedInItsOwnFrame)
{
    doc->SetCameraFamily(7);
    test::EditImage(*doc, [](RawImage& img) { img.imageHeight = 1365; }); // band rows 21..363, Z = 341
    Develop();
    const std::vector<uint16_t> off = doc->Preview16();
    LensCorrectionSettings s = DefaultLensCorrection();
    s.vignetteAmount = -60;
    const std::vector<uint16_t> on = WithLens(s);
    // The band's top and bottom rows lie equally far from its centre.
    const double top = Channel(on, 256, 21, 1) / double(Channel(off, 256, 21, 1));
    const double bottom = Channel(on, 256, 361, 1) / double(Channel(off, 256, 361, 1));
    EXPECT_LT(top, 0.95);
    EXPECT_NEAR(top, bottom, 0.02);
    EXPECT_EQ(Channel(on, 256, 10, 1), 0); // the band stays black
}

// --- Colour management -------------------------------------------------------------

Bytes BuiltIn(int slot)
{
    const BuiltInIccProfile& p = kBuiltInIccProfiles[slot];
    return Bytes(p.data, p.data + p.size);
}

Bytes Save(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    Bytes bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// A grey profile: not usable for display.
Bytes GreyProfile()
{
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), curve);
    cmsFreeToneCurve(curve);
    return Save(profile);
}

// The shown bytes an independent lcms2 transform gives for the preview's
// 16-bit copy.
Bytes ReferenceShown(const std::vector<uint16_t>& copy, const Bytes& input, const Bytes& output)
{
    cmsHPROFILE in = cmsOpenProfileFromMem(input.data(), cmsUInt32Number(input.size()));
    cmsHPROFILE out = cmsOpenProfileFromMem(output.data(), cmsUInt32Number(output.size()));
    cmsHTRANSFORM t = cmsCreateTransform(in, TYPE_RGB_16, out, TYPE_RGB_16, INTENT_PERCEPTUAL, cmsFLAGS_NOOPTIMIZE);
    EXPECT_NE(t, nullptr);
    std::vector<uint16_t> converted(copy.size());
    cmsDoTransform(t, copy.data(), converted.data(), cmsUInt32Number(copy.size() / 3));
    cmsDeleteTransform(t);
    cmsCloseProfile(out);
    cmsCloseProfile(in);
    Bytes shown(copy.size());
    for (size_t i = 0; i < copy.size(); i += 3) {
        shown[i] = uint8_t(converted[i + 2] >> 8);
        shown[i + 1] = uint8_t(converted[i + 1] >> 8);
        shown[i + 2] = uint8_t(converted[i] >> 8);
    }
    return shown;
}

TEST_F(PreviewFixture, SwitchingTheOutputSpaceRebuildsTheTransform)
{
    doc->Edit().SetField(ParamField::ICC, 0);
    const Bytes unconverted = Develop();
    const std::vector<uint16_t> copy = doc->Preview16();
    for (size_t i = 0; i < copy.size(); i += 3)
        ASSERT_EQ(unconverted[i + 2], copy[i] >> 8) << "choice 0 leaves the pixels to the GUI";

    ASSERT_TRUE(doc->Colors().SetDisplayChoice(DisplayChoice::Srgb)); // LittleCMS to sRGB
    const Bytes srgb = Develop();
    EXPECT_EQ(doc->Preview16(), copy) << "the copy stays in the output space";
    EXPECT_EQ(srgb, ReferenceShown(copy, BuiltIn(0), BuiltIn(0)));
    const auto first = doc->Colors().Transform(0);

    doc->Edit().SetField(ParamField::ICC, 1); // Adobe RGB shown on sRGB
    const Bytes adobe = Develop();
    EXPECT_NE(doc->Colors().Transform(1), first);
    EXPECT_EQ(adobe, ReferenceShown(copy, BuiltIn(1), BuiltIn(0)));
    EXPECT_NE(adobe, srgb);

    ASSERT_TRUE(doc->Colors().SetDisplayChoice(DisplayChoice::WideGamutRgb)); // Wide Gamut as the display
    EXPECT_EQ(Develop(), ReferenceShown(copy, BuiltIn(1), BuiltIn(3)));
    EXPECT_TRUE(messages.calls.empty());
}

TEST_F(PreviewFixture, FailedDisplayTransformShowsUnconvertedAndSaysSoOnce)
{
    const Bytes plain = Develop();
    // An RGB profile without the tags a transform needs.
    cmsHPROFILE tagless = cmsCreateProfilePlaceholder(nullptr);
    cmsSetDeviceClass(tagless, cmsSigDisplayClass);
    cmsSetColorSpace(tagless, cmsSigRgbData);
    cmsSetPCS(tagless, cmsSigXYZData);
    ASSERT_EQ(doc->Colors().SetDisplayProfile(Save(tagless)), ProfileStatus::Accepted);
    ASSERT_TRUE(doc->Colors().SetDisplayChoice(DisplayChoice::DisplayProfileFile));
    EXPECT_EQ(Develop(), plain);
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, kColorFallbackText);
    EXPECT_EQ(Develop(), plain);
    EXPECT_EQ(messages.calls.size(), 1u);
}

TEST(PreviewColorSettings, DisplayProfileIsCheckedAtConstruction)
{
    test::ScopedSettings settings;
    test::TempDir dir;
    test::RecordingMessages messages;
    const Bytes wide = BuiltIn(3);
    ASSERT_TRUE(test::WriteFile(dir.File("screen.icc"), wide));
    ASSERT_TRUE(test::WriteFile(dir.File("grey.icc"),
                                GreyProfile()));
    struct Case {
        const char* file;
        int stored;
        int choice;
        bool loaded;
    } cases[] = {
        {"screen.icc", 5, 5, true},
        {"grey.icc", 5, 0, false},    // not RGB: refused, choice 0
        {"missing.icc", 5, 5, false}, // no file: sRGB until one is opened
        {"screen.icc", 9, 0, true},   // out of range
    };
    for (const Case& c : cases) {
        settings.store().WriteProfileInt(kSettingsSection, "UseLittleCMS", c.stored);
        settings.store().WriteProfileString(kSettingsSection, "UseLittleCMSprofile", dir.File(c.file));
        CVelmoDoc doc;
        EXPECT_EQ(int(doc.Colors().GetDisplayChoice()), c.choice) << c.file;
        EXPECT_EQ(doc.Colors().DisplayProfile() != nullptr, c.loaded) << c.file;
        if (c.loaded) {
            EXPECT_EQ(*doc.Colors().DisplayProfile(), wide);
        }
    }
    EXPECT_TRUE(messages.calls.empty());
    // The choice is written back on destruction.
    EXPECT_EQ(settings.store().GetProfileInt(kSettingsSection, "UseLittleCMS", -1), 0);
}

TEST_F(PreviewFixture, OpeningADisplayProfileFile)
{
    test::TempDir dir;
    ASSERT_TRUE(test::WriteFile(dir.File("wide.icc"), BuiltIn(3)));
    ASSERT_TRUE(test::WriteFile(dir.File("grey.icc"),
                                GreyProfile()));
    doc->Edit().SetField(ParamField::ICC, 1);
    doc->OnDisplayChoice(DisplayChoice::AdobeRgb);
    EXPECT_EQ(doc->Colors().GetDisplayChoice(), DisplayChoice::AdobeRgb);
    doc->OnDisplayChoice(DisplayChoice(6)); // no such choice
    EXPECT_EQ(doc->Colors().GetDisplayChoice(), DisplayChoice::AdobeRgb);

    // Not RGB: refused with a message, the choice and path stay.
    EXPECT_FALSE(doc->OpenDisplayProfile(dir.File("grey.icc")));
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, kOnlyRgbProfileText);
    EXPECT_EQ(doc->Colors().GetDisplayChoice(), DisplayChoice::AdobeRgb);
    EXPECT_TRUE(doc->Paths().displayProfile.empty());

    EXPECT_TRUE(doc->OpenDisplayProfile(dir.File("wide.icc")));
    EXPECT_EQ(doc->Colors().GetDisplayChoice(), DisplayChoice::DisplayProfileFile);
    EXPECT_EQ(doc->Paths().displayProfile, dir.File("wide.icc"));
    const Bytes shown = Develop();
    EXPECT_EQ(shown, ReferenceShown(doc->Preview16(), BuiltIn(1), BuiltIn(3)));
    EXPECT_TRUE(doc->LoadOtherColorProfile());
    const uint16_t in[3] = {30000, 20000, 10000};
    uint16_t out[3] = {};
    EXPECT_EQ(doc->TransformPixel(in, out), out);
    doc->OnDisplayChoice(DisplayChoice::GuiConverts);
    EXPECT_EQ(doc->TransformPixel(in, out), in);
    EXPECT_EQ(messages.calls.size(), 1u);
}

TEST(PreviewColorSettings, StoredUserProfileIsOpenedAtConstruction)
{
    test::ScopedSettings settings;
    test::TempDir dir;
    const Bytes adobe = BuiltIn(1);
    ASSERT_TRUE(test::WriteFile(dir.File("mine.icc"), adobe));
    settings.store().WriteProfileString(kSettingsSection, "OtherColorProfile", dir.File("mine.icc"));
    CVelmoDoc doc;
    EXPECT_EQ(*doc.Colors().Profiles().Slot(kUserIccSlot), adobe);
    EXPECT_EQ(doc.Edit().Params().ICC, 4);
}

// --- Full-preview bitmap and geometry --------------------------------------------

TEST(FullPreviewBitmap, TargetSizeBySizeMode)
{
    struct Case {
        int mode, w, h;
        bool rotated;
        int expectW, expectH;
    } cases[] = {
        {0, 1000, 700, false, 2000, 1400}, {1, 1000, 700, false, 1500, 1050}, {2, 1023, 767, false, 1024, 768},
        {8, 1001, 600, false, 1002, 600},  {9, 1000, 700, false, 750, 526},   {10, 1000, 702, false, 500, 352},
        {3, 4000, 3000, true, 384, 512},   {11, 10, 10, false, 512, 384},     {2, 1000, 700, true, 700, 1000},
    };
    for (const Case& c : cases) {
        int w = 0, h = 0;
        FullPreviewTargetSize(c.mode, c.w, c.h, c.rotated, &w, &h);
        EXPECT_EQ(w, c.expectW) << c.mode;
        EXPECT_EQ(h, c.expectH) << c.mode;
    }
}

TEST(FullPreviewBitmap, OutputToImageSizeByMode)
{
    test::ScopedSettings settings;
    CVelmoDoc doc;
    struct Case {
        int mode, expectW, expectH;
    } cases[] = {{0, 2002, 1400}, {1, 1501, 1050}, {2, 1001, 700}, {8, 1001, 700},
                 {9, 750, 525},   {10, 500, 350},  {3, -1, -1},    {11, -1, -1}};
    for (const Case& c : cases) {
        doc.SetSizeMode(c.mode);
        int w = -1, h = -1;
        doc.OutputToImageSize(1001, 700, &w, &h);
        EXPECT_EQ(w, c.expectW) << c.mode;
        EXPECT_EQ(h, c.expectH) << c.mode;
    }
}

FullPreviewImage Picture(int width, int height, bool rotated = false)
{
    FullPreviewImage p;
    p.width = width;
    p.height = height;
    p.rotated = rotated;
    p.bgr.resize(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* q = p.bgr.data() + (size_t(y) * width + x) * 3;
            q[0] = uint8_t(10 * x);
            q[1] = uint8_t(10 * y);
            q[2] = uint8_t(x + y);
        }
    return p;
}

TEST(FullPreviewBitmap, ScalingIsBilinearWithPaddedRows)
{
    const FullPreviewImage p = Picture(5, 3);
    const DisplayImage same = ScaleFullPreview(p, 5, 3, NoProgress());
    ASSERT_EQ(same.width, 5);
    EXPECT_EQ(same.stride, 16);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(0, std::memcmp(same.Row(y), p.bgr.data() + y * 15, 15)) << y;
    // Twice the size: odd samples fall half-way, the last repeats the edge.
    const DisplayImage twice = ScaleFullPreview(p, 10, 6, NoProgress());
    EXPECT_EQ(twice.stride, 32);
    EXPECT_EQ(twice.Row(0)[3 * 1 + 0], 5);  // between 0 and 10
    EXPECT_EQ(twice.Row(0)[3 * 9 + 0], 40); // past the last column: the edge
    EXPECT_EQ(twice.Row(1)[1], 5);          // between rows 0 and 1
    EXPECT_EQ(twice.Row(5)[1], 20);         // past the last row
    EXPECT_EQ(ScaleFullPreview(p, 0, 3, NoProgress()).width, 0);
    EXPECT_EQ(ScaleFullPreview(FullPreviewImage{}, 4, 4, NoProgress()).width, 0);
}

TEST(FullPreviewBitmap, RegionHistogramScalesToAWholePreview)
{
    const FullPreviewImage p = Picture(1024, 768);
    // One pixel: preview (100, 50) is full-preview (200, 100).
    const auto one = RegionHistogram(p, 100, 50, 100, 50);
    const uint8_t* q = p.bgr.data() + (size_t(100) * 1024 + 200) * 3;
    EXPECT_EQ(one[q[2]], 196608);
    EXPECT_EQ(one[256 + q[1]], 196608);
    EXPECT_EQ(one[512 + q[0]], 196608);
    EXPECT_EQ(one[768 + (2 * q[2] + 4 * q[1] + q[0]) / 7], 196608);
    EXPECT_EQ(std::accumulate(one.begin(), one.end(), int64_t(0)), 4 * 196608);
    // Reversed rectangles give nothing.
    for (const auto& r : {RegionHistogram(p, 10, 10, 9, 20), RegionHistogram(p, 10, 20, 20, 19)})
        EXPECT_TRUE(std::all_of(r.begin(), r.end(), [](int32_t v) { return v == 0; }));
    // The whole picture (and beyond it, clamped) sums like a preview.
    const auto all = RegionHistogram(p, -50, -50, 600, 500);
    const int64_t red = std::accumulate(all.begin(), all.begin() + 256, int64_t(0));
    EXPECT_LE(red, 196608);
    EXPECT_GT(red, 196608 - 256);
    // A turned picture is addressed in 384 x 512 units.
    const FullPreviewImage turned = Picture(768, 1024, true);
    const auto corner = RegionHistogram(turned, 383, 511, 383, 511);
    const uint8_t* c = turned.bgr.data() + (size_t(1022) * 768 + 766) * 3;
    EXPECT_EQ(corner[256 + c[1]], 196608);
}

TEST_F(PreviewFixture, RegionHistogramWithoutAFullPreviewIsEmpty)
{
    Develop();
    const uint8_t pixel[3] = {9, 9, 9};
    doc->ComputePreviewHistogram(pixel, 1, 1, 0, 0, 0, 0); // a selection histogram to replace
    ASSERT_NE(doc->Histogram()[2048 + 9], 0);
    const std::vector<int32_t> before(doc->Histogram().begin(), doc->Histogram().begin() + 2048);
    doc->ComputeRegionHistogram(0, 0, 100, 100);
    EXPECT_TRUE(std::all_of(doc->Histogram().begin() + 2048, doc->Histogram().end(), [](int32_t v) { return v == 0; }));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), doc->Histogram().begin()));
    EXPECT_EQ(doc->MakeFullPreviewBitmap(), nullptr);
}

} // namespace
} // namespace velmo
