#include "develop/colour/ColorManagement.h"

#include "res/IccProfiles.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace velmo {
namespace {

using Bytes = std::vector<uint8_t>;
using Pixel = std::array<uint16_t, 3>;

// --- Profiles made with LittleCMS for the tests -----------------------------

Bytes SaveAndClose(cmsHPROFILE profile)
{
    Bytes bytes;
    cmsUInt32Number size = 0;
    if (profile != nullptr && cmsSaveProfileToMem(profile, nullptr, &size)) {
        bytes.resize(size);
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
            bytes.clear();
    }
    if (profile != nullptr)
        cmsCloseProfile(profile);
    return bytes;
}

// An RGB display profile unlike any built-in one (D50, odd primaries).
Bytes MakeRgbProfile(double gamma)
{
    const cmsCIExyYTRIPLE primaries{{0.68, 0.31, 1.0}, {0.25, 0.68, 1.0}, {0.14, 0.07, 1.0}};
    cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(cmsD50_xyY(), &primaries, curves);
    cmsFreeToneCurve(curve);
    return SaveAndClose(profile);
}

Bytes MakeGrayProfile()
{
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), curve);
    cmsFreeToneCurve(curve);
    return SaveAndClose(profile);
}

// An RGB profile with a header and no tags: LittleCMS opens it but cannot
// build a transform with it.
Bytes MakeTaglessRgbProfile()
{
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetDeviceClass(profile, cmsSigDisplayClass);
    cmsSetColorSpace(profile, cmsSigRgbData);
    cmsSetPCS(profile, cmsSigXYZData);
    return SaveAndClose(profile);
}

Bytes BuiltIn(int slot)
{
    const BuiltInIccProfile& p = kBuiltInIccProfiles[slot];
    return Bytes(p.data, p.data + p.size);
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// --- An independent transform -------------------------------------------------

const std::vector<Pixel> kPixels = {
    {0, 0, 0},         {65535, 65535, 65535}, {65535, 0, 0},      {0, 65535, 0},
    {0, 0, 65535},     {32768, 32768, 32768}, {1000, 20000, 50000}, {60000, 30000, 100},
    {12345, 54321, 33333}, {65535, 65535, 0},
};

std::vector<Pixel> ReferenceTransform(const Bytes& input, const Bytes& output,
                                      const std::vector<Pixel>& pixels = kPixels)
{
    cmsHPROFILE in = cmsOpenProfileFromMem(input.data(), cmsUInt32Number(input.size()));
    cmsHPROFILE out = cmsOpenProfileFromMem(output.data(), cmsUInt32Number(output.size()));
    EXPECT_NE(in, nullptr);
    EXPECT_NE(out, nullptr);
    std::vector<Pixel> result(pixels.size());
    cmsHTRANSFORM t = cmsCreateTransform(in, TYPE_RGB_16, out, TYPE_RGB_16, INTENT_PERCEPTUAL,
                                         cmsFLAGS_NOOPTIMIZE);
    EXPECT_NE(t, nullptr);
    if (t != nullptr) {
        cmsDoTransform(t, pixels.data(), result.data(), cmsUInt32Number(pixels.size()));
        cmsDeleteTransform(t);
    }
    cmsCloseProfile(out);
    cmsCloseProfile(in);
    return result;
}

std::vector<Pixel> Apply(const DisplayTransform& t, const std::vector<Pixel>& pixels = kPixels)
{
    std::vector<Pixel> result(pixels.size());
    t.Apply(pixels.front().data(), result.front().data(), pixels.size());
    return result;
}

// --- The built-in profiles ------------------------------------------------------

struct Xyz {
    double x, y, z;
};

struct BuiltInCase {
    int slot;
    const char* description;
    const char* fileName;
    int renderingIntent;
    double gamma; // 0: the sRGB curve
    Xyz white, red, green, blue;
    double tolerance; // stated values vs stored s15Fixed16
};

// sRGB: its white is D65 and its colorants the D50-adapted BT.709 primaries of
// the standard profile (four digits); the others stand as stated.
const BuiltInCase kBuiltInCases[] = {
    {0, "sRGB IEC61966-2.1", "sRGB.icc", 0, 0.0, {0.95045, 1.0, 1.08905},
     {0.4361, 0.2225, 0.0139}, {0.3851, 0.7169, 0.0971}, {0.1431, 0.0606, 0.7141}, 2e-4},
    {1, "Adobe RGB (1998)", "AdobeRGB1998.icc", 0, 2.19921875, {0.95045, 1.0, 1.08905},
     {0.60974, 0.31111, 0.01947}, {0.20528, 0.62567, 0.06087}, {0.14919, 0.06322, 0.74457}, 2e-5},
    {2, "FinePix RGB 1.8", "FinePixRGB18.icc", 1, 1.796875, {0.95045, 1.0, 1.08905},
     {0.60974, 0.31111, 0.01947}, {0.20528, 0.62567, 0.06087}, {0.14919, 0.06322, 0.74457}, 2e-5},
    {3, "Wide Gamut RGB", "WideGamutRGB.icc", 1, 2.19921875, {0.96429, 1.0, 0.8251},
     {0.71646, 0.25871, 0.0}, {0.101, 0.72472, 0.05121}, {0.14674, 0.01657, 0.7737}, 2e-5},
};

class BuiltInProfileTest : public ::testing::TestWithParam<BuiltInCase> {
protected:
    void SetUp() override
    {
        bytes = BuiltIn(GetParam().slot);
        profile = cmsOpenProfileFromMem(bytes.data(), cmsUInt32Number(bytes.size()));
        ASSERT_NE(profile, nullptr);
    }
    void TearDown() override
    {
        if (profile != nullptr)
            cmsCloseProfile(profile);
    }

    void ExpectXyz(cmsTagSignature sig, const Xyz& expected, const char* what)
    {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, sig));
        ASSERT_NE(xyz, nullptr) << what;
        const double tol = GetParam().tolerance;
        EXPECT_NEAR(xyz->X, expected.x, tol) << what;
        EXPECT_NEAR(xyz->Y, expected.y, tol) << what;
        EXPECT_NEAR(xyz->Z, expected.z, tol) << what;
    }

    Bytes bytes;
    cmsHPROFILE profile = nullptr;
};

