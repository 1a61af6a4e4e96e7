#include "tests/support/ExifBuilder.h"

#include <algorithm>
#include <cstring>

namespace velmo::test {

namespace {

size_t TypeSize(uint16_t type)
{
    switch (type) {
    case kExifByte: case kExifAscii: case kExifSByte: case kExifUndefined: return 1;
    case kExifShort: case kExifSShort: return 2;
    case kExifLong: case kExifSLong: return 4;
    case kExifRational: case kExifSRational: return 8;
    default: return 1;
    }
}

class Writer {
public:
    Writer(std::vector<uint8_t>& bytes, bool littleEndian) : out(bytes), le(littleEndian) {}

    void Put16(size_t at, uint32_t v)
    {
        out[at + (le ? 0 : 1)] = static_cast<uint8_t>(v);
        out[at + (le ? 1 : 0)] = static_cast<uint8_t>(v >> 8);
    }
    void Put32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            out[at + (le ? i : 3 - i)] = static_cast<uint8_t>(v >> (8 * i));
    }
    void Append16(uint32_t v)
    {
        out.resize(out.size() + 2);
        Put16(out.size() - 2, v);
    }
    void Append32(uint32_t v)
    {
        out.resize(out.size() + 4);
        Put32(out.size() - 4, v);
    }
    void Align()
    {
        if (out.size() % 2)
            out.push_back(0);
    }

    std::vector<uint8_t> Encode(const ExifEntrySpec& e)
    {
        std::vector<uint8_t> saved;
        saved.swap(out);
        if (!e.rationals.empty()) {
            for (auto [n, d] : e.rationals) {
                Append32(static_cast<uint32_t>(n));
                Append32(static_cast<uint32_t>(d));
            }
        } else if (!e.numbers.empty()) {
            for (int64_t n : e.numbers) {
                switch (TypeSize(e.type)) {
                case 1: out.push_back(static_cast<uint8_t>(n)); break;
                case 2: Append16(static_cast<uint32_t>(n)); break;
                default: Append32(static_cast<uint32_t>(n)); break;
                }
            }
        } else {
            out = e.bytes;
        }
        saved.swap(out);
        return saved;
    }

    static uint32_t Count(const ExifEntrySpec& e)
    {
        if (e.count)
            return *e.count;
        if (!e.rationals.empty())
            return static_cast<uint32_t>(e.rationals.size());
        if (!e.numbers.empty())
            return static_cast<uint32_t>(e.numbers.size());
        return static_cast<uint32_t>(e.bytes.size());
    }

    // Writes the IFD and its data at the end of out; offsets relative to base.
    // Returns the IFD's position; entry positions go to entryOffsets.
    size_t WriteIfd(const std::vector<ExifEntrySpec>& entries, std::optional<uint32_t> nextIfd, size_t base,
                    std::vector<size_t>& entryOffsets, size_t& nextField)
    {
        Align();
        const size_t at = out.size();
        out.resize(at + 2 + 12 * entries.size() + 4, 0);
        Put16(at, static_cast<uint32_t>(entries.size()));
        entryOffsets.clear();
        for (size_t i = 0; i < entries.size(); ++i) {
            const ExifEntrySpec& e = entries[i];
            const size_t entry = at + 2 + 12 * i;
            entryOffsets.push_back(entry);
            Put16(entry, e.tag);
            Put16(entry + 2, e.type);
            Put32(entry + 4, Count(e));
            std::vector<uint8_t> payload = Encode(e);
            if (e.valueField) {
                Put32(entry + 8, *e.valueField);
            } else if (payload.size() <= 4) {
                std::copy(payload.begin(), payload.end(), out.begin() + static_cast<ptrdiff_t>(entry + 8));
            } else {
                Align();
                const size_t data = out.size();
                out.insert(out.end(), payload.begin(), payload.end());
                Put32(entry + 8, static_cast<uint32_t>(data - base));
            }
        }
        nextField = at + 2 + 12 * entries.size();
        Put32(nextField, nextIfd.value_or(0));
        return at;
    }

private:
    std::vector<uint8_t>& out;
    bool le;
};

ExifEntrySpec Entry(uint16_t tag, uint16_t type)
{
    ExifEntrySpec e;
    e.tag = tag;
    e.type = type;
    return e;
}

// Adds a pointer entry in tag order unless the IFD already has the tag.
bool AddPointer(std::vector<ExifEntrySpec>& entries, uint16_t tag, uint16_t type)
{
    for (const auto& e : entries)
        if (e.tag == tag)
            return false;
    ExifEntrySpec p = Entry(tag, type);
    p.count = 1;
    p.valueField = 0;
    auto it = std::find_if(entries.begin(), entries.end(), [&](const ExifEntrySpec& e) { return e.tag > tag; });
    entries.insert(it, p);
    return true;
}

size_t IndexOf(const std::vector<ExifEntrySpec>& entries, uint16_t tag)
{
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].tag == tag)
            return i;
    return 0;
}

} // namespace

