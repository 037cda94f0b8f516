// reader-sim: a virtual contactless card reader with virtual cards, served on a
// pseudo-terminal. The first line of standard output is the device path to open.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "card_catalog.h"
#include "protocol/baud_rates.h"
#include "pty_port.h"
#include "reader_control.h"
#include "serve_loop.h"
#include "virtual_reader.h"

namespace {

int g_stop_pipe[2] = {-1, -1};

void on_stop_signal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_stop_pipe[1], &byte, 1);
}

constexpr std::string_view kHelp = R"(Usage: reader-sim [--baud RATE] [--card KIND]... [--realtime] [--verbose]

A virtual contactless card reader on a pseudo-terminal. It prints the path of
the device (for example /dev/pts/7) as the first line of standard output, then
serves the reader until it gets SIGINT, SIGTERM or SIGHUP, or until its
standard input, when that is a pipe, is closed (so a parent that holds the
pipe's other end takes the simulator with it when it ends); through that pipe
it takes the control commands below. Point the transport at the device, for
example SELMEK_PORT1=/dev/pts/7.

Options:
  --baud RATE   the rate the reader starts at: 9600 (default), 14400, 19200,
                28800, 38400, 57600 or 115200. The reader answers only while
                the line is set to its rate, and follows the set-baud command
                (it answers at the old rate, then switches), so a client finds
                it with the auto-baud search.
  --card KIND   put a card of KIND in the field; repeat for more cards (later
                cards of the same kind get their own UID). Kinds:
                  mifare1k    Mifare Classic 1K   UID 5A 3C 71 E2
                  mifare4k    Mifare Classic 4K   UID 6B 2D 80 F3
                  ultralight  Mifare Ultralight   UID 04 6E 31 5A 2B 48 80
                  cpu-a       ISO 14443-4 Type A processor card  UID 3E 81 22 6D
                  cpu-b       Type B processor card   PUPI 1C 93 5E 07
                  at88rf020   AT88RF020   PUPI 4D AA 20 17, password 8 x 00
                  sr176       SR176       chip ID 06
                  srix4k      SRIX4K      chip ID 5D, UID D0 02 0C 4B 13 72 A9 E5
                  iso15693    ISO 15693 tag, 64 blocks   UID E0 07 C6 A1 52 33 10 8E
                  icode       ISO 15693 tag (maker 04), 28 blocks
                                          UID E0 04 01 00 4F 3A 92 C7
                Without --card the field holds mifare1k, cpu-b, at88rf020,
                srix4k and iso15693. Mifare keys A and B are FF FF FF FF FF FF,
                access bits FF 07 80 69 (key B is readable there, so only key A
                authenticates until the trailer is changed).
  --realtime    run at the speed of a real line at the rate set on it (10 bits
                a byte): a request is taken in no faster than its bytes could
                arrive, the reader then takes its turnaround, and the answer
                leaves a byte at a time. A whole Mifare Classic 1K read then
                takes about 3 seconds at 9600 baud, as on a real reader.
  --turnaround KIND=MS
                with --realtime, the reader's turnaround in milliseconds (0 to
                1000, decimals allowed) for one kind of command; repeatable:
                  reader  the reader alone: rate, address, model, beeper,
                          light, display, field, protocol, keys, its flash
                          (default 2)
                  card    a card or the SAM without its memory: search,
                          select, halt, authentication, ISO 14443-4 and SAM
                          commands (default 4)
                  memory  a card's memory: blocks, pages, values, locks, AFI,
                          DSFID (default 6)
  --verbose     log every request and response on standard error
  --help        this text
  --version     the version

Protocol types (rf_init_type): A = Type A cards, B = Type B processor cards,
r = AT88RF020, s = SR176 and SRIX4K, 1 = ISO 15693. Cards answer only while the
antenna field is on and the protocol type is theirs. A SAM is always in the slot.

Reader status bytes (0 = done):
  02 no card            03 collision             04 authentication failed
  05 not authenticated  06 not allowed           07 not a value block
  08 no such block      09 already locked        0A bad parameter
  0B bad data length    0C unknown command       0D bad check byte
  0E no key loaded      0F not an ISO 14443-4 card
  10 SAM not reset      11 answer too long       12 card error
A frame that cannot be read at all (broken length, stuffing or header) and a
frame for another reader address get no answer.