TEST_P(BuiltInProfileTest, HeaderDescriptionAndTheCheckedInFile)
{
    const BuiltInCase& c = GetParam();
    EXPECT_STREQ(kBuiltInIccProfiles[c.slot].description, c.description);
    EXPECT_EQ(ReadFile(std::string(VELMO_SOURCE_DIR) + "/res/icc/" + c.fileName), bytes)
        << "res/IccProfiles.cpp is out of step with res/icc; run velmo-make-icc";

    EXPECT_EQ(cmsGetEncodedICCversion(profile), 0x02100000u);
    EXPECT_EQ(cmsGetDeviceClass(profile), cmsSigDisplayClass);
    EXPECT_EQ(cmsGetColorSpace(profile), cmsSigRgbData);
    EXPECT_EQ(cmsGetPCS(profile), cmsSigXYZData);
    EXPECT_EQ(cmsGetHeaderRenderingIntent(profile), cmsUInt32Number(c.renderingIntent));

    char text[256] = {};
    ASSERT_GT(cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text, sizeof text), 0u);
    EXPECT_STREQ(text, c.description);
    EXPECT_GT(cmsGetProfileInfoASCII(profile, cmsInfoCopyright, "en", "US", text, sizeof text), 1u);

    const cmsTagSignature tags[] = {cmsSigProfileDescriptionTag, cmsSigCopyrightTag,
                                    cmsSigMediaWhitePointTag,    cmsSigMediaBlackPointTag,
                                    cmsSigRedColorantTag,        cmsSigGreenColorantTag,
                                    cmsSigBlueColorantTag,       cmsSigRedTRCTag,
                                    cmsSigGreenTRCTag,           cmsSigBlueTRCTag};
    for (cmsTagSignature sig : tags)
        EXPECT_TRUE(cmsIsTag(profile, sig)) << std::hex << unsigned(sig);
}

