#include "develop/output/OutputFile.h"

#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace velmo {

namespace {

constexpr size_t kBufferSize = size_t(1) << 20;

// --- Temporary files removed on SIGTERM and SIGINT ------------------------------
//
// The paths of the temporary files being written sit in preallocated slots,
// so that the signal handler only reads memory and calls unlink, both safe
// in a handler. It then hands the signal on: to the handler that was there
// before, or to the default action, which ends the program as before.

constexpr int kTempSlots = 64;
constexpr size_t kTempPathBytes = 4096;

struct TempSlot {
    std::atomic<int> state{0}; // 0 free, 1 being filled or emptied, 2 a live path
    char path[kTempPathBytes];
};

TempSlot tempSlots[kTempSlots];
struct sigaction previousTerm, previousInt;

void RemoveTemporaryFiles(int sig, siginfo_t* info, void* context)
{
    for (TempSlot& slot : tempSlots)
        if (slot.state.load(std::memory_order_acquire) == 2)
            ::unlink(slot.path);
    const struct sigaction& previous = sig == SIGINT ? previousInt : previousTerm;
    if (previous.sa_flags & SA_SIGINFO) {
        previous.sa_sigaction(sig, info, context);
        return;
    }
    if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(sig);
        return;
    }
    // The default action, as if no handler had been there.
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void InstallSignalCleanup()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int sig : {SIGTERM, SIGINT}) {
            struct sigaction& previous = sig == SIGINT ? previousInt : previousTerm;
            if (::sigaction(sig, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
                continue; // an ignored signal stays ignored
            struct sigaction action {};
            action.sa_sigaction = RemoveTemporaryFiles;
            action.sa_flags = SA_SIGINFO | SA_RESTART;
            sigemptyset(&action.sa_mask);
            ::sigaction(sig, &action, nullptr);
        }
    });
}

// A slot for path, or -1 when all are taken or the path is too long (the
// file is then left to the next save's sweep).
int RegisterTemporary(const std::string& path)
{
    if (path.size() >= kTempPathBytes)
        return -1;
    for (int i = 0; i < kTempSlots; ++i) {
        int expected = 0;
        if (tempSlots[i].state.compare_exchange_strong(expected, 1, std::memory_order_acq_rel)) {
            std::memcpy(tempSlots[i].path, path.c_str(), path.size() + 1);
            tempSlots[i].state.store(2, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void ReleaseTemporary(int slot)
{
    if (slot < 0)
        return;
    tempSlots[slot].state.store(1, std::memory_order_release);
    tempSlots[slot].state.store(0, std::memory_order_release);
}

// --- Leftovers of earlier saves ---------------------------------------------------

// "<number>" of digits only.
bool ParseNumber(std::string_view text, long& value)
{
    if (text.empty() || text.size() > 18)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// Removes the temporary files of our naming pattern for target
// (".<name>.<pid>.<n>.tmp" beside it) that a process which no longer runs
// left behind: a save that was killed, or stopped by a power cut. Files of
// running processes (another save to the same target) and files of other
// users are left alone.
void RemoveLeftovers(const std::string& dir, const std::string& base)
{
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return;
    const std::string prefix = "." + base + ".";
    const pid_t self = ::getpid();
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name = e->d_name;
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.substr(name.size() - 4) != ".tmp")
            continue;
        const std::string_view middle = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        const size_t dot = middle.find('.');
        long pid = 0, counter = 0;
        if (dot == std::string_view::npos || !ParseNumber(middle.substr(0, dot), pid) ||
            !ParseNumber(middle.substr(dot + 1), counter) || pid <= 0 || pid == long(self))
            continue;
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        const std::string path = dir + "/" + std::string(name);
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
            ::unlink(path.c_str());
    }
    ::closedir(d);
}

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
    InstallSignalCleanup();
    RemoveLeftovers(dir, base);
    // The file it replaces keeps its permissions.
    struct stat replaced {};
    const bool replacing = ::stat(target.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode);
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
            tempSlot = RegisterTemporary(tempPath);
            // Best effort: a file system without permission bits (FAT) refuses,
            // and the output is still worth writing.
            if (replacing)
                (void)::fchmod(fd, replaced.st_mode & 0777);
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
    ReleaseTemporary(tempSlot);
    tempSlot = -1;
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
    ReleaseTemporary(tempSlot);
    tempSlot = -1;
    buffer.clear();
}

std::string DescribeWriteFailure(const WriteResult& result, const std::string& path)
{
    std::string text = FormatString(IDS_FILE_NOT_WRITTEN, {path});
    if (!result.detail.empty()) {
        text += "\n(";
        text += result.detail;
        text += ")";
    }
    return text;
}

} // namespace velmo
