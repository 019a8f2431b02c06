// The few GDI calls and types that rendering uses. On Windows this is
// <windows.h>. Elsewhere a device context is an object of ours, so that
// native tests and benchmarks can record, count or map every call.
#pragma once

#ifdef _WIN32
#include "io/windows_headers.h"
#else

#include <cstdint>

namespace kerfline::gdi {

using Long = std::int32_t;  // LONG is 32 bits on Windows, whatever long is here

class Device;
class Window;

}  // namespace kerfline::gdi

using LONG = kerfline::gdi::Long;
using BOOL = int;
using DWORD = std::uint32_t;
using HDC = kerfline::gdi::Device*;
using HWND = kerfline::gdi::Window*;

struct POINT {
    LONG x;
    LONG y;
};
struct SIZE {
    LONG cx;
    LONG cy;
};
struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPPOINT = POINT*;
using LPSIZE = SIZE*;
using LPRECT = RECT*;

inline constexpr int MM_ISOTROPIC = 7;
inline constexpr int SM_CXFRAME = 32;
inline constexpr int SM_CYFRAME = 33;
inline constexpr int HORZSIZE = 4;
inline constexpr int VERTSIZE = 6;
inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;

namespace kerfline::gdi {

// What a device context does with the calls; implemented by test doubles.
class Device {
public:
    virtual ~Device() = default;
    virtual int setMapMode(int mode) = 0;
    virtual BOOL setWindowExt(int x, int y, LPSIZE previous) = 0;
    virtual BOOL setViewportExt(int x, int y, LPSIZE previous) = 0;
    virtual BOOL setViewportOrg(int x, int y, LPPOINT previous) = 0;
    virtual BOOL setWindowOrg(int x, int y, LPPOINT previous) = 0;
    virtual int deviceCaps(int index) = 0;
    // `polylines` polylines one after the other in `points`, `counts[i]`
    // points each (at least 2): each draws what LineTo would from its first
    // point through the others. The current position stays where it was.
    virtual BOOL polyPolyline(const POINT* points, const DWORD* counts, DWORD polylines) = 0;
};

// A window, as far as rendering asks about one.
class Window {
public:
    virtual ~Window() = default;
    virtual BOOL clientRect(LPRECT rect) = 0;
    virtual int systemMetric(int index) = 0;
};

// GetSystemMetrics takes no window; this is the one that answers it.
inline Window*& metricsSource() {
    static Window* source = nullptr;
    return source;
}

}  // namespace kerfline::gdi

inline int SetMapMode(HDC dc, int mode) { return dc->setMapMode(mode); }
inline BOOL SetWindowExtEx(HDC dc, int x, int y, LPSIZE previous) {
    return dc->setWindowExt(x, y, previous);
}
inline BOOL SetViewportExtEx(HDC dc, int x, int y, LPSIZE previous) {
    return dc->setViewportExt(x, y, previous);
}
inline BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous) {
    return dc->setViewportOrg(x, y, previous);
}
inline BOOL SetWindowOrgEx(HDC dc, int x, int y, LPPOINT previous) {
    return dc->setWindowOrg(x, y, previous);
}
inline int GetDeviceCaps(HDC dc, int index) { return dc->deviceCaps(index); }
inline BOOL PolyPolyline(HDC dc, const POINT* points, const DWORD* counts, DWORD polylines) {
    return dc->polyPolyline(points, counts, polylines);
}
inline BOOL GetClientRect(HWND window, LPRECT rect) { return window->clientRect(rect); }
inline int GetSystemMetrics(int index) {
    kerfline::gdi::Window* source = kerfline::gdi::metricsSource();
    return source ? source->systemMetric(index) : 4;  // Windows' usual sizing frame
}

#endif
