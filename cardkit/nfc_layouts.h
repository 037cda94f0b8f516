#pragma once

// The Flipper Zero's NFC files, one file a card family. They follow the
// firmware's lib/nfc/protocols/*/ save and load functions of file version 4:
// after the header and UID come "ATQA" (most significant byte first since
// version 3; version 2 wrote it as the card sends it) and "SAK" for ISO 14443-3A
// cards, then the family's keys in the order the firmware writes them.

#include <string>
#include <vector>

#include "format_codecs.h"
#include "nfc_document.h"

namespace cardkit::codec::nfc_layouts {

CardDump read_mifare(const NfcDocument &file, int version, const ImportOptions &options);
std::string write_mifare(const CardDump &dump, std::vector<std::string> &warnings);

// `device_type` names the type itself in files before version 4.
CardDump read_ultralight(const NfcDocument &file, int version, const std::string &device_type,
                         const ImportOptions &options);
std::string write_ultralight(const CardDump &dump, std::vector<std::string> &warnings);
// Whether a version 2 or 3 device type names an Ultralight or NTAG type.
bool is_legacy_ultralight(const std::string &device_type);

CardDump read_iso15693(const NfcDocument &file, const std::string &device_type);
std::string write_iso15693(const CardDump &dump, std::vector<std::string> &warnings);

CardDump read_st25tb(const NfcDocument &file);
std::string write_st25tb(const CardDump &dump, std::vector<std::string> &warnings);

// ATQA and SAK as the 3A layout keeps them, filled with the usual values of
// the dump's size (and a warning) when the dump does not know them.
void write_iso14443_3a(NfcWriter &out, const CardDump &dump, std::vector<std::string> &warnings);
void read_iso14443_3a(const NfcDocument &file, int version, CardIdentity &identity);
// The UID line: the dump's, else the one its blocks carry, else zeros.
Bytes uid_to_write(const CardDump &dump, std::size_t size, std::vector<std::string> &warnings);

}  // namespace cardkit::codec::nfc_layouts
