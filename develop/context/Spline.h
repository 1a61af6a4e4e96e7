// Natural cubic spline (or straight segments) through the points of one
// free-curve channel.
#pragma once

#include <vector>

namespace velmo {

class CSpline {
public:
    virtual ~CSpline() = default;

    // Takes the points of one channel (xs ascending) and solves the spline.
    // The point count is the number of x values; a shorter ys is padded with 0.
    void SetPoints(const std::vector<double>& xs, const std::vector<double>& ys);
    // Computes the second-derivative terms; nothing to do below 3 points.
    void Solve();
    // The curve at x; the first or last y outside the points; 0 without points.
    double Evaluate(double x) const;

    int Count() const { return count; }
    const std::vector<double>& Xs() const { return xs; }
    const std::vector<double>& Ys() const { return ys; }

    int linear = 0; // 1 straight segments, 0 spline

private:
    std::vector<double> xs;
    std::vector<double> ys;
    std::vector<double> terms; // second derivative / 6 at each point
    int count = 0;
};

} // namespace velmo
