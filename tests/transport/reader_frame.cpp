#include "reader_frame.h"

#include "sim/wire_frame.h"

namespace transport_test {

Bytes reader_frame(std::uint8_t status, const Bytes &data, std::uint16_t address,
                   std::uint8_t code) {
    return sim::encode_response(address, code, status, data);
}

}  // namespace transport_test
