// Rendering onto real GDI device contexts: a memory bitmap stands in for the
// window's client area and for a printer page, and the pixels are checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "drawing/drawing.h"
#include "hpgl/reader.h"
#include "shell/win32.h"

namespace kerfline {
namespace {

// A white 32-bit bitmap selected into a memory device context.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels_ = static_cast<std::uint32_t*>(bits);
        previous_ = SelectObject(dc_, bitmap_);
        PatBlt(dc_, 0, 0, width, height, WHITENESS);
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    bool ready() const { return dc_ && bitmap_ && pixels_; }
    bool samePixels(const Canvas& other) const {
        GdiFlush();
        return width_ == other.width_ && height_ == other.height_ &&
               std::equal(pixels_, pixels_ + width_ * height_, other.pixels_);
    }
    bool ink(int x, int y) const {
        GdiFlush();
        return (pixels_[y * width_ + x] & 0xFFFFFF) != 0xFFFFFF;
    }
    // The smallest rectangle holding every inked pixel; left > right when none.
    RECT inkBox() const {
        RECT box{width_, height_, -1, -1};
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (ink(x, y)) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x);
                    box.bottom = std::max<LONG>(box.bottom, y);
                }
        return box;
    }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* pixels_ = nullptr;
};

// A hidden window whose client area has the canvas's size: render() reads
// the client rectangle from it.
class ClientWindow {
public:
    ClientWindow(int width, int height) {
        WNDCLASSA cls{};
        cls.lpfnWndProc = DefWindowProcA;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = "KerflineRenderTest";
        RegisterClassA(&cls);
        RECT frame{0, 0, width, height};
        AdjustWindowRectEx(&frame, WS_POPUP, FALSE, 0);
        window_ =
            CreateWindowExA(0, cls.lpszClassName, "", WS_POPUP, 0, 0, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, cls.hInstance, nullptr);
    }
    ~ClientWindow() { DestroyWindow(window_); }
    HWND handle() const { return window_; }

private:
    HWND window_ = nullptr;
};

PlotDrawing drawingOf(const char* text) {
    PlotDrawing drawing;
    MemoryInput in(text);
    readDrawing(in, drawing);
    return drawing;
}

class RenderOnGdi : public ::testing::Test {};

TEST_F(RenderOnGdi, WindowPictureFillsTheMarginsBoxWithItsProportions) {
    constexpr int kWidth = 420, kHeight = 320;
    ClientWindow window(kWidth, kHeight);
    ASSERT_NE(window.handle(), nullptr);
    RECT client{};
    GetClientRect(window.handle(), &client);
    ASSERT_EQ(client.right, kWidth);
    ASSERT_EQ(client.bottom, kHeight);
    Canvas canvas(kWidth, kHeight);
    ASSERT_TRUE(canvas.ready());

    // A 100 x 50 mm rectangle.
    const PlotDrawing drawing = drawingOf("IN;PU0,0;PD4000,0,4000,2000,0,2000,0,0;PU0,0;");
    drawing.render(window.handle(), canvas.dc());

    const int fx = GetSystemMetrics(SM_CXFRAME);
    const int fy = GetSystemMetrics(SM_CYFRAME);
    const RECT box = canvas.inkBox();
    ASSERT_LE(box.left, box.right) << "nothing was drawn";
    // Anchored at the upper-left margin corner, as wide as the room allows.
    EXPECT_NEAR(box.left, fx, 1);
    EXPECT_NEAR(box.top, fy, 1);
    EXPECT_NEAR(box.right, kWidth - fx, 2);
    const double width = box.right - box.left;
    const double height = box.bottom - box.top;
    EXPECT_NEAR(width / height, 2.0, 0.05);
    // The outline, not a fill: the middle stays white, and so do the margins.
    EXPECT_FALSE(canvas.ink((box.left + box.right) / 2, (box.top + box.bottom) / 2));
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < fx - 1; ++x) ASSERT_FALSE(canvas.ink(x, y)) << x << "," << y;
        if (y < fy - 1 || y > box.bottom + 1) {
            for (int x = 0; x < kWidth; ++x) ASSERT_FALSE(canvas.ink(x, y)) << x << "," << y;
        }
    }
    // y grows upward: the bottom edge of the drawing is the lower line.
    EXPECT_TRUE(canvas.ink((box.left + box.right) / 2, box.bottom));
    EXPECT_TRUE(canvas.ink((box.left + box.right) / 2, box.top));
}

TEST_F(RenderOnGdi, AStraightCutAndASinglePointAreVisible) {
    constexpr int kWidth = 300, kHeight = 200;
    ClientWindow window(kWidth, kHeight);
    for (const char* text : {"PU100,100;PD5000,100;", "PU100,100;PD100,5000;", "PU7,7;PD7,7;"}) {
        Canvas canvas(kWidth, kHeight);
        drawingOf(text).render(window.handle(), canvas.dc());
        const RECT box = canvas.inkBox();
        EXPECT_LE(box.left, box.right) << text << ": nothing was drawn";
        EXPECT_GE(box.left, GetSystemMetrics(SM_CXFRAME) - 1) << text;
        EXPECT_GE(box.top, GetSystemMetrics(SM_CYFRAME) - 1) << text;
    }
}

