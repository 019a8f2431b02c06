// A cutter's knife reading HP-GL text, on its own terms: PU lifts it, PD
// lowers it, PA and points move it (PR relative), IN lifts it and sends it
// home, SP chooses the pen. It measures what it cuts and where it goes with
// the knife up, apart from the program's own walk of a job.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/point.h"

namespace kerfline::test {

struct KnifeRun {
    std::int32_t pen = 1;
    std::vector<PlotPoint> points;  // from where the knife went down
};

struct KnifeTravel {
    double down = 0.0;  // plotter units cut
    double up = 0.0;    // plotter units moved with the knife up, from (0, 0)
    std::size_t drops = 0;
    std::vector<KnifeRun> runs;
    std::map<std::int32_t, double> downByPen;
    std::vector<std::string> others;  // every other instruction, as written
};

inline KnifeTravel runKnife(std::string_view hpgl) {
    KnifeTravel travel;
    double x = 0, y = 0;
    bool down = false;
    std::int32_t pen = 1;
    const auto go = [&](double nx, double ny) {
        const double length = std::hypot(nx - x, ny - y);
        if (down) {
            travel.down += length;
            travel.downByPen[pen] += length;
            travel.runs.back().points.push_back({static_cast<std::int32_t>(nx), static_cast<std::int32_t>(ny)});
        } else {
            travel.up += length;
        }
        x = nx;
        y = ny;
    };
    std::size_t from = 0;
    while (from < hpgl.size()) {
        std::size_t end = hpgl.find(';', from);
        if (end == std::string_view::npos) end = hpgl.size();
        std::string_view instruction = hpgl.substr(from, end - from);
        from = end + 1;
        while (!instruction.empty() && (instruction.front() == '\r' || instruction.front() == '\n'))
            instruction.remove_prefix(1);
        if (instruction.size() < 2) continue;
        const std::string name{instruction.substr(0, 2)};
        // Numbers apart by commas; an instruction with anything else is
        // not one the knife reads.
        std::vector<double> numbers;
        const std::string parameters{instruction.substr(2)};
        bool numeric = true;
        for (std::size_t at = 0; at < parameters.size() && numeric;) {
            std::size_t next = parameters.find(',', at);
            if (next == std::string::npos) next = parameters.size();
            const std::string word = parameters.substr(at, next - at);
            char* stop = nullptr;
            numbers.push_back(std::strtod(word.c_str(), &stop));
            numeric = !word.empty() && *stop == '\0';
            at = next + 1;
        }
        const bool moves = name == "PU" || name == "PD" || name == "PA" || name == "PR";
        if (moves && numeric && name == "PA" && numbers.empty()) {
            // Home without cutting, even with the knife down.
            const bool wasDown = down;
            down = false;
            go(0, 0);
            down = wasDown;
            if (down) travel.runs.push_back({pen, {{0, 0}}});
        } else if (moves && numeric) {
            if (name == "PU") down = false;
            if (name == "PD" && !down) {
                down = true;
                ++travel.drops;
                travel.runs.push_back({pen, {{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)}}});
            }
            for (std::size_t k = 0; k + 1 < numbers.size(); k += 2) {
                if (name == "PR") {
                    go(x + numbers[k], y + numbers[k + 1]);
                } else {
                    go(numbers[k], numbers[k + 1]);
                }
            }
        } else if (name == "IN") {
            down = false;
            go(0, 0);
            travel.others.emplace_back(instruction);
        } else {
            if (name == "SP") pen = numbers.empty() || !numeric ? 0 : static_cast<std::int32_t>(numbers[0]);
            travel.others.emplace_back(instruction);
        }
    }
    return travel;
}

}  // namespace kerfline::test
