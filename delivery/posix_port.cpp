// Serial ports and sockets on POSIX systems: termios, poll and BSD sockets.
#ifndef _WIN32

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/sockios.h>
#endif

#include "delivery/port.h"

namespace kerfline::delivery {

namespace {

// Owns a file descriptor and closes it on every way out.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

std::string systemText(int error) { return std::strerror(error); }

// Waits at most `waitMs` for `events` on `fd`: 1 ready, 0 not yet, -1 failed.
int await(int fd, short events, int waitMs) {
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, waitMs);
    if (ready < 0) return errno == EINTR ? 0 : -1;
    if (ready == 0) return 0;
    if (entry.revents & POLLNVAL) return -1;
    return 1;
}

speed_t speedOf(std::uint32_t baud) {
    switch (baud) {
        case 110: return B110;
        case 300: return B300;
        case 600: return B600;
        case 1200: return B1200;
        case 1800: return B1800;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        default: return B0;
    }
}

class SerialPort final : public Port {
public:
    SerialPort(FileDescriptor fd, std::uint32_t baud) : fd_(std::move(fd)), baud_(baud) {}
    ~SerialPort() override {
        // Whatever is still queued after a stall would hold up the close.
        if (!finished_) ::tcflush(fd_.get(), TCIOFLUSH);
        // The port is open to others again.
        ::ioctl(fd_.get(), TIOCNXCL);
    }

    std::int64_t write(const char* data, std::size_t count, int waitMs) override {
        const int ready = await(fd_.get(), POLLOUT, waitMs);
        if (ready < 0) return fail(errno);
        if (ready == 0) return 0;
        const ssize_t written = ::write(fd_.get(), data, count);
        if (written < 0) return errno == EAGAIN || errno == EINTR ? 0 : fail(errno);
        return written;
    }

    std::int64_t read(char* data, std::size_t count, int waitMs) override {
        const int ready = await(fd_.get(), POLLIN, waitMs);
        if (ready < 0) return fail(errno);
        if (ready == 0) return 0;
        const ssize_t got = ::read(fd_.get(), data, count);
        if (got < 0) return errno == EAGAIN || errno == EINTR ? 0 : fail(errno);
        return got;
    }

    std::uint64_t queued() override {
        int count = 0;
        if (::ioctl(fd_.get(), TIOCOUTQ, &count) != 0 || count < 0) return 0;
        return static_cast<std::uint64_t>(count);
    }

    std::uint64_t discardQueued() override {
        // Nothing counted, nothing flushed: a pseudo-terminal counts
        // nothing, yet a flush would drop what it has passed on.
        const std::uint64_t before = queued();
        if (before == 0) return 0;
        // A queue that does not move in the time of a few characters is
        // held by the cutter (XOFF, CTS), and count and flush agree.
        const int wait = static_cast<int>(std::max(20.0, 30000.0 / baud_));
        ::poll(nullptr, 0, wait);
        if (queued() == before) {
            ::tcflush(fd_.get(), TCOFLUSH);
            return before;
        }
        // Otherwise it is held by us meanwhile, so that no byte leaves
        // between the count and the flush. Letting it go again would also
        // end a cutter's XOFF, which is why a held queue is left alone.
        ::tcflow(fd_.get(), TCOOFF);
        const std::uint64_t count = queued();
        ::tcflush(fd_.get(), TCOFLUSH);
        ::tcflow(fd_.get(), TCOON);
        return count;
    }

    void discardInput() override { ::tcflush(fd_.get(), TCIFLUSH); }

    Finish finish(int) override {
        // Called once nothing is queued: only the last characters in the
        // line are left.
        while (::tcdrain(fd_.get()) != 0) {
            if (errno != EINTR) {
                error_ = errno;
                return Finish::Failed;
            }
        }
        finished_ = true;
        return Finish::Done;
    }

    std::string error() const override { return systemText(error_); }

private:
    std::int64_t fail(int error) {
        error_ = error;
        return -1;
    }

    FileDescriptor fd_;
    std::uint32_t baud_;
    int error_ = 0;
    bool finished_ = false;
};

class SocketPort final : public Port {
public:
    explicit SocketPort(FileDescriptor fd) : fd_(std::move(fd)) {}

