#include "cardkit/dump_diff.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <type_traits>

#include "cardkit/value_block.h"

namespace cardkit {

namespace {

struct TrailerPart {
    std::string_view name;
    int offset;
    int size;
};

constexpr TrailerPart kTrailerParts[] = {
    {"key A", kTrailerKeyA, 6},
    {"access bits", kTrailerAccessBits, 3},
    {"user byte", kTrailerUserByte, 1},
    {"key B", kTrailerKeyB, 6},
};

// A value one dump does not know is no difference: a raw file keeps no SAK,
// and the same card read into it and into JSON is the same card.
template <typename T>
void note_identity(std::vector<std::string> &notes, std::string_view name,
                   const std::optional<T> &before, const std::optional<T> &after) {
    if (!before || !after || before == after) return;
    const auto text = [](const std::optional<T> &v) {
        if (!v) return std::string("unknown");
        if constexpr (std::is_same_v<T, std::uint8_t>)
            return to_hex(ByteView(&*v, 1));
        else
            return to_hex(*v);
    };
    notes.push_back(std::string(name) + " " + text(before) + " -> " + text(after));
}

bool range_known(const CardDump &dump, int block, int offset, int size) {
    for (int i = offset; i < offset + size; ++i) {
        if (!dump.byte_known(block, i)) return false;
    }
    return true;
}

bool range_equal(const CardDump &a, const CardDump &b, int block, int offset, int size) {
    for (int i = offset; i < offset + size; ++i) {
        if (a.byte_known(block, i) != b.byte_known(block, i) ||
            a.block(block)[static_cast<std::size_t>(i)] !=
                b.block(block)[static_cast<std::size_t>(i)]) {
            return false;
        }
    }
    return true;
}

std::string access_text(ByteView bytes) {
    const auto access = decode_access_bits(bytes);
    if (!access) return "invalid";
    std::string text;
    for (const AccessCondition condition : access->groups) {
        if (!text.empty()) text += ' ';
        for (int bit = 2; bit >= 0; --bit)
            text += static_cast<char>('0' + ((condition >> bit) & 1));
    }
    return text;
}

// "bytes 0-3, 8 changed" for the offsets whose value or knowledge differs.
std::string changed_bytes(const CardDump &a, const CardDump &b, int block) {
    std::string text;
    int run_start = -1;
    const auto close_run = [&](int end) {
        if (run_start < 0) return;
        if (!text.empty()) text += ", ";
        text += std::to_string(run_start);
        if (end - 1 > run_start) text += "-" + std::to_string(end - 1);
        run_start = -1;
    };
    for (int i = 0; i <= a.block_size(); ++i) {
        const bool differs = i < a.block_size() && !range_equal(a, b, block, i, 1);
        if (differs && run_start < 0) run_start = i;
        if (!differs) close_run(i);
    }
    return (text.find_first_of(",-") == std::string::npos ? "byte " : "bytes ") + text + " changed";
}

void note_trailer(const CardDump &a, const CardDump &b, int block,
                  std::vector<std::string> &notes) {
    for (const TrailerPart &part : kTrailerParts) {
        if (range_equal(a, b, block, part.offset, part.size)) continue;
        const bool known_a = range_known(a, block, part.offset, part.size);
        const bool known_b = range_known(b, block, part.offset, part.size);
        const std::string name(part.name);
        const ByteView bytes_a = a.block(block).subspan(static_cast<std::size_t>(part.offset),
                                                        static_cast<std::size_t>(part.size));
        const ByteView bytes_b = b.block(block).subspan(static_cast<std::size_t>(part.offset),
                                                        static_cast<std::size_t>(part.size));
        if (!known_a || !known_b) {
            notes.push_back(name + " " + (known_a ? "known" : "unknown") + " -> " +
                            (known_b ? "known" : "unknown"));
        } else if (part.offset == kTrailerAccessBits) {
            notes.push_back("access bits changed (" + access_text(bytes_a) + " -> " +
                            access_text(bytes_b) + ")");
        } else if (part.offset == kTrailerUserByte) {
            notes.push_back("user byte " + to_hex(bytes_a) + " -> " + to_hex(bytes_b));
        } else {
            notes.push_back(name + " changed");
        }
    }
}

std::vector<std::string> block_notes(const CardDump &a, const CardDump &b, int block) {
    std::vector<std::string> notes;
    if (a.block_unknown(block) != b.block_unknown(block)) {
        notes.push_back(a.block_unknown(block) ? "unknown -> read" : "read -> unknown");
        return notes;
    }
    const bool mifare = a.family() == CardFamily::MifareClassic;
    if (mifare && is_trailer(block)) {
        note_trailer(a, b, block, notes);
        return notes;
    }
    if (mifare && block > 0 && a.block_known(block) && b.block_known(block)) {
        const auto value_a = decode_value_block(a.block(block));
        const auto value_b = decode_value_block(b.block(block));
        const auto value_text = [](const std::optional<ValueBlock> &v) {
            return v ? "value " + std::to_string(v->value) : std::string("not a value block");
        };
        if (value_a || value_b) {
            if (!value_a || !value_b || value_a->value != value_b->value) {
                notes.push_back(
                    value_text(value_a) + " -> " +
                    (value_b && value_a ? std::to_string(value_b->value) : value_text(value_b)));
            }
            if (value_a && value_b && value_a->address != value_b->address) {
                notes.push_back("value address " + std::to_string(value_a->address) + " -> " +
                                std::to_string(value_b->address));
            }
            return notes;
        }
    }
    notes.push_back(changed_bytes(a, b, block));
    return notes;
}

}  // namespace

DumpDiff diff_dumps(const CardDump &before, const CardDump &after) {
    if (before.family() != after.family() || before.block_size() != after.block_size()) {
        throw std::invalid_argument("cannot compare a " + before.description() + " dump with a " +
                                    after.description() + " dump");
    }
    DumpDiff diff;
    if (before.description() != after.description()) {
        diff.card_notes.push_back("card " + before.description() + " -> " + after.description());
    }
    const CardIdentity &id_a = before.identity();
    const CardIdentity &id_b = after.identity();
    if (!id_a.uid.empty() && !id_b.uid.empty() && id_a.uid != id_b.uid) {
        diff.card_notes.push_back("UID " + to_hex(id_a.uid) + " -> " + to_hex(id_b.uid));
    }
    note_identity(diff.card_notes, "ATQA", id_a.atqa, id_b.atqa);
    note_identity(diff.card_notes, "SAK", id_a.sak, id_b.sak);
    note_identity(diff.card_notes, "DSFID", id_a.dsfid, id_b.dsfid);
    note_identity(diff.card_notes, "AFI", id_a.afi, id_b.afi);
    if (before.family() == CardFamily::Srix4k) {
        note_identity(diff.card_notes, "system block", before.system_block(), after.system_block());
    }

    const CardDump &larger = before.block_count() >= after.block_count() ? before : after;
    const int common = std::min(before.block_count(), after.block_count());
    diff.total_blocks = larger.block_count();
    const bool mifare = before.family() == CardFamily::MifareClassic;
    const int groups = mifare ? larger.sector_count() : larger.block_count();
    for (int group = 0; group < groups; ++group) {
        DiffGroup out;
        out.label = (mifare ? "sector " : "block ") + std::to_string(group);
        out.first_block = mifare ? first_block(group) : group;
        out.block_count = mifare ? blocks_in_sector(group) : 1;
        for (int block = out.first_block; block < out.first_block + out.block_count; ++block) {
            if (block >= common) {
                out.differences.push_back(
                    {block,
                     {&larger == &before ? "only in the first dump" : "only in the second dump"}});
                continue;
            }
            std::vector<std::string> notes;
            if (!range_equal(before, after, block, 0, before.block_size())) {
                notes = block_notes(before, after, block);
            }
            const auto &security_a = before.block_security();
            const auto &security_b = after.block_security();
            if (security_a && security_b &&
                (*security_a)[static_cast<std::size_t>(block)] !=
                    (*security_b)[static_cast<std::size_t>(block)]) {
                notes.push_back(
                    "security status " +
                    to_hex(ByteView(*security_a).subspan(static_cast<std::size_t>(block), 1)) +
                    " -> " +
                    to_hex(ByteView(*security_b).subspan(static_cast<std::size_t>(block), 1)));
            }
            if (notes.empty()) {
                ++diff.equal_blocks;
            } else {
                out.differences.push_back({block, std::move(notes)});
            }
        }
        diff.groups.push_back(std::move(out));
    }
    return diff;
}

std::string format_diff(const DumpDiff &diff, bool hide_identical_groups) {
    std::string text;
    for (const std::string &note : diff.card_notes) text += note + "\n";
    for (const DiffGroup &group : diff.groups) {
        if (group.differences.empty()) {
            if (!hide_identical_groups) text += group.label + ": identical\n";
            continue;
        }
        text += group.label + ":\n";
        for (const BlockDifference &difference : group.differences) {
            text += "  block " + std::to_string(difference.block) + ": ";
            for (std::size_t i = 0; i < difference.notes.size(); ++i) {
                text += (i > 0 ? "; " : "") + difference.notes[i];
            }
            text += "\n";
        }
    }
    char share[64];
    std::snprintf(share, sizeof share, "%d of %d blocks equal (%.1f%%)\n", diff.equal_blocks,
                  diff.total_blocks,
                  diff.total_blocks > 0 ? 100.0 * diff.equal_blocks / diff.total_blocks : 100.0);
    return text + share;
}

}  // namespace cardkit
