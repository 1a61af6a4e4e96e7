#include "raw/BufferedFile.h"

#include "tests/support/TestEnv.h"

#include <bzlib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace velmo {
namespace {

std::vector<uint8_t> Pattern(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>((i * 7) ^ (i >> 9));
    return v;
}

std::vector<uint8_t> Bzip2(const std::vector<uint8_t>& data)
{
    unsigned int size = static_cast<unsigned int>(data.size() + data.size() / 100 + 1024);
    std::vector<uint8_t> out(size);
    EXPECT_EQ(BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &size,
                                       const_cast<char*>(data.empty() ? "" : reinterpret_cast<const char*>(data.data())),
                                       static_cast<unsigned int>(data.size()), 9, 0, 0),
              BZ_OK);
    out.resize(size);
    return out;
}

// A file of some leading bytes, then a bzip2 stream of the payload, then trailing bytes.
struct StreamFile {
    std::vector<uint8_t> payload;
    std::vector<uint8_t> stream;
    std::vector<uint8_t> bytes;
    static constexpr size_t kLead = 100;

    explicit StreamFile(size_t n) : payload(Pattern(n)), stream(Bzip2(payload))
    {
        bytes.assign(kLead, 0xAB);
        bytes.insert(bytes.end(), stream.begin(), stream.end());
        bytes.insert(bytes.end(), 16, 0xCD);
    }
};

std::vector<uint8_t> ReadAll(CBufferedFile& f, size_t chunk)
{
    std::vector<uint8_t> out;
    std::vector<uint8_t> buffer(chunk);
    for (;;) {
        uint32_t n = f.Read(buffer.data(), static_cast<uint32_t>(chunk));
        if (n == 0)
            return out;
        out.insert(out.end(), buffer.begin(), buffer.begin() + n);
    }
}

TEST(BufferedFile, ReadsUnpackedDataFromMemoryUntilMemoryModeIsLeft)
{
    StreamFile s(100000);
    CBufferedFile f;
    ASSERT_TRUE(f.OpenMemory(s.bytes.data(), s.bytes.size()));
    ASSERT_TRUE(f.Seek(StreamFile::kLead));
    ASSERT_TRUE(f.LoadCompressed(true, static_cast<uint32_t>(s.stream.size()), 100000));
    EXPECT_TRUE(f.InMemory());
    EXPECT_EQ(f.DataSize(), 100000u);
    // Reads in odd pieces return what is left, then 0.
    EXPECT_EQ(ReadAll(f, 4093), s.payload);
    uint8_t byte = 0;
    EXPECT_EQ(f.Read(&byte, 1), 0u);
    // Seek and GetLength keep acting on the file itself.
    EXPECT_EQ(f.GetLength(), s.bytes.size());
    ASSERT_TRUE(f.Seek(0));
    EXPECT_EQ(f.Read(&byte, 1), 0u);
    EXPECT_TRUE(f.LoadCompressed(false, 0, 0));
    EXPECT_FALSE(f.InMemory());
    ASSERT_TRUE(f.Seek(0));
    EXPECT_EQ(f.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, 0xAB);
}

TEST(BufferedFile, SecondUnpackReplacesTheFirst)
{
    StreamFile s(5000);
    CBufferedFile f;
    ASSERT_TRUE(f.OpenMemory(s.bytes.data(), s.bytes.size()));
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(f.Seek(StreamFile::kLead));
        ASSERT_TRUE(f.LoadCompressed(true, static_cast<uint32_t>(s.stream.size()), 5000));
        EXPECT_EQ(ReadAll(f, 777), s.payload);
    }
}

TEST(BufferedFile, StreamFillingTheBufferExactlyIsAccepted)
{
    for (size_t n : {size_t(0), size_t(1), size_t(4096), size_t(8192), size_t(12345)}) {
        StreamFile s(n);
        CBufferedFile f;
        ASSERT_TRUE(f.OpenMemory(s.bytes.data(), s.bytes.size()));
        ASSERT_TRUE(f.Seek(StreamFile::kLead));
        EXPECT_TRUE(f.LoadCompressed(true, static_cast<uint32_t>(s.stream.size()), static_cast<uint32_t>(n))) << n;
        EXPECT_EQ(ReadAll(f, 1000), s.payload) << n;
    }
}

