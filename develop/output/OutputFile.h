// The byte sink of the image writers. An output is written to a temporary
// file beside its target and renamed over the target only when every write,
// the flush and the close succeeded, so a failure never leaves a partial file
// and never damages a file that was already there. The new file keeps the
// permission bits of the file it replaces. The temporary file is removed
// when the program is stopped by SIGTERM or SIGINT during the write, and
// temporary files of this naming that a process no longer running left
// beside the target (killed outright, or a power cut) are removed by the
// next save to that target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmo {

enum class WriteStatus : int {
    Ok = 0,
    InvalidInput, // an image the format cannot hold, or too few pixels for its size
    CannotCreate, // the temporary file beside the target could not be made
    WriteFailed,  // a write, the flush, the close or the rename failed
    OutOfMemory,
    EncoderFailed, // the JPEG library reported an error
};

// The outcome of a write and, when it failed, a sentence saying why.
struct WriteResult {
    WriteStatus status = WriteStatus::Ok;
    std::string detail;

    bool Ok() const { return status == WriteStatus::Ok; }
    static WriteResult Failure(WriteStatus s, std::string why) { return {s, std::move(why)}; }
};

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile(); // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file in the target's directory (".<name>.<pid>.<n>.tmp"),
    // first removing such files of processes that no longer run.
    WriteResult Open(const std::string& target);

    // Appends bytes. After the first failure every call fails and the
    // failure is kept for Commit.
    bool Write(const void* data, size_t size);
    bool WriteZeros(size_t count);
    // Pads with one zero byte when the position is odd (TIFF and PSD want
    // even offsets and even-length blocks).
    bool PadToEven();
    // Overwrites bytes already written (a field patched after the fact).
    bool WriteAt(uint64_t offset, const void* data, size_t size);

    uint64_t Position() const { return position; }
    bool Failed() const { return !error.Ok(); }
    const WriteResult& Error() const { return error; }

    // Flushes, syncs and closes the temporary file and renames it over the
    // target. Any earlier failure is returned instead, and the temporary
    // file is removed.
    WriteResult Commit();
    // Removes the temporary file (also done by the destructor).
    void Discard();

    const std::string& Target() const { return target; }
    const std::string& TemporaryPath() const { return tempPath; }

private:
    bool Flush();
    bool Fail(WriteStatus status, const std::string& what, int err);

    int fd = -1;
    std::string target;
    std::string tempPath;
    int tempSlot = -1; // where the signal handler finds tempPath
    std::vector<uint8_t> buffer;
    uint64_t position = 0;  // bytes appended so far
    uint64_t flushed = 0;   // bytes handed to the file
    WriteResult error;
};

// Faults for tests: the n-th byte that reaches the file fails with ENOSPC
// (as a full disk does), or the commit's close fails. Off when negative / false.
struct OutputFaultInjection {
    int64_t failAfterBytes = -1;
    bool failCommit = false;
};
OutputFaultInjection& OutputFaults();

// The sentence for a failed write ("... : No space left on device").
std::string DescribeWriteFailure(const WriteResult& result, const std::string& path);

} // namespace velmo
