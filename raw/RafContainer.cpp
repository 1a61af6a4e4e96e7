#include "raw/RafContainer.h"

#include "platform/core/ByteReader.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace velmo {

namespace {

constexpr char kCompressorName[] = "RAW FILE COMPRESSOR";
constexpr size_t kCompressorNameLength = 19;
constexpr size_t kCompressorColumn = 9; // after "Software:"

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Printf(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

RafStatus Failure(RafError error, std::string detail)
{
    RafStatus status;
    status.error = error;
    status.message = RafErrorText(error);
    status.detail = std::move(detail);
    return status;
}

bool InFile(const RafContainer& raf, uint64_t offset, uint64_t length)
{
    return offset <= raf.fileLength && length <= raf.fileLength - offset;
}

const FamilyWhiteBalanceTable* TableFor(const RafReadOptions& options, int family)
{
    return options.familyTable ? options.familyTable(family) : nullptr;
}

bool IsSoftwareCompressor(const ExifTextLines& lines, int softwareLine)
{
    if (softwareLine < 0 || static_cast<size_t>(softwareLine) >= lines.size())
        return false;
    const std::string& line = lines[static_cast<size_t>(softwareLine)];
    return line.compare(0, kCompressorColumn, "Software:") == 0 &&
           line.compare(kCompressorColumn, kCompressorNameLength, kCompressorName) == 0;
}

// The reader's limit for a frame of the model, checked before anything of
// that size is allocated or unpacked.
RafStatus CheckFrameSize(const RafContainer& raf, uint64_t available)
{
    const CameraModelInfo& model = *raf.model;
    if (model.Width() <= 0 || model.Height(raf.cfaDataLength) <= 0)
        return Failure(RafError::RawDataMissing,
                       Printf("the raw data (%u bytes) is too short for one image row of this model",
                              raf.cfaDataLength));
    const uint64_t needed = RawFrameBytes(model, raf.cfaDataLength);
    if (needed > available)
        return Failure(RafError::RawDataMissing,
                       Printf("the raw data holds %llu bytes; one frame of this model needs %llu",
                              static_cast<unsigned long long>(available),
                              static_cast<unsigned long long>(needed)));
    return {};
}

RafStatus Unpack(CBufferedFile& file, const RafContainer& raf, uint64_t streamStart, uint32_t streamLength,
                 IProgress* progress, const char* what)
{
    if (!file.Seek(streamStart))
        return Failure(RafError::RawDataMissing, Printf("the %s cannot be reached", what));
    if (progress)
        progress->Report(-2, "Unzipping");
    if (!file.LoadCompressed(true, streamLength, raf.cfaDataLength, progress))
        return Failure(RafError::UnpackFailed, Printf("%s: %s", what, file.LastError().c_str()));
    if (file.DataSize() != raf.cfaDataLength) {
        const uint32_t size = file.DataSize();
        file.LoadCompressed(false, 0, 0);
        return Failure(RafError::UnpackFailed,
                       Printf("%s: the compressed data unpacks to %u bytes; its length word says %u", what,
                              size, raf.cfaDataLength));
    }
    return {};
}

} // namespace

unsigned RafErrorStringId(RafError error)
{
    switch (error) {
    case RafError::None: return 0;
    case RafError::CannotOpen: return IDS_RAF_CANNOT_OPEN;
    case RafError::NotRaf: return 61217;
    case RafError::UnknownModel: return 61215;
    case RafError::DamagedHeader: return IDS_RAF_DAMAGED_HEADER;
    case RafError::DamagedRecords: return IDS_RAF_DAMAGED_RECORDS;
    case RafError::RawDataMissing: return IDS_RAF_RAW_DATA_MISSING;
    case RafError::UnpackFailed: return IDS_RAF_UNPACK_FAILED;
    }
    return 0;
}

std::string RafErrorText(RafError error)
{
    const unsigned id = RafErrorStringId(error);
    return id != 0 ? LoadString(id) : std::string();
}

int RafContainer::Frames() const
{
    if (!model)
        return 1;
    switch (model->frames) {
    case FrameRule::One: return 1;
    case FrameRule::Two: return 2;
    case FrameRule::ByExrMode: return (exrModeDigit == 2 || exrModeDigit == 3) ? 2 : 1;
    case FrameRule::ByFormatCode: return (formatCode == "2002" || formatCode == "2203") ? 1 : 2;
    }
    return 1;
}

RafStatus ReadRafHeader(CBufferedFile& file, RafContainer& raf, const RafReadOptions& options)
{
    raf = RafContainer{};
    if (!file.IsOpen())
        return Failure(RafError::CannotOpen, "the file is not open");

    // 1. The header buffer and the directory.
    raf.fileLength = file.GetLength();
    raf.header.assign(kRafHeaderSize, 0);
    if (!file.Seek(0))
        return Failure(RafError::CannotOpen, "the file cannot be read");
    const uint32_t got = file.ReadBuffered(raf.header.data(), kRafHeaderSize);
    ByteReader header(raf.header.data(), raf.header.size());

    // 2. The magic.
    if (got < kRafMagicLength || !header.Matches(0, kRafMagic, kRafMagicLength))
        return Failure(RafError::NotRaf, "the file does not begin with FUJIFILMCCD-RAW");
    if (got < kRafDirectoryOffset + sizeof raf.directory.entry)
        return Failure(RafError::DamagedHeader,
                       Printf("the file ends after %u bytes, inside its header", got));
    for (int i = 0; i < 16; ++i)
        raf.directory.entry[i] = header.U32Or0(kRafDirectoryOffset + 4 * i, false);
    raf.formatCode = std::string(reinterpret_cast<const char*>(raf.header.data() + kRafFormatCodeOffset), 4);
    raf.modelText = header.Text(kRafModelOffset, kRafDirectoryOffset - kRafModelOffset);

    // 3. The Exif block (the family is not known yet).
    raf.exifFound = ParseExif(raf.header, raf.exifLines, raf.exifIndex, raf.camera, TableFor(options, 0)) != 0;

    // 4. Compression: the length word leads the CFA data.
    if (IsSoftwareCompressor(raf.exifLines, raf.exifIndex.softwareLine)) {
        raf.compressed = true;
        raf.packedLength = raf.directory.DataLength();
        raf.dataStart = static_cast<uint64_t>(raf.directory.DataOffset()) + 4;
    } else {
        raf.dataStart = raf.directory.DataOffset();
    }

    // 5. The model table.
    raf.model = FindCameraModel(raf.header.data() + kRafModelOffset, kRafHeaderSize - kRafModelOffset);
    if (!raf.model)
        return Failure(RafError::UnknownModel, "unknown camera model \"" + raf.modelText + "\"");
    raf.cameraFamily = raf.model->cameraFamily;
    raf.whiteBalanceUnit = raf.model->whiteBalanceUnit;
    raf.focalLengthFactor = raf.model->focalLengthFactor;
    if (raf.model->exr)
        raf.exrModeDigit = raf.header[kRafExrDigitOffset] - '0';

    if (raf.compressed) {
        uint8_t word[4] = {};
        if (InFile(raf, raf.directory.DataOffset(), 4) && file.Seek(raf.directory.DataOffset()) &&
            file.Read(word, 4) == 4) {
            const bool littleEndian = raf.model->names[0] == "FinePix S5000";
            raf.lengthWordRead = true;
            raf.lengthWord = ByteReader(word, 4).U32Or0(0, littleEndian);
        }
        raf.cfaDataLength = raf.lengthWord;
    } else {
        raf.cfaDataLength = raf.directory.DataLength();
    }

    // 6. The Exif block again, with the family and the focal-length factor.
    raf.exifIndex.focalLengthFactor = raf.focalLengthFactor;
    raf.exifFound = ParseExif(raf.header, raf.exifLines, raf.exifIndex, raf.camera,
                              TableFor(options, raf.cameraFamily)) != 0;
    // Exif data copied from the header into output files says "not rotated".
    if (raf.exifIndex.orientationValue > 0)
        PutU16(raf.header, raf.exifIndex.orientationValue, raf.exifIndex.orientationLittleEndian, 1);
    return {};
}

bool RafHeaderHasNoSecondFrame(const RafContainer& raf)
{
    return raf.formatCode == "2201" && raf.directory.entry[13] == 0;
}

RafStatus ReadCfaRecords(CBufferedFile& file, RafContainer& raf, RafWhiteBalancePresets& presets,
                         bool noSecondFrame)
{
    raf.noSecondFrame = noSecondFrame;
    raf.pairedRows = false;
    raf.customEntries = 0;
    raf.recordsRead = false;
    raf.records.clear();
    for (int row = 0; row < RafWhiteBalancePresets::kRows; ++row)
        if (row != RafWhiteBalancePresets::kCustomRow)
            std::fill(std::begin(presets.rows[row]), std::end(presets.rows[row]), 0);

    const uint32_t offset = raf.directory.RecordsOffset();
    const uint32_t length = raf.directory.RecordsLength();
    if (length < 4 || length > kRafMaxRecordBytes || !InFile(raf, offset, length))
        return Failure(RafError::DamagedRecords,
                       Printf("the CFA header records (%u bytes at %u) do not lie inside the file of %llu bytes",
                              length, offset, static_cast<unsigned long long>(raf.fileLength)));
    try {
        raf.records.assign(length, 0);
    } catch (const std::bad_alloc&) {
        return Failure(RafError::DamagedRecords, "not enough memory for the CFA header records");
    }
    if (!file.Seek(offset) || file.Read(raf.records.data(), length) != length)
        return Failure(RafError::DamagedRecords, "the CFA header records cannot be read");

    const ByteReader r(raf.records.data(), raf.records.size());
    const uint32_t count = r.U32Or0(0, false);
    if (count > (length - 4) / 4)
        return Failure(RafError::DamagedRecords,
                       Printf("%u records cannot fit in %u bytes", count, length));
    int64_t at = 4;
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t tag = 0, size = 0;
        if (!r.U16(at, false, tag) || !r.U16(at + 2, false, size) || !r.Has(at + 4, size))
            return Failure(RafError::DamagedRecords,
                           Printf("record %u of %u runs past the end of the records", i + 1, count));
        const int64_t data = at + 4;
        auto word = [&](int k) { return r.U16Or0(data + 2 * k, false); };
        int presetRow = -1;
        switch (tag) {
        case 0x100:
            if (size >= 4 && raf.model)
                raf.pairedRows = word(1) == 2 * raf.model->rawWidth;
            break;
        case 0x2FF0: presetRow = 0; break;
        case 0x2100: presetRow = 1; break;
        case 0x2200: presetRow = 2; break;
        case 0x2300: presetRow = 3; break;
        case 0x2301: presetRow = 4; break;
        case 0x2302: presetRow = 5; break;
        case 0x2400: presetRow = 6; break;
        case 0x2000: presetRow = 7; break;
        case 0x2F00: {
            if (size < 8)
                break;
            const uint32_t n = r.U32Or0(data, false);
            // Entries that are not all inside the record, or beyond the last row, are dropped.
            const uint32_t fit = std::min<uint32_t>((size - 8) / 16, kRafMaxCustomEntries);
            const uint32_t stored = std::min(n, fit);
            for (uint32_t e = 0; e < stored; ++e) {
                const int64_t entry = data + 8 + 16 * static_cast<int64_t>(e);
                uint16_t* row = presets.rows[kRafFirstCustomRow + e];
                row[0] = r.U16Or0(entry, false);
                row[1] = r.U16Or0(entry + 6, false);
                row[2] = r.U16Or0(entry + 4, false);
                row[3] = r.U16Or0(entry + 2, false);
            }
            if (n == 1 && stored == 1)
                std::copy(std::begin(presets.rows[8]), std::end(presets.rows[8]), presets.rows[9]);
            raf.customEntries = static_cast<int>(stored);
            break;
        }
        case 0x9700:
            if (size >= 2)
                raf.whiteBalanceUnit = (noSecondFrame && word(0) > 1000) ? 55 : 220;
            break;
        default: break;
        }
        if (presetRow >= 0 && size >= 8)
            for (int k = 0; k < 4; ++k)
                presets.rows[presetRow][k] = word(k);
        at = data + size;
    }
    raf.recordsRead = true;