ExifIfdSpec& ExifIfdSpec::Ascii(uint16_t tag, const std::string& text)
{
    ExifEntrySpec e = Entry(tag, kExifAscii);
    e.bytes.assign(text.begin(), text.end());
    e.bytes.push_back(0);
    entries.push_back(e);
    return *this;
}

ExifIfdSpec& ExifIfdSpec::Byte(uint16_t tag, uint8_t value)
{
    ExifEntrySpec e = Entry(tag, kExifByte);
    e.numbers = {value};
    entries.push_back(e);
    return *this;
}

ExifIfdSpec& ExifIfdSpec::Short(uint16_t tag, uint16_t value)
{
    return Shorts(tag, {value});
}

ExifIfdSpec& ExifIfdSpec::Shorts(uint16_t tag, std::vector<int64_t> values)
{
    ExifEntrySpec e = Entry(tag, kExifShort);
    e.numbers = std::move(values);
    entries.push_back(e);
    return *this;
}

ExifIfdSpec& ExifIfdSpec::Long(uint16_t tag, uint32_t value)
{
    ExifEntrySpec e = Entry(tag, kExifLong);
    e.numbers = {value};
    entries.push_back(e);
    return *this;
}

ExifIfdSpec& ExifIfdSpec::SLong(uint16_t tag, int32_t value)
{
    ExifEntrySpec e = Entry(tag, kExifSLong);
    e.numbers = {value};
    entries.push_back(e);
    return *this;
}

ExifIfdSpec& ExifIfdSpec::Rational(uint16_t tag, uint32_t numerator, uint32_t denominator)
{
    return Rationals(tag, {{numerator, denominator}});
}

ExifIfdSpec& ExifIfdSpec::Rationals(uint16_t tag, std::vector<std::pair<int64_t, int64_t>> values)
{
    ExifEntrySpec e = Entry(tag, kExifRational);
    e.rationals = std::move(values);
    entries.push_back(e);
    return *this;
}

ExifIfdSpec& ExifIfdSpec::SRational(uint16_t tag, int32_t numerator, int32_t denominator)
{
    ExifEntrySpec e = Entry(tag, kExifSRational);
    e.rationals = {{numerator, denominator}};
    entries.push_back(e);
    return *this;
}

ExifIfdSpec& ExifIfdSpec::Undefined(uint16_t tag, std::vector<uint8_t> bytes)
{
    ExifEntrySpec e = Entry(tag, kExifUndefined);
    e.bytes = std::move(bytes);
    entries.push_back(e);
    return *this;
}

ExifIfdSpec& ExifIfdSpec::Raw(uint16_t tag, uint16_t type, uint32_t count, uint32_t valueField)
{
    ExifEntrySpec e = Entry(tag, type);
    e.count = count;
    e.valueField = valueField;
    entries.push_back(e);
    return *this;
}

ExifIfdSpec& ExifIfdSpec::Remove(uint16_t tag)
{
    entries.erase(std::remove_if(entries.begin(), entries.end(), [&](const ExifEntrySpec& e) { return e.tag == tag; }),
                  entries.end());
    return *this;
}

ExifEntrySpec* ExifIfdSpec::Find(uint16_t tag)
{
    for (auto& e : entries)
        if (e.tag == tag)
            return &e;
    return nullptr;
}

