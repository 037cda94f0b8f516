#include "command_apdu.h"

namespace pcsc {

namespace {

std::size_t count_of(std::uint8_t length_byte) { return length_byte == 0 ? 256 : length_byte; }

}  // namespace

std::optional<CommandApdu> parse_command_apdu(ByteView apdu) {
    if (apdu.size() < 4) return std::nullopt;
    CommandApdu parsed;
    parsed.cla = apdu[0];
    parsed.ins = apdu[1];
    parsed.p1 = apdu[2];
    parsed.p2 = apdu[3];
    if (apdu.size() == 4) return parsed;  // case 1
    if (apdu.size() == 5) {               // case 2
        parsed.le = count_of(apdu[4]);
        return parsed;
    }
    const std::size_t lc = apdu[4];
    if (lc == 0) return std::nullopt;  // an extended APDU
    if (apdu.size() == 5 + lc) {       // case 3
        parsed.data = apdu.subspan(5, lc);
        return parsed;
    }
    if (apdu.size() == 6 + lc) {  // case 4
        parsed.data = apdu.subspan(5, lc);
        parsed.le = count_of(apdu[5 + lc]);
        return parsed;
    }
    return std::nullopt;
}

Bytes with_status(ByteView data, std::uint16_t status) {
    Bytes out(data.begin(), data.end());
    out.push_back(static_cast<std::uint8_t>(status >> 8));
    out.push_back(static_cast<std::uint8_t>(status & 0xFF));
    return out;
}

}  // namespace pcsc
