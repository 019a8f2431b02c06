#include "cutting/figures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace kerfline {

double SpeedState::speed() const {
    const double speed = pen_.speed();
    return speed > 0 ? speed : default_;
}

std::vector<PenUpMove> penUpMoves(const CutJob& job) {
    std::vector<PenUpMove> moves;
    walkKnife(job, [&moves](const KnifeStep& knife) {
        // A cut's own pen-up move only where it goes somewhere.
        if (knife.movesFirst && (knife.step.kind != JobStep::Kind::Cut || knife.from != knife.to))
            moves.push_back({knife.from, knife.to});
    });
    return moves;
}

Picture pictureOf(const PlotDrawing& drawing) {
    const CutJob job = walkCuts(drawing);
    Picture picture;
    picture.moves = penUpMoves(job);
    for (const JobStep& step : job.steps)
        if (step.kind == JobStep::Kind::Cut && !step.cut.points.empty())
            picture.cuts.push_back(step.cut.points);
    return picture;
}

JobFigures jobFigures(const PlotDrawing& drawing, const TimeModel& model) {
    JobFigures figures;
    figures.instructions = drawing.commands.size();
    figures.hasExtent = drawing.hasExtent();
    if (figures.hasExtent) {
        figures.minX = drawing.minX;
        figures.minY = drawing.minY;
        figures.maxX = drawing.maxX;
        figures.maxY = drawing.maxY;
    }
    for (const PlotCommand& command : drawing.commands) {
        const MnemonicCode code = command.mnemonic();
        if (holdsPoints(code) || code == mnemonic::IN || command.isEmpty()) continue;
        ++figures.carried[mnemonicText(command)];
    }

    const CutJob job = walkCuts(drawing);
    SpeedState speed(model.defaultSpeed);
    // The run the knife is in: a joined cut goes on with it, without a
    // lift and a drop, and with it decides whether the run is closed.
    PlotPoint runStart{};
    std::size_t runPoints = 0;
    PlotPoint position{};
    auto endRun = [&] {
        if (runPoints >= 3 && position == runStart) ++figures.closedCuts;
        runPoints = 0;
    };
    // Millimetres over centimetres a second: a tenth of the time in seconds.
    auto moveTo = [&](PlotPoint from, PlotPoint to) {
        const double length = distance(from, to);
        figures.moveUnits += length;
        figures.seconds += length / kUnitsPerMm / 10.0 / (2.0 * speed.speed());
    };
    walkKnife(job, [&](const KnifeStep& knife) {
        const JobStep& step = knife.step;
        if (step.kind == JobStep::Kind::Kept) speed.apply(job.kept[step.kept].text);
        if (step.kind != JobStep::Kind::Cut) {
            if (knife.movesFirst) {
                endRun();
                moveTo(knife.from, knife.to);
                position = knife.to;
            }
            return;
        }
        const std::vector<PlotPoint>& points = step.cut.points;
        if (!knife.continues) {
            endRun();
            if (knife.from != knife.to) moveTo(knife.from, knife.to);
            ++figures.cuts;
            figures.seconds += TimeModel::kDropSeconds + TimeModel::kLiftSeconds;
            runStart = points.front();
            runPoints = 1;
        }
        double length = 0;
        for (std::size_t i = 1; i < points.size(); ++i) length += distance(points[i - 1], points[i]);
        figures.cutUnits += length;
        figures.seconds += length / kUnitsPerMm / 10.0 / speed.speed();
        runPoints += points.size() - 1;
        position = points.back();
    });
    endRun();
    return figures;
}

std::string mnemonicText(const PlotCommand& command) {
    if (command.entry()) {
        const MnemonicCode code = command.mnemonic();
        return {static_cast<char>(code & 0xFF), static_cast<char>(code >> 8)};
    }
    const char* text = command.text();
    if (!text) return {};
    return std::string(text, std::min<std::size_t>(2, std::strlen(text)));
}

}  // namespace kerfline
