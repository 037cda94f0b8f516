#include "nfc_document.h"

#include "format_codecs.h"
#include "text_lines.h"

namespace cardkit::codec {

namespace {

// Flipper Zero firmware lib/nfc/nfc_device.c and nfc_common.h: NFC_FILE_HEADER,
// NFC_CURRENT_FORMAT_VERSION (4, the unified layout).
constexpr std::string_view kFileType = "Flipper NFC device";
constexpr int kVersion = 4;

}  // namespace

NfcDocument::NfcDocument(std::string_view content) {
    const auto lines = split_lines(content);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view text = trim(lines[i]);
        if (text.empty() || text.front() == '#') continue;
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos)
            throw FormatError(line_prefix(i) + "no \"key: value\"");
        NfcLine line{i, std::string(trim(text.substr(0, colon))),
                     std::string(trim(text.substr(colon + 1)))};
        if (!by_key_.emplace(line.key, lines_.size()).second) {
            throw FormatError(where(line) + "appears twice");
        }
        lines_.push_back(std::move(line));
    }
}

const NfcLine *NfcDocument::find(std::string_view key) const {
    const auto found = by_key_.find(key);
    return found == by_key_.end() ? nullptr : &lines_[found->second];
}

std::optional<std::string> NfcDocument::text(std::string_view key) const {
    const NfcLine *line = find(key);
    return line ? std::optional<std::string>(line->value) : std::nullopt;
}

std::string NfcDocument::where(const NfcLine &line) {
    return line_prefix(line.index) + line.key.substr(0, 40) + ": ";
}

std::optional<Bytes> NfcDocument::hex(std::string_view key, int min, int max) const {
    const NfcLine *line = find(key);
    if (line == nullptr) return std::nullopt;
    auto bytes = parse_spaced_hex(line->value, min, max);
    if (!bytes) {
        throw FormatError(where(*line) + "not " +
                          (min == max ? std::to_string(min)
                                      : std::to_string(min) + " to " + std::to_string(max)) +
                          " hex bytes separated by spaces");
    }
    return bytes;
}

std::optional<std::uint8_t> NfcDocument::byte(std::string_view key) const {
    const auto bytes = hex(key, 1, 1);
    return bytes ? std::optional<std::uint8_t>((*bytes)[0]) : std::nullopt;
}

std::optional<std::uint32_t> NfcDocument::decimal(std::string_view key, std::uint32_t limit) const {
    const NfcLine *line = find(key);
    if (line == nullptr) return std::nullopt;
    std::uint64_t value = 0;
    bool digits = !line->value.empty() && line->value.size() <= 10;
    for (const char c : line->value) digits = digits && c >= '0' && c <= '9';
    if (digits) {
        for (const char c : line->value) value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (!digits || value > limit) {
        throw FormatError(where(*line) + "not a number from 0 to " + std::to_string(limit));
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<bool> NfcDocument::flag(std::string_view key) const {
    const NfcLine *line = find(key);
    if (line == nullptr) return std::nullopt;
    if (line->value == "true") return true;
    if (line->value == "false") return false;
    throw FormatError(where(*line) + "not true or false");
}

NfcWriter::NfcWriter(std::string_view device_type, ByteView uid) {
    field("Filetype", kFileType);
    field("Version", std::to_string(kVersion));
    comment(
        "Device type can be ISO14443-3A, ISO14443-3B, ISO14443-4A, ISO14443-4B, ISO15693-3, "
        "FeliCa, NTAG/Ultralight, Mifare Classic, Mifare Plus, Mifare DESFire, SLIX, ST25TB");
    field("Device type", device_type);
    comment("UID is common for all formats");
    hex("UID", uid);
}

void NfcWriter::comment(std::string_view text) { text_ += "# " + std::string(text) + "\n"; }

void NfcWriter::field(std::string_view key, std::string_view value) {
    text_ += std::string(key) + ": " + std::string(value) + "\n";
}

void NfcWriter::hex(std::string_view key, ByteView bytes) { field(key, to_hex(bytes, ' ')); }

}  // namespace cardkit::codec
