#include "workbench/dump_files.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>

#include "cardkit/key_dictionary.h"

namespace tilvane {

namespace {

using cardkit::CardFamily;
using cardkit::DumpFormat;

struct FormatInfo {
    DumpFormat format;
    const char *title;
    const char *patterns;
};

constexpr std::array<FormatInfo, 5> kFormats = {{
    {DumpFormat::Mct, "Mifare Classic Tool", "*.mct"},
    {DumpFormat::Json, "JSON dump", "*.json"},
    {DumpFormat::Nfc, "NFC device file", "*.nfc"},
    {DumpFormat::Eml, "Emulator dump", "*.eml"},
    {DumpFormat::Raw, "Raw binary dump", "*.bin *.mfd *.dump"},
}};

const FormatInfo &InfoOf(DumpFormat format) {
    for (const FormatInfo &info : kFormats) {
        if (info.format == format) return info;
    }
    return kFormats.back();
}

// A dump of the family with nothing known: whether a format holds the family
// at all is cardkit's to say.
cardkit::CardDump EmptyDump(CardFamily family) {
    switch (family) {
        case CardFamily::MifareClassic:
            return cardkit::CardDump::mifare_classic(cardkit::MifareType::Classic1K);
        case CardFamily::Ultralight:
            return cardkit::CardDump::ultralight();
        case CardFamily::Srix4k:
            return cardkit::CardDump::srix4k();
        case CardFamily::Sr176:
            return cardkit::CardDump::sr176();
        case CardFamily::Iso15693:
            break;
    }
    return cardkit::CardDump::iso15693(1, 4);
}

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::optional<LoadedDump> LoadDumpFile(const QString &path, QString &error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    if (file.size() > kLargestDumpFile) {
        error =
            QStringLiteral("%1 is %2 bytes, larger than any card dump").arg(path).arg(file.size());
        return std::nullopt;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const std::string name = QFileInfo(path).fileName().toStdString();
    const std::string_view bytes(content.constData(), static_cast<std::size_t>(content.size()));
    try {
        const DumpFormat format = cardkit::detect_format(bytes, name);
        cardkit::ImportOptions options;
        options.format = format;
        return LoadedDump{cardkit::import_dump(bytes, name, options), format};
    } catch (const cardkit::FormatError &failure) {
        error = QStringLiteral("%1: %2").arg(path, QString::fromUtf8(failure.what()));
    } catch (const std::exception &failure) {
        error = QStringLiteral("%1 cannot be read as a dump: %2")
                    .arg(path, QString::fromUtf8(failure.what()));
    }
    return std::nullopt;
}

std::vector<DumpFormat> FormatsFor(CardFamily family) {
    std::vector<DumpFormat> formats;
    const cardkit::CardDump sample = EmptyDump(family);
    // In the order of kFormats: the first is what a new file is saved as.
    for (const FormatInfo &info : kFormats) {
        try {
            cardkit::export_dump(sample, info.format);
            formats.push_back(info.format);
        } catch (const cardkit::FormatError &) {
        }
    }
    return formats;
}

QString FormatFilter(DumpFormat format) {
    const FormatInfo &info = InfoOf(format);
    return QStringLiteral("%1 (%2)").arg(QString::fromLatin1(info.title),
                                         QString::fromLatin1(info.patterns));
}

QString OpenFilters() {
    QStringList patterns;
    QStringList filters;
    for (const FormatInfo &info : kFormats) {
        patterns << QString::fromLatin1(info.patterns);
        filters << FormatFilter(info.format);
    }
    filters.prepend(QStringLiteral("Card dumps (%1)").arg(patterns.join(u' ')));
    filters << QStringLiteral("All files (*)");
    return filters.join(QStringLiteral(";;"));
}

QString SaveFilters(CardFamily family) {
    QStringList filters;
    for (const DumpFormat format : FormatsFor(family)) filters << FormatFilter(format);
    return filters.join(QStringLiteral(";;"));
}

std::optional<DumpFormat> FormatOfFilter(const QString &filter) {
    for (const FormatInfo &info : kFormats) {
        if (filter == FormatFilter(info.format)) return info.format;
    }
    return std::nullopt;
}

std::optional<DumpFormat> FormatOfFileName(const QString &path) {
    return cardkit::format_from_file_name(QFileInfo(path).fileName().toStdString());
}

QString DefaultSuffix(DumpFormat format) {
    // The first pattern without its "*.".
    return QString::fromLatin1(InfoOf(format).patterns).section(u' ', 0, 0).mid(2);
}

std::optional<PreparedSave> PrepareSave(const cardkit::CardDump &dump, DumpFormat format,
                                        QString &error) {
    try {
        const cardkit::ExportedDump exported = cardkit::export_dump(dump, format);
        PreparedSave save{
            QByteArray(exported.content.data(), static_cast<qsizetype>(exported.content.size())),
            {}};
        for (const std::string &warning : exported.warnings) save.warnings << Text(warning);
        return save;
    } catch (const cardkit::FormatError &failure) {
        error = QStringLiteral("%1 files cannot hold this dump: %2")
                    .arg(Text(cardkit::format_name(format)), QString::fromUtf8(failure.what()));
    }
    return std::nullopt;
}

std::optional<std::vector<cardkit::MifareKey>> LoadKeyDictionaries(const QStringList &paths,
                                                                   QStringList &skipped,
                                                                   QString &error) {
    std::vector<cardkit::MifareKey> keys;
    for (const QString &path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
            return std::nullopt;
        }
        if (file.size() > kLargestDumpFile) {
            error = QStringLiteral("%1 is too large for a key dictionary").arg(path);
            return std::nullopt;
        }
        const QByteArray content = file.readAll();
        try {
            const cardkit::KeyDictionary dictionary = cardkit::read_key_dictionary(
                std::string_view(content.constData(), static_cast<std::size_t>(content.size())));
            for (const cardkit::MifareKey &key : dictionary.keys) {
                if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
            }
            for (const std::string &warning : dictionary.warnings)
                skipped << QStringLiteral("%1: %2").arg(path, QString::fromStdString(warning));
        } catch (const cardkit::FormatError &failure) {
            error = QStringLiteral("%1: %2").arg(path, QString::fromUtf8(failure.what()));
            return std::nullopt;
        }
    }
    return keys;
}

bool WriteDumpFile(const QString &path, const QByteArray &content, QString &error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace tilvane
