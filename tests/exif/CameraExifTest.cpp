#include "exif/CameraExif.h"
#include "platform/core/ByteReader.h"
#include "raw/BufferedFile.h"
#include "raw/RafContainer.h"
#include "tests/develop/WriterFixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmo {
namespace {

using test::CameraExifFixture;
using test::CameraExifRecipe;
using test::MakeCameraExif;

// The value of the first entry with tag in the IFD at offset of the copy.
uint32_t EntryValue(const CameraExif& e, uint32_t ifd, uint16_t tag, uint16_t* type = nullptr)
{
    const uint16_t count = e.Get16(ifd);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = ifd + 2 + 12 * i;
        if (e.Get16(at) == tag) {
            const uint16_t t = e.Get16(at + 2);
            if (type)
                *type = t;
            return t == 3 ? e.Get16(at + 8) : e.Get32(at + 8);
        }
    }
    return 0xDEADBEEF;
}

uint32_t ExifIfd(const CameraExif& e) { return EntryValue(e, e.ifd0, 0x8769); }

TEST(CameraExif, CopiesUpToTheThumbnailAndPatchesTheCopyInEitherByteOrder)
{
    for (bool le : {true, false}) {
        SCOPED_TRACE(le ? "II" : "MM");
        CameraExifRecipe recipe;
        recipe.littleEndian = le;
        const CameraExifFixture f = MakeCameraExif(recipe);
        const std::vector<uint8_t> before = f.buffer;
        const CameraExif e = PrepareCameraExif(f.Source(), 3000, 2000, false);
        ASSERT_FALSE(e.Empty());
        EXPECT_EQ(f.buffer, before) << "the document's buffer is never patched";
        EXPECT_EQ(e.littleEndian, le);
        EXPECT_EQ(e.tiff[0], le ? 'I' : 'M');
        EXPECT_EQ(size_t(f.index.thumbnailData), f.exifOffset + 6 + e.tiff.size());
        EXPECT_TRUE(e.thumbnailLinkable);
        EXPECT_EQ(EntryValue(e, ExifIfd(e), 0xA002), 3000u);
        EXPECT_EQ(EntryValue(e, ExifIfd(e), 0xA003), 2000u);
        EXPECT_EQ(EntryValue(e, ExifIfd(e), 0xA001), 0xFFFFu) << "not sRGB: uncalibrated";
        EXPECT_EQ(EntryValue(e, e.ifd0, 0x0112), 1u);
        EXPECT_EQ(e.ifd0Count, 10);
        const CameraExif srgb = PrepareCameraExif(f.Source(), 3000, 2000, true);
        EXPECT_EQ(EntryValue(srgb, ExifIfd(srgb), 0xA001), 1u);
    }
}

TEST(CameraExif, SlotsThatDoNotHoldWhatTheySayArePassedOver)
{
    // No thumbnail entries: the whole segment is kept, no thumbnail linked.
    {
        CameraExifRecipe recipe;
        recipe.thumbnailEntries = false;
        const CameraExifFixture f = MakeCameraExif(recipe);
        const CameraExif e = PrepareCameraExif(f.Source(), 10, 20, true);
        ASSERT_FALSE(e.Empty());
        EXPECT_FALSE(e.thumbnailLinkable);
        EXPECT_EQ(e.tiff.size(), size_t(f.buffer[4] << 8 | f.buffer[5]) - 8) << "to the end of the APP1 segment";
    }
    // A thumbnail position past the header buffer.
    {
        CameraExifFixture f = MakeCameraExif();
        f.index.thumbnailData = 5000;
        const CameraExif e = PrepareCameraExif(f.Source(), 10, 20, true);
        ASSERT_FALSE(e.Empty());
        EXPECT_FALSE(e.thumbnailLinkable);
        EXPECT_EQ(EntryValue(e, ExifIfd(e), 0xA003), 20u);
    }
    // A pointer slot that names another entry.
    {
        CameraExifFixture f = MakeCameraExif();
        f.index.thumbnailPointerEntry = f.index.exifImageHeightEntry;
        const CameraExif e = PrepareCameraExif(f.Source(), 10, 20, true);
        ASSERT_FALSE(e.Empty());
        EXPECT_FALSE(e.thumbnailLinkable);
    }
    // No ExifImageWidth entry: only the height is patched.
    {
        CameraExifRecipe recipe;
        recipe.widthEntry = false;
        const CameraExifFixture f = MakeCameraExif(recipe);
        const CameraExif e = PrepareCameraExif(f.Source(), 10, 20, true);
        ASSERT_FALSE(e.Empty());
        EXPECT_FALSE(e.patchedWidth);
        EXPECT_TRUE(e.patchedHeight);
        EXPECT_EQ(EntryValue(e, ExifIfd(e), 0xA002), 0xDEADBEEFu);
    }
    // A SHORT width entry stays SHORT; a value too large for it becomes LONG.
    {
        CameraExifRecipe recipe;
        recipe.edit = [](test::ExifBlockSpec& s) { s.exif.Remove(0xA002).Short(0xA002, 1440); };
        const CameraExifFixture f = MakeCameraExif(recipe);
        uint16_t type = 0;
        const CameraExif small = PrepareCameraExif(f.Source(), 4000, 20, true);
        EXPECT_EQ(EntryValue(small, ExifIfd(small), 0xA002, &type), 4000u);
        EXPECT_EQ(type, 3);
        const CameraExif large = PrepareCameraExif(f.Source(), 70000, 20, true);
        EXPECT_EQ(EntryValue(large, ExifIfd(large), 0xA002, &type), 70000u);
        EXPECT_EQ(type, 4);
    }
}