TEST_F(RenderOnGdi, TooSmallAWindowDrawsNothing) {
    const int fx = GetSystemMetrics(SM_CXFRAME);
    ClientWindow window(2 * fx, 100);
    Canvas canvas(100, 100);
    drawingOf("PU0,0;PD100,100;").render(window.handle(), canvas.dc());
    const RECT box = canvas.inkBox();
    EXPECT_GT(box.left, box.right);
    EXPECT_EQ(GetMapMode(canvas.dc()), MM_TEXT);
}

TEST_F(RenderOnGdi, PageAtTrueScaleHasTheOriginAtTheLowerLeft) {
    // The memory context answers GetDeviceCaps with the screen's size, which
    // is what a page of that size would be.
    Canvas canvas(GetDeviceCaps(GetDC(nullptr), HORZRES), GetDeviceCaps(GetDC(nullptr), VERTRES));
    ASSERT_TRUE(canvas.ready());
    const int pixelsX = GetDeviceCaps(canvas.dc(), HORZRES);
    const int pixelsY = GetDeviceCaps(canvas.dc(), VERTRES);
    const int mmX = GetDeviceCaps(canvas.dc(), HORZSIZE);
    ASSERT_GT(mmX, 60);
    // A 50 mm line 1 mm above the bottom edge of the page, from x = 0.
    drawingOf("PU0,40;PD2000,40;").render(nullptr, canvas.dc());
    const RECT box = canvas.inkBox();
    ASSERT_LE(box.left, box.right) << "nothing was drawn";
    const double pixelsPerMm = static_cast<double>(pixelsX) / mmX;
    EXPECT_LE(box.left, 1);
    EXPECT_NEAR(box.bottom, pixelsY - pixelsPerMm, 2);
    EXPECT_NEAR(box.right - box.left, 50 * pixelsPerMm, pixelsPerMm + 1);
}

// The window's picture of a job of many short cuts, drawn in batches of
// polylines, is the picture of one MoveToEx and LineTo for every cut under
// the same mapping, pixel for pixel.
TEST_F(RenderOnGdi, WindowPictureIsThatOfOneLineForEveryCut) {
    for (const auto& [reach, width, height] :
         {std::tuple{40, 420, 320}, std::tuple{600, 420, 320}, std::tuple{150, 331, 517}}) {
        std::uint32_t state = 11;
        auto next = [&state](int range) {
            state = state * 1664525u + 1013904223u;
            return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(range));
        };
        std::string text;
        std::vector<std::pair<bool, POINT>> walk;
        int x = 0, y = 0;
        for (int i = 0; i < 20000; ++i) {
            const bool down = i % 10 != 0;
            if (down) {
                x += next(2 * reach + 1) - reach;
                y += next(2 * reach + 1) - reach;
            } else {
                x = next(100000);
                y = next(80000);
            }
            walk.push_back({down, POINT{x, y}});
            text += (down ? "PD" : "PU") + std::to_string(x) + "," + std::to_string(y) + ";";
        }
        const PlotDrawing drawing = drawingOf(text.c_str());
        ClientWindow window(width, height);
        Canvas picture(width, height), reference(width, height);
        ASSERT_TRUE(picture.ready() && reference.ready());
        drawing.render(window.handle(), picture.dc());

        // The mapping render() set, on the reference canvas.
        SIZE windowExt, viewportExt;
        POINT windowOrg, viewportOrg;
        GetWindowExtEx(picture.dc(), &windowExt);
        GetViewportExtEx(picture.dc(), &viewportExt);
        GetWindowOrgEx(picture.dc(), &windowOrg);
        GetViewportOrgEx(picture.dc(), &viewportOrg);
        SetMapMode(reference.dc(), MM_ANISOTROPIC);
        SetWindowExtEx(reference.dc(), windowExt.cx, windowExt.cy, nullptr);
        SetViewportExtEx(reference.dc(), viewportExt.cx, viewportExt.cy, nullptr);
        SetWindowOrgEx(reference.dc(), windowOrg.x, windowOrg.y, nullptr);
        SetViewportOrgEx(reference.dc(), viewportOrg.x, viewportOrg.y, nullptr);
        const int shift = drawing.shift;
        for (std::size_t i = 1; i < walk.size(); ++i) {
            if (!walk[i].first) continue;
            const POINT a{walk[i - 1].second.x >> shift, walk[i - 1].second.y >> shift};
            const POINT b{walk[i].second.x >> shift, walk[i].second.y >> shift};
            MoveToEx(reference.dc(), a.x, a.y, nullptr);
            // A cut back to its start is drawn one unit long.
            LineTo(reference.dc(), b.x + (a.x == b.x && a.y == b.y), b.y);
        }
        EXPECT_TRUE(picture.samePixels(reference)) << reach << " units, " << width << "x" << height;
        EXPECT_LE(picture.inkBox().left, picture.inkBox().right);
    }
}

}  // namespace
}  // namespace kerfline
