// What the tests of `send` share, natively and under Wine: the jobs they
// send, the stand-in cutter's report, and a walk of our own through what the
// cutter received, to see that every cut of a job arrived whole and once.
#pragma once

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace kerfline::sendtest {

// A job of `cuts` cuts, every instruction short enough for a buffer of 60
// bytes: squares in one instruction, polylines over several with a speed
// change inside (one cut across it), relative runs, pen changes.
inline std::string testJob(int cuts, unsigned seed = 1) {
    std::string job = "IN;SP1;VS80;";
    auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(range));
    };
    auto point = [](int x, int y) { return std::to_string(x) + "," + std::to_string(y); };
    for (int i = 0; i < cuts; ++i) {
        const int x = next(8000), y = next(8000);
        job += "PU" + point(x, y) + ";\n";
        switch (i % 4) {
            case 0:
                job += "PD" + point(x + 400, y) + "," + point(x + 400, y + 400) + "," + point(x, y + 400) + "," +
                       point(x, y) + ";\n";
                break;
            case 1:
                job += "PD;";
                for (int k = 1; k <= 12; ++k) {
                    job += "PA" + point(x + 300 * k, y + (k % 2) * 200) + ";\n";
                    if (k == 6) job += "VS" + std::to_string(60 + next(40)) + ";";
                }
                job += "PU;";
                break;
            case 2:
                job += "PD;PR400,0,0,400;PR-400,0;PR0,-400;PU;\n";
                break;
            default:
                job += "SP" + std::to_string(1 + next(2)) + ";PD" + point(x + 800, y + 300) + ";PU;\n";
                break;
        }
    }
    return job + "PU0,0;\n";
}

// One cut: its points from where the knife went down, and the pen and the
// speed in force there.
struct Cut {
    std::vector<std::pair<long, long>> points;
    long pen = 0;
    double speed = 0;
    friend bool operator==(const Cut&, const Cut&) = default;
};

// The cuts of a stream, walked with the program's geometry (PA, PD and PU
// points absolute, PR relative; IN and PA without points go home) and the
// speed rules of VS, SP and IN.
inline std::vector<Cut> cutsOf(std::string_view stream) {
    std::vector<Cut> cuts;
    long x = 0, y = 0, pen = 0;
    double all = 0;
    std::map<long, double> pens;
    // The knife is down; a cut is open to go on; an instruction between
    // points of an open cut leaves it to go on at the next point.
    bool down = false, open = false, joinPending = false;
    auto speed = [&]() {
        const auto found = pens.find(pen);
        if (found != pens.end()) return found->second > 0 ? found->second : 20.0;
        return all > 0 ? all : 20.0;
    };
    auto start = [&]() {
        cuts.push_back({{{x, y}}, pen, speed()});
        open = true;
        joinPending = false;
    };
    std::size_t at = 0;
    while (at < stream.size()) {
        std::size_t end = stream.find(';', at);
        if (end == std::string_view::npos) end = stream.size();
        std::string_view text = stream.substr(at, end - at);
        at = end + 1;
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
        if (text.empty()) continue;
        const std::string name(text.substr(0, 2));
        std::vector<double> numbers;
        std::stringstream in{std::string(text.substr(2))};
        for (std::string word; std::getline(in, word, ',');)
            if (!word.empty()) numbers.push_back(std::stod(word));
        if (name == "PU" || name == "PD" || name == "PA" || name == "PR") {
            if (name == "PU") down = open = joinPending = false;
            if (name == "PD" && !down) {
                down = true;
                start();
            }
            if (name == "PA" && numbers.empty()) {
                open = joinPending = false;
                x = y = 0;
            }
            for (std::size_t i = 0; i + 1 < numbers.size(); i += 2) {
                const long nx = name == "PR" ? x + static_cast<long>(numbers[i]) : static_cast<long>(numbers[i]);
                const long ny = name == "PR" ? y + static_cast<long>(numbers[i + 1]) : static_cast<long>(numbers[i + 1]);
                if (down && !open) {
                    if (joinPending) {
                        open = true;
                        joinPending = false;
                    } else {
                        start();
                    }
                }
                if (down) cuts.back().points.push_back({nx, ny});
                x = nx;
                y = ny;
            }
            continue;
        }
        if (name == "IN") {
            down = open = joinPending = false;
            x = y = 0;
            all = 0;
            pens.clear();
            pen = 0;
            continue;
        }
        if (name == "SP") pen = numbers.empty() ? 0 : static_cast<long>(numbers[0]);
        if (name == "VS") {
            const double value = !numbers.empty() && numbers[0] > 0 ? numbers[0] : 0;
            if (numbers.size() >= 2) {
                pens[static_cast<long>(numbers[1])] = value;
            } else {
                all = value;
                pens.clear();
            }
        }
        joinPending = joinPending || open;
        open = false;
    }
    return cuts;
}

// Empty when the two streams together hold every cut of the job whole and
// once: the first stops after whole cuts and possibly the start of one
// more, and the second holds that one and everything after it.
inline std::string checkResumed(std::string_view job, std::string_view first, std::string_view second) {
    const std::vector<Cut> all = cutsOf(job), before = cutsOf(first), after = cutsOf(second);
    std::size_t whole = 0;
    while (whole < before.size() && whole < all.size() && before[whole] == all[whole]) ++whole;
    if (whole + 1 < before.size()) return "the first run holds a cut that is not the job's: " + std::to_string(whole);
    if (whole < before.size()) {
        // The cut broken off: a start of the job's next cut.
        const Cut& part = before[whole];
        const Cut& full = all[whole];
        if (part.points.size() > full.points.size() || part.pen != full.pen || part.speed != full.speed ||
            !std::equal(part.points.begin(), part.points.end(), full.points.begin()))
            return "the cut broken off is not the start of cut " + std::to_string(whole);
    }
    if (after.size() != all.size() - whole) return "the second run holds " + std::to_string(after.size()) +
                                                   " cuts, not " + std::to_string(all.size() - whole);
    for (std::size_t i = 0; i < after.size(); ++i)
        if (!(after[i] == all[whole + i])) return "cut " + std::to_string(whole + i) + " differs in the second run";
    return {};
}

// The stand-in's report: one "name value" a line.
inline std::map<std::string, std::string> reportOf(const std::string& text) {
    std::map<std::string, std::string> report;
    std::stringstream in(text);
    for (std::string key, value; in >> key >> value;) report[key] = value;
    return report;
}

inline double numberIn(const std::map<std::string, std::string>& report, const std::string& key) {
    const auto found = report.find(key);
    return found == report.end() ? std::nan("") : std::stod(found->second);
}

}  // namespace kerfline::sendtest
