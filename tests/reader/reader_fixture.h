#pragma once

// A fresh copy of the real library per test, loaded beside the recording
// transport, with the transport's script emptied.

#include <gtest/gtest.h>

#include "tests/support/fake_selmek.h"
#include "tests/support/loaded_drovik.h"

namespace reader_test {

using fake_selmek::Bytes;

class LoadedLibraryTest : public ::testing::Test {
protected:
    LoadedLibraryTest() { fake_selmek::reset(); }

    fake_selmek::State &transport() { return fake_selmek::state(); }
    const std::vector<Bytes> &sent() { return transport().requests; }

    // The data bytes of the request the reader received (unescaped), found from
    // its own length byte.
    Bytes sent_data(std::size_t index = 0) {
        Bytes wire = sent().at(index);
        Bytes frame;
        for (std::size_t i = 0; i < wire.size(); ++i) {
            frame.push_back(wire[i]);
            if (i >= 2 && wire[i] == 0xAA) ++i;
        }
        const std::size_t count = static_cast<std::uint8_t>(frame.at(2) - 4);
        return Bytes(frame.begin() + 7, frame.begin() + 7 + count);
    }

    test_support::LoadedDrovik lib{test_support::fake_transport_dir()};
};

}  // namespace reader_test

// The export `name` of the library under test.
#define EXPORT(name) DROVIK_EXPORT(lib, name)
