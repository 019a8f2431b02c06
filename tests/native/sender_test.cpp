// The sender against a serial line and a cutter simulated in time of their
// own: the system's queue drains down the line at its rate, the cutter
// holds it with XOFF, answers ESC . B, or executes instructions in times
// worked out by hand; a stop finds bytes still queued. Seconds pass only
// in the simulation, so a minute's stall takes none.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <deque>
#include <limits>
#include <string>
#include <vector>

#include "delivery/job.h"
#include "delivery/sender.h"

namespace kerfline::delivery {
namespace {

constexpr std::size_t kNever = std::numeric_limits<std::size_t>::max();

struct LineSetup {
    Flow flow = Flow::XonXoff;
    double rate = 960;           // bytes a second down the line
    std::size_t queueSize = 4096;  // the system's output queue
    double buffer = 256;
    double drain = 600;          // bytes a second, unless instructions are timed
    bool timed = false;          // instructions executed in the model's times
    double startX = 0, startY = 0;  // timed: where the knife stands at first
    std::size_t holdAfter = kNever;   // the cutter takes nothing more after these bytes
    std::size_t stopAfter = kNever;   // Ctrl-C once the cutter has these bytes
    std::size_t failAfter = kNever;   // the port fails once these bytes were written
};

class FakeLine final : public Port, public Clock {
public:
    explicit FakeLine(LineSetup setup) : setup_(std::move(setup)), x_(setup_.startX), y_(setup_.startY) {}

    std::string received;  // what reached the cutter, its questions aside
    std::size_t lost = 0;
    std::size_t questions = 0;
    std::size_t largestBlock = 0;  // ESC . B: the most bytes between two questions
    std::uint64_t discarded = 0;
    double lastTaken = 0;  // when the cutter last took a byte
    std::atomic<bool> stop{false};

    double now() override { return time_; }
    void sleep(double seconds) override { advance(seconds); }

    std::int64_t write(const char* data, std::size_t count, int waitMs) override {
        if (written_ >= setup_.failAfter) return -1;
        if (queue_.size() >= setup_.queueSize) advance(waitMs / 1000.0);
        const std::size_t take = std::min(count, setup_.queueSize - queue_.size());
        queue_.insert(queue_.end(), data, data + take);
        written_ += take;
        return static_cast<std::int64_t>(take);
    }
    std::int64_t read(char* data, std::size_t count, int waitMs) override {
        if (answers_.empty()) advance(waitMs / 1000.0);
        const std::size_t n = std::min(count, answers_.size());
        answers_.copy(data, n);
        answers_.erase(0, n);
        return static_cast<std::int64_t>(n);
    }
    std::uint64_t queued() override { return queue_.size(); }
    std::uint64_t discardQueued() override {
        discarded += queue_.size();
        const std::uint64_t n = queue_.size();
        queue_.clear();
        return n;
    }
    void discardInput() override { answers_.clear(); }
    Finish finish(int waitMs) override {
        advance(waitMs / 1000.0 < 0.01 ? waitMs / 1000.0 : 0.01);
        return queue_.empty() ? Finish::Done : Finish::TimedOut;
    }
    std::string error() const override { return "Input/output error"; }

    double knifeX() const { return x_; }
    double knifeY() const { return y_; }

private:
    // The line and the cutter, a millisecond at a time.
    void advance(double seconds) {
        for (double left = seconds; left > 1e-12; left -= 0.001) {
            const double dt = std::min(left, 0.001);
            time_ += dt;
            work(dt);
            const bool holding = received.size() + questions * 3 >= setup_.holdAfter;
            line_ += dt * setup_.rate;
            while (line_ >= 1 && !queue_.empty() && !holding && !(xoff_ && setup_.flow == Flow::XonXoff)) {
                line_ -= 1;
                take(queue_.front());
                queue_.pop_front();
                if (setup_.flow == Flow::XonXoff) {
                    if (free() <= setup_.buffer / 4) xoff_ = true;
                }
            }
            if (queue_.empty() || holding) line_ = std::min(line_, 1.0);
            if (xoff_ && free() >= setup_.buffer / 2) xoff_ = false;
            if (received.size() >= setup_.stopAfter) stop = true;
        }
    }

    double free() const { return setup_.buffer - used_; }

    void take(char byte) {
        lastTaken = time_;
        if (setup_.flow == Flow::EscB && (byte == '\x1b' || !escape_.empty())) {
            escape_ += byte;
            if (escape_.size() < 3) return;
            EXPECT_EQ(escape_, kAskFreeBuffer);
            escape_.clear();
            ++questions;
            block_ = 0;
            if (received.size() + questions * 3 < setup_.holdAfter)
                answers_ += std::to_string(static_cast<long>(free())) + "\r";
            return;
        }
        received += byte;
        largestBlock = std::max(largestBlock, ++block_);
        if (used_ + 1 > setup_.buffer + 1e-9) {
            ++lost;
            return;
        }
        used_ += 1;
        if (setup_.timed) {
            instruction_ += byte;
            if (byte == ';') {
                timed_.push_back({instruction_.size(), seconds(instruction_)});
                instruction_.clear();
            }
        }
    }

