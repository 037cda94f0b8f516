// Feeds arbitrary bytes to the library as the transport's answer: unescaping, the
// status and length rules and every reply rule run on them. The first input byte
// picks the export; the rest is the response frame.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "drovik.h"
#include "reader/transport_binding.h"

namespace {

const std::uint8_t *g_response = nullptr;
std::size_t g_response_size = 0;

int32_t fuzz_communicate(const uint8_t *, int32_t, uint8_t *response, uint32_t *response_length) {
    // A transport never hands over more than its 1024-byte buffer.
    const std::size_t size = std::min<std::size_t>(g_response_size, 1024);
    if (size > 0) std::memcpy(response, g_response, size);
    *response_length = static_cast<uint32_t>(size);
    return 0;
}

int32_t fuzz_open(int32_t, int32_t) { return 1; }
int32_t fuzz_zero() { return 0; }
int32_t fuzz_int(int32_t) { return 0; }

void bind_fuzz_transport() {
    drovik::TransportEntryPoints entry;
    entry.GetCOMDLLVersion = fuzz_zero;
    entry.OpenComPort = fuzz_open;
    entry.CloseComPort = fuzz_zero;
    entry.OpenLPTPort = fuzz_int;
    entry.CloseLPTPort = fuzz_zero;
    entry.FreeComData = fuzz_zero;
    entry.SetCommBaud = fuzz_int;
    entry.CommunicateRFResult = fuzz_communicate;
    drovik::set_transport(std::make_unique<drovik::TransportBinding>(entry));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1) return 0;
    static const bool bound = (bind_fuzz_transport(), true);
    (void)bound;
    g_response = data + 1;
    g_response_size = size - 1;

    // Outputs sized exactly as the header promises; the sanitizers catch any
    // write past them.
    std::uint8_t out2[2], out8[8], out_flash[200];
    std::uint16_t address = 0;
    const std::uint8_t digits[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    switch (data[0] % 9) {
        case 0: rf_get_snr(0, out8); break;
        case 1: rf_get_model(0, out2); break;
        case 2: rf_get_device_number(&address); break;
        case 3: rf_beep(0, 10); break;
        case 4: rf_display(0, 1, 3, digits); break;
        case 5: rf_flash_read(0, 1, 0, data[0] % 201, out_flash); break;
        case 6: rf_flash_write(0, 1, 0, 4, digits); break;
        case 7: rf_init_com(1, 115200); break;
        case 8: rf_init_device_number(0x1234); break;
    }
    return 0;
}
