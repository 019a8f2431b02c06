#include "delivery/progress.h"

#include <cmath>
#include <cstdio>

namespace kerfline::delivery {

namespace {

constexpr int kBarWidth = 16;
// Narrower than a terminal of 80 columns, so that it is redrawn in place.
constexpr std::size_t kWidest = 79;

// "812 B", "12.0 KB", "3.4 MB" (1000s, as the bytes of a file are counted).
std::string amountText(std::uint64_t sent, std::uint64_t total) {
    char text[64];
    if (total < 10000) {
        std::snprintf(text, sizeof text, "%llu/%llu B", static_cast<unsigned long long>(sent),
                      static_cast<unsigned long long>(total));
    } else if (total < 10000000) {
        std::snprintf(text, sizeof text, "%.1f/%.1f KB", static_cast<double>(sent) / 1e3,
                      static_cast<double>(total) / 1e3);
    } else {
        std::snprintf(text, sizeof text, "%.1f/%.1f MB", static_cast<double>(sent) / 1e6,
                      static_cast<double>(total) / 1e6);
    }
    return text;
}

// Whole per cent, 100 only when everything is sent.
int percentOf(const Progress& progress) {
    if (progress.total == 0) return 100;
    if (progress.sent >= progress.total) return 100;
    return static_cast<int>(static_cast<double>(progress.sent) * 100.0 / static_cast<double>(progress.total));
}

}  // namespace

std::string clockText(double seconds) {
    const long long whole = seconds > 0 ? static_cast<long long>(seconds) : 0;
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

std::string progressLine(const Progress& progress) {
    const int percent = percentOf(progress);
    std::string bar(kBarWidth, '-');
    const int filled = percent * kBarWidth / 100;
    for (int i = 0; i < filled; ++i) bar[static_cast<std::size_t>(i)] = '#';
    std::string left = "--:--";
    if (progress.sent > 0 && progress.sent <= progress.total) {
        const double rate = static_cast<double>(progress.sent) / std::max(progress.elapsed, 1e-3);
        left = clockText(std::ceil(static_cast<double>(progress.total - progress.sent) / rate));
    }
    char text[256];
    std::snprintf(text, sizeof text, "[%s] %3d%%  %s, %s left  %s  %zu/%zu instructions", bar.c_str(), percent,
                  clockText(progress.elapsed).c_str(), left.c_str(),
                  amountText(progress.sent, progress.total).c_str(), progress.instructions, progress.count);
    std::string line(text);
    if (line.size() > kWidest) line.resize(kWidest);
    return line;
}

std::string progressLogLine(const Progress& progress) {
    char text[256];
    std::snprintf(text, sizeof text, "sent %d%%: %s, instruction %zu of %zu, %s", percentOf(progress),
                  amountText(progress.sent, progress.total).c_str(), progress.instructions,
                  progress.count, clockText(progress.elapsed).c_str());
    return text;
}

std::string ProgressReport::update(const Progress& progress) {
    if (terminal_) {
        std::string line = progressLine(progress);
        const std::size_t length = line.size();
        // Blanks over whatever of a longer line before is still shown.
        if (length < shown_) line.append(shown_ - length, ' ');
        shown_ = length;
        return "\r" + line;
    }
    const int tenths = percentOf(progress) / 10;
    if (tenths <= tenths_) return {};
    tenths_ = tenths;
    return progressLogLine(progress) + "\n";
}

}  // namespace kerfline::delivery