TEST_P(BuiltInProfileTest, WhitePointAndColorants)
{
    const BuiltInCase& c = GetParam();
    ExpectXyz(cmsSigMediaWhitePointTag, c.white, "wtpt");
    ExpectXyz(cmsSigMediaBlackPointTag, {0.0, 0.0, 0.0}, "bkpt");
    ExpectXyz(cmsSigRedColorantTag, c.red, "rXYZ");
    ExpectXyz(cmsSigGreenColorantTag, c.green, "gXYZ");
    ExpectXyz(cmsSigBlueColorantTag, c.blue, "bXYZ");
    // An ICC 2 profile: the adaptation to D50 comes from wtpt, not a chad tag.
    EXPECT_FALSE(cmsIsTag(profile, cmsSigChromaticAdaptationTag));

    // As LittleCMS reads the profile: device white lands on the D50
    // connection white and each primary on its colorant.
    cmsHPROFILE xyz = cmsCreateXYZProfile();
    cmsHTRANSFORM t = cmsCreateTransform(profile, TYPE_RGB_16, xyz, TYPE_XYZ_DBL,
                                         INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
    ASSERT_NE(t, nullptr);
    const Pixel in[4] = {{65535, 65535, 65535}, {65535, 0, 0}, {0, 65535, 0}, {0, 0, 65535}};
    cmsCIEXYZ out[4];
    cmsDoTransform(t, in, out, 4);
    cmsDeleteTransform(t);
    cmsCloseProfile(xyz);
    const cmsCIEXYZ* d50 = cmsD50_XYZ();
    EXPECT_NEAR(out[0].X, d50->X, 1e-3);
    EXPECT_NEAR(out[0].Y, d50->Y, 1e-3);
    EXPECT_NEAR(out[0].Z, d50->Z, 1e-3);
    const Xyz colorants[3] = {c.red, c.green, c.blue};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(out[i + 1].X, colorants[i].x, 1e-3) << i;
        EXPECT_NEAR(out[i + 1].Y, colorants[i].y, 1e-3) << i;
        EXPECT_NEAR(out[i + 1].Z, colorants[i].z, 1e-3) << i;
    }
}

TEST_P(BuiltInProfileTest, ToneCurves)
{
    const BuiltInCase& c = GetParam();
    auto expected = [&](double x) {
        if (c.gamma > 0)
            return std::pow(x, c.gamma);
        return x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    const cmsTagSignature trcs[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (cmsTagSignature sig : trcs) {
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, sig));
        ASSERT_NE(curve, nullptr);
        if (c.gamma > 0) {
            // One stored gamma value (u8Fixed8), read back as a power law.
            EXPECT_EQ(cmsGetToneCurveParametricType(curve), 1);
            EXPECT_NEAR(cmsEstimateGamma(curve, 0.001), c.gamma, 1e-3);
        } else {
            EXPECT_EQ(cmsGetToneCurveEstimatedTableEntries(curve), 1024u);
        }
        for (double x : {0.0, 0.01, 0.04045, 0.1, 0.25, 0.5, 0.75, 0.9, 1.0})
            EXPECT_NEAR(cmsEvalToneCurveFloat(curve, float(x)), expected(x), 1e-4) << x;
    }
}

INSTANTIATE_TEST_SUITE_P(Slots, BuiltInProfileTest, ::testing::ValuesIn(kBuiltInCases),
                         [](const auto& testInfo) { return std::to_string(testInfo.param.slot); });

// --- The profile table ----------------------------------------------------------

TEST(IccProfileTableTest, SlotsAndOutOfRangeIndices)
{
    IccProfileTable table;
    for (int i = 0; i < kBuiltInIccProfileCount; ++i)
        EXPECT_EQ(*table.Slot(i), BuiltIn(i)) << i;
    EXPECT_FALSE(table.HasUserProfile());
    EXPECT_TRUE(table.Slot(kUserIccSlot)->empty());
    // An empty user slot is left out of files but shown as sRGB.
    EXPECT_EQ(table.SlotOrSrgb(kUserIccSlot), table.Slot(0));
    for (int bad : {-1, 5, 9, 1000})
        EXPECT_EQ(table.Slot(bad), table.Slot(0)) << bad;

    const Bytes user = MakeRgbProfile(2.0);
    EXPECT_EQ(table.SetUserProfile(user), ProfileStatus::Accepted);
    EXPECT_TRUE(table.HasUserProfile());
    EXPECT_EQ(*table.Slot(kUserIccSlot), user);
    EXPECT_EQ(table.SlotOrSrgb(kUserIccSlot), table.Slot(kUserIccSlot));
}

