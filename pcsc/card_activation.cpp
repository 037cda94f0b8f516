#include "card_activation.h"

#include <algorithm>
#include <thread>

#include "protocol/card_protocols.h"
#include "protocol/frame.h"
#include "protocol/reader_status.h"
#include "selmek_results.h"

namespace pcsc {

namespace {

constexpr std::int32_t kWakeUpB = 1;
constexpr std::size_t kAtqbSize = 12;
constexpr std::uint8_t kAtqbFirstByte = 0x50;
// ATQB byte 10 (protocol information, second byte): the low bit of its low nibble
// says the card speaks ISO 14443-4.
constexpr std::size_t kProtocolTypeByte = 10;
constexpr std::uint8_t kIso14443_4Compliant = 0x01;
constexpr std::size_t kInventorySize = 9;          // DSFID, UID
constexpr std::uint8_t kIso15693Addressed = 0x22;  // high data rate, addressed
// System information: the flags byte says which fields follow the UID.
constexpr std::uint8_t kInfoDsfid = 0x01, kInfoAfi = 0x02, kInfoMemory = 0x04;
constexpr std::int32_t kTypeBLeadingByte = 0;
constexpr std::chrono::milliseconds kFieldOffTime{10};
constexpr std::int32_t kAttribParameter = 0;

constexpr std::int32_t status(protocol::ReaderStatus value) { return protocol::status_byte(value); }

using Answer = std::array<std::uint8_t, protocol::kMaxResponseData>;

}  // namespace

bool is_line_fault(std::int32_t result) { return result >= 0x100 && result <= 0x1FF; }

std::uint32_t pupi_value(ByteView pupi) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && i < pupi.size(); ++i) {
        value |= static_cast<std::uint32_t>(pupi[i]) << (8 * i);
    }
    return value;
}

std::int32_t CardActivation::use_protocol(char protocol) {
    if (protocol_ == protocol) return 0;
    const std::int32_t result = api_.rf_init_type(kReaderAddress, protocol);
    protocol_ = result == 0 ? protocol : 0;
    return result;
}

Look CardActivation::find(FieldCard &card) {
    for (auto find_one : {&CardActivation::find_type_a, &CardActivation::find_type_b,
                          &CardActivation::find_iso15693}) {
        const Look look = (this->*find_one)(card);
        if (look.seen != Look::Seen::NoCard) return look;
    }
    return Look::from(status(protocol::ReaderStatus::NoCard));
}

Look CardActivation::find_type_a(FieldCard &card) {
    if (const std::int32_t result = use_protocol(protocol::kProtocolTypeA); result != 0) {
        return Look::from(result);
    }
    std::array<std::uint8_t, 2> atqa{};
    std::int32_t result = api_.rf_request(kReaderAddress, protocol::kRequestAll, atqa.data());
    if (result != 0) return Look::from(result);

    FieldCard found;
    found.atqa = atqa;
    Answer uid{};
    std::uint8_t length = 0;
    if (type_a_kind(atqa, 0) == CardKind::MifareUltralight) {
        result = api_.rf_ul_select(kReaderAddress, uid.data(), &length);
        if (result != 0) return Look::from(result);
        found.uid.assign(uid.begin(), uid.begin() + length);
    } else {
        // Cards with a longer UID answer the anticollision with its size alone.
        result = api_.rf_anticoll(kReaderAddress, 4, uid.data(), &length);
        if (result != 0) return Look::from(result);
        found.uid.assign(uid.begin(), uid.begin() + 4);
        result = api_.rf_select(kReaderAddress, found.uid.data(), 4, &found.sak);
        if (result != 0) return Look::from(result);
    }
    found.kind = type_a_kind(atqa, found.sak);
    card = std::move(found);
    return Look::found();
}

