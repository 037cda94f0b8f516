#pragma once

// The exchange log's list: the newest calls of the log's store (as many as its
// capacity, 10,000), one row a call, taken on the GUI thread as they are
// announced, a batch at a time. While paused, calls are held in the store, not
// dropped (its capacity bounds them too), and join the list on resuming.

#include <QAbstractTableModel>

#include <deque>
#include <memory>

#include "common/exchange_log.h"

namespace tilvane {

class ExchangeLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column : int {
        kTime,
        kDuration,
        kFunction,
        kArguments,
        kResult,
        kMeaning,
        kReturned,
        kColumnCount,
    };

    explicit ExchangeLogModel(std::shared_ptr<ExchangeLog> log, QObject *parent = nullptr);
    ~ExchangeLogModel() override;

    const std::shared_ptr<ExchangeLog> &log() const { return log_; }

    void SetPaused(bool paused);
    bool paused() const { return paused_; }
    // Shows the keys of the calls recorded with them, and has calls recorded
    // with them from now on; unticked, every key shows masked again.
    void SetShowKeys(bool show);
    bool show_keys() const { return log_->show_keys(); }
    // Empties the list, the calls held while paused included.
    void Clear();
    // Takes the calls waiting in the store, unless paused.
    void TakeWaiting();

    // What a cell shows.
    QString Text(int row, int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<ExchangeLog> log_;
    std::deque<ExchangeEntry> rows_;
    bool paused_ = false;
};

}  // namespace tilvane