TEST(IccProfileTableTest, RefusedUserProfileKeepsThePreviousOne)
{
    IccProfileTable table;
    const Bytes user = MakeRgbProfile(2.0);
    ASSERT_EQ(table.SetUserProfile(user), ProfileStatus::Accepted);
    const IccBytes before = table.Slot(kUserIccSlot);

    const Bytes adobe = BuiltIn(1);
    const Bytes tooShort(adobe.begin(), adobe.begin() + 127); // "RGB " at 16 still there
    Bytes junk(400, 0x5A);
    std::memcpy(junk.data() + 16, "RGB ", 4);
    struct Case {
        const char* name;
        Bytes bytes;
        ProfileStatus status;
    };
    const Case cases[] = {
        {"empty", {}, ProfileStatus::Invalid},
        {"127 bytes", tooShort, ProfileStatus::TooShort},
        {"RGB signature on junk", junk, ProfileStatus::Invalid},
        {"grey", MakeGrayProfile(), ProfileStatus::NotRgb},
        {"Lab", SaveAndClose(cmsCreateLab4Profile(nullptr)), ProfileStatus::NotRgb},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(table.SetUserProfile(c.bytes), c.status) << c.name;
        EXPECT_EQ(table.Slot(kUserIccSlot), before) << c.name;
    }
    EXPECT_EQ(*table.Slot(kUserIccSlot), user);
}

// --- Opening profile files ----------------------------------------------------

class ProfileFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::RecordingMessages messages;
    ColorManager manager;
};

TEST_F(ProfileFileTest, OpenUserProfileAcceptsRgbAndRefusesTheRest)
{
    const Bytes good = MakeRgbProfile(2.0);
    WriteFile(dir.File("good.icc"), good);
    EXPECT_EQ(manager.OpenUserProfile(dir.File("good.icc")), ProfileStatus::Accepted);
    EXPECT_TRUE(messages.calls.empty());
    const IccBytes accepted = manager.Profiles().Slot(kUserIccSlot);
    EXPECT_EQ(*accepted, good);

    Bytes junk(300, 0);
    std::memcpy(junk.data() + 16, "RGB ", 4);
    WriteFile(dir.File("short.icc"), Bytes(good.begin(), good.begin() + 127));
    WriteFile(dir.File("junk.icm"), junk);
    WriteFile(dir.File("grey.icc"), MakeGrayProfile());
    WriteFile(dir.File("cmyk.icc"), SaveAndClose(cmsCreateInkLimitingDeviceLink(cmsSigCmykData, 300)));
    // Sparse: the size is refused before anything is read or allocated.
    WriteFile(dir.File("huge.icc"), good);
    std::filesystem::resize_file(dir.File("huge.icc"), kMaxIccProfileBytes + 1);

    struct Case {
        const char* file;
        ProfileStatus status;
        bool message;
    };
    const Case cases[] = {
        {"missing.icc", ProfileStatus::NotFound, false},
        {"short.icc", ProfileStatus::TooShort, true},
        {"junk.icm", ProfileStatus::Invalid, true},
        {"grey.icc", ProfileStatus::NotRgb, true},
        {"cmyk.icc", ProfileStatus::NotRgb, true},
        {"huge.icc", ProfileStatus::TooLarge, true},
    };
    for (const Case& c : cases) {
        messages.calls.clear();
        EXPECT_EQ(manager.OpenUserProfile(dir.File(c.file)), c.status) << c.file;
        ASSERT_EQ(messages.calls.size(), c.message ? 1u : 0u) << c.file;
        if (c.message) {
            EXPECT_EQ(messages.calls[0].text, ProfileRefusalText(c.status, dir.File(c.file)));
        }
        // The previous profile stays until a new one is accepted.
        EXPECT_EQ(manager.Profiles().Slot(kUserIccSlot), accepted) << c.file;
    }
}

