#pragma once

// Keys found on each card, kept per UID in the user's data directory so that the
// next run on the same card tries them first, whichever program (rfcard, the
// application) found them:
//   $XDG_DATA_HOME/Velomar/rfcard/keys/<UID>.mct  (~/.local/share/... by default)
// The file is a Mifare dump whose trailers hold the keys and nothing else, so any
// tool that reads dumps shows it. The keys open other people's cards (hotel,
// access and transit keys), so the folder is the user's alone (0700) and each
// file too (0600): a folder or file found open to others is tightened when
// next written.

#include <filesystem>
#include <optional>
#include <string>

#include "cardkit/dump.h"

namespace cardwork {

class KeyMemory {
public:
    // The directory from the environment; empty when neither XDG_DATA_HOME nor
    // HOME is set.
    static std::filesystem::path default_directory();

    explicit KeyMemory(std::filesystem::path directory) : directory_(std::move(directory)) {}

    // The keys remembered for the card `uid` of type `type`: a dump with every
    // byte unknown when there are none. `warning` is set when a file was there
    // but could not be read.
    cardkit::CardDump recall(const cardkit::Bytes &uid, cardkit::MifareType type,
                             std::string &warning) const;
    // Adds the keys `dump` knows to those remembered for its UID (a key found now
    // replaces the one before) and writes the file anew, whole or not at all (a
    // temporary file of its own in the folder, then renamed over the old one).
    // False with `warning` set when it cannot be written; what was remembered
    // before stays then. `note` says when the folder or the old file was open to
    // other users and has been tightened.
    bool remember(const cardkit::CardDump &dump, std::string &warning, std::string &note) const;
    bool remember(const cardkit::CardDump &dump, std::string &warning) const;

private:
    std::filesystem::path file_for(const cardkit::Bytes &uid) const;

    std::filesystem::path directory_;
};

}  // namespace cardwork
