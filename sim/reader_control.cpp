#include "reader_control.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "card_catalog.h"
#include "cards/short_range_card.h"

namespace sim {

namespace {

constexpr std::string_view kSpaces = " \t";

struct Words {
    std::vector<std::string_view> words;
    // Where each word starts in the line.
    std::vector<std::size_t> starts;
};

Words split(std::string_view line) {
    Words out;
    std::size_t at = line.find_first_not_of(kSpaces);
    while (at != std::string_view::npos) {
        const std::size_t end = std::min(line.find_first_of(kSpaces, at), line.size());
        out.words.push_back(line.substr(at, end - at));
        out.starts.push_back(at);
        at = line.find_first_not_of(kSpaces, end);
    }
    return out;
}

// The line from word `index` on, without the spaces at its end.
std::string rest_of_line(std::string_view line, const Words &words, std::size_t index) {
    std::string_view rest = line.substr(words.starts[index]);
    rest.remove_suffix(rest.size() - (rest.find_last_not_of(kSpaces) + 1));
    return std::string(rest);
}

std::string compact_hex(ByteView bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hex digits, two a byte; nullopt for anything else.
std::optional<Bytes> parse_hex(std::string_view text) {
    if (text.empty() || text.size() % 2 != 0) return std::nullopt;
    Bytes bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hex_digit(text[i]), low = hex_digit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return bytes;
}

std::optional<std::size_t> parse_count(std::string_view text, std::size_t most) {
    std::size_t value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size() || value < 1 || value > most)
        return std::nullopt;
    return value;
}

bool is_kind(std::string_view name) {
    const auto &kinds = card_kinds();
    return std::find(kinds.begin(), kinds.end(), name) != kinds.end();
}

std::string kind_list() {
    std::string list;
    for (const auto kind : card_kinds()) list += (list.empty() ? "" : ", ") + std::string(kind);
    return list;
}

// "N KIND UID KIND UID ...".
std::string listing(const std::vector<const Card *> &cards) {
    std::string text = std::to_string(cards.size());
    for (const Card *card : cards) text += " " + card->kind() + " " + compact_hex(card->identity());
    return text;
}

std::string ok(const std::string &rest = {}) { return rest.empty() ? "ok" : "ok " + rest; }

std::string error(const std::string &reason) { return "error " + reason; }

// An answer is one line whatever a command echoes of its input.
std::string one_line(std::string answer) {
    for (char &c : answer)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return answer;
}

std::string system_error(const std::string &what, const std::string &file) {
    return error("cannot " + what + " " + file + ": " + std::strerror(errno));
}

// Writes `bytes` to a new file beside `file`, then puts it in its place: a save
// that fails leaves what was there before.
std::string write_file(const std::string &file, ByteView bytes) {
    struct stat existing {};
    if (::stat(file.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return error(file + " is not a regular file");
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary =
            file + ".reader-sim-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return system_error("write", file);
    }
    if (fd < 0) return system_error("write", file);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        done += static_cast<std::size_t>(written);
    }
    const bool written = done == bytes.size() && ::close(fd) == 0;
    if (done != bytes.size()) ::close(fd);
    if (!written || ::rename(temporary.c_str(), file.c_str()) != 0) {
        const std::string answer = system_error("write", file);
        ::unlink(temporary.c_str());
        return answer;
    }
    return ok(std::to_string(bytes.size()));
}

// The content of `file`, a regular file of at most `most` bytes; nullopt with the
// answer in `failure` otherwise.
std::optional<Bytes> read_file(const std::string &file, std::size_t most, std::string &failure) {
    // Not blocking: a FIFO given by mistake must not hold the simulator.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        failure = system_error("read", file);
        return std::nullopt;
    }
    struct stat info {};
    std::optional<Bytes> content;
    if (::fstat(fd, &info) != 0) {
        failure = system_error("read", file);
    } else if (!S_ISREG(info.st_mode)) {
        failure = error(file + " is not a regular file");
    } else if (static_cast<std::size_t>(info.st_size) > most) {
        failure = error(file + " holds " + std::to_string(info.st_size) +
                        " bytes, more than any card's memory");
    } else {
        Bytes bytes(most + 1);
        std::size_t done = 0;
        for (;;) {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0 || (done += static_cast<std::size_t>(got)) == bytes.size()) {
                if (got < 0) failure = system_error("read", file);
                break;
            }
        }
        if (failure.empty() && done > most) {
            failure = error(file + " grew past " + std::to_string(most) + " bytes while read");
        } else if (failure.empty()) {
            bytes.resize(done);
            content = std::move(bytes);
        }
    }
    ::close(fd);
    return content;
}