// A file that is not a profile, or a profile cut short or damaged, is
// refused with the reason, naming the file; only one that is whole and not
// RGB gets the RGB message. A profile whose tags point outside it (which
// LittleCMS would open, skipping those tags) never becomes the user profile,
// so it is never embedded in an output.
TEST_F(ProfileFileTest, HostileProfilesAreRefusedWithTheirReason)
{
    const Bytes good = MakeRgbProfile(2.0);
    ASSERT_EQ(manager.OpenUserProfile([&] {
                  WriteFile(dir.File("good.icc"), good);
                  return dir.File("good.icc");
              }()),
              ProfileStatus::Accepted);
    const IccBytes accepted = manager.Profiles().Slot(kUserIccSlot);

    auto put32 = [](Bytes& b, size_t at, uint32_t v) {
        b[at] = uint8_t(v >> 24);
        b[at + 1] = uint8_t(v >> 16);
        b[at + 2] = uint8_t(v >> 8);
        b[at + 3] = uint8_t(v);
    };
    const uint32_t tags = uint32_t(good[128]) << 24 | uint32_t(good[129]) << 16 | uint32_t(good[130]) << 8 | good[131];
    ASSERT_GT(tags, 2u);
    Bytes tagPastEnd = good; // the last tag's data runs past the profile
    put32(tagPastEnd, 132 + 12 * (tags - 1) + 8, uint32_t(good.size()));
    Bytes tagFarAway = good; // a tag's offset far beyond the file
    put32(tagFarAway, 132 + 4, 0xFFFFFF00u);
    Bytes tooManyTags = good;
    put32(tooManyTags, 128, 0x10000000u);
    Bytes declaredLonger = good;
    put32(declaredLonger, 0, uint32_t(good.size() + 100));
    const Bytes header(good.begin(), good.begin() + 128);
    const Bytes cut(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2));
    Bytes junk(5000);
    for (size_t i = 0; i < junk.size(); ++i)
        junk[i] = uint8_t(i * 131 + 7);

    struct Case {
        const char* file;
        Bytes bytes;
        ProfileStatus status;
        const char* says;
    };
    const Case cases[] = {
        {"junk.icc", junk, ProfileStatus::Invalid, "not an ICC profile"},
        {"empty.icc", {}, ProfileStatus::Invalid, "not an ICC profile"},
        {"text.icm", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, ProfileStatus::Invalid, "not an ICC profile"},
        {"header only.icc", header, ProfileStatus::TooShort, "cut short"},
        {"cut.icc", cut, ProfileStatus::TooShort, "cut short"},
        {"longer than the file.icc", declaredLonger, ProfileStatus::TooShort, "cut short"},
        {"tag past the end.icc", tagPastEnd, ProfileStatus::Damaged, "tags point outside"},
        {"tag far away.icc", tagFarAway, ProfileStatus::Damaged, "tags point outside"},
        {"too many tags.icc", tooManyTags, ProfileStatus::Damaged, "tags point outside"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        WriteFile(dir.File(c.file), c.bytes);
        messages.calls.clear();
        EXPECT_EQ(manager.OpenUserProfile(dir.File(c.file)), c.status);
        ASSERT_EQ(messages.calls.size(), 1u);
        EXPECT_NE(messages.calls[0].text.find(c.says), std::string::npos) << messages.calls[0].text;
        EXPECT_NE(messages.calls[0].text.find(dir.File(c.file)), std::string::npos) << messages.calls[0].text;
        EXPECT_EQ(manager.Profiles().Slot(kUserIccSlot), accepted);
        // Nor does it become the display profile.
        EXPECT_EQ(manager.SetDisplayProfile(c.bytes), c.status);
    }
}

