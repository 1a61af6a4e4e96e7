#include "support/ExternalTool.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace velmo::test {

namespace {

// ImageMagick's own binary; a wrapper of the same name may come first on PATH.
std::string ImageMagickConvert()
{
    return access("/usr/bin/convert", X_OK) == 0 ? "/usr/bin/convert" : "convert";
}

} // namespace

bool HasTool(const std::string& program)
{
    if (program.find('/') != std::string::npos)
        return access(program.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
    return false;
}

ToolOutput RunTool(const std::string& program, const std::vector<std::string>& args)
{
    ToolOutput result;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0)
        return result;
    if (pipe(errPipe) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return result;
    }
    std::vector<std::string> argvStrings;
    argvStrings.push_back(program);
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : argvStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        close(outPipe[1]);
        close(errPipe[1]);
        const int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0)
            dup2(devnull, 0);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return result;
    }
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? result.out : result.err).append(buffer, size_t(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string ExifToolValue(const std::string& file, const std::string& tag)
{
    ToolOutput r = RunTool("exiftool", {"-m", "-s", "-s", "-s", "-" + tag, file});
    std::string v = r.out;
    while (!v.empty() && (v.back() == '\n' || v.back() == '\r'))
        v.pop_back();
    return v;
}

std::vector<uint8_t> ExifToolBinary(const std::string& file, const std::string& tag)
{
    ToolOutput r = RunTool("exiftool", {"-m", "-b", "-" + tag, file});
    return std::vector<uint8_t>(r.out.begin(), r.out.end());
}

std::map<std::string, std::string> ExifToolValues(const std::string& file, const std::vector<std::string>& tags)
{
    std::vector<std::string> args = {"-m", "-T"};
    for (const auto& t : tags)
        args.push_back("-" + t);
    args.push_back(file);
    const ToolOutput r = RunTool("exiftool", args);
    std::map<std::string, std::string> values;
    std::string line = r.out.substr(0, r.out.find('\n'));
    std::stringstream fields(line);
    std::string value;
    for (const auto& t : tags) {
        if (!std::getline(fields, value, '\t'))
            value.clear();
        values[t] = value == "-" ? "" : value;
    }
    return values;
}

DecodedImage ParsePpm(const std::string& bytes)
{
    DecodedImage img;
    size_t pos = 0;
    auto token = [&]() -> std::string {
        while (pos < bytes.size()) {
            if (bytes[pos] == '#') {
                while (pos < bytes.size() && bytes[pos] != '\n')
                    ++pos;
            } else if (std::isspace(static_cast<unsigned char>(bytes[pos]))) {
                ++pos;
            } else {
                break;
            }
        }
        std::string t;
        while (pos < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes[pos])))
            t += bytes[pos++];
        return t;
    };
    if (token() != "P6")
        return img;
    const int w = std::atoi(token().c_str());
    const int h = std::atoi(token().c_str());
    const int maxv = std::atoi(token().c_str());
    ++pos; // the single whitespace before the data
    if (w <= 0 || h <= 0 || (maxv != 255 && maxv != 65535))
        return img;
    const size_t bps = maxv > 255 ? 2 : 1;
    const size_t n = size_t(w) * size_t(h) * 3;
    if (bytes.size() < pos + n * bps)
        return img;
    img.width = w;
    img.height = h;
    img.maxValue = maxv;
    img.samples.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + pos + i * bps);
        img.samples[i] = bps == 2 ? uint16_t((p[0] << 8) | p[1]) : p[0];
    }
    return img;
}

DecodedImage DecodeWithDjpeg(const std::string& file)
{
    ToolOutput r = RunTool("djpeg", {"-pnm", file});
    return r.Ok() ? ParsePpm(r.out) : DecodedImage{};
}

DecodedImage DecodeWithImageMagick(const std::string& file, int depth)
{
    // Only the composite of a PSD ([0]); a TIFF has one image anyway.
    ToolOutput r = RunTool(ImageMagickConvert(), {file + "[0]", "-depth", std::to_string(depth), "ppm:-"});
    return r.Ok() ? ParsePpm(r.out) : DecodedImage{};
}

std::vector<uint8_t> ReadBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace velmo::test
