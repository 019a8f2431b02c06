// A drawing as the knife sees it: pen-up moves, cuts (runs of pen-down
// movement) and the other instructions, which stay where they are; and the
// way back from such a job to a drawing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "drawing/drawing.h"
#include "hpgl/mnemonics.h"
#include "hpgl/stream.h"
#include "geometry/point.h"

namespace kerfline {

// One run of pen-down movement, in absolute positions: the first point is
// where the knife goes down, every later one a point it cuts to. A cut of one
// point is a plunge without movement.
struct Cut {
    std::vector<PlotPoint> points;
    // The knife was already down at the first point: the run goes on from the
    // previous cut's end across instructions in between (a speed change in
    // the middle of a shape, say) without lifting.
    bool joined = false;

    // Ends where it starts, after at least two segments.
    bool closed() const { return points.size() >= 3 && points.front() == points.back(); }
};

// An instruction that is neither movement nor a cut: SP, VS, FS, IN and
// every other one, known or not. No operation moves a cut across it.
struct KeptInstruction {
    MnemonicCode mnemonic = 0;  // 0 for an instruction the mnemonic table does not know
    std::string text;  // as the program writes it, ";" included ("VS10;")
    // IN: lifts the knife and sends the position to (0, 0).
    bool home() const { return mnemonic == mnemonic::IN; }
};

// A kept instruction from its text as the program writes it ("SP1;"), its
// mnemonic as the program's reader finds it in the mnemonic table.
KeptInstruction keptInstruction(std::string text);

struct JobStep {
    enum class Kind { Move, Cut, Kept };
    Kind kind = Kind::Move;
    PlotPoint to{};       // Move: where the pen-up move ends
    Cut cut;              // Cut
    std::size_t kept = 0;  // Kept: index into CutJob::kept
};

// The whole job in the order the knife works through it, starting at (0, 0)
// with the knife up.
struct CutJob {
    std::vector<JobStep> steps;
    std::vector<KeptInstruction> kept;

    std::size_t cutCount() const;
};

// The knife at one step of a job, as walkKnife hands it on.
struct KnifeStep {
    const JobStep& step;
    std::size_t index;  // into CutJob::steps
    PlotPoint from;     // where the knife stands before the step
    // Cut: the cut goes on from the cut before without a lift (it is
    // joined, starts where the knife stands, and the knife is still down),
    // and the knife is lifted after it (no joined cut goes on from its end,
    // and neither a pen-up move nor a cut elsewhere follows, which lift it
    // themselves).
    bool continues = false;
    bool liftsAfter = false;
    // The knife goes to the step's start with the pen up: a pen-up move, a
    // home (IN), or a cut that does not go on and starts away from the
    // knife or where the knife is still down.
    bool movesFirst = false;
    PlotPoint to{};  // where that move ends
};

// The knife through the job from (0, 0), lifted: `visit` sees every step in
// order, cuts without points left out. Everything that follows the knife
// (the job's text, its pen-up travel and moves, its figures) is built on
// this one walk, so that they cannot disagree on where the knife is.
template <typename Visit>
void walkKnife(const CutJob& job, Visit&& visit);

// The job of a drawing, with the drawing's own geometry: PA, PD and PU points
// absolute, PR offsets relative, PD lowers the knife, PU raises it, IN raises
// it and goes to (0, 0), PA without points goes to (0, 0) without cutting.
CutJob walkCuts(const PlotDrawing& drawing);

// How a job's HP-GL is laid out: every instruction run on to the next, as
// edit writes it, or each on a line of its own and at most so many points to
// a PD, as convert writes it.
struct JobLayout {
    bool lines = false;
    std::size_t pointsPerInstruction = 0;  // 0: no limit
    friend bool operator==(const JobLayout&, const JobLayout&) = default;
};
inline constexpr JobLayout kConvertLayout{true, 20};

// The job as HP-GL: "PU x,y;" for every pen-up move and before a cut that
// does not start where the knife stands, "PD x,y,...;" for a cut, the kept
// instructions' own text, and "PU;" after a cut unless a joined cut follows.
OutputStream& writeJob(OutputStream& out, const CutJob& job, const JobLayout& layout = {});
std::string jobText(const CutJob& job);

// Replaces the drawing's commands with those of the job's text, read as a
// file would be, and recomputes its statistics. Walking the result gives the
// job as settleJob (cutting/workpiece.h) settles it.
void buildDrawing(const CutJob& job, PlotDrawing& drawing, const JobLayout& layout = {});

// The box round every point of every cut; false for a job without cuts.
// It is the extent of the drawing that the job's text reads into.
bool cutBounds(const CutJob& job, PlotBox& bounds);

// The knife's travel with the pen up, in plotter units: from (0, 0) through
// every pen-up move, to the start of every cut that does not begin where the
// knife stands, and home on every IN.
double penUpTravel(const CutJob& job);

// The knife's travel with the pen down, in plotter units: every cut's
// segments, measured as the statistics measure them.
double cutTravel(const CutJob& job);

namespace detail {
// After the cut at `index`, ending at `end`: whether the knife stays down.
// Down for a joined cut that starts at `end`, past instructions that do not
// lift it; and down until a pen-up move next, or the move to a next cut that
// starts elsewhere, lifts it by itself.
inline bool staysDown(const CutJob& job, std::size_t index, PlotPoint end) {
    for (std::size_t i = index + 1; i < job.steps.size(); ++i) {
        const JobStep& step = job.steps[i];
        if (step.kind == JobStep::Kind::Kept) {
            if (job.kept[step.kept].home()) break;
            continue;
        }
        if (step.kind == JobStep::Kind::Cut && step.cut.joined && !step.cut.points.empty() &&
            step.cut.points.front() == end)
            return true;
        break;
    }
    if (index + 1 >= job.steps.size()) return false;
    const JobStep& next = job.steps[index + 1];
    return next.kind == JobStep::Kind::Move ||
           (next.kind == JobStep::Kind::Cut && !next.cut.points.empty() && next.cut.points.front() != end);
}
}  // namespace detail

template <typename Visit>
void walkKnife(const CutJob& job, Visit&& visit) {
    PlotPoint position{};
    bool down = false;
    for (std::size_t i = 0; i < job.steps.size(); ++i) {
        const JobStep& step = job.steps[i];
        KnifeStep knife{step, i, position};
        switch (step.kind) {
            case JobStep::Kind::Move:
                knife.movesFirst = true;
                knife.to = step.to;
                visit(knife);
                position = step.to;
                down = false;
                break;
            case JobStep::Kind::Kept:
                if (job.kept[step.kept].home()) {
                    knife.movesFirst = true;
                    visit(knife);
                    position = PlotPoint{};
                    down = false;
                } else {
                    visit(knife);
                }
                break;
            case JobStep::Kind::Cut: {
                const std::vector<PlotPoint>& points = step.cut.points;
                if (points.empty()) break;
                knife.continues = step.cut.joined && down && position == points.front();
                knife.movesFirst = !knife.continues && (position != points.front() || down);
                knife.to = points.front();
                position = points.back();
                down = detail::staysDown(job, i, position);
                knife.liftsAfter = !down;
                visit(knife);
                break;
            }
        }
    }
}

}  // namespace kerfline
