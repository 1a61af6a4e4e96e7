#include "develop/colour/ColorManagement.h"
#include "develop/preview/PreviewWorker.h"
#include "document/VelmoDoc.h"
#include "params/ParamFields.h"
#include "res/IccProfiles.h"
#include "support/RafBuilder.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cctype>
#include <cstring>

namespace velmo {
namespace {

struct OpenCase {
    const char* model;
    bool compressed;
    int family;
    int frames;
    bool bayer;
};

void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.model << (c.compressed ? " compressed" : ""); }

class OpenRaw : public ::testing::TestWithParam<OpenCase> {
protected:
    test::ScopedSettings settings;
    test::TempDir dir;
};

TEST_P(OpenRaw, LoadsPlacesAndDemosaics)
{
    const auto& c = GetParam();
    test::RecordingMessages messages;
    test::RafFileSpec recipe;
    recipe.model = c.model;
    recipe.compressed = c.compressed;
    const std::string path = dir.File("shot.RAF");
    ASSERT_TRUE(test::WriteRaf(path, recipe));
    CVelmoDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path)) << (messages.calls.empty() ? "" : messages.calls[0].text);
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(doc.CameraFamily(), c.family);
    EXPECT_EQ(doc.Image().bayerFlag, c.bayer ? 1 : 0);
    EXPECT_EQ(doc.Image().secondFrame.empty(), c.frames == 1);
    EXPECT_EQ(doc.Edit().Params().twoFrames, c.frames == 2 ? 1 : 0);
    EXPECT_GT(doc.Image().imageWidth, 0);
    EXPECT_GT(doc.Image().imageHeight, 0);
    EXPECT_EQ(doc.SourcePath(), path);
    EXPECT_EQ(doc.Worker().Paused(), 0);
    EXPECT_EQ((doc.Output().sizeMode & 8) != 0, c.bayer);
}

INSTANTIATE_TEST_SUITE_P(Models, OpenRaw,
                         ::testing::Values(OpenCase{"FinePix S7000", false, 0, 1, false},
                                           OpenCase{"FinePix S7000", true, 0, 1, false},
                                           OpenCase{"FinePix S6500", false, 9, 1, false},
                                           OpenCase{"FinePix S5000", true, 0, 1, false},
                                           OpenCase{"FinePix S5500", false, 6, 1, true},
                                           OpenCase{"FinePix S20Pro", false, 4, 2, false},
                                           OpenCase{"FinePix S20Pro", true, 4, 2, false},
                                           OpenCase{"FinePix F810 ", false, 5, 1, false}),
                         [](const auto& testInfo) {
                             std::string n = testInfo.param.model;
                             std::string out;
                             for (char ch : n)
                                 if (std::isalnum(static_cast<unsigned char>(ch)))
                                     out += ch;
                             return out + (testInfo.param.compressed ? "Compressed" : "Plain");
                         });

TEST(OpenDocument, FailuresKeepTheOtherFamilysStoredRecord)
{
    test::ScopedSettings settings;
    test::TempDir dir;
    test::RecordingMessages messages;
    CVelmoDoc doc;
    doc.SetCameraFamily(4);
    doc.SetDefaultParameters();
    doc.Edit().SetField(ParamField::hue, 33);
    doc.SaveParameterRecord();

    test::RafFileSpec recipe;
    recipe.model = "FinePix XYZ";
    const std::string path = dir.File("unknown.RAF");
    ASSERT_TRUE(test::WriteRaf(path, recipe));
    EXPECT_FALSE(doc.OnOpenDocument(path));
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_NE(messages.calls[0].text.find("Unknown file type."), std::string::npos);
    EXPECT_EQ(doc.CameraFamily(), 4);
    doc.DeleteContents(); // saves the live record of the family it holds
    CVelmoDoc other;
    other.SetCameraFamily(4);
    other.LoadParameterRecord();
    EXPECT_EQ(other.Edit().Params().hue, 33);
    std::vector<uint8_t> stored;
    EXPECT_FALSE(settings.store().GetProfileBinary(kSettingsSection, "ParamS9", stored));
}

