#pragma once

// How long the reader takes between the last byte of a request and the first
// byte of its answer when it runs at the speed of a real line. A reader answers
// what it knows itself (its rate, model, beeper, field, keys) at once; a command
// that goes out to a card waits for the card over the air; one that reads or
// writes the card's memory waits for the card's memory as well (an EEPROM write
// takes milliseconds).

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

enum class CommandKind {
    Reader,      // the reader alone: port, address, model, beeper, light, display,
                 // field, protocol, keys, its own flash; and codes it does not know
    Card,        // a card or the SAM, without its memory: search, select, halt,
                 // authentication, ISO 14443-4 and SAM commands
    CardMemory,  // a card's memory: blocks, pages, values, locks, AFI and DSFID
};

CommandKind command_kind(std::uint8_t code);

struct Turnarounds {
    // The defaults stay well inside the transport's turnaround allowance for the
    // first exchange at a rate (50 ms), which the auto-baud search relies on.
    std::chrono::microseconds reader{2000};
    std::chrono::microseconds card{4000};
    std::chrono::microseconds card_memory{6000};

    std::chrono::microseconds of(CommandKind kind) const;

    // Sets one kind's turnaround from "KIND=MS": KIND is reader, card or memory,
    // MS milliseconds from 0 to 1000, to the microsecond ("2.5"). False, with
    // `error` saying why and nothing changed, for any other text.
    bool set(std::string_view setting, std::string &error);
};

}  // namespace sim
