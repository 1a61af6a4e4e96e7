// The English string table. Texts stand exactly as the program shows them;
// a language file may replace any entry by id. Keep the table sorted by id.
#include "platform/core/StringTable.h"

namespace velmo {

const StringEntry kEnglishStrings[] = {
    {61215, "Unknown file type.\n Please check the latest version on our web site.\n "},
    {61216, "Unknown BAY file."},
    {61217, "This is not FUJI CCD-RAW."},
    {61218, "Some thing wrong!\nAbort writing!"},
    {61219, " was saved."},
    {61220, "Sorry,'SpotWB capture' can not be used with LensCorrection.\nPlease disable LensCorrection before capture."},
    {61221, "Save As output"},
    {61231, "Full size|9/16 size|Quater size|Preview size||"},
    {61233, "Only the profile of RGB can be used. \n"},
};

const size_t kEnglishStringCount = sizeof kEnglishStrings / sizeof kEnglishStrings[0];

} // namespace velmo
