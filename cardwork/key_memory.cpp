#include "cardwork/key_memory.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

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
    auto temporary = file;
    temporary += ".new";
    std::error_code error;
    std::filesystem::create_directories(directory_, error);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << cardkit::export_dump(keys, cardkit::DumpFormat::Mct).content;
        out.close();
        if (!out) error = std::make_error_code(std::errc::io_error);
    }
    // The old file is replaced only by a complete new one.
    if (!error) std::filesystem::rename(temporary, file, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        warning = "cannot remember the keys in " + file.string();
        return false;
    }
    return true;
}

}  // namespace cardwork