// A RAW file that cannot be read is refused before the open picture is
// closed: the picture, the edit state, the crop, the paths, the family and
// the stored records stay as they were, whatever is wrong with the file.
TEST(OpenDocument, AFileThatCannotBeReadLeavesEverythingAsItWas)
{
    test::ScopedSettings settings;
    test::TempDir dir;
    test::RecordingMessages messages;
    test::RecordingHost host;
    CVelmoDoc doc(&host);
    test::RafFileSpec good;
    good.model = "FinePix S20Pro";
    const std::string opened = dir.File("opened.RAF");
    ASSERT_TRUE(test::WriteRaf(opened, good));
    ASSERT_TRUE(doc.OnOpenDocument(opened));
    // The user's edits since it was opened.
    doc.Edit().SetField(ParamField::hue, 33);
    doc.Edit().SetField(ParamField::rotate, 1);
    LensCorrectionSettings lens = DefaultLensCorrection();
    lens.chromaRed = 12;
    doc.Edit().SetLens(lens);
    doc.Edit().SetFeature(FeatureKind::LensCorrection, true);
    doc.SetCrop({100, 200, 900, 1000}, {50, 60, 400, 500});

    std::vector<uint8_t> notRaf(5000);
    for (size_t i = 0; i < notRaf.size(); ++i)
        notRaf[i] = uint8_t(i * 7 + 3);
    test::RafFileSpec unknown;
    unknown.model = "FinePix XYZ";
    test::RafFileSpec damaged;
    damaged.model = "FinePix S7000";
    damaged.compressed = true;
    damaged.faults.corruptStream = true;
    test::RafFileSpec oneFrame = good;
    oneFrame.faults.patch = [](std::vector<uint8_t>& b, const test::RafLayout& at) {
        b.resize(at.dataOffset + at.dataLength);
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes; // empty: no such file
        const char* message;        // the start of the message
    };
    const Case cases[] = {
        {"not a RAF file", notRaf, "This is not FUJI CCD-RAW."},
        {"an unknown camera", test::BuildRaf(unknown), "Unknown file type."},
        {"damaged compressed data", test::BuildRaf(damaged), ""},
        {"the second frame missing", test::BuildRaf(oneFrame), ""},
        {"no such file", {}, ""},
    };

    const RawImage& image = doc.Image();
    const std::vector<uint16_t> picture = image.mainImage;
    const std::vector<uint16_t> second = image.secondFrame;
    const std::vector<uint16_t> previewMap = image.previewMap1;
    const std::vector<std::string> exif = image.exifLines;
    const DevParams record = doc.Edit().Params();
    int family = doc.CameraFamily();
    const char* recordName = ParamValueName(family);
    const DocumentPaths paths = doc.Paths();
    std::vector<uint8_t> storedBefore;
    const bool stored = settings.store().GetProfileBinary(kSettingsSection, recordName, storedBefore);
    int files = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("broken" + std::to_string(++files) + ".RAF");
        if (!c.bytes.empty()) {
            ASSERT_TRUE(test::WriteFile(path, c.bytes));
        }
        messages.calls.clear();
        EXPECT_FALSE(doc.OnOpenDocument(path));
        ASSERT_EQ(messages.calls.size(), 1u);
        EXPECT_EQ(messages.calls[0].text.rfind(c.message, 0), 0u) << messages.calls[0].text;

        ASSERT_TRUE(doc.HasImage());
        EXPECT_TRUE(image.mainImage == picture);
        EXPECT_TRUE(image.secondFrame == second);
        EXPECT_TRUE(image.previewMap1 == previewMap);
        EXPECT_EQ(image.exifLines, exif);
        EXPECT_TRUE(doc.Edit().Params() == record);
        EXPECT_TRUE(doc.Edit().Lens() == lens);
        EXPECT_TRUE(doc.Edit().FeatureOn(FeatureKind::LensCorrection));
        const Rect& units = doc.CropUnits();
        const Rect& cut = doc.CropImage();
        EXPECT_TRUE(units.left == 100 && units.top == 200 && units.right == 900 && units.bottom == 1000);
        EXPECT_TRUE(cut.left == 50 && cut.top == 60 && cut.right == 400 && cut.bottom == 500);
        EXPECT_EQ(doc.CameraFamily(), family);
        EXPECT_EQ(doc.SourcePath(), paths.source);
        EXPECT_EQ(doc.Paths().parameters, paths.parameters);
        std::vector<uint8_t> storedNow;
        EXPECT_EQ(settings.store().GetProfileBinary(kSettingsSection, recordName, storedNow), stored);
        EXPECT_TRUE(storedNow == storedBefore) << "the record was stored";
    }
    // And the picture still develops and saves as before.
    doc.SetCrop({}, {});
    doc.SetOutputFormat(OutputFormat::Tiff8);
    EXPECT_TRUE(doc.OnSaveDocument(opened));
}

