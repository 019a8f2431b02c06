#include "hpgl/mnemonics.h"

#include <algorithm>
#include <iterator>

namespace kerfline {

namespace {
constexpr MnemonicEntry row(const char (&name)[3], std::int32_t drawable = 0) {
    return {makeMnemonic(static_cast<unsigned char>(name[0]), static_cast<unsigned char>(name[1])),
            drawable};
}
}  // namespace

MnemonicEntry MnemonicTable[kMnemonicCount] = {
    // clang-format off
    row("AA"), row("AR"), row("CA"), row("CI"), row("CP"), row("CS"), row("DF"),
    row("DI"), row("DR"), row("DT"), row("EA"), row("ER"), row("EW"), row("FT"),
    row("IM"), row("IN", 1), row("IP"), row("IW"), row("LB"), row("LT"), row("OA"),
    row("OC"), row("OE"), row("OF"), row("OH"), row("OI"), row("OO"), row("OP"),
    row("OS"), row("OW"), row("PA", 1), row("PD", 1), row("PR", 1), row("PT"), row("PU", 1),
    row("RA"), row("RR"), row("SA"), row("SC"), row("SI"), row("SL"), row("SM"),
    row("SR"), row("SS"), row("TL"), row("UC"), row("VS"), row("WG"), row("XT"),
    row("YT"),
    // clang-format on
};

int compareMnemonics(MnemonicCode a, MnemonicCode b) { return a < b ? -1 : (a > b ? 1 : 0); }

namespace {
// Every instruction of a file is looked up, so the sort also fills a direct
// index from each of the 65536 codes to its row (0: unknown, else row + 1):
// the same exact-match result as a binary search of the sorted rows, in one
// load instead of six comparisons.
std::uint8_t rowOfCode[65536];

const MnemonicEntry* bisect(MnemonicCode code) {
    std::size_t lo = 0;
    std::size_t hi = kMnemonicCount;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        const int order = compareMnemonics(MnemonicTable[mid].code, code);
        if (order == 0) return &MnemonicTable[mid];
        if (order < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return nullptr;
}
}  // namespace

void sortMnemonicTable() {
    std::sort(std::begin(MnemonicTable), std::end(MnemonicTable),
              [](const MnemonicEntry& a, const MnemonicEntry& b) {
                  return compareMnemonics(a.code, b.code) < 0;
              });
    std::fill(std::begin(rowOfCode), std::end(rowOfCode), std::uint8_t{0});
    for (std::size_t row = 0; row < kMnemonicCount; ++row)
        if (bisect(MnemonicTable[row].code) == &MnemonicTable[row])
            rowOfCode[MnemonicTable[row].code] = static_cast<std::uint8_t>(row + 1);
}

const MnemonicEntry* findMnemonic(MnemonicCode code) {
    const std::uint8_t row = rowOfCode[code];
    return row ? &MnemonicTable[row - 1] : nullptr;
}

std::uint8_t findMnemonicRow(MnemonicCode code) { return rowOfCode[code]; }

}  // namespace kerfline