    // The time of IN, PU, PD and PA with absolute points (all the jobs here
    // hold), at 20 cm/s, worked out on its own: pen-up moves at twice the
    // speed, 0.2 s for the drop and lift of each cut.
    double seconds(const std::string& text) {
        const std::string name = text.substr(0, 2);
        double t = 0;
        auto go = [&](double x, double y) {
            const double mm = std::hypot(x - x_, y - y_) / 40.0;
            t += mm / 10.0 / (down_ ? 20.0 : 40.0);
            x_ = x;
            y_ = y;
        };
        if (name == "IN") {
            down_ = false;
            go(0, 0);
            return t;
        }
        if (name == "PU") down_ = false;
        if (name == "PD" && !down_) {
            down_ = true;
            t += 0.2;
        }
        std::vector<double> numbers;
        for (std::size_t at = 2; at < text.size() - 1;) {
            std::size_t end = 0;
            numbers.push_back(std::stod(text.substr(at), &end));
            at += end + 1;
        }
        for (std::size_t i = 0; i + 1 < numbers.size(); i += 2) go(numbers[i], numbers[i + 1]);
        return t;
    }

    // The cutter: a steady drain, or each instruction, once it has arrived
    // whole, in its time, its bytes freed evenly meanwhile.
    void work(double dt) {
        if (!setup_.timed) {
            used_ = std::max(0.0, used_ - setup_.drain * dt);
            return;
        }
        while (dt > 0 && !timed_.empty()) {
            auto& [bytes, seconds] = timed_.front();
            if (seconds <= 0) {
                used_ -= static_cast<double>(bytes);
                timed_.pop_front();
                continue;
            }
            const double step = std::min(dt, seconds - progress_);
            used_ -= static_cast<double>(bytes) * step / seconds;
            progress_ += step;
            dt -= step;
            if (progress_ >= seconds - 1e-12) {
                progress_ = 0;
                timed_.pop_front();
            }
        }
        used_ = std::max(used_, 0.0);
    }

