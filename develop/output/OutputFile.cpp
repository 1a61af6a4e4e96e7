#include "develop/output/OutputFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace velmo {

namespace {

constexpr size_t kBufferSize = size_t(1) << 20;

std::string DirectoryOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ErrnoText(int err)
{
    char text[128];
    std::snprintf(text, sizeof text, "%s", std::strerror(err));
    return text;
}

} // namespace

OutputFaultInjection& OutputFaults()
{
    static OutputFaultInjection faults;
    return faults;
}

OutputFile::~OutputFile()
{
    Discard();
}

WriteResult OutputFile::Open(const std::string& targetPath)
{
    Discard();
    target = targetPath;
    error = {};
    position = flushed = 0;
    if (target.empty() || target.back() == '/')
        return error = WriteResult::Failure(WriteStatus::CannotCreate, "no file name");
    try {
        buffer.reserve(kBufferSize);
    } catch (const std::bad_alloc&) {
        return error = WriteResult::Failure(WriteStatus::OutOfMemory, "not enough memory for the output buffer");
    }

    // A hidden name in the same directory, so that the rename stays on one
    // file system and cannot be confused with an output of ours.
    static std::atomic<unsigned> counter{0};
    const std::string dir = DirectoryOf(target);
    const std::string base = BaseNameOf(target);
    int err = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".%ld.%u.tmp", long(getpid()), counter.fetch_add(1));
        std::string candidate = dir;
        candidate += "/.";
        candidate += base;
        candidate += suffix;
        fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            tempPath = std::move(candidate);
            return {};
        }
        err = errno;
        if (err != EEXIST)
            break;
    }
    return error = WriteResult::Failure(WriteStatus::CannotCreate,
                                        "cannot create a file in " + dir + ": " + ErrnoText(err));
}

bool OutputFile::Fail(WriteStatus status, const std::string& what, int err)
{
    if (error.Ok())
        error = WriteResult::Failure(status, err != 0 ? what + ": " + ErrnoText(err) : what);
    return false;
}

bool OutputFile::Flush()
{
    if (Failed())
        return false;
    if (fd < 0)
        return Fail(WriteStatus::WriteFailed, "the file is not open", 0);
    size_t done = 0;
    while (done < buffer.size()) {
        size_t chunk = buffer.size() - done;
        const int64_t limit = OutputFaults().failAfterBytes;
        bool injected = false;
        if (limit >= 0 && flushed + chunk > uint64_t(limit)) {
            chunk = flushed >= uint64_t(limit) ? 0 : size_t(uint64_t(limit) - flushed);
            injected = true;
        }
        ssize_t n = chunk > 0 ? ::write(fd, buffer.data() + done, chunk) : 0;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(WriteStatus::WriteFailed, "write failed", errno);
        done += size_t(n);
        flushed += uint64_t(n);
        if (injected && size_t(n) == chunk)
            return Fail(WriteStatus::WriteFailed, "write failed", ENOSPC);
        if (n == 0)
            return Fail(WriteStatus::WriteFailed, "write failed", ENOSPC);
    }
    // Start writing these bytes to the disk now, so that the sync at the
    // commit has little left to wait for. Only a hint: errors come with the
    // sync.
    if (done > 0)
        ::sync_file_range(fd, off_t(flushed - done), off_t(done), SYNC_FILE_RANGE_WRITE);
    buffer.clear();
    return true;
}

bool OutputFile::Write(const void* data, size_t size)
{
    if (Failed())
        return false;
    if (fd < 0)
        return Fail(WriteStatus::WriteFailed, "the file is not open", 0);
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const size_t room = kBufferSize - buffer.size();
        const size_t n = std::min(room, size);
        buffer.insert(buffer.end(), p, p + n);
        p += n;
        size -= n;
        position += n;
        if (buffer.size() == kBufferSize && !Flush())
            return false;
    }
    return true;
}

bool OutputFile::WriteZeros(size_t count)
{
    static const uint8_t zeros[256] = {};
    while (count > 0) {
        const size_t n = std::min(count, sizeof zeros);
        if (!Write(zeros, n))
            return false;
        count -= n;
    }
    return true;
}

bool OutputFile::PadToEven()
{
    return (position & 1) == 0 || WriteZeros(1);
}

bool OutputFile::WriteAt(uint64_t offset, const void* data, size_t size)
{
    if (Failed())
        return false;
    if (offset > position || size > position - offset)
        return Fail(WriteStatus::WriteFailed, "a patch outside the bytes written", 0);
    const uint8_t* p = static_cast<const uint8_t*>(data);
    // The part already in the file.
    while (size > 0 && offset < flushed) {
        const size_t n = size_t(std::min<uint64_t>(size, flushed - offset));
        const ssize_t w = ::pwrite(fd, p, n, off_t(offset));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return Fail(WriteStatus::WriteFailed, "write failed", w < 0 ? errno : ENOSPC);
        p += w;
        offset += uint64_t(w);
        size -= size_t(w);
    }
    // The part still in the buffer.
    if (size > 0)
        std::memcpy(buffer.data() + (offset - flushed), p, size);
    return true;
}

WriteResult OutputFile::Commit()
{
    if (fd >= 0 && !Failed() && Flush()) {
        if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
            Fail(WriteStatus::WriteFailed, "the data could not be written to the disk", errno);
    }
    if (fd >= 0) {
        const int closed = ::close(fd);
        const int err = errno;
        fd = -1;
        if (closed != 0)
            Fail(WriteStatus::WriteFailed, "closing the file failed", err);
        else if (OutputFaults().failCommit)
            Fail(WriteStatus::WriteFailed, "closing the file failed", EIO);
    } else if (!Failed()) {
        Fail(WriteStatus::WriteFailed, "the file is not open", 0);
    }
    if (!Failed() && ::rename(tempPath.c_str(), target.c_str()) != 0)
        Fail(WriteStatus::WriteFailed, "the finished file could not be renamed to " + target, errno);
    if (Failed()) {
        const WriteResult result = error;
        Discard();
        error = result;
        return result;
    }
    tempPath.clear();
    buffer = {};
    return {};
}

void OutputFile::Discard()
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
    if (!tempPath.empty()) {
        ::unlink(tempPath.c_str());
        tempPath.clear();
    }
    buffer.clear();
}

std::string DescribeWriteFailure(const WriteResult& result, const std::string& path)
{
    std::string text = "The file could not be written:\n";
    text += path;
    if (!result.detail.empty()) {
        text += "\n(";
        text += result.detail;
        text += ")";
    }
    return text;
}

} // namespace velmo
