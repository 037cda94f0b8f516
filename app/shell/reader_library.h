#pragma once

// The reader interface library as the application holds it: loaded once from a
// path and bound by ordinal, for the life of the process. The application uses
// every export but ordinals 72 to 75; a library that lacks any one of those it
// uses does not start it.

#include <QString>

#include "binding/reader_library.h"

namespace tilvane {

class ReaderLibrary {
public:
    // The file the application loads, beside its own executable.
    static QString DefaultPath();

    // Loads the library and binds it. True when every export the application uses
    // is bound. A library that loaded but lacks one stays loaded until Unload().
    bool Load(const QString &path);
    void Unload();

    bool loaded() const { return library_.loaded(); }
    // The first ordinal the application uses that the last Load could not bind,
    // in binding order (ascending, 100 last); 0 when none.
    std::uint16_t missing_ordinal() const { return missing_ordinal_; }
    const std::string &error() const { return library_.error(); }
    const binding::ReaderApi &api() const { return library_.api(); }

private:
    binding::ReaderLibrary library_;
    std::uint16_t missing_ordinal_ = 0;
};

// Whether the application calls the export of that ordinal.
bool UsedByApplication(std::uint16_t ordinal);

}  // namespace tilvane