Look CardActivation::find_type_b(FieldCard &card) {
    if (const std::int32_t result = use_protocol(protocol::kProtocolTypeB); result != 0) {
        return Look::from(result);
    }
    Answer atqb{};
    std::uint8_t length = 0;
    const std::int32_t result = api_.rf_atqb(kReaderAddress, kWakeUpB, atqb.data(), &length);
    if (result != 0) return Look::from(result);
    // A Type B card that speaks no ISO 14443-4 has nothing to offer here.
    if (length != kAtqbSize || atqb[0] != kAtqbFirstByte ||
        (atqb[kProtocolTypeByte] & kIso14443_4Compliant) == 0) {
        return Look::from(status(protocol::ReaderStatus::NoCard));
    }
    FieldCard found;
    found.kind = CardKind::Iso14443_4B;
    found.atqb.assign(atqb.begin(), atqb.begin() + kAtqbSize);
    found.uid.assign(atqb.begin() + 1, atqb.begin() + 5);
    card = std::move(found);
    return Look::found();
}

Look CardActivation::find_iso15693(FieldCard &card) {
    if (const std::int32_t result = use_protocol(protocol::kProtocolIso15693); result != 0) {
        return Look::from(result);
    }
    Answer answer{};
    std::uint8_t length = 0;
    const std::int32_t result = api_.ISO15693_Inventory(kReaderAddress, answer.data(), &length);
    if (result != 0) return Look::from(result);
    if (length != kInventorySize) return Look::from(status(protocol::ReaderStatus::NoCard));
    FieldCard found;
    found.kind = CardKind::Iso15693;
    found.uid.assign(answer.begin() + 1, answer.begin() + kInventorySize);
    card = std::move(found);
    return Look::found();
}

Look CardActivation::select_again(const FieldCard &card) {
    if (const std::int32_t result = use_protocol(protocol::kProtocolTypeA); result != 0) {
        return Look::from(result);
    }
    // A selected card answers no request: halt it first. A card that fell back
    // after a refusal is halted or idle already, and the halt finds no one.
    if (const std::int32_t result = api_.rf_halt(kReaderAddress); is_line_fault(result)) {
        return Look::from(result);
    }
    std::array<std::uint8_t, 2> atqa{};
    std::int32_t result = api_.rf_request(kReaderAddress, protocol::kRequestAll, atqa.data());
    if (result != 0) return Look::from(result);
    std::uint8_t sak = 0;
    result = api_.rf_select(kReaderAddress, card.uid.data(),
                            static_cast<std::int32_t>(card.uid.size()), &sak);
    if (result != 0) return Look::from(result);
    return Look::found();
}

Look CardActivation::wake_type_b(const FieldCard &card) {
    if (const std::int32_t result = use_protocol(protocol::kProtocolTypeB); result != 0) {
        return Look::from(result);
    }
    Answer atqb{};
    std::uint8_t length = 0;
    const std::int32_t result = api_.rf_atqb(kReaderAddress, kWakeUpB, atqb.data(), &length);
    if (result != 0) return Look::from(result);
    if (length != kAtqbSize || !std::equal(card.uid.begin(), card.uid.end(), atqb.begin() + 1)) {
        return Look::from(status(protocol::ReaderStatus::NoCard));
    }
    return Look::found();
}

Look CardActivation::read_system_information(FieldCard &card) {
    if (const std::int32_t result = use_protocol(protocol::kProtocolIso15693); result != 0) {
        return Look::from(result);
    }
    Answer info{};
    std::uint8_t length = 0;
    const std::int32_t result = api_.ISO15693_Get_System_Information(
        kReaderAddress, kIso15693Addressed, card.uid.data(), info.data(), &length);
    if (result != 0) return Look::from(result);
    if (length < 9 || !std::equal(card.uid.begin(), card.uid.end(), info.begin() + 1)) {
        return Look::from(status(protocol::ReaderStatus::NoCard));
    }
    // Flags, UID, then DSFID, AFI and the memory size as far as the flags say.
    std::size_t at = 9;
    if (info[0] & kInfoDsfid) ++at;
    if (info[0] & kInfoAfi) ++at;
    if ((info[0] & kInfoMemory) && at + 2 <= length) {
        card.block_count = info[at] + 1;
        card.block_size = (info[at + 1] & 0x1F) + 1;
    }
    return Look::found();
}

