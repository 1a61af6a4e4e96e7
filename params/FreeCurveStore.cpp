#include "params/FreeCurveStore.h"

#include "platform/core/PixelMath.h"

#include <algorithm>
#include <cstring>

namespace velmo {

bool operator==(const FreeCurveStore& a, const FreeCurveStore& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
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

int NormalizeFreeCurveStore(FreeCurveStore& store)
{
    int resets = 0;
    for (FreeCurveRecord& record : store.channel) {
        if (!IsValidFreeCurveRecord(record)) {
            record = IdentityFreeCurveRecord();
            ++resets;
        }
    }
    return resets;
}

FreeCurvePoints FreeCurvePointsOf(const FreeCurveStore& store)
{
    FreeCurvePoints points;
    for (int c = 0; c < 4; ++c) {
        const FreeCurveRecord record =
            IsValidFreeCurveRecord(store.channel[c]) ? store.channel[c] : IdentityFreeCurveRecord();
        points.linear[c] = record.linear != 0 ? 1 : 0;
        points.x[c].resize(record.count);
        points.y[c].resize(record.count);
        // In single precision, as the curves were always read.
        for (int i = 0; i < record.count; ++i) {
            points.x[c][i] = static_cast<float>(record.points[i].x) / 65535.0f;
            points.y[c][i] = static_cast<float>(record.points[i].y) / 65535.0f;
        }
    }
    return points;
}

FreeCurveStore FreeCurveStoreOf(const FreeCurvePoints& points)
{
    FreeCurveStore store{};
    for (int c = 0; c < 4; ++c) {
        FreeCurveRecord& record = store.channel[c];
        const size_t n = std::min<size_t>({points.x[c].size(), points.y[c].size(), 16});
        record.count = static_cast<uint16_t>(n);
        record.linear = static_cast<uint16_t>(points.linear[c] != 0 ? 1 : 0);
        for (size_t i = 0; i < n; ++i)
            record.points[i] = {ToU16(static_cast<float>(points.x[c][i])), ToU16(static_cast<float>(points.y[c][i]))};
    }
    return store;
}

FreeCurvePoints IdentityFreeCurvePoints()
{
    FreeCurveStore identity{};
    for (FreeCurveRecord& r : identity.channel)
        r = IdentityFreeCurveRecord();
    return FreeCurvePointsOf(identity);
}

} // namespace velmo
