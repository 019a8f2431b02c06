// send: a job down a serial port or a socket to the cutter, with its
// progress, a stop that lifts the knife, and where to resume.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/interrupt.h"
#include "cli/run.h"
#include "cli/text.h"
#include "delivery/progress.h"
#include "delivery/sender.h"

namespace kerfline::cli {

namespace {

// The whole input as bytes, standard input for "-"; false when it cannot
// be read to its end.
bool readInput(const std::string& file, std::string& bytes) {
    const bool standardInput = file == "-";
    if (standardInput) setBinaryMode(stdin);
    std::FILE* in = standardInput ? stdin : std::fopen(file.c_str(), "rb");
    if (!in) return false;
    char block[64 * 1024];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, in)) > 0) bytes.append(block, got);
    const bool complete = !std::ferror(in);
    if (!standardInput) std::fclose(in);
    return complete;
}

std::string inputName(const std::string& file) {
    return file == "-" ? std::string("standard input") : nameToUtf8(file);
}

std::string number(std::uint64_t value) { return std::to_string(value); }

void say(const std::string& line) { writeText(stderr, line + "\n"); }

// Where the job stopped, and the command that goes on with it.
std::string resumeLine(const delivery::SendResult& result) {
    return "stopped after instruction " + number(result.received) + " of " + number(result.count) +
           "; resume with --from " + number(result.resumeFrom);
}

}  // namespace

int runSend(const Arguments& arguments) {
    std::string bytes;
    delivery::Job job;
    if (!readInput(arguments.file, bytes) || !job.read(std::move(bytes))) {
        reportFailure("Invalid File", inputName(arguments.file));
        return kExitFailed;
    }
    const auto from = static_cast<std::size_t>(arguments.from);
    if (from > job.instructionCount()) {
        say("kerfline-cli: --from " + number(from) + " is past the job's last instruction (" +
            number(job.instructionCount()) + ")");
        return kExitUsage;
    }

    std::string error;
    std::unique_ptr<delivery::Port> port;
    const bool serial = !arguments.port.empty();
    const std::string where = serial ? arguments.port : arguments.host + ":" + arguments.service;
    if (serial) {
#ifdef _WIN32
        port = delivery::openSerialPort(windowsPortPath(arguments.port), arguments.serial, error);
#else
        port = delivery::openSerialPort(arguments.port, arguments.serial, error);
#endif
    } else {
        port = delivery::openSocket(arguments.host, arguments.service, arguments.timeout, error);
    }
    if (!port) {
        reportFailure(serial ? "Can't Open Port" : "Can't Connect", nameToUtf8(where) + ": " + error);
        return kExitFailed;
    }

    delivery::SendOptions options;
    options.flow = serial ? arguments.serial.flow : delivery::Flow::XonXoff;
    options.buffer = arguments.buffer;
    options.timeout = arguments.timeout;
    // Ten bits a byte: a start bit, eight data bits, a stop bit.
    options.lineBytesPerSecond = arguments.serial.baud / 10.0;
    options.speed = arguments.speed;
    options.from = from;
    options.serial = serial;

    delivery::ProgressReport report(isTerminal(stderr));
    bool shown = false;
    std::function<void(const delivery::Progress&)> progress;
    if (!arguments.quiet) {
        progress = [&](const delivery::Progress& now) {
            const std::string text = report.update(now);
            if (!text.empty()) {
                writeText(stderr, text);
                shown = true;
            }
        };
    }

    InterruptFlag interrupts;
    delivery::SteadyClock clock;
    const delivery::SendResult result =
        delivery::sendJob(job, *port, options, interrupts.flag(), clock, progress);
    port.reset();
    // A terminal's line is ended; a log has whole lines already.
    if (shown && isTerminal(stderr)) writeText(stderr, "\n");
    switch (result.outcome) {
        case delivery::SendResult::Outcome::Done:
            interrupts.finished();
            return kExitDone;
        case delivery::SendResult::Outcome::Stopped:
            say(resumeLine(result));
            break;
        case delivery::SendResult::Outcome::Stalled:
            say("the cutter stopped taking data after " + number(result.sent) + " of " + number(result.total) +
                " bytes");
            say(resumeLine(result));
            break;
        case delivery::SendResult::Outcome::Failed:
            reportFailure("Can't Send", nameToUtf8(where) + ": " + result.error);
            say(resumeLine(result));
            break;
    }
    interrupts.finished();
    return kExitFailed;
}

}  // namespace kerfline::cli
