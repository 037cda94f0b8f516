// ul dump, srix dump, sr176 dump and 15693 dump: the cards without keys, read
// whole.

#include <algorithm>

#include "cli/commands.h"
#include "cli/dump_files.h"
#include "cli/tag_information.h"
#include "cli/type_a_card.h"
#include "protocol/frame.h"

namespace rfcard {

namespace {

using cardkit::ByteView;
using cardkit::CardDump;

// Writes the dump where the options say and reports it; the format was checked
// before the card was read.
int finish_dump(CommandContext &context, const CardDump &dump, const DumpOptions &options,
                cardkit::DumpFormat format) {
    Output &out = context.out();
    out.data()["blocks"] = dump.block_count();
    out.data()["exchanges"] = context.reader().exchanges();
    out.text(std::to_string(dump.block_count()) + " blocks read, " +
             std::to_string(context.reader().exchanges()) + " exchanges");
    save_dump(out, dump, options.output, format);
    if (out.data().contains("file")) {
        out.text("written to " + options.output + " (" + std::string(cardkit::format_name(format)) +
                 ")");
    }
    return kExitDone;
}

cardkit::DumpFormat format_for(CommandContext &context, const DumpOptions &options,
                               cardkit::CardFamily family) {
    const auto format =
        output_format(options.format, options.output, family, cardkit::DumpFormat::Json);
    if (options.output.empty() || options.output == "-") context.out().keep_stdout_for_data();
    return format;
}

void describe_card(CommandContext &context, const std::string &kind, const cardkit::Bytes &uid,
                   Json details = Json::object()) {
    details["type"] = kind;
    details["uid"] = cardkit::to_hex(uid);
    context.out().data()["card"] = std::move(details);
    context.out().text(kind + " " + cardkit::to_hex(uid));
}

// SR176 and SRIX4K: the field, INITIATE and SELECT; the chip ID.
std::uint8_t select_short_range(Reader &reader) {
    reader.power_field(protocol::kProtocolShortRange);
    std::uint8_t chip_id = 0;
    const std::int32_t result = RF_TRY(reader, rf_st_select, &chip_id);
    if (result != 0) {
        throw ReaderError("rf_st_select", result,
                          result == kNoCard ? "no SR176 or SRIX4K card in the field" : "");
    }
    return chip_id;
}

}  // namespace

int run_ultralight_dump(CommandContext &context, const DumpOptions &options) {
    const auto format = format_for(context, options, cardkit::CardFamily::Ultralight);
    Reader &reader = context.reader();
    reader.power_field(protocol::kProtocolTypeA);
    const TypeACard card = require_type_a(
        reader, [](const TypeACard &candidate) { return candidate.uid.size() == 7; },
        [](const TypeACard &other) {
            return "the card " + cardkit::to_hex(other.uid) +
                   " has a 4-byte UID: it is no Ultralight";
        });
    CardDump dump = CardDump::ultralight();
    dump.set_identity({card.uid, card.atqa});
    describe_card(context, "Ultralight", card.uid, {{"atqa", cardkit::to_hex(card.atqa)}});
    // A read answers four pages at once.
    for (int page = 0; page < dump.block_count(); page += 4) {
        std::uint8_t data[16] = {};
        std::uint8_t length = 0;
        RF_CALL(reader, rf_M1_read, page, data, &length);
        for (int i = 0; i < 4; ++i) dump.set_block(page + i, ByteView(data + 4 * i, 4));
    }
    return finish_dump(context, dump, options, format);
}

int run_srix4k_dump(CommandContext &context, const DumpOptions &options) {
    const auto format = format_for(context, options, cardkit::CardFamily::Srix4k);
    Reader &reader = context.reader();
    const std::uint8_t chip_id = select_short_range(reader);
    std::uint8_t uid[8] = {};
    std::uint8_t length = 0;
    const std::int32_t result = RF_TRY(reader, rf_srix4k_getuid, uid, &length);
    if (result != 0) throw ReaderError("rf_srix4k_getuid", result, "no SRIX4K card");
    CardDump dump = CardDump::srix4k();
    dump.set_identity({cardkit::Bytes(uid, uid + 8)});
    describe_card(context, "SRIX4K", dump.identity().uid,
                  {{"chip_id", cardkit::to_hex(ByteView(&chip_id, 1))}});
    for (int block = 0; block < dump.block_count(); ++block) {
        std::uint8_t data[4] = {};
        RF_CALL(reader, rf_srix4k_readblock, block, data, &length);
        dump.set_block(block, data);
    }
    // The system block (OTP lock bits, lock register) answers at address 255.
    constexpr int kSystemBlock = 255;
    std::uint8_t system[4] = {};
    const std::int32_t system_result =
        RF_TRY(reader, rf_srix4k_readblock, kSystemBlock, system, &length);
    if (system_result == 0) {
        dump.set_system_block(
            std::array<std::uint8_t, 4>{system[0], system[1], system[2], system[3]});
    } else if (system_result == kBadAddress) {
        context.out().warn("the card has no system block at 255: the dump goes without it");
    } else {
        throw ReaderError("rf_srix4k_readblock", system_result, "block 255");
    }
    RF_TRY(reader, rf_st_completion);
    return finish_dump(context, dump, options, format);
}

int run_sr176_dump(CommandContext &context, const DumpOptions &options) {
    const auto format = format_for(context, options, cardkit::CardFamily::Sr176);
    Reader &reader = context.reader();
    const std::uint8_t chip_id = select_short_range(reader);
    CardDump dump = CardDump::sr176();
    for (int block = 0; block < dump.block_count(); ++block) {
        std::uint8_t data[2] = {};
        std::uint8_t length = 0;
        const std::int32_t result = RF_TRY(reader, rf_sr176_readblock, block, data, &length);
        if (result != 0) {
            throw ReaderError("rf_sr176_readblock", result,
                              block == 0 ? "no SR176 card" : "block " + std::to_string(block));
        }
        dump.set_block(block, data);
    }
    // Blocks 3 down to 0 hold the UID, most significant part first.
    cardkit::Bytes uid;
    for (int block = 3; block >= 0; --block) {
        const ByteView part = dump.block(block);
        uid.insert(uid.end(), part.begin(), part.end());
    }
    dump.set_identity({uid});
    describe_card(context, "SR176", uid, {{"chip_id", cardkit::to_hex(ByteView(&chip_id, 1))}});
    RF_TRY(reader, rf_st_completion);
    return finish_dump(context, dump, options, format);
}

namespace {

// Addressed requests (the tag named by its UID) at the high data rate.
constexpr std::int32_t kAddressedFlags = 0x22;
constexpr int kMostBlocksARead = 15;
constexpr int kMostSecurityBytes = 63;

}  // namespace

int run_iso15693_dump(CommandContext &context, const DumpOptions &options) {
    const auto format = format_for(context, options, cardkit::CardFamily::Iso15693);
    Reader &reader = context.reader();
    reader.power_field(protocol::kProtocolIso15693);
    std::uint8_t answer[kAnswerRoom] = {};
    std::uint8_t length = 0;
    const std::int32_t found = RF_TRY(reader, ISO15693_Inventory, answer, &length);
    if (found != 0) {
        throw ReaderError("ISO15693_Inventory", found,
                          found == kNoCard ? "no ISO 15693 tag in the field" : "");
    }
    if (length != 9) {
        throw ToolError(kExitReaderFailed, "ISO15693_Inventory answered " + std::to_string(length) +
                                               " bytes, not DSFID and UID");
    }
    // The tag's UID as it travels, least significant byte first.
    const std::array<std::uint8_t, 8> wire_uid = {answer[1], answer[2], answer[3], answer[4],
                                                  answer[5], answer[6], answer[7], answer[8]};
    RF_CALL(reader, ISO15693_Get_System_Information, kAddressedFlags, wire_uid.data(), answer,
            &length);
    const TagInformation memory = parse_tag_information(ByteView(answer, length));

    CardDump dump = CardDump::iso15693(memory.blocks, memory.block_size);
    dump.set_identity({cardkit::Bytes(wire_uid.rbegin(), wire_uid.rend()), std::nullopt,
                       std::nullopt, memory.dsfid, memory.afi});
    describe_card(context, "ISO 15693", dump.identity().uid,
                  {{"blocks", memory.blocks}, {"block_size", memory.block_size}});

    const int per_read = std::min(kMostBlocksARead,
                                  static_cast<int>(protocol::kMaxResponseData) / memory.block_size);
    for (int first = 0; first < memory.blocks; first += per_read) {
        const int count = std::min(per_read, memory.blocks - first);
        RF_CALL(reader, ISO15693_Read, kAddressedFlags, wire_uid.data(), first, count, answer,
                &length);
        if (length != count * memory.block_size) {
            throw ToolError(kExitReaderFailed, "ISO15693_Read answered " + std::to_string(length) +
                                                   " bytes for " + std::to_string(count) +
                                                   " blocks of " +
                                                   std::to_string(memory.block_size));
        }
        for (int i = 0; i < count; ++i) {
            dump.set_block(first + i, ByteView(answer + i * memory.block_size,
                                               static_cast<std::size_t>(memory.block_size)));
        }
    }
    cardkit::Bytes security;
    for (int first = 0; first < memory.blocks; first += kMostSecurityBytes) {
        const int count = std::min(kMostSecurityBytes, memory.blocks - first);
        RF_CALL(reader, ISO15693_Get_Block_Security, kAddressedFlags, wire_uid.data(), first, count,
                answer, &length);
        if (length != count) {
            throw ToolError(kExitReaderFailed, "ISO15693_Get_Block_Security answered " +
                                                   std::to_string(length) + " bytes for " +
                                                   std::to_string(count) + " blocks");
        }
        security.insert(security.end(), answer, answer + length);
    }
    dump.set_block_security(std::move(security));
    return finish_dump(context, dump, options, format);
}

}  // namespace rfcard
