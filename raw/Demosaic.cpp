#include "raw/Demosaic.h"

#include "platform/core/ParallelRows.h"
#include "platform/core/PixelMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

namespace velmo {

namespace {

// Channel c of pixel (r, col) with the loader's flat layout: a column past
// the row's end is the next row's start, the rows past height are the spare
// zero rows, and anything past the buffer reads 0.
class Frame {
public:
    explicit Frame(FramePlane p)
        : d(p.data), w(p.width), h(p.height), samples(size_t(p.width) * (p.height + 2) * 3 + 3)
    {
    }
    int W() const { return w; }
    int H() const { return h; }
    uint16_t Get(int r, int col, int ch) const
    {
        const long long i = (static_cast<long long>(r) * w + col) * 3 + ch;
        return i >= 0 && static_cast<size_t>(i) < samples ? d[i] : 0;
    }
    void Set(int r, int col, int ch, int v)
    {
        const long long i = (static_cast<long long>(r) * w + col) * 3 + ch;
        if (i >= 0 && static_cast<size_t>(i) < samples)
            d[i] = static_cast<uint16_t>(v);
    }

private:
    uint16_t* d;
    int w, h;
    size_t samples;
};

// The guide array: (H + 1) x W, its last row zero; indexing past a row's end
// runs into the next row as in the frame.
class Guide {
public:
    Guide(int width, int height) : w(width), t(size_t(width) * (height + 1), 0) {}
    uint16_t Get(int r, int c) const
    {
        const long long i = static_cast<long long>(r) * w + c;
        return i >= 0 && static_cast<size_t>(i) < t.size() ? t[i] : 0;
    }
    void Set(int r, int c, int v) { t[size_t(r) * w + c] = static_cast<uint16_t>(v); }

private:
    int w;
    std::vector<uint16_t> t;
};

constexpr int R = 0, G = 1, B = 2;
constexpr int kProgressRows = 64;

// Runs body(row) for rows [first, last] on all cores. Each pass below writes
// only samples that no other row of the same pass reads, so the result does
// not depend on the order. Progress is reported every 64 rows.
bool ForRows(int first, int last, const char* label, IProgress& progress, const std::function<void(int)>& body)
{
    const int rows = last - first + 1;
    if (rows <= 0)
        return true;
    for (int start = 0; start < rows; start += kProgressRows) {
        if (progress.Report(start * 100 / rows, label))
            return false;
        const int end = std::min(rows, start + kProgressRows);
        ParallelRows(end - start, 4, [&](int b, int e) {
            for (int i = b; i < e; ++i)
                body(first + start + i);
        });
    }
    return true;
}

} // namespace

uint16_t DirectionalMean4(int a1, int a2, int b1, int b2, int ga1, int ga2, int gb1, int gb2, int gc)
{
    auto score = [gc](int g1, int g2) {
        const int g1u = g1 & 0xFFFF, g2u = g2 & 0xFFFF, gcu = gc & 0xFFFF;
        return std::abs(((g1u + g2u) >> 1) - gcu) + 0.75 * std::abs(g1u - g2u);
    };
    const double sa = score(ga1, ga2);
    const double sb = score(gb1, gb2);
    const int meanA = (a1 + a2) >> 1;
    const int meanB = (b1 + b2) >> 1;
    if (sa < sb)
        return static_cast<uint16_t>(meanA);
    if (sb < sa)
        return static_cast<uint16_t>(meanB);
    return static_cast<uint16_t>((meanA + meanB) >> 1);
}

void ChooseDirections3(int* v)
{
    int votes[3];
    int plus = 0, minus = 0;
    for (int k = 0; k < 3; ++k) {
        const int dA = std::abs(v[4 * k] - v[4 * k + 1]);
        const int dB = std::abs(v[4 * k + 2] - v[4 * k + 3]);
        votes[k] = dA == dB ? 0 : dA < dB ? -1 : 1;
        plus += votes[k] == 1;
        minus += votes[k] == -1;
    }
    for (int k = 0; k < 3; ++k) {
        const int meanA = (v[4 * k] + v[4 * k + 1]) / 2;
        const int meanB = (v[4 * k + 2] + v[4 * k + 3]) / 2;
        int vote = votes[k];
        if (vote == 0)
            vote = plus > minus ? 1 : minus > plus ? -1 : 0;
        v[12 + k] = vote < 0 ? meanA : vote > 0 ? meanB : (meanA + meanB) / 2;
    }
}

bool InterpolateBayer(FramePlane plane, int e, IProgress& progress)
{
    Frame f(plane);
    const int W = f.W(), H = f.H();
    if (W < 2 || H < 2)
        return true;
    auto isRB = [](int r, int c) { return ((r + c) & 1) != 0; };
    // The colour an R/B site lacks: B at R sites, R at B sites.
    auto missing = [e](int r) { return (r & 1) == e ? B : R; };

    Guide t(W, H);
    auto gsum = [&](int r, int c) { return f.Get(r, c, G) + f.Get(r, c + 1, G) + f.Get(r + 1, c, G) + f.Get(r + 1, c + 1, G); };
    if (!ForRows(0, H - 2, "Interpolate1", progress, [&](int r) {
            for (int c = 0; c <= W - 2; ++c)
                t.Set(r, c, gsum(r, c) >> 1);
        }))
        return false;
    for (int c = 0; c < W; ++c)
        t.Set(H - 1, c, gsum(H - 2, c) >> 1);
    for (int r = 0; r < H; ++r)
        t.Set(r, W - 1, gsum(r, W - 2) >> 1);

    if (!ForRows(1, H - 1, "Interpolate2", progress, [&](int r) {
            const int x = missing(r);
            for (int c = 1; c <= W - 1; ++c)
                if (isRB(r, c))
                    f.Set(r, c, x,
                          DirectionalMean4(f.Get(r - 1, c - 1, x), f.Get(r + 1, c + 1, x), f.Get(r - 1, c + 1, x),
                                           f.Get(r + 1, c - 1, x), t.Get(r - 1, c - 1), t.Get(r + 1, c + 1),
                                           t.Get(r - 1, c + 1), t.Get(r + 1, c - 1), t.Get(r, c)));
        }))
        return false;
    for (int c = 1; c <= W - 2; ++c) {
        if (isRB(0, c))
            f.Set(0, c, missing(0), (f.Get(1, c - 1, missing(0)) + f.Get(1, c + 1, missing(0))) >> 1);
        if (isRB(H - 1, c))
            f.Set(H - 1, c, missing(H - 1), (f.Get(H - 2, c - 1, missing(H - 1)) + f.Get(H - 2, c + 1, missing(H - 1))) >> 1);
    }
    for (int r = 1; r <= H - 2; ++r) {
        const int x = missing(r);
        if (isRB(r, W - 1))
            f.Set(r, W - 1, x, (f.Get(r - 1, W - 2, x) + f.Get(r + 1, W - 2, x)) >> 1);
        if (isRB(r, 0))
            f.Set(r, 0, x, (f.Get(r - 1, 1, x) + f.Get(r + 1, 1, x)) >> 1);
    }
    if (isRB(0, W - 1))
        f.Set(0, W - 1, missing(0), f.Get(1, W - 2, missing(0)));
    if (isRB(H - 1, W - 1))
        f.Set(H - 1, W - 1, missing(H - 1), f.Get(H - 2, W - 2, missing(H - 1)));
    if (isRB(H - 1, 0))
        f.Set(H - 1, 0, missing(H - 1), f.Get(H - 2, 1, missing(H - 1)));

    if (!ForRows(1, H - 1, "Interpolate3", progress, [&](int r) {
            for (int c = 1; c <= W - 1; ++c) {
                if (isRB(r, c))
                    continue;
                for (int x : {R, B})
                    f.Set(r, c, x,
                          DirectionalMean2((f.Get(r, c - 1, x) + f.Get(r, c + 1, x)) >> 1,
                                           (f.Get(r - 1, c, x) + f.Get(r + 1, c, x)) >> 1,
                                           (t.Get(r, c - 1) + t.Get(r, c + 1)) >> 1,
                                           (t.Get(r - 1, c) + t.Get(r + 1, c)) >> 1, t.Get(r, c)));
            }
        }))
        return false;
    for (int x : {R, B}) {
        auto set3 = [&](int r, int c, int a, int b, int d) {
            if (!isRB(r, c))
                f.Set(r, c, x, (a + b + d) / 3);
        };
        set3(0, 0, f.Get(1, 1, x), f.Get(1, 0, x), f.Get(0, 1, x));
        for (int r = 1; r <= H - 2; ++r)
            set3(r, 0, f.Get(r - 1, 0, x), f.Get(r + 1, 0, x), f.Get(r, 1, x));
        set3(H - 1, 0, f.Get(H - 2, 1, x), f.Get(H - 1, 1, x), f.Get(H - 2, 0, x));
        for (int c = 1; c <= W - 2; ++c)
            set3(0, c, f.Get(0, c + 1, x), f.Get(1, c, x), f.Get(1, c, x));
        set3(0, W - 1, f.Get(1, W - 2, x), f.Get(0, W - 2, x), f.Get(1, W - 1, x));
        for (int r = 1; r <= H - 2; ++r)
            set3(r, W - 1, f.Get(r - 1, W - 1, x), f.Get(r + 1, W - 1, x), f.Get(r, W - 2, x));
        set3(H - 1, W - 1, f.Get(H - 2, W - 2, x), f.Get(H - 1, W - 2, x), f.Get(H - 2, W - 1, x));
    }

    auto k = [&](int r, int c) { return (2 * f.Get(r, c, R) + f.Get(r, c, B)) / 3; };
    if (!ForRows(1, H - 1, "Interpolate4", progress, [&](int r) {
            for (int c = 1; c <= W - 1; ++c)
                if (isRB(r, c))
                    f.Set(r, c, G,
                          DirectionalMean4(f.Get(r, c - 1, G), f.Get(r, c + 1, G), f.Get(r - 1, c, G),
                                           f.Get(r + 1, c, G), k(r, c - 1), k(r, c + 1), k(r - 1, c), k(r + 1, c),
                                           k(r, c)));
        }))
        return false;
    auto setG = [&](int r, int c, int a, int b, int d) {
        if (isRB(r, c))
            f.Set(r, c, G, (a + b + d) / 3);
    };
    for (int c = 1; c <= W - 2; ++c)
        setG(0, c, f.Get(1, c, G), f.Get(0, c + 1, G), f.Get(0, c - 1, G));
    setG(0, W - 1, f.Get(1, W - 2, G), f.Get(1, W - 1, G), f.Get(0, W - 2, G));
    for (int r = 1; r <= H - 2; ++r)
        setG(r, W - 1, f.Get(r - 1, W - 1, G), f.Get(r + 1, W - 1, G), f.Get(r, W - 2, G));
    setG(H - 1, W - 1, f.Get(H - 2, W - 2, G), f.Get(H - 2, W - 1, G), f.Get(H - 1, W - 2, G));
    for (int r = 1; r <= H - 2; ++r)
        setG(r, 0, f.Get(r - 1, 0, G), f.Get(r + 1, 0, G), f.Get(r, 1, G));
    setG(H - 1, 0, f.Get(H - 2, 1, G), f.Get(H - 2, 0, G), f.Get(H - 1, 1, G));
    for (int c = 1; c <= W - 2; ++c)
        setG(H - 1, c, f.Get(H - 2, c, G), f.Get(H - 1, c + 1, G), f.Get(H - 1, c - 1, G));
    return true;
}

bool InterpolateSuperCcd(FramePlane plane, bool secondFrame, IProgress& progress)
{
    Frame f(plane);
    const int W = f.W(), H = f.H();
    // Each row clears its own samples: on all cores.
    ParallelRows(H, 16, [&](int begin, int end) {
        for (int r = begin; r < end; ++r)
            for (int c = 0; c < W; ++c)
                f.Set(r, c, ((r + c) & 1) == 0 ? B : R, 0);
    });
    if (W < 3 || H < 3)
        return true;

    const char* label = secondFrame ? "Interpolate SR" : "Interpolate";
    if (!ForRows(1, H - 2, label, progress, [&](int r) {
            for (int c = 1; c <= W - 2; ++c) {
                const int x = ((r + c) & 1) == 0 ? B : R;
                int v;
                if (secondFrame)
                    v = DirectionalMean2((f.Get(r, c + 1, x) + f.Get(r, c - 1, x)) >> 1,
                                         (f.Get(r - 1, c, x) + f.Get(r + 1, c, x)) >> 1,
                                         (f.Get(r, c + 1, G) + f.Get(r, c - 1, G)) >> 1,
                                         (f.Get(r - 1, c, G) + f.Get(r + 1, c, G)) >> 1, f.Get(r, c, G));
                else
                    v = DirectionalMean4(f.Get(r, c - 1, x), f.Get(r, c + 1, x), f.Get(r - 1, c, x),
                                         f.Get(r + 1, c, x), f.Get(r, c - 1, G), f.Get(r, c + 1, G),
                                         f.Get(r - 1, c, G), f.Get(r + 1, c, G), f.Get(r, c, G));
                f.Set(r, c, x, v);
            }
        }))
        return false;

    for (int c = 0; c < W - 1; c += 2) {
        f.Set(0, c + 1, R, (f.Get(1, c + 1, R) + f.Get(0, c + 2, R) + f.Get(0, c, R)) / 3);
        f.Set(H - 1, c + 1, B, (f.Get(H - 2, c + 1, B) + f.Get(H - 1, c + 2, B) + f.Get(H - 1, c, B)) / 3);
    }
    for (int c = 1; c < W - 1; c += 2) {
        f.Set(0, c + 1, B, (f.Get(1, c + 1, B) + f.Get(0, c + 2, B) + f.Get(0, c, B)) / 3);
        f.Set(H - 1, c + 1, R, (f.Get(H - 2, c + 1, R) + f.Get(H - 1, c + 2, R) + f.Get(H - 1, c, R)) / 3);
    }
    for (int r = 0; r < H - 2; r += 2) {
        f.Set(r + 1, 0, R, (f.Get(r, 0, R) + f.Get(r + 1, 1, R) + f.Get(r + 2, 0, R)) / 3);
        f.Set(r + 1, W - 1, B, (f.Get(r + 2, W - 1, B) + f.Get(r, W - 1, B) + f.Get(r + 1, W - 2, B)) / 3);
    }
    for (int r = 1; r < H - 2; r += 2) {
        f.Set(r + 1, 0, B, (f.Get(r, 0, B) + f.Get(r + 2, 0, B) + f.Get(r + 1, 1, B)) / 3);
        f.Set(r + 1, W - 1, R, (f.Get(r + 2, W - 1, R) + f.Get(r, W - 1, R) + f.Get(r + 1, W - 2, R)) / 3);
    }
    f.Set(0, W - 1, R, (f.Get(1, W - 1, R) + f.Get(0, W - 2, R)) / 2);
    f.Set(0, 0, B, (f.Get(1, 0, B) + f.Get(0, 1, B)) / 2);
    f.Set(H - 1, 0, R, (f.Get(H - 2, 0, R) + f.Get(H - 1, 1, R)) / 2);
    f.Set(H - 1, W - 1, B, (f.Get(H - 2, W - 1, B) + f.Get(H - 1, W - 2, B)) / 2);
    return true;
}

void SubtractBlackLevel(FramePlane plane, int black)
{
    if (black <= 0)
        return;
    const size_t n = size_t(plane.width) * plane.height * 3;
    for (size_t i = 0; i < n; ++i)
        plane.data[i] = static_cast<uint16_t>(plane.data[i] - std::min<int>(plane.data[i], black));
}

} // namespace velmo
