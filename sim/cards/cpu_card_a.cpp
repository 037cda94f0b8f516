#include "cards/cpu_card_a.h"

namespace sim {

CardOs make_processor_card_os(ByteView serial) {
    // EF 0015 under the MF: issuer data with the card's serial number in it.
    CosFile issuer{0x0015, 0x15, {0x54, 0x49, 0x4C, 0x56, 0x41, 0x4E, 0x45, 0x01}};
    append(issuer.content, serial);
    issuer.content.resize(16, 0x00);
    // An application with a 32-byte transparent file that UPDATE BINARY may change.
    CosApplication purse;
    purse.aid = {0xF0, 0x54, 0x49, 0x4C, 0x56, 0x41, 0x4E, 0x45, 0x01};
    purse.id = 0x1001;
    purse.files.push_back(CosFile{0x0001, 0x01, Bytes(32, 0x00)});
    return CardOs({issuer}, {purse});
}

CpuCardA::CpuCardA(std::array<std::uint8_t, 4> uid)
    : TypeACard(Bytes(uid.begin(), uid.end()), {0x08, 0x00}, kSakIso14443_4),
      os_(make_processor_card_os(Bytes(uid.begin(), uid.end()))) {}

Bytes CpuCardA::answer_to_select() {
    const Bytes historical = {0x80, 0x31, 0x80, 0x65, 0x54, 0x49, 0x4C, 0x56, 0x12, 0x0F, 0x06};
    Bytes ats = {0x00, 0x78, 0x80, 0x70, 0x02};
    append(ats, historical);
    ats[0] = static_cast<std::uint8_t>(ats.size());
    return ats;
}

void CpuCardA::on_reset() {
    layer4_ = false;
    os_.reset();
}

Reply CpuCardA::activate() {
    if (!active()) return Reply::fail(ReaderStatus::NoCard);
    // RATS to a card that is already at layer 4 is not a valid block: no answer.
    if (layer4_) return refuse(ReaderStatus::NoCard);
    layer4_ = true;
    os_.reset();
    return Reply::ok(answer_to_select());
}

Reply CpuCardA::exchange(ByteView apdu) {
    if (!active() || !layer4_) return Reply::fail(ReaderStatus::NotIso14443_4);
    return Reply::ok(os_.process(apdu));
}

Reply CpuCardA::deselect() {
    if (!active() || !layer4_) return Reply::fail(ReaderStatus::NotIso14443_4);
    halt();
    return Reply::ok();
}

}  // namespace sim
