#include "exif/ExifParser.h"

#include "platform/core/ByteReader.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <set>
#include <utility>

namespace velmo {

void ExifTagIndex::Clear()
{
    tags.clear();
    exifSignature = -1;
    exifImageWidthEntry = 0;
    exifImageHeightEntry = 0;
    thumbnailPointerEntry = 0;
    thumbnailData = 0;
    thumbnailLengthEntry = 0;
    colorSpaceEntry = 0;
    focalLengthFactor = 0.0f;
    softwareLine = 0;
    orientationValue = 0;
    littleEndian = false;
    orientationLittleEndian = false;
}

float ExifTagIndex::Value(uint32_t tag, float fallback) const
{
    auto it = tags.find(tag);
    return it == tags.end() ? fallback : it->second;
}

namespace {

enum ExifType : uint16_t {
    kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5, kSByte = 6,
    kUndefined = 7, kSShort = 8, kSLong = 9, kSRational = 10, kFloat = 11, kDouble = 12,
};

enum SubBlockTag : uint16_t { kExifIfdTag = 0x8769, kMakerNoteTag = 0x927C, kInteropTag = 0xA005 };

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0)
        return {};
    if (static_cast<size_t>(n) < sizeof text)
        return std::string(text, static_cast<size_t>(n));
    std::string longer(static_cast<size_t>(n) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(longer.data(), longer.size(), format, args);
    va_end(args);
    longer.resize(static_cast<size_t>(n));
    return longer;
}

// A float converted to int without undefined behaviour for values out of range.
int ToInt(double v)
{
    if (!(v == v))
        return 0;
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int>(v);
}

struct Name {
    uint32_t value;
    const char* text;
};

const char* Lookup(uint32_t value, std::initializer_list<Name> names, const char* otherwise)
{
    for (const Name& n : names)
        if (n.value == value)
            return n.text;
    return otherwise;
}

const char* OffOn(uint32_t v)
{
    return v == 0 ? "off" : "on";
}

size_t TypeSize(uint16_t type)
{
    switch (type) {
    case kByte: case kAscii: case kSByte: case kUndefined: return 1;
    case kShort: case kSShort: return 2;
    case kLong: case kSLong: case kFloat: return 4;
    case kRational: case kSRational: case kDouble: return 8;
    default: return 0;
    }
}

struct Entry {
    int64_t offset = 0; // of the tag field
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint32_t val32 = 0;
    uint16_t val16 = 0;
    float rat = 0.0f;
};

float Rational(const ByteReader& r, int64_t at, bool littleEndian, uint16_t type)
{
    uint32_t num = 0, den = 0;
    if (!r.U32(at, littleEndian, num) || !r.U32(at + 4, littleEndian, den) || den == 0)
        return 0.0f;
    if (type == kSRational)
        return static_cast<float>(static_cast<double>(static_cast<int32_t>(num)) /
                                  static_cast<int32_t>(den));
    return static_cast<float>(static_cast<double>(num) / den);
}

class ExifWalker {
public:
    ExifWalker(std::span<const uint8_t> bytes, ExifTextLines& textLines, ExifTagIndex& tagIndex,
               ExifCameraValues& cameraValues, const FamilyWhiteBalanceTable* whiteBalanceTable)
        : buffer(bytes), r(bytes), lines(textLines), index(tagIndex), camera(cameraValues),
          wbTable(whiteBalanceTable)
    {
    }

    int Run();

private:
    void WalkChain(int64_t cursor);
    Entry Decode(int64_t offset) const;
    std::string Dispatch(const Entry& e);
    std::string EntryText(const Entry& e) const;
    std::string FourCharacters(const Entry& e) const;
    std::string UnknownLine(const Entry& e) const;
    std::string WhiteBalanceLine(const Entry& e);
    std::string LensLine() const;

    std::span<const uint8_t> buffer;
    ByteReader r;
    ExifTextLines& lines;
    ExifTagIndex& index;
    ExifCameraValues& camera;
    const FamilyWhiteBalanceTable* wbTable;

