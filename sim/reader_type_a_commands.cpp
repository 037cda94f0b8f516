// ISO 14443 Type A: request, anticollision and select; Mifare Classic keys,
// authentication, blocks and values; Ultralight; ISO 14443-4 activation and APDUs.
// Every command that goes over the air needs the field on and protocol 'A'.

#include <algorithm>

#include "cards/mifare_classic.h"
#include "cards/type_a_card.h"
#include "protocol/card_protocols.h"
#include "virtual_reader.h"

namespace sim {

namespace {

bool known_request_code(std::uint8_t code) {
    return code == protocol::kRequestIdle || code == protocol::kRequestAll;
}

}  // namespace

TypeACard *VirtualReader::active_type_a() const {
    for (TypeACard *card : reachable<TypeACard>(Protocol::TypeA)) {
        if (card->state() == TypeACard::State::Active) return card;
    }
    return nullptr;
}

TypeACard *VirtualReader::anticollide() const {
    std::vector<TypeACard *> candidates;
    for (TypeACard *card : reachable<TypeACard>(Protocol::TypeA)) {
        if (card->state() == TypeACard::State::Ready && card->cascade_level() == 0) {
            candidates.push_back(card);
        }
    }
    // Bit by bit in the order they travel (byte 0 first, least significant bit
    // first); where the cards disagree the reader carries on with the 1.
    for (int bit = 0; bit < 32 && candidates.size() > 1; ++bit) {
        const auto value = [bit](const TypeACard *card) {
            return (card->cascade_bytes()[bit / 8] >> (bit % 8)) & 1;
        };
        const bool collision =
            std::any_of(candidates.begin(), candidates.end(),
                        [&](const TypeACard *card) { return value(card) != value(candidates[0]); });
        if (collision)
            std::erase_if(candidates, [&](const TypeACard *card) { return !value(card); });
    }
    return candidates.empty() ? nullptr : candidates.front();
}

std::uint8_t VirtualReader::select_fully(TypeACard &card) {
    std::uint8_t sak = 0;
    while (card.state() == TypeACard::State::Ready) {
        const auto answer = card.select(card.cascade_bytes());
        if (!answer) break;
        sak = *answer;
    }
    return sak;
}

Reply VirtualReader::type_a_command(Command command, ByteView data) {
    const auto with_active = [this](auto &&operation) {
        TypeACard *card = active_type_a();
        return card != nullptr ? operation(*card) : Reply::fail(ReaderStatus::NoCard);
    };
    switch (command) {
        case Command::RequestA:
            return request_a(data);
        case Command::Anticollision:
            return anticollision(data);
        case Command::SelectA:
            return select_a(data);
        case Command::HaltA:
            if (!data.empty()) return Reply::fail(ReaderStatus::BadLength);
            return with_active([](TypeACard &card) {
                card.halt();
                return Reply::ok();
            });
        case Command::DownloadKeys:
            return download_keys(data);
        case Command::AuthenticateLoadedKey:
            return authenticate_loaded(data);
        case Command::AuthenticateGivenKey:
            return authenticate_given(data);
        case Command::ReadBlock:
            if (data.size() != 1) return Reply::fail(ReaderStatus::BadLength);
            return with_active([&](TypeACard &card) { return card.read_block(data[0]); });
        case Command::WriteBlock:
            if (data.size() != 17) return Reply::fail(ReaderStatus::BadLength);
            return with_active(
                [&](TypeACard &card) { return card.write_block(data[0], data.subspan(1)); });
        case Command::ActivateTypeA:
            return activate_type_a(data);
        case Command::TypeACommand:
            return with_active([&](TypeACard &card) { return card.exchange(data); });
        case Command::Deselect:
            if (!data.empty()) return Reply::fail(ReaderStatus::BadLength);
            return with_active([](TypeACard &card) { return card.deselect(); });
        case Command::UltralightSelect:
            return select_ultralight(data);
        case Command::UltralightWrite:
            if (data.size() != 5) return Reply::fail(ReaderStatus::BadLength);
            return with_active(
                [&](TypeACard &card) { return card.write_page(data[0], data.subspan(1)); });
        case Command::Request080:
            return request_080(data);
        default:
            return Reply::fail(ReaderStatus::UnknownCommand);
    }
}

Reply VirtualReader::request_a(ByteView data) {
    if (data.size() != 1) return Reply::fail(ReaderStatus::BadLength);
    if (!known_request_code(data[0])) return Reply::fail(ReaderStatus::BadParameter);
    // Every card that answers sends its ATQA at once; the reader sees them OR-ed.
    std::array<std::uint8_t, 2> atqa{};
    bool answered = false;
    for (TypeACard *card : reachable<TypeACard>(Protocol::TypeA)) {
        if (!card->request(data[0] == protocol::kRequestAll)) continue;
        answered = true;
        atqa[0] |= card->atqa()[0];
        atqa[1] |= card->atqa()[1];
    }
    if (!answered) return Reply::fail(ReaderStatus::NoCard);
    return Reply::ok({atqa[0], atqa[1]});
}

Reply VirtualReader::anticollision(ByteView data) {
    if (data.size() != 1) return Reply::fail(ReaderStatus::BadLength);
    if (data[0] != 4 && data[0] != 7 && data[0] != 10)
        return Reply::fail(ReaderStatus::BadParameter);
    TypeACard *card = anticollide();
    if (card == nullptr) return Reply::fail(ReaderStatus::NoCard);
    // The reader resolves every cascade level of the card it found and answers
    // with the whole UID, whatever size was asked for. Reaching the next level
    // takes a SELECT of the one before, so a 7-byte card is left READY at level 2.
    if (card->cascade_levels() > 1) card->select(card->cascade_bytes());
    return Reply::ok(card->uid());
}

Reply VirtualReader::select_a(ByteView data) {
    if (data.size() != 4 && data.size() != 7 && data.size() != 10) {
        return Reply::fail(ReaderStatus::BadLength);
    }
    for (TypeACard *card : reachable<TypeACard>(Protocol::TypeA)) {
        if (card->state() != TypeACard::State::Ready) continue;
        if (data.size() == 4) {
            const std::array<std::uint8_t, 4> bytes = {data[0], data[1], data[2], data[3]};
            if (const auto sak = card->select(bytes)) return Reply::ok({*sak});
        } else if (std::equal(data.begin(), data.end(), card->uid().begin(), card->uid().end())) {
            return Reply::ok({select_fully(*card)});
        }
    }
    return Reply::fail(ReaderStatus::NoCard);
}

Reply VirtualReader::download_keys(ByteView data) {
    if (data.size() != 1 + 16 * 6) return Reply::fail(ReaderStatus::BadLength);
    if (data[0] != 'A' && data[0] != 'B') return Reply::fail(ReaderStatus::BadParameter);
    std::array<MifareKey, 16> keys{};
    for (int sector = 0; sector < 16; ++sector) {
        std::copy_n(data.begin() + 1 + sector * 6, 6, keys[sector].begin());
    }
    loaded_keys_[data[0] == 'A' ? 0 : 1] = keys;
    return Reply::ok();
}

Reply VirtualReader::authenticate_loaded(ByteView data) {
    if (data.size() != 2) return Reply::fail(ReaderStatus::BadLength);
    if (data[0] != 'A' && data[0] != 'B') return Reply::fail(ReaderStatus::BadParameter);
    const auto &keys = loaded_keys_[data[0] == 'A' ? 0 : 1];
    const int sector = MifareClassic::sector_of(data[1]);
    // The reader holds one key per sector for sectors 0 to 15 only.
    if (!keys || sector >= 16) return Reply::fail(ReaderStatus::NoKeyLoaded);
    TypeACard *card = active_type_a();
    if (card == nullptr) return Reply::fail(ReaderStatus::NoCard);
    const MifareKey &key = (*keys)[sector];
    return card->authenticate(data[0] == 'A' ? MifareKeyType::A : MifareKeyType::B, data[1], key);
}

Reply VirtualReader::authenticate_given(ByteView data) {
    if (data.size() != 8) return Reply::fail(ReaderStatus::BadLength);
    if (data[0] != protocol::kAuthenticateKeyA && data[0] != protocol::kAuthenticateKeyB)
        return Reply::fail(ReaderStatus::BadParameter);
    TypeACard *card = active_type_a();
    if (card == nullptr) return Reply::fail(ReaderStatus::NoCard);
    return card->authenticate(
        data[0] == protocol::kAuthenticateKeyA ? MifareKeyType::A : MifareKeyType::B, data[1],
        data.subspan(2));
}

Reply VirtualReader::value_command(Command command, ByteView data) {
    const bool with_value = command == Command::InitValue || command == Command::Decrement ||
                            command == Command::Increment;
    if (data.size() != (with_value ? 5u : 1u)) return Reply::fail(ReaderStatus::BadLength);
    TypeACard *card = active_type_a();
    if (card == nullptr) return Reply::fail(ReaderStatus::NoCard);
    const std::uint8_t block = data[0];
    switch (command) {
        case Command::InitValue: {
            const MifareBlock formatted =
                make_value_block(static_cast<std::int32_t>(get_le32(data.data() + 1)), block);
            return card->write_block(block, formatted);
        }
        case Command::ReadValue: {
            Reply read = card->read_block(block);
            if (!read.succeeded()) return read;
            MifareBlock stored{};
            if (read.data.size() != stored.size()) return Reply::fail(ReaderStatus::ValueFormat);
            std::copy(read.data.begin(), read.data.end(), stored.begin());
            const auto value = parse_value_block(stored);
            if (!value) return Reply::fail(ReaderStatus::ValueFormat);
            Bytes answer(4);
            put_le32(answer.data(), static_cast<std::uint32_t>(value->value));
            return Reply::ok(std::move(answer));
        }
        case Command::Decrement:
        case Command::Increment: {
            // The card works in its transfer buffer; the reader then transfers the
            // result back into the same block.
            const auto operation = command == Command::Increment ? ValueOperation::Increment
                                                                 : ValueOperation::Decrement;
            Reply changed = card->value_operation(operation, block, get_le32(data.data() + 1));
            if (!changed.succeeded()) return changed;
            return card->transfer(block);
        }
        case Command::Restore:
            return card->value_operation(ValueOperation::Restore, block, 0);
        case Command::Transfer:
            return card->transfer(block);
        default:
            return Reply::fail(ReaderStatus::UnknownCommand);
    }
}

Reply VirtualReader::activate_type_a(ByteView data) {
    if (data.size() != 1) return Reply::fail(ReaderStatus::BadLength);
    if (!known_request_code(data[0])) return Reply::fail(ReaderStatus::BadParameter);
    // Request, anticollision and select through every cascade level, then RATS.
    const Reply atqa = request_a(data);
    if (!atqa.succeeded()) return atqa;
    TypeACard *card = anticollide();
    if (card == nullptr) return Reply::fail(ReaderStatus::NoCard);
    const std::uint8_t sak = select_fully(*card);
    if ((sak & kSakIso14443_4) == 0) return Reply::fail(ReaderStatus::NotIso14443_4);
    Reply ats = card->activate();
    if (!ats.succeeded()) return ats;
    Bytes answer = card->uid();
    append(answer, ats.data);
    return Reply::ok(std::move(answer));
}

Reply VirtualReader::select_ultralight(ByteView data) {
    if (!data.empty()) return Reply::fail(ReaderStatus::BadLength);
    TypeACard *card = anticollide();
    if (card == nullptr) return Reply::fail(ReaderStatus::NoCard);
    select_fully(*card);
    return Reply::ok(card->uid());
}

Reply VirtualReader::request_080(ByteView data) {
    // Request, then anticollision and select of cascade level 1 in one command:
    // ATQA (2), the four bytes of level 1 and their BCC, the SAK of level 1. A
    // second byte other than 0 halts the card afterwards when it is fully selected.
    if (data.size() != 2) return Reply::fail(ReaderStatus::BadLength);
    if (!known_request_code(data[0])) return Reply::fail(ReaderStatus::BadParameter);
    const Reply atqa = request_a(data.subspan(0, 1));
    if (!atqa.succeeded()) return atqa;
    TypeACard *card = anticollide();
    if (card == nullptr) return Reply::fail(ReaderStatus::NoCard);
    const auto level1 = card->cascade_bytes();
    const auto sak = card->select(level1);
    if (!sak) return Reply::fail(ReaderStatus::NoCard);
    Bytes answer = atqa.data;
    append(answer, level1);
    answer.push_back(static_cast<std::uint8_t>(level1[0] ^ level1[1] ^ level1[2] ^ level1[3]));
    answer.push_back(*sak);
    if (data[1] != 0) card->halt();
    return Reply::ok(std::move(answer));
}

}  // namespace sim