std::vector<uint8_t> BuildExifBlock(const ExifBlockSpec& recipe, ExifBlockLayout* layout)
{
    std::vector<uint8_t> out = {'E', 'x', 'i', 'f', 0, 0};
    const size_t tiff = out.size();
    Writer w(out, recipe.littleEndian);
    out.push_back(recipe.littleEndian ? 'I' : 'M');
    out.push_back(recipe.littleEndian ? 'I' : 'M');
    w.Append16(42);
    w.Append32(8);

    std::vector<ExifEntrySpec> ifd0 = recipe.ifd0.entries;
    const bool linkExif = !recipe.exif.entries.empty() && AddPointer(ifd0, 0x8769, kExifLong);
    std::vector<ExifEntrySpec> exif = recipe.exif.entries;
    const bool linkMaker = !recipe.makerNote.entries.empty() && !exif.empty() && AddPointer(exif, 0x927C, kExifUndefined);
    const bool linkInterop = !recipe.interop.entries.empty() && !exif.empty() && AddPointer(exif, 0xA005, kExifLong);

    ExifBlockLayout local;
    local.entryOffsets.resize(5);
    size_t ifd0Next = 0, unused = 0;
    local.ifd0 = w.WriteIfd(ifd0, recipe.ifd0.nextIfd, tiff, local.entryOffsets[0], ifd0Next);
    if (!exif.empty())
        local.exif = w.WriteIfd(exif, recipe.exif.nextIfd, tiff, local.entryOffsets[1], unused);
    if (!recipe.makerNote.entries.empty()) {
        w.Align();
        local.makerNote = out.size();
        const char header[] = "FUJIFILM";
        out.insert(out.end(), header, header + 8);
        Writer maker(out, true);
        maker.Append32(12);
        maker.WriteIfd(recipe.makerNote.entries, recipe.makerNote.nextIfd, local.makerNote, local.entryOffsets[2], unused);
    }
    const size_t makerLength = out.size() - local.makerNote;
    if (!recipe.interop.entries.empty())
        local.interop = w.WriteIfd(recipe.interop.entries, recipe.interop.nextIfd, tiff, local.entryOffsets[3], unused);
    if (!recipe.ifd1.entries.empty())
        local.ifd1 = w.WriteIfd(recipe.ifd1.entries, recipe.ifd1.nextIfd, tiff, local.entryOffsets[4], unused);

    if (linkExif)
        w.Put32(local.entryOffsets[0][IndexOf(ifd0, 0x8769)] + 8, static_cast<uint32_t>(local.exif - tiff));
    if (linkMaker) {
        size_t entry = local.entryOffsets[1][IndexOf(exif, 0x927C)];
        w.Put32(entry + 4, static_cast<uint32_t>(makerLength));
        w.Put32(entry + 8, static_cast<uint32_t>(local.makerNote - tiff));
    }
    if (linkInterop)
        w.Put32(local.entryOffsets[1][IndexOf(exif, 0xA005)] + 8, static_cast<uint32_t>(local.interop - tiff));
    if (!recipe.ifd0.nextIfd && !recipe.ifd1.entries.empty())
        w.Put32(ifd0Next, static_cast<uint32_t>(local.ifd1 - tiff));

    if (layout)
        *layout = local;
    return out;
}

ExifBlockSpec FujiExifSpec(const std::string& model, bool littleEndian, const std::string& software)
{
    ExifBlockSpec s;
    s.littleEndian = littleEndian;
    s.ifd0.Ascii(0x010F, "FUJIFILM")
        .Ascii(0x0110, model)
        .Short(0x0112, 1)
        .Rational(0x011A, 72, 1)
        .Rational(0x011B, 72, 1)
        .Short(0x0128, 2)
        .Ascii(0x0131, software)
        .Ascii(0x0132, "2007:05:22 13:58:30")
        .Short(0x0213, 2);
    s.exif.Rational(0x829A, 10, 2500)
        .Rational(0x829D, 800, 100)
        .Short(0x8822, 1)
        .Short(0x8827, 100)
        .Undefined(0x9000, {'0', '2', '2', '1'})
        .Ascii(0x9003, "2007:05:22 13:58:30")
        .Undefined(0x9101, {1, 2, 3, 0})
        .SRational(0x9201, 800, 100)
        .Rational(0x9202, 600, 100)
        .SRational(0x9204, 0, 100)
        .Short(0x9207, 5)
        .Short(0x9209, 16)
        .Rational(0x920A, 7000, 100)
        .Short(0xA001, 1)
        .Long(0xA002, 1440)
        .Long(0xA003, 960)
        .Short(0xA405, 105);
    s.makerNote.Undefined(0x0000, {'0', '1', '3', '0'})
        .Ascii(0x1000, "NORMAL ")
        .Short(0x1001, 3)
        .Short(0x1002, 0)
        .Short(0x1021, 0)
        .Short(0x1031, 0x300)
        .Short(0x1400, 3)
        .Rational(0x1404, 2800, 100)
        .Rational(0x1405, 7000, 100)
        .Rational(0x1406, 280, 100)
        .Rational(0x1407, 280, 100);
    s.interop.Ascii(0x0001, "R98").Undefined(0x0002, {'0', '1', '0', '0'});
    s.ifd1.Short(0x0103, 6).Short(0x0112, 1);
    return s;
}

} // namespace velmo::test
