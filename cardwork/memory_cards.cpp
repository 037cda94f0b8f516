#include "cardwork/memory_cards.h"

#include <algorithm>
#include <array>

#include "cardwork/tag_information.h"
#include "cardwork/type_a.h"
#include "protocol/card_protocols.h"

namespace cardwork {

namespace {

using cardkit::ByteView;
using cardkit::CardDump;

// Runs `work` and keeps what stopped it in `read`; whatever it read stays.
template <typename Work>
MemoryCardRead reading(Work work) {
    MemoryCardRead read;
    try {
        work(read);
    } catch (const CardError &error) {
        read.stopped = error;
    } catch (const std::exception &error) {
        read.stopped = unexpected_failure(error);
    }
    return read;
}

// The reader hands an SRIX4K block over most significant byte first; the tag
// sends it, and the common tools' files keep it, least significant byte first.
std::array<std::uint8_t, 4> tag_order(const std::uint8_t (&from_reader)[4]) {
    return {from_reader[3], from_reader[2], from_reader[1], from_reader[0]};
}

void tell(const ReaderSession &session, const ProgressCallback &progress, int done, int total) {
    if (progress) progress({WorkUnit::Block, done, total, std::nullopt, 0, session.exchanges()});
}

// SR176 and SRIX4K: the field, INITIATE and SELECT; the chip ID.
std::uint8_t select_short_range(ReaderSession &session) {
    session.power_field(protocol::kProtocolShortRange);
    std::uint8_t chip_id = 0;
    const std::int32_t result = CARDWORK_TRY(session, rf_st_select, &chip_id);
    if (result != 0) {
        throw CardError::call("rf_st_select", result,
                              result == kNoCard ? "no SR176 or SRIX4K card in the field" : "");
    }
    return chip_id;
}

// Addressed requests (the tag named by its UID) at the high data rate.
constexpr std::int32_t kAddressedFlags = 0x22;
constexpr int kMostBlocksARead = 15;
constexpr int kMostSecurityBytes = 63;
// The system block (OTP lock bits, lock register) answers at this address.
constexpr int kSrix4kSystemBlock = 255;
constexpr int kInventoryAnswer = 9;  // DSFID, then the UID

}  // namespace

MemoryCardRead read_ultralight(ReaderSession &session, const ProgressCallback &progress,
                               cardkit::UltralightType type) {
    return reading([&](MemoryCardRead &read) {
        read.dump = CardDump::ultralight(type);
        CardDump &dump = *read.dump;
        session.power_field(protocol::kProtocolTypeA);
        const TypeACard card = require_type_a(
            session, [](const TypeACard &candidate) { return candidate.uid.size() == 7; },
            [](const TypeACard &other) {
                return "the card " + cardkit::to_hex(other.uid) +
                       " has a 4-byte UID: it is no Ultralight";
            });
        dump.set_identity({card.uid, card.atqa});
        // A read answers four pages at once.
        for (int page = 0; page < dump.block_count(); page += 4) {
            std::uint8_t data[16] = {};
            std::uint8_t length = 0;
            const std::int32_t result = CARDWORK_TRY(session, rf_M1_read, page, data, &length);
            if (result != 0) {
                throw CardError::call("rf_M1_read", result, "page " + std::to_string(page));
            }
            // The last read of a type whose pages are no multiple of four answers
            // past the end (the tag rolls over to page 0): only its own pages count.
            const int pages = std::min(4, dump.block_count() - page);
            for (int i = 0; i < pages; ++i) dump.set_block(page + i, ByteView(data + 4 * i, 4));
            tell(session, progress, page + pages, dump.block_count());
        }
    });
}

MemoryCardRead read_srix4k(ReaderSession &session, const ProgressCallback &progress) {
    return reading([&](MemoryCardRead &read) {
        read.dump = CardDump::srix4k();
        CardDump &dump = *read.dump;
        read.chip_id = select_short_range(session);
        std::uint8_t uid[8] = {};
        std::uint8_t length = 0;
        const std::int32_t result = CARDWORK_TRY(session, rf_srix4k_getuid, uid, &length);
        if (result != 0) throw CardError::call("rf_srix4k_getuid", result, "no SRIX4K card");
        dump.set_identity({cardkit::Bytes(uid, uid + 8)});
        for (int block = 0; block < dump.block_count(); ++block) {
            std::uint8_t data[4] = {};
            CARDWORK_CALL(session, rf_srix4k_readblock, block, data, &length);
            dump.set_block(block, tag_order(data));
            tell(session, progress, block + 1, dump.block_count());
        }
        std::uint8_t system[4] = {};
        const std::int32_t system_result =
            CARDWORK_TRY(session, rf_srix4k_readblock, kSrix4kSystemBlock, system, &length);
        if (system_result == 0) {
            dump.set_system_block(tag_order(system));
        } else if (system_result == kBadAddress) {
            read.warnings.push_back(
                "the card has no system block at 255: the dump goes without it");
        } else {
            throw CardError::call("rf_srix4k_readblock", system_result, "block 255");
        }
        CARDWORK_TRY(session, rf_st_completion);
    });
}

MemoryCardRead read_sr176(ReaderSession &session, const ProgressCallback &progress) {
    return reading([&](MemoryCardRead &read) {
        read.dump = CardDump::sr176();
        CardDump &dump = *read.dump;
        read.chip_id = select_short_range(session);
        for (int block = 0; block < dump.block_count(); ++block) {
            std::uint8_t data[2] = {};
            std::uint8_t length = 0;
            const std::int32_t result =
                CARDWORK_TRY(session, rf_sr176_readblock, block, data, &length);
            if (result != 0) {
                throw CardError::call(
                    "rf_sr176_readblock", result,
                    block == 0 ? "no SR176 card" : "block " + std::to_string(block));
            }
            dump.set_block(block, data);
            // Blocks 3 down to 0 hold the UID, most significant part first.
            if (block == 3) {
                cardkit::Bytes uid;
                for (int part = 3; part >= 0; --part) {
                    const ByteView bytes = dump.block(part);
                    uid.insert(uid.end(), bytes.begin(), bytes.end());
                }
                dump.set_identity({uid});
            }
            tell(session, progress, block + 1, dump.block_count());
        }
        CARDWORK_TRY(session, rf_st_completion);
    });
}

MemoryCardRead read_iso15693(ReaderSession &session, const ProgressCallback &progress) {
    return reading([&](MemoryCardRead &read) {
        session.power_field(protocol::kProtocolIso15693);
        std::uint8_t answer[protocol::kAnswerRoom] = {};
        std::uint8_t length = 0;
        const std::int32_t found = CARDWORK_TRY(session, ISO15693_Inventory, answer, &length);
        if (found != 0) {
            throw CardError::call("ISO15693_Inventory", found,
                                  found == kNoCard ? "no ISO 15693 tag in the field" : "");
        }
        if (length != kInventoryAnswer) {
            throw CardError(CardErrorKind::CardUnusable, "ISO15693_Inventory answered " +
                                                             std::to_string(length) +
                                                             " bytes, not DSFID and UID");
        }
        // The tag's UID as it travels, least significant byte first.
        const std::array<std::uint8_t, 8> wire_uid = {answer[1], answer[2], answer[3], answer[4],
                                                      answer[5], answer[6], answer[7], answer[8]};
        CARDWORK_CALL(session, ISO15693_Get_System_Information, kAddressedFlags, wire_uid.data(),
                      answer, &length);
        const TagInformation memory = parse_tag_information(ByteView(answer, length));

        read.dump = CardDump::iso15693(memory.blocks, memory.block_size);
        CardDump &dump = *read.dump;
        dump.set_identity({cardkit::Bytes(wire_uid.rbegin(), wire_uid.rend()), std::nullopt,
                           std::nullopt, memory.dsfid, memory.afi});

        const int per_read = std::min(
            kMostBlocksARead, static_cast<int>(protocol::kMaxResponseData) / memory.block_size);
        for (int first = 0; first < memory.blocks; first += per_read) {
            const int count = std::min(per_read, memory.blocks - first);
            CARDWORK_CALL(session, ISO15693_Read, kAddressedFlags, wire_uid.data(), first, count,
                          answer, &length);
            if (length != count * memory.block_size) {
                throw CardError(CardErrorKind::CardUnusable,
                                "ISO15693_Read answered " + std::to_string(length) + " bytes for " +
                                    std::to_string(count) + " blocks of " +
                                    std::to_string(memory.block_size));
            }
            for (int i = 0; i < count; ++i) {
                dump.set_block(first + i, ByteView(answer + i * memory.block_size,
                                                   static_cast<std::size_t>(memory.block_size)));
            }
            tell(session, progress, first + count, memory.blocks);
        }
        cardkit::Bytes security;
        for (int first = 0; first < memory.blocks; first += kMostSecurityBytes) {
            const int count = std::min(kMostSecurityBytes, memory.blocks - first);
            CARDWORK_CALL(session, ISO15693_Get_Block_Security, kAddressedFlags, wire_uid.data(),
                          first, count, answer, &length);
            if (length != count) {
                throw CardError(CardErrorKind::CardUnusable,
                                "ISO15693_Get_Block_Security answered " + std::to_string(length) +
                                    " bytes for " + std::to_string(count) + " blocks");
            }
            security.insert(security.end(), answer, answer + length);
        }
        dump.set_block_security(std::move(security));
    });
}

}  // namespace cardwork
