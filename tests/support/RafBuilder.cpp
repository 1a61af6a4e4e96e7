#include "tests/support/RafBuilder.h"

#include "tests/support/JpegCodec.h"

#include <bzlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace velmo::test {

namespace {

constexpr size_t kDirectoryOffset = 0x50;
constexpr size_t kJpegStart = 0x94;

void Put32BE(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = static_cast<uint8_t>(v >> 24);
    b[at + 1] = static_cast<uint8_t>(v >> 16);
    b[at + 2] = static_cast<uint8_t>(v >> 8);
    b[at + 3] = static_cast<uint8_t>(v);
}

void Put32LE(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void Append16BE(std::vector<uint8_t>& b, uint16_t v)
{
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}

void Append32BE(std::vector<uint8_t>& b, uint32_t v)
{
    b.resize(b.size() + 4);
    Put32BE(b, b.size() - 4, v);
}

std::vector<uint8_t> SampleBytes(const std::vector<uint16_t>& samples, bool bigEndian)
{
    std::vector<uint8_t> out(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        uint8_t lo = static_cast<uint8_t>(samples[i]), hi = static_cast<uint8_t>(samples[i] >> 8);
        out[2 * i] = bigEndian ? hi : lo;
        out[2 * i + 1] = bigEndian ? lo : hi;
    }
    return out;
}

std::vector<uint8_t> Bzip2(const std::vector<uint8_t>& data)
{
    unsigned int size = static_cast<unsigned int>(data.size() + data.size() / 100 + 1024);
    std::vector<uint8_t> out(size);
    int r = BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &size,
                                     const_cast<char*>(data.empty() ? "" : reinterpret_cast<const char*>(data.data())),
                                     static_cast<unsigned int>(data.size()), 9, 0, 0);
    if (r != BZ_OK)
        return {};
    out.resize(size);
    return out;
}

struct Record {
    uint16_t tag;
    std::vector<uint8_t> data;
};

std::vector<uint8_t> PresetData(const PresetWords& w)
{
    // Cameras write the four words twice.
    std::vector<uint8_t> d;
    for (int twice = 0; twice < 2; ++twice)
        for (uint16_t v : w)
            Append16BE(d, v);
    return d;
}

} // namespace

std::map<uint16_t, PresetWords> RafFileSpec::DefaultPresets()
{
    return {
        {0x2000, {384, 601, 384, 515}}, {0x2100, {384, 601, 384, 515}}, {0x2200, {384, 679, 384, 438}},
        {0x2300, {384, 775, 384, 460}}, {0x2301, {384, 648, 384, 573}}, {0x2302, {384, 644, 384, 711}},
        {0x2400, {384, 384, 384, 832}}, {0x2FF0, {384, 610, 384, 505}},
    };
}

const CameraModelInfo* SpecModel(const RafFileSpec& recipe)
{
    return FindCameraModel(recipe.model.c_str());
}

static std::string FormatCodeOf(const RafFileSpec& recipe)
{
    if (!recipe.formatCode.empty())
        return recipe.formatCode;
    const CameraModelInfo* model = SpecModel(recipe);
    return model && model->frames == FrameRule::ByFormatCode ? "2201" : "2001";
}

int DefaultFrameCount(const RafFileSpec& recipe)
{
    if (recipe.frameCount > 0)
        return recipe.frameCount;
    const CameraModelInfo* model = SpecModel(recipe);
    if (!model)
        return 1;
    switch (model->frames) {
    case FrameRule::One: return 1;
    case FrameRule::Two: return 2;
    case FrameRule::ByExrMode: return (recipe.exrModeDigit == '2' || recipe.exrModeDigit == '3') ? 2 : 1;
    case FrameRule::ByFormatCode: {
        std::string code = FormatCodeOf(recipe);
        return (code == "2002" || code == "2203") ? 1 : 2;
    }
    }
    return 1;
}

std::vector<uint16_t> DefaultFrame(const CameraModelInfo& model, int rawRows, int frameIndex)
{
    size_t samples = 0;
    const size_t width = static_cast<size_t>(model.rawWidth);
    if (model.fixedRawHeight == 0) {
        samples = static_cast<size_t>(rawRows) * static_cast<size_t>(model.heightDivisor) / 2;
    } else {
        const size_t height = static_cast<size_t>(model.fixedRawHeight);
        samples = model.layout == SensorLayout::Rotated ? width * height * 2 : height * width * 2;
    }
    std::vector<uint16_t> frame(samples);
    const uint16_t mask = static_cast<uint16_t>(model.whiteLevel - 1);
    for (size_t i = 0; i < samples; ++i)
        frame[i] = static_cast<uint16_t>((i % 509) * 13 + (i / width) * 3 + static_cast<size_t>(frameIndex) * 1000) & mask;
    return frame;
}

