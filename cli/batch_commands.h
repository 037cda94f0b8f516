#pragma once

// mf batch and ul batch: the same dump written to card after card, one line (or
// JSON object) per card and a record of each in a CSV log, over card work's
// batch (cardwork/card_batch.h).

#include <functional>
#include <string>

#include "commands.h"

namespace CLI {
class App;
}

namespace rfcard {

struct BatchCommand {
    std::string template_file;  // --template
    std::string log;            // --log, appended to
    std::string uid_list;       // --uid-list: UIDs written already
    int count = 0;              // --count: cards to write; 0 until Ctrl-C
    bool verify = false;
    bool write_block0 = false;    // mf
    bool write_trailers = false;  // mf
    bool write_locks = false;     // ul: OTP page and lock bytes
    bool yes = false;
};

int run_mifare_batch(CommandContext &context, const KeyOptions &keys, const BatchCommand &batch);
int run_ultralight_batch(CommandContext &context, const BatchCommand &batch);

// `mf batch`, with the key options of every Mifare command, and `ul batch`;
// the command chosen sets `action`.
using CommandAction = std::function<int(CommandContext &)>;
void add_batch_commands(CLI::App &mf, CLI::App &ul, KeyOptions &keys, CommandAction &action);

}  // namespace rfcard
