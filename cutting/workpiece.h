// A drawing on its way through the operations of one run. The window's
// operations (frame, scale, rotate, move) change the drawing; the cutting
// operations change its cut job, walked from the drawing once and handed
// from one operation to the next. The drawing is built from the job again
// only where a window operation follows a cutting one, and the result is
// written from whichever of the two changed last, so that a run of cutting
// operations reads the file once and writes it once.
//
// Every step gives exactly what writing the job after each operation and
// reading it back before the next would give.
#pragma once

#include <type_traits>
#include <utility>

#include "cutting/cuts.h"
#include "drawing/drawing.h"
#include "hpgl/stream.h"

namespace kerfline {

class Workpiece {
public:
    // Works on `drawing`, which must outlive it; finish() brings it up to date.
    explicit Workpiece(PlotDrawing& drawing) : drawing_(drawing) {}
    // Works on a job made elsewhere (convert's) that stands for the drawing
    // its text, laid out so, reads into: that drawing is what a run that
    // changes nothing writes, and it is built only where it is needed.
    Workpiece(PlotDrawing& drawing, CutJob job, const JobLayout& layout)
        : drawing_(drawing), job_(std::move(job)), walked_(true), jobNewer_(true), settled_(false),
          layout_(layout) {}
    Workpiece(const Workpiece&) = delete;
    Workpiece& operator=(const Workpiece&) = delete;

    // The drawing, for a window operation to change: built from the job
    // first when the job changed last.
    PlotDrawing& drawing();

    // The cut job, for a cutting operation: the walk of the drawing, or the
    // job as the last cutting operation left it, in the form its text reads
    // back into. An operation that changes it calls jobChanged(); one that
    // does not must leave it exactly as it was.
    CutJob& job();
    void jobChanged();

    // The box of what is drawn: the drawing's bounds, or the box of the
    // job's cuts, which is what the job's text reads into. False when
    // nothing is drawn.
    bool extent(PlotPoint& low, PlotPoint& high) const;

    // The drawing or the job, as a saved file holds it.
    OutputStream& write(OutputStream& out);

    // Builds the drawing from the job when the job changed last.
    void finish();

private:
    PlotDrawing& drawing_;
    CutJob job_;
    bool walked_ = false;   // job_ is the walk of drawing_, or newer
    bool jobNewer_ = false;  // job_ changed after drawing_ was last set
    bool settled_ = true;    // job_ is in the form its text reads back into
    JobLayout layout_;       // of the text job_ stands for, until it changes
};

// `change` on a workpiece over `drawing` alone, the drawing brought up to
// date after it: the drawing versions of the cutting operations.
template <typename Change>
auto onDrawing(PlotDrawing& drawing, Change&& change) {
    Workpiece piece(drawing);
    if constexpr (std::is_void_v<decltype(change(piece))>) {
        change(piece);
        piece.finish();
    } else {
        auto result = change(piece);
        piece.finish();
        return result;
    }
}

// The job as walking its own text would give it (writeJob, then walkCuts of
// what a reader makes of that): cuts without points left out, every cut that
// starts away from the knife, or where the knife is still down without going
// on, preceded by a pen-up move to its start, `joined` set exactly on the
// cuts that go on with the knife down, and a cut that goes on straight from
// the one before, with no instruction between, made part of it. False, the job unchanged, for the
// one case where the text would lose a step (a plunge that goes on from the
// cut before, which reads back as nothing); the caller then goes the long way.
bool settleJob(CutJob& job);

}  // namespace kerfline
