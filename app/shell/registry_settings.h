#pragma once

// The three values the application keeps between runs (card family, port, baud
// index), in the user's own settings store: organisation "Velomar", application
// "IORFCard". Each is an unsigned 32-bit number; anything else counts as missing.

#include <QSettings>

#include <cstdint>
#include <memory>
#include <optional>

namespace tilvane {

class AppState;

class RegistrySettings {
public:
    explicit RegistrySettings(const QString &suffix);
    ~RegistrySettings();

    // True when the store exists and can be read; never creates it.
    bool OpenForReading();
    // Opens the store for writing, creating it when it does not exist yet.
    bool OpenForWriting();

    // The value when it reads back as an unsigned 32-bit number.
    std::optional<std::uint32_t> ReadValue(const QString &name) const;
    // Stores the value; a failure is noticed by Close() only.
    void WriteValue(const QString &name, std::uint32_t value);
    // Flushes what was written; true when it reached the store.
    bool Close();

private:
    QString suffix_;
    std::unique_ptr<QSettings> settings_;
};

// Defaults and ranges. A stored value outside its range is taken as missing, so
// the default applies; a port of 0 is kept: it is what a machine that has never
// chosen a port holds, and it makes the first connect fail visibly.
inline constexpr int kDefaultCardFamily = 1;
inline constexpr int kDefaultComPort = 0;
inline constexpr int kDefaultBaudIndex = 1;

// Reads "CurCard", "ComPort" and "BaudRate" into the state, each with its default
// when missing or out of range.
void ReadStoredSettings(AppState &state);
// Writes the three values from the state; silently does nothing when the store
// cannot be written.
void WriteStoredSettings(const AppState &state);

}  // namespace tilvane