TEST_F(ProfileFileTest, ReadProfileFileChecksSizeFirst)
{
    Bytes bytes{1, 2, 3};
    EXPECT_EQ(ReadProfileFile(dir.File("none.icc"), bytes), ProfileStatus::NotFound);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(ReadProfileFile(dir.path(), bytes), ProfileStatus::Unreadable);
    WriteFile(dir.File("p.icc"), BuiltIn(2));
    EXPECT_EQ(ReadProfileFile(dir.File("p.icc"), bytes), ProfileStatus::Accepted);
    EXPECT_EQ(bytes, BuiltIn(2));
}

// --- Display choice and transforms ----------------------------------------------

TEST(ColorManagerTest, ChoiceZeroLeavesPixelsToTheGui)
{
    ColorManager manager;
    EXPECT_EQ(manager.GetDisplayChoice(), DisplayChoice::GuiConverts);
    EXPECT_TRUE(manager.GuiConvertsColors());
    EXPECT_EQ(manager.Transform(1), nullptr);
    EXPECT_FALSE(manager.ConversionFailed());
    const uint16_t in[3] = {100, 30000, 65535};
    uint16_t out[3] = {};
    EXPECT_EQ(manager.TransformPixel(1, in, out), in);
    EXPECT_EQ(in[1], 30000);
    EXPECT_EQ(manager.ProfileForDisplay(3), manager.Profiles().Slot(3));
    EXPECT_EQ(manager.ProfileForDisplay(kUserIccSlot), manager.Profiles().Slot(0));

    for (int bad : {-1, 6, 42})
        EXPECT_FALSE(manager.SetDisplayChoice(DisplayChoice(bad))) << bad;
    EXPECT_EQ(manager.GetDisplayChoice(), DisplayChoice::GuiConverts);

    // Back to 0 after LittleCMS was in use: untouched again.
    ASSERT_TRUE(manager.SetDisplayChoice(DisplayChoice::AdobeRgb));
    EXPECT_NE(manager.Transform(0), nullptr);
    EXPECT_FALSE(manager.GuiConvertsColors());
    ASSERT_TRUE(manager.SetDisplayChoice(DisplayChoice::GuiConverts));
    EXPECT_EQ(manager.Transform(0), nullptr);
    EXPECT_EQ(manager.TransformPixel(0, in, out), in);
}

TEST(ColorManagerTest, SwitchingTheOutputSpaceRebuildsTheTransform)
{
    ColorManager manager;
    ASSERT_TRUE(manager.SetDisplayChoice(DisplayChoice::Srgb)); // LittleCMS to sRGB
    const Bytes srgb = BuiltIn(0);

    const auto adobe = manager.Transform(1);
    ASSERT_NE(adobe, nullptr);
    EXPECT_EQ(manager.Transform(1), adobe) << "cached while nothing changes";
    const std::vector<Pixel> adobeRef = ReferenceTransform(BuiltIn(1), srgb);
    EXPECT_EQ(Apply(*adobe), adobeRef);

    const auto wide = manager.Transform(3);
    ASSERT_NE(wide, nullptr);
    EXPECT_NE(wide, adobe);
    const std::vector<Pixel> wideRef = ReferenceTransform(BuiltIn(3), srgb);
    EXPECT_EQ(Apply(*wide), wideRef);
    EXPECT_NE(adobeRef, wideRef) << "the pixels must tell the spaces apart";

    // A snapshot taken before the switch still converts as it did.
    EXPECT_EQ(Apply(*adobe), adobeRef);

    for (int icc : {0, 2, 1}) {
        const auto t = manager.Transform(icc);
        ASSERT_NE(t, nullptr) << icc;
        EXPECT_EQ(Apply(*t), ReferenceTransform(BuiltIn(icc), srgb)) << icc;
    }

    // The per-pixel entry agrees with the row entry.
    const uint16_t in[3] = {60000, 30000, 100};
    uint16_t out[3] = {};
    ASSERT_EQ(manager.TransformPixel(1, in, out), out);
    const std::vector<Pixel> one = ReferenceTransform(BuiltIn(1), srgb, {{60000, 30000, 100}});
    EXPECT_EQ((Pixel{out[0], out[1], out[2]}), one[0]);
}

