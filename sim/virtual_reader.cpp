#include "sim/virtual_reader.h"

#include <algorithm>
#include <utility>

#include "sim/wire_frame.h"

namespace sim {

VirtualReader::VirtualReader(std::vector<std::unique_ptr<Card>> cards, unsigned baud_rate)
    : cards_(std::move(cards)),
      baud_rate_(is_baud_rate(baud_rate) ? baud_rate : kBaudRates[0]),
      flash_(kFlashPages, Bytes(kFlashPageSize, 0xFF)) {}

VirtualReader::~VirtualReader() = default;

bool VirtualReader::is_baud_rate(unsigned rate) {
    return std::find(kBaudRates.begin(), kBaudRates.end(), rate) != kBaudRates.end();
}

std::optional<Bytes> VirtualReader::handle(ByteView wire) {
    const auto request = decode_request(wire);
    if (!request) return std::nullopt;
    if (request->address != 0 && request->address != address_) return std::nullopt;

    Reply reply = request->check_ok ? execute(request->code, request->data)
                                    : Reply::fail(ReaderStatus::BadCheck);
    if (reply.data.size() > kMaxResponseData) reply = Reply::fail(ReaderStatus::AnswerTooLong);
    if (!reply.succeeded()) reply.data.clear();
    return encode_response(address_, request->code, status_byte(reply.status), reply.data);
}

namespace {

bool is_type_a_code(std::uint8_t code) {
    return (code >= 0x0C && code <= 0x1C) || code == 0x28 || code == 0x33 || code == 0x34 ||
           code == 0x70;
}

}  // namespace

Reply VirtualReader::execute(std::uint8_t code, ByteView data) {
    if (is_type_a_code(code)) return type_a_command(code, data);
    if (code >= 0x1D && code <= 0x20) return type_b_command(code, data);
    if (code >= 0x21 && code <= 0x26) return at88rf020_command(code, data);
    if (code >= 0x29 && code <= 0x32) return short_range_command(code, data);
    if (code >= 0x40 && code <= 0x4C) return iso15693_command(code, data);
    if (code >= 0x07 && code <= 0x09) return sam_command(code, data);

    const auto no_data = [&data](Bytes answer) {
        return data.empty() ? Reply::ok(std::move(answer)) : Reply::fail(ReaderStatus::BadLength);
    };
    switch (code) {
        case 0x01:
            return set_baud_rate(data);
        case 0x02:
            return set_address(data);
        case 0x03:
            return no_data({});
        case 0x04:
            return no_data(Bytes(kModel.begin(), kModel.end()));
        case 0x05:
            return no_data(Bytes(kSerialNumber.begin(), kSerialNumber.end()));
        case 0x06:
            return beep(data);
        case 0x0A:
            return set_protocol(data);
        case 0x0B:
            return set_antenna(data);
        case 0x27:
            return set_light(data);
        case 0x60:
            return show_display(data);
        case 0x61:
            return read_flash(data);
        case 0x62:
            return write_flash(data);
        default:
            return Reply::fail(ReaderStatus::UnknownCommand);
    }
}

}  // namespace sim
