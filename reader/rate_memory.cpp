#include "rate_memory.h"

#include <charconv>

#include "platform/user_files.h"
#include "protocol/baud_rates.h"

namespace drovik {

namespace {

// A rate file holds a number and a line end; anything much larger is damage.
constexpr std::size_t kLargestFile = 64;

}  // namespace

std::optional<std::int32_t> parse_remembered_rate(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    std::int32_t rate = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rate);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    if (protocol::baud_code(rate) == 0) return std::nullopt;
    return rate;
}

std::string rate_memory_file(int port) {
    const std::string directory = platform::user_state_directory();
    if (directory.empty()) return {};
#if defined(_WIN32)
    const char *separator = "\\";
#else
    const char *separator = "/";
#endif
    return directory + separator + "drovik" + separator + "port" + std::to_string(port) + ".rate";
}

std::optional<std::int32_t> remembered_rate(int port) {
    const std::string file = rate_memory_file(port);
    if (file.empty()) return std::nullopt;
    const auto content = platform::read_small_file(file, kLargestFile);
    if (!content) return std::nullopt;
    return parse_remembered_rate(*content);
}

void remember_rate(int port, std::int32_t rate) {
    const std::string file = rate_memory_file(port);
    if (file.empty()) return;
    if (remembered_rate(port) == rate) return;
    platform::write_file_atomically(file, std::to_string(rate) + "\n");
}

}  // namespace drovik
