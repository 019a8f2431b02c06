// --simplify: fewer points, none dropped further than the error from the
// line that remains.
#include <utility>

#include "geometry/plane.h"
#include "cutting/check/repairs.h"

namespace kerfline {

namespace {

double offLine(PlotPoint p, PlotPoint a, PlotPoint b) {
    return geom::pointSegmentDistance(geom::toVec(p), geom::toVec(a), geom::toVec(b));
}

std::vector<PlotPoint> simplified(const std::vector<PlotPoint>& points, double error) {
    std::vector<PlotPoint> p;
    p.reserve(points.size());
    for (const PlotPoint q : points)
        if (p.empty() || q != p.back()) p.push_back(q);
    const std::size_t n = p.size();
    if (n <= 2) return p;
    std::vector<bool> keep(n, false);
    keep[0] = keep[n - 1] = true;
    // Corners: a point that no line within the error could skip.
    for (std::size_t k = 1; k + 1 < n; ++k) keep[k] = offLine(p[k], p[k - 1], p[k + 1]) > error;
    // Douglas-Peucker between the points kept so far, without recursion.
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (std::size_t i = 0, j = 1; j < n; ++j)
        if (keep[j]) {
            if (j > i + 1) spans.emplace_back(i, j);
            i = j;
        }
    while (!spans.empty()) {
        const auto [i, j] = spans.back();
        spans.pop_back();
        std::size_t farthest = i;
        double most = error;
        for (std::size_t k = i + 1; k < j; ++k) {
            const double d = offLine(p[k], p[i], p[j]);
            if (d > most) {
                most = d;
                farthest = k;
            }
        }
        if (farthest == i) continue;
        keep[farthest] = true;
        if (farthest > i + 1) spans.emplace_back(i, farthest);
        if (j > farthest + 1) spans.emplace_back(farthest, j);
    }
    std::vector<PlotPoint> out;
    for (std::size_t k = 0; k < n; ++k)
        if (keep[k]) out.push_back(p[k]);
    return out;
}

}  // namespace

bool simplifyJob(CutJob& job, double error) {
    bool any = false;
    for (JobStep& step : job.steps) {
        if (step.kind != JobStep::Kind::Cut) continue;
        std::vector<PlotPoint> fewer = simplified(step.cut.points, error);
        if (fewer.size() == step.cut.points.size()) continue;
        step.cut.points = std::move(fewer);
        any = true;
    }
    return any;
}

}  // namespace kerfline