Control commands: while its standard input is a pipe, reader-sim takes commands
from it, one a line, and answers each with exactly one line on standard output
(the device path stays first): "ok ..." or "error REASON". A command that fails
changes nothing. Commands take effect between two frames, so a card taken out
in the middle of an operation answers nothing from the next request on. UIDs
are hex digits without spaces, most significant byte first (for Type B cards
the PUPI), as `cards` lists them.
  insert KIND [UID=HEX]        ok UID
          a new card of KIND, as --card makes it, with UID (the kind's length)
          or else the kind's default UID; when a card in the field has that,
          the first of the default plus 1, 2, ... in its last byte that is free
          (the UIDs further --card copies get). SR176 and SRIX4K take the first
          free chip ID from the kind's default on. A UID in the field already
          is an error.
  remove UID|KIND|all          ok N KIND UID KIND UID ...
          takes out the card with UID, every card of KIND, or every card; the
          answer lists the cards taken out.
  cards                        ok N KIND UID KIND UID ...
          the cards in the field in their order, e.g.
          ok 2 mifare1k 5A3C71E2 ultralight 046E315A2B4880
  fault silent MS              ok
          for MS ms (1 to 600000) the reader takes in nothing: requests are
          neither carried out nor answered.
  fault garbage N              ok
          N junk bytes (1 to 1024; always the same, never AA) before the next
          answer.
  fault drop                   ok
          the next answer goes out cut in half (its request was carried out).
  fault unplug                 ok
          the line hangs up as an unplugged USB adapter's does: a client's
          poll gets POLLHUP, its read ends (0 or EIO), and the device goes
          away. reader-sim stays, taking commands (cards, save, load, ...)
          until its input ends; a fault after it is an error.
  save KIND|UID FILE           ok BYTES
          writes the card's memory to FILE (the rest of the line) as a raw
          dump; KIND must name one card. The file is written beside FILE and
          renamed into place, so a failed save leaves what was there.
  load UID FILE                ok BYTES
          sets the card's memory from a raw dump.
  Raw dumps hold the blocks or pages back to back, each as the reader reads
  it, as rfcard's raw files do: mifare1k 1024 bytes, mifare4k 4096 (keys and
  access bits in the trailers), ultralight 64, sr176 32, srix4k 516 (then the
  system block: lock register, FF FF FF; a load takes 512 too and leaves the
  lock register), iso15693 256, icode 112, at88rf020 256 (its 32 pages, the
  password in page 3; no rfcard format). cpu-a and cpu-b have no such memory.
  A load sets the memory alone, every byte as it is in the dump (lock, OTP
  and counter bytes too, without their write rules); what the card never
  writes must be in the dump as it is on the card: Mifare block 0, the
  Ultralight's UID (pages 0 and 1, bytes 0 and 1 of page 2), the SR176's
  blocks 0 to 3 and chip ID, the AT88RF020's PUPI. The card's state (selected,
  authenticated), ISO 15693 locks, DSFID and AFI stay; an SR176 lock byte
  takes effect at the next select.
)";

int usage_error(const std::string &message) {
    std::cerr << "reader-sim: " << message << "\nTry reader-sim --help.\n";
    return 2;
}

bool is_pipe(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
}

}  // namespace

int main(int argc, char **argv) {
    unsigned baud = 9600;
    bool verbose = false;
    bool realtime = false;
    bool turnaround_given = false;
    sim::Turnarounds turnarounds;
    std::vector<std::string_view> kinds;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::cout << kHelp;
            return 0;
        }
        if (argument == "--version") {
            std::cout << "reader-sim " READER_SIM_VERSION "\n";
            return 0;
        }
        if (argument == "--verbose") {
            verbose = true;
        } else if (argument == "--realtime") {
            realtime = true;
        } else if (argument == "--baud" || argument == "--card" || argument == "--turnaround") {
            if (i + 1 >= argc) return usage_error(std::string(argument) + " needs a value");
            const std::string_view value = argv[++i];
            if (argument == "--baud") {
                // from_chars refuses signs and values beyond unsigned, which strtoul
                // would wrap into a valid rate (2^32 + 9600 read as 9600).
                unsigned rate = 0;
                const auto [end, failure] =
                    std::from_chars(value.data(), value.data() + value.size(), rate);
                if (failure != std::errc() || end != value.data() + value.size() ||
                    protocol::baud_code(rate) == 0) {
                    return usage_error("unsupported baud rate " + std::string(value));
                }
                baud = rate;
            } else if (argument == "--turnaround") {
                std::string error;
                if (!turnarounds.set(value, error)) return usage_error(error);
                turnaround_given = true;
            } else {
                const auto &known = sim::card_kinds();
                if (std::find(known.begin(), known.end(), value) == known.end())
                    return usage_error("unknown card kind " + std::string(value));
                kinds.push_back(value);
            }
        } else {
            return usage_error("unknown option " + std::string(argument));
        }
    }
    if (turnaround_given && !realtime) return usage_error("--turnaround needs --realtime");
    if (kinds.empty()) kinds = sim::default_field_kinds();

    if (pipe2(g_stop_pipe, O_CLOEXEC) != 0) {
        std::perror("reader-sim: pipe");
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::string error;
    auto port = sim::PtyPort::open(baud, error);
    if (!port) {
        std::cerr << "reader-sim: " << error << "\n";
        return 1;
    }
    sim::VirtualReader reader(sim::make_field(kinds), baud);

    std::cout << port->slave_path() << std::endl;
    std::cerr << "reader-sim: serving at " << baud << " baud with";
    for (const auto kind : kinds) std::cerr << ' ' << kind;
    if (realtime) {
        std::cerr << ", at the line's speed, turnarounds " << turnarounds.reader.count() << " / "
                  << turnarounds.card.count() << " / " << turnarounds.card_memory.count()
                  << " us (reader / card / memory)";
    }
    std::cerr << std::endl;

    sim::ReaderControl control(reader);
    sim::ServeOptions options;
    options.stop_fd = g_stop_pipe[0];
    if (is_pipe(STDIN_FILENO)) {
        options.parent_fd = STDIN_FILENO;
        options.control = &control;
        options.answer_fd = STDOUT_FILENO;
    }
    options.log = verbose ? &std::cerr : nullptr;
    if (realtime) options.realtime = turnarounds;
    const bool served = sim::serve(*port, reader, options);
    if (!served)
        std::cerr << "reader-sim: the pseudo-terminal failed: " << std::strerror(errno) << "\n";
    return served ? 0 : 1;
}