TEST(BufferedFile, StreamShorterThanTheBufferKeepsItsOwnSize)
{
    StreamFile s(3000);
    CBufferedFile f;
    ASSERT_TRUE(f.OpenMemory(s.bytes.data(), s.bytes.size()));
    ASSERT_TRUE(f.Seek(StreamFile::kLead));
    ASSERT_TRUE(f.LoadCompressed(true, static_cast<uint32_t>(s.stream.size()), 9000));
    EXPECT_EQ(f.DataSize(), 3000u);
    EXPECT_EQ(ReadAll(f, 4096), s.payload);
}

// The unpack never writes past its buffer and refuses broken input; the
// sanitizer build checks the first part.
TEST(BufferedFile, RefusesBrokenStreams)
{
    struct Case {
        const char* name;
        size_t payload;
        uint32_t unpacked;     // buffer size; 0 = the payload size
        int64_t packedDelta;   // added to the stream length
        std::function<void(std::vector<uint8_t>&)> damage;
    } cases[] = {
        {"longer than its buffer by one byte", 10000, 9999, 0, nullptr},
        {"longer than its buffer by a window", 20000, 20000 - 4096, 0, nullptr},
        {"into a buffer of zero bytes", 100, 0xFFFFFFFF, 0, nullptr},
        {"packed length past the end of the file", 1000, 0, 1000, nullptr},
        {"stream cut before its end marker", 30000, 0, -40, nullptr},
        {"corrupt block data", 30000, 0, 0,
         [](std::vector<uint8_t>& b) {
             for (size_t i = StreamFile::kLead + 40; i < StreamFile::kLead + 60; ++i)
                 b[i] ^= 0x3C;
         }},
        {"no bzip2 signature", 1000, 0, 0, [](std::vector<uint8_t>& b) { b[StreamFile::kLead] = 'X'; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StreamFile s(c.payload);
        if (c.damage)
            c.damage(s.bytes);
        CBufferedFile f;
        ASSERT_TRUE(f.OpenMemory(s.bytes.data(), s.bytes.size()));
        ASSERT_TRUE(f.Seek(StreamFile::kLead));
        const uint32_t unpacked = c.unpacked == 0xFFFFFFFF ? 0 : c.unpacked ? c.unpacked : static_cast<uint32_t>(c.payload);
        const uint32_t packed = static_cast<uint32_t>(static_cast<int64_t>(s.stream.size()) + c.packedDelta);
        // The failure is the caller's to report (through the document's
        // messages); nothing goes to the standard error stream.
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(f.LoadCompressed(true, packed, unpacked));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        EXPECT_FALSE(f.InMemory());
        EXPECT_EQ(f.DataSize(), 0u);
        EXPECT_FALSE(f.LastError().empty());
    }
}

TEST(BufferedFile, DiskFileAndLargePercentages)
{
    test::TempDir dir;
    StreamFile s(200000);
    std::string path = dir.File("stream.bin");
    {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fwrite(s.bytes.data(), 1, s.bytes.size(), out);
        std::fclose(out);
    }
    CBufferedFile f(path);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_EQ(f.GetLength(), s.bytes.size());
    ASSERT_TRUE(f.Seek(StreamFile::kLead));
    struct Progress final : IProgress {
        int Report(int percent, const char* label) override
        {
            last = percent;
            EXPECT_STREQ(label, "Unzipping");
            ++calls;
            return 1; // an abort request does not stop the unpack
        }
        int last = -1;
        int calls = 0;
    } progress;
    ASSERT_TRUE(f.LoadCompressed(true, static_cast<uint32_t>(s.stream.size()), 200000, &progress));
    EXPECT_GT(progress.calls, 0);
    EXPECT_GE(progress.last, 0);
    // The share of the packed bytes: it ends near 100 whatever the ratio of
    // packed to unpacked bytes.
    EXPECT_GE(progress.last, 50);
    EXPECT_LE(progress.last, 100);
    EXPECT_EQ(ReadAll(f, 65536), s.payload);

    CBufferedFile missing(dir.File("none.bin"));
    EXPECT_FALSE(missing.IsOpen());
    uint8_t byte;
    EXPECT_EQ(missing.Read(&byte, 1), 0u);
}

// Two streams one after the other, as a two-frame file stores its frames.
// The second unpacks on another thread while the first unpacks here; both
// give exactly the bytes a plain unpack gives, and the file position ends
// where a plain unpack leaves it.
TEST(BufferedFile, PrefetchedBlockGivesTheSameBytes)
{
    const std::vector<uint8_t> first = Pattern(300000);
    std::vector<uint8_t> second(300000);
    for (size_t i = 0; i < second.size(); ++i)
        second[i] = static_cast<uint8_t>((i * 13) ^ (i >> 7) ^ 0x5A);
    const std::vector<uint8_t> a = Bzip2(first), b = Bzip2(second);
    const size_t secondAt = 64 + a.size();
    std::vector<uint8_t> bytes(secondAt + b.size() + 8, 0x22);
    std::fill(bytes.begin(), bytes.begin() + 64, uint8_t(0x11));
    std::copy(a.begin(), a.end(), bytes.begin() + 64);
    std::copy(b.begin(), b.end(), bytes.begin() + std::ptrdiff_t(secondAt));

    struct Counting final : IProgress {
        int Report(int, const char* label) override
        {
            EXPECT_STREQ(label, "Unzipping");
            ++calls;
            return 0;
        }
        int calls = 0;
    };
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        CBufferedFile f;
        ASSERT_TRUE(f.OpenMemory(bytes.data(), bytes.size()));
        ASSERT_TRUE(f.Seek(64));
        f.PrefetchCompressed(secondAt, static_cast<uint32_t>(b.size()), 300000);
        EXPECT_TRUE(f.HasPrefetch());
        EXPECT_EQ(f.GetPosition(), 64u) << "the caller's position is kept";
        Counting progress;
        ASSERT_TRUE(f.LoadCompressed(true, static_cast<uint32_t>(a.size()), 300000, &progress));
        EXPECT_EQ(ReadAll(f, 5000), first);
        EXPECT_TRUE(f.HasPrefetch()) << "another block does not take it";
        ASSERT_TRUE(f.Seek(secondAt));
        ASSERT_TRUE(f.LoadCompressed(true, static_cast<uint32_t>(b.size()), 300000, &progress));
        EXPECT_FALSE(f.HasPrefetch());
        EXPECT_EQ(f.GetPosition(), secondAt + b.size());
        EXPECT_EQ(ReadAll(f, 5000), second);
    }

    // A damaged prefetched block fails as a plain unpack of it would.
    std::vector<uint8_t> damaged = bytes;
    for (size_t i = secondAt + 40; i < secondAt + 60; ++i)
        damaged[i] ^= 0x3C;
    CBufferedFile f;
    ASSERT_TRUE(f.OpenMemory(damaged.data(), damaged.size()));
    f.PrefetchCompressed(secondAt, static_cast<uint32_t>(b.size()), 300000);
    ASSERT_TRUE(f.Seek(secondAt));
    EXPECT_FALSE(f.LoadCompressed(true, static_cast<uint32_t>(b.size()), 300000));
    EXPECT_EQ(f.LastError(), "the compressed data is corrupt");
    EXPECT_FALSE(f.InMemory());

    // A block past the end is not prefetched; closing with one running waits for it.
    CBufferedFile g;
    ASSERT_TRUE(g.OpenMemory(bytes.data(), bytes.size()));
    g.PrefetchCompressed(bytes.size() - 4, 100, 1000);
    EXPECT_FALSE(g.HasPrefetch());
    g.PrefetchCompressed(secondAt, static_cast<uint32_t>(b.size()), 300000);
    g.Close();
    EXPECT_FALSE(g.HasPrefetch());
}

} // namespace
} // namespace velmo