TEST(ColorManagerTest, EachDisplayChoiceConvertsToItsProfile)
{
    test::TempDir dir;
    const Bytes monitor = MakeRgbProfile(2.0);
    WriteFile(dir.File("monitor.icm"), monitor);

    ColorManager manager;
    struct Case {
        int choice;
        bool loadDisplayProfile;
        Bytes display;
    };
    const Case cases[] = {
        {1, false, BuiltIn(0)}, {2, false, BuiltIn(1)}, {3, false, BuiltIn(2)},
        {4, false, BuiltIn(3)},
        {5, false, BuiltIn(0)}, // no display profile loaded: sRGB
        {5, true, monitor},
    };
    for (const Case& c : cases) {
        if (c.loadDisplayProfile) {
            ASSERT_EQ(manager.LoadDisplayProfile(dir.File("monitor.icm")), ProfileStatus::Accepted);
        }
        ASSERT_TRUE(manager.SetDisplayChoice(DisplayChoice(c.choice)));
        const auto t = manager.Transform(1);
        ASSERT_NE(t, nullptr) << c.choice;
        EXPECT_EQ(Apply(*t), ReferenceTransform(BuiltIn(1), c.display)) << c.choice;
    }

    // The user slot as the output space; empty it converts as sRGB.
    ColorManager fresh;
    ASSERT_TRUE(fresh.SetDisplayChoice(DisplayChoice::AdobeRgb));
    EXPECT_EQ(Apply(*fresh.Transform(kUserIccSlot)), ReferenceTransform(BuiltIn(0), BuiltIn(1)));
    ASSERT_EQ(fresh.Profiles().SetUserProfile(monitor), ProfileStatus::Accepted);
    const auto user = fresh.Transform(kUserIccSlot);
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(Apply(*user), ReferenceTransform(monitor, BuiltIn(1)));
}

TEST(ColorManagerTest, NonRgbDisplayProfileIsRefusedAndThePreviousChoiceKept)
{
    test::TempDir dir;
    const Bytes monitor = MakeRgbProfile(2.0);
    ColorManager manager;
    ASSERT_EQ(manager.SetDisplayProfile(monitor), ProfileStatus::Accepted);
    ASSERT_TRUE(manager.SetDisplayChoice(DisplayChoice::DisplayProfileFile));
    const IccBytes display = manager.DisplayProfile();
    const auto before = manager.Transform(0);
    ASSERT_NE(before, nullptr);
    const std::vector<Pixel> expected = ReferenceTransform(BuiltIn(0), monitor);

    struct Case {
        const char* name;
        Bytes bytes;
    };
    const Case cases[] = {
        {"grey", MakeGrayProfile()},
        {"CMYK", SaveAndClose(cmsCreateInkLimitingDeviceLink(cmsSigCmykData, 300))},
        {"Lab", SaveAndClose(cmsCreateLab4Profile(nullptr))},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.bytes.empty()) << c.name;
        EXPECT_EQ(manager.SetDisplayProfile(c.bytes), ProfileStatus::NotRgb) << c.name;
        const std::string path = dir.File(std::string(c.name) + ".icc");
        WriteFile(path, c.bytes);
        EXPECT_EQ(manager.LoadDisplayProfile(path), ProfileStatus::NotRgb) << c.name;

        EXPECT_EQ(manager.DisplayProfile(), display) << c.name;
        EXPECT_EQ(manager.GetDisplayChoice(), DisplayChoice::DisplayProfileFile) << c.name;
        EXPECT_EQ(manager.Transform(0), before) << c.name;
        EXPECT_EQ(Apply(*manager.Transform(0)), expected) << c.name;
    }
    EXPECT_EQ(manager.LoadDisplayProfile(dir.File("gone.icm")), ProfileStatus::NotFound);
    EXPECT_EQ(manager.DisplayProfile(), display);

    test::RecordingMessages messages;
    EXPECT_TRUE(ReportProfileRefusal(ProfileStatus::NotRgb, "grey.icc"));
    EXPECT_FALSE(ReportProfileRefusal(ProfileStatus::NotFound, "gone.icc"));
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, "Only the profile of RGB can be used. \n");
}

