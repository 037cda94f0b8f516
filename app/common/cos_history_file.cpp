#include "common/cos_history_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace tilvane {

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool ReadWord(std::istream &in, std::uint32_t &value) {
    unsigned char bytes[4];
    in.read(reinterpret_cast<char *>(bytes), sizeof bytes);
    if (in.gcount() != sizeof bytes) return false;
    value = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
            static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
}

void PutWord(std::string &out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

bool WriteAll(int fd, const std::string &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool IsCosHistoryEntry(const std::string &text) {
    return text.size() % 2 == 0 && text.size() <= kMaxEntryDigits &&
           std::all_of(text.begin(), text.end(), IsHexDigit);
}

CosHistory ReadCosHistory(std::istream &in) {
    CosHistory history;
    std::uint32_t count = 0;
    if (!ReadWord(in, count)) return history;
    // The count is only an upper bound: the entries come from what the file holds,
    // and nothing is allocated beyond the longest entry that can be kept.
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t length = 0;
        if (!ReadWord(in, length)) break;
        if (length > kMaxEntryDigits) {
            in.ignore(static_cast<std::streamsize>(length));
            if (in.gcount() != static_cast<std::streamsize>(length)) break;
            continue;
        }
        std::string text(length, '\0');
        in.read(text.data(), static_cast<std::streamsize>(length));
        if (in.gcount() != static_cast<std::streamsize>(length)) break;
        if (IsCosHistoryEntry(text)) history.Add(std::move(text));
    }
    return history;
}

std::string EncodeCosHistory(const CosHistory &history) {
    std::string out;
    PutWord(out, static_cast<std::uint32_t>(history.size()));
    for (const std::string &entry : history.entries()) {
        PutWord(out, static_cast<std::uint32_t>(entry.size()));
        out += entry;
    }
    return out;
}

CosHistory LoadCosHistory(const std::filesystem::path &file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    return ReadCosHistory(in);
}

bool SaveCosHistory(const std::filesystem::path &file, const CosHistory &history) {
    const std::filesystem::path directory =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) return false;

    // A hidden file beside the old one, renamed over it once it is complete and on
    // the disk: the old history stays whole until then.
    std::string temporary = (directory / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    bool complete = WriteAll(fd, EncodeCosHistory(history)) && ::fsync(fd) == 0;
    complete = ::close(fd) == 0 && complete;
    if (complete && std::rename(temporary.c_str(), file.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
}

}  // namespace tilvane
