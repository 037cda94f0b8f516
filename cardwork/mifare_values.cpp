#include "cardwork/mifare_values.h"

#include <string>

namespace cardwork {

namespace {

std::string hex(cardkit::ByteView bytes) { return cardkit::to_hex(bytes); }

// The value block `block` as the key allowed to read it sees it; nullopt when
// that is not possible and not `required`.
std::optional<cardkit::ValueBlock> read_value(MifareCard &card, SectorKeys &keys, int block,
                                              bool required) {
    std::string why;
    if (!keys.use_for_data(block, &cardkit::DataBlockRights::read, why)) {
        if (!required) return std::nullopt;
        throw CardError(CardErrorKind::CardUnusable,
                        "cannot read block " + std::to_string(block) + ": " + why);
    }
    const auto data = card.read(block);
    if (!data) {
        throw CardError::call("rf_M1_read", kNotAllowed, "block " + std::to_string(block));
    }
    const cardkit::ValueBlockFault fault = cardkit::check_value_block(*data);
    if (fault != cardkit::ValueBlockFault::None) {
        if (!required) return std::nullopt;
        throw CardError(CardErrorKind::CardUnusable,
                        "block " + std::to_string(block) + " holds no value block: " +
                            std::string(cardkit::value_block_fault_text(fault)) + " (" +
                            hex(*data) + ")");
    }
    return cardkit::decode_value_block(*data);
}

}  // namespace

std::string_view value_operation_name(ValueOperation operation) {
    switch (operation) {
        case ValueOperation::Read:
            return "read";
        case ValueOperation::Init:
            return "init";
        case ValueOperation::Increment:
            return "inc";
        case ValueOperation::Decrement:
            break;
    }
    return "dec";
}

ValueChange change_value(MifareCard &card, SectorKeys &keys, ValueOperation operation, int block,
                         std::int32_t operand) {
    const auto use = [&](cardkit::KeyRight cardkit::DataBlockRights::*right) {
        std::string why;
        if (!keys.use_for_data(block, right, why)) {
            throw CardError(CardErrorKind::CardUnusable,
                            "cannot " + std::string(value_operation_name(operation)) + " block " +
                                std::to_string(block) + ": " + why);
        }
    };
    std::optional<cardkit::ValueBlock> before;
    switch (operation) {
        case ValueOperation::Read:
            break;
        case ValueOperation::Init:
            use(&cardkit::DataBlockRights::write);
            card.init_value(block, operand);
            break;
        case ValueOperation::Increment:
            before = read_value(card, keys, block, false);
            use(&cardkit::DataBlockRights::increment);
            card.increment(block, operand);
            break;
        case ValueOperation::Decrement:
            before = read_value(card, keys, block, false);
            use(&cardkit::DataBlockRights::decrement_transfer_restore);
            card.decrement(block, operand);
            break;
    }
    return {before, *read_value(card, keys, block, true)};
}

}  // namespace cardwork
