// A Mifare Classic 1K read through libDrovik's exports called directly from C++:
// the yardstick bench/python_mifare_read.py sets the Python package against.
// Each read: request, anticollision, select, then every sector authenticated
// with key A and its four blocks read, and a halt (so that the next request
// wakes the card): 84 exchanges, the same calls the package makes.
//
//   bench_mifare_read_calls READS      (the reader on port 1, SELMEK_PORT1 set)
//
// Prints one line: "reads N median_ms X", or a failure and status 1.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "drovik.h"

namespace {

constexpr std::int32_t kAddress = 0;
constexpr std::int32_t kWakeAll = 0x52;
constexpr std::int32_t kKeyA = 0x60;
const std::uint8_t kKey[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// One whole read; 0 or the first result that failed.
std::int32_t read_card() {
    std::uint8_t atqa[2];
    std::uint8_t uid[4];
    std::uint8_t length = 0;
    std::uint8_t sak = 0;
    std::uint8_t block[16];
    if (std::int32_t r = rf_request(kAddress, kWakeAll, atqa)) return r;
    if (std::int32_t r = rf_anticoll(kAddress, 4, uid, &length)) return r;
    if (std::int32_t r = rf_select(kAddress, uid, 4, &sak)) return r;
    for (std::int32_t sector = 0; sector < 16; ++sector) {
        if (std::int32_t r = rf_M1_authentication2(kAddress, kKeyA, sector * 4, kKey)) return r;
        for (std::int32_t b = sector * 4; b < sector * 4 + 4; ++b) {
            if (std::int32_t r = rf_M1_read(kAddress, b, block, &length)) return r;
        }
    }
    return rf_halt(kAddress);
}

}  // namespace

int main(int argc, char **argv) {
    const int reads = argc > 1 ? std::atoi(argv[1]) : 50;
    if (reads < 1) {
        std::fprintf(stderr, "usage: bench_mifare_read_calls READS\n");
        return 2;
    }
    if (std::int32_t r = rf_init_com(1, 115200)) {
        std::fprintf(stderr, "rf_init_com returned %d\n", static_cast<int>(r));
        return 1;
    }
    // The field on Type A, as the package sets it before its first search.
    rf_antenna_sta(kAddress, 0);
    rf_init_type(kAddress, 'A');
    rf_antenna_sta(kAddress, 1);
    std::vector<double> times;
    for (int i = 0; i < reads + 1; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (std::int32_t r = read_card()) {
            std::fprintf(stderr, "a read failed with %d\n", static_cast<int>(r));
            rf_ClosePort();
            return 1;
        }
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (i > 0) times.push_back(took.count());  // the first one warms up
    }
    rf_ClosePort();
    std::sort(times.begin(), times.end());
    std::printf("reads %d median_ms %.3f\n", reads, times[times.size() / 2]);
    return 0;
}
