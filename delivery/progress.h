// What the sender shows while a job goes out: on a terminal one line
// redrawn in place, elsewhere a line at every tenth of the job.
#pragma once

#include <cstddef>
#include <string>

#include "delivery/sender.h"

namespace kerfline::delivery {

// "[#######---------]  47%  0:12, 0:14 left  12.0/25.6 KB  1200/2560 instructions",
// cut at 79 characters.
std::string progressLine(const Progress& progress);

// "sent 40%: 10.2/25.6 KB, instruction 1024 of 2560, 0:10"
std::string progressLogLine(const Progress& progress);

// Seconds as m:ss, or h:mm:ss from an hour.
std::string clockText(double seconds);

class ProgressReport {
public:
    explicit ProgressReport(bool terminal) : terminal_(terminal) {}
    // The text to write for this progress ("" for nothing): on a terminal
    // the line again from its start, elsewhere a line for each tenth.
    std::string update(const Progress& progress);

private:
    bool terminal_;
    std::size_t shown_ = 0;  // a terminal: the length of the line shown
    int tenths_ = 0;         // elsewhere: the tenths reported
};

}  // namespace kerfline::delivery
