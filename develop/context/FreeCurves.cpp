#include "develop/context/FreeCurves.h"

#include "develop/context/DevelopContext.h"

#include <algorithm>
#include <mutex>

namespace velmo {

std::shared_ptr<const FreeCurveLut> FreeCurveLut::Identity()
{
    static const std::shared_ptr<const FreeCurveLut> identity = [] {
        auto lut = std::make_shared<FreeCurveLut>();
        for (auto& table : lut->channel)
            for (int i = 0; i < kSize; ++i)
                table[i] = static_cast<uint16_t>(i);
        return lut;
    }();
    return identity;
}

bool FreeCurveLut::IsIdentity() const
{
    for (const auto& table : channel)
        for (int i = 0; i < kSize; ++i)
            if (table[i] != i)
                return false;
    return true;
}

namespace {

struct FreeCurveSlot {
    std::mutex mutex;
    std::shared_ptr<const FreeCurveLut> current = FreeCurveLut::Identity();
};

FreeCurveSlot& Slot()
{
    static FreeCurveSlot slot;
    return slot;
}

} // namespace

std::shared_ptr<const FreeCurveLut> CurrentFreeCurveLut()
{
    FreeCurveSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    return slot.current;
}

void PublishFreeCurveLut(std::shared_ptr<const FreeCurveLut> lut)
{
    if (!lut)
        lut = FreeCurveLut::Identity();
    FreeCurveSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    slot.current = std::move(lut);
}

void ResetFreeCurveLut()
{
    PublishFreeCurveLut(FreeCurveLut::Identity());
}

std::shared_ptr<const FreeCurveLut> MakeFreeCurveLut(const std::array<CSpline, 4>& splines)
{
    auto lut = std::make_shared<FreeCurveLut>();
    for (int i = 0; i < FreeCurveLut::kSize; ++i) {
        const double a = Clamp01(static_cast<float>(splines[0].Evaluate(i / 65535.0)));
        for (int j = 0; j < 3; ++j)
            lut->channel[j][i] = ToU16(static_cast<float>(splines[j + 1].Evaluate(a)));
    }
    return lut;
}

FreeCurvePoints& FreeCurvePointArrays()
{
    static FreeCurvePoints points;
    return points;
}

std::array<CSpline, 4>& FreeCurveSplines()
{
    static std::array<CSpline, 4> splines;
    return splines;
}

bool IsValidFreeCurveRecord(const FreeCurveRecord& record)
{
    if (record.count < 1 || record.count > 16)
        return false;
    for (int i = 1; i < record.count; ++i)
        if (record.points[i].x <= record.points[i - 1].x)
            return false;
    return true;
}

FreeCurveRecord IdentityFreeCurveRecord()
{
    FreeCurveRecord r{};
    r.count = 2;
    r.linear = 0;
    r.points[1] = {65535, 65535};
    return r;
}

int BuildFreeCurves(FreeCurveStore& store)
{
    int resets = 0;
    FreeCurvePoints& points = FreeCurvePointArrays();
    std::array<CSpline, 4>& splines = FreeCurveSplines();
    for (int c = 0; c < 4; ++c) {
        FreeCurveRecord& record = store.channel[c];
        if (!IsValidFreeCurveRecord(record)) {
            record = IdentityFreeCurveRecord();
            ++resets;
        }
        splines[c].linear = record.linear != 0 ? 1 : 0;
        points.x[c].resize(record.count);
        points.y[c].resize(record.count);
        for (int i = 0; i < record.count; ++i) {
            points.x[c][i] = static_cast<float>(record.points[i].x) / 65535.0f;
            points.y[c][i] = static_cast<float>(record.points[i].y) / 65535.0f;
        }
        splines[c].SetPoints(points.x[c], points.y[c]);
    }
    RebuildFreeCurveLut();
    return resets;
}

void RebuildFreeCurveLut()
{
    PublishFreeCurveLut(MakeFreeCurveLut(FreeCurveSplines()));
}

void StoreFreeCurvePoints(FreeCurveStore& store)
{
    const FreeCurvePoints& points = FreeCurvePointArrays();
    const std::array<CSpline, 4>& splines = FreeCurveSplines();
    for (int c = 0; c < 4; ++c) {
        FreeCurveRecord& record = store.channel[c];
        record = FreeCurveRecord{};
        const size_t n = std::min<size_t>({points.x[c].size(), points.y[c].size(), 16});
        record.count = static_cast<uint16_t>(n);
        record.linear = static_cast<uint16_t>(splines[c].linear != 0 ? 1 : 0);
        for (size_t i = 0; i < n; ++i)
            record.points[i] = {ToU16(static_cast<float>(points.x[c][i])), ToU16(static_cast<float>(points.y[c][i]))};
    }
}

} // namespace velmo
