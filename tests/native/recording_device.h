// A device context for native tests: records every GDI call and maps
// logical coordinates to device pixels as the platform does in MM_ISOTROPIC.
#pragma once

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "drawing/gdi.h"

namespace kerfline::test {

struct Segment {
    int x1, y1, x2, y2;  // device pixels
    friend bool operator==(const Segment&, const Segment&) = default;
};

class RecordingDevice final : public gdi::Device {
public:
    // Every call as text, e.g. "SetWindowExtEx 100,50", in order.
    std::vector<std::string> calls;
    // Lines in logical units as handed to the device, and in device pixels.
    std::vector<Segment> logicalLines;
    std::vector<Segment> deviceLines;
    // The points of each PolyPolyline call.
    std::vector<int> batchPoints;
    int mapMode = 1;  // MM_TEXT
    int caps[16] = {};

    int setMapMode(int mode) override {
        record("SetMapMode", mode);
        const int previous = mapMode;
        mapMode = mode;
        return previous;
    }
    BOOL setWindowExt(int x, int y, LPSIZE) override {
        record("SetWindowExtEx", x, y);
        if (x == 0 || y == 0) return 0;  // the platform refuses a zero extent
        windowExtX_ = x;
        windowExtY_ = y;
        return 1;
    }
    BOOL setViewportExt(int x, int y, LPSIZE) override {
        record("SetViewportExtEx", x, y);
        if (x == 0 || y == 0) return 0;
        viewportExtX_ = x;
        viewportExtY_ = y;
        if (mapMode == MM_ISOTROPIC) {
            // Keep a logical unit the same size on both axes: the smaller
            // ratio serves for both, the signs stay.
            const double rx = std::fabs(double(viewportExtX_) / windowExtX_);
            const double ry = std::fabs(double(viewportExtY_) / windowExtY_);
            if (rx < ry)
                viewportExtY_ = sign(viewportExtY_) * int(std::lround(rx * std::abs(windowExtY_)));
            else if (ry < rx)
                viewportExtX_ = sign(viewportExtX_) * int(std::lround(ry * std::abs(windowExtX_)));
        }
        return 1;
    }
    BOOL setViewportOrg(int x, int y, LPPOINT) override {
        record("SetViewportOrgEx", x, y);
        viewportOrgX_ = x;
        viewportOrgY_ = y;
        return 1;
    }
    BOOL setWindowOrg(int x, int y, LPPOINT) override {
        record("SetWindowOrgEx", x, y);
        windowOrgX_ = x;
        windowOrgY_ = y;
        return 1;
    }
    int deviceCaps(int index) override {
        record("GetDeviceCaps", index);
        return index >= 0 && index < 16 ? caps[index] : 0;
    }
    // Like the platform, refuses the whole call, drawing nothing, when a
    // polyline has fewer than two points.
    BOOL polyPolyline(const POINT* points, const DWORD* counts, DWORD polylines) override {
        DWORD total = 0;
        for (DWORD i = 0; i < polylines; ++i) {
            if (counts[i] < 2) {
                record("PolyPolyline refused", static_cast<int>(polylines));
                return 0;
            }
            total += counts[i];
        }
        record("PolyPolyline", static_cast<int>(polylines), static_cast<int>(total));
        batchPoints.push_back(static_cast<int>(total));
        for (DWORD i = 0; i < polylines; ++i, ++points)
            for (DWORD k = 1; k < counts[i]; ++k, ++points) {
                const POINT a = points[0], b = points[1];
                logicalLines.push_back({a.x, a.y, b.x, b.y});
                deviceLines.push_back({deviceX(a.x), deviceY(a.y), deviceX(b.x), deviceY(b.y)});
            }
        return 1;
    }

    int deviceX(int x) const {
        return map(x, windowOrgX_, windowExtX_, viewportOrgX_, viewportExtX_);
    }
    int deviceY(int y) const {
        return map(y, windowOrgY_, windowExtY_, viewportOrgY_, viewportExtY_);
    }
    int viewportExtX() const { return viewportExtX_; }
    int viewportExtY() const { return viewportExtY_; }

    // The calls that change the mapping, in order.
    std::vector<std::string> mappingCalls() const {
        std::vector<std::string> out;
        for (const std::string& call : calls)
            if (call.rfind("Set", 0) == 0) out.push_back(call);
        return out;
    }

private:
    static int sign(int v) { return v < 0 ? -1 : 1; }
    static int map(int v, int wo, int we, int vo, int ve) {
        return vo + int(std::lround(double(v - wo) * ve / we));
    }
    template <typename... Args>
    void record(const char* name, Args... args) {
        std::string text = name;
        const char* sep = " ";
        ((text += sep + std::to_string(args), sep = ","), ...);
        calls.push_back(text);
    }

    int windowExtX_ = 1, windowExtY_ = 1, viewportExtX_ = 1, viewportExtY_ = 1;
    int windowOrgX_ = 0, windowOrgY_ = 0, viewportOrgX_ = 0, viewportOrgY_ = 0;
};

// A window with a client area and a sizing frame.
class FakeWindow final : public gdi::Window {
public:
    FakeWindow(int width, int height, int frameX = 4, int frameY = 4)
        : width_(width), height_(height), frameX_(frameX), frameY_(frameY) {
        gdi::metricsSource() = this;
    }
    ~FakeWindow() override { gdi::metricsSource() = nullptr; }
    BOOL clientRect(LPRECT rect) override {
        *rect = RECT{0, 0, width_, height_};
        return 1;
    }
    int systemMetric(int index) override {
        return index == SM_CXFRAME ? frameX_ : index == SM_CYFRAME ? frameY_ : 0;
    }

private:
    int width_, height_, frameX_, frameY_;
};

}  // namespace kerfline::test
