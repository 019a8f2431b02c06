#include "cutting/check/cut_runs.h"

#include <algorithm>

namespace kerfline {

namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The pen of "SP n;": the whole part of its number, 0 without one.
bool penOf(const std::string& text, std::int64_t& pen) {
    if (text.size() < 2 || upper(text[0]) != 'S' || upper(text[1]) != 'P') return false;
    std::size_t i = 2;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 1000000000; ++i)
        value = value * 10 + (text[i] - '0');
    pen = negative ? -value : value;
    return true;
}

}  // namespace

std::vector<CutRun> cutRuns(const CutJob& job) {
    std::vector<CutRun> runs;
    std::size_t block = 0;
    std::int64_t pen = 0;
    for (std::size_t s = 0; s < job.steps.size(); ++s) {
        const JobStep& step = job.steps[s];
        if (step.kind == JobStep::Kind::Kept) {
            ++block;
            penOf(job.kept[step.kept].text, pen);
            continue;
        }
        if (step.kind != JobStep::Kind::Cut || step.cut.points.empty()) continue;
        const std::vector<PlotPoint>& points = step.cut.points;
        const bool carriesOn = step.cut.joined && !runs.empty() && runs.back().points.back() == points.front();
        if (!carriesOn) {
            CutRun& run = runs.emplace_back();
            run.block = block;
            run.pen = pen;
            run.points.push_back(points.front());
            run.arcs.push_back(0.0);
        }
        CutRun& run = runs.back();
        run.points.reserve(run.points.size() + points.size() - 1);
        run.arcs.reserve(run.points.size() + points.size() - 1);
        run.steps.push_back(s);
        run.firstPoint.push_back(run.points.size() - 1);
        for (std::size_t k = 1; k < points.size(); ++k) {
            run.arcs.push_back(run.arcs.back() + geom::gap(geom::toVec(run.points.back()), geom::toVec(points[k])));
            run.points.push_back(points[k]);
        }
    }
    return runs;
}

namespace {

std::vector<geom::UnitBox> segmentBoxes(const std::vector<CutRun>& runs, std::vector<RunSegment>& segments,
                                        std::vector<std::size_t>& first, std::vector<std::size_t>& last) {
    std::vector<geom::UnitBox> boxes;
    std::size_t most = 0;
    for (const CutRun& run : runs) most += run.points.size();
    segments.reserve(most);
    boxes.reserve(most);
    first.assign(runs.size(), 0);
    last.assign(runs.size(), 0);
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const std::vector<PlotPoint>& points = runs[r].points;
        first[r] = segments.size();
        for (std::size_t k = 0; k + 1 < points.size(); ++k) {
            if (points[k] == points[k + 1]) continue;
            segments.push_back({static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(k)});
            boxes.push_back(geom::unitBoxOf(points[k], points[k + 1]));
        }
        last[r] = segments.size() > first[r] ? segments.size() - 1 : 0;
    }
    for (std::size_t r = 0; r < runs.size(); ++r)
        if (first[r] == segments.size() || segments[first[r]].run != r) first[r] = last[r] = segments.size();
    return boxes;
}

}  // namespace

SegmentIndex::SegmentIndex(const std::vector<CutRun>& runs, double reach)
    : grid(segmentBoxes(runs, segments, first, last), reach) {}

geom::Vec pointAt(const CutRun& run, double arc) {
    if (run.points.size() < 2 || arc <= 0.0) return geom::toVec(run.points.front());
    if (arc >= run.length()) return geom::toVec(run.points.back());
    const std::size_t k =
        static_cast<std::size_t>(std::upper_bound(run.arcs.begin(), run.arcs.end(), arc) - run.arcs.begin()) - 1;
    const double span = run.arcs[k + 1] - run.arcs[k];
    const double t = span > 0.0 ? (arc - run.arcs[k]) / span : 0.0;
    return geom::along(geom::toVec(run.points[k]), geom::toVec(run.points[k + 1]), t);
}

}  // namespace kerfline
