// A job on its way to the cutter: the file's bytes exactly as they are,
// split into the instructions the program's reader sees, and what a stop and
// a resumption need to know about the knife at any instruction.
//
// Instructions are counted as `info --json` counts them: every ";" before
// the first Ctrl-Z. Instruction i (from 0) is the bytes from the end of
// instruction i - 1 (the blanks before it included) to its ";". What follows
// the last ";" (line ends, a Ctrl-Z and anything after it) is the tail, sent
// last and counted in no instruction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/drawing.h"
#include "cutting/figures.h"

namespace kerfline::delivery {

class Job {
public:
    // Reads `bytes` with the program's reader, by the rules a file is read
    // with (CR LF as LF, Ctrl-Z ends the text); false when it fails, and the
    // job is then unchanged.
    bool read(std::string bytes);

    const std::string& bytes() const { return bytes_; }
    std::size_t instructionCount() const { return ends_.size(); }
    // Where instruction i (from 0) starts and ends, in bytes from the start.
    std::uint64_t start(std::size_t i) const { return i == 0 ? 0 : ends_[i - 1]; }
    std::uint64_t end(std::size_t i) const { return ends_[i]; }
    // How many instructions lie whole within the first `offset` bytes.
    std::size_t wholeWithin(std::uint64_t offset) const;
    const PlotDrawing& drawing() const { return drawing_; }

private:
    std::string bytes_;
    std::vector<std::uint64_t> ends_;
    PlotDrawing drawing_;
};

// The knife walked through a job instruction by instruction, with the
// program's geometry (the walk of `edit`'s cutting tools) and the time model
// of `info --json`.
class KnifeWalk {
public:
    KnifeWalk(const Job& job, double defaultSpeed);

    // Carries out the next instruction; returns the seconds the model gives
    // it (a cut's drop and lift are counted where the cut starts).
    double step();
    std::size_t next() const { return next_; }

    PlotPoint position() const { return position_; }
    bool knifeDown() const { return down_; }
    // Whether the knife is in a run of cutting: down, cutting, and not lifted
    // since (a speed change in the middle of a run does not end it).
    bool inRun() const { return open_ || joinPending_; }
    // The instruction that began the run the knife is in.
    std::size_t runStart() const { return runStart_; }
    // The cutting speed in force, cm/s.
    double speed() const { return speed_.speed(); }

private:
    void startCut(double& seconds);
    void moveTo(PlotPoint to, bool cutting, double& seconds);

    const Job& job_;
    CommandList::const_iterator command_;
    std::size_t next_ = 0;
    SpeedState speed_;
    PlotPoint position_{};
    bool down_ = false;
    bool open_ = false;
    bool joinPending_ = false;
    std::size_t runStart_ = 0;
};

// Whether the knife, down at instruction `from`, would cut again before
// anything lifts it: a point of PA, PD or PR comes before PU, IN or PA
// without points.
bool cutsOnFrom(const Job& job, std::size_t from);

// The first instruction (from 1) to resume a job with after the cutter has
// received its first `received` instructions whole: the start of the cut
// the knife was in, if that cut goes on after them; otherwise the next one.
std::size_t resumeInstruction(const Job& job, std::size_t received);

// What the cutter needs before instruction `from` (from 1): the last IN, the
// SP, VS and FS after it, the knife lifted and moved to where the job had
// brought it, PR back in force if the job was relative, and the knife down
// again if the job has it cutting on from there. Empty for instruction 1.
std::string resumePrefix(const Job& job, std::size_t from);

}  // namespace kerfline::delivery