    uint16_t* custom = presets.rows[RafWhiteBalancePresets::kCustomRow];
    if (custom[0] == 0)
        std::copy(std::begin(presets.rows[1]), std::end(presets.rows[1]), custom);
    return {};
}

RafStatus ReadRafContainer(CBufferedFile& file, RafContainer& raf, RafWhiteBalancePresets& presets,
                           const RafReadOptions& options)
{
    RafStatus status = ReadRafHeader(file, raf, options);
    if (!status)
        return status;
    const bool noSecondFrame =
        raf.model && raf.model->frames == FrameRule::ByFormatCode && RafHeaderHasNoSecondFrame(raf);
    return ReadCfaRecords(file, raf, presets, noSecondFrame);
}

RafStatus OpenRawData(CBufferedFile& file, const RafContainer& raf, IProgress* progress)
{
    if (!raf.model)
        return Failure(RafError::UnknownModel, "the header has not been read");
    const uint32_t offset = raf.directory.DataOffset();
    if (!raf.compressed) {
        const uint32_t length = raf.directory.DataLength();
        if (!InFile(raf, offset, length))
            return Failure(RafError::RawDataMissing,
                           Printf("the raw data (%u bytes at %u) runs past the end of the file of %llu bytes",
                                  length, offset, static_cast<unsigned long long>(raf.fileLength)));
        RafStatus size = CheckFrameSize(raf, length);
        if (!size)
            return size;
        if (!file.Seek(raf.dataStart))
            return Failure(RafError::RawDataMissing, "the raw data cannot be reached");
        return {};
    }

    if (raf.packedLength < 4 || !InFile(raf, offset, raf.packedLength) || !raf.lengthWordRead)
        return Failure(RafError::RawDataMissing,
                       Printf("the compressed raw data (%u bytes at %u) runs past the end of the file of %llu bytes",
                              raf.packedLength, offset, static_cast<unsigned long long>(raf.fileLength)));
    if (raf.cfaDataLength > kRafMaxRawDataBytes)
        return Failure(RafError::UnpackFailed,
                       Printf("the length word says %u bytes, more than any camera writes", raf.cfaDataLength));
    RafStatus size = CheckFrameSize(raf, raf.cfaDataLength);
    if (!size)
        return size;
    // The second frame's block unpacks on another core meanwhile; placement
    // takes it when it gets there.
    if (raf.Frames() == 2 && !(raf.model->frames == FrameRule::ByFormatCode && RafHeaderHasNoSecondFrame(raf))) {
        const uint32_t second = raf.directory.SecondBlockOffset();
        const uint32_t secondLength = raf.directory.SecondBlockLength();
        if (secondLength >= 4 && InFile(raf, second, secondLength))
            file.PrefetchCompressed(static_cast<uint64_t>(second) + 4, secondLength - 4, raf.cfaDataLength);
    }
    return Unpack(file, raf, raf.dataStart, raf.packedLength - 4, progress, "first frame");
}

RafStatus OpenSecondFrameBlock(CBufferedFile& file, const RafContainer& raf, IProgress* progress)
{
    file.LoadCompressed(false, 0, 0);
    if (!raf.model || !raf.compressed)
        return Failure(RafError::RawDataMissing, "the file has no compressed second frame");
    const uint32_t offset = raf.directory.SecondBlockOffset();
    const uint32_t length = raf.directory.SecondBlockLength();
    if (length < 4 || !InFile(raf, offset, length))
        return Failure(RafError::RawDataMissing,
                       Printf("the second frame (%u bytes at %u) runs past the end of the file of %llu bytes",
                              length, offset, static_cast<unsigned long long>(raf.fileLength)));
    if (raf.cfaDataLength > kRafMaxRawDataBytes)
        return Failure(RafError::UnpackFailed, "the length word is out of range");
    return Unpack(file, raf, static_cast<uint64_t>(offset) + 4, length - 4, progress, "second frame");
}

} // namespace velmo
