#pragma once

// The commands a parent gives reader-sim on its standard input while programs use
// the reader: cards put in and taken out of the field, faults of the line, a
// card's memory saved and loaded as a raw dump. One command a line, one answer
// line each, "ok ..." or "error REASON"; a command that fails changes nothing.
//
//   insert KIND [UID=HEX]   a new card of KIND        ok UID
//   remove UID|KIND|all     cards out of the field    ok N KIND UID ...
//   cards                   what is in the field      ok N KIND UID ...
//   fault silent MS         nothing taken in or answered for MS ms     ok
//   fault garbage N         N junk bytes before the next answer        ok
//   fault drop              the next answer cut in half                ok
//   fault unplug            the line hangs up                          ok
//   save KIND|UID FILE      the card's memory into FILE   ok BYTES
//   load UID FILE           the card's memory from FILE   ok BYTES
//
// UIDs are hex without spaces, most significant byte first (a Type B card's PUPI).
// FILE is the rest of the line. The faults are only asked for here: the serving
// loop carries them out (see LineFaults).

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "virtual_reader.h"

namespace sim {

// What the fault commands ask of the line.
struct LineFaults {
    // A silence to start now (the loop takes it and sets this back to zero): for
    // this long, what comes in is dropped, neither carried out nor answered.
    std::chrono::milliseconds silence{0};
    // Junk bytes to send before the next answer.
    std::size_t garbage = 0;
    // The next answer goes out cut in half.
    bool cut_next_answer = false;
    // The line is to hang up, or has: the loop closes the pseudo-terminal, and no
    // fault is taken any more.
    bool unplugged = false;
};

class ReaderControl {
public:
    static constexpr std::size_t kLongestLine = 4096;
    static constexpr std::chrono::milliseconds kLongestSilence{600'000};
    static constexpr std::size_t kMostGarbage = 1024;
    // No card's memory comes near it; a larger file is no dump of one.
    static constexpr std::size_t kLargestDump = 65536;

    explicit ReaderControl(VirtualReader &reader) : reader_(reader) {}

    // Carries out one command line (without its line end); the answer line, without
    // its line end.
    std::string run(std::string_view line);

    LineFaults &faults() { return faults_; }

private:
    std::string insert(std::string_view kind, std::string_view uid_option);
    std::string remove(std::string_view which);
    std::string fault(std::string_view what, std::string_view amount);
    std::string save(std::string_view which, const std::string &file);
    std::string load(std::string_view uid, const std::string &file);

    // The cards `which` names: a UID, a kind or "all"; empty with `error` set when
    // it names none.
    std::vector<Card *> cards_named(std::string_view which, bool all_allowed,
                                    std::string &error) const;
    Card *card_with_uid(ByteView uid) const;
    // The first chip ID from `kind`'s copy `copy` on that no card in the field has.
    std::optional<std::uint8_t> free_chip_id(std::string_view kind, int copy) const;

    VirtualReader &reader_;
    LineFaults faults_;
};

// Cuts what the parent writes into lines: a '\n' ends one, a '\r' before it is
// dropped. Of a line longer than ReaderControl::kLongestLine only enough is kept
// for run() to refuse it.
class CommandLines {
public:
    void feed(std::string_view text);
    // The next whole line, if any.
    std::optional<std::string> next();
    // Once the input has ended: the last line, when it had no line end.
    std::optional<std::string> rest();

private:
    std::string partial_;
    std::deque<std::string> lines_;
};

}  // namespace sim
