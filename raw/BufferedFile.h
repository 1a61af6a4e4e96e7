// A read-only file whose reads can come from memory: after LoadCompressed has
// unpacked a bzip2-compressed block of the file, Read serves the unpacked
// bytes until memory mode is left again. Seek and GetLength always act on the
// file itself.
#pragma once

#include "platform/core/Progress.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace velmo {

class CBufferedFile {
public:
    CBufferedFile();
    // Opens path for binary reading; IsOpen() tells whether that worked.
    explicit CBufferedFile(const std::string& path);
    ~CBufferedFile();
    CBufferedFile(const CBufferedFile&) = delete;
    CBufferedFile& operator=(const CBufferedFile&) = delete;

    bool Open(const std::string& path);
    // Serves a copy of data as the "disk" file (tests and fuzzers).
    bool OpenMemory(const void* data, size_t size);
    void Close();
    bool IsOpen() const { return file != nullptr || memoryFile; }

    // In memory mode: copies min(count, size - position) unpacked bytes and
    // advances; 0 at the end. Otherwise reads from the file.
    uint32_t Read(void* out, uint32_t count);
    uint32_t ReadBuffered(void* out, uint32_t count) { return Read(out, count); }

    bool Seek(uint64_t offset);
    uint64_t GetPosition() const;
    uint64_t GetLength() const;

    // enable false: leaves memory mode and frees the unpacked data; true.
    // enable true: unpacks the next packedLength bytes of the file (from the
    // current position) into a new buffer of unpackedLength bytes and reads
    // from it from position 0. progress, when given, receives the share of
    // the packed bytes consumed, labelled "Unzipping". False when the packed
    // bytes cannot be read, the stream is corrupt or ends early without its
    // end marker, or it would unpack to more than unpackedLength bytes.
    bool LoadCompressed(bool enable, uint32_t packedLength, uint32_t unpackedLength,
                        IProgress* progress = nullptr);

    // Starts unpacking the packedLength bytes at offset on another thread
    // (the bytes are read here, the file stays with the caller). The
    // LoadCompressed that later asks for exactly that block takes the result,
    // the same bytes it would unpack itself, reporting the progress of any
    // unpacking still running. Nothing happens when the bytes cannot be read
    // or no thread can be started.
    void PrefetchCompressed(uint64_t offset, uint32_t packedLength, uint32_t unpackedLength);
    bool HasPrefetch() const { return prefetch != nullptr; }

    bool InMemory() const { return inMemory; }
    // Bytes the last unpack produced, and the read position within them.
    uint32_t DataSize() const { return dataSize; }
    uint32_t DataPosition() const { return position; }
    // Why the last LoadCompressed failed ("" after success).
    const std::string& LastError() const { return lastError; }

private:
    struct PrefetchJob;
    uint32_t ReadDisk(void* buffer, uint32_t count);
    void Adopt(std::vector<uint8_t> data);
    void DropPrefetch();
    // True when a prefetched block at `at` of these lengths was taken (the
    // result, success or failure, is then in place).
    bool TakePrefetch(uint64_t at, uint32_t packedLength, uint32_t unpackedLength, IProgress* progress);
    // Leaves memory mode and keeps reason for LastError; the caller reports it.
    bool Fail(const char* reason);

    std::FILE* file = nullptr;
    bool memoryFile = false;
    std::vector<uint8_t> memoryData;
    uint64_t memoryPosition = 0;

    std::vector<uint8_t> buffer; // the unpacked data
    uint32_t position = 0;
    uint32_t dataSize = 0;
    bool inMemory = false;
    std::string lastError;
    std::unique_ptr<PrefetchJob> prefetch;
};

} // namespace velmo
