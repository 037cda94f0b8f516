#include "sample_dumps.h"

#include "cardkit/dump_view.h"
#include "cardkit/manufacturer_block.h"
#include "cardkit/value_block.h"

namespace cardkit {

void PrintTo(const CardDump &dump, std::ostream *out) {
    *out << "\n" << format_dump_view(view_dump(dump));
}

}  // namespace cardkit

namespace cardkit_test {

using namespace cardkit;

namespace {

// Blocks that differ from one another, so a block put in the wrong place shows.
void fill_pattern(CardDump &dump) {
    for (int block = 0; block < dump.block_count(); ++block) {
        Bytes bytes(static_cast<std::size_t>(dump.block_size()));
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(block * 7 + static_cast<int>(i) * 13);
        }
        dump.set_block(block, bytes);
    }
}

}  // namespace

Bytes transport_trailer() {
    Bytes trailer(16, 0xFF);
    trailer[6] = 0xFF;
    trailer[7] = 0x07;
    trailer[8] = 0x80;
    trailer[9] = 0x69;
    return trailer;
}

CardDump mifare_dump(MifareType type, bool partial) {
    CardDump dump = CardDump::mifare_classic(type);
    fill_pattern(dump);
    const std::uint8_t sak = type == MifareType::Classic4K   ? 0x18
                             : type == MifareType::Classic2K ? 0x19
                             : type == MifareType::Mini      ? 0x09
                                                             : 0x08;
    const std::array<std::uint8_t, 2> atqa = {
        static_cast<std::uint8_t>(type == MifareType::Classic4K ? 0x02 : 0x04), 0x00};
    const Bytes maker = {0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69};
    const auto block0 = encode_manufacturer_block({0x5A, 0x3C, 0x71, 0xE2}, sak, atqa, maker);
    dump.set_block(0, block0);
    dump.set_block(4, encode_value_block({100, 4}));
    for (int sector = 0; sector < dump.sector_count(); ++sector) {
        dump.set_block(trailer_block(sector), transport_trailer());
    }
    if (partial) {
        dump.forget_bytes(trailer_block(2), kTrailerKeyB, 6);
        const int last = dump.sector_count() - 1;
        for (int block = first_block(last); block <= trailer_block(last); ++block) {
            dump.forget_block(block);
        }
    }
    dump.set_identity(identity_in_blocks(dump));
    return dump;
}

CardDump with_uid_only(CardDump dump) {
    dump.set_identity({identity_in_blocks(dump).uid});
    return dump;
}

namespace {

CardDump ultralight_of(UltralightType type) {
    CardDump dump = CardDump::ultralight(type);
    fill_pattern(dump);
    dump.set_block(0, Bytes{0x04, 0x6E, 0x31, 0xD3});
    dump.set_block(1, Bytes{0x5A, 0x2B, 0x48, 0x80});
    dump.set_block(2, Bytes{0xB9, 0x48, 0x00, 0x00});
    CardIdentity identity = identity_in_blocks(dump);
    identity.atqa = {0x44, 0x00};
    identity.sak = 0x00;
    dump.set_identity(identity);
    UltralightInfo info;
    info.counters = {5, 0, 0};
    info.tearing = {0xBD, 0xBD, 0xBD};
    dump.set_ultralight_info(info);
    return dump;
}

}  // namespace

CardDump ultralight_dump() { return ultralight_of(UltralightType::Ultralight); }

CardDump ntag215_dump() {
    CardDump dump = ultralight_of(UltralightType::Ntag215);
    UltralightInfo info = dump.ultralight_info();
    info.version = {0x00, 0x04, 0x04, 0x02, 0x01, 0x00, 0x11, 0x03};
    info.signature.emplace();
    for (std::size_t i = 0; i < info.signature->size(); ++i) {
        (*info.signature)[i] = static_cast<std::uint8_t>(0x80 + i);
    }
    dump.set_ultralight_info(info);
    return dump;
}

CardDump srix4k_dump() {
    CardDump dump = CardDump::srix4k();
    fill_pattern(dump);
    dump.set_system_block(std::array<std::uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF});
    dump.set_identity({.uid = {0xD0, 0x02, 0x0C, 0x4B, 0x13, 0x72, 0xA9, 0xE5}});
    return dump;
}

CardDump sr176_dump() {
    CardDump dump = CardDump::sr176();
    fill_pattern(dump);
    dump.set_identity({.uid = {0xD0, 0x02, 0x0B, 0x55, 0x31, 0x7E, 0x90, 0x04}});
    return dump;
}

CardDump iso15693_dump() {
    CardDump dump = CardDump::iso15693(28, 4);
    fill_pattern(dump);
    Bytes security(28, 0);
    security[5] = 1;
    dump.set_block_security(security);
    dump.set_identity(
        {.uid = {0xE0, 0x04, 0x01, 0x00, 0x4F, 0x3A, 0x92, 0xC7}, .dsfid = 0x00, .afi = 0x00});
    dump.set_iso15693_info({0x01, false, true});
    return dump;
}

}  // namespace cardkit_test
