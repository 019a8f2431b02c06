// The converter's way in, the table of the instructions it knows (what
// becomes of each and the member that reads it), its run over the input
// and the summary of what became of each kind of instruction.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "dialect/converter.h"
#include "dialect/converter_state.h"

namespace kerfline::dialect {

// What becomes of an instruction, as the summary tells it.
enum class Fate { Converted, Cut, Fill, Applied, Kept, Symbol, Ignored };

// One instruction the converter knows.
struct Instruction {
    using Handler = void (Converter::*)();

    MnemonicCode code;
    Fate fate;
    // Why an ignored instruction leaves the knife's path as it is.
    const char* reason;
    // Reads the parameters and acts on them; nullptr where they are only
    // passed over.
    Handler handle;

    constexpr Instruction(const char (&name)[3], Fate what, Handler handler)
        : code(makeMnemonic(name[0], name[1])), fate(what), reason(nullptr), handle(handler) {}
    constexpr Instruction(const char (&name)[3], const char* why, Handler handler = nullptr)
        : code(makeMnemonic(name[0], name[1])), fate(Fate::Ignored), reason(why), handle(handler) {}
};

// Why the ignored ones leave the knife's path as it is, group by group of
// the HP-GL and HP-GL/2 instruction sets.
namespace {
constexpr const char* kShading = "ignored: fill patterns and shading cannot be cut";
constexpr const char* kPenWidth = "ignored: pen width and line ends do not change a knife's path";
constexpr const char* kColour = "ignored: colour does not change a knife's path";
constexpr const char* kPageFeed = "ignored: page feed; every page is cut in the same place";
constexpr const char* kReplot = "ignored: the plot is cut once, not replotted";
constexpr const char* kJob = "ignored: the plot's name and job settings do not change the cut";
constexpr const char* kMedia = "ignored: media handling and quality settings do not change a knife's path";
constexpr const char* kPenHandling = "ignored: acceleration and pen handling do not change a knife's path";
constexpr const char* kStatus = "ignored: plotter status, display and interface settings";
constexpr const char* kFonts = "ignored: labels are cut in the built-in single-stroke font";
constexpr const char* kTextPath = "ignored: extra spacing and vertical text paths are not applied to labels";
constexpr const char* kTolerance = "ignored: curves are cut to convert's own tolerance";
constexpr const char* kComment = "ignored: a comment";
constexpr const char* kUnknown = "ignored: an instruction this converter does not know";
}  // namespace

// Every instruction the converter knows, by concern, then those it reads
// only to pass over. An instruction not listed is passed over too, and
// reported as one this converter does not know. A friend of the converter,
// whose members it names.
struct InstructionTable {
    using C = Converter;  // short, for the rows
    static constexpr Instruction rows[] = {
        // The frame and its transforms (frame.cpp).
        {"IN", Fate::Applied, &C::initializeAll},
        {"DF", Fate::Applied, &C::defaultsAgain},
        {"IP", Fate::Applied, &C::inputP1P2},
        {"IR", Fate::Applied, &C::inputP1P2Relative},
        {"SC", Fate::Applied, &C::setScale},
        {"RO", Fate::Applied, &C::rotateFrame},
        {"PS", Fate::Applied, &C::setPlotSize},
        {"IW", Fate::Applied, &C::inputWindow},
        // Pen movement (pen.cpp).
        {"PA", Fate::Converted, &C::plotAbsolute},
        {"PR", Fate::Converted, &C::plotRelative},
        {"PU", Fate::Converted, &C::penUp},
        {"PD", Fate::Converted, &C::penDown},
        {"PE", Fate::Converted, &C::polylineEncoded},
        {"SP", Fate::Kept, &C::keepPen},
        {"VS", Fate::Kept, &C::keepSpeed},
        {"FS", Fate::Kept, &C::keepForce},
        // Curves (curves.cpp).
        {"CI", Fate::Cut, &C::drawCircle},
        {"AA", Fate::Cut, &C::arcAbsolute},
        {"AR", Fate::Cut, &C::arcRelative},
        {"AT", Fate::Cut, &C::arcThroughAbsolute},
        {"RT", Fate::Cut, &C::arcThroughRelative},
        {"BZ", Fate::Cut, &C::bezierAbsolute},
        {"BR", Fate::Cut, &C::bezierRelative},
        // Polygons, fills and edges (shapes.cpp).
        {"PM", Fate::Applied, &C::polygonMode},
        {"EP", Fate::Cut, &C::edgePolygon},
        {"FP", Fate::Fill, &C::fillPolygon},
        {"RA", Fate::Fill, &C::fillRectangleAbsolute},
        {"RR", Fate::Fill, &C::fillRectangleRelative},
        {"EA", Fate::Cut, &C::edgeRectangleAbsolute},
        {"ER", Fate::Cut, &C::edgeRectangleRelative},
        {"WG", Fate::Fill, &C::fillWedge},
        {"EW", Fate::Cut, &C::edgeWedge},
        // Line types (line_types.cpp).
        {"LT", Fate::Applied, &C::setLineType},
        {"UL", Fate::Applied, &C::userLineType},
        // Labels (labels.cpp).
        {"LB", Fate::Cut, &C::drawLabel},
        {"BL", Fate::Applied, &C::bufferLabel},
        {"PB", Fate::Cut, &C::printBuffer},
        {"DT", Fate::Applied, &C::defineTerminator},
        {"SI", Fate::Applied, &C::absoluteSize},
        {"SR", Fate::Applied, &C::relativeSize},
        {"DI", Fate::Applied, &C::absoluteDirection},
        {"DR", Fate::Applied, &C::relativeDirection},
        {"SL", Fate::Applied, &C::setSlant},
        {"LO", Fate::Applied, &C::labelOrigin},
        {"CP", Fate::Applied, &C::characterPlot},
        {"TL", Fate::Applied, &C::tickLength},
        {"XT", Fate::Cut, &C::xTick},
        {"YT", Fate::Cut, &C::yTick},
        {"UC", Fate::Cut, &C::userCharacter},
        {"SM", Fate::Symbol, &C::symbolMode},
        // Read but leaving the knife's path as it is.
        {"CO", kComment, &C::comment},
        {"FT", kShading}, {"AC", kShading}, {"RF", kShading}, {"UF", kShading}, {"PT", kShading},
        {"SV", kShading}, {"TR", kShading}, {"CF", kShading}, {"PP", kShading},
        {"PW", kPenWidth}, {"WU", kPenWidth}, {"LA", kPenWidth},
        {"PC", kColour}, {"NP", kColour}, {"CR", kColour}, {"MC", kColour},
        {"PG", kPageFeed}, {"AF", kPageFeed}, {"AH", kPageFeed}, {"FR", kPageFeed},
        {"RP", kReplot},
        {"BP", kJob},
        {"EC", kMedia}, {"NR", kMedia}, {"MT", kMedia}, {"QL", kMedia},
        {"AS", kPenHandling}, {"VA", kPenHandling}, {"VN", kPenHandling}, {"CV", kPenHandling},
        {"AP", kPenHandling},
        {"OA", kStatus}, {"OC", kStatus}, {"OD", kStatus}, {"OE", kStatus}, {"OF", kStatus},
        {"OG", kStatus}, {"OH", kStatus}, {"OI", kStatus}, {"OK", kStatus}, {"OL", kStatus},
        {"OO", kStatus}, {"OP", kStatus}, {"OS", kStatus}, {"OT", kStatus}, {"OW", kStatus},
        {"DC", kStatus}, {"DP", kStatus}, {"IM", kStatus}, {"GM", kStatus}, {"KY", kStatus},
        {"WD", kStatus}, {"MG", kStatus}, {"GC", kStatus},
        {"CS", kFonts}, {"CA", kFonts}, {"SS", kFonts}, {"SA", kFonts}, {"DS", kFonts},
        {"IV", kFonts}, {"CM", kFonts}, {"AD", kFonts}, {"SD", kFonts}, {"FI", kFonts},
        {"FN", kFonts}, {"SB", kFonts}, {"DL", kFonts}, {"CC", kFonts}, {"TD", kFonts},
        {"LM", kFonts},
        {"ES", kTextPath}, {"DV", kTextPath},
        {"CT", kTolerance},
    };
};

namespace {

// The row of every pair of letters, counted from 1; 0 for those not listed.
// A name listed twice, or one that is not two capital letters, stops the
// build here.
constexpr auto kRowOf = [] {
    static_assert(std::size(InstructionTable::rows) < 255);
    std::array<std::uint8_t, kLetterPairs> rowOf{};
    std::uint8_t number = 0;
    for (const Instruction& row : InstructionTable::rows) {
        ++number;
        const auto first = static_cast<unsigned char>(row.code & 0xFF);
        const auto second = static_cast<unsigned char>(row.code >> 8);
        if (first < 'A' || first > 'Z' || second < 'A' || second > 'Z') throw "not two capital letters";
        std::uint8_t& slot = rowOf[letterPairIndex(row.code)];
        if (slot != 0) throw "listed twice";
        slot = number;
    }
    return rowOf;
}();

// The row of an instruction met (two capital letters); nullptr when this
// converter does not know it.
const Instruction* findInstruction(MnemonicCode code) {
    const std::uint8_t row = kRowOf[letterPairIndex(code)];
    return row == 0 ? nullptr : &InstructionTable::rows[row - 1];
}

const char* fateText(const Instruction* row) {
    if (!row) return kUnknown;
    switch (row->fate) {
        case Fate::Converted: return "converted";
        case Fate::Cut: return "converted to cuts";
        case Fate::Fill: return "dropped: fills cannot be cut (outlines kept)";
        case Fate::Applied: return "applied";
        case Fate::Kept: return "kept";
        case Fate::Symbol: return "dropped: plot symbols are not drawn";
        case Fate::Ignored: return row->reason;
    }
    return "";
}

}  // namespace

Converter::Converter(std::string_view input, const ConvertOptions& options, ConvertResult& result)
    : scanner_(input),
      out_(result.job),
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

void Converter::run() {
    MnemonicCode code;
    while (!stopped_ && scanner_.next(code)) {
        if (counts_[letterPairIndex(code)]++ == 0) order_.push_back(code);
        const Instruction* row = findInstruction(code);
        if (row && row->handle)
            (this->*row->handle)();
        else
            scanner_.skipParameters();
    }
    // A pen left down where it was let down makes its dot.
    if (!stopped_) cutDot();
    out_.finish();
    if (stopped_) {
        result_.tooLarge = true;
        result_.job = CutJob{};
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
                      fateText(findInstruction(code)));
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

std::string ConvertResult::text() const {
    MemoryOutput out;
    writeJob(out, job, kConvertLayout);
    return out.str();
}

ConvertResult convertPlot(std::string_view input, const ConvertOptions& options) {
    ConvertResult result;
    Converter converter(input, options, result);
    converter.run();
    return result;
}

}  // namespace kerfline::dialect
