#pragma once

// The floor of a read on a real serial line: every request's and answer's time
// on the wire at the rate, plus the reader's turnaround for each, counted from
// the frames themselves. The requests are built by the library's frame codec and
// answered by a virtual reader in this process holding the same card in the same
// state, so the answers are as long as reader-sim's. Shared by bench_realtime
// and bench_workbench_read.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "card_catalog.h"
#include "protocol/baud_rates.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "reader/frame_codec.h"
#include "turnarounds.h"
#include "virtual_reader.h"

namespace bench {

// One library call, written as the request it sends.
struct Step {
    protocol::Command command;
    std::vector<std::uint8_t> data;
};

// The floor of `steps` on a reader holding a `card` (reader-sim's --card) at
// `rate`, after `setup` (sent first, not counted); nullopt, with `error` set,
// when the virtual reader refuses a step (the steps would not read the card).
inline std::optional<std::chrono::nanoseconds> line_floor(const char *card,
                                                          const std::vector<Step> &setup,
                                                          const std::vector<Step> &steps,
                                                          unsigned rate, std::string &error) {
    sim::VirtualReader reader(sim::make_field({card}), rate);
    const sim::Turnarounds turnarounds;
    std::chrono::nanoseconds floor{};
    std::vector<Step> all = setup;
    all.insert(all.end(), steps.begin(), steps.end());
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Step &step = all[i];
        std::array<std::uint8_t, protocol::kMaxWireFrame> request{};
        const std::size_t request_size =
            drovik::build_request(request.data(), 0, protocol::code_of(step.command),
                                  step.data.data(), static_cast<int>(step.data.size()));
        auto answer = reader.handle(sim::ByteView(request.data(), request_size));
        if (!answer) {
            error = "the virtual reader did not answer step " + std::to_string(i);
            return std::nullopt;
        }
        const std::size_t answer_size = answer->size();
        const drovik::ResponseView view = drovik::read_response(
            answer->data(), drovik::unescape_response(answer->data(), answer->size()));
        if (!view.complete || view.status != 0) {
            error = "the virtual reader refused step " + std::to_string(i);
            return std::nullopt;
        }
        if (i < setup.size()) continue;
        floor += protocol::wire_time(request_size, rate) +
                 turnarounds.of(sim::command_kind(protocol::code_of(step.command))) +
                 protocol::wire_time(answer_size, rate);
    }
    return floor;
}

}  // namespace bench