    std::int64_t write(const char* data, std::size_t count, int waitMs) override {
        const int ready = await(fd_.get(), POLLOUT, waitMs);
        if (ready < 0) return fail(errno);
        if (ready == 0) return 0;
#ifdef MSG_NOSIGNAL
        const int flags = MSG_NOSIGNAL;
#else
        const int flags = 0;
#endif
        const ssize_t sent = ::send(fd_.get(), data, count, flags);
        if (sent < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : fail(errno);
        return sent;
    }

    std::int64_t read(char* data, std::size_t count, int waitMs) override {
        const int ready = await(fd_.get(), POLLIN, waitMs);
        if (ready < 0) return fail(errno);
        if (ready == 0) return 0;
        const ssize_t got = ::recv(fd_.get(), data, count, 0);
        if (got < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : fail(errno);
        return got;
    }

    std::uint64_t queued() override {
#ifdef SIOCOUTQ
        // Sent but not yet acknowledged by the other end, or not sent at all.
        int count = 0;
        if (::ioctl(fd_.get(), SIOCOUTQ, &count) == 0 && count > 0) return static_cast<std::uint64_t>(count);
#endif
        return 0;
    }

    std::uint64_t discardQueued() override { return 0; }

    void discardInput() override {
        char bytes[512];
        while (::recv(fd_.get(), bytes, sizeof bytes, MSG_DONTWAIT) > 0) {
        }
    }

    Finish finish(int waitMs) override {
        // The other end closes once it has read everything.
        if (::shutdown(fd_.get(), SHUT_WR) != 0) {
            error_ = errno;
            return Finish::Failed;
        }
        char bytes[512];
        for (int waited = 0; waited < waitMs; waited += 100) {
            const int ready = await(fd_.get(), POLLIN, 100);
            if (ready < 0) break;
            if (ready == 0) continue;
            const ssize_t got = ::recv(fd_.get(), bytes, sizeof bytes, 0);
            if (got == 0) return Finish::Done;
            if (got < 0 && errno != EAGAIN && errno != EINTR) {
                error_ = errno;
                return Finish::Failed;
            }
        }
        // An end that keeps its side open has still acknowledged every byte.
        return queued() == 0 ? Finish::Done : Finish::TimedOut;
    }

    std::string error() const override { return systemText(error_); }

private:
    std::int64_t fail(int error) {
        error_ = error;
        return -1;
    }

    FileDescriptor fd_;
    int error_ = 0;
};

// The reason a port cannot be used, in words, with the system's own.
std::string openFailure(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return "not there (" + systemText(error) + ")";
        case EBUSY:
        case EWOULDBLOCK:
            return "busy: another program has it open (" + systemText(EBUSY) + ")";
        case EACCES:
        case EPERM:
            return "no permission to use it (" + systemText(error) + ")";
        case EISDIR:
            return "a folder, not a serial port (" + systemText(error) + ")";
        case ENOTTY:
            return "not a serial port";
        default:
            return systemText(error);
    }
}

}  // namespace

std::unique_ptr<Port> openSerialPort(const std::string& name, const SerialSettings& settings,
                                     std::string& error) {
    FileDescriptor fd(::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
        error = openFailure(errno);
        return nullptr;
    }
    if (!::isatty(fd.get())) {
        struct stat info {};
        const bool folder = ::fstat(fd.get(), &info) == 0 && S_ISDIR(info.st_mode);
        error = openFailure(folder ? EISDIR : ENOTTY);
        return nullptr;
    }
    // No second sender on the same port: another program's lock makes it
    // busy, and others may not open it while we have it.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        error = openFailure(errno == EWOULDBLOCK ? EBUSY : errno);
        return nullptr;
    }
    ::ioctl(fd.get(), TIOCEXCL);

    termios options{};
    if (::tcgetattr(fd.get(), &options) != 0) {
        error = openFailure(errno);
        return nullptr;
    }
    ::cfmakeraw(&options);
    options.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    options.c_cflag |= CS8 | CLOCAL | CREAD;
    options.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (settings.flow == Flow::XonXoff) options.c_iflag |= IXON;
    if (settings.flow == Flow::RtsCts) options.c_cflag |= CRTSCTS;
    options.c_cc[VMIN] = 0;
    options.c_cc[VTIME] = 0;
    options.c_cc[VSTART] = 0x11;
    options.c_cc[VSTOP] = 0x13;
    const speed_t speed = speedOf(settings.baud);
    if (speed == B0 || ::cfsetispeed(&options, speed) != 0 || ::cfsetospeed(&options, speed) != 0 ||
        ::tcsetattr(fd.get(), TCSANOW, &options) != 0) {
        error = "cannot be set to " + std::to_string(settings.baud) + " baud (" + systemText(errno) + ")";
        return nullptr;
    }
    // tcsetattr succeeds if any of the settings took: read them back.
    termios set{};
    if (::tcgetattr(fd.get(), &set) != 0 || ::cfgetospeed(&set) != speed ||
        (set.c_cflag & CSIZE) != CS8 || (set.c_iflag & IXON) != (options.c_iflag & IXON) ||
        (set.c_cflag & CRTSCTS) != (options.c_cflag & CRTSCTS)) {
        error = "does not take the settings (" + std::to_string(settings.baud) + " baud, 8N1, " +
                (settings.flow == Flow::RtsCts ? "RTS/CTS" : settings.flow == Flow::XonXoff ? "XON/XOFF" : "no handshake") + ")";
        return nullptr;
    }
    ::tcflush(fd.get(), TCIOFLUSH);
    return std::make_unique<SerialPort>(std::move(fd), settings.baud);
}

std::unique_ptr<Port> openSocket(const std::string& host, const std::string& service, double waitSeconds,
                                 std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int status = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); status != 0) {
        error = ::gai_strerror(status);
        return nullptr;
    }
    int lastError = ETIMEDOUT;
    for (addrinfo* address = found; address; address = address->ai_next) {
        FileDescriptor fd(::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                   address->ai_protocol));
        if (!fd) {
            lastError = errno;
            continue;
        }
        if (::connect(fd.get(), address->ai_addr, address->ai_addrlen) != 0) {
            if (errno != EINPROGRESS) {
                lastError = errno;
                continue;
            }
            const int ready = await(fd.get(), POLLOUT, static_cast<int>(waitSeconds * 1000));
            int status = 0;
            socklen_t length = sizeof status;
            if (ready <= 0) {
                lastError = ready == 0 ? ETIMEDOUT : errno;
                continue;
            }
            if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &status, &length) != 0 || status != 0) {
                lastError = status ? status : errno;
                continue;
            }
        }
        ::freeaddrinfo(found);
        return std::make_unique<SocketPort>(std::move(fd));
    }
    ::freeaddrinfo(found);
    error = systemText(lastError);
    return nullptr;
}

}  // namespace kerfline::delivery

#endif  // _WIN32
