#pragma once

// Dump files as the workbench opens and saves them: every format cardkit reads
// and writes, the format chosen by the file name's extension, the file dialog's
// filters one a format, and a save that says before it writes what the chosen
// format loses. The workbench reaches cardkit's files through these alone.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "cardkit/dump.h"
#include "cardkit/dump_formats.h"
#include "cardkit/mifare_layout.h"

namespace tilvane {

// Larger than any dump of any format; a larger file is refused unread.
inline constexpr qint64 kLargestDumpFile = 4 * 1024 * 1024;

struct LoadedDump {
    cardkit::CardDump dump;
    cardkit::DumpFormat format;
};

// Reads and decodes the file at `path`; nullopt with `error` set to what the
// operator reads (the file cannot be read, is too large, or is not what its name
// or content claims, with cardkit's line and reason).
std::optional<LoadedDump> LoadDumpFile(const QString &path, QString &error);

// The formats that hold dumps of `family`, the one a new file gets first.
std::vector<cardkit::DumpFormat> FormatsFor(cardkit::CardFamily family);
// "Mifare Classic Tool (*.mct)": one filter of a file dialog.
QString FormatFilter(cardkit::DumpFormat format);
// The filters of an open dialog: every dump first, then one a format.
QString OpenFilters();
// The filters of a save dialog for a dump of `family`, its formats only.
QString SaveFilters(cardkit::CardFamily family);
// The format a filter of FormatFilter() names.
std::optional<cardkit::DumpFormat> FormatOfFilter(const QString &filter);
// The format the extension of `path` names.
std::optional<cardkit::DumpFormat> FormatOfFileName(const QString &path);
// The extension a file of the format gets when the operator gives none.
QString DefaultSuffix(cardkit::DumpFormat format);

// The bytes of the file and what the format loses, one sentence each.
struct PreparedSave {
    QByteArray content;
    QStringList warnings;
};
// nullopt with `error` set when the format cannot hold the dump at all.
std::optional<PreparedSave> PrepareSave(const cardkit::CardDump &dump, cardkit::DumpFormat format,
                                        QString &error);
// The keys of the dictionary files, each key once, in file order; a line that
// is no key is skipped and named in `skipped` ("shop.dic: line 7: ...").
// nullopt with `error` naming the file for a file that cannot be read or holds
// no key at all.
std::optional<std::vector<cardkit::MifareKey>> LoadKeyDictionaries(const QStringList &paths,
                                                                   QStringList &skipped,
                                                                   QString &error);

// Writes the file whole or not at all: a failed write leaves the file that was
// there as it was. False with `error` set.
bool WriteDumpFile(const QString &path, const QByteArray &content, QString &error);

}  // namespace tilvane
