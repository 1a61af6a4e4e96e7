// Shared by the parameter-file, feature-file and side-file tests: a host that
// records the side-file hooks and small file helpers.
#pragma once

#include "document/VelmoDoc.h"
#include "params/FreeCurveStore.h"
#include "params/LensCorrectionSettings.h"
#include "params/SelectiveColorTable.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace velmo::test {

class SideFileHost : public RecordingHost {
public:
    struct Recent {
        RecentListKind kind;
        std::string path;
        bool operator==(const Recent&) const = default;
    };

    void AddToRecentList(RecentListKind kind, const std::string& path) override { recent.push_back({kind, path}); }
    bool ReadCropSettings(const std::string& path) override
    {
        cropReads.push_back(path);
        return true;
    }
    bool WriteCropSettings(const std::string& path) override
    {
        cropWrites.push_back(path);
        return cropWriteResult;
    }
    bool OpenDocumentFile(const std::string& path) override
    {
        opened.push_back(path);
        if (!openInto)
            return false;
        openInto->OnOpenDocument(path);
        return true;
    }

    std::vector<Recent> recent;
    std::vector<std::string> cropReads;
    std::vector<std::string> cropWrites;
    std::vector<std::string> opened;
    bool cropWriteResult = true;
    CVelmoDoc* openInto = nullptr; // OpenDocumentFile opens here when set
};

// The feature tables and their flags of doc as a fresh document has them.
inline void ResetFeatureState(CVelmoDoc& doc)
{
    EditState& e = doc.Edit();
    for (FeatureKind kind : {FeatureKind::LensCorrection, FeatureKind::SelectiveColors, FeatureKind::FreeCurve})
        e.SetFeature(kind, false);
    e.SetLens(DefaultLensCorrection());
    e.SetSelectiveColors(SelectiveColorTable{});
    e.SetFreeCurvePoints(IdentityFreeCurvePoints());
}

// Settings and messages fresh for each test; each test's document has an
// edit state of its own.
class SideFileTest : public ::testing::Test {
protected:
    ScopedSettings settings;
    RecordingMessages messages;
    TempDir dir;
};

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out);
}

// The lines of a file without their line ends.
inline std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::istringstream in(ReadText(path));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// A free curve with distinct points in every channel.
inline FreeCurveStore SampleFreeCurve()
{
    FreeCurveStore store{};
    for (int c = 0; c < 4; ++c) {
        FreeCurveRecord& r = store.channel[c];
        r.count = 3;
        r.linear = c == 2 ? 1 : 0;
        r.points[0] = {0, uint16_t(1000 * c)};
        r.points[1] = {uint16_t(30000 + 100 * c), uint16_t(33000 - 500 * c)};
        r.points[2] = {65535, uint16_t(65535 - 2000 * c)};
    }
    return store;
}

inline LensCorrectionSettings SampleLens()
{
    return {-120, 15, -7, 30, -40, 8, -9, 250, 0, 100, 100};
}

inline SelectiveColorTable SampleColors()
{
    SelectiveColorTable t;
    for (int r = 0; r < SelectiveColorTable::kRanges; ++r)
        for (int c = 0; c < SelectiveColorTable::kColumns; ++c)
            t.rows[r][c] = (r * 4 + c) * 5 - 90;
    return t;
}

} // namespace velmo::test
