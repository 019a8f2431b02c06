// Serial ports and sockets on Windows, for kerfline-cli send: the
// communications functions on \\.\COMn, and Winsock.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef STRICT
#define STRICT
#endif
// Winsock 2 before <windows.h>, which would bring in the first Winsock.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "print/win32.h"

#include <algorithm>
#include <string>

#include "delivery/port.h"

namespace kerfline::delivery {

namespace {

// The system's text for an error, without its line end and full stop.
std::string systemText(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length && text ? std::string(text, length) : "error " + std::to_string(error);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.' ||
                                message.back() == ' '))
        message.pop_back();
    return message;
}

// Owns a handle and closes it on every way out.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

class SerialPort final : public Port {
public:
    SerialPort(FileHandle handle, std::uint32_t baud) : handle_(std::move(handle)), baud_(baud) {}
    ~SerialPort() override {
        // Whatever is still queued after a stall would hold up the close.
        if (!finished_) PurgeComm(handle_.get(), PURGE_TXABORT | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_RXCLEAR);
    }

    std::int64_t write(const char* data, std::size_t count, int waitMs) override {
        if (!setWaits(waitMs, 0)) return -1;
        DWORD written = 0;
        const DWORD size = count > 0x10000 ? 0x10000 : static_cast<DWORD>(count);
        // A write that runs out of time succeeds with the bytes it took.
        if (!WriteFile(handle_.get(), data, size, &written, nullptr) && GetLastError() != ERROR_TIMEOUT)
            return fail();
        return written;
    }

    std::int64_t read(char* data, std::size_t count, int waitMs) override {
        if (!setWaits(0, waitMs)) return -1;
        DWORD got = 0;
        const DWORD size = count > 0x10000 ? 0x10000 : static_cast<DWORD>(count);
        if (!ReadFile(handle_.get(), data, size, &got, nullptr) && GetLastError() != ERROR_TIMEOUT)
            return fail();
        return got;
    }

    std::uint64_t queued() override {
        bool held = false;
        return queued(held);
    }

    std::uint64_t discardQueued() override {
        // Nothing counted, nothing purged (Wine's pseudo-terminals count
        // nothing, yet a purge would drop what they have passed on).
        bool held = false;
        const std::uint64_t before = queued(held);
        if (before == 0) return 0;
        // Held by the cutter (XOFF, CTS), or not moving in the time of a
        // few characters: count and purge agree.
        if (!held) {
            Sleep(static_cast<DWORD>(std::max(20.0, 30000.0 / baud_)));
            held = queued(held) == before;
        }
        if (held) {
            PurgeComm(handle_.get(), PURGE_TXABORT | PURGE_TXCLEAR);
            return before;
        }
        // Otherwise held by us meanwhile, as if the cutter had said XOFF, so
        // that no byte leaves between the count and the purge.
        EscapeCommFunction(handle_.get(), SETXOFF);
        const std::uint64_t count = queued(held);
        PurgeComm(handle_.get(), PURGE_TXABORT | PURGE_TXCLEAR);
        EscapeCommFunction(handle_.get(), SETXON);
        return count;
    }

    void discardInput() override { PurgeComm(handle_.get(), PURGE_RXABORT | PURGE_RXCLEAR); }

    Finish finish(int) override {
        if (FlushFileBuffers(handle_.get())) {
            finished_ = true;
            return Finish::Done;
        }
        error_ = GetLastError();
        return Finish::Failed;
    }

    std::string error() const override { return systemText(error_); }

private:
    // The output queue, and whether the cutter holds it.
    std::uint64_t queued(bool& held) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(handle_.get(), &errors, &status)) return 0;
        held = status.fCtsHold || status.fXoffHold;
        return status.cbOutQue;
    }

    // The timeouts of the next call: a write of at most `writeMs`; a read
    // that returns what has come, or waits at most `readMs` for the first.
    bool setWaits(int writeMs, int readMs) {
        if (writeMs == writeMs_ && readMs == readMs_) return true;
        COMMTIMEOUTS timeouts{};
        timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(writeMs > 0 ? writeMs : 1);
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
        timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(readMs > 0 ? readMs : 1);
        if (!SetCommTimeouts(handle_.get(), &timeouts)) {
            fail();
            return false;
        }
        writeMs_ = writeMs;
        readMs_ = readMs;
        return true;
    }

    std::int64_t fail() {
        error_ = GetLastError();
        return -1;
    }

    FileHandle handle_;
    std::uint32_t baud_;
    DWORD error_ = 0;
    int writeMs_ = -1;
    int readMs_ = -1;
    bool finished_ = false;
};

// Winsock, started once for the program.
bool startWinsock() {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

// Waits at most `waitMs` for `socket` to be ready: 1, 0 not yet, -1 failed.
int await(SOCKET socket, bool forWriting, int waitMs) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(socket, &ready);
    fd_set failed;
    FD_ZERO(&failed);
    FD_SET(socket, &failed);
    timeval wait{waitMs / 1000, (waitMs % 1000) * 1000};
    const int count = select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed, &wait);
    if (count < 0) return -1;
    return count > 0 ? 1 : 0;
}

class SocketPort final : public Port {
public:
    explicit SocketPort(SOCKET socket) : socket_(socket) {}
    ~SocketPort() override { closesocket(socket_); }