TEST(CameraExif, BlocksThatCannotBeMadeValidAreLeftOut)
{
    struct Case {
        const char* name;
        void (*edit)(test::ExifBlockSpec&);
        size_t bufferSize;
    };
    const Case cases[] = {
        {"IFD0 data outside the block", [](test::ExifBlockSpec& s) { s.ifd0.Raw(0x8298, 2, 100, 0x7000); }, 4096},
        {"Exif IFD outside the block", [](test::ExifBlockSpec& s) { s.ifd0.Remove(0x8769).Raw(0x8769, 4, 1, 0x9000); },
         4096},
        {"Exif entry data outside the block", [](test::ExifBlockSpec& s) { s.exif.Raw(0x9286, 7, 64, 0x8000); }, 4096},
        {"buffer cut inside the block", nullptr, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CameraExifRecipe recipe;
        recipe.edit = c.edit;
        recipe.bufferSize = c.bufferSize;
        const CameraExifFixture f = MakeCameraExif(recipe);
        ASSERT_GE(f.index.exifSignature, 0);
        EXPECT_TRUE(PrepareCameraExif(f.Source(), 10, 20, true).Empty());
    }
    // No index, no signature, a damaged byte-order mark.
    const CameraExifFixture f = MakeCameraExif();
    EXPECT_TRUE(PrepareCameraExif({f.buffer, nullptr}, 1, 1, true).Empty());
    ExifTagIndex none;
    EXPECT_TRUE(PrepareCameraExif({f.buffer, &none}, 1, 1, true).Empty());
    CameraExifFixture damaged = f;
    damaged.buffer[f.exifOffset + 6] = 'X';
    EXPECT_TRUE(PrepareCameraExif(damaged.Source(), 1, 1, true).Empty());
}

TEST(CameraExif, DamagedIfd1IsCutOffTheChain)
{
    CameraExifFixture f = MakeCameraExif();
    CameraExif good = PrepareCameraExif(f.Source(), 1, 1, true);
    ASSERT_FALSE(good.Empty());
    // IFD0's next field points outside the block.
    const size_t next = f.exifOffset + 6 + good.ifd0NextField;
    f.buffer[next] = 0xF0;
    f.buffer[next + 1] = 0xFF;
    const CameraExif e = PrepareCameraExif(f.Source(), 1, 1, true);
    ASSERT_FALSE(e.Empty());
    EXPECT_EQ(e.Get32(e.ifd0NextField), 0u);
    EXPECT_FALSE(e.thumbnailLinkable);
}

// The count and bytes of the first entry with tag in the IFD at offset.
std::string AsciiValue(const CameraExif& e, uint32_t ifd, uint16_t tag)
{
    const uint16_t count = e.Get16(ifd);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = ifd + 2 + 12 * i;
        if (e.Get16(at) != tag)
            continue;
        const uint32_t n = e.Get32(at + 4);
        const size_t data = n <= 4 ? at + 8 : e.Get32(at + 8);
        return std::string(reinterpret_cast<const char*>(e.tiff.data() + data), n);
    }
    return "<absent>";
}

