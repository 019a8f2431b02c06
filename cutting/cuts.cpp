#include "cutting/cuts.h"

#include <algorithm>

#include "hpgl/pen_walk.h"
#include "hpgl/reader.h"
#include "hpgl/stream.h"

namespace kerfline {

namespace {

// Carries the knife through the commands, one event at a time.
class Walker {
public:
    explicit Walker(CutJob& job) : job_(job) {}

    void penDown() {
        if (down_) return;
        down_ = true;
        // Lowering the knife is a cut even if nothing follows: a plunge.
        startCut();
    }
    void penUp() {
        down_ = false;
        open_ = false;
        joinPending_ = false;
    }
    void to(PlotPoint point) {
        if (down_) {
            if (!open_) startCut();
            job_.steps.back().cut.points.push_back(point);
        } else {
            JobStep& step = job_.steps.emplace_back();
            step.kind = JobStep::Kind::Move;
            step.to = point;
        }
        position_ = point;
    }
    // PA without points: to (0, 0) without cutting, even with the knife down.
    void jumpHome() {
        open_ = false;
        joinPending_ = false;
        JobStep& step = job_.steps.emplace_back();
        step.kind = JobStep::Kind::Move;
        step.to = PlotPoint{};
        position_ = PlotPoint{};
    }
    void keep(KeptInstruction instruction) {
        const bool home = instruction.home();
        JobStep& step = job_.steps.emplace_back();
        step.kind = JobStep::Kind::Kept;
        step.kept = job_.kept.size();
        job_.kept.push_back(std::move(instruction));
        if (home) {
            penUp();
            position_ = PlotPoint{};
        } else {
            joinPending_ = joinPending_ || open_;
            open_ = false;
        }
    }
    PlotPoint position() const { return position_; }

    // The pen's walk through a command of points (hpgl/pen_walk.h).
    void lower() { penDown(); }
    void lift() { penUp(); }
    void home() { jumpHome(); }

private:
    void startCut() {
        JobStep& step = job_.steps.emplace_back();
        step.kind = JobStep::Kind::Cut;
        step.cut.points.push_back(position_);
        step.cut.joined = joinPending_;
        joinPending_ = false;
        open_ = true;
    }

    CutJob& job_;
    PlotPoint position_{};
    bool down_ = false;
    bool open_ = false;         // the last step is a cut that the next point extends
    bool joinPending_ = false;  // a kept instruction interrupted a cut, the knife still down
};

void writePoint(OutputStream& out, PlotPoint p) {
    out.writeInt(p.x);
    out.put(',');
    out.writeInt(p.y);
}

}  // namespace


KeptInstruction keptInstruction(std::string text) {
    KeptInstruction kept;
    MemoryInput in(text);
    HpglCommand command;
    readCommand(in, command);
    kept.mnemonic = command.mnemonic();
    kept.text = std::move(text);
    return kept;
}

std::size_t CutJob::cutCount() const {
    std::size_t count = 0;
    for (const JobStep& step : steps) count += step.kind == JobStep::Kind::Cut;
    return count;
}

CutJob walkCuts(const PlotDrawing& drawing) {
    CutJob job;
    Walker walker(job);
    MemoryOutput texts;  // one buffer for every kept instruction's text
    for (const PlotCommand& command : drawing.commands) {
        const MnemonicCode code = command.mnemonic();
        if (holdsPoints(code)) {
            geometry::penStep(code, command.points(), walker.position(), walker);
        } else if (!command.isEmpty()) {
            const std::size_t before = texts.str().size();
            writeCommand(texts, command);
            KeptInstruction kept;
            kept.mnemonic = code;
            kept.text = texts.str().substr(before);
            walker.keep(std::move(kept));
        }
    }
    return job;
}

OutputStream& writeJob(OutputStream& out, const CutJob& job, const JobLayout& layout) {
    const std::string_view end = layout.lines ? ";\n" : ";";
    const std::size_t perInstruction = layout.pointsPerInstruction;
    walkKnife(job, [&](const KnifeStep& knife) {
        const JobStep& step = knife.step;
        switch (step.kind) {
            case JobStep::Kind::Move:
                out.write("PU");
                writePoint(out, step.to);
                out.write(end);
                break;
            case JobStep::Kind::Kept:
                out.write(job.kept[step.kept].text);
                if (layout.lines) out.put('\n');
                break;
            case JobStep::Kind::Cut: {
                const std::vector<PlotPoint>& points = step.cut.points;
                if (knife.movesFirst) {
                    out.write("PU");
                    writePoint(out, points.front());
                    out.write(end);
                }
                out.write("PD");
                for (std::size_t p = 1; p < points.size(); ++p) {
                    if (p > 1) {
                        if (perInstruction > 0 && (p - 1) % perInstruction == 0) {
                            out.write(end);
                            out.write("PD");
                        } else {
                            out.put(',');
                        }
                    }
                    writePoint(out, points[p]);
                }
                out.write(end);
                if (knife.liftsAfter) {
                    out.write("PU");
                    out.write(end);
                }
                break;
            }
        }
    });
    return out;
}

std::string jobText(const CutJob& job) {
    MemoryOutput out;
    writeJob(out, job);
    return out.str();
}

void buildDrawing(const CutJob& job, PlotDrawing& drawing, const JobLayout& layout) {
    MemoryOutput out;
    writeJob(out, job, layout);
    MemoryInput in(out.str());
    readDrawing(in, drawing);
}

bool cutBounds(const CutJob& job, PlotBox& bounds) {
    bounds = PlotBox{};
    for (const JobStep& step : job.steps)
        if (step.kind == JobStep::Kind::Cut)
            for (const PlotPoint p : step.cut.points) bounds.add(p);
    return !bounds.empty();
}

double penUpTravel(const CutJob& job) {
    double travel = 0.0;
    walkKnife(job, [&travel](const KnifeStep& knife) {
        if (knife.movesFirst) travel += distance(knife.from, knife.to);
    });
    return travel;
}

double cutTravel(const CutJob& job) {
    double travel = 0.0;
    for (const JobStep& step : job.steps)
        if (step.kind == JobStep::Kind::Cut)
            for (std::size_t k = 1; k < step.cut.points.size(); ++k)
                travel += distance(step.cut.points[k - 1], step.cut.points[k]);
    return travel;
}

}  // namespace kerfline
