// The table of the 50 HP-GL mnemonics the program knows, and its lookup.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kerfline {

// Two mnemonic characters, the first in the low byte: code = first + 256 * second.
using MnemonicCode = std::uint16_t;

constexpr MnemonicCode makeMnemonic(unsigned char first, unsigned char second) {
    return static_cast<MnemonicCode>(first | (second << 8));
}

// The codes the program tests by value.
namespace mnemonic {
inline constexpr MnemonicCode IN = makeMnemonic('I', 'N');  // 20041
inline constexpr MnemonicCode PA = makeMnemonic('P', 'A');  // 16720
inline constexpr MnemonicCode PD = makeMnemonic('P', 'D');  // 17488
inline constexpr MnemonicCode PR = makeMnemonic('P', 'R');  // 21072
inline constexpr MnemonicCode PU = makeMnemonic('P', 'U');  // 21840
// Pen, speed and force, which the cutting tools follow (SP and FS are not
// in the table).
inline constexpr MnemonicCode SP = makeMnemonic('S', 'P');
inline constexpr MnemonicCode VS = makeMnemonic('V', 'S');
inline constexpr MnemonicCode FS = makeMnemonic('F', 'S');
}  // namespace mnemonic

struct MnemonicEntry {
    MnemonicCode code;
    std::int32_t drawable;  // 1 for IN, PA, PD, PR and PU
};

inline constexpr std::size_t kMnemonicCount = 50;

// Defined in alphabetical order; sortMnemonicTable() puts it in code order,
// which every lookup relies on.
extern MnemonicEntry MnemonicTable[kMnemonicCount];

// -1, 0 or 1, comparing the codes as unsigned 16-bit numbers.
int compareMnemonics(MnemonicCode a, MnemonicCode b);

// Sorts the table by code. Called once at start, before anything is read;
// calling it again changes nothing.
void sortMnemonicTable();

// The row whose code equals all 16 bits of `code`, or nullptr.
const MnemonicEntry* findMnemonic(MnemonicCode code);
// The same row as its position in the table plus one; 0 when unknown.
std::uint8_t findMnemonicRow(MnemonicCode code);

}  // namespace kerfline
