#include "cli/interrupt.h"

#include <csignal>

#ifdef _WIN32
#include "shell/win32.h"
#endif

namespace kerfline::cli {

namespace {

std::atomic<bool> stopAsked{false};
std::atomic<bool> stopDone{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

#ifdef _WIN32

BOOL WINAPI onConsoleEvent(DWORD event) {
    stopAsked = true;
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // A closed console, a logoff or a shutdown: the process ends when this
    // returns, so the knife is lifted first (Windows allows five seconds).
    for (int waited = 0; waited < 4500 && !stopDone.load(); waited += 50) Sleep(50);
    return TRUE;
}

#else

extern "C" void onSignal(int) { stopAsked = true; }

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr std::size_t kCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction previous[kCount];
bool installed[kCount];

#endif

}  // namespace

InterruptFlag::InterruptFlag() {
    stopAsked = false;
    stopDone = false;
#ifdef _WIN32
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
    for (std::size_t i = 0; i < kCount; ++i) {
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        // No SA_RESTART: a wait in the system ends at once.
        action.sa_flags = 0;
        installed[i] = sigaction(kSignals[i], nullptr, &previous[i]) == 0 &&
                       previous[i].sa_handler != SIG_IGN && sigaction(kSignals[i], &action, nullptr) == 0;
    }
#endif
}

InterruptFlag::~InterruptFlag() {
    finished();
#ifdef _WIN32
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
#else
    for (std::size_t i = 0; i < kCount; ++i)
        if (installed[i]) sigaction(kSignals[i], &previous[i], nullptr);
#endif
}

const std::atomic<bool>& InterruptFlag::flag() const { return stopAsked; }

void InterruptFlag::finished() { stopDone = true; }

}  // namespace kerfline::cli