    LineSetup setup_;
    double time_ = 0;
    std::deque<char> queue_;
    std::size_t written_ = 0;
    double line_ = 0;
    bool xoff_ = false;
    double used_ = 0;
    std::string escape_;
    std::string answers_;
    std::size_t block_ = 0;
    std::string instruction_;
    std::deque<std::pair<std::size_t, double>> timed_;
    double progress_ = 0;
    double x_, y_;
    bool down_ = false;
};

// IN; PU4000,4000; then cycles of five instructions from 3 on, the cut in
// three of them: PU0,0; PD; PA4000,0; PA4000,4000; PU;
std::string cyclingJob(int cycles) {
    std::string text = "IN;PU4000,4000;";
    for (int i = 0; i < cycles; ++i) text += "PU0,0;PD;PA4000,0;PA4000,4000;PU;";
    return text;
}

// Where to go on after `received` instructions of cyclingJob, worked out
// from its cycle: inside a cut (after PD or the first PA) back to its PD.
std::size_t expectedResume(std::size_t received) {
    if (received < 3) return received + 1;
    const std::size_t inCycle = (received - 3) % 5;  // 0: PU0,0 was last
    if (inCycle == 1 || inCycle == 2) return received - inCycle + 1;
    return received + 1;
}

SendOptions optionsFor(const LineSetup& setup) {
    SendOptions options;
    options.flow = setup.flow;
    options.buffer = static_cast<std::uint64_t>(setup.buffer);
    options.lineBytesPerSecond = setup.rate;
    return options;
}

SendResult sendThrough(FakeLine& line, const Job& job, const SendOptions& options) {
    return sendJob(job, line, options, line.stop, line, nullptr);
}

struct FlowCase {
    Flow flow;
    double buffer;
};

class Delivery : public ::testing::TestWithParam<FlowCase> {
protected:
    LineSetup lineSetup() const {
        LineSetup s;
        s.flow = GetParam().flow;
        s.buffer = GetParam().buffer;
        s.timed = s.flow == Flow::None;
        return s;
    }
};

TEST_P(Delivery, EveryByteOnceNoneLost) {
    Job job;
    ASSERT_TRUE(job.read(cyclingJob(60)));
    FakeLine line(lineSetup());
    const SendResult result = sendThrough(line, job, optionsFor(lineSetup()));
    EXPECT_EQ(result.outcome, SendResult::Outcome::Done);
    EXPECT_EQ(line.received, job.bytes());
    EXPECT_EQ(line.lost, 0u);
    if (GetParam().flow == Flow::EscB) {
        EXPECT_LE(line.largestBlock, GetParam().buffer);
    }
}

TEST_P(Delivery, AStopDropsWhatIsQueuedFinishesTheInstructionAndLifts) {
    Job job;
    ASSERT_TRUE(job.read(cyclingJob(200)));
    for (const std::size_t after : {1000u, 1234u, 2500u}) {
        SCOPED_TRACE(after);
        LineSetup s = lineSetup();
        s.stopAfter = after;
        FakeLine line(s);
        const SendResult result = sendThrough(line, job, optionsFor(s));
        ASSERT_EQ(result.outcome, SendResult::Outcome::Stopped);
        if (GetParam().flow == Flow::XonXoff) {
            EXPECT_GT(line.discarded, 0u);
        }
        EXPECT_EQ(line.lost, 0u);
        // Whole instructions of the job, then the lift.
        const std::string& got = line.received;
        ASSERT_GE(got.size(), 3u);
        EXPECT_EQ(got.substr(got.size() - 3), "PU;");
        const std::string sent = got.substr(0, got.size() - 3);
        EXPECT_EQ(job.bytes().substr(0, sent.size()), sent);
        const std::size_t whole = job.wholeWithin(sent.size());
        EXPECT_EQ(sent.size(), whole == 0 ? 0 : job.end(whole - 1));
        EXPECT_EQ(result.received, whole);
        EXPECT_EQ(result.resumeFrom, expectedResume(whole));

        // Going on from there, the knife where the stop left it: what the
        // cutter needs, then the rest.
        LineSetup next = lineSetup();
        next.startX = line.knifeX();
        next.startY = line.knifeY();
        FakeLine again(next);
        SendOptions options = optionsFor(lineSetup());
        options.from = result.resumeFrom;
        ASSERT_EQ(sendThrough(again, job, options).outcome, SendResult::Outcome::Done);
        EXPECT_EQ(again.lost, 0u);
        EXPECT_EQ(again.received,
                  resumePrefix(job, options.from) + job.bytes().substr(job.start(options.from - 1)));
    }
}

TEST_P(Delivery, ACutterThatTakesNothingMoreIsAStall) {
    // Without a handshake nothing holds the line: no stall to see.
    if (GetParam().flow == Flow::None) return;
    Job job;
    ASSERT_TRUE(job.read(cyclingJob(100)));
    LineSetup s = lineSetup();
    s.holdAfter = 700;
    FakeLine line(s);
    SendOptions options = optionsFor(s);
    options.timeout = 60;
    const SendResult result = sendThrough(line, job, options);
    ASSERT_EQ(result.outcome, SendResult::Outcome::Stalled);
    // Every byte that left the port reached the cutter.
    EXPECT_EQ(result.sent, line.received.size());
    EXPECT_EQ(result.total, job.bytes().size());
    // A minute after the last byte went (ESC . B: after the question).
    EXPECT_GT(line.now() - line.lastTaken, 59.0);
    EXPECT_LT(line.now() - line.lastTaken, 61.0);
    EXPECT_EQ(result.resumeFrom, expectedResume(job.wholeWithin(result.sent)));
}

INSTANTIATE_TEST_SUITE_P(Flows, Delivery,
                         ::testing::Values(FlowCase{Flow::XonXoff, 60}, FlowCase{Flow::XonXoff, 1024},
                                           FlowCase{Flow::EscB, 60}, FlowCase{Flow::EscB, 256},
                                           FlowCase{Flow::None, 60}, FlowCase{Flow::None, 1024}));

TEST(Failure, SaysWhyAndWhereToGoOn) {
    Job job;
    ASSERT_TRUE(job.read(cyclingJob(300)));
    LineSetup s;
    s.failAfter = 6000;
    FakeLine line(s);
    const SendResult result = sendThrough(line, job, optionsFor(s));
    ASSERT_EQ(result.outcome, SendResult::Outcome::Failed);
    EXPECT_EQ(result.error, "Input/output error");
    EXPECT_LE(result.sent, 6000u);
    EXPECT_EQ(result.resumeFrom, expectedResume(job.wholeWithin(result.sent)));
}

TEST(Socket, AStopSendsOnFromWhatWasWritten) {
    // A socket's queue cannot be taken back: the instruction being written
    // is finished after it, then the lift.
    Job job;
    ASSERT_TRUE(job.read(cyclingJob(100)));
    LineSetup s;
    s.queueSize = 600;
    s.stopAfter = 900;
    FakeLine line(s);
    SendOptions options = optionsFor(s);
    options.serial = false;
    const SendResult result = sendThrough(line, job, options);
    ASSERT_EQ(result.outcome, SendResult::Outcome::Stopped);
    EXPECT_EQ(line.discarded, 0u);
    EXPECT_GE(line.received.size(), 900u + 500u);
    EXPECT_EQ(line.received.substr(line.received.size() - 3), "PU;");
}

}  // namespace
}  // namespace kerfline::delivery