    int64_t base = 0;
    bool littleEndian = false;
    int64_t tiffBase = 0;
    bool tiffLittleEndian = false;

    bool s5Pro = false;
    float lens[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    std::deque<std::pair<uint32_t, uint16_t>> queue;
    std::set<int64_t> visited;
    int blocks = 0;
    int entries = 0;
};

int ExifWalker::Run()
{
    int64_t signature = -1;
    for (int64_t i = 0; i + 4 <= static_cast<int64_t>(r.Size()); ++i)
        if (r.Matches(i, "Exif", 4)) {
            signature = i;
            break;
        }
    if (signature < 0)
        return 0;

    index.exifSignature = static_cast<int>(signature);
    tiffBase = signature + 6;
    tiffLittleEndian = r.Matches(tiffBase, "II", 2);
    index.littleEndian = tiffLittleEndian;
    base = tiffBase;
    littleEndian = tiffLittleEndian;
    uint32_t ifd0 = 0;
    if (r.U32(tiffBase + 4, littleEndian, ifd0))
        WalkChain(tiffBase + ifd0);

    while (!queue.empty()) {
        auto [offset, tag] = queue.front();
        queue.pop_front();
        lines.push_back(tag == kExifIfdTag     ? "__sub info block__"
                        : tag == kMakerNoteTag ? "__Maker note block__"
                        : tag == kInteropTag   ? "__Interoperability block__"
                                               : "__Unkown block__");
        const int64_t at = base + offset;
        int64_t cursor;
        if (r.Matches(at, "FUJI", 4)) {
            // The maker note has its own frame: offsets from its start, little-endian.
            base = at;
            littleEndian = true;
            uint32_t ifd = 0;
            if (!r.U32(at + 8, true, ifd))
                continue;
            cursor = at + static_cast<int32_t>(ifd);
        } else {
            base = tiffBase;
            littleEndian = tiffLittleEndian;
            cursor = offset + tiffBase;
        }
        WalkChain(cursor);
    }
    return 1;
}

void ExifWalker::WalkChain(int64_t cursor)
{
    for (;;) {
        if (blocks >= kExifMaxBlocks || !visited.insert(cursor).second)
            return;
        ++blocks;
        uint16_t count = 0;
        if (!r.U16(cursor, littleEndian, count))
            return;
        cursor += 2;
        for (uint32_t i = 0; i < count; ++i, cursor += 12) {
            if (entries >= kExifMaxEntries || !r.Has(cursor, 12))
                return;
            ++entries;
            Entry e = Decode(cursor);
            index.tags[e.tag] = (e.type == kRational || e.type == kSRational) ? e.rat
                                                                                : static_cast<float>(e.val32);
            std::string line = Dispatch(e);
            if (!line.empty())
                lines.push_back(std::move(line));
        }
        uint32_t next = 0;
        if (!r.U32(cursor, littleEndian, next) || next == 0)
            return;
        cursor = base + next;
    }
}

Entry ExifWalker::Decode(int64_t offset) const
{
    Entry e;
    e.offset = offset;
    e.tag = r.U16Or0(offset, littleEndian);
    e.type = r.U16Or0(offset + 2, littleEndian);
    e.count = r.U32Or0(offset + 4, littleEndian);
    e.val32 = r.U32Or0(offset + 8, littleEndian);
    e.val16 = r.U16Or0(offset + 8, littleEndian);
    if (!littleEndian) {
        // Small values stand left-justified in the value field. Read as one
        // big-endian 32-bit number they would come out shifted; take them as
        // the number a little-endian block holds for the same values.
        const uint64_t bytes = static_cast<uint64_t>(e.count) * TypeSize(e.type);
        if (bytes <= 4 && (e.type == kShort || e.type == kSShort))
            e.val32 = uint32_t(e.val16) | (uint32_t(r.U16Or0(offset + 10, false)) << 16);
        else if (bytes <= 4 && (e.type == kByte || e.type == kSByte || e.type == kUndefined))
            e.val32 = r.U32Or0(offset + 8, true);
    }
    if (e.type == kRational || e.type == kSRational)
        e.rat = Rational(r, base + e.val32, littleEndian, e.type);
    return e;
}

std::string ExifWalker::EntryText(const Entry& e) const
{
    // Up to four characters stand in the value field itself; a text ends at
    // its NUL or after its count of characters, whichever comes first.
    if (e.count <= 4)
        return r.Text(e.offset + 8, e.count);
    return r.Text(base + e.val32, e.count);
}

std::string ExifWalker::FourCharacters(const Entry& e) const
{
    // The value field's bytes in file order, whatever the block's byte order.
    return r.Text(e.offset + 8, 4);
}

std::string ExifWalker::UnknownLine(const Entry& e) const
{
    std::string line = Format("Unknown(%04x %04x %08x %08x)", e.tag, e.type, e.count, e.val32);
    if (e.type == kAscii) {
        line += " : ";
        line += e.count <= 4 ? r.Text(e.offset + 8, e.count) : r.Text(base + e.val32, e.count);
    }
    return line;
}

std::string ExifWalker::LensLine() const
{
    std::string focal = ToInt(lens[0]) == ToInt(lens[1]) ? Format("%dmm ", ToInt(lens[0]))
                                                         : Format("%d-%dmm ", ToInt(lens[0]), ToInt(lens[1]));
    std::string shortEnd = Format("%.1f", lens[2]);
    std::string longEnd = Format("%.1f", lens[3]);
    std::string aperture = shortEnd == longEnd ? "F" + shortEnd : "F" + shortEnd + "-" + longEnd;
    return "Lens:" + focal + aperture;
}

std::string ExifWalker::WhiteBalanceLine(const Entry& e)
{
    const uint32_t v = e.val32;
    std::string name;
    if (v >= 0xF00 && v <= 0xF04)
        name = Format("custom%d", static_cast<int>(v & 0xF));
    else if (v == 0x301 && s5Pro)
        name = "'Daylight White' fluorescent";
    else
        name = Lookup(v,
                      {{0, "Auto"},
                       {0x100, "Daylight"},
                       {0x200, "Shade"},
                       {0x300, "'Daylight' fluorescent"},
                       {0x301, "'Warm White' fluorescent"},
                       {0x302, "'Cool White' fluorescent"},
                       {0x303, "'Warm White' fluorescent"},
                       {0x304, "'Living Room Warm White' fluorescent"},
                       {0x400, "incandescent"},
                       {0x500, "flash"},
                       {0xFE0, "gray point"},
                       {0xFF0, "color temp"},
                       {0x4080, "color temp"}},
                      "unknown");

    if (v == 0 || (v >= 0xF00 && v <= 0xF04))
        camera.whiteBalanceRow = FamilyWhiteBalanceTable::kAsShotRow;
    if (wbTable) {
        for (int row = 0; row < FamilyWhiteBalanceTable::kRows; ++row) {
            if (wbTable->rows[row][FamilyWhiteBalanceTable::LightSource] == 0)
                break;
            if (static_cast<int64_t>(wbTable->rows[row][FamilyWhiteBalanceTable::Code]) == static_cast<int64_t>(v)) {
                camera.whiteBalanceRow = row;
                break;
            }
        }
    }
    return "White Balance:" + name;
}

std::string ExifWalker::Dispatch(const Entry& e)
{
    const uint32_t v = e.val32;
    const int sv = static_cast<int32_t>(v);
    const float rat = e.rat;
    const int entryOffset = static_cast<int>(e.offset);

    switch (e.tag) {
    // IFD0 / IFD1
    case 0x0100: return Format("ImageWidth:%d", sv);
    case 0x0101: return Format("ImageLength:%d", sv);
    case 0x0102: return Format("BitsPerSample:%d", sv);
    case 0x0103: return Format("Compression:%s", Lookup(e.val16, {{6, "JPEG"}, {0, "none"}}, "?"));
    case 0x010E: return "ImageDescription:" + EntryText(e);
    case 0x010F: return "Make:" + EntryText(e);
    case 0x0110: {
        std::string model = EntryText(e);
        camera.modelName = model;
        if (model.find("S5Pro") != std::string::npos)
            s5Pro = true;
        return "Model:" + model;
    }
    case 0x0112:
        if (camera.orientation == 0) {
            index.orientationValue = entryOffset + 8;
            index.orientationLittleEndian = littleEndian;
            camera.orientation = e.val16;
        }
        return Format("Orientation:%s", Lookup(e.val16,
                                               {{1, "1 top left "},
                                                {2, "2 top right "},
                                                {3, "3 bottom right "},
                                                {4, "4 bottom left "},
                                                {5, "5 left top "},
                                                {6, "6 right top "},
                                                {7, "7 right bottom"},
                                                {8, "8 left bottom"}},
                                               "?"));
    case 0x011A: return Format("XResolution:%d", ToInt(rat));
    case 0x011B: return Format("YResolution:%d", ToInt(rat));
    case 0x0128: return Format("ResolutionUnit:%s", Lookup(e.val16, {{1, "none"}, {2, "inch"}, {3, "cm"}}, "?"));
    case 0x0131:
        index.softwareLine = static_cast<int>(lines.size());
        return "Software:" + EntryText(e);
    case 0x0132: return "DateTime:" + EntryText(e);
    case 0x013E: return "WhitePoint:" + FormatTiffValues(buffer, base, e.offset, littleEndian);
    case 0x013F: return "PrimaryChromaticities:" + FormatTiffValues(buffer, base, e.offset, littleEndian);
    case 0x0201: {
        const int64_t data = static_cast<int64_t>(v) + base;
        index.thumbnailPointerEntry = entryOffset;
        index.thumbnailData = data <= 0x7FFFFFFF ? static_cast<int>(data) : 0;
        return Format("JpegInterchangeFormat:%x", static_cast<unsigned>(data));
    }
    case 0x0202:
        index.thumbnailLengthEntry = entryOffset;
        return Format("JpegInterchangeFormatLength:%x", v);
    case 0x0211: return "YCbCrCoefficients:" + FormatTiffValues(buffer, base, e.offset, littleEndian);
    case 0x0213: return Format("YCbCrPositioning:%d", static_cast<int>(v & 0xFFFF));
    case 0x0214: return "ReferenceBlackWhite:" + FormatTiffValues(buffer, base, e.offset, littleEndian);
    case 0x8298: return "Copyright:" + EntryText(e);
    case kExifIfdTag:
    case kMakerNoteTag:
    case kInteropTag:
        if (static_cast<int>(queue.size()) < kExifMaxBlocks)
            queue.emplace_back(v, e.tag);
        return {};

    // Exif sub-IFD
    case 0x829A:
        if (rat >= 1.0f || rat <= 0.0f)
            return Format("ExposureTime:%.2fsec", rat);
        return Format("ExposureTime:1/%dsec", ToInt(1.0 / rat + 0.5));
    case 0x829D: return Format("FNumber:F%.1f", rat);
    case 0x8822: {
        static const char kPrograms[] = " MPASshpl";
        char c = e.val16 < sizeof kPrograms - 1 ? kPrograms[e.val16] : '?';
        return Format("ExposureProgram:%c", c);
    }
    case 0x8827: return Format("ISOSpeedRatings:%d", e.val16);
    case 0x9000: return "ExifVersion:" + FourCharacters(e);
    case 0x9003: return "DateTimeOriginal:" + EntryText(e);
    case 0x9004: return "DateTimeDigitized:" + EntryText(e);
    case 0x9101: {
        static const char* const kComponents[] = {"_", "Y", "Cb", "Cr", "R", "G", "B"};
        std::string line = "ComponentsConfiguration:";
        for (int i = 0; i < 4; ++i) {
            uint8_t c = r.U8Or0(e.offset + 8 + i);
            line += c < 7 ? kComponents[c] : "?";
        }
        return line;
    }
    case 0x9102: return Format("CompressedBitsPerPixel:%.2f", rat);
    case 0x9201:
        if (rat <= 0.0f)
            return Format("ShutterSpeedValue:%.2fsec", std::pow(2.0, -static_cast<double>(rat)));
        return Format("ShutterSpeedValue:1/%.0fsec", std::pow(2.0, static_cast<double>(rat)));
    case 0x9202: return Format("ApertureValue:F%.1f", std::pow(2.0, rat * 0.5));
    case 0x9203: return Format("BrightnessValue:%.1f", rat);
    case 0x9204: return Format("ExposureBiasValue:%+.1f", rat);
    case 0x9205: return Format("MaxApertureValue:F%.1f", std::pow(2.0, rat * 0.5));
    case 0x9206: return Format("SubjectDistance:%.1f", rat);
    case 0x9207:
        return Format("MeteringMode:%s", Lookup(v,
                                                {{0, "Unknown"},
                                                 {1, "Average"},
                                                 {2, "Center"},
                                                 {3, "Spot"},
                                                 {4, "Multi spot"},
                                                 {5, "Multi segment"},
                                                 {6, "Part"}},
                                                "Other"));
    case 0x9208:
        return Format("LightSource:%s", Lookup(v,
                                               {{0, "Unknown"},
                                                {1, "daylight"},
                                                {2, "fluorescent"},
                                                {3, "incandescent"},
                                                {10, "flash"},
                                                {17, "lamp A"},
                                                {18, "lamp B"},
                                                {19, "lamp C"},
                                                {20, "D55"},
                                                {21, "D65"},
                                                {22, "D75"}},
                                               "Other"));
    case 0x9209:
        return Format("Flash:%s",
                      Lookup(v, {{0, "off"}, {1, "on"}, {5, "on but not detect "}, {7, "n and detected"}}, "Other"));
    case 0x920A: {
        camera.focalLength = rat;
        std::string line = Format("FocalLength:%.2fmm", rat);
        if (index.focalLengthFactor != 0.0f)
            line += Format("(%.2fmm as 135)", rat * index.focalLengthFactor);
        return line;
    }
    case 0x9286:
        // After the 8-byte character-code prefix, within the entry's bytes.
        return "UserComment:" + (e.count > 8 ? r.Text(base + static_cast<int64_t>(v) + 8, e.count - 8) : std::string());
    case 0xA000: return "FlashPixVersion:" + FourCharacters(e);
    case 0xA001:
        index.colorSpaceEntry = entryOffset;
        return Format("ColorSpace:%s", e.val16 == 1 ? "sRGB" : "Uncalibrated");
    case 0xA002:
        index.exifImageWidthEntry = entryOffset;
        return Format("ExifImageWidth:%d", sv);
    case 0xA003:
        index.exifImageHeightEntry = entryOffset;
        return Format("ExifImageHeight:%d", sv);
    case 0xA20E: return Format("FocalPlaneXResolution:%.1f", rat);
    case 0xA20F: return Format("FocalPlaneYResolution:%.1f", rat);
    case 0xA210:
        return Format("FocalPlaneResolutionUnit:%s", Lookup(e.val16, {{1, "none"}, {2, "inch"}, {3, "cm"}}, "?"));
    case 0xA215: return Format("ExposureIndex:%.1f", rat);
    case 0xA217:
        return Format("SensingMethod:%s", Lookup(v,
                                                 {{2, "1 chip color area sensor"},
                                                  {3, "2 chip color area sensor"},
                                                  {4, "3 chip color area sensor"},
                                                  {5, "color sequential sensor"},
                                                  {7, "tri-linear sensor"},
                                                  {8, "color sequential linear sensor"}},
                                                 "undefined"));
    case 0xA300: return Format("FileSource:%s", v == 3 ? "DSC" : "other");
    case 0xA301: return Format("SceneType:%s", v == 1 ? "Direct" : "other");
    case 0xA302: return "CFAPattern:";
    case 0xA401: return Format("CustomRendered:%s", v == 0 ? "Normal" : "Custom");
    case 0xA402:
        return Format("ExposureMode:%s",
                      Lookup(v, {{0, "Auto exposure"}, {1, "Manual exposure"}, {2, "Auto bracket"}}, "?"));
    case 0xA403: return Format("WBmode:%s", v == 0 ? "Auto" : "Manual");
    case 0xA405: return Format("FocalLength in 135:%dmm", e.val16);
    case 0xA406:
        return Format("SceneCaptureType:%s",
                      Lookup(v, {{0, "Standard"}, {1, "Landscape"}, {2, "Portrait"}, {3, "Night scene"}}, "?"));
    case 0xA408: return Format("Contrast:%s", Lookup(v, {{0, "Normal"}, {1, "Soft"}, {2, "Hard"}}, "?"));
    case 0xA409: return Format("Saturation:%s", Lookup(v, {{0, "Normal"}, {1, "Low"}, {2, "High"}}, "?"));
    case 0xA40A:
        if (v == 0)
            camera.sharpness = 1;
        else if (v == 1)
            camera.sharpness = 2;
        else if (v == 2)
            camera.sharpness = 0;
        return Format("Sharpness:%s", Lookup(v, {{0, "Normal"}, {1, "Soft"}, {2, "Hard"}}, "?"));
    case 0xA40C:
        return Format("Subject distance range:%s",
                      Lookup(v, {{0, "Unknown"}, {1, "Macro"}, {2, "Close view"}, {3, "Distant view"}}, "?"));

    // Interoperability IFD and maker note
    case 0x0000: return "ExifVersion:" + FourCharacters(e);
    case 0x0001: return "InteroperabilityIndex:" + FourCharacters(e);
    case 0x0002: return "InteroperabilityVersion:" + FourCharacters(e);
    case 0x0010: return "InternalSerialNumber:" + EntryText(e);
    case 0x1000: return "Quality:" + EntryText(e);
    case 0x1001: {
        static const struct {
            uint32_t code;
            const char* name;
            int sharpness;
        } kSharpness[] = {{1, "Soft", 2},        {2, "Soft2", 2},        {3, "Normal", 1},
                          {4, "Hard", 0},        {5, "Hard2", 0},        {0x82, "Mediam Soft", 2},
                          {0x84, "Mediam Hard", 0}, {0x8000, "FILM-SIM", 0}};
        for (const auto& s : kSharpness)
            if (s.code == v) {
                camera.sharpness = s.sharpness;
                return Format("Sharpness:%s", s.name);
            }
        return "Sharpness:?";
    }
    case 0x1002: return WhiteBalanceLine(e);
    case 0x1003:
        return Format("Color:%s", Lookup(v,
                                         {{0, "normal"},
                                          {0x80, "medium high"},
                                          {0x100, "high"},
                                          {0x180, "medium low"},
                                          {0x200, "low"},
                                          {0x300, "black & white"},
                                          {0x8000, "FILM-SIM"}},
                                         "unknown"));
    case 0x1004:
        return Format("Tone:%s", Lookup(v,
                                        {{0, "normal"},
                                         {0x80, "medium high"},
                                         {0x100, "high"},
                                         {0x180, "medium low"},
                                         {0x200, "low"},
                                         {0x8000, "FILM-SIM"}},
                                        "unknown"));
    case 0x1005: return Format("Color temperature:%d", e.val16);
    case 0x100A: {
        // Cameras write two values (red and blue shift); the first is shown.
        int32_t shift = sv;
        if (static_cast<uint64_t>(e.count) * TypeSize(e.type) > 4)
            shift = static_cast<int32_t>(r.U32Or0(base + static_cast<int64_t>(v), littleEndian));
        return Format("Fine tune White Balance:%ld", static_cast<long>(shift));
    }
    case 0x100B:
        return Format("Noise reduction:%s", Lookup(v, {{0x40, "ORG"}, {0x80, "STD"}, {0x100, "-"}}, "unknown"));
    case 0x100E:
        return Format("Noise reduction:%s", Lookup(v, {{0, "STD"}, {0x100, "HIGH"}, {0x200, "LOW"}}, "unknown"));
    case 0x1010:
        return Format("Flash Mode:%s",
                      Lookup(v, {{0, "auto"}, {1, "force on"}, {2, "disable"}, {3, "red eye"}}, "unknown"));
    case 0x1011: return Format("Flash Strength:%.2f", rat);
    case 0x1020: return Format("Macro:%s", OffOn(v));
    case 0x1021: return Format("Focus mode:%s", v == 0 ? "auto" : "manual");
    case 0x1022: return Format("Center AF:%s", OffOn(v));
    case 0x1023: return Format("Focus point:%d,%d", static_cast<int>(v & 0xFFFF), static_cast<int>(v >> 16));
    case 0x1030: return Format("SlowSync:%s", OffOn(v));
    case 0x1031:
        return Format("Picture Mode:%s", Lookup(v,
                                                {{0, "auto"},
                                                 {1, "portrait"},
                                                 {2, "landscape"},
                                                 {4, "sports"},
                                                 {5, "nihgtscene"},
                                                 {6, "program AE"},
                                                 {7, "Natural Photo"},
                                                 {8, "Vibration Reduction"},
                                                 {10, "Sunset"},
                                                 {11, "Museum"},
                                                 {12, "Party"},
                                                 {13, "Flower"},
                                                 {14, "Text"},
                                                 {15, "NP&Flash"},
                                                 {16, "Beach"},
                                                 {17, "Snow"},
                                                 {18, "Fireworks"},
                                                 {19, "Underwater"},
                                                 {0x100, "aperture prior AE"},
                                                 {0x200, "shutter prior AE"},
                                                 {0x300, "manual"}},
                                                "unknown"));
    case 0x1032: return Format("Multi Expose:%d", sv);
    case 0x1033: return Format("EXR mode:%s", v == 0 ? "Auto" : "Manual");
    case 0x1034: return Format("EXR mode:%s", Lookup(v, {{0x100, "HR"}, {0x200, "SN"}, {0x300, "DR"}}, "?"));
    case 0x1100: return Format("ContTake/Bracket:%s", OffOn(v));
    case 0x1101: return Format("ContTakeNo.:%d", sv);
    case 0x1210: return Format("FinePixColor:%s", Lookup(v, {{0, "STD"}, {0x10, "CHROME"}, {0x30, "B&W"}}, "?"));
    case 0x1300: return Format("Blur warning:%s", OffOn(v));
    case 0x1301: return Format("Focus warning:%s", OffOn(v));
    case 0x1302: return Format("AE warning:%s", OffOn(v));
    case 0x1400: return Format("D-RANGE:%s", v == 3 ? "WIDE" : "STD");
    case 0x1401:
        return Format("FilmMode:%s", Lookup(v,
                                            {{0, "STD"},
                                             {0x100, "F1:Studio Portrait/PRONEGA"},
                                             {0x110, "F1a:Professional Portrait"},
                                             {0x120, "F1b:Professional Portrait/ASTIA"},
                                             {0x130, "F1c:Professional Portrait/PORTRAIT"},
                                             {0x200, "F2:FUJICHROME/Velvia"},
                                             {0x300, "F3:Studio Portrait Ex"}},
                                            "?"));
    case 0x1402:
        return Format("D-RANGE Mode:%s", Lookup(v,
                                                {{0, "AUTO"},
                                                 {1, "MANUAL"},
                                                 {0x100, "STD"},
                                                 {0x200, "WIDE1(230%)"},
                                                 {0x201, "WIDE2(400%)"},
                                                 {0x8000, "FILM-SIM"}},
                                                "?"));
    case 0x1403:
    case 0x140B: return Format("D-RANGE VALUE:%d", sv);
    case 0x1404:
    case 0x1405:
    case 0x1406:
        lens[e.tag - 0x1404] = rat;
        return {};
    case 0x1407:
        lens[3] = rat;
        return LensLine();
    case 0x140A: return std::string("Red eye removal:") + ((v & 4) ? "on" : "off");
    case 0x1422: {
        uint16_t mode = r.U16Or0(base + static_cast<int64_t>(v) + 2, true);
        return std::string("Dual IS mode:") + Lookup(mode, {{0, "Off"}, {1, "Continious"}, {2, "Shooting"}}, "?");
    }
    case 0x4100: return Format("Face detected:%d", e.val16);
    default: return UnknownLine(e);
    }
}

} // namespace

int ParseExif(std::span<const uint8_t> buffer, ExifTextLines& lines, ExifTagIndex& index, ExifCameraValues& camera,
              const FamilyWhiteBalanceTable* whiteBalanceTable)
{
    camera.orientation = 0;
    camera.sharpness = 1;
    camera.focalLength = 0.0f;
    camera.modelName.clear();
    lines.clear();
    ExifWalker walker(buffer, lines, index, camera, whiteBalanceTable);
    return walker.Run();
}

std::string FormatTiffValues(std::span<const uint8_t> buffer, int64_t base, int64_t entryOffset, bool littleEndian)
{
    ByteReader r(buffer);
    const uint16_t type = r.U16Or0(entryOffset + 2, littleEndian);
    const uint32_t count = r.U32Or0(entryOffset + 4, littleEndian);
    const uint32_t val32 = r.U32Or0(entryOffset + 8, littleEndian);
    const size_t size = TypeSize(type);
    if (size == 0)
        return {};
    // Values that do not fit the 4-byte value field stand at the offset it holds.
    const uint64_t total = static_cast<uint64_t>(count) * size;
    int64_t at = total <= 4 ? entryOffset + 8 : base + static_cast<int64_t>(val32);
    const uint32_t listed = count < static_cast<uint32_t>(kExifMaxListedValues) ? count : kExifMaxListedValues;

    std::string text;
    for (uint32_t i = 0; i < listed; ++i, at += static_cast<int64_t>(size)) {
        if (type != kAscii && !r.Has(at, size))
            break;
        switch (type) {
        case kByte: text += Format("%d ", r.U8Or0(at)); break;
        case kAscii: text += r.Text(base + val32) + " "; break;
        case kShort: text += Format("%d ", r.U16Or0(at, littleEndian)); break;
        case kLong: text += Format("%d ", static_cast<int>(r.U32Or0(at, littleEndian))); break;
        case kSByte: text += Format("%d ", static_cast<int8_t>(r.U8Or0(at))); break;
        case kUndefined: text += Format("%2x ", r.U8Or0(at)); break;
        case kSShort: text += Format("%d ", static_cast<int16_t>(r.U16Or0(at, littleEndian))); break;
        case kSLong: text += Format("%d ", static_cast<int32_t>(r.U32Or0(at, littleEndian))); break;
        case kFloat: {
            uint32_t bits = r.U32Or0(at, littleEndian);
            float f;
            static_assert(sizeof f == sizeof bits);
            std::memcpy(&f, &bits, sizeof f);
            text += Format("%.3f ", f);
            break;
        }
        case kDouble: {
            uint64_t hi = r.U32Or0(at + (littleEndian ? 4 : 0), littleEndian);
            uint64_t lo = r.U32Or0(at + (littleEndian ? 0 : 4), littleEndian);
            uint64_t bits = (hi << 32) | lo;
            double d;
            std::memcpy(&d, &bits, sizeof d);
            text += Format("%.3f ", d);
            break;
        }
        case kRational:
        case kSRational: text += Format("%.3f ", Rational(r, at, littleEndian, type)); break;
        }
    }
    return text;
}

} // namespace velmo
