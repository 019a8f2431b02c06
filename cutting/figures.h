// A job's figures for scripts: its extent, how far the knife cuts and moves
// with the pen up, its cuts, the instructions carried through, and an
// estimate of the time the cutter takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>

#include <string_view>
#include <vector>

#include "cutting/cuts.h"
#include "drawing/drawing.h"
#include "cutting/pen_state.h"
#include "export/svg.h"
#include "hpgl/command.h"

namespace kerfline {

// The cutting time: the knife cuts at the speed in force where it cuts,
// the one the file's VS sets for the pen in use (centimetres a second) or
// the default speed where none is set, so that a VS between two parts of a
// cut sets the speed of the part after it, as on a cutter; pen-up moves at
// twice the speed in force; and a fixed time for every drop of the knife
// and every lift.
struct TimeModel {
    double defaultSpeed = 20.0;  // cm/s
    static constexpr double kDropSeconds = 0.1;
    static constexpr double kLiftSeconds = 0.1;
};

// The speed in force while a drawing is walked: the pen's state's, or the
// default where it sets none.
class SpeedState {
public:
    explicit SpeedState(double defaultSpeed) : default_(defaultSpeed) {}
    // Any instruction, as written ("VS10;", "SP2;").
    void apply(std::string_view instruction) { pen_.apply(instruction); }
    double speed() const;  // cm/s

private:
    double default_;
    PenState pen_;
};

struct JobFigures {
    std::size_t instructions = 0;
    bool hasExtent = false;
    std::int32_t minX = 0, minY = 0, maxX = 0, maxY = 0;
    double cutUnits = 0;   // knife travel with the pen down
    double moveUnits = 0;  // pen-up travel from (0,0)
    std::size_t cuts = 0;
    std::size_t closedCuts = 0;
    // The instructions carried through (neither movement nor IN), by their
    // two mnemonic characters as they stand in the file.
    std::map<std::string, std::size_t> carried;
    double seconds = 0;
};

// The figures of `drawing`, whose bounds must be current.
JobFigures jobFigures(const PlotDrawing& drawing, const TimeModel& model);

// Every pen-up move of a job, in order, from (0,0): its own moves, the
// moves to cuts that start away from where the knife stands, and the way
// home of each IN. Their lengths add up to penUpTravel(job).
std::vector<PenUpMove> penUpMoves(const CutJob& job);

// The job of a drawing as a picture: its cuts and its pen-up moves.
Picture pictureOf(const PlotDrawing& drawing);

// The mnemonic of a command as its characters: the known ones from their
// code, an unknown one from the start of its text (shorter for an
// instruction of fewer than two characters).
std::string mnemonicText(const PlotCommand& command);

}  // namespace kerfline
