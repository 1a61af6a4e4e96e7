#include "raw/BufferedFile.h"

#include <bzlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace velmo {

namespace {

constexpr uint32_t kWindow = 4096;
constexpr uint64_t kInitialOutput = 1u << 16;

uint64_t TotalOut(const bz_stream& s)
{
    return (static_cast<uint64_t>(s.total_out_hi32) << 32) | s.total_out_lo32;
}

uint64_t TotalIn(const bz_stream& s)
{
    return (static_cast<uint64_t>(s.total_in_hi32) << 32) | s.total_in_lo32;
}

} // namespace

CBufferedFile::~CBufferedFile()
{
    Close();
}

bool CBufferedFile::Open(const std::string& path)
{
    Close();
    file = std::fopen(path.c_str(), "rb");
    return file != nullptr;
}

bool CBufferedFile::OpenMemory(const void* data, size_t size)
{
    Close();
    try {
        memoryData.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    memoryFile = true;
    memoryPosition = 0;
    return true;
}

void CBufferedFile::Close()
{
    buffer.clear();
    buffer.shrink_to_fit();
    inMemory = false;
    position = 0;
    dataSize = 0;
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
    memoryFile = false;
    memoryData.clear();
    memoryData.shrink_to_fit();
    memoryPosition = 0;
}

uint32_t CBufferedFile::Read(void* out, uint32_t count)
{
    if (!inMemory)
        return ReadDisk(out, count);
    uint32_t available = position <= dataSize ? dataSize - position : 0;
    uint32_t n = std::min(count, available);
    if (n > 0) {
        std::memcpy(out, buffer.data() + position, n);
        position += n;
    }
    return n;
}

uint32_t CBufferedFile::ReadDisk(void* out, uint32_t count)
{
    if (memoryFile) {
        uint64_t available = memoryPosition <= memoryData.size() ? memoryData.size() - memoryPosition : 0;
        uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(count, available));
        if (n > 0) {
            std::memcpy(out, memoryData.data() + memoryPosition, n);
            memoryPosition += n;
        }
        return n;
    }
    if (!file || count == 0)
        return 0;
    return static_cast<uint32_t>(std::fread(out, 1, count, file));
}

bool CBufferedFile::Seek(uint64_t offset)
{
    if (memoryFile) {
        memoryPosition = offset;
        return offset <= memoryData.size();
    }
    if (!file || offset > static_cast<uint64_t>(LLONG_MAX))
        return false;
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

uint64_t CBufferedFile::GetPosition() const
{
    if (memoryFile)
        return memoryPosition;
    if (!file)
        return 0;
    off_t at = ftello(file);
    return at < 0 ? 0 : static_cast<uint64_t>(at);
}

uint64_t CBufferedFile::GetLength() const
{
    if (memoryFile)
        return memoryData.size();
    if (!file)
        return 0;
    struct stat st {};
    if (fstat(fileno(file), &st) != 0 || st.st_size < 0)
        return 0;
    return static_cast<uint64_t>(st.st_size);
}

bool CBufferedFile::Fail(const char* reason)
{
    buffer.clear();
    buffer.shrink_to_fit();
    inMemory = false;
    position = 0;
    dataSize = 0;
    lastError = reason;
    return false;
}

bool CBufferedFile::LoadCompressed(bool enable, uint32_t packedLength, uint32_t unpackedLength,
                                   IProgress* progress)
{
    lastError.clear();
    // Whatever an earlier unpack left is released first; reads go to the file.
    buffer.clear();
    buffer.shrink_to_fit();
    inMemory = false;
    position = 0;
    dataSize = 0;
    if (!enable)
        return true;

    const uint64_t at = GetPosition();
    const uint64_t length = GetLength();
    if (at > length || packedLength > length - at)
        return Fail("the compressed data is cut short");

    // The output buffer grows as the stream delivers, up to unpackedLength,
    // so that a length word far larger than its stream costs no memory.
    std::vector<uint8_t> packed;
    try {
        packed.resize(packedLength);
        buffer.resize(std::min<uint64_t>(unpackedLength, std::max<uint64_t>(kInitialOutput, 8ull * packedLength)));
    } catch (const std::bad_alloc&) {
        return Fail("not enough memory to unpack the data");
    }
    if (ReadDisk(packed.data(), packedLength) != packedLength)
        return Fail("the compressed data is cut short");

    bz_stream stream;
    std::memset(&stream, 0, sizeof stream);
    if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK)
        return Fail("the decompressor cannot be started");

    stream.next_in = reinterpret_cast<char*>(packed.data());
    stream.avail_in = packedLength;
    uint64_t produced = 0;
    char probe = 0;
    for (;;) {
        // The window never reaches past the buffer. Once it is full, one
        // byte of scratch space shows whether the stream would go on.
        if (produced == buffer.size() && buffer.size() < unpackedLength) {
            try {
                buffer.resize(std::min<uint64_t>(unpackedLength, 2 * static_cast<uint64_t>(buffer.size())));
            } catch (const std::bad_alloc&) {
                BZ2_bzDecompressEnd(&stream);
                return Fail("not enough memory to unpack the data");
            }
        }
        const uint64_t space = buffer.size() - produced;
        const bool full = space == 0;
        if (full) {
            stream.next_out = &probe;
            stream.avail_out = 1;
        } else {
            stream.next_out = reinterpret_cast<char*>(buffer.data() + produced);
            stream.avail_out = static_cast<unsigned>(std::min<uint64_t>(kWindow, space));
        }
        const uint64_t inBefore = TotalIn(stream);
        const int result = BZ2_bzDecompress(&stream);
        const uint64_t out = TotalOut(stream);
        if (full && out > produced) {
            BZ2_bzDecompressEnd(&stream);
            return Fail("the compressed data unpacks to more bytes than its length word says");
        }
        const bool moved = out != produced || TotalIn(stream) != inBefore;
        produced = out;

        if (result == BZ_STREAM_END) {
            if (BZ2_bzDecompressEnd(&stream) != BZ_OK)
                return Fail("the decompressor cannot be closed");
            buffer.resize(produced);
            inMemory = true;
            position = 0;
            dataSize = static_cast<uint32_t>(produced);
            return true;
        }
        if (progress) {
            uint64_t percent = unpackedLength ? TotalIn(stream) * 100 / unpackedLength : 0;
            progress->Report(static_cast<int>(std::min<uint64_t>(percent, INT_MAX)), "Unzipping");
        }
        if (result != BZ_OK && result != BZ_FINISH_OK) {
            BZ2_bzDecompressEnd(&stream);
            return Fail("the compressed data is corrupt");
        }
        if (!moved) {
            // All input is consumed and the end marker never came.
            BZ2_bzDecompressEnd(&stream);
            return Fail("the compressed data ends before its end marker");
        }
    }
}

} // namespace velmo
