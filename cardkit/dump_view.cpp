#include "cardkit/dump_view.h"

#include <algorithm>

#include "cardkit/manufacturer_block.h"
#include "cardkit/value_block.h"

namespace cardkit {

namespace {

std::string hex_byte(std::uint8_t byte) { return to_hex(ByteView(&byte, 1)); }

std::string block_bytes(const CardDump &dump, int block) {
    std::string text;
    for (int i = 0; i < dump.block_size(); ++i) {
        if (i > 0) text += ' ';
        text += dump.byte_known(block, i) ? hex_byte(dump.block(block)[static_cast<std::size_t>(i)])
                                          : "--";
    }
    return text;
}

bool range_known(const CardDump &dump, int block, int offset, int count) {
    for (int i = offset; i < offset + count; ++i) {
        if (!dump.byte_known(block, i)) return false;
    }
    return true;
}

std::optional<std::string> field_hex(const CardDump &dump, int block, int offset, int count,
                                     char separator = '\0') {
    if (!range_known(dump, block, offset, count)) return std::nullopt;
    return to_hex(dump.block(block).subspan(static_cast<std::size_t>(offset),
                                            static_cast<std::size_t>(count)),
                  separator);
}

void add_identity_facts(const CardDump &dump, DumpView &view) {
    const CardIdentity &identity = dump.identity();
    view.facts.emplace_back("UID", identity.uid.empty() ? "unknown" : to_hex(identity.uid));
    if (identity.atqa) view.facts.emplace_back("ATQA", to_hex(*identity.atqa));
    if (identity.sak) view.facts.emplace_back("SAK", hex_byte(*identity.sak));
    if (identity.dsfid) view.facts.emplace_back("DSFID", hex_byte(*identity.dsfid));
    if (identity.afi) view.facts.emplace_back("AFI", hex_byte(*identity.afi));
}

// Mifare Classic ------------------------------------------------------------

void describe_manufacturer_block(const CardDump &dump, BlockView &block) {
    block.role = "manufacturer";
    if (!dump.block_known(0)) return;
    const int uid_size = dump.identity().uid.size() == 7 ? 7 : 4;
    const auto decoded = decode_manufacturer_block(dump.block(0), uid_size);
    if (!decoded) return;
    std::string uid = "UID " + to_hex(decoded->uid);
    if (decoded->check_byte) {
        uid += ", check byte " + hex_byte(*decoded->check_byte) +
               (decoded->check_byte_valid
                    ? " valid"
                    : " invalid (should be " + hex_byte(uid_check_byte(decoded->uid)) + ")");
    }
    block.notes.push_back(uid);
    block.notes.push_back("SAK " + hex_byte(decoded->sak) + ", ATQA " + to_hex(decoded->atqa, ' '));
    block.notes.push_back("maker's data " + to_hex(decoded->maker_data));
}

std::vector<std::string> access_lines(int sector, const AccessBits &access) {
    std::vector<std::string> lines;
    const int first = first_block(sector);
    const int per_group = blocks_in_sector(sector) > 4 ? 5 : 1;
    for (int group = 0; group < 3; ++group) {
        const int from = first + group * per_group;
        const std::string label = per_group == 1 ? "block " + std::to_string(from)
                                                 : "blocks " + std::to_string(from) + "-" +
                                                       std::to_string(from + per_group - 1);
        lines.push_back(label + " (" + condition_bits(access.groups[group]) +
                        "): " + describe_data_block(access.groups[group]));
    }
    lines.push_back("block " + std::to_string(trailer_block(sector)) + ", trailer (" +
                    condition_bits(access.groups[3]) + "): " + describe_trailer(access.groups[3]));
    return lines;
}

void view_mifare(const CardDump &dump, DumpView &view) {
    std::vector<int> unknown_sectors;
    for (int sector = 0; sector < dump.sector_count(); ++sector) {
        SectorView out;
        out.sector = sector;
        const int trailer = trailer_block(sector);
        for (int number = first_block(sector); number <= trailer; ++number) {
            BlockView block{number, block_bytes(dump, number), "data", {}, std::nullopt};
            if (number == 0) {
                describe_manufacturer_block(dump, block);
            } else if (number == trailer) {
                block.role = "trailer";
            } else if (dump.block_known(number)) {
                if (const auto value = decode_value_block(dump.block(number))) {
                    block.role = "value";
                    block.notes.push_back("value " + std::to_string(value->value) + ", address " +
                                          std::to_string(value->address));
                }
            }
            out.blocks.push_back(std::move(block));
        }
        out.key_a = field_hex(dump, trailer, kTrailerKeyA, 6);
        out.key_b = field_hex(dump, trailer, kTrailerKeyB, 6);
        out.access_bytes = field_hex(dump, trailer, kTrailerAccessBits, 3, ' ');
        out.user_byte = field_hex(dump, trailer, kTrailerUserByte, 1);
        if (out.access_bytes) {
            if (const auto access = dump.access_bits(sector)) {
                out.access_valid = true;
                out.access = access_lines(sector, *access);
            } else {
                view.notes.push_back("sector " + std::to_string(sector) + ": access bits " +
                                     *out.access_bytes +
                                     " invalid (their inverted copies disagree; the card refuses "
                                     "the sector)");
            }
        }
        bool unknown = true;
        for (int number = first_block(sector); number <= trailer; ++number) {
            unknown = unknown && dump.block_unknown(number);
        }
        if (unknown) unknown_sectors.push_back(sector);
        view.sectors.push_back(std::move(out));
    }
    if (!unknown_sectors.empty()) {
        view.notes.push_back((unknown_sectors.size() == 1 ? "sector " : "sectors ") +
                             number_ranges(unknown_sectors) + " not read");
    }
}

// Ultralight and NTAG -------------------------------------------------------

// The configuration pages (CFG0, CFG1, PWD, PACK) of the types that have them.
std::optional<int> config_page(UltralightType type) {
    switch (type) {
        case UltralightType::UltralightEv1_11:
        case UltralightType::Ntag210:
            return 16;
        case UltralightType::UltralightEv1_21:
        case UltralightType::Ntag212:
            return 37;
        case UltralightType::Ntag213:
            return 41;
        case UltralightType::Ntag215:
            return 131;
        case UltralightType::Ntag216:
        case UltralightType::NtagI2cPlus1k:
        case UltralightType::NtagI2cPlus2k:
            return 227;
        default:
            return std::nullopt;
    }
}

void add_ultralight_facts(const CardDump &dump, DumpView &view) {
    const UltralightInfo &info = dump.ultralight_info();
    if (info.version) {
        const auto named = ultralight_type_from_version(*info.version);
        view.facts.emplace_back(
            "version",
            to_hex(*info.version) +
                (named ? " (" + std::string(ultralight_type_name(*named)) + ")" : std::string()));
    }
    if (info.signature) view.facts.emplace_back("signature", to_hex(*info.signature));
    for (std::size_t i = 0; i < 3; ++i) {
        if (info.counters[i])
            view.facts.emplace_back("counter " + std::to_string(i),
                                    std::to_string(*info.counters[i]));
        if (info.tearing[i])
            view.facts.emplace_back("tearing flag " + std::to_string(i),
                                    hex_byte(*info.tearing[i]));
    }
    if (info.failed_authentications) {
        view.facts.emplace_back("failed authentications",
                                std::to_string(*info.failed_authentications));
    }
}

void view_ultralight(const CardDump &dump, DumpView &view) {
    add_ultralight_facts(dump, view);
    const UltralightType type = *dump.ultralight_type();
    std::vector<bool> locked(static_cast<std::size_t>(dump.block_count()), false);
    bool locks_known = false;
    if (dump.block_count() > 2 && range_known(dump, 2, 2, 2)) {
        locks_known = true;
        for (const int page : static_locked_pages(dump.block(2)[2], dump.block(2)[3])) {
            if (page < dump.block_count()) locked[static_cast<std::size_t>(page)] = true;
        }
    }
    const auto dynamic = dynamic_lock(type);
    if (dynamic && dynamic->page < dump.block_count() &&
        range_known(dump, dynamic->page, 0, dynamic->bytes)) {
        for (int bit = 0; bit < 8 * dynamic->bytes; ++bit) {
            const std::uint8_t byte = dump.block(dynamic->page)[static_cast<std::size_t>(bit / 8)];
            if (((byte >> (bit % 8)) & 1) == 0) continue;
            for (int i = 0; i < dynamic->pages_per_bit; ++i) {
                const int page = dynamic->first_page + bit * dynamic->pages_per_bit + i;
                if (page < dynamic->page) locked[static_cast<std::size_t>(page)] = true;
            }
        }
    }
    const auto config = config_page(type);
    for (int page = 0; page < dump.block_count(); ++page) {
        BlockView block{page, block_bytes(dump, page), "data", {}, std::nullopt};
        if (page < 2) block.role = "UID";
        if (page == 0 && dump.block_known(0)) {
            const ByteView p0 = dump.block(0);
            const std::uint8_t bcc0 = 0x88 ^ p0[0] ^ p0[1] ^ p0[2];
            block.notes.push_back(
                "check byte " + hex_byte(p0[3]) +
                (p0[3] == bcc0 ? " valid" : " invalid (should be " + hex_byte(bcc0) + ")"));
        }
        if (page == 2) {
            block.role = "lock and UID";
            if (dump.block_known(1) && dump.block_known(2)) {
                const ByteView p1 = dump.block(1);
                const std::uint8_t bcc1 = p1[0] ^ p1[1] ^ p1[2] ^ p1[3];
                const std::uint8_t given = dump.block(2)[0];
                block.notes.push_back(
                    "check byte " + hex_byte(given) +
                    (given == bcc1 ? " valid" : " invalid (should be " + hex_byte(bcc1) + ")"));
            }
            if (locks_known) {
                block.notes.push_back("static lock bytes " +
                                      to_hex(dump.block(2).subspan(2, 2), ' '));
            }
        }
        if (page == 3) {
            block.role = "capability container";
            if (dump.block_known(3)) {
                const auto cc = describe_capability_container(dump.block(3));
                block.notes.push_back(cc ? *cc : "no NDEF capability container (OTP bits)");
            }
        }
        if (dynamic && page == dynamic->page) block.role = "dynamic lock";
        if (config && page >= *config && page < *config + 4) {
            constexpr const char *kRoles[] = {"configuration CFG0", "configuration CFG1",
                                              "password", "PACK"};
            block.role = kRoles[page - *config];
            if (page == *config && dump.block_known(page)) {
                block.notes.push_back("password protects pages from " +
                                      std::to_string(dump.block(page)[3]) + " on");
            }
        }
        if (locks_known && page >= 3) block.locked = locked[static_cast<std::size_t>(page)];
        view.blocks.push_back(std::move(block));
    }
    std::vector<int> locked_pages;
    for (int page = 0; page < dump.block_count(); ++page) {
        if (locked[static_cast<std::size_t>(page)]) locked_pages.push_back(page);
    }
    if (!locks_known) {
        view.notes.push_back("lock bits unknown (page 2 not read)");
    } else {
        view.notes.push_back(locked_pages.empty() ? "no page locked"
                             : locked_pages.size() == 1
                                 ? "page " + number_ranges(locked_pages) + " locked"
                                 : "pages " + number_ranges(locked_pages) + " locked");
    }
}

// ISO 15693, SRIX4K, SR176 ---------------------------------------------------

void view_iso15693(const CardDump &dump, DumpView &view) {
    const Iso15693Info &info = dump.iso15693_info();
    if (info.ic_reference) view.facts.emplace_back("IC reference", hex_byte(*info.ic_reference));
    if (info.dsfid_locked)
        view.facts.emplace_back("DSFID locked", *info.dsfid_locked ? "yes" : "no");
    if (info.afi_locked) view.facts.emplace_back("AFI locked", *info.afi_locked ? "yes" : "no");
    const auto &security = dump.block_security();
    std::vector<int> locked;
    for (int number = 0; number < dump.block_count(); ++number) {
        BlockView block{number, block_bytes(dump, number), "data", {}, std::nullopt};
        if (security) {
            block.locked = (*security)[static_cast<std::size_t>(number)] != 0;
            if (*block.locked) locked.push_back(number);
        }
        view.blocks.push_back(std::move(block));
    }
    if (!security) {
        view.notes.push_back("lock status of the blocks unknown");
    } else {
        view.notes.push_back(locked.empty()       ? "no block locked"
                             : locked.size() == 1 ? "block " + number_ranges(locked) + " locked"
                                                  : "blocks " + number_ranges(locked) + " locked");
    }
}

void view_srix4k(const CardDump &dump, DumpView &view) {
    view.facts.emplace_back("system block",
                            dump.system_block() ? to_hex(*dump.system_block(), ' ') : "unknown");
    for (int number = 0; number < dump.block_count(); ++number) {
        BlockView block{
            number, block_bytes(dump, number), number < 5 ? "OTP" : "data", {}, std::nullopt};
        if (number == 5 || number == 6) {
            block.role = "counter";
            if (dump.block_known(number)) {
                const ByteView b = dump.block(number);
                const std::uint32_t value = static_cast<std::uint32_t>(b[0]) | b[1] << 8 |
                                            b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
                block.notes.push_back("count " + std::to_string(value) + " (counts down only)");
            }
        }
        view.blocks.push_back(std::move(block));
    }
}

void view_sr176(const CardDump &dump, DumpView &view) {
    for (int number = 0; number < dump.block_count(); ++number) {
        const std::string role = number < 4 ? "UID" : number == 15 ? "lock" : "data";
        view.blocks.push_back({number, block_bytes(dump, number), role, {}, std::nullopt});
    }
}

void render_block(const BlockView &block, std::string &text) {
    text += "  " +
            std::string(block.number < 10    ? "  "
                        : block.number < 100 ? " "
                                             : "") +
            std::to_string(block.number) + "  " + block.bytes + "  " + block.role;
    if (block.locked) text += *block.locked ? ", locked" : "";
    for (const std::string &note : block.notes) text += "; " + note;
    text += "\n";
}

}  // namespace

DumpView view_dump(const CardDump &dump) {
    DumpView view;
    view.card = dump.description();
    add_identity_facts(dump, view);
    switch (dump.family()) {
        case CardFamily::MifareClassic:
            view_mifare(dump, view);
            break;
        case CardFamily::Ultralight:
            view_ultralight(dump, view);
            break;
        case CardFamily::Iso15693:
            view_iso15693(dump, view);
            break;
        case CardFamily::Srix4k:
            view_srix4k(dump, view);
            break;
        case CardFamily::Sr176:
            view_sr176(dump, view);
            break;
    }
    return view;
}

std::string format_dump_view(const DumpView &view) {
    std::string text = view.card + "\n";
    for (const auto &[name, value] : view.facts) text += name + ": " + value + "\n";
    for (const SectorView &sector : view.sectors) {
        text += "sector " + std::to_string(sector.sector) + "\n";
        for (const BlockView &block : sector.blocks) render_block(block, text);
        text += "  key A " + sector.key_a.value_or("unknown") + ", key B " +
                sector.key_b.value_or("unknown") + ", access bits " +
                sector.access_bytes.value_or("unknown") +
                (sector.access_bytes && !sector.access_valid ? " (invalid)" : "") + ", user byte " +
                sector.user_byte.value_or("unknown") + "\n";
        for (const std::string &line : sector.access) text += "    " + line + "\n";
    }
    for (const BlockView &block : view.blocks) render_block(block, text);
    for (const std::string &note : view.notes) text += note + "\n";
    return text;
}

}  // namespace cardkit
