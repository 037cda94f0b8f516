#include "sim_reader.h"

#include "reader/frame_codec.h"

namespace sim_test {

Bytes request_frame(std::uint8_t code, const Bytes &data, std::uint16_t address) {
    Bytes request(protocol::kMaxWireFrame);
    request.resize(drovik::build_request(request.data(), address, code, data.data(),
                                         static_cast<int>(data.size())));
    return request;
}

Answer SimReader::send(std::uint8_t code, const Bytes &data, std::uint16_t address) {
    const auto response = reader_.handle(request_frame(code, data, address));
    Answer answer;
    if (!response) return answer;

    Bytes frame = *response;
    frame.resize(drovik::unescape_response(frame.data(), frame.size()));
    const auto view = drovik::read_response(frame.data(), frame.size());
    EXPECT_TRUE(view.complete) << "the library cannot read " << sim::to_hex(*response);
    // The check byte the library does not look at: the XOR of positions 3 to the end.
    std::uint8_t check = 0;
    for (std::size_t i = 3; i + 1 < frame.size(); ++i) check ^= frame[i];
    EXPECT_EQ(check, frame.back()) << "check byte of " << sim::to_hex(*response);
    EXPECT_EQ(frame[6], code) << "the response echoes the command code";

    answer.answered = true;
    answer.status = view.status;
    answer.data.assign(view.data, view.data + view.data_count);
    answer.address = view.address;
    answer.code = frame[6];
    return answer;
}

void SimReader::power_up(char protocol) {
    ASSERT_TRUE(send(Command::Antenna, {0}).ok());
    ASSERT_TRUE(send(Command::SetProtocol, {static_cast<std::uint8_t>(protocol)}).ok());
    ASSERT_TRUE(send(Command::Antenna, {1}).ok());
}

Bytes SimReader::select_type_a() {
    power_up('A');
    EXPECT_TRUE(send(Command::RequestA, {0x52}).ok());
    const Answer uid = send(Command::Anticollision, {4});
    EXPECT_TRUE(uid.ok());
    EXPECT_TRUE(send(Command::SelectA, uid.data).ok());
    return uid.data;
}

void SimReader::select_and_authenticate(std::uint8_t block, std::uint8_t auth_code,
                                        const Bytes &key) {
    select_type_a();
    ASSERT_TRUE(send(Command::AuthenticateGivenKey, cat({{auth_code, block}, key})).ok());
}

}  // namespace sim_test
