// The print log's line (appending it is checked end to end).
#include "print/print_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "hpgl/reader.h"

namespace kerfline {
namespace {

std::tm at(int day, int month, int year, int hour, int minute) {
    std::tm time{};
    time.tm_mday = day;
    time.tm_mon = month - 1;
    time.tm_year = year - 1900;
    time.tm_hour = hour;
    time.tm_min = minute;
    return time;
}

PlotDrawing drawing(std::int32_t maxX, std::int32_t maxY, double travel) {
    PlotDrawing d;
    const std::string text = "PU0,0;PD" + std::to_string(maxX) + "," + std::to_string(maxY) + ";";
    MemoryInput in(text);
    readDrawing(in, d);
    d.totalTravel = travel;
    return d;
}

TEST(PrintLog, OneLineOfTimeNameSizeTravelAndPrinter) {
    struct Case {
        PlotDrawing drawing;
        const char* file;
        const char* printer;
        const char* line;
    };
    Case cases[] = {
        {drawing(8000, 4000, 123456.7), "PART1.PLT", "Plotter",
         "06/12/26 04:16,PART1.PLT,200,100,3086,Plotter\r\n"},
        {drawing(79, 39, 20), "A.PLT", "P", "06/12/26 04:16,A.PLT,1,0,1,P\r\n"},
        {drawing(40, 40, 19.9), "A,B.PLT", "P", "06/12/26 04:16,A,B.PLT,1,1,0,P\r\n"},
        {drawing(40, 40, 39999980), "A.PLT", "plotter-with-a-forty-character-long-name",
         "06/12/26 04:16,A.PLT,1,1,1e+06,plotter-with-a-forty-character-long-name\r\n"},
        // Without an extent the bounds hold their empty values: no size.
        {PlotDrawing(), "", "P", "06/12/26 04:16,,0,0,0,P\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(printLogLine(at(6, 12, 2026, 4, 16), c.file, c.drawing, c.printer), c.line);
    EXPECT_EQ(printLogLine(at(31, 1, 2001, 23, 5), "F", cases[0].drawing, "P").substr(0, 15),
              "31/01/01 23:05,");
}

}  // namespace
}  // namespace kerfline
