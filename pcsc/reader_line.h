#pragma once

// One reader's serial line: a port session on the device reader.conf names, the
// search for the rate the reader runs at, and the reader library's way to it.
//
// The library's code is linked into the driver, and its exports reach the reader
// through one process-wide set of transport entry points. Those forward every
// exchange to the line that the calling thread is serving (ServingThread), so
// each reader keeps its own line and pcscd's threads for different readers never
// meet on one. The port number that OpenComPort takes means nothing here: the
// line opens the device it was given.

#include <cstdint>
#include <optional>
#include <string>

#include "transport/port_session.h"

namespace pcsc {

class ReaderLine {
public:
    ReaderLine();
    // Closes the line. No exchange may be in progress.
    ~ReaderLine();
    ReaderLine(const ReaderLine &) = delete;
    ReaderLine &operator=(const ReaderLine &) = delete;

    // How an open ended: the system's code when the device did not open (errno),
    // or the last probe's result (a transport result, or the reader's status byte)
    // when it did but the reader answered at no rate. Both 0 when the reader
    // answered.
    struct Opening {
        int system_error = 0;
        std::int32_t probe_result = 0;
        bool ok() const { return system_error == 0 && probe_result == 0; }
    };

    // Opens `path` and finds the reader. With `rate`, the reader is put at that rate
    // (as rf_init_com does: tried there first, then found at each of its rates in
    // turn and told to switch). Without, it is found at whichever of its rates it
    // runs at and left there, the rate it was last found at tried first. Blocks at
    // most one probe per rate (the transport's turnaround allowance each). A line
    // where no reader answered is closed again.
    Opening open(const std::string &path, std::optional<std::int32_t> rate);
    void close();
    bool is_open() const { return session_.is_open(); }
    std::int32_t rate() const { return rate_; }

    // What the line has done since the last call: whether any exchange brought a
    // whole frame back, and the last transport failure (0 for none).
    struct Health {
        bool answered = false;
        std::int32_t fault = 0;
    };
    Health take_health();

    // While it lives, the reader library's exports called on this thread exchange
    // on `line`.
    class ServingThread {
    public:
        explicit ServingThread(ReaderLine &line);
        ~ServingThread();
        ServingThread(const ServingThread &) = delete;
        ServingThread &operator=(const ServingThread &) = delete;

    private:
        ReaderLine *previous_;
    };

private:
    friend struct LineEntryPoints;

    // One set-baud request whose answer says the reader heard it: 0, a transport
    // result, 1 for an answer cut short, or the reader's status.
    std::int32_t probe(std::uint8_t baud_code);
    std::int32_t exchange(const std::uint8_t *request, std::size_t length, std::uint8_t *response,
                          std::uint32_t *response_length);

    selmek::PortSession session_;
    std::string path_;
    std::int32_t rate_ = 0;
    std::int32_t found_rate_ = 0;  // where the reader was found last, for a reopen
    Health health_;
};

}  // namespace pcsc