bool usable_file_name(const std::string &file, std::string &failure) {
    if (file.empty()) {
        failure = error("no file named");
        return false;
    }
    if (file.find('\0') != std::string::npos) {
        failure = error("the file name holds a NUL byte");
        return false;
    }
    return true;
}

}  // namespace

std::string ReaderControl::run(std::string_view line) {
    if (line.size() > kLongestLine) {
        return error("the line is longer than " + std::to_string(kLongestLine) + " bytes");
    }
    const Words words = split(line);
    if (words.words.empty()) return error("empty line");
    const std::string_view command = words.words[0];
    const auto arguments = words.words.size() - 1;
    const auto word = [&words](std::size_t index) {
        return index < words.words.size() ? words.words[index] : std::string_view();
    };

    std::string answer;
    if (command == "insert") {
        answer = arguments == 1 || arguments == 2 ? insert(word(1), word(2))
                                                  : error("usage: insert KIND [UID=HEX]");
    } else if (command == "remove") {
        answer = arguments == 1 ? remove(word(1)) : error("usage: remove UID|KIND|all");
    } else if (command == "cards") {
        if (arguments != 0) {
            answer = error("usage: cards");
        } else {
            std::vector<const Card *> cards;
            for (const auto &card : reader_.cards()) cards.push_back(card.get());
            answer = ok(listing(cards));
        }
    } else if (command == "fault") {
        answer = arguments == 1 || arguments == 2
                     ? fault(word(1), word(2))
                     : error("usage: fault silent MS | garbage N | drop | unplug");
    } else if (command == "save" || command == "load") {
        if (arguments < 2) {
            answer =
                error(command == "save" ? "usage: save KIND|UID FILE" : "usage: load UID FILE");
        } else {
            const std::string file = rest_of_line(line, words, 2);
            answer = command == "save" ? save(word(1), file) : load(word(1), file);
        }
    } else {
        answer = error("unknown command " + std::string(command) +
                       " (insert, remove, cards, fault, save, load)");
    }
    return one_line(std::move(answer));
}

std::string ReaderControl::insert(std::string_view kind, std::string_view uid_option) {
    if (!is_kind(kind))
        return error("unknown card kind " + std::string(kind) + " (" + kind_list() + ")");
    const std::size_t length = uid_length(kind);
    int copy = 0;
    Bytes uid;
    if (!uid_option.empty()) {
        constexpr std::string_view kPrefix = "UID=";
        const auto parsed =
            uid_option.size() > kPrefix.size() && uid_option.substr(0, kPrefix.size()) == kPrefix
                ? parse_hex(uid_option.substr(kPrefix.size()))
                : std::nullopt;
        if (!parsed || parsed->size() != length) {
            return error("a UID of " + std::string(kind) + " is UID= and " +
                         std::to_string(length * 2) + " hex digits, not " +
                         std::string(uid_option));
        }
        uid = *parsed;
        if (card_with_uid(uid))
            return error("a card with UID " + compact_hex(uid) + " is in the field");
    } else {
        for (; copy < 256; ++copy) {
            uid = default_uid(kind, copy);
            if (!card_with_uid(uid)) break;
        }
        if (copy == 256) return error("no UID left for another " + std::string(kind));
    }
    std::uint8_t chip_id = 0;
    if (default_chip_id(kind)) {
        const auto free = free_chip_id(kind, copy);
        if (!free) return error("every chip ID of " + std::string(kind) + " is taken in the field");
        chip_id = *free;
    }
    auto card = make_card(kind, uid, chip_id);
    // A single-size UID may not start with the cascade tag: the reader would take
    // the card's first anticollision answer for the first half of a longer UID.
    if (card->protocol() == Protocol::TypeA && uid.size() == 4 && uid[0] == kCascadeTag)
        return error("a 4-byte Type A UID cannot start with 88, the cascade tag");
    reader_.insert_card(std::move(card));
    return ok(compact_hex(uid));
}

std::string ReaderControl::remove(std::string_view which) {
    std::string failure;
    const auto cards = cards_named(which, true, failure);
    if (!failure.empty()) return error(failure);
    std::vector<const Card *> listed(cards.begin(), cards.end());
    // Listed before they go; the cards themselves live until the answer is made.
    std::vector<std::unique_ptr<Card>> taken;
    for (Card *card : cards) taken.push_back(reader_.remove_card(card));
    return ok(listing(listed));
}