// --- Falling back to no conversion ------------------------------------------------

TEST(ColorManagerTest, FailedDisplayTransformFallsBackAndSaysSoOnce)
{
    test::RecordingMessages messages;
    const Bytes tagless = MakeTaglessRgbProfile();
    ColorManager manager;
    ASSERT_EQ(manager.SetDisplayProfile(tagless), ProfileStatus::Accepted);
    ASSERT_TRUE(manager.SetDisplayChoice(DisplayChoice::DisplayProfileFile));

    const uint16_t in[3] = {1, 2, 3};
    uint16_t out[3] = {};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(manager.Transform(0), nullptr);
        EXPECT_EQ(manager.TransformPixel(0, in, out), in);
    }
    EXPECT_TRUE(manager.ConversionFailed());
    EXPECT_TRUE(manager.ReportFallbackOnce());
    EXPECT_FALSE(manager.ReportFallbackOnce());
    EXPECT_EQ(manager.Transform(0), nullptr);
    EXPECT_FALSE(manager.ReportFallbackOnce());
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, kColorFallbackText);

    // A working choice converts again; choosing the broken one anew is a
    // new failure and is told again.
    ASSERT_TRUE(manager.SetDisplayChoice(DisplayChoice::Srgb));
    EXPECT_NE(manager.Transform(0), nullptr);
    EXPECT_FALSE(manager.ConversionFailed());
    EXPECT_FALSE(manager.ReportFallbackOnce());
    ASSERT_TRUE(manager.SetDisplayChoice(DisplayChoice::DisplayProfileFile));
    EXPECT_EQ(manager.Transform(0), nullptr);
    EXPECT_TRUE(manager.ReportFallbackOnce());
    EXPECT_EQ(messages.calls.size(), 2u);
}

TEST(ColorManagerTest, FailureMetOnTheWorkerIsReportedOnTheUserInterfaceThread)
{
    test::RecordingMessages messages;
    ColorManager manager;
    // An unusable user profile as the output space.
    ASSERT_EQ(manager.Profiles().SetUserProfile(MakeTaglessRgbProfile()), ProfileStatus::Accepted);
    ASSERT_TRUE(manager.SetDisplayChoice(DisplayChoice::Srgb));
    std::thread worker([&] { EXPECT_EQ(manager.Transform(kUserIccSlot), nullptr); });
    worker.join();
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_TRUE(manager.ReportFallbackOnce());
    EXPECT_FALSE(manager.ReportFallbackOnce());
    EXPECT_EQ(messages.calls.size(), 1u);
    // The built-in spaces still convert.
    EXPECT_NE(manager.Transform(0), nullptr);
}

// The worker converts with its snapshot while the user-interface thread
// switches and drops the cache: every row comes out as one of the two
// transforms, never from a deleted one.
TEST(ColorManagerTest, SnapshotsSurviveChangesOnAnotherThread)
{
    ColorManager manager;
    ASSERT_TRUE(manager.SetDisplayChoice(DisplayChoice::Srgb));
    const std::vector<Pixel> toSrgb = ReferenceTransform(BuiltIn(3), BuiltIn(0));
    const std::vector<Pixel> toAdobe = ReferenceTransform(BuiltIn(3), BuiltIn(1));

    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::atomic<int> runs{0};
    std::thread worker([&] {
        while (!stop.load()) {
            const auto t = manager.Transform(3);
            if (!t) {
                ++bad;
                continue;
            }
            const std::vector<Pixel> row = Apply(*t);
            if (row != toSrgb && row != toAdobe)
                ++bad;
            ++runs;
        }
    });
    for (int i = 0; i < 100000 && (i < 300 || runs.load() < 50); ++i) {
        manager.SetDisplayChoice(DisplayChoice(1 + i % 2));
        if (i % 3 == 0)
            manager.DropTransform();
        std::this_thread::yield();
    }
    stop = true;
    worker.join();
    EXPECT_EQ(bad.load(), 0);
}

} // namespace
} // namespace velmo
