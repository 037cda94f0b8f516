#pragma once

// Reading a card unit by unit (pages, blocks, groups of blocks): each read must
// bring back the answer size its unit needs, the first that does not ends the
// reading with a failure report, and what was read before it stays shown.

#include <QString>

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace tilvane {

// What one unit's answer must be and how its failure is reported.
struct UnitCheck {
    int size = 0;           // bytes the answer must hold
    bool at_least = false;  // a longer answer will do too
    QString failure_name;   // reported in place of the function name
};

// One read: fills `answer` (room for 256 bytes) and its length, returns the status.
using ReadUnitCall =
    std::function<std::int32_t(int unit, std::uint8_t *answer, std::uint8_t *length)>;
// Shows one good answer.
using ShowUnit = std::function<void(int unit, std::span<const std::uint8_t> answer)>;

// Reads `units` in order, each judged by `check(unit)`. Returns true when every
// unit was read; otherwise the failing read has been reported in the failure form
// ("Error: %x ,Function: " and its failure name).
bool ReadUnits(std::span<const int> units, const std::function<UnitCheck(int unit)> &check,
               const ReadUnitCall &read, const ShowUnit &show);

// The common form: every unit exactly `size` bytes, a failure reported with
// message `failure_message` ("Read Block: %d failed!") filled with the unit.
bool ReadUnits(std::span<const int> units, int size, int failure_message, const ReadUnitCall &read,
               const ShowUnit &show);

// The numbers first to last, for a list of units.
std::vector<int> NumbersFrom(int first, int last);

}  // namespace tilvane
