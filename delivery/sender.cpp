#include "delivery/sender.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "delivery/pacing.h"

namespace kerfline::delivery {

double SteadyClock::now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::sleep(double seconds) {
    if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

std::optional<std::uint64_t> FreeBufferAnswer::take(char c) {
    if (c >= '0' && c <= '9') {
        // Far beyond any buffer: held there rather than overflowing.
        value_ = std::min<std::uint64_t>(value_ * 10 + static_cast<std::uint64_t>(c - '0'), 1u << 30);
        digits_ = true;
        return std::nullopt;
    }
    if ((c == '\r' || c == '\n') && digits_) {
        const std::uint64_t value = value_;
        value_ = 0;
        digits_ = false;
        return value;
    }
    if (c != '\x11' && c != '\x13' && c != ' ' && c != '\r' && c != '\n') {
        value_ = 0;
        digits_ = false;
    }
    return std::nullopt;
}

namespace {

// The longest the sender waits on the port at once, so that it sees a stop.
constexpr int kWaitMs = 100;
// The wait for an answer to ESC . B, shorter: where a read runs out its time
// even after the first byte has come (Wine's serial reads), it is all the
// delay an answer gets.
constexpr int kAnswerWaitMs = 5;
constexpr std::size_t kLargestWrite = 16 * 1024;
constexpr double kProgressEvery = 0.1;
constexpr std::string_view kLift = "PU;";

class Transfer {
public:
    Transfer(const Job& job, Port& port, const SendOptions& options, const std::atomic<bool>& stop,
             Clock& clock, const std::function<void(const Progress&)>& progress)
        : job_(job),
          port_(port),
          options_(options),
          stop_(stop),
          clock_(clock),
          progress_(progress),
          prefix_(resumePrefix(job, options.from)),
          jobStart_(options.from > 1 ? job.start(options.from - 1) : 0),
          cut_(prefix_.size() + (job.bytes().size() - jobStart_)),
          pacer_(options.lineBytesPerSecond, options.buffer),
          walk_(job, options.speed) {
        while (walk_.next() + 1 < options.from) walk_.step();
    }

    SendResult run();

private:
    enum class Step { Done, Stopped, Stalled, Failed };

    std::uint64_t planSize() const { return cut_ + extra_.size(); }
    std::string_view chunk(std::uint64_t offset, std::uint64_t limit) const;
    std::size_t received(std::uint64_t planOffset) const;
    std::uint64_t planOf(std::uint64_t wire, std::uint64_t* controlRest = nullptr) const;
    std::uint64_t wireLeft();

    Step sendTo(std::uint64_t limit, bool interruptible);
    Step stream(std::uint64_t limit, bool interruptible);
    Step blocks(std::uint64_t limit, bool interruptible);
    Step writePlan(std::uint64_t count);
    Step writeControl(std::string_view bytes);
    Step awaitAnswer(bool interruptible, std::uint64_t& free);
    Step drain(bool interruptible);
    Step stopHere(std::size_t& received);

    bool stopped(bool interruptible) const { return interruptible && stop_.load(); }
    bool stalled();
    void report(bool force);
    void addPieces(std::uint64_t upTo);
    void timePrefix();
    SendResult result(Step step, std::size_t received);

    const Job& job_;
    Port& port_;
    const SendOptions& options_;
    const std::atomic<bool>& stop_;
    Clock& clock_;
    const std::function<void(const Progress&)>& progress_;

    // The plan: the prefix, the job from its first instruction sent up to
    // cut_, then extra_ (the lift after a stop).
    std::string prefix_;
    std::uint64_t jobStart_;
    std::uint64_t cut_;
    std::string extra_;
    std::uint64_t planWritten_ = 0;

    // What went down the port: the plan's bytes and, between them, the
    // questions to the cutter.
    struct Control {
        std::uint64_t wireStart;
        std::uint64_t length;
        std::uint64_t before;  // control bytes before it
    };
    std::vector<Control> controls_;
    std::uint64_t wireWritten_ = 0;

    Pacer pacer_;
    KnifeWalk walk_;
    std::uint64_t piecesAdded_ = 0;
    bool extraPieceAdded_ = false;
    // The prefix's instructions: their bytes and the most time they take.
    std::vector<std::pair<std::size_t, double>> prefixPieces_;
    std::size_t prefixPiecesAdded_ = 0;

    double started_ = 0;
    double lastMove_ = 0;  // when a byte last left the port
    std::uint64_t lastLeft_ = 0;
    double lastReport_ = -1;
    bool stopping_ = false;
};

std::string_view Transfer::chunk(std::uint64_t offset, std::uint64_t limit) const {
    if (offset >= cut_) {
        const std::string_view extra(extra_);
        return extra.substr(offset - cut_, limit - offset);
    }
    limit = std::min(limit, cut_);
    if (offset < prefix_.size())
        return std::string_view(prefix_).substr(offset, std::min<std::uint64_t>(limit, prefix_.size()) - offset);
    const std::string_view bytes(job_.bytes());
    return bytes.substr(jobStart_ + (offset - prefix_.size()), limit - offset);
}

std::size_t Transfer::received(std::uint64_t planOffset) const {
    planOffset = std::min(planOffset, cut_);
    if (planOffset < prefix_.size()) return options_.from - 1;
    return job_.wholeWithin(jobStart_ + (planOffset - prefix_.size()));
}

std::uint64_t Transfer::planOf(std::uint64_t wire, std::uint64_t* controlRest) const {
    if (controlRest) *controlRest = 0;
    auto after = std::upper_bound(controls_.begin(), controls_.end(), wire,
                                  [](std::uint64_t at, const Control& c) { return at < c.wireStart; });
    if (after == controls_.begin()) return wire;
    const Control& control = *(after - 1);
    if (wire >= control.wireStart + control.length) return wire - control.before - control.length;
    if (controlRest) *controlRest = control.wireStart + control.length - wire;
    return control.wireStart - control.before;
}

std::uint64_t Transfer::wireLeft() {
    const std::uint64_t queued = port_.queued();
    return wireWritten_ > queued ? wireWritten_ - queued : 0;
}

bool Transfer::stalled() {
    const std::uint64_t left = wireLeft();
    const double now = clock_.now();
    if (left != lastLeft_) {
        lastLeft_ = left;
        lastMove_ = now;
    }
    return now - lastMove_ > options_.timeout;
}

void Transfer::report(bool force) {
    // After a stop the job is no longer going out: the last line stays.
    if (!progress_ || stopping_) return;
    const double now = clock_.now();
    if (!force && now - lastReport_ < kProgressEvery) return;
    lastReport_ = now;
    Progress progress;
    progress.total = planSize();
    progress.sent = std::min(planOf(wireLeft()), progress.total);
    progress.instructions = received(progress.sent);
    progress.count = job_.instructionCount();
    progress.elapsed = now - started_;
    progress_(progress);
}

void Transfer::addPieces(std::uint64_t upTo) {
    while (piecesAdded_ < upTo) {
        if (piecesAdded_ >= cut_) {
            if (extraPieceAdded_ || extra_.empty()) return;
            pacer_.add(extra_.size(), TimeModel::kLiftSeconds);
            piecesAdded_ += extra_.size();
            extraPieceAdded_ = true;
            continue;
        }
        std::uint64_t bytes = 0;
        double seconds = 0;
        if (piecesAdded_ < prefix_.size()) {
            if (prefixPieces_.empty()) timePrefix();
            const std::size_t piece = prefixPiecesAdded_++;
            bytes = prefixPieces_[piece].first;
            seconds = prefixPieces_[piece].second;
        } else if (walk_.next() < job_.instructionCount()) {
            const std::size_t i = walk_.next();
            bytes = job_.end(i) - std::max(job_.start(i), jobStart_);
            seconds = walk_.step();
        } else {
            bytes = cut_ - piecesAdded_;  // the tail
        }
        pacer_.add(bytes, seconds);
        piecesAdded_ += bytes;
    }
}

void Transfer::timePrefix() {
    // The knife may be anywhere the job reaches: IN takes it home from as
    // far as the farthest corner, and PA on to where the job goes on (from
    // that corner, without an IN), at the slower of the speeds before and
    // after the prefix's VS.
    const PlotDrawing& drawing = job_.drawing();
    double farthest = 0;
    if (drawing.hasExtent()) {
        for (const PlotPoint corner : {PlotPoint{drawing.minX, drawing.minY}, PlotPoint{drawing.minX, drawing.maxY},
                                       PlotPoint{drawing.maxX, drawing.minY}, PlotPoint{drawing.maxX, drawing.maxY}})
            farthest = std::max(farthest, distance(PlotPoint{}, corner));
    }
    const double speed = std::min(options_.speed, walk_.speed());
    auto moveSeconds = [speed](double units) { return units / kUnitsPerMm / 10.0 / (2.0 * speed); };
    bool home = false;
    std::size_t start = 0;
    while (start < prefix_.size()) {
        const std::size_t end = prefix_.find(';', start) + 1;
        const std::string_view text = std::string_view(prefix_).substr(start, end - start);
        auto is = [&text](const char* name) {
            return text.size() > 2 && (text[0] & ~0x20) == name[0] && (text[1] & ~0x20) == name[1];
        };
        double seconds = 0;
        if (is("IN")) {
            home = true;
            seconds = moveSeconds(farthest);
        } else if (is("PA")) {
            seconds = moveSeconds(distance(PlotPoint{}, walk_.position()) + (home ? 0 : farthest));
        } else if (is("PD")) {
            seconds = TimeModel::kDropSeconds + TimeModel::kLiftSeconds;
        }
        prefixPieces_.push_back({end - start, seconds});
        start = end;
    }
}

Transfer::Step Transfer::writePlan(std::uint64_t count) {
    const std::uint64_t limit = planWritten_ + count;
    while (planWritten_ < limit) {
        const std::string_view bytes = chunk(planWritten_, std::min(limit, planWritten_ + kLargestWrite));
        const std::int64_t written = port_.write(bytes.data(), bytes.size(), kWaitMs);
        if (written < 0) return Step::Failed;
        planWritten_ += static_cast<std::uint64_t>(written);
        wireWritten_ += static_cast<std::uint64_t>(written);
        if (stalled()) return Step::Stalled;
        report(false);
    }
    return Step::Done;
}

Transfer::Step Transfer::writeControl(std::string_view bytes) {
    const std::uint64_t before = controls_.empty() ? 0 : controls_.back().before + controls_.back().length;
    controls_.push_back({wireWritten_, bytes.size(), before});
    while (!bytes.empty()) {
        const std::int64_t written = port_.write(bytes.data(), bytes.size(), kWaitMs);
        if (written < 0) return Step::Failed;
        bytes.remove_prefix(static_cast<std::size_t>(written));
        wireWritten_ += static_cast<std::uint64_t>(written);
        if (stalled()) return Step::Stalled;
    }
    return Step::Done;
}

Transfer::Step Transfer::stream(std::uint64_t limit, bool interruptible) {
    const bool paced = options_.flow == Flow::None;
    while (planWritten_ < limit) {
        if (stopped(interruptible)) return Step::Stopped;
        report(false);
        std::uint64_t want = std::min<std::uint64_t>(limit - planWritten_, kLargestWrite);
        if (paced) {
            const double now = clock_.now();
            want = std::min(want, pacer_.room(now));
            if (want == 0) {
                // Waiting for the knife by the model is no stall.
                lastMove_ = now;
                clock_.sleep(0.002);
                continue;
            }
            addPieces(planWritten_ + want);
        }
        const std::string_view bytes = chunk(planWritten_, planWritten_ + want);
        const std::int64_t written = port_.write(bytes.data(), bytes.size(), kWaitMs);
        if (written < 0) return Step::Failed;
        planWritten_ += static_cast<std::uint64_t>(written);
        wireWritten_ += static_cast<std::uint64_t>(written);
        if (paced) pacer_.wrote(static_cast<std::uint64_t>(written), clock_.now());
        if (stalled()) return Step::Stalled;
    }
    return Step::Done;
}

Transfer::Step Transfer::awaitAnswer(bool interruptible, std::uint64_t& free) {
    const double asked = clock_.now();
    FreeBufferAnswer answer;
    char bytes[64];
    for (;;) {
        if (stopped(interruptible)) return Step::Stopped;
        report(false);
        const std::int64_t got = port_.read(bytes, sizeof bytes, kAnswerWaitMs);
        if (got < 0) return Step::Failed;
        for (std::int64_t i = 0; i < got; ++i) {
            if (const auto value = answer.take(bytes[i])) {
                free = *value;
                return Step::Done;
            }
        }
        if (clock_.now() - asked > options_.timeout) return Step::Stalled;
    }
}

Transfer::Step Transfer::blocks(std::uint64_t limit, bool interruptible) {
    double lastRoom = clock_.now();
    while (planWritten_ < limit) {
        if (stopped(interruptible)) return Step::Stopped;
        Step step = writeControl(kAskFreeBuffer);
        std::uint64_t free = 0;
        if (step == Step::Done) step = awaitAnswer(interruptible, free);
        if (step != Step::Done) return step;
        const double now = clock_.now();
        // The answer came, so the line moves even while the buffer is full.
        lastMove_ = now;
        lastLeft_ = wireLeft();
        free = std::min(free, options_.buffer);
        if (free == 0) {
            if (now - lastRoom > options_.timeout) return Step::Stalled;
            // About the time a few bytes take, before asking again.
            clock_.sleep(std::max(0.005, 8.0 / options_.lineBytesPerSecond));
            continue;
        }
        lastRoom = now;
        step = writePlan(std::min(free, limit - planWritten_));
        if (step != Step::Done) return step;
    }
    return Step::Done;
}

Transfer::Step Transfer::sendTo(std::uint64_t limit, bool interruptible) {
    return options_.flow == Flow::EscB ? blocks(limit, interruptible) : stream(limit, interruptible);
}

Transfer::Step Transfer::drain(bool interruptible) {
    lastMove_ = clock_.now();
    lastLeft_ = wireLeft();
    while (port_.queued() > 0) {
        if (stopped(interruptible)) return Step::Stopped;
        report(false);
        if (stalled()) return Step::Stalled;
        clock_.sleep(0.01);
    }
    const double left = options_.timeout - (clock_.now() - lastMove_);
    switch (port_.finish(static_cast<int>(std::max(left, 0.1) * 1000))) {
        case Port::Finish::Done:
            return Step::Done;
        case Port::Finish::TimedOut:
            return Step::Stalled;
        case Port::Finish::Failed:
            break;
    }
    return Step::Failed;
}

Transfer::Step Transfer::stopHere(std::size_t& receivedWhole) {
    stopping_ = true;
    // What left the port is all the cutter will have; the rest is dropped.
    const std::uint64_t dropped = options_.serial ? port_.discardQueued() : 0;
    const std::uint64_t left = wireWritten_ - std::min(dropped, wireWritten_);
    std::uint64_t controlRest = 0;
    const std::uint64_t planLeft = planOf(left, &controlRest);
    wireWritten_ = left;
    while (!controls_.empty() && controls_.back().wireStart >= left) controls_.pop_back();
    if (controlRest > 0) {
        // A question cut off halfway is finished, lest the rest of it and
        // the lift read as something else.
        std::string_view rest = kAskFreeBuffer.substr(kAskFreeBuffer.size() - controlRest);
        while (!rest.empty()) {
            const std::int64_t written = port_.write(rest.data(), rest.size(), kWaitMs);
            if (written < 0) return Step::Failed;
            rest.remove_prefix(static_cast<std::size_t>(written));
            wireWritten_ += static_cast<std::uint64_t>(written);
            if (stalled()) return Step::Stalled;
        }
    }
    planWritten_ = planLeft;
    if (options_.flow == Flow::None) {
        pacer_.rewind(planLeft);
        piecesAdded_ = pacer_.added();
    }
    if (options_.flow == Flow::EscB) port_.discardInput();

    // The instruction the cutter has in part is sent to its end.
    std::uint64_t complete = planLeft;
    if (planLeft < prefix_.size() && planLeft > 0) {
        complete = prefix_.size();
    } else if (planLeft >= prefix_.size()) {
        const std::uint64_t at = jobStart_ + (planLeft - prefix_.size());
        const std::size_t whole = job_.wholeWithin(at);
        if (whole < job_.instructionCount() && at > job_.start(whole))
            complete = prefix_.size() + (job_.end(whole) - jobStart_);
    }
    receivedWhole = received(complete);
    if (receivedWhole == job_.instructionCount()) {
        // Nothing is left to stop: the job goes out to its end.
        const Step step = sendTo(planSize(), false);
        return step == Step::Done ? drain(false) : step;
    }
    cut_ = complete;
    extra_ = kLift;
    Step step = sendTo(planSize(), false);
    if (step == Step::Done) step = drain(false);
    return step == Step::Done ? Step::Stopped : step;
}

SendResult Transfer::result(Step step, std::size_t receivedWhole) {
    SendResult result;
    result.total = planSize();
    result.count = job_.instructionCount();
    switch (step) {
        case Step::Done:
            result.outcome = SendResult::Outcome::Done;
            result.sent = result.total;
            result.received = result.count;
            return result;
        case Step::Stopped:
            result.outcome = SendResult::Outcome::Stopped;
            break;
        case Step::Stalled:
            result.outcome = SendResult::Outcome::Stalled;
            break;
        case Step::Failed:
            result.outcome = SendResult::Outcome::Failed;
            result.error = port_.error();
            break;
    }
    if (step == Step::Stopped) {
        result.sent = result.total;
        result.received = receivedWhole;
    } else {
        result.sent = std::min(planOf(wireLeft()), result.total);
        result.received = received(result.sent);
    }
    result.resumeFrom = std::max(resumeInstruction(job_, result.received), options_.from);
    return result;
}

SendResult Transfer::run() {
    started_ = clock_.now();
    lastMove_ = started_;
    if (options_.flow == Flow::None) pacer_.wrote(0, started_);
    if (options_.flow == Flow::EscB) port_.discardInput();
    report(true);
    Step step = sendTo(planSize(), true);
    if (step == Step::Done) step = drain(true);
    std::size_t receivedWhole = 0;
    if (step == Step::Stopped) step = stopHere(receivedWhole);
    report(true);
    return result(step, receivedWhole);
}

}  // namespace

SendResult sendJob(const Job& job, Port& port, const SendOptions& options, const std::atomic<bool>& stop,
                   Clock& clock, const std::function<void(const Progress&)>& progress) {
    Transfer transfer(job, port, options, stop, clock, progress);
    return transfer.run();
}

}  // namespace kerfline::delivery
