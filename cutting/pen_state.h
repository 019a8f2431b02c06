// The pen a plotter has chosen and the speed and force set for it, followed
// through SP, VS and FS as a job's instructions come: what the cutting time
// reads its speed from, and what the copies of a job set back.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hpgl/mnemonics.h"

namespace kerfline {

// The mnemonic of an instruction's text in either case ("vs10;" is VS); 0
// for a text shorter than two characters.
MnemonicCode textMnemonic(std::string_view instruction);

// The parameters of an instruction's text ("VS 10,2;"), after its two
// mnemonic characters and before its ";": separated by commas (or blanks),
// each an optional sign, digits and a decimal point; NaN for one that is
// empty or not a number, so that "VS,2" gives no speed for pen 2.
std::vector<double> textParameters(std::string_view instruction);

// SP n chooses pen n (SP or SP0: none, as a plotter starts). VS and FS
// with a pen number set that pen's speed or force, without one every
// pen's, and without a value the default again. IN puts speed and force
// back to their defaults on HP's plotters; whether a cutter keeps its
// force through IN, and whether IN puts the pen away (older plotters) or
// keeps it (HP-GL/2), differs, so after an IN those are left open.
class PenState {
public:
    // Any instruction as written ("VS10;", "sp 2;"); only SP, VS, FS and
    // IN, in either case, change the state.
    void apply(std::string_view instruction);

    // The speed, in cm/s, that VS sets for the chosen pen, counting the pen
    // as put away after an IN without an SP since; 0 where none is set or
    // the value is not a positive number.
    double speed() const;

    // The instructions that take a plotter in this state back to `start`,
    // whatever it made of IN: none when nothing differs. The instructions
    // that set the pen, speed and force of `start` are written again (SP0
    // where it had no pen chosen, VS and FS without values for defaults);
    // where only some pens' speeds or forces differ, only theirs.
    std::vector<std::string> restoring(const PenState& start) const;

private:
    // A VS or FS as written, with its value (0 for none or not positive).
    struct Given {
        std::string text;
        double value = 0;
    };
    struct PerPen {
        bool known = true;           // false once an IN may or may not have reset it
        std::optional<Given> all;    // the last one for every pen; none: the default
        std::map<std::int64_t, Given> pens;  // those for one pen since
        void set(std::string_view instruction);
        void initialize();
        bool sameAs(const PerPen& other) const;
        void restore(const PerPen& start, const char* reset, std::vector<std::string>& out) const;
    };

    bool penKnown_ = true;  // false once an IN may or may not have put the pen away
    std::int64_t pen_ = 0;  // 0: none chosen
    std::string chosen_;    // the SP that chose it; empty: none
    PerPen speed_;
    PerPen force_;
};

}  // namespace kerfline