TEST(OpenDocument, UnknownExtensionAndMissingSideFiles)
{
    test::ScopedSettings settings;
    test::TempDir dir;
    test::RecordingMessages messages;
    CVelmoDoc doc;
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("picture.png")));
    EXPECT_EQ(messages.calls.size(), 1u);
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("missing.icc")));
    EXPECT_EQ(messages.calls.size(), 1u);
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("missing.raf")));
    EXPECT_FALSE(doc.HasImage());
}

TEST(OpenDocument, UserProfileMustBeRgb)
{
    test::ScopedSettings settings;
    test::TempDir dir;
    test::RecordingMessages messages;
    CVelmoDoc doc;
    const BuiltInIccProfile& adobe = kBuiltInIccProfiles[1];
    const std::vector<uint8_t> rgb(adobe.data, adobe.data + adobe.size);
    ASSERT_TRUE(test::WriteFile(dir.File("good.ICC"), rgb));
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("good.ICC")));
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(*doc.Colors().Profiles().Slot(kUserIccSlot), rgb);
    EXPECT_EQ(doc.Edit().Params().ICC, 4);
    // A grey profile, a header that only claims RGB, and a stub.
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
    cmsHPROFILE grey = cmsCreateGrayProfile(cmsD50_xyY(), curve);
    cmsFreeToneCurve(curve);
    cmsUInt32Number size = 0;
    ASSERT_TRUE(cmsSaveProfileToMem(grey, nullptr, &size));
    std::vector<uint8_t> greyBytes(size);
    ASSERT_TRUE(cmsSaveProfileToMem(grey, greyBytes.data(), &size));
    cmsCloseProfile(grey);
    std::vector<uint8_t> fake(200, 0);
    std::memcpy(fake.data() + 16, "RGB ", 4);
    ASSERT_TRUE(test::WriteFile(dir.File("grey.icm"), greyBytes));
    ASSERT_TRUE(test::WriteFile(dir.File("fake.icc"), fake));
    ASSERT_TRUE(test::WriteFile(dir.File("short.icc"), std::vector<uint8_t>(18, 0)));
    doc.Edit().SetField(ParamField::ICC, 1);
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("grey.icm")));
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("fake.icc")));
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("short.icc")));
    EXPECT_EQ(messages.calls.size(), 3u);
    EXPECT_EQ(*doc.Colors().Profiles().Slot(kUserIccSlot), rgb); // the accepted profile stays
    EXPECT_EQ(doc.Paths().otherColorProfile, dir.File("good.ICC"));
    EXPECT_EQ(doc.Edit().Params().ICC, 1);
}

} // namespace
} // namespace velmo