    std::int64_t write(const char* data, std::size_t count, int waitMs) override {
        const int ready = await(socket_, true, waitMs);
        if (ready < 0) return fail();
        if (ready == 0) return 0;
        const int size = count > 0x10000 ? 0x10000 : static_cast<int>(count);
        const int sent = send(socket_, data, size, 0);
        if (sent == SOCKET_ERROR) return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : fail();
        return sent;
    }

    std::int64_t read(char* data, std::size_t count, int waitMs) override {
        const int ready = await(socket_, false, waitMs);
        if (ready < 0) return fail();
        if (ready == 0) return 0;
        const int size = count > 0x10000 ? 0x10000 : static_cast<int>(count);
        const int got = recv(socket_, data, size, 0);
        if (got == SOCKET_ERROR) return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : fail();
        return got;
    }

    // Winsock does not tell what is still unacknowledged.
    std::uint64_t queued() override { return 0; }
    std::uint64_t discardQueued() override { return 0; }

    void discardInput() override {
        char bytes[512];
        while (await(socket_, false, 0) > 0 && recv(socket_, bytes, sizeof bytes, 0) > 0) {
        }
    }

    Finish finish(int waitMs) override {
        // The other end closes once it has read everything.
        if (shutdown(socket_, SD_SEND) == SOCKET_ERROR) {
            fail();
            return Finish::Failed;
        }
        char bytes[512];
        for (int waited = 0; waited < waitMs; waited += 100) {
            const int ready = await(socket_, false, 100);
            if (ready < 0) break;
            if (ready == 0) continue;
            const int got = recv(socket_, bytes, sizeof bytes, 0);
            if (got == 0) return Finish::Done;
            if (got == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) {
                fail();
                return Finish::Failed;
            }
        }
        return Finish::TimedOut;
    }

    std::string error() const override { return systemText(error_); }

private:
    std::int64_t fail() {
        error_ = static_cast<DWORD>(WSAGetLastError());
        return -1;
    }

    SOCKET socket_;
    DWORD error_ = 0;
};

// Why `name` did not open. A folder is refused as access denied, which
// for a port means that another program has it.
std::string openFailure(const std::string& name, DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return "not there (" + systemText(error) + ")";
        case ERROR_ACCESS_DENIED:
            if (const DWORD attributes = GetFileAttributesA(name.c_str());
                attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                return "a folder, not a serial port (" + systemText(error) + ")";
            [[fallthrough]];
        case ERROR_SHARING_VIOLATION:
            return "busy: another program has it open (" + systemText(error) + ")";
        default:
            return systemText(error);
    }
}

}  // namespace

std::unique_ptr<Port> openSerialPort(const std::string& name, const SerialSettings& settings,
                                     std::string& error) {
    FileHandle handle(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
    if (!handle) {
        error = openFailure(name, GetLastError());
        return nullptr;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle.get(), &dcb)) {
        error = "not a serial port (" + systemText(GetLastError()) + ")";
        return nullptr;
    }
    dcb.BaudRate = settings.baud;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fOutxCtsFlow = settings.flow == Flow::RtsCts;
    dcb.fRtsControl = settings.flow == Flow::RtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fOutX = settings.flow == Flow::XonXoff;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    if (!SetCommState(handle.get(), &dcb)) {
        error = "cannot be set to " + std::to_string(settings.baud) + " baud (" + systemText(GetLastError()) + ")";
        return nullptr;
    }
    DCB set{};
    set.DCBlength = sizeof set;
    if (!GetCommState(handle.get(), &set) || set.BaudRate != dcb.BaudRate || set.ByteSize != 8 ||
        set.fOutX != dcb.fOutX || set.fOutxCtsFlow != dcb.fOutxCtsFlow) {
        error = "does not take the settings (" + std::to_string(settings.baud) + " baud, 8N1)";
        return nullptr;
    }
    PurgeComm(handle.get(), PURGE_TXABORT | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_RXCLEAR);
    return std::make_unique<SerialPort>(std::move(handle), settings.baud);
}

std::unique_ptr<Port> openSocket(const std::string& host, const std::string& service, double waitSeconds,
                                 std::string& error) {
    if (!startWinsock()) {
        error = systemText(static_cast<DWORD>(WSAGetLastError()));
        return nullptr;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int status = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); status != 0) {
        error = systemText(static_cast<DWORD>(status));
        return nullptr;
    }
    DWORD lastError = WSAETIMEDOUT;
    for (addrinfo* address = found; address; address = address->ai_next) {
        const SOCKET candidate = socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (candidate == INVALID_SOCKET) {
            lastError = static_cast<DWORD>(WSAGetLastError());
            continue;
        }
        u_long nonBlocking = 1;
        ioctlsocket(candidate, FIONBIO, &nonBlocking);
        bool connected = connect(candidate, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0;
        if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
            const int ready = await(candidate, true, static_cast<int>(waitSeconds * 1000));
            int status = 0;
            int length = sizeof status;
            if (ready > 0 &&
                getsockopt(candidate, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&status), &length) == 0 &&
                status == 0)
                connected = true;
            else
                lastError = ready == 0 ? static_cast<DWORD>(WSAETIMEDOUT)
                                       : static_cast<DWORD>(status ? status : WSAGetLastError());
        } else if (!connected) {
            lastError = static_cast<DWORD>(WSAGetLastError());
        }
        if (connected) {
            freeaddrinfo(found);
            return std::make_unique<SocketPort>(candidate);
        }
        closesocket(candidate);
    }
    freeaddrinfo(found);
    error = systemText(lastError);
    return nullptr;
}

}  // namespace kerfline::delivery
