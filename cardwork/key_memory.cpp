#include "cardwork/key_memory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include "cardkit/dump_formats.h"

namespace cardwork {

namespace {

using cardkit::CardDump;
using cardkit::KeyType;

// Only the keys of `dump`, in a dump of `type`.
CardDump keys_only(const CardDump &dump, cardkit::MifareType type) {
    CardDump keys = CardDump::mifare_classic(type);
    for (int sector = 0; sector < std::min(keys.sector_count(), dump.sector_count()); ++sector) {
        for (const KeyType key_type : {KeyType::A, KeyType::B}) {
            if (const auto key = dump.key(sector, key_type)) keys.set_key(sector, key_type, *key);
        }
    }
    keys.set_identity({dump.identity().uid});
    return keys;
}

// Group and others: none of them may see the keys.
constexpr mode_t kOthersBits = S_IRWXG | S_IRWXO;

std::string mode_text(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// The folder, made the user's alone: created 0700 when missing (its parents as
// the umask says), tightened to 0700 when open to others (noted in
// `tightened`). The reason when it cannot be.
std::optional<std::string> private_folder(const std::filesystem::path &folder,
                                          std::vector<std::string> &tightened) {
    std::error_code error;
    std::filesystem::create_directories(folder.parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::strerror(errno);
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) return std::strerror(errno);
    if (!S_ISDIR(status.st_mode)) return folder.string() + " is no folder";
    if ((status.st_mode & kOthersBits) != 0) {
        if (::chmod(folder.c_str(), 0700) != 0) return std::strerror(errno);
        tightened.push_back("the folder " + folder.string() + " (" + mode_text(status.st_mode) +
                            ", now 0700)");
    }
    return std::nullopt;
}

// Writes `content` to `file` through a temporary file of its own beside it
// (0600 from its creation), so the old file is replaced only by a complete new
// one and no other user can open the new one at any moment. The reason when it
// cannot.
std::optional<std::string> write_private_file(const std::filesystem::path &file,
                                              const std::string &content) {
    std::string temporary = (file.parent_path() / ("." + file.filename().string() + ".XXXXXX"));
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) return std::strerror(errno);
    std::size_t written = 0;
    int error = 0;
    while (written < content.size()) {
        const ssize_t count =
            ::write(descriptor, content.data() + written, content.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            error = count < 0 ? errno : EIO;
            break;
        }
        written += static_cast<std::size_t>(count);
    }
    if (error == 0 && ::fsync(descriptor) != 0) error = errno;
    if (::close(descriptor) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), file.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return std::strerror(error);
    }
    return std::nullopt;
}

}  // namespace

std::filesystem::path KeyMemory::default_directory() {
    std::filesystem::path data;
    if (const char *xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
        data = xdg;
    } else if (const char *home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        data = std::filesystem::path(home) / ".local" / "share";
    } else {
        return {};
    }
    return data / "Velomar" / "rfcard" / "keys";
}

std::filesystem::path KeyMemory::file_for(const cardkit::Bytes &uid) const {
    return directory_ / (cardkit::to_hex(uid) + ".mct");
}

CardDump KeyMemory::recall(const cardkit::Bytes &uid, cardkit::MifareType type,
                           std::string &warning) const {
    if (directory_.empty() || uid.empty()) return CardDump::mifare_classic(type);
    const auto file = file_for(uid);
    std::ifstream in(file, std::ios::binary);
    if (!in) return CardDump::mifare_classic(type);
    std::ostringstream content;
    content << in.rdbuf();
    try {
        return keys_only(cardkit::import_dump(content.str(), file.string()), type);
    } catch (const cardkit::FormatError &error) {
        warning = "the keys remembered in " + file.string() + " cannot be read: " + error.what();
        return CardDump::mifare_classic(type);
    }
}

bool KeyMemory::remember(const CardDump &dump, std::string &warning) const {
    std::string note;
    return remember(dump, warning, note);
}

bool KeyMemory::remember(const CardDump &dump, std::string &warning, std::string &note) const {
    // Only Mifare Classic cards have keys to remember.
    if (directory_.empty() || dump.identity().uid.empty() || !dump.mifare_type()) return true;
    const cardkit::MifareType type = *dump.mifare_type();
    std::string ignored;
    CardDump keys = recall(dump.identity().uid, type, ignored);
    const CardDump found = keys_only(dump, type);
    for (int sector = 0; sector < keys.sector_count(); ++sector) {
        for (const KeyType key_type : {KeyType::A, KeyType::B}) {
            if (const auto key = found.key(sector, key_type)) keys.set_key(sector, key_type, *key);
        }
    }
    keys.set_identity(found.identity());

    const auto file = file_for(dump.identity().uid);
    const auto fail = [&](const std::string &why) {
        warning = "cannot remember the keys in " + file.string() + ": " + why;
        return false;
    };
    std::vector<std::string> tightened;
    if (const auto why = private_folder(directory_, tightened)) return fail(*why);
    struct stat old {};
    if (::stat(file.c_str(), &old) == 0 && (old.st_mode & kOthersBits) != 0) {
        tightened.push_back("the file " + file.string() + " (" + mode_text(old.st_mode) +
                            ", now 0600)");
    }
    if (const auto why = write_private_file(
            file, cardkit::export_dump(keys, cardkit::DumpFormat::Mct).content)) {
        return fail(*why);
    }
    if (!tightened.empty()) {
        note = "the remembered keys were open to other users; tightened ";
        for (std::size_t i = 0; i < tightened.size(); ++i)
            note += (i == 0 ? "" : " and ") + tightened[i];
    }
    return true;
}

}  // namespace cardwork
