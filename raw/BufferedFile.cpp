#include "raw/BufferedFile.h"

#include <bzlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <new>
#include <system_error>

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

struct UnpackedStream {
    std::vector<uint8_t> data;
    const char* error = nullptr; // why it failed; null on success
};

UnpackedStream Failed(bz_stream* stream, const char* reason)
{
    if (stream)
        BZ2_bzDecompressEnd(stream);
    UnpackedStream r;
    r.error = reason;
    return r;
}

// Unpacks one whole bzip2 stream of at most unpackedLength bytes. progress
// (on the calling thread) and consumed follow the packed bytes taken in.
// The same bytes come out on any thread.
UnpackedStream UnpackStream(const std::vector<uint8_t>& packed, uint32_t unpackedLength, IProgress* progress,
                            std::atomic<uint64_t>* consumed)
{
    const uint64_t packedLength = packed.size();
    // The output grows as the stream delivers, up to unpackedLength, so that
    // a length word far larger than its stream costs no memory.
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(std::min<uint64_t>(unpackedLength, std::max<uint64_t>(kInitialOutput, 8ull * packedLength)));
    } catch (const std::bad_alloc&) {
        return Failed(nullptr, "not enough memory to unpack the data");
    }

    bz_stream stream;
    std::memset(&stream, 0, sizeof stream);
    if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK)
        return Failed(nullptr, "the decompressor cannot be started");

    stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(packed.data()));
    stream.avail_in = static_cast<unsigned>(packedLength);
    uint64_t produced = 0;
    char probe = 0;
    for (;;) {
        // The window never reaches past the buffer. Once it is full, one
        // byte of scratch space shows whether the stream would go on.
        if (produced == buffer.size() && buffer.size() < unpackedLength) {
            try {
                buffer.resize(std::min<uint64_t>(unpackedLength, 2 * static_cast<uint64_t>(buffer.size())));
            } catch (const std::bad_alloc&) {
                return Failed(&stream, "not enough memory to unpack the data");
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
        if (full && out > produced)
            return Failed(&stream, "the compressed data unpacks to more bytes than its length word says");
        const bool moved = out != produced || TotalIn(stream) != inBefore;
        produced = out;
        if (consumed)
            consumed->store(TotalIn(stream));

        if (result == BZ_STREAM_END) {
            if (BZ2_bzDecompressEnd(&stream) != BZ_OK)
                return Failed(nullptr, "the decompressor cannot be closed");
            buffer.resize(produced);
            UnpackedStream r;
            r.data = std::move(buffer);
            return r;
        }
        if (progress) {
            // The share of the packed bytes taken in: it reaches 100 as the
            // stream ends, whatever the stream's compression ratio.
            const uint64_t percent = packedLength ? TotalIn(stream) * 100 / packedLength : 0;
            progress->Report(static_cast<int>(std::min<uint64_t>(percent, INT_MAX)), "Unzipping");
        }
        if (result != BZ_OK && result != BZ_FINISH_OK)
            return Failed(&stream, "the compressed data is corrupt");
        if (!moved) {
            // All input is consumed and the end marker never came.
            return Failed(&stream, "the compressed data ends before its end marker");
        }
    }
}

} // namespace

// A block being unpacked beside the caller. The future is the last member:
// it is destroyed first and waits for the unpacking that reads `packed`.
struct CBufferedFile::PrefetchJob {
    uint64_t offset = 0;
    uint32_t packedLength = 0;
    uint32_t unpackedLength = 0;
    std::vector<uint8_t> packed;
    std::atomic<uint64_t> consumed{0};
    std::future<UnpackedStream> result;
};

CBufferedFile::CBufferedFile() = default;

CBufferedFile::CBufferedFile(const std::string& path)
{
    Open(path);
}

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
    DropPrefetch();
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
    if (TakePrefetch(at, packedLength, unpackedLength, progress))
        return inMemory;
    const uint64_t length = GetLength();
    if (at > length || packedLength > length - at)
        return Fail("the compressed data is cut short");

    std::vector<uint8_t> packed;
    try {
        packed.resize(packedLength);
    } catch (const std::bad_alloc&) {
        return Fail("not enough memory to unpack the data");
    }
    if (ReadDisk(packed.data(), packedLength) != packedLength)
        return Fail("the compressed data is cut short");
    UnpackedStream result = UnpackStream(packed, unpackedLength, progress, nullptr);
    if (result.error != nullptr)
        return Fail(result.error);
    Adopt(std::move(result.data));
    return true;
}

void CBufferedFile::Adopt(std::vector<uint8_t> data)
{
    buffer = std::move(data);
    inMemory = true;
    position = 0;
    dataSize = static_cast<uint32_t>(buffer.size());
}

void CBufferedFile::PrefetchCompressed(uint64_t offset, uint32_t packedLength, uint32_t unpackedLength)
{
    DropPrefetch();
    const uint64_t length = GetLength();
    if (offset > length || packedLength > length - offset)
        return;
    // The packed bytes are read here: the file is never touched by the
    // worker, which only unpacks.
    const uint64_t resume = GetPosition();
    auto job = std::make_unique<PrefetchJob>();
    try {
        job->packed.resize(packedLength);
    } catch (const std::bad_alloc&) {
        return;
    }
    const bool read = Seek(offset) && ReadDisk(job->packed.data(), packedLength) == packedLength;
    Seek(resume);
    if (!read)
        return;
    job->offset = offset;
    job->packedLength = packedLength;
    job->unpackedLength = unpackedLength;
    PrefetchJob* j = job.get();
    try {
        j->result = std::async(std::launch::async,
                               [j] { return UnpackStream(j->packed, j->unpackedLength, nullptr, &j->consumed); });
    } catch (const std::system_error&) {
        return; // no thread to be had: the block is unpacked when it is asked for
    }
    prefetch = std::move(job);
}

void CBufferedFile::DropPrefetch()
{
    // The future's destructor waits for an unpack still running.
    prefetch.reset();
}

bool CBufferedFile::TakePrefetch(uint64_t at, uint32_t packedLength, uint32_t unpackedLength, IProgress* progress)
{
    if (!prefetch || prefetch->offset != at || prefetch->packedLength != packedLength ||
        prefetch->unpackedLength != unpackedLength)
        return false;
    const std::unique_ptr<PrefetchJob> job = std::move(prefetch);
    // The progress of an unpack still running, reported from this thread.
    while (job->result.wait_for(std::chrono::milliseconds(40)) != std::future_status::ready)
        if (progress && packedLength != 0)
            progress->Report(static_cast<int>(std::min<uint64_t>(job->consumed.load() * 100 / packedLength, 100)),
                             "Unzipping");
    UnpackedStream result = job->result.get();
    // The file position moves past the block, as an unpack here would.
    Seek(at + packedLength);
    if (result.error != nullptr) {
        Fail(result.error);
        return true;
    }
    Adopt(std::move(result.data));
    return true;
}

} // namespace velmo
