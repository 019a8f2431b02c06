// The print log: one line for each job that reached a printer.
#pragma once

#include <ctime>
#include <string>

#include "drawing/drawing.h"

namespace kerfline {

// "time,file,width,height,travel,printer" and CR LF: the local time as
// "%d/%m/%y %H:%M", the drawing's size in whole millimetres (0 x 0 for a
// drawing without an extent), the knife travel as the Info dialog rounds it.
// Nothing is quoted or escaped.
std::string printLogLine(const std::tm& time, const char* fileName, const PlotDrawing& drawing,
                         const char* printer);

// Appends the line to the file, creating it; a log that cannot be written
// costs only the line.
void appendPrintLog(const char* path, const std::string& line);

}  // namespace kerfline
