// Starting a child program from a Windows test.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <chrono>
#include <thread>

namespace kerfline::test {

// Calls `start`, one CreateProcess call that returns whether the program
// started, until it starts or fails with an error other than
// ERROR_INTERNAL_ERROR. Under Wine a start now and then fails with that
// error although nothing is wrong: while other programs start and end, and
// at the first starts after a fresh wineserver. Returns 0, or the error of
// the last call.
template <typename Start>
DWORD startRetryingWine(Start start) {
    DWORD error = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (start()) return 0;
        error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR) return error;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return error;
}

}  // namespace kerfline::test
