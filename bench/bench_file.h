// The big cutter jobs the benchmarks open: 2,000,000 instructions, made once
// in the temporary folder and kept there.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace kerfline::bench {

inline constexpr int kInstructions = 2'000'000;

// With `shortCuts`, each point a few millimetres from the last and a pen-up
// jump to a new shape every tenth instruction, as exports of many small
// shapes give; otherwise random points whose cuts cross the whole drawing.
inline std::string bigJobFile(const char* name, bool shortCuts) {
    const auto file = std::filesystem::temp_directory_path() / name;
    if (std::filesystem::exists(file)) return file.string();
    std::FILE* out = std::fopen(file.string().c_str(), "wb");
    if (!out) std::abort();
    std::uint32_t state = 12345;
    auto next = [&state](std::uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    std::fputs("IN;SP1;", out);
    std::int32_t x = 200000, y = 150000;
    for (int i = 0; i < kInstructions; ++i) {
        if (shortCuts) {
            const std::int32_t reach = i % 10 == 0 ? 8000 : 160;  // 200 mm or 4 mm
            x = std::clamp<std::int32_t>(x + static_cast<std::int32_t>(next(2 * reach + 1)) - reach,
                                         0, 400000);
            y = std::clamp<std::int32_t>(y + static_cast<std::int32_t>(next(2 * reach + 1)) - reach,
                                         0, 300000);
        } else {
            x = static_cast<std::int32_t>(next(400000));
            y = static_cast<std::int32_t>(next(300000));
        }
        std::fprintf(out, "%s%d,%d;", i % 10 == 0 ? "PU" : "PD", x, y);
    }
    std::fclose(out);
    return file.string();
}

// The native benchmarks' job: one-point instructions of random points below
// 100000, a pen-up move every tenth, about 29 MB.
inline std::string plainJobFile() {
    const auto file = std::filesystem::temp_directory_path() / "kerfline-bench-2M.plt";
    if (std::filesystem::exists(file) && std::filesystem::file_size(file) >= 20'000'000)
        return file.string();
    std::FILE* out = std::fopen(file.string().c_str(), "wb");
    if (!out) std::abort();
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % 100000;
    };
    std::fputs("IN;SP1;", out);
    for (int i = 0; i < kInstructions; ++i)
        std::fprintf(out, "%s%u,%u;", i % 10 == 0 ? "PU" : "PD", next(), next());
    std::fclose(out);
    return file.string();
}

}  // namespace kerfline::bench
