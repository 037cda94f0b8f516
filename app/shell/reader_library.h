#pragma once

// The reader interface library as the application holds it: loaded once from a
// path and bound by ordinal into a ReaderApi table, for the life of the process.

#include <QString>

#include "app/shell/reader_api.h"
#include "platform/module.h"

namespace tilvane {

class ReaderLibrary {
public:
    // The file the application loads, beside its own executable.
    static QString DefaultPath();

    // Loads the library and binds the 72 ordinals. True when every one is bound.
    // A library that loaded but lacks an ordinal stays loaded until Unload().
    bool Load(const QString &path);
    void Unload();

    bool loaded() const { return module_.loaded(); }
    // The first ordinal that could not be bound by the last Load (0 when none).
    std::uint16_t missing_ordinal() const { return missing_ordinal_; }
    const std::string &error() const { return module_.error(); }
    const ReaderApi &api() const { return api_; }

private:
    platform::Module module_;
    ReaderApi api_;
    std::uint16_t missing_ordinal_ = 0;
};

}  // namespace tilvane
