#include "delivery/job.h"

#include <algorithm>
#include <map>

#include "hpgl/reader.h"
#include "hpgl/stream.h"

namespace kerfline::delivery {

namespace {

constexpr char kCtrlZ = 26;

// The text as a file's reader sees it: up to the first Ctrl-Z, CR LF as LF.
std::string asFileText(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find(kCtrlZ));
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += bytes[i];
    }
    return text;
}

using CommandIterator = CommandList::const_iterator;

CommandIterator commandAt(const CommandList& list, std::size_t index) {
    return CommandIterator(&list, index);
}

// The text the program writes for a command, which the speed state reads.
std::string commandText(const PlotCommand& command) {
    MemoryOutput out;
    writeCommand(out, command);
    return out.str();
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The instruction's own bytes: without the blanks before it.
std::string_view instructionText(const Job& job, std::size_t i) {
    std::string_view text(job.bytes());
    text = text.substr(job.start(i), job.end(i) - job.start(i));
    while (!text.empty() && isHpglSpace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    return text;
}

// The mnemonic of an instruction's text in capitals ("vs10;" gives "VS").
std::string mnemonicOf(std::string_view text) {
    if (text.size() < 3) return {};
    return {upper(text[0]), upper(text[1])};
}

// The pen an instruction such as VS or FS names in its second parameter, as
// written; empty when it names none (then it is meant for every pen).
std::string penOf(std::string_view text) {
    std::string_view parameters = text.substr(2);
    if (!parameters.empty() && parameters.back() == ';') parameters.remove_suffix(1);
    const std::size_t comma = parameters.find(',');
    if (comma == std::string_view::npos) return {};
    std::string pen;
    for (const char c : parameters.substr(comma + 1))
        if (!isHpglSpace(static_cast<unsigned char>(c))) pen += c;
    return pen;
}

// Instructions that set something for every pen or for one: the last for
// every pen, then the last for each pen named after it, in their order.
class PenSettings {
public:
    void set(std::string_view text) {
        const std::string pen = penOf(text);
        if (pen.empty()) {
            settings_.clear();
            order_.clear();
        }
        if (!settings_.contains(pen)) order_.push_back(pen);
        settings_[pen] = std::string(text);
    }
    void clear() {
        settings_.clear();
        order_.clear();
    }
    void appendTo(std::string& text) const {
        for (const std::string& pen : order_) text += settings_.at(pen);
    }

private:
    std::map<std::string, std::string> settings_;
    std::vector<std::string> order_;
};

}  // namespace

bool Job::read(std::string bytes) {
    PlotDrawing drawing;
    {
        const std::string text = asFileText(bytes);
        MemoryInput in(text);
        readDrawing(in, drawing);
        if (in.failed()) return false;
    }
    std::vector<std::uint64_t> ends;
    const std::size_t stop = std::min(bytes.find(kCtrlZ), bytes.size());
    for (std::size_t i = 0; i < stop; ++i)
        if (bytes[i] == ';') ends.push_back(i + 1);
    // Both count every ";" before the Ctrl-Z; a difference would mean a
    // reader this split does not know.
    if (ends.size() != drawing.commands.size()) return false;
    bytes_ = std::move(bytes);
    ends_ = std::move(ends);
    drawing_ = std::move(drawing);
    return true;
}

std::size_t Job::wholeWithin(std::uint64_t offset) const {
    return static_cast<std::size_t>(std::upper_bound(ends_.begin(), ends_.end(), offset) - ends_.begin());
}

KnifeWalk::KnifeWalk(const Job& job, double defaultSpeed)
    : job_(job), command_(job.drawing().commands.begin()), speed_(defaultSpeed) {}

void KnifeWalk::startCut(double& seconds) {
    // A cut that goes on across an instruction without a lift is the same
    // run, with neither drop nor lift.
    if (!joinPending_) {
        seconds += TimeModel::kDropSeconds + TimeModel::kLiftSeconds;
        runStart_ = next_;
    }
    joinPending_ = false;
    open_ = true;
}

void KnifeWalk::moveTo(PlotPoint to, bool cutting, double& seconds) {
    // Millimetres over centimetres a second: a tenth of the time in seconds;
    // pen-up moves at twice the speed.
    const double millimetres = distance(position_, to) / kUnitsPerMm;
    seconds += millimetres / 10.0 / (cutting ? speed_.speed() : 2.0 * speed_.speed());
    position_ = to;
}

double KnifeWalk::step() {
    const PlotCommand& command = *command_;
    double seconds = 0;
    const MnemonicCode code = command.mnemonic();
    if (holdsPoints(code)) {
        const PointSpan points = command.points();
        if (code == mnemonic::PD && !down_) {
            down_ = true;
            startCut(seconds);
        }
        if (code == mnemonic::PU) {
            down_ = open_ = joinPending_ = false;
        }
        if (code == mnemonic::PA && points.empty()) {
            // Home without cutting, even with the knife down.
            open_ = joinPending_ = false;
            moveTo(PlotPoint{}, false, seconds);
        }
        PlotPoint at = position_;
        for (const PlotPoint& point : points) {
            at = code == mnemonic::PR ? wrapAdd(at, point) : point;
            if (down_ && !open_) startCut(seconds);
            moveTo(at, down_, seconds);
        }
    } else if (!command.isEmpty()) {
        speed_.apply(commandText(command));
        if (code == mnemonic::IN) {
            down_ = open_ = joinPending_ = false;
            moveTo(PlotPoint{}, false, seconds);
        } else {
            joinPending_ = joinPending_ || open_;
            open_ = false;
        }
    }
    ++command_;
    ++next_;
    return seconds;
}

bool cutsOnFrom(const Job& job, std::size_t from) {
    const CommandList& commands = job.drawing().commands;
    for (auto command = commandAt(commands, from); command != commands.end(); ++command) {
        const MnemonicCode code = command->mnemonic();
        if (holdsPoints(code)) {
            const PointSpan points = command->points();
            if (code == mnemonic::PU) return false;
            if (code == mnemonic::PA && points.empty()) return false;
            if (!points.empty()) return true;
        } else if (code == mnemonic::IN) {
            return false;
        }
    }
    return false;
}

std::size_t resumeInstruction(const Job& job, std::size_t received) {
    KnifeWalk walk(job, 20.0);
    while (walk.next() < received) walk.step();
    if (walk.inRun() && cutsOnFrom(job, received)) return walk.runStart() + 1;
    return received + 1;
}

std::string resumePrefix(const Job& job, std::size_t from) {
    if (from <= 1) return {};
    const std::size_t before = from - 1;
    KnifeWalk walk(job, 20.0);
    std::string init, pen;
    PenSettings speeds, forces;
    bool relative = false;
    while (walk.next() < before) {
        const std::size_t i = walk.next();
        walk.step();
        const std::string_view text = instructionText(job, i);
        const std::string mnemonic = mnemonicOf(text);
        if (mnemonic == "IN") {
            init = text;
            pen.clear();
            speeds.clear();
            forces.clear();
            relative = false;
        } else if (mnemonic == "SP") {
            pen = text;
        } else if (mnemonic == "VS") {
            speeds.set(text);
        } else if (mnemonic == "FS") {
            forces.set(text);
        } else if (mnemonic == "PR") {
            relative = true;
        } else if (mnemonic == "PA") {
            relative = false;
        }
    }
    std::string prefix = init + pen;
    speeds.appendTo(prefix);
    forces.appendTo(prefix);
    prefix += "PU;PA" + std::to_string(walk.position().x) + "," + std::to_string(walk.position().y) + ";";
    if (relative) prefix += "PR;";
    if (walk.knifeDown() && cutsOnFrom(job, before)) prefix += "PD;";
    return prefix;
}

}  // namespace kerfline::delivery
