#pragma once

// What a reader command comes to: a status byte and, on success, the data of the
// response frame.

#include <utility>

#include "protocol/reader_status.h"
#include "sim/bytes.h"

namespace sim {

using protocol::ReaderStatus;
using protocol::status_byte;
using protocol::status_name;

struct Reply {
    ReaderStatus status = ReaderStatus::Ok;
    Bytes data;

    static Reply ok(Bytes data = {}) { return {ReaderStatus::Ok, std::move(data)}; }
    static Reply fail(ReaderStatus status) { return {status, {}}; }
    bool succeeded() const { return status == ReaderStatus::Ok; }
};

}  // namespace sim
