// Closed shapes for Boost.Geometry: polygons in plotter units as doubles,
// made from the rings of a cut job, and back. Only the files that take
// unions, offsets or overlaps include this.
#pragma once

#ifndef BOOST_ALLOW_DEPRECATED_HEADERS
#define BOOST_ALLOW_DEPRECATED_HEADERS
#endif
#include <boost/geometry.hpp>
#include <initializer_list>
#include <vector>

#include "geometry/plane.h"
#include "geometry/point.h"

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

// Whether shapes of these points are small enough for Boost.Geometry. Its
// overlays (1.74) work in 64-bit whole numbers, as they are for shapes more
// than 1e7 units across, and their products overflow for shapes about 2e9
// units across; plotter units reach 4.3e9. Shapes beyond 1e9 units (25 km)
// are left unjudged.
inline bool fitBoost(std::initializer_list<const std::vector<PlotPoint>*> shapes) {
    geom::Box box;
    for (const std::vector<PlotPoint>* points : shapes)
        for (const PlotPoint p : *points) box.take(geom::toVec(p));
    constexpr double kLargest = 1e9;
    return box.empty() || (box.maxX - box.minX <= kLargest && box.maxY - box.minY <= kLargest);
}

// A polygon of one ring, put the right way round.
inline Polygon polygonOf(const std::vector<PlotPoint>& points) {
    Polygon polygon;
    polygon.outer() = ringOf(points);
    bg::correct(polygon);
    return polygon;
}

}  // namespace kerfline::shapes
