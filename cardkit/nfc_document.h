#pragma once

// The Flipper Zero's key/value text ("Key: value" lines, '#' comments) as the
// NFC files use it: reading with the line of every key kept for messages, and
// writing in the order the firmware writes, since its loader reads the keys of
// a file one after another.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cardkit/bytes.h"

namespace cardkit::codec {

struct NfcLine {
    std::size_t index = 0;  // from 0
    std::string key;
    std::string value;
};

class NfcDocument {
public:
    // FormatError naming the line for a line without "key: value" and for a key
    // given twice.
    explicit NfcDocument(std::string_view content);

    const std::vector<NfcLine> &lines() const { return lines_; }
    const NfcLine *find(std::string_view key) const;
    std::optional<std::string> text(std::string_view key) const;
    // "line 7: Block 3: " for a message about that line's value.
    static std::string where(const NfcLine &line);

    // Bytes as "XX XX ...", `min` to `max` of them.
    std::optional<Bytes> hex(std::string_view key, int min, int max) const;
    std::optional<std::uint8_t> byte(std::string_view key) const;
    std::optional<std::uint32_t> decimal(std::string_view key, std::uint32_t limit) const;
    std::optional<bool> flag(std::string_view key) const;  // "true" or "false"

private:
    std::vector<NfcLine> lines_;
    std::map<std::string, std::size_t, std::less<>> by_key_;  // index into lines_
};

class NfcWriter {
public:
    // The header the firmware writes: file type, version 4, device type, UID.
    NfcWriter(std::string_view device_type, ByteView uid);
    void comment(std::string_view text);
    void field(std::string_view key, std::string_view value);
    void hex(std::string_view key, ByteView bytes);
    const std::string &text() const { return text_; }

private:
    std::string text_;
};

}  // namespace cardkit::codec
