// Closed shapes for Boost.Geometry: polygons in plotter units as doubles,
// made from the rings of a cut job, and back. Only the files that take
// unions, offsets or overlaps include this.
#pragma once

#ifndef BOOST_ALLOW_DEPRECATED_HEADERS
#define BOOST_ALLOW_DEPRECATED_HEADERS
#endif
#include <boost/geometry.hpp>
#include <vector>

#include "hpgl/point.h"

namespace kerfline::shapes {

namespace bg = boost::geometry;

using Point = bg::model::d2::point_xy<double>;
// Outer rings clockwise, holes anticlockwise, first point repeated last.
using Polygon = bg::model::polygon<Point>;
using MultiPolygon = bg::model::multi_polygon<Polygon>;
using Ring = Polygon::ring_type;

inline Ring ringOf(const std::vector<PlotPoint>& points) {
    Ring ring;
    ring.reserve(points.size());
    for (const PlotPoint p : points) {
        const Point q(p.x, p.y);
        // Repeated points add nothing to a shape.
        if (!ring.empty() && ring.back().x() == q.x() && ring.back().y() == q.y()) continue;
        ring.push_back(q);
    }
    return ring;
}

// A polygon of one ring, put the right way round.
inline Polygon polygonOf(const std::vector<PlotPoint>& points) {
    Polygon polygon;
    polygon.outer() = ringOf(points);
    bg::correct(polygon);
    return polygon;
}

}  // namespace kerfline::shapes
