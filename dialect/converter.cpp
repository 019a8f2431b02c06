// The converter's way in, its run over the input, the summary of what
// became of each kind of instruction, and the dispatch of each instruction
// to its member.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "dialect/converter.h"
#include "dialect/converter_state.h"

namespace kerfline::dialect {

namespace {

enum class Fate { Converted, Cut, Fill, Applied, Kept, Symbol, Ignored };

Fate fateOf(MnemonicCode code) {
    switch (code) {
        case makeMnemonic('P', 'A'): case makeMnemonic('P', 'R'): case makeMnemonic('P', 'U'):
        case makeMnemonic('P', 'D'): case makeMnemonic('P', 'E'):
            return Fate::Converted;
        case makeMnemonic('C', 'I'): case makeMnemonic('A', 'A'): case makeMnemonic('A', 'R'):
        case makeMnemonic('A', 'T'): case makeMnemonic('R', 'T'): case makeMnemonic('E', 'A'):
        case makeMnemonic('E', 'R'): case makeMnemonic('E', 'W'): case makeMnemonic('E', 'P'):
        case makeMnemonic('B', 'Z'): case makeMnemonic('B', 'R'):
        case makeMnemonic('L', 'B'): case makeMnemonic('P', 'B'):
        case makeMnemonic('X', 'T'): case makeMnemonic('Y', 'T'): case makeMnemonic('U', 'C'):
            return Fate::Cut;
        case makeMnemonic('R', 'A'): case makeMnemonic('R', 'R'): case makeMnemonic('W', 'G'):
        case makeMnemonic('F', 'P'):
            return Fate::Fill;
        case makeMnemonic('I', 'N'): case makeMnemonic('D', 'F'): case makeMnemonic('I', 'P'):
        case makeMnemonic('I', 'R'): case makeMnemonic('S', 'C'): case makeMnemonic('R', 'O'):
        case makeMnemonic('I', 'W'): case makeMnemonic('P', 'S'): case makeMnemonic('L', 'T'):
        case makeMnemonic('P', 'M'): case makeMnemonic('D', 'T'): case makeMnemonic('S', 'I'):
        case makeMnemonic('S', 'R'): case makeMnemonic('D', 'I'): case makeMnemonic('D', 'R'):
        case makeMnemonic('S', 'L'): case makeMnemonic('L', 'O'): case makeMnemonic('C', 'P'):
        case makeMnemonic('B', 'L'): case makeMnemonic('T', 'L'): case makeMnemonic('U', 'L'):
            return Fate::Applied;
        case makeMnemonic('S', 'P'): case makeMnemonic('V', 'S'): case makeMnemonic('F', 'S'):
            return Fate::Kept;
        case makeMnemonic('S', 'M'):
            return Fate::Symbol;
        default:
            return Fate::Ignored;
    }
}

// Why an instruction that is not converted leaves the knife's path as it
// is, group by group of the HP-GL and HP-GL/2 instruction sets.
const char* ignoredReason(MnemonicCode code) {
    switch (code) {
        case makeMnemonic('F', 'T'): case makeMnemonic('A', 'C'): case makeMnemonic('R', 'F'):
        case makeMnemonic('U', 'F'): case makeMnemonic('P', 'T'): case makeMnemonic('S', 'V'):
        case makeMnemonic('T', 'R'): case makeMnemonic('C', 'F'): case makeMnemonic('P', 'P'):
            return "ignored: fill patterns and shading cannot be cut";
        case makeMnemonic('P', 'W'): case makeMnemonic('W', 'U'): case makeMnemonic('L', 'A'):
            return "ignored: pen width and line ends do not change a knife's path";
        case makeMnemonic('P', 'C'): case makeMnemonic('N', 'P'): case makeMnemonic('C', 'R'):
        case makeMnemonic('M', 'C'):
            return "ignored: colour does not change a knife's path";
        case makeMnemonic('P', 'G'): case makeMnemonic('A', 'F'): case makeMnemonic('A', 'H'):
        case makeMnemonic('F', 'R'):
            return "ignored: page feed; every page is cut in the same place";
        case makeMnemonic('R', 'P'):
            return "ignored: the plot is cut once, not replotted";
        case makeMnemonic('B', 'P'):
            return "ignored: the plot's name and job settings do not change the cut";
        case makeMnemonic('E', 'C'): case makeMnemonic('N', 'R'): case makeMnemonic('M', 'T'):
        case makeMnemonic('Q', 'L'):
            return "ignored: media handling and quality settings do not change a knife's path";
        case makeMnemonic('A', 'S'): case makeMnemonic('V', 'A'): case makeMnemonic('V', 'N'):
        case makeMnemonic('C', 'V'): case makeMnemonic('A', 'P'):
            return "ignored: acceleration and pen handling do not change a knife's path";
        case makeMnemonic('O', 'A'): case makeMnemonic('O', 'C'): case makeMnemonic('O', 'D'):
        case makeMnemonic('O', 'E'): case makeMnemonic('O', 'F'): case makeMnemonic('O', 'G'):
        case makeMnemonic('O', 'H'): case makeMnemonic('O', 'I'): case makeMnemonic('O', 'K'):
        case makeMnemonic('O', 'L'): case makeMnemonic('O', 'O'): case makeMnemonic('O', 'P'):
        case makeMnemonic('O', 'S'): case makeMnemonic('O', 'T'): case makeMnemonic('O', 'W'):
        case makeMnemonic('D', 'C'): case makeMnemonic('D', 'P'): case makeMnemonic('I', 'M'):
        case makeMnemonic('G', 'M'): case makeMnemonic('K', 'Y'): case makeMnemonic('W', 'D'):
        case makeMnemonic('M', 'G'): case makeMnemonic('G', 'C'):
            return "ignored: plotter status, display and interface settings";
        case makeMnemonic('C', 'S'): case makeMnemonic('C', 'A'): case makeMnemonic('S', 'S'):
        case makeMnemonic('S', 'A'): case makeMnemonic('D', 'S'): case makeMnemonic('I', 'V'):
        case makeMnemonic('C', 'M'): case makeMnemonic('A', 'D'): case makeMnemonic('S', 'D'):
        case makeMnemonic('F', 'I'): case makeMnemonic('F', 'N'): case makeMnemonic('S', 'B'):
        case makeMnemonic('D', 'L'): case makeMnemonic('C', 'C'): case makeMnemonic('T', 'D'):
        case makeMnemonic('L', 'M'):
            return "ignored: labels are cut in the built-in single-stroke font";
        case makeMnemonic('E', 'S'): case makeMnemonic('D', 'V'):
            return "ignored: extra spacing and vertical text paths are not applied to labels";
        case makeMnemonic('C', 'T'):
            return "ignored: curves are cut to convert's own tolerance";
        case makeMnemonic('C', 'O'):
            return "ignored: a comment";
        default:
            return "ignored: an instruction this converter does not know";
    }
}

const char* fateText(MnemonicCode code) {
    switch (fateOf(code)) {
        case Fate::Converted: return "converted";
        case Fate::Cut: return "converted to cuts";
        case Fate::Fill: return "dropped: fills cannot be cut (outlines kept)";
        case Fate::Applied: return "applied";
        case Fate::Kept: return "kept";
        case Fate::Symbol: return "dropped: plot symbols are not drawn";
        case Fate::Ignored: return ignoredReason(code);
    }
    return "";
}

}  // namespace

Converter::Converter(std::string_view input, const ConvertOptions& options, ConvertResult& result)
    : scanner_(input),
      out_(result.text, input.size() + 64),
      result_(result),
      // NaN fails every comparison: it takes the finest tolerance.
      tolerance_((options.toleranceMm >= kMinToleranceMm ? std::min(options.toleranceMm, kMaxToleranceMm)
                                                         : kMinToleranceMm) *
                 kUnitsPerMm),
      budget_(options.vertexBudget + input.size()) {
    counts_.fill(0);
    initialize();
}

void Converter::comment() {
    // A comment: a quoted string, or in older files the rest of the
    // instruction.
    scanner_.skipBlanks();
    bool found;
    scanner_.until(scanner_.peek() == '"' ? (scanner_.advance(), '"') : ';', found);
}

void Converter::instruction(MnemonicCode code) {
    switch (code) {
        case makeMnemonic('I', 'N'): initializeAll(); break;
        case makeMnemonic('D', 'F'): defaultsAgain(); break;
        case makeMnemonic('P', 'A'): plotAbsolute(); break;
        case makeMnemonic('P', 'R'): plotRelative(); break;
        case makeMnemonic('P', 'U'): penUp(); break;
        case makeMnemonic('P', 'D'): penDown(); break;
        case makeMnemonic('P', 'E'): polylineEncoded(); break;
        case makeMnemonic('I', 'P'): inputP1P2(); break;
        case makeMnemonic('I', 'R'): inputP1P2Relative(); break;
        case makeMnemonic('S', 'C'): setScale(); break;
        case makeMnemonic('R', 'O'): rotateFrame(); break;
        case makeMnemonic('P', 'S'): setPlotSize(); break;
        case makeMnemonic('I', 'W'): inputWindow(); break;
        case makeMnemonic('L', 'T'): setLineType(); break;
        case makeMnemonic('C', 'I'): drawCircle(); break;
        case makeMnemonic('A', 'A'): arcAbsolute(); break;
        case makeMnemonic('A', 'R'): arcRelative(); break;
        case makeMnemonic('A', 'T'): arcThroughAbsolute(); break;
        case makeMnemonic('R', 'T'): arcThroughRelative(); break;
        case makeMnemonic('E', 'A'): edgeRectangleAbsolute(); break;
        case makeMnemonic('R', 'A'): fillRectangleAbsolute(); break;
        case makeMnemonic('E', 'R'): edgeRectangleRelative(); break;
        case makeMnemonic('R', 'R'): fillRectangleRelative(); break;
        case makeMnemonic('E', 'W'): edgeWedge(); break;
        case makeMnemonic('W', 'G'): fillWedge(); break;
        case makeMnemonic('P', 'M'): polygonMode(); break;
        case makeMnemonic('B', 'Z'): bezierAbsolute(); break;
        case makeMnemonic('B', 'R'): bezierRelative(); break;
        case makeMnemonic('E', 'P'): edgePolygon(); break;
        case makeMnemonic('F', 'P'): fillPolygon(); break;
        case makeMnemonic('S', 'P'): keepPen(); break;
        case makeMnemonic('V', 'S'): keepSpeed(); break;
        case makeMnemonic('F', 'S'): keepForce(); break;
        case makeMnemonic('D', 'T'): defineTerminator(); break;
        case makeMnemonic('L', 'B'): drawLabel(); break;
        case makeMnemonic('B', 'L'): bufferLabel(); break;
        case makeMnemonic('P', 'B'): printBuffer(); break;
        case makeMnemonic('S', 'I'): absoluteSize(); break;
        case makeMnemonic('S', 'R'): relativeSize(); break;
        case makeMnemonic('D', 'I'): absoluteDirection(); break;
        case makeMnemonic('D', 'R'): relativeDirection(); break;
        case makeMnemonic('S', 'L'): setSlant(); break;
        case makeMnemonic('L', 'O'): labelOrigin(); break;
        case makeMnemonic('C', 'P'): characterPlot(); break;
        case makeMnemonic('T', 'L'): tickLength(); break;
        case makeMnemonic('X', 'T'): xTick(); break;
        case makeMnemonic('Y', 'T'): yTick(); break;
        case makeMnemonic('U', 'C'): userCharacter(); break;
        case makeMnemonic('U', 'L'): userLineType(); break;
        case makeMnemonic('C', 'O'): comment(); break;
        case makeMnemonic('S', 'M'): symbolMode(); break;
        default: scanner_.skipParameters(); break;
    }
}

void Converter::run() {
    MnemonicCode code;
    while (!stopped_ && scanner_.next(code)) {
        if (counts_[letterPairIndex(code)]++ == 0) order_.push_back(code);
        instruction(code);
    }
    // A pen left down where it was let down makes its dot.
    if (!stopped_) cutDot();
    out_.finish();
    if (stopped_) {
        result_.tooLarge = true;
        result_.text.clear();
        result_.text.shrink_to_fit();
        return;
    }
    result_.cuts = out_.cuts();
    summarize();
}

void Converter::summarize() {
    std::vector<std::string> lines;
    for (const MnemonicCode code : order_) {
        char line[128];
        std::snprintf(line, sizeof line, "%c%c %u %s", static_cast<char>(code & 0xFF),
                      static_cast<char>(code >> 8), static_cast<unsigned>(counts_[letterPairIndex(code)]),
                      fateText(code));
        lines.emplace_back(line);
    }
    // Notes made along the way come after the counts.
    lines.insert(lines.end(), result_.summary.begin(), result_.summary.end());
    if (labelUnterminated_) lines.emplace_back("LB: a label without its terminator ran to the end of the file");
    if (polylineIncomplete_) lines.emplace_back("PE: encoded data cut short; the points before the cut were converted");
    if (polygonOverflow_) lines.emplace_back("PM: polygon beyond 1000000 points; the rest of it was dropped");
    if (outsideFont_ > 0)
        lines.push_back("LB: " + std::to_string(outsideFont_) + " characters outside the font left as spaces");
    if (out_.dots() > 0) lines.push_back("dots: " + std::to_string(out_.dots()) + " kept as zero-length cuts");
    if (outlinesOnce_ > 0)
        lines.push_back("outlines: " + std::to_string(outlinesOnce_) + " both filled and edged, cut once");
    if (out_.clipped() > 0)
        lines.push_back("range: " + std::to_string(out_.clipped()) +
                        " cuts reached beyond the plotter's range of -1000000000 to 1000000000 units and were "
                        "clipped at its edge");
    result_.summary = std::move(lines);
}

ConvertResult convertPlot(std::string_view input, const ConvertOptions& options) {
    ConvertResult result;
    Converter converter(input, options, result);
    converter.run();
    return result;
}

}  // namespace kerfline::dialect
