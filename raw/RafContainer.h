// Reading the RAF container: the 4096-byte header with the camera model and
// the offset directory, the Exif block of the embedded JPEG, the CFA header
// records (sensor geometry and the camera's white-balance presets), and the
// detection and unpacking of bzip2-compressed raw data. The placement of the
// sensor rows reads on from the CBufferedFile these steps leave positioned.
#pragma once

#include "exif/ExifParser.h"
#include "exif/WhiteBalanceTables.h"
#include "platform/core/Progress.h"
#include "raw/BufferedFile.h"
#include "raw/CameraModels.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmo {

inline constexpr size_t kRafHeaderSize = 4096;
inline constexpr char kRafMagic[] = "FUJIFILMCCD-RAW";
inline constexpr size_t kRafMagicLength = 15;
inline constexpr size_t kRafFormatCodeOffset = 0x18;
inline constexpr size_t kRafExrDigitOffset = 0x1B;
inline constexpr size_t kRafModelOffset = 0x1C;
inline constexpr size_t kRafDirectoryOffset = 0x50;
// The largest raw data (unpacked) or record block the reader accepts.
inline constexpr uint64_t kRafMaxRawDataBytes = 256ull << 20;
inline constexpr uint64_t kRafMaxRecordBytes = 16ull << 20;
// Rows 8 onward of the preset table hold the custom white balances.
inline constexpr int kRafFirstCustomRow = 8;
inline constexpr int kRafMaxCustomEntries = RafWhiteBalancePresets::kRows - kRafFirstCustomRow;

// The sixteen big-endian u32 of the offset directory (header offset 0x50).
struct RafDirectory {
    uint32_t entry[16] = {};
    uint32_t JpegOffset() const { return entry[1]; }        // 0x54
    uint32_t JpegLength() const { return entry[2]; }        // 0x58
    uint32_t RecordsOffset() const { return entry[3]; }     // 0x5C
    uint32_t RecordsLength() const { return entry[4]; }     // 0x60
    uint32_t DataOffset() const { return entry[5]; }        // 0x64
    uint32_t DataLength() const { return entry[6]; }        // 0x68
    uint32_t SecondBlockOffset() const { return entry[12]; } // 0x80
    uint32_t SecondBlockLength() const { return entry[13]; } // 0x84
};

// What went wrong, for the message the user sees.
enum class RafError {
    None,
    CannotOpen,      // the file cannot be opened or read
    NotRaf,          // string 61217
    UnknownModel,    // string 61215
    DamagedHeader,   // the header or its directory is incomplete
    DamagedRecords,  // the CFA header records do not fit the file or overrun their block
    RawDataMissing,  // the raw data is missing, cut short, or too short for the model
    UnpackFailed,    // the compressed raw data cannot be unpacked
};

// The string-table id of the error's message, 0 for None.
unsigned RafErrorStringId(RafError error);
// The message text shown to the user, in the language loaded.
std::string RafErrorText(RafError error);

struct RafStatus {
    RafError error = RafError::None;
    std::string message; // for the user
    std::string detail;  // what exactly is wrong (logs, velmo-bench info)
    bool Ok() const { return error == RafError::None; }
    explicit operator bool() const { return Ok(); }
};

// Everything the container steps find; per image, reset by ReadRafHeader.
struct RafContainer {
    std::vector<uint8_t> header; // the first 4096 bytes; zero past the end of a short file
    uint64_t fileLength = 0;
    RafDirectory directory;
    std::string formatCode;  // four characters at 0x18 ("2001", "2201", ...)
    std::string modelText;   // the model field at 0x1C
    int exrModeDigit = 0;    // header byte 0x1B - '0' for the model "FinePix S200EXR", else 0

    const CameraModelInfo* model = nullptr;
    int cameraFamily = 0;
    uint16_t whiteBalanceUnit = kDefaultWhiteBalanceUnit;
    float focalLengthFactor = kDefaultFocalLengthFactor;

    // Compressed CFA data: "Software:" says "RAW FILE COMPRESSOR".
    bool compressed = false;
    bool lengthWordRead = false; // the 4-byte length word lies inside the file
    uint32_t lengthWord = 0;     // unpacked size (little-endian for "FinePix S5000")
    uint32_t packedLength = 0;   // the directory's CFA data length when compressed
    uint32_t cfaDataLength = 0;  // L: the unpacked size when compressed
    uint64_t dataStart = 0;      // where the CFA data (or its bzip2 stream) begins

    // CFA header records.
    std::vector<uint8_t> records;
    bool recordsRead = false;
    bool pairedRows = false;     // record 0x100: width is twice the model's raw width
    int customEntries = 0;       // custom white balances stored (after truncation)
    bool noSecondFrame = false;  // the layout bit the white-balance unit depends on

    // The Exif block in the header.
    bool exifFound = false;
    ExifTextLines exifLines;
    ExifTagIndex exifIndex;
    ExifCameraValues camera;     // sharpness, white-balance row, orientation, model, focal length

    int Frames() const; // 1 or 2 as far as the header tells (EXR mode and format code)
};

struct RafReadOptions {
    // The white-balance table of a camera family, for the maker note's
    // white-balance row (none: only the Auto and custom settings give a row).
    std::function<const FamilyWhiteBalanceTable*(int family)> familyTable;
};

// Reads the header, checks the magic, parses the Exif block, detects
// compression, applies the model table and parses the Exif block again with
// the model's family and focal-length factor, then sets the header copy's
// Orientation to 1 when there is such an entry. Fails on a wrong magic, an
// incomplete header or an unknown model; problems of the raw data itself are
// left to OpenRawData, so that the header can be shown without it.
RafStatus ReadRafHeader(CBufferedFile& file, RafContainer& raf, const RafReadOptions& options = {});

// The format code "2201" with directory entry 13 (header offset 0x84) zero:
// the file holds no second frame.
bool RafHeaderHasNoSecondFrame(const RafContainer& raf);

// Reads and walks the CFA header records: clears preset rows 0-31 except 11,
// stores the presets and the custom table (truncated to the rows there are;
// one entry fills rows 8 and 9), sets the white-balance unit from record
// 0x9700 (55 when noSecondFrame and its first word is above 1000, else 220)
// and fills row 11 from row 1 when its first word is 0.
RafStatus ReadCfaRecords(CBufferedFile& file, RafContainer& raf, RafWhiteBalancePresets& presets,
                         bool noSecondFrame);

// ReadRafHeader, then ReadCfaRecords with the layout of the header (the
// no-second-frame test applies to the two-frame-detecting models only).
RafStatus ReadRafContainer(CBufferedFile& file, RafContainer& raf, RafWhiteBalancePresets& presets,
                           const RafReadOptions& options = {});

// Checks that the raw data is present and large enough for one frame of the
// model, then positions the file at it; compressed data is unpacked first
// (progress "Unzipping") and every later Read comes from memory.
RafStatus OpenRawData(CBufferedFile& file, const RafContainer& raf, IProgress* progress = nullptr);

// Unpacks the second compressed frame block of a two-frame file (it unpacks
// to the size of the first); the first block's data is released first.
RafStatus OpenSecondFrameBlock(CBufferedFile& file, const RafContainer& raf, IProgress* progress = nullptr);

} // namespace velmo
