#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/user_files.h"

namespace platform {

std::optional<std::string> read_small_file(const std::string &path, std::size_t limit) {
    std::ifstream file(std::filesystem::path(std::u8string(
                           reinterpret_cast<const char8_t *>(path.data()), path.size())),
                       std::ios::binary);
    if (!file) return std::nullopt;
    std::string content;
    char buffer[256];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        content.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (content.size() > limit) return std::nullopt;
    }
    if (file.bad()) return std::nullopt;
    return content;
}

}  // namespace platform
