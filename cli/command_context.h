#pragma once

// What every command shares: the options of the whole command line, the output,
// and the reader session, which is loaded and connected only when a command
// needs it (convert and diff never touch it). The session stops at Ctrl-C.

#include <cstdint>
#include <memory>
#include <string>

#include "cardwork/reader_session.h"
#include "output.h"
#include "reader_library.h"

namespace rfcard {

struct CommonOptions {
    std::int32_t port = 1;
    std::int32_t baud = 115200;
    bool json = false;
    // Where libDrovik.so is; the program's own directory unless a host says.
    std::string library_directory;
};

class CommandContext {
public:
    explicit CommandContext(const CommonOptions &options)
        : options_(options), output_(options.json) {}

    const CommonOptions &options() const { return options_; }
    Output &out() { return output_; }
    ReaderLibrary &library();
    // The reader on the chosen port, connected at the first call.
    cardwork::ReaderSession &reader();

private:
    CommonOptions options_;
    Output output_;
    std::unique_ptr<ReaderLibrary> library_;
    std::unique_ptr<cardwork::ReaderSession> reader_;
};

}  // namespace rfcard
