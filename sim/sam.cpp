#include "sam.h"

namespace sim {

namespace {

CardOs make_sam_os() {
    // EF 0016: the terminal number the SAM belongs to; an application for keys.
    CosFile terminal{0x0016, 0x16, {0x00, 0x00, 0x12, 0x34, 0x56, 0x78}};
    CosApplication keys;
    keys.aid = {0xF0, 0x54, 0x49, 0x4C, 0x56, 0x53, 0x41, 0x4D};
    keys.id = 0x1001;
    keys.files.push_back(CosFile{0x0001, 0x01, Bytes(16, 0x00)});
    return CardOs({terminal}, {keys});
}

}  // namespace

Sam::Sam() : os_(make_sam_os()) {}

Bytes Sam::answer_to_reset() {
    static const Bytes historical = {0x54, 0x49, 0x4C, 0x56, 0x41, 0x4E, 0x45,
                                     0x2D, 0x53, 0x41, 0x4D, 0x01, 0x00};
    Bytes atr;
    atr.reserve(3 + historical.size());
    atr.push_back(0x3B);
    atr.push_back(static_cast<std::uint8_t>(0x20 | historical.size()));
    atr.push_back(0x00);
    atr.insert(atr.end(), historical.begin(), historical.end());
    return atr;
}

Reply Sam::configure(std::uint8_t configuration) {
    if (configuration > 1) return Reply::fail(ReaderStatus::BadParameter);
    rate_ = configuration == 0 ? 9600 : 38400;
    reset_done_ = false;
    return Reply::ok();
}

Reply Sam::reset() {
    os_.reset();
    reset_done_ = true;
    return Reply::ok(answer_to_reset());
}

Reply Sam::exchange(ByteView apdu) {
    if (!reset_done_) return Reply::fail(ReaderStatus::SamNotReset);
    return Reply::ok(os_.process(apdu));
}

}  // namespace sim
