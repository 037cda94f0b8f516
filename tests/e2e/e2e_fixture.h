#pragma once

// End to end: the real libDrovik.so and libSelmek.so of the build's bin/ against
// reader-sim on its pseudo-terminal. Each test starts a simulator with the cards it
// needs, points port 1 at it and connects as the application does.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "loaded_drovik.h"
#include "sim_process.h"
#include "state_directory.h"

namespace e2e {

using Bytes = std::vector<std::uint8_t>;

// The library, loaded once for the whole run from the build's bin/.
const test_support::LoadedDrovik &drovik();

// The export `name`, typed by the public header.
#define DROVIK(name) DROVIK_EXPORT(::e2e::drovik(), name)

class ReaderTest : public ::testing::Test {
  protected:
    void TearDown() override;

    // Starts reader-sim at `sim_baud` with `cards` (none: its default field) and
    // connects through port 1 at `baud`; the result of rf_init_com.
    std::int32_t connect(const std::vector<std::string> &cards, unsigned sim_baud = 115200,
                         std::int32_t baud = 115200);
    // What a page does before it looks for a card: antenna off, protocol, antenna on.
    void power_up(char protocol);

    // rf_init_com's memory of the reader's rate, empty at the start of each test.
    test_support::StateDirectory state_;
    test_support::SimProcess sim_;
    bool connected_ = false;
};

// A byte string from the caller's buffer.
inline Bytes bytes(const std::uint8_t *data, std::size_t count) {
    return Bytes(data, data + count);
}

}  // namespace e2e
