#include "shell/registry_settings.h"

#include <QFileInfo>

#include "common/app_state.h"
#include "common/baud_table.h"
#include "shell/card_families.h"

namespace tilvane {

namespace {

constexpr auto kOrganisation = "Velomar";

}  // namespace

RegistrySettings::RegistrySettings(const QString &suffix) : suffix_(suffix) {}

RegistrySettings::~RegistrySettings() {
    Close();
}

bool RegistrySettings::OpenForReading() {
    Close();
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                kOrganisation, suffix_);
    if (!QFileInfo::exists(settings->fileName())) return false;
    if (settings->status() != QSettings::NoError) return false;
    settings_ = std::move(settings);
    return true;
}

bool RegistrySettings::OpenForWriting() {
    Close();
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                kOrganisation, suffix_);
    // A store that exists but cannot be parsed would be overwritten with only our
    // three values; leave it alone instead.
    if (settings->status() != QSettings::NoError || !settings->isWritable()) return false;
    settings_ = std::move(settings);
    return true;
}

std::optional<std::uint32_t> RegistrySettings::ReadValue(const QString &name) const {
    if (!settings_) return std::nullopt;
    const QVariant value = settings_->value(name);
    if (!value.isValid()) return std::nullopt;
    // The INI store hands numbers back as text: "7" is a number, "7x", "-1", a list
    // or anything beyond 32 bits is not.
    if (value.typeId() == QMetaType::QStringList) return std::nullopt;
    bool ok = false;
    const qulonglong number = value.toString().trimmed().toULongLong(&ok, 10);
    if (!ok || number > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

void RegistrySettings::WriteValue(const QString &name, std::uint32_t value) {
    if (settings_) settings_->setValue(name, QVariant::fromValue<quint32>(value));
}

bool RegistrySettings::Close() {
    if (!settings_) return false;
    settings_->sync();
    const bool ok = settings_->status() == QSettings::NoError;
    settings_.reset();
    return ok;
}

void ReadStoredSettings(AppState &state) {
    RegistrySettings settings(QStringLiteral("IORFCard"));
    state.card_family = kDefaultCardFamily;
    state.com_port = kDefaultComPort;
    if (!settings.OpenForReading()) return;  // the baud index keeps its value

    const auto card = settings.ReadValue(QStringLiteral("CurCard"));
    const auto port = settings.ReadValue(QStringLiteral("ComPort"));
    const auto baud = settings.ReadValue(QStringLiteral("BaudRate"));
    state.card_family = card && IsCardFamily(*card) ? static_cast<int>(*card) : kDefaultCardFamily;
    state.com_port = port && *port <= kLastComPort ? static_cast<int>(*port) : kDefaultComPort;
    state.baud_rate = baud && IsBaudIndex(*baud) ? static_cast<int>(*baud) : kDefaultBaudIndex;
}

void WriteStoredSettings(const AppState &state) {
    RegistrySettings settings(QStringLiteral("IORFCard"));
    if (!settings.OpenForWriting()) return;
    settings.WriteValue(QStringLiteral("CurCard"), static_cast<std::uint32_t>(state.card_family));
    settings.WriteValue(QStringLiteral("ComPort"), static_cast<std::uint32_t>(state.com_port));
    settings.WriteValue(QStringLiteral("BaudRate"), static_cast<std::uint32_t>(state.baud_rate));
    settings.Close();
}

}  // namespace tilvane
