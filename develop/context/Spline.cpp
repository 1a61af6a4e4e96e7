#include "develop/context/Spline.h"

#include <algorithm>

namespace velmo {

void CSpline::SetPoints(const std::vector<double>& newXs, const std::vector<double>& newYs)
{
    count = static_cast<int>(newXs.size());
    xs = newXs;
    ys.assign(newXs.size(), 0.0);
    std::copy_n(newYs.begin(), std::min(newXs.size(), newYs.size()), ys.begin());
    terms.assign(newXs.size(), 0.0);
    Solve();
}

void CSpline::Solve()
{
    const int n = count;
    if (n < 3)
        return;
    std::fill(terms.begin(), terms.end(), 0.0);
    std::vector<double> h(n - 1), q(n - 1);
    for (int i = 0; i < n - 1; ++i) {
        h[i] = xs[i + 1] - xs[i];
        // Points must be strictly ascending; anything else has no spline and
        // is evaluated by straight segments between the terms of 0.
        if (!(h[i] > 0.0))
            return;
        q[i] = (ys[i + 1] - ys[i]) / h[i];
    }
    // Tridiagonal system for s_1 .. s_(n-2), natural ends s_0 = s_(n-1) = 0.
    std::vector<double> diag(n - 1), rhs(n - 1);
    diag[1] = 2.0 * (xs[2] - xs[0]);
    rhs[1] = q[1] - q[0];
    for (int i = 1; i <= n - 3; ++i) {
        const double ratio = h[i] / diag[i];
        rhs[i + 1] = q[i + 1] - q[i] - ratio * rhs[i];
        diag[i + 1] = 2.0 * (xs[i + 2] - xs[i]) - ratio * h[i];
    }
    terms[n - 2] = rhs[n - 2] / diag[n - 2];
    for (int j = n - 3; j >= 1; --j)
        terms[j] = (rhs[j] - h[j] * terms[j + 1]) / diag[j];
}

double CSpline::Evaluate(double x) const
{
    const int n = count;
    if (n <= 0)
        return 0.0;
    if (x <= xs[0])
        return ys[0];
    if (x >= xs[n - 1])
        return ys[n - 1];
    if (n == 2 || linear) {
        int i = 1;
        while (i < n - 1 && !(x < xs[i]))
            ++i;
        --i;
        const double h = xs[i + 1] - xs[i];
        if (!(h > 0.0))
            return ys[i];
        return (ys[i + 1] - ys[i]) * (x - xs[i]) / h + ys[i];
    }
    int lo = 0, hi = n - 1;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (x > xs[mid])
            lo = mid + 1;
        else
            hi = mid;
    }
    const int i = lo > 0 ? lo - 1 : 0;
    const double t = x - xs[i];
    const double h = xs[i + 1] - xs[i];
    if (!(h > 0.0))
        return ys[i];
    const double a = terms[i];
    const double b = terms[i + 1];
    const double q = (ys[i + 1] - ys[i]) / h;
    return ys[i] + t * (q - (2.0 * a + b) * h) + 3.0 * a * t * t + (b - a) / h * t * t * t;
}

} // namespace velmo
