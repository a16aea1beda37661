#pragma once
// Whether a module took what was written to it. A module acknowledges a set
// whether or not it keeps the value, so the only proof is to read it back:
// the values a list of set frames should leave on the display are compared
// with what a read showed. The window and tmx7ctl use the same comparison.

#include "protocol/Events.h"
#include "protocol/Fields.h"
#include "protocol/Frames.h"

#include <array>
#include <span>
#include <string>
#include <vector>

namespace tmx7 {

struct Expectation {
    Field field;
    std::string wanted; // as the display shows it
    bool operator==(const Expectation&) const = default;
};

// What the display shows once the module holds the value of each set frame:
// the frame's value read through the decoder the way the module's answer
// carries it, so "wanted" is exactly what a read of a module that took the
// frame prints. In field-table order; a later frame for a field replaces an
// earlier one. The serial format is left out: its frames change the line
// itself, and the module is not on that line any more to be asked.
std::vector<Expectation> ExpectedAfter(std::span<const Frame> frames);

struct Difference {
    Field field;
    std::string wanted;
    std::string has;
    bool operator==(const Difference&) const = default;
};

struct Verification {
    std::vector<Difference> differences;
    std::vector<Expectation> confirmed;
    // Written but not read back: the module reports them only while it is in
    // the mode that shows their page (power saving, passive).
    std::vector<Field> unchecked;
    bool ok() const { return differences.empty(); }
};

// `shown` and `pages` as a read left them (ShownValues::Values, PageThere).
Verification Verify(const std::vector<Expectation>& wanted,
                    const std::array<std::string, kFieldCount>& shown,
                    const std::array<bool, 3>& pages);
Verification Verify(const std::vector<Expectation>& wanted, const ShownValues& shown);

// "txFrequency: wanted 433.000MHz, module has 431.000MHz"
std::string DifferenceText(const Difference& difference);

} // namespace tmx7
