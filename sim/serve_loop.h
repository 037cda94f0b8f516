#pragma once

// Serves a virtual reader on a pseudo-terminal until told to stop: frames the
// incoming bytes, answers each request at the reader's rate, and ignores what
// arrives while the line is set to another rate (on a real line those bytes would
// be garbage to the reader).

#include <optional>
#include <ostream>

#include "pty_port.h"
#include "reader_control.h"
#include "turnarounds.h"
#include "virtual_reader.h"

namespace sim {

struct ServeOptions {
    // Serving ends when this descriptor turns readable (a signal's self-pipe); -1
    // for none.
    int stop_fd = -1;
    // Serving ends when this descriptor reaches its end or hangs up (standard input
    // as a pipe from the parent); -1 for none. Without `control` what comes through
    // it is read and dropped.
    int parent_fd = -1;
    // Control commands from parent_fd, one a line, each carried out between two
    // frames (a paced answer on its way is finished first) and answered with one
    // line on answer_fd. A line that comes without its line end just before the
    // input ends is carried out too. The faults they arm are carried out here:
    // a silence drops what comes in, junk bytes go before the next answer,
    // a cut answer goes out up to its half, and an unplug hangs the pseudo-terminal
    // up for good while commands are still taken. Null for none.
    ReaderControl *control = nullptr;
    int answer_fd = -1;
    // Every request and response in hex, and bytes ignored at the wrong rate; null
    // for none.
    std::ostream *log = nullptr;
    // The speed of a real line at the reader's rate: a request counts as in no
    // sooner than its bytes could have come one after the other, the reader takes
    // its turnaround for the command's kind, and the answer goes out a byte at a
    // time, each byte when its last bit would be through. Without it every answer
    // goes out as soon as the request is in.
    std::optional<Turnarounds> realtime;
};

// Returns when told to stop; false when the pseudo-terminal failed.
bool serve(PtyPort &port, VirtualReader &reader, const ServeOptions &options);

}  // namespace sim
