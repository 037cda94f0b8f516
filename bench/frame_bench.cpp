// The library's own share of one exchange, for a 16-byte block read: build and
// escape the request, unescape and read the response. On the wire the shortest
// exchange takes about 1.5 ms at 115200 baud; this must stay far below that.

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "block_read_answer.h"
#include "command_execution.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "reader/frame_codec.h"
#include "transport_binding.h"

namespace {

const std::vector<std::uint8_t> kResponse = bench::block_read_answer();

void BM_BlockReadCodec(benchmark::State &state) {
    std::array<std::uint8_t, protocol::kResponseCapacity> request{};
    std::array<std::uint8_t, protocol::kResponseCapacity> response{};
    std::array<std::uint8_t, 16> block{};
    const std::uint8_t block_number = 4;
    for (auto _ : state) {
        benchmark::DoNotOptimize(drovik::build_request(
            request.data(), protocol::kBroadcastAddress,
            protocol::code_of(protocol::Command::ReadBlock), &block_number, 1));
        std::memcpy(response.data(), kResponse.data(), kResponse.size());
        const std::size_t length = drovik::unescape_response(response.data(), kResponse.size());
        const drovik::ResponseView view = drovik::read_response(response.data(), length);
        std::memcpy(block.data(), view.data, view.data_count);
        benchmark::DoNotOptimize(block);
    }
}
BENCHMARK(BM_BlockReadCodec);

int32_t canned_exchange(const uint8_t *, int32_t, uint8_t *response, uint32_t *length) {
    std::memcpy(response, kResponse.data(), kResponse.size());
    *length = static_cast<uint32_t>(kResponse.size());
    return 0;
}

int32_t no_op() { return 0; }
int32_t no_op_int(int32_t) { return 0; }
int32_t open_ok(int32_t, int32_t) { return 1; }

// The whole command path of an export, with a transport that answers at once.
void BM_BlockReadCommand(benchmark::State &state) {
    drovik::TransportEntryPoints entry{no_op, open_ok, no_op, no_op_int, no_op,
                                       canned_exchange, no_op, no_op_int};
    drovik::set_transport(std::make_unique<drovik::TransportBinding>(entry));
    std::array<std::uint8_t, 16> block{};
    std::uint8_t count = 0;
    for (auto _ : state) {
        const auto result = drovik::run_command(
            0, protocol::Command::ReadBlock, drovik::RequestData().byte(4),
            drovik::Reply::fixed_count_first(block.data(), &count, block.size()));
        benchmark::DoNotOptimize(result);
    }
    drovik::set_transport(nullptr);
}
BENCHMARK(BM_BlockReadCommand);

}  // namespace
