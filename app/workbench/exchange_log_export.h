#pragma once

// The exchange log's rows as text, as a table view shows them (keys masked
// unless shown, only the rows the filter lets through):
//   copied rows  one line each, cells separated by tabs, no header;
//   a text file  the column titles, then the rows, the same way, "\n" ends;
//   a CSV file   the column titles, then the rows, quoted as RFC 4180 has it
//                (a cell with a comma, a quote, CR or LF in quotes, its quotes
//                doubled), CRLF line ends.
// A tab, CR or LF inside a cell becomes a space in the tab-separated forms.

#include <QList>
#include <QString>

class QAbstractItemModel;

namespace tilvane {

enum class LogFileFormat { Text, Csv };

// The rows of `model` (row numbers of its top level, in the order given).
QString TabSeparatedRows(const QAbstractItemModel &model, const QList<int> &rows);

// Every row of `model` with the column titles first.
QString LogFileContents(const QAbstractItemModel &model, LogFileFormat format);

// One CSV field.
QString CsvField(const QString &text);

// The format a file name asks for: CSV for a name ending in .csv (in any case),
// text otherwise.
LogFileFormat LogFormatOfFileName(const QString &path);

}  // namespace tilvane
