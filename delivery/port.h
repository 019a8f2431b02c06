// The way to the cutter: a serial port or a network socket, as the sender
// sees it. The system's side lives in posix_port.cpp and, on Windows, in
// print/ports_win32.cpp; everything that decides things is portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kerfline::delivery {

// How the sender keeps from overrunning the cutter's buffer.
enum class Flow {
    XonXoff,  // the system holds the output while the cutter says XOFF
    RtsCts,   // the system holds it while the cutter drops CTS
    EscB,     // the sender asks for the free buffer before each block
    None,     // the sender paces itself by the job's time model
};

struct SerialSettings {
    std::uint32_t baud = 9600;  // 8 data bits, no parity, 1 stop bit
    Flow flow = Flow::XonXoff;
    friend bool operator==(const SerialSettings&, const SerialSettings&) = default;
};

// The standard rates a port is set to, 110 to 115200.
bool isStandardBaud(std::uint32_t baud);

class Port {
public:
    Port() = default;
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;
    virtual ~Port() = default;

    // Hands up to `count` bytes to the system, waiting at most `waitMs` for
    // room: the bytes taken (0 when none in that time), or -1 on a failure.
    virtual std::int64_t write(const char* data, std::size_t count, int waitMs) = 0;
    // What has come from the cutter, up to `count` bytes, waiting at most
    // `waitMs` for the first: the bytes read (0 when none), or -1.
    virtual std::int64_t read(char* data, std::size_t count, int waitMs) = 0;
    // Bytes handed to the system that have not left it yet; 0 where the
    // system cannot tell.
    virtual std::uint64_t queued() = 0;
    // Holds the output, throws away what is still queued and lets the output
    // go on: the bytes thrown away. A socket throws nothing away.
    virtual std::uint64_t discardQueued() = 0;
    // Throws away what has come in and not been read.
    virtual void discardInput() = 0;
    // Once nothing is queued: waits at most `waitMs` for the last bytes to be
    // out (a serial line's last character, a socket's orderly close).
    enum class Finish { Done, TimedOut, Failed };
    virtual Finish finish(int waitMs) = 0;
    // The system's reason for the last failure, as a sentence fragment.
    virtual std::string error() const = 0;
};

// The port named `name` (COM3 on Windows, /dev/ttyUSB0 elsewhere), set as
// asked; null with the reason in `error` when it cannot be opened, is busy
// or is not a serial port.
std::unique_ptr<Port> openSerialPort(const std::string& name, const SerialSettings& settings,
                                     std::string& error);

// A raw socket to `host` at `service` (a port number), connected within
// `waitSeconds`; null with the reason in `error`.
std::unique_ptr<Port> openSocket(const std::string& host, const std::string& service,
                                 double waitSeconds, std::string& error);

}  // namespace kerfline::delivery