std::vector<std::string> AllModelNames()
{
    std::vector<std::string> names;
    for (const CameraModelInfo& model : CameraModels())
        for (std::string_view name : model.names) {
            std::string text(name);
            while (!text.empty() && text.back() == '\0')
                text.pop_back();
            names.push_back(text);
        }
    return names;
}

std::vector<uint8_t> BuildRaf(const RafFileSpec& recipe, RafLayout* layout)
{
    const CameraModelInfo* model = SpecModel(recipe);
    RafLayout at;
    std::vector<uint8_t> file(kJpegStart, 0);

    // Header: magic, format code, model, version.
    std::memcpy(file.data(), "FUJIFILMCCD-RAW 0201FF39", 24);
    std::string code = FormatCodeOf(recipe);
    code.resize(4, ' ');
    std::memcpy(file.data() + 0x18, code.data(), 4);
    if (model && model->exr)
        file[0x1B] = static_cast<uint8_t>(recipe.exrModeDigit);
    std::memcpy(file.data() + 0x1C, recipe.model.data(), std::min<size_t>(recipe.model.size(), 31));
    std::memcpy(file.data() + 0x3C, "0106", 4);

    // The embedded JPEG with its Exif block.
    std::vector<uint8_t> exif;
    if (recipe.writeExif) {
        std::string software = recipe.software.value_or(recipe.compressed ? "RAW FILE COMPRESSOR Ver1.00"
                                                                       : "Digital Camera " + recipe.model + " Ver1.00");
        ExifBlockSpec block = recipe.exif.value_or(FujiExifSpec(recipe.model, recipe.exifLittleEndian, software));
        exif = BuildExifBlock(block);
    }
    std::vector<uint8_t> pixels = recipe.previewPixels.empty()
                                      ? GradientPicture(recipe.previewWidth, recipe.previewHeight, recipe.previewComponents)
                                      : recipe.previewPixels;
    std::vector<uint8_t> jpeg = EncodeJpeg(recipe.previewWidth, recipe.previewHeight, recipe.previewComponents, pixels,
                                           exif, recipe.previewQuality);
    at.jpegOffset = file.size();
    at.jpegLength = jpeg.size();
    at.exifOffset = exif.empty() ? 0 : at.jpegOffset + 6; // SOI, APP1 marker and length
    file.insert(file.end(), jpeg.begin(), jpeg.end());
    while (file.size() % 4)
        file.push_back(0);

    // CFA header records.
    std::vector<Record> records;
    if (recipe.writeDimensionRecord) {
        const int rawWidth = model ? model->rawWidth : 2048;
        const bool paired = model && model->layout == SensorLayout::PairedRows;
        const uint16_t width = recipe.recordWidth.value_or(static_cast<uint16_t>(paired ? 2 * rawWidth : rawWidth));
        const uint16_t height = static_cast<uint16_t>(model && model->fixedRawHeight ? model->fixedRawHeight : recipe.rawRows);
        Record r{0x100, {}};
        Append16BE(r.data, height);
        Append16BE(r.data, width);
        records.push_back(r);
    }
    for (const auto& extra : recipe.extraRecords)
        records.push_back({extra.first, extra.second});
    for (const auto& [tag, words] : recipe.presets)
        records.push_back({tag, PresetData(words)});
    if (!recipe.customWhiteBalances.empty()) {
        Record r{0x2F00, {}};
        Append32BE(r.data, recipe.faults.customCount.value_or(static_cast<uint32_t>(recipe.customWhiteBalances.size())));
        Append32BE(r.data, 0);
        for (const PresetWords& w : recipe.customWhiteBalances) {
            // Stored G, B, G, R, then eight bytes the reader does not use.
            Append16BE(r.data, w[0]);
            Append16BE(r.data, w[3]);
            Append16BE(r.data, w[2]);
            Append16BE(r.data, w[1]);
            for (int i = 0; i < 8; ++i)
                r.data.push_back(0);
        }
        records.push_back(r);
    }
    if (recipe.unitWord) {
        Record r{0x9700, {}};
        Append16BE(r.data, *recipe.unitWord);
        Append16BE(r.data, 100);
        Append16BE(r.data, 500);
        records.push_back(r);
    }
    at.recordsOffset = file.size();
    Append32BE(file, recipe.faults.recordCount.value_or(static_cast<uint32_t>(records.size())));
    for (size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        Append16BE(file, r.tag);
        uint16_t size = static_cast<uint16_t>(r.data.size());
        if (i + 1 == records.size() && recipe.faults.lastRecordSize)
            size = *recipe.faults.lastRecordSize;
        Append16BE(file, size);
        file.insert(file.end(), r.data.begin(), r.data.end());
    }
    at.recordsLength = file.size() - at.recordsOffset;
    while (file.size() % 4)
        file.push_back(0);

    // Raw data.
    std::vector<std::vector<uint16_t>> frames = recipe.frames;
    if (frames.empty() && model)
        for (int f = 0; f < DefaultFrameCount(recipe); ++f)
            frames.push_back(DefaultFrame(*model, recipe.rawRows, f));
    const bool bigEndian = recipe.bigEndianSamples.value_or(model && model->layout == SensorLayout::Rotated);
    std::vector<std::vector<uint8_t>> frameBytes;
    for (const auto& f : frames)
        frameBytes.push_back(SampleBytes(f, bigEndian));
    if (frameBytes.empty())
        frameBytes.emplace_back();
    at.unpackedLength = static_cast<uint32_t>(frameBytes[0].size());

    at.dataOffset = file.size();
    if (!recipe.compressed) {
        for (size_t f = 0; f < frameBytes.size(); ++f) {
            if (f == 1) {
                at.secondOffset = file.size();
                at.secondLength = frameBytes[1].size();
            }
            file.insert(file.end(), frameBytes[f].begin(), frameBytes[f].end());
        }
        at.dataLength = frameBytes[0].size();
    } else {
        const bool littleEndianWord = recipe.model.rfind("FinePix S5000", 0) == 0;
        for (size_t f = 0; f < frameBytes.size() && f < 2; ++f) {
            std::vector<uint8_t> stream = Bzip2(frameBytes[f]);
            if (f == 0 && recipe.faults.corruptStream && stream.size() > 32)
                for (size_t i = stream.size() / 2; i < stream.size() / 2 + 8; ++i)
                    stream[i] ^= 0x5A;
            if (f == 0 && recipe.faults.cutStream)
                stream.resize(stream.size() / 2);
            const size_t block = file.size();
            file.resize(block + 4);
            uint32_t word = static_cast<uint32_t>(frameBytes[f].size());
            if (f == 0 && recipe.faults.lengthWord)
                word = *recipe.faults.lengthWord;
            if (littleEndianWord)
                Put32LE(file, block, word);
            else
                Put32BE(file, block, word);
            file.insert(file.end(), stream.begin(), stream.end());
            if (f == 0) {
                at.dataLength = file.size() - block;
            } else {
                at.secondOffset = block;
                at.secondLength = file.size() - block;
            }
            while (file.size() % 4)
                file.push_back(0);
        }
    }

    // The offset directory.
    Put32BE(file, kDirectoryOffset + 0x04, static_cast<uint32_t>(at.jpegOffset));
    Put32BE(file, kDirectoryOffset + 0x08, static_cast<uint32_t>(at.jpegLength));
    Put32BE(file, kDirectoryOffset + 0x0C, static_cast<uint32_t>(at.recordsOffset));
    Put32BE(file, kDirectoryOffset + 0x10, static_cast<uint32_t>(at.recordsLength));
    Put32BE(file, kDirectoryOffset + 0x14, static_cast<uint32_t>(at.dataOffset));
    Put32BE(file, kDirectoryOffset + 0x18, static_cast<uint32_t>(at.dataLength));
    Put32BE(file, kDirectoryOffset + 0x30, static_cast<uint32_t>(at.secondOffset));
    Put32BE(file, kDirectoryOffset + 0x34, static_cast<uint32_t>(at.secondLength));
    for (const auto& [offset, value] : recipe.faults.directory)
        if (offset + 4 <= kJpegStart)
            Put32BE(file, offset, value);

    if (recipe.faults.truncateTo && *recipe.faults.truncateTo < file.size())
        file.resize(*recipe.faults.truncateTo);
    if (recipe.faults.patch)
        recipe.faults.patch(file, at);
    if (layout)
        *layout = at;
    return file;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    // An empty vector's data() may be null, which fwrite must not get.
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool WriteRaf(const std::string& path, const RafFileSpec& recipe, RafLayout* layout)
{
    return WriteFile(path, BuildRaf(recipe, layout));
}

} // namespace velmo::test