// Text fields as cameras pad them; the builder adds one more NUL.
struct AsciiCase {
    const char* what;
    uint16_t tag;
    bool exifIfd;
    std::string stored; // without the builder's NUL
    std::string written;
};

const std::vector<AsciiCase>& AsciiCases()
{
    using namespace std::string_literals;
    static const std::vector<AsciiCase> cases = {
        {"blank copyright of a fixed size", 0x8298, false, std::string(40, ' ') + "\0"s + std::string(30, ' '),
         "\0"s},
        {"photographer and editor", 0x8298, false, "A. Photographer   \0Ed Itor  \0\0\0\0"s,
         "A. Photographer\0Ed Itor\0"s},
        {"editor only", 0x8298, false, "   \0Ed\0\0\0\0\0\0"s, " \0Ed\0"s},
        {"NUL padding after the text", 0x0131, false, "Digital Camera\0\0\0\0\0\0\0\0"s, "Digital Camera\0"s},
        {"short text becomes inline", 0x013B, false, "AB\0\0\0\0\0\0\0"s, "AB\0"s},
        {"blanks inside a text are kept", 0x0131, false, "FinePix S5Pro   Ver1.06"s, "FinePix S5Pro   Ver1.06\0"s},
        {"Exif sub-IFD text", 0x9003, true, "2007:05:22 13:58:30\0\0\0\0"s, "2007:05:22 13:58:30\0"s},
    };
    return cases;
}

size_t currentAsciiCase = 0;

TEST(CameraExif, TextFieldsKeepOneTerminatingNul)
{
    for (size_t i = 0; i < AsciiCases().size(); ++i) {
        const AsciiCase& c = AsciiCases()[i];
        SCOPED_TRACE(c.what);
        for (bool le : {true, false}) {
            currentAsciiCase = i;
            CameraExifRecipe recipe;
            recipe.littleEndian = le;
            recipe.edit = [](test::ExifBlockSpec& block) {
                const AsciiCase& k = AsciiCases()[currentAsciiCase];
                test::ExifIfdSpec& ifd = k.exifIfd ? block.exif : block.ifd0;
                ifd.Remove(k.tag);
                ifd.Ascii(k.tag, k.stored);
            };
            const CameraExifFixture f = MakeCameraExif(recipe);
            const CameraExif e = PrepareCameraExif(f.Source(), 300, 200, true);
            ASSERT_FALSE(e.Empty());
            const uint32_t ifd = c.exifIfd ? ExifIfd(e) : e.ifd0;
            EXPECT_EQ(AsciiValue(e, ifd, c.tag), c.written);
            EXPECT_EQ(AsciiValue(e, e.ifd0, 0x010F), std::string("FUJIFILM") + '\0') << "other texts untouched";
        }
    }
}

TEST(CameraExif, RealCameraHeader)
{
    const std::string sample = std::string(VELMO_SAMPLES_DIR) + "/S5Pro-header-only.RAF";
    CBufferedFile file;
    if (!file.Open(sample))
        GTEST_SKIP() << "sample missing: " << sample;
    RafContainer raf;
    RafWhiteBalancePresets presets;
    ASSERT_TRUE(ReadRafContainer(file, raf, presets).Ok());
    const CameraExif e = PrepareCameraExif({raf.header, &raf.exifIndex}, 1234, 567, true);
    ASSERT_FALSE(e.Empty());
    EXPECT_TRUE(e.littleEndian);
    EXPECT_EQ(e.tiff.size(), 2544u); // exiftool: ThumbnailOffset 2544
    EXPECT_TRUE(e.thumbnailLinkable);
    EXPECT_EQ(e.ifd0Count, 13);
    EXPECT_EQ(EntryValue(e, ExifIfd(e), 0xA002), 1234u);
    EXPECT_EQ(EntryValue(e, ExifIfd(e), 0xA003), 567u);
    // The camera pads its copyright with blanks and NULs to 512 bytes.
    EXPECT_EQ(AsciiValue(e, e.ifd0, 0x8298), std::string(1, '\0'));
}

} // namespace
} // namespace velmo
