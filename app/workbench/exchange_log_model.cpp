#include "workbench/exchange_log_model.h"

#include <QDateTime>

#include <iterator>

namespace tilvane {

namespace {

QString FromUtf8(const std::string &text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ExchangeLogModel::ExchangeLogModel(std::shared_ptr<ExchangeLog> log, QObject *parent)
    : QAbstractTableModel(parent), log_(std::move(log)) {
    // The hook runs on the recording thread: it only posts.
    log_->set_ready_hook([this] {
        QMetaObject::invokeMethod(this, &ExchangeLogModel::TakeWaiting, Qt::QueuedConnection);
    });
}

ExchangeLogModel::~ExchangeLogModel() { log_->set_ready_hook(nullptr); }

void ExchangeLogModel::SetPaused(bool paused) {
    paused_ = paused;
    if (!paused_) TakeWaiting();
}

void ExchangeLogModel::SetShowKeys(bool show) {
    log_->set_show_keys(show);
    if (!rows_.empty()) {
        emit dataChanged(index(0, kArguments), index(rowCount() - 1, kReturned));
    }
}

void ExchangeLogModel::Clear() {
    log_->take();
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void ExchangeLogModel::TakeWaiting() {
    if (paused_) return;
    std::vector<ExchangeEntry> batch = log_->take();
    if (batch.empty()) return;
    const std::size_t capacity = log_->capacity();
    auto first = batch.begin();
    if (batch.size() > capacity) first += static_cast<std::ptrdiff_t>(batch.size() - capacity);
    const auto added = static_cast<std::size_t>(batch.end() - first);
    if (rows_.size() + added > capacity) {
        const std::size_t gone = std::min(rows_.size(), rows_.size() + added - capacity);
        beginRemoveRows(QModelIndex(), 0, static_cast<int>(gone) - 1);
        rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(gone));
        endRemoveRows();
    }
    const int start = rowCount();
    beginInsertRows(QModelIndex(), start, start + static_cast<int>(added) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(first), std::make_move_iterator(batch.end()));
    endInsertRows();
}

QString ExchangeLogModel::Text(int row, int column) const {
    if (row < 0 || row >= rowCount()) return {};
    const ExchangeEntry &entry = rows_[static_cast<std::size_t>(row)];
    const bool keys = show_keys();
    switch (column) {
        case kTime:
            return QDateTime::fromMSecsSinceEpoch(
                       std::chrono::duration_cast<std::chrono::milliseconds>(
                           entry.time.time_since_epoch())
                           .count())
                .toString(QStringLiteral("hh:mm:ss.zzz"));
        case kDuration:
            return QString::number(
                std::chrono::duration<double, std::milli>(entry.duration).count(), 'f', 3);
        case kFunction:
            return QString::fromLatin1(entry.function.data(),
                                       static_cast<qsizetype>(entry.function.size()));
        case kArguments:
            return FromUtf8(keys && !entry.arguments_with_keys.empty() ? entry.arguments_with_keys
                                                                       : entry.arguments);
        case kResult:
            return entry.result ? QString::number(*entry.result) : QString();
        case kMeaning:
            return FromUtf8(entry.meaning);
        case kReturned:
            return FromUtf8(keys && !entry.returned_with_keys.empty() ? entry.returned_with_keys
                                                                      : entry.returned);
        default:
            return {};
    }
}

int ExchangeLogModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ExchangeLogModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ExchangeLogModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
        case Qt::DisplayRole:
            return Text(index.row(), index.column());
        case Qt::ToolTipRole:
            // Long texts are cut in their cells.
            if (index.column() == kArguments || index.column() == kMeaning ||
                index.column() == kReturned) {
                return Text(index.row(), index.column());
            }
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() == kDuration || index.column() == kResult) {
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            }
            return {};
        default:
            return {};
    }
}

QVariant ExchangeLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case kTime:
            return QStringLiteral("Time");
        case kDuration:
            return QStringLiteral("Duration (ms)");
        case kFunction:
            return QStringLiteral("Function");
        case kArguments:
            return QStringLiteral("Arguments");
        case kResult:
            return QStringLiteral("Result");
        case kMeaning:
            return QStringLiteral("Meaning");
        case kReturned:
            return QStringLiteral("Returned");
        default:
            return {};
    }
}

}  // namespace tilvane
