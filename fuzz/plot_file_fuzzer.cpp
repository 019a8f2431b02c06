// Any bytes, read as a plot file: the statistics, the figures, the picture,
// the panels, the image operations, the cutting tools and the production
// operations run on the drawing, check and one of its repairs, it is drawn onto a counting device, and
// writing it, reading that back and writing again must give the same bytes.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

#include "drawing/drawing.h"
#include "cutting/figures.h"
#include "cutting/check/job_faults.h"
#include "cutting/check/repairs.h"
#include "export/svg.h"
#include "cutting/tile.h"
#include "cutting/cut_edits.h"
#include "cutting/cut_order.h"
#include "cutting/cuts.h"
#include "cutting/workpiece.h"
#include "drawing/operations.h"
#include "cutting/production/production.h"
#include "hpgl/reader.h"

namespace {

using namespace kerfline;

class CountingDevice final : public gdi::Device {
public:
    long calls = 0;
    int setMapMode(int) override { return ++calls, 1; }
    BOOL setWindowExt(int x, int y, LPSIZE) override { return check(x != 0 && y != 0); }
    BOOL setViewportExt(int x, int y, LPSIZE) override { return check(x != 0 && y != 0); }
    BOOL setViewportOrg(int, int, LPPOINT) override { return check(true); }
    BOOL setWindowOrg(int, int, LPPOINT) override { return check(true); }
    int deviceCaps(int index) override {
        return ++calls, index == HORZSIZE ? 210 : index == VERTSIZE ? 297 : 2400;
    }
    BOOL polyPolyline(const POINT*, const DWORD* counts, DWORD polylines) override {
        // The platform refuses a call with a polyline of fewer than two points.
        for (DWORD i = 0; i < polylines; ++i)
            if (counts[i] < 2) std::abort();
        return check(polylines > 0);
    }

private:
    BOOL check(bool ok) {
        ++calls;
        if (!ok) std::abort();  // a zero extent or an empty call must never reach the device
        return 1;
    }
};

class Window final : public gdi::Window {
public:
    BOOL clientRect(LPRECT rect) override {
        *rect = RECT{0, 0, 640, 480};
        return 1;
    }
    int systemMetric(int) override { return 4; }
};

std::string written(const PlotDrawing& drawing) {
    MemoryOutput out;
    writeDrawing(out, drawing);
    return out.str();
}

// The true length of the job's cuts. The statistics' measure wraps a
// difference of more than 2^31 units, as the program's does, so a repair
// that shortens such a segment could seem to lengthen it.
double trueCutLength(const CutJob& job) {
    double length = 0;
    for (const JobStep& step : job.steps)
        if (step.kind == JobStep::Kind::Cut)
            for (std::size_t k = 1; k < step.cut.points.size(); ++k) {
                const PlotPoint a = step.cut.points[k - 1], b = step.cut.points[k];
                length += std::hypot(static_cast<double>(std::int64_t{b.x} - a.x),
                                     static_cast<double>(std::int64_t{b.y} - a.y));
            }
    return length;
}

std::int32_t takeInt(std::string_view& bytes) {
    std::uint32_t value = 0;
    const std::size_t n = bytes.size() < 4 ? bytes.size() : 4;
    std::memcpy(&value, bytes.data(), n);
    bytes.remove_prefix(n);
    return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sortMnemonicTable();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The point parser and the stream grammar agree on any parameter text.
    {
        PointList parsed;
        parsePointList(bytes, parsed);
        MemoryInput text(bytes);
        std::uint32_t count = 0;
        PlotPoint point;
        while (!readPoint(text, point).failed()) {
            if (count >= parsed.size() || !(parsed[count] == point)) std::abort();
            ++count;
            skipSeparator(text);
        }
        if (count != parsed.size()) std::abort();
    }

    PlotDrawing drawing;
    MemoryInput in(bytes);
    readDrawing(in, drawing);

    // The statistics found while reading are the finished list's, and the
    // instruction reader, one instruction at a time, reads the same commands.
    {
        const auto found = std::make_tuple(drawing.minX, drawing.minY, drawing.maxX, drawing.maxY,
                                           drawing.shift, drawing.totalTravel);
        drawing.computeBounds();
        drawing.computeTravel();
        if (found != std::make_tuple(drawing.minX, drawing.minY, drawing.maxX, drawing.maxY,
                                     drawing.shift, drawing.totalTravel))
            std::abort();
        MemoryInput single(bytes);
        MemoryOutput each;
        for (;;) {
            PlotCommand command;
            readPlotCommand(single, command);
            if (command.isEmpty()) break;
            writeCommand(each, command);
        }
        if (single.failed() != in.failed() || each.str() != written(drawing)) std::abort();
    }

    // Write after read is a fixed point.
    const std::string first = written(drawing);
    PlotDrawing again;
    MemoryInput back(first);
    readDrawing(back, again);
    if (back.failed() || written(again) != first) std::abort();

    char text[128];
    drawing.areaText(text, sizeof text);
    drawing.lowerLeftText(text, sizeof text);
    drawing.travelText(text, sizeof text);

    Window window;
    gdi::metricsSource() = &window;
    CountingDevice device;
    drawing.render(&window, &device);
    drawing.render(nullptr, &device);

    // The figures, the picture and the panels of the drawing as read.
    std::string_view knobs = bytes.substr(0, 16);  // a, b, c, then d for the cutting tools
    {
        const CutJob job = walkCuts(drawing);
        TimeModel model;
        const JobFigures figures = jobFigures(drawing, model);
        // The cut length is the knife travel that the statistics sum.
        const double tolerance = 1e-9 * (1.0 + drawing.totalTravel);
        if (!(figures.seconds >= 0) || figures.closedCuts > figures.cuts ||
            !(std::fabs(figures.cutUnits - drawing.totalTravel) <= tolerance))
            std::abort();
        double moved = 0;
        for (const PenUpMove& move : penUpMoves(job)) moved += distance(move.from, move.to);
        if (!(std::fabs(moved - penUpTravel(job)) <= 1e-9 * (1.0 + moved))) std::abort();
        MemoryOutput svg;
        writeSvg(svg, pictureOf(drawing));
        if (svg.failed()) std::abort();

        std::string_view sizes = bytes.substr(std::min<std::size_t>(16, bytes.size()), 4);
        const std::uint32_t e = static_cast<std::uint32_t>(takeInt(sizes));
        const std::int32_t width = static_cast<std::int32_t>(e % 40000 + 1);
        const std::int32_t height = static_cast<std::int32_t>((e >> 8) % 40000 + 1);
        const std::int32_t overlap = static_cast<std::int32_t>((e >> 16) % 64) % std::min(width, height);
        const PanelGrid grid = panelGrid(drawing, width, height, overlap);
        const Tiler tiler(drawing);
        // The first and the last panel: every point inside the cutter, and
        // the panel written reads back the same.
        for (const auto& [row, column] : {std::pair<std::int64_t, std::int64_t>{0, 0},
                                         {grid.rows - 1, grid.columns - 1}}) {
            PlotDrawing panel;
            tiler.panel(grid, row, column, panel);
            if (panel.hasExtent() &&
                (panel.minX < 0 || panel.minY < 0 || panel.maxX > width || panel.maxY > height))
                std::abort();
            const std::string panelText = written(panel);
            PlotDrawing panelAgain;
            MemoryInput panelIn(panelText);
            readDrawing(panelIn, panelAgain);
            if (panelIn.failed() || written(panelAgain) != panelText) std::abort();
        }
    }

    // The image operations, with values taken from the input's first bytes.
    const std::int32_t a = takeInt(knobs), b = takeInt(knobs), c = takeInt(knobs);
    switch (static_cast<unsigned>(a) % 4) {
        case 0:
            frameDrawing(drawing, b);
            break;
        case 1:
            scaleDrawing(drawing, b);
            break;
        case 2:
            rotateDrawing(drawing);
            break;
        default:
            moveDrawing(drawing, b, c);
            break;
    }
    // The cut model builds back the job it walked.
    {
        const CutJob job = walkCuts(drawing);
        PlotDrawing built;
        buildDrawing(job, built);
        if (jobText(walkCuts(built)) != jobText(job)) std::abort();
    }
    // The cutting tools, with values from the next bytes, within the
    // ranges the command line accepts.
    const std::int32_t d = takeInt(knobs);
    const unsigned pick = static_cast<unsigned>(d) % 4;
    const double mm = 0.025 + static_cast<double>(static_cast<unsigned>(d) >> 8 & 0xFFFF) / 655.36;
    switch (pick) {
        case 0:
            orderDrawing(drawing);
            break;
        case 1:
            copyDrawing(drawing, static_cast<std::int32_t>((static_cast<unsigned>(d) >> 2) % 3 + 1),
                        static_cast<std::int32_t>((static_cast<unsigned>(d) >> 4) % 3 + 1), mm);
            break;
        case 2:
            overcutDrawing(drawing, mm);
            break;
        default:
            bladeOffsetDrawing(drawing, mm / 10.0, (static_cast<unsigned>(d) >> 2 & 1) == 0);
            break;
    }
    // The production operations, with values from four more bytes, within
    // the ranges the command line accepts.
    {
        std::string_view more = bytes.substr(std::min<std::size_t>(20, bytes.size()), 4);
        const std::uint32_t f = static_cast<std::uint32_t>(takeInt(more));
        const double length = 0.1 + static_cast<double>(f >> 8 & 0xFFF) / 4.096;  // 0.1 to 1000 mm
        switch (f % 5) {
            case 0: {
                // The bounds of the job as it is written back (a cut after
                // PA without points starts at home, which the statistics of
                // the text as read leave out) stay where they were.
                PlotDrawing rebuilt;
                buildDrawing(walkCuts(drawing), rebuilt);
                mirrorDrawing(drawing);
                if (std::make_tuple(drawing.minX, drawing.minY, drawing.maxX, drawing.maxY) !=
                    std::make_tuple(rebuilt.minX, rebuilt.minY, rebuilt.maxX, rebuilt.maxY))
                    std::abort();
                break;
            }
            case 1: {
                // Lines no closer than a thousandth of the drawing's extent.
                const double extent =
                    drawing.hasExtent()
                        ? std::max(double(drawing.maxX) - drawing.minX, double(drawing.maxY) - drawing.minY) / kUnitsPerMm
                        : 0;
                const double spacing = f & 0x100000 ? std::min(10000.0, std::max(length, extent / 1000)) : 0.0;
                weedDrawing(drawing, f & 0x200000 || spacing == 0 ? length : 0.0, spacing);
                break;
            }
            case 2: {
                const std::int32_t passes = static_cast<std::int32_t>(f >> 8 & 7) + 1;
                const double before = cutTravel(walkCuts(drawing));
                passesDrawing(drawing, passes);
                const double after = cutTravel(walkCuts(drawing));
                if (!(std::fabs(after - passes * before) <= 1e-9 * (1 + after))) std::abort();
                break;
            }
            case 3: {
                // No more than some thousands of dashes, which the run
                // would otherwise spend its time writing and reading.
                const double least = cutTravel(walkCuts(drawing)) / kUnitsPerMm / 5000;
                perforateDrawing(drawing, std::max(length, least),
                                 std::max(0.1 + static_cast<double>(f >> 20) / 4.096, least));
                break;
            }
            default: {
                const std::size_t before = walkCuts(drawing).cutCount();
                if (penDrawing(drawing, static_cast<std::int32_t>(f >> 8 & 3) + 1) > before) std::abort();
                break;
            }
        }
    }
    // check, and one repair with a value within the command line's range
    // (0.025 to 10 mm), from four more bytes; on jobs of up to 3,000 points,
    // so that each run stays short under the sanitizers (the benchmark
    // times big jobs).
    std::size_t points = 0;
    for (const JobStep& step : walkCuts(drawing).steps)
        if (step.kind == JobStep::Kind::Cut) points += step.cut.points.size();
    if (points <= 3000) {
        // A run of operations on one workpiece writes what the drawing
        // written and read back after every operation writes: the job is
        // handed on, not its text.
        const std::string text = written(drawing);
        PlotDrawing one, each;
        MemoryInput inOne(text), inEach(text);
        readDrawing(inOne, one);
        readDrawing(inEach, each);
        Workpiece piece(one);
        overcutDrawing(piece, mm);
        mirrorDrawing(piece);
        orderDrawing(piece);
        bladeOffsetDrawing(piece, mm / 10.0, true);
        overcutDrawing(each, mm);
        mirrorDrawing(each);
        orderDrawing(each);
        bladeOffsetDrawing(each, mm / 10.0, true);
        MemoryOutput out;
        piece.write(out);
        if (out.str() != written(each)) std::abort();
    }
    if (points <= 3000) {
        std::string_view more = bytes.substr(std::min<std::size_t>(24, bytes.size()), 4);
        const std::uint32_t g = static_cast<std::uint32_t>(takeInt(more));
        FaultLimits limits;
        limits.minWidth = (0.1 + static_cast<double>(g >> 16 & 0xFF) / 64.0) * kUnitsPerMm;
        limits.media = (g & 0x1000000) != 0;
        limits.mediaWidth = limits.mediaHeight = static_cast<double>(g >> 8 & 0xFFFF) * 4.0;
        const CutJob job = walkCuts(drawing);
        const JobFaults faults = findFaults(job, limits);
        // Every finding at a place on the drawing's plane, with a size in
        // the kind's range.
        for (const auto* list : {&faults.doubled, &faults.gap, &faults.dot, &faults.splinter, &faults.thin,
                                 &faults.crossing, &faults.outside})
            for (const Finding& f : *list)
                if (!std::isfinite(f.at.x) || !std::isfinite(f.at.y) || !(f.size >= 0.0)) std::abort();
        for (const Finding& f : faults.doubled)
            if (f.size < limits.doubledLength) std::abort();
        for (const Finding& f : faults.gap)
            if (f.size > limits.gapReach) std::abort();
        for (const Finding& f : faults.splinter)
            if (f.size >= limits.shortestCut) std::abort();
        for (const Finding& f : faults.thin)
            if (f.size >= limits.minWidth) std::abort();
        if (!limits.media && !faults.outside.empty()) std::abort();

        const double before = trueCutLength(job);
        const double slack = 1e-9 * (1.0 + before);
        const double repairMm = 0.025 + static_cast<double>(g & 0xFF) / 25.6;
        const double reach = repairMm * kUnitsPerMm;
        switch (g % 5) {
            case 0:
                // Joins cut at most the reach each; what is left out is cut
                // already.
                mergeDrawing(drawing, repairMm);
                if (trueCutLength(walkCuts(drawing)) > before + static_cast<double>(job.cutCount()) * (reach + 2.0) + slack)
                    std::abort();
                break;
            case 1:
                closeDrawing(drawing, repairMm);
                if (trueCutLength(walkCuts(drawing)) > before + static_cast<double>(job.cutCount()) * reach + slack)
                    std::abort();
                break;
            case 2:
                // A line through fewer of the same points is no longer.
                simplifyDrawing(drawing, repairMm);
                if (trueCutLength(walkCuts(drawing)) > before + slack) std::abort();
                break;
            case 3:
                dropDotsDrawing(drawing);
                if (!findFaults(walkCuts(drawing), FaultLimits{}).dot.empty()) std::abort();
                break;
            default:
                weldDrawing(drawing);
                break;
        }
    }
    drawing.render(&window, &device);
    drawing.areaText(text, sizeof text);
    gdi::metricsSource() = nullptr;

    // The changed drawing still writes a text that reads back the same.
    const std::string changed = written(drawing);
    PlotDrawing reread;
    MemoryInput changedIn(changed);
    readDrawing(changedIn, reread);
    if (changedIn.failed() || written(reread) != changed) std::abort();
    return 0;
}
