#pragma once

// The command exchange that the ISO 14443-4 and SAM pages share: a command box
// whose commands are kept in a history that survives the page (its file in the
// application data directory), a button that offers that history, Send, and a
// result list that collects the answers, with Clear.

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

#include "common/cos_history.h"

class QPushButton;

namespace tilvane {

class AppState;
class CHexEdit;
class PageBuilder;
class ResultList;

class CosExchange : public QObject {
    Q_OBJECT
public:
    // The controls of the exchange, built by the page.
    struct Controls {
        CHexEdit *command;
        QPushButton *history;
        QPushButton *send;
        ResultList *results;
        QPushButton *clear;
    };
    // What the page asks of a command and how it reports.
    struct Rules {
        const char *function_name;  // the library call that sends it
        int min_bytes;              // fewer are refused with message 25
        QString error_caption;      // of the input-error boxes
    };
    // Sends `length` command bytes; the answer and its length come back.
    using Call = std::function<std::int32_t(const std::uint8_t *command, std::int32_t length,
                                            std::uint8_t *answer, std::uint8_t *answer_length)>;

    // Reads the history from `history_file` (a name in the application data
    // directory) and wires the controls.
    CosExchange(const AppState &state, const QString &history_file, Rules rules,
                Controls controls, Call call, QWidget *page);
    // Writes the history back, whether or not anything was sent.
    ~CosExchange() override;

    const CosHistory &history() const { return history_; }

    // The small button beside the command box that opens the history.
    static QPushButton *HistoryButton(const PageBuilder &kit, int id, QWidget *parent);

private:
    void Send();
    void OpenHistory();

    const AppState &state_;
    QString file_;
    Rules rules_;
    Controls controls_;
    Call call_;
    QWidget *page_;
    CosHistory history_;
};

}  // namespace tilvane
