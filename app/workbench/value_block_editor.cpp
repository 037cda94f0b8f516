#include "workbench/value_block_editor.h"

#include "cardkit/access_bits.h"
#include "cardkit/value_block.h"

namespace tilvane {

namespace {

QString Hex(cardkit::ByteView bytes) { return QString::fromStdString(cardkit::to_hex(bytes)); }

}  // namespace

ValueDraft ValueDraftFor(const cardkit::CardDump &dump, int block) {
    ValueDraft draft;
    if (dump.family() != cardkit::CardFamily::MifareClassic) {
        draft.why_not = QStringLiteral("Only Mifare Classic cards have value blocks.");
        return draft;
    }
    if (block < 0 || block >= dump.block_count()) {
        draft.why_not = QStringLiteral("No block is chosen.");
        return draft;
    }
    if (block == 0) {
        draft.why_not = QStringLiteral("Block 0 is the manufacturer block, never a value block.");
        return draft;
    }
    if (cardkit::is_trailer(block)) {
        draft.why_not =
            QStringLiteral("Block %1 is a sector trailer, never a value block.").arg(block);
        return draft;
    }
    draft.applicable = true;
    draft.address = static_cast<std::uint8_t>(block);
    if (dump.block_known(block)) {
        if (const auto value = cardkit::decode_value_block(dump.block(block))) {
            draft.value = value->value;
            draft.address = value->address;
            draft.is_value_block = true;
        }
    }
    const int sector = cardkit::sector_of_block(block);
    if (const auto access = dump.access_bits(sector)) {
        const int group = cardkit::access_group(block - cardkit::first_block(sector),
                                                cardkit::blocks_in_sector(sector));
        const cardkit::DataBlockRights rights =
            cardkit::data_block_rights(access->groups[static_cast<std::size_t>(group)]);
        const auto phrase = [](const char *verb, cardkit::KeyRight right) {
            if (right == cardkit::KeyRight::Never)
                return QStringLiteral("never %1").arg(QLatin1String(verb));
            const std::string_view key = cardkit::key_right_name(right);
            return QStringLiteral("%1 by %2")
                .arg(QLatin1String(verb),
                     QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())));
        };
        draft.rights = phrase("increment", rights.increment) + QStringLiteral(", ") +
                       phrase("decrement", rights.decrement_transfer_restore);
        if (rights.increment == cardkit::KeyRight::Never &&
            rights.decrement_transfer_restore == cardkit::KeyRight::Never) {
            draft.rights += QStringLiteral(
                ": the card allows no value operation here, so the value is only data");
        }
    }
    return draft;
}

std::array<std::uint8_t, 16> ValueBlockBytes(std::int32_t value, std::uint8_t address) {
    return cardkit::encode_value_block({value, address});
}

QString ValueBlockLayout(std::int32_t value, std::uint8_t address) {
    const auto bytes = ValueBlockBytes(value, address);
    const cardkit::ByteView view(bytes);
    return QStringLiteral("value %1, inverted %2, value %3, address %4")
        .arg(Hex(view.subspan(0, 4)), Hex(view.subspan(4, 4)), Hex(view.subspan(8, 4)),
             QString::fromStdString(cardkit::to_hex(view.subspan(12, 4), ' ')));
}

}  // namespace tilvane
