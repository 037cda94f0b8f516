#pragma once

// The reader library loaded from a file and bound by ordinal, as every host
// program of the project holds it: loaded once, unloaded when the holder says so.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "binding/reader_api.h"
#include "platform/module.h"

namespace binding {

class ReaderLibrary {
public:
    // The library's file in `directory`: libDrovik.so, or Drovik.dll on Windows.
    static std::string file_in(const std::string &directory);

    // Loads the file at `path` and binds every export. False when the file did not
    // load (error() says why). A library that loaded but lacks exports stays
    // loaded with those entries null: missing() lists their ordinals.
    bool load(const std::string &path);
    void unload();

    bool loaded() const { return module_.loaded(); }
    const std::string &error() const { return module_.error(); }
    const std::string &path() const { return path_; }
    const std::vector<std::uint16_t> &missing() const { return missing_; }
    const ReaderApi &api() const { return api_; }

    // GetCOMDLLVersion of the transport library beside the loaded one; nullopt when
    // there is none.
    std::optional<std::int32_t> transport_version() const;

private:
    platform::Module module_;
    std::string path_;
    ReaderApi api_;
    std::vector<std::uint16_t> missing_;
};

}  // namespace binding
