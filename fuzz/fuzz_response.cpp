// Feeds arbitrary bytes to the library as the transport's answer: unescaping, the
// status and length rules and every reply rule run on them. The first input byte
// picks the export; the rest is the response. Exports that exchange more than once
// get it either whole for every exchange, or cut at each AA BB header into one
// frame per exchange (then nothing once the frames run out), so that a chain such
// as rf_getlockcardinfo can get past its first step.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "drovik.h"
#include "transport_binding.h"

namespace {

struct Frame {
    const std::uint8_t *bytes;
    std::size_t size;
};

std::vector<Frame> g_frames;
std::size_t g_next_frame = 0;
bool g_repeat_frame = true;

void serve_whole(const std::uint8_t *data, std::size_t size) {
    g_frames = {{data, size}};
    g_next_frame = 0;
    g_repeat_frame = true;
}

void serve_split(const std::uint8_t *data, std::size_t size) {
    g_frames.clear();
    std::size_t start = 0;
    for (std::size_t i = 1; i + 1 < size; ++i) {
        if (data[i] == 0xAA && data[i + 1] == 0xBB) {
            g_frames.push_back({data + start, i - start});
            start = i;
        }
    }
    g_frames.push_back({data + start, size - start});
    g_next_frame = 0;
    g_repeat_frame = false;
}

int32_t fuzz_communicate(const uint8_t *, int32_t, uint8_t *response, uint32_t *response_length) {
    Frame frame{nullptr, 0};
    if (g_repeat_frame) {
        frame = g_frames.front();
    } else if (g_next_frame < g_frames.size()) {
        frame = g_frames[g_next_frame++];
    }
    // A transport never hands over more than its 1024-byte buffer.
    const std::size_t size = std::min<std::size_t>(frame.size, 1024);
    if (size > 0) std::memcpy(response, frame.bytes, size);
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

// Existing seeds pick their export by `selector % kExports`; keep their choices
// when adding exports (149 % kExports must stay 5, the flash read).
constexpr int kExports = 36;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1) return 0;
    static const bool bound = (bind_fuzz_transport(), true);
    (void)bound;
    const std::uint8_t selector = data[0];
    serve_whole(data + 1, size - 1);

    // Outputs sized exactly as the header promises; the sanitizers catch any
    // write past them. Variable-size answers get the 250 bytes a reply can hold.
    std::uint8_t out1[1], out2[2], out4[4], out7[7], out8[8], out9[9], out12[12], out16[16];
    std::uint8_t out_flash[200], answer[250];
    std::uint8_t length = 0;
    std::int32_t value = 0;
    std::uint16_t address = 0;
    const std::uint8_t digits[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::uint8_t uid8[8] = {0xE0, 0x04, 0x01, 0xAA, 0x12, 0x34, 0x56, 0x78};
    static const std::vector<std::uint8_t> command(251, 0xAA);  // all escaped
    switch (selector % kExports) {
        case 0: rf_get_snr(0, out8); break;
        case 1: rf_get_model(0, out2); break;
        case 2: rf_get_device_number(&address); break;
        case 3: rf_beep(0, 10); break;
        case 4: rf_display(0, 1, 3, digits); break;
        case 5: rf_flash_read(0, 1, 0, selector % 201, out_flash); break;
        case 6: rf_flash_write(0, 1, 0, 4, digits); break;
        case 7: rf_init_com(1, 115200); break;
        case 8: rf_init_device_number(0x1234); break;
        // Count first.
        case 9: rf_anticoll(0, 4, out4, &length); break;
        case 10: rf_M1_read(0, 4, out16, &length); break;
        case 11: rf_atqb(0, 1, out12, &length); break;
        case 12: rf_at020_read(0, 1, out8, &length); break;
        case 13: rf_sr176_readblock(0, 1, out2, &length); break;
        case 14: rf_srix4k_readblock(0, 1, out4, &length); break;
        case 15: rf_srix4k_getuid(0, out8, &length); break;
        case 16: rf_ul_select(0, out7, &length); break;
        case 17: ISO15693_Inventory(0, out9, &length); break;
        // Fixed size without a count.
        case 18: rf_request(0, 0x52, out2); break;
        case 19: rf_select(0, uid8, 4, out1); break;
        case 20: rf_st_select(0, out1); break;
        case 21: rf_M1_readval(0, 4, &value); break;
        case 22: rf_request_080(0, 1, 2, out8, &length); break;
        // Variable size.
        case 23: rf_typea_rst(0, 0x52, answer, &length); break;
        case 24: rf_cos_command(0, uid8, 5, answer, &length); break;
        case 25: rf_typeb_cos(0, 1, uid8, 5, answer, &length); break;
        case 26: rf_sam_rst(0, answer, &length); break;
        case 27: rf_sam_cos(0, uid8, 5, answer, &length); break;
        case 28: rf_srix4k_authenticate(0, uid8, answer, &length); break;
        case 29: ISO15693_Read(0, 2, uid8, 0, 15, answer, &length); break;
        case 30: ISO15693_Get_System_Information(0, 2, uid8, answer, &length); break;
        case 31: ISO15693_Get_Block_Security(0, 2, uid8, 0, 63, answer, &length); break;
        // Several exchanges: one frame each, then the same frame for all.
        case 32:
            serve_split(data + 1, size - 1);
            rf_getlockcardinfo(0, 0x52, out7, &length, out2);
            break;
        case 33: rf_getlockcardinfo(0, 0x26, out7, &length, out2); break;
        case 34:
            serve_split(data + 1, size - 1);
            rf_init_com(1, 57600);
            break;
        // The longest requests.
        case 35:
            rf_cos_command(0, command.data(), 251, answer, &length);
            rf_typeb_cos(0, 0xAA, command.data(), 250, answer, &length);
            break;
    }
    return 0;
}
