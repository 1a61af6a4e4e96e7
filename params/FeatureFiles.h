// Feature files: the tone curve (.VMT), the lens correction (.VML), the
// selective colours (.VMC) and the custom white balance (.VMW). INI files
// with the one section "Settings"; the same keys stand inside parameter
// files. Blocks are private-profile structs: one whose length or checksum
// does not match is not loaded, and every value read is brought into the
// range the palettes and the development use.
#pragma once

#include "exif/WhiteBalanceTables.h"
#include "params/DevParams.h"
#include "params/FreeCurveStore.h"
#include "params/EditState.h"
#include "params/LensCorrectionSettings.h"
#include "params/SelectiveColorTable.h"

#include <cstdint>
#include <string>

namespace velmo {

// --- Blocks ------------------------------------------------------------------

// Struct "FreeCurve" (272 bytes) into store; false (store untouched) when it
// cannot be read. The channels are checked when the curves are built.
bool ReadFreeCurveBlock(const std::string& path, FreeCurveStore& store);
// Struct "DistorionSettings" into settings: the 32-byte form, else the older
// 28-byte form with coefficient 200. The fisheye fields are kept. False
// (settings untouched) when neither form can be read.
bool ReadLensCorrectionBlock(const std::string& path, LensCorrectionSettings& settings);
// Struct "ColorTable" (144 bytes) into table; false (table untouched) when
// it cannot be read.
bool ReadSelectiveColorBlock(const std::string& path, SelectiveColorTable& table);

// The lens fields of the file form and the selective-colour entries brought
// into their ranges (beside the records: the ranges of the controls); the
// fisheye fields are not file fields and stay. Return the number of fields
// changed.
int ClampLensCorrectionFileFields(LensCorrectionSettings& settings);
int ClampSelectiveColorTable(SelectiveColorTable& table);

// "<block>_flag" = flag, then the block. False when the file cannot be written.
bool WriteFreeCurveFile(const std::string& path, int enableFlag, const FreeCurveStore& store);
bool WriteLensCorrectionFile(const std::string& path, int enableFlag, const LensCorrectionSettings& settings);
bool WriteSelectiveColorFile(const std::string& path, int enableFlag, const SelectiveColorTable& table);

// --- White balance -----------------------------------------------------------------

// customWB1..3 as the version of the file stores them, brought to the
// current form (version 71) with the family's daylight gains (R2, G2, B2 of
// row 0): version 0 is first scaled per channel and then, like versions
// 1..63, normalised so that the largest family-relative gain is 4096;
// 64 and above are taken as they are. A normalisation that would divide by
// zero is skipped.
void ConvertCustomWhiteBalance(int version, int32_t wb[3], const FamilyWhiteBalanceTable& family);

// "customWB1".."customWB3" (converted by "customWBv", default 0, when the
// file holds any of them), then "WBfineTuneR".."WBfineTune"; missing keys
// keep the record's values and values out of range keep them too. False
// (record untouched) when the file cannot be read.
bool ReadWhiteBalanceKeys(DevParams& record, const std::string& path, const FamilyWhiteBalanceTable& family);
// "customWBv" = 71, then the seven keys in file order. False when the file
// cannot be written.
bool WriteWhiteBalanceKeys(const DevParams& record, const std::string& path);

// --- Shared by the file readers ------------------------------------------------

// Message boxes for a side file that could not be written or read.
void ReportFileWriteFailure(const std::string& path);
void ReportFileReadFailure(const std::string& path);

// True when path names a regular file that can be read.
bool IsReadableFile(const std::string& path);
// True when the file holds key in section "Settings".
bool HasParamFileKey(const std::string& path, const char* key);

} // namespace velmo
