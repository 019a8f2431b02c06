// Shapes written as HP-GL for the tests of check and its repairs, with
// their places and sizes known by construction, and an independent way to
// look at a job: its cuts drawn into pixels of 0.05 mm.
#pragma once

#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cutting/cuts.h"

namespace kerfline::test {

using Points = std::vector<std::pair<double, double>>;

// "PUx,y;PDx,y,...;" through the points, rounded to whole units.
inline std::string cutText(const Points& points) {
    auto whole = [](double v) { return std::to_string(std::lround(v)); };
    std::string text = "PU" + whole(points[0].first) + "," + whole(points[0].second) + ";PD";
    for (std::size_t k = 1; k < points.size(); ++k) {
        if (k > 1) text += ',';
        text += whole(points[k].first) + "," + whole(points[k].second);
    }
    return text + ";";
}

// A closed rectangle, anticlockwise from its lower-left corner.
inline Points rectangle(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
}

// A closed regular polygon of `sides` round (cx, cy), anticlockwise from
// the angle `start` (radians).
inline Points regular(double cx, double cy, double radius, int sides, double start = 0.0) {
    Points points;
    for (int k = 0; k <= sides; ++k) {
        const double a = start + 2.0 * 3.14159265358979323846 * (k % sides) / sides;
        points.emplace_back(cx + radius * std::cos(a), cy + radius * std::sin(a));
    }
    return points;
}

// A closed star of `tips` points between radii `outer` and `inner`.
inline Points star(double cx, double cy, double outer, double inner, int tips) {
    Points points;
    for (int k = 0; k <= 2 * tips; ++k) {
        const double a = 3.14159265358979323846 * (k % (2 * tips)) / tips + 3.14159265358979323846 / 2.0;
        const double r = k % 2 == 0 ? outer : inner;
        points.emplace_back(cx + r * std::cos(a), cy + r * std::sin(a));
    }
    return points;
}

inline Points reversed(Points points) { return Points(points.rbegin(), points.rend()); }

// ---- pixels -------------------------------------------------------------------

// Pixels of 0.05 mm (2 plotter units), by column and row.
using Pixels = std::set<std::pair<long, long>>;
inline constexpr double kPixel = 2.0;

// Every pixel a cut passes through, its segments sampled every tenth of a pixel.
inline Pixels strokePixels(const CutJob& job) {
    Pixels pixels;
    for (const JobStep& step : job.steps) {
        if (step.kind != JobStep::Kind::Cut) continue;
        const std::vector<PlotPoint>& p = step.cut.points;
        for (std::size_t k = 0; k + 1 < p.size(); ++k) {
            const double dx = static_cast<double>(p[k + 1].x) - p[k].x, dy = static_cast<double>(p[k + 1].y) - p[k].y;
            const int steps = static_cast<int>(std::ceil(std::hypot(dx, dy) / (kPixel / 10.0))) + 1;
            for (int s = 0; s <= steps; ++s) {
                const double t = static_cast<double>(s) / steps;
                pixels.insert({static_cast<long>(std::floor((p[k].x + t * dx) / kPixel)),
                               static_cast<long>(std::floor((p[k].y + t * dy) / kPixel))});
            }
        }
    }
    return pixels;
}

// The pixels of `a` with no pixel of `b` among themselves and their eight
// neighbours.
inline std::size_t pixelsApart(const Pixels& a, const Pixels& b) {
    std::size_t apart = 0;
    for (const auto& [x, y] : a) {
        bool touching = false;
        for (long dx = -1; dx <= 1 && !touching; ++dx)
            for (long dy = -1; dy <= 1 && !touching; ++dy) touching = b.count({x + dx, y + dy}) > 0;
        apart += !touching;
    }
    return apart;
}

// Even-odd: whether (x, y) lies inside the closed ring.
inline bool insideRing(const std::vector<PlotPoint>& ring, double x, double y) {
    bool inside = false;
    for (std::size_t k = 0; k + 1 < ring.size(); ++k) {
        const double ax = ring[k].x, ay = ring[k].y, bx = ring[k + 1].x, by = ring[k + 1].y;
        if ((ay > y) != (by > y) && x < ax + (y - ay) * (bx - ax) / (by - ay)) inside = !inside;
    }
    return inside;
}

// The cuts' lengths added up, in plotter units.
inline double knifeTravel(const CutJob& job) {
    double travel = 0.0;
    for (const JobStep& step : job.steps)
        if (step.kind == JobStep::Kind::Cut)
            for (std::size_t k = 0; k + 1 < step.cut.points.size(); ++k)
                travel += std::hypot(static_cast<double>(step.cut.points[k + 1].x) - step.cut.points[k].x,
                                     static_cast<double>(step.cut.points[k + 1].y) - step.cut.points[k].y);
    return travel;
}

}  // namespace kerfline::test
