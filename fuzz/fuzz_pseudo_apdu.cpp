// Feeds arbitrary APDUs of class FF to the driver's own commands, with the reader
// answering every exchange the same way, as the input says: the parsing of the
// APDU, the key slots and the sector bookkeeping run on them. Input: the card kind,
// the reader's status byte, the answer's length and bytes, then the APDU. The
// reader answers through the library's own frame codec (the simulator's encoder on
// the other side), so every reply rule runs as well.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>

#include "card_activation.h"
#include "command_apdu.h"
#include "device_name.h"
#include "pseudo_apdus.h"
#include "reader/linked_transport.h"
#include "sim/wire_frame.h"

namespace {

std::uint8_t g_status = 0;
sim::Bytes g_answer;

int32_t version() { return 1; }
int32_t open_port(int32_t, int32_t) { return 1; }
int32_t nothing() { return 0; }
int32_t open_parallel(int32_t) { return 0; }
int32_t set_baud(int32_t) { return 0; }
int32_t exchange(const uint8_t *request, int32_t length, uint8_t *response, uint32_t *out) {
    const auto decoded = sim::decode_request({request, static_cast<std::size_t>(length)});
    if (!decoded) std::abort();  // the library builds every request itself
    const sim::Bytes frame = sim::encode_response(0, decoded->code, g_status, g_answer);
    std::copy(frame.begin(), frame.end(), response);
    *out = static_cast<std::uint32_t>(frame.size());
    return 0;
}

const pcsc::CardKind kKinds[] = {
    pcsc::CardKind::MifareClassic1K,  pcsc::CardKind::MifareClassic4K, pcsc::CardKind::MifareMini,
    pcsc::CardKind::MifareUltralight, pcsc::CardKind::OtherTypeA,      pcsc::CardKind::Iso14443_4A,
    pcsc::CardKind::Iso14443_4B,      pcsc::CardKind::Iso15693,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const bool bound = drovik::bind_linked_transport(
        {&version, &open_port, &nothing, &open_parallel, &nothing, &exchange, &nothing, &set_baud});
    if (!bound || size < 3) return 0;
    const std::size_t answer_size = std::min<std::size_t>(data[2], protocol::kMaxResponseData);
    if (size < 3 + answer_size) return 0;
    g_status = data[1];
    g_answer.assign(data + 3, data + 3 + answer_size);
    const pcsc::ByteView apdu(data + 3 + answer_size, size - 3 - answer_size);

    pcsc::FieldCard card;
    card.kind = kKinds[data[0] % std::size(kKinds)];
    card.uid = {0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xE0};
    card.uid.resize(data[0] & 0x80 ? 7 : 4);
    card.ats = g_answer;
    card.block_count = 1 + (data[0] >> 3);
    card.block_size = 4;

    const binding::ReaderApi api = [] {
        binding::ReaderApi table;
#define FUZZ_LINK_EXPORT(ordinal, name, result, parameters) table.name = &::name;
        DROVIK_EXPORTS(FUZZ_LINK_EXPORT)
#undef FUZZ_LINK_EXPORT
        return table;
    }();
    pcsc::CardActivation activation(api);
    pcsc::StorageSession session;
    pcsc::KeySlots keys;
    // Twice, so that the second command meets what the first left behind.
    for (int round = 0; round < 2; ++round) {
        const pcsc::SlotReply reply =
            pcsc::PseudoApdus(api, activation, card, session, keys).answer(apdu);
        if (reply.outcome == pcsc::SlotReply::Outcome::Answered &&
            (reply.response.size() < 2 || reply.response.size() > 2 + 256)) {
            std::abort();
        }
    }
    (void)pcsc::parse_command_apdu(apdu);
    std::string error;
    (void)pcsc::parse_device_name(std::string(apdu.begin(), apdu.end()), error);
    return 0;
}