Look CardActivation::check(const FieldCard &card, bool activated) {
    if (activated && is_processor_card(card.kind)) {
        // An empty block: the card answers it without leaving its session.
        Answer answer{};
        std::uint8_t length = 0;
        const std::uint8_t nothing = 0;
        const std::int32_t result =
            card.kind == CardKind::Iso14443_4A
                ? api_.rf_cos_command(kReaderAddress, &nothing, 0, answer.data(), &length)
                : api_.rf_typeb_cos(kReaderAddress, kTypeBLeadingByte, &nothing, 0, answer.data(),
                                    &length);
        // Only silence says the card has gone (or left its session): an answer the
        // reader finds fault with still came from the card.
        const bool gone = result == status(protocol::ReaderStatus::NoCard) ||
                          result == status(protocol::ReaderStatus::NotIso14443_4);
        return gone || is_line_fault(result) ? Look::from(result) : Look::found();
    }
    switch (card.kind) {
        case CardKind::Iso14443_4B:
            return wake_type_b(card);
        case CardKind::Iso15693: {
            FieldCard copy = card;
            return read_system_information(copy);
        }
        default:
            return select_again(card);
    }
}

Look CardActivation::activate(FieldCard &card, bool activated) {
    switch (card.kind) {
        case CardKind::Iso14443_4A: {
            if (const std::int32_t result = use_protocol(protocol::kProtocolTypeA); result != 0) {
                return Look::from(result);
            }
            const std::int32_t ended =
                activated ? api_.rf_cl_deselect(kReaderAddress) : api_.rf_halt(kReaderAddress);
            if (is_line_fault(ended)) return Look::from(ended);
            Answer answer{};
            std::uint8_t length = 0;
            const std::int32_t result =
                api_.rf_typea_rst(kReaderAddress, protocol::kRequestAll, answer.data(), &length);
            if (result != 0) return Look::from(result);
            // The UID, then the ATS, whose first byte counts the ATS.
            const std::size_t uid_size = card.uid.size();
            if (length <= uid_size || answer[uid_size] != length - uid_size ||
                !std::equal(card.uid.begin(), card.uid.end(), answer.begin())) {
                return Look::from(status(protocol::ReaderStatus::NoCard));
            }
            card.ats.assign(answer.begin() + static_cast<long>(uid_size), answer.begin() + length);
            return Look::found();
        }
        case CardKind::Iso14443_4B: {
            if (activated) {
                if (const std::int32_t ended = api_.rf_hltb(kReaderAddress, pupi_value(card.uid));
                    is_line_fault(ended)) {
                    return Look::from(ended);
                }
            }
            if (const Look woken = wake_type_b(card); !woken.card()) return woken;
            const std::int32_t result =
                api_.rf_attrib(kReaderAddress, pupi_value(card.uid), kAttribParameter);
            return result == 0 ? Look::found() : Look::from(result);
        }
        case CardKind::Iso15693:
            return read_system_information(card);
        default:
            return select_again(card);
    }
}

std::int32_t CardActivation::deactivate(const FieldCard &card, bool activated) {
    if (const std::int32_t result = use_protocol(protocol_of(card.kind)); result != 0) {
        return is_line_fault(result) ? result : 0;
    }
    std::int32_t result = 0;
    switch (card.kind) {
        case CardKind::Iso14443_4A:
            result = activated ? api_.rf_cl_deselect(kReaderAddress) : api_.rf_halt(kReaderAddress);
            break;
        case CardKind::Iso14443_4B:
            result = api_.rf_hltb(kReaderAddress, pupi_value(card.uid));
            break;
        case CardKind::Iso15693:
            break;
        default:
            result = api_.rf_halt(kReaderAddress);
            break;
    }
    return is_line_fault(result) ? result : 0;
}

std::int32_t CardActivation::reset_field() {
    if (const std::int32_t result = api_.rf_antenna_sta(kReaderAddress, 0); result != 0) {
        return result;
    }
    // Long enough without power for every card to lose its state.
    std::this_thread::sleep_for(kFieldOffTime);
    return api_.rf_antenna_sta(kReaderAddress, 1);
}

}  // namespace pcsc
