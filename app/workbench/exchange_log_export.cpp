#include "workbench/exchange_log_export.h"

#include <QAbstractItemModel>
#include <QStringList>

namespace tilvane {

namespace {

QString Cell(const QAbstractItemModel &model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

QString Title(const QAbstractItemModel &model, int column) {
    return model.headerData(column, Qt::Horizontal).toString();
}

QString TabSafe(QString text) {
    for (QChar &c : text) {
        if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
    }
    return text;
}

QString TabLine(const QStringList &cells) {
    QStringList safe;
    for (const QString &cell : cells) safe << TabSafe(cell);
    return safe.join(u'\t');
}

QString CsvLine(const QStringList &cells) {
    QStringList fields;
    for (const QString &cell : cells) fields << CsvField(cell);
    return fields.join(u',');
}

QStringList RowCells(const QAbstractItemModel &model, int row) {
    QStringList cells;
    for (int column = 0; column < model.columnCount(); ++column) cells << Cell(model, row, column);
    return cells;
}

QStringList Titles(const QAbstractItemModel &model) {
    QStringList titles;
    for (int column = 0; column < model.columnCount(); ++column) titles << Title(model, column);
    return titles;
}

}  // namespace

QString TabSeparatedRows(const QAbstractItemModel &model, const QList<int> &rows) {
    QString text;
    for (int row : rows) text += TabLine(RowCells(model, row)) + u'\n';
    return text;
}

QString LogFileContents(const QAbstractItemModel &model, LogFileFormat format) {
    const bool csv = format == LogFileFormat::Csv;
    const QString end = csv ? QStringLiteral("\r\n") : QStringLiteral("\n");
    const auto line = [csv](const QStringList &cells) {
        return csv ? CsvLine(cells) : TabLine(cells);
    };
    QString text = line(Titles(model)) + end;
    for (int row = 0; row < model.rowCount(); ++row) text += line(RowCells(model, row)) + end;
    return text;
}

QString CsvField(const QString &text) {
    const bool quoted =
        text.contains(u',') || text.contains(u'"') || text.contains(u'\r') || text.contains(u'\n');
    if (!quoted) return text;
    QString field = text;
    field.replace(u'"', QStringLiteral("\"\""));
    return u'"' + field + u'"';
}

LogFileFormat LogFormatOfFileName(const QString &path) {
    return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? LogFileFormat::Csv
                                                                      : LogFileFormat::Text;
}

}  // namespace tilvane