std::string ReaderControl::fault(std::string_view what, std::string_view amount) {
    if (faults_.unplugged) return error("the line is unplugged");
    if (what == "silent") {
        const auto ms = parse_count(amount, static_cast<std::size_t>(kLongestSilence.count()));
        if (!ms) {
            return error("fault silent takes 1 to " + std::to_string(kLongestSilence.count()) +
                         " milliseconds");
        }
        faults_.silence = std::chrono::milliseconds(*ms);
    } else if (what == "garbage") {
        const auto count = parse_count(amount, kMostGarbage);
        if (!count)
            return error("fault garbage takes 1 to " + std::to_string(kMostGarbage) + " bytes");
        faults_.garbage = *count;
    } else if ((what == "drop" || what == "unplug") && amount.empty()) {
        if (what == "drop") faults_.cut_next_answer = true;
        if (what == "unplug") faults_.unplugged = true;
    } else {
        return error("usage: fault silent MS | garbage N | drop | unplug");
    }
    return ok();
}

std::string ReaderControl::save(std::string_view which, const std::string &file) {
    std::string failure;
    if (!usable_file_name(file, failure)) return failure;
    if (which == "all") return error("save takes one card: its kind or its UID");
    const auto cards = cards_named(which, false, failure);
    if (!failure.empty()) return error(failure);
    if (cards.size() > 1) {
        return error(std::to_string(cards.size()) + " " + std::string(which) +
                     " cards in the field: name one by its UID");
    }
    const auto memory = cards[0]->raw_memory();
    if (!memory)
        return error("a " + cards[0]->kind() + " card has no memory that a raw dump holds");
    return write_file(file, *memory);
}

std::string ReaderControl::load(std::string_view uid_text, const std::string &file) {
    std::string failure;
    if (!usable_file_name(file, failure)) return failure;
    const auto uid = parse_hex(uid_text);
    if (!uid) return error("load takes a card's UID in hex, not " + std::string(uid_text));
    Card *card = card_with_uid(*uid);
    if (!card) return error("no card with UID " + compact_hex(*uid) + " in the field");
    if (!card->raw_memory())
        return error("a " + card->kind() + " card has no memory that a raw dump holds");
    const auto content = read_file(file, kLargestDump, failure);
    if (!content) return failure;
    if (!card->load_raw_memory(*content, failure)) return error(file + ": " + failure);
    return ok(std::to_string(content->size()));
}

std::vector<Card *> ReaderControl::cards_named(std::string_view which, bool all_allowed,
                                               std::string &error) const {
    std::vector<Card *> found;
    if (which == "all" && all_allowed) {
        for (const auto &card : reader_.cards()) found.push_back(card.get());
        return found;
    }
    if (is_kind(which)) {
        for (const auto &card : reader_.cards())
            if (card->kind() == which) found.push_back(card.get());
        if (found.empty()) error = "no " + std::string(which) + " card in the field";
        return found;
    }
    const auto uid = parse_hex(which);
    if (!uid) {
        error =
            std::string(which) + " is neither a card kind (" + kind_list() + ") nor a UID in hex";
        return found;
    }
    if (Card *card = card_with_uid(*uid)) {
        found.push_back(card);
    } else {
        error = "no card with UID " + compact_hex(*uid) + " in the field";
    }
    return found;
}

Card *ReaderControl::card_with_uid(ByteView uid) const {
    for (const auto &card : reader_.cards()) {
        const Bytes identity = card->identity();
        if (std::equal(identity.begin(), identity.end(), uid.begin(), uid.end())) return card.get();
    }
    return nullptr;
}

std::optional<std::uint8_t> ReaderControl::free_chip_id(std::string_view kind, int copy) const {
    for (int step = 0; step < 256; ++step) {
        const std::uint8_t candidate = *default_chip_id(kind, copy + step);
        const bool taken =
            std::any_of(reader_.cards().begin(), reader_.cards().end(), [&](const auto &card) {
                const auto *short_range = dynamic_cast<const ShortRangeCard *>(card.get());
                return short_range && short_range->chip_id() == candidate;
            });
        if (!taken) return candidate;
    }
    return std::nullopt;
}

void CommandLines::feed(std::string_view text) {
    for (const char c : text) {
        if (c == '\n') {
            if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
            lines_.push_back(std::move(partial_));
            partial_.clear();
        } else if (partial_.size() <= ReaderControl::kLongestLine) {
            // One byte more than a line may hold tells run() it was too long.
            partial_.push_back(c);
        }
    }
}

std::optional<std::string> CommandLines::next() {
    if (lines_.empty()) return std::nullopt;
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    return line;
}

std::optional<std::string> CommandLines::rest() {
    if (partial_.empty()) return std::nullopt;
    std::string line = std::move(partial_);
    partial_.clear();
    return line;
}

}  // namespace sim
