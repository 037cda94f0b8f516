#pragma once

// A fresh copy of the real library per test, loaded beside the recording
// transport, with the transport's script emptied.

#include <gtest/gtest.h>

#include "fake_selmek.h"
#include "loaded_drovik.h"
#include "state_directory.h"

namespace reader_test {

using fake_selmek::Bytes;

// Byte strings joined, for expected request data.
inline Bytes operator+(Bytes head, const Bytes &tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

class LoadedLibraryTest : public ::testing::Test {
protected:
    LoadedLibraryTest() { fake_selmek::reset(); }

    fake_selmek::State &transport() { return fake_selmek::state(); }
    const std::vector<Bytes> &sent() { return transport().requests; }

    // The request the reader received, unescaped.
    Bytes sent_frame(std::size_t index = 0) {
        Bytes wire = sent().at(index);
        Bytes frame;
        for (std::size_t i = 0; i < wire.size(); ++i) {
            frame.push_back(wire[i]);
            if (i >= 2 && wire[i] == 0xAA) ++i;
        }
        return frame;
    }

    // The data bytes of the request the reader received (unescaped), found from
    // its own length byte.
    Bytes sent_data(std::size_t index = 0) {
        const Bytes frame = sent_frame(index);
        const std::size_t count = static_cast<std::uint8_t>(frame.at(2) - 4);
        return Bytes(frame.begin() + 7, frame.begin() + 7 + count);
    }

    // The command code of a request the reader received.
    std::uint8_t sent_code(std::size_t index = 0) { return sent_frame(index).at(6); }

    // The command codes of every request so far, in order.
    Bytes sent_codes() {
        Bytes codes;
        for (std::size_t i = 0; i < sent().size(); ++i) codes.push_back(sent_code(i));
        return codes;
    }

    // rf_init_com's memory of the reader's rate starts empty in every test.
    test_support::StateDirectory state_;
    test_support::LoadedDrovik lib{test_support::fake_transport_dir()};
};

}  // namespace reader_test

// The export `name` of the library under test.
#define EXPORT(name) DROVIK_EXPORT(lib, name)
// A row of a table of calls: the call as text, and the call itself.
#define CALL(expr) #expr, [&] { return expr; }
