#include "workbench/access_bits_editor.h"

namespace tilvane {

namespace {

QString Text(const std::string &text) { return QString::fromStdString(text); }

}  // namespace

AccessBitsEditor::AccessBitsEditor(int blocks_in_sector)
    : blocks_in_sector_(blocks_in_sector > 4 ? 16 : 4) {}

QString AccessBitsEditor::GroupLabel(int group) const {
    if (group == kTrailerGroup) return QStringLiteral("Trailer");
    if (blocks_in_sector_ == 4) return QStringLiteral("Block %1").arg(group);
    return QStringLiteral("Blocks %1-%2").arg(group * 5).arg(group * 5 + 4);
}

std::vector<AccessBitsEditor::Choice> AccessBitsEditor::Choices(int group) {
    std::vector<Choice> choices;
    for (cardkit::AccessCondition condition = 0; condition < 8; ++condition) {
        const std::string words = group == kTrailerGroup ? cardkit::describe_trailer(condition)
                                                         : cardkit::describe_data_block(condition);
        choices.push_back({condition, Text(cardkit::condition_bits(condition)) +
                                          QStringLiteral(": ") + Text(words)});
    }
    return choices;
}

void AccessBitsEditor::Load(const std::optional<cardkit::AccessBits> &access) {
    access_ = access.value_or(cardkit::kTransportAccess);
}

bool AccessBitsEditor::Set(int group, cardkit::AccessCondition condition) {
    if (group < 0 || group >= kGroups || condition > 7) return false;
    access_.groups[static_cast<std::size_t>(group)] = condition;
    return true;
}

std::array<std::uint8_t, 3> AccessBitsEditor::Bytes() const {
    return cardkit::encode_access_bits(access_);
}

QString AccessBitsEditor::BytesText() const {
    const auto bytes = Bytes();
    return Text(cardkit::to_hex(bytes, ' '));
}

QStringList AccessBitsEditor::Warnings() const {
    QStringList warnings;
    const cardkit::AccessCondition trailer = access_.groups[kTrailerGroup];
    const cardkit::TrailerRights rights = cardkit::trailer_rights(trailer);
    if (rights.access_write == cardkit::KeyRight::Never) {
        warnings << QStringLiteral(
            "No key may write the access bits: once on the card they can never be changed.");
    }
    if (rights.key_a_write == cardkit::KeyRight::Never &&
        rights.key_b_write == cardkit::KeyRight::Never) {
        warnings << QStringLiteral("No key may write the keys: they can never be changed.");
    }
    if (!cardkit::key_b_readable(trailer)) return warnings;
    // A readable key B opens nothing, so a right given to key B alone is lost.
    for (int group = 0; group < kTrailerGroup; ++group) {
        const cardkit::DataBlockRights data =
            cardkit::data_block_rights(access_.groups[static_cast<std::size_t>(group)]);
        QStringList lost;
        if (data.read == cardkit::KeyRight::KeyB) lost << QStringLiteral("read");
        if (data.write == cardkit::KeyRight::KeyB) lost << QStringLiteral("written");
        if (data.increment == cardkit::KeyRight::KeyB) lost << QStringLiteral("incremented");
        if (data.decrement_transfer_restore == cardkit::KeyRight::KeyB) {
            lost << QStringLiteral("decremented");
        }
        if (lost.isEmpty()) continue;
        warnings << QStringLiteral(
                        "%1: key B alone may do this, but key B is readable here and so no key: "
                        "it can never be %2.")
                        .arg(GroupLabel(group), lost.join(QStringLiteral(", ")));
    }
    return warnings;
}

}  // namespace tilvane
