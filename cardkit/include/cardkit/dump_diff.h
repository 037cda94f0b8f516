#pragma once

// Differences between two dumps of the same card family, block by block, in words
// ("value 100 -> 95", "access bits changed", "key B changed"), grouped by sector
// on Mifare Classic cards and by block on the others.

#include <string>
#include <vector>

#include "cardkit/dump.h"

namespace cardkit {

struct BlockDifference {
    int block = 0;
    std::vector<std::string> notes;
};

struct DiffGroup {
    std::string label;  // "sector 3", "block 12"
    int first_block = 0;
    int block_count = 0;
    std::vector<BlockDifference> differences;  // empty when the group is identical
};

struct DumpDiff {
    // Size, and identity and system block where both dumps know them.
    std::vector<std::string> card_notes;
    std::vector<DiffGroup> groups;
    int equal_blocks = 0;  // same bytes known, with the same values
    int total_blocks = 0;  // blocks of the larger dump
};

// std::invalid_argument for dumps of different families; Mifare Classic cards of
// different sizes compare their common blocks and count the others as differing.
DumpDiff diff_dumps(const CardDump &before, const CardDump &after);

// Text for the operator: card notes, then each group with its differences, and
// the share of equal blocks last. Identical groups are left out on request.
std::string format_diff(const DumpDiff &diff, bool hide_identical_groups);

}  // namespace cardkit
