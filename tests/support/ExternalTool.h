// Runs the command-line readers that photographers' software relies on
// (libtiff's tiffinfo and tiffdump, exiftool, djpeg, ImageMagick) so that
// tests can read what the writers made as those programs do.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace velmo::test {

struct ToolOutput {
    int exitCode = -1;
    std::string out; // standard output
    std::string err; // standard error
    bool Ok() const { return exitCode == 0; }
};

// True when the program is installed (found on PATH).
bool HasTool(const std::string& program);
// Runs program with args (no shell), capturing both output streams.
ToolOutput RunTool(const std::string& program, const std::vector<std::string>& args);

// exiftool's -s -s -s value of one tag ("" when absent), and its binary
// extraction (-b) of a tag.
std::string ExifToolValue(const std::string& file, const std::string& tag);
std::vector<uint8_t> ExifToolBinary(const std::string& file, const std::string& tag);
// Several tags in one run (exiftool starts slowly): tag -> value, "" when absent.
std::map<std::string, std::string> ExifToolValues(const std::string& file, const std::vector<std::string>& tags);

// A decoded picture: width x height pixels of 3 samples, 8 or 16 bits.
struct DecodedImage {
    int width = 0;
    int height = 0;
    int maxValue = 0;              // 255 or 65535
    std::vector<uint16_t> samples; // R, G, B per pixel, top row first
    bool Empty() const { return samples.empty(); }
};
// Parses a binary PPM (P6) of 8 or 16 bits.
DecodedImage ParsePpm(const std::string& bytes);
// djpeg -pnm of a JPEG file; ImageMagick's PPM of any file at depth 8 or 16
// (no colour conversion).
DecodedImage DecodeWithDjpeg(const std::string& file);
DecodedImage DecodeWithImageMagick(const std::string& file, int depth);

std::vector<uint8_t> ReadBytes(const std::string& file);

} // namespace velmo::test
