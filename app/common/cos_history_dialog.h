#pragma once

// The dialog that offers a page's command history: every command sent, oldest
// first with the newest selected. A double click on one gives it back to the page
// (CommandChosen) and closes the dialog; "Clear COS" forgets the whole history.

#include <QDialog>

class QPushButton;

namespace tilvane {

class CosHistory;
class ResultList;

class CCosHistoryDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlId : int {
        IDC_LIST = 1062,
        IDC_CLEAR_COS = 1066,
        IDC_EXIT = 1063,
    };

    CCosHistoryDlg(CosHistory &history, QWidget *owner);

    ResultList *list() const { return list_; }

signals:
    void CommandChosen(const QString &command);

private:
    CosHistory &history_;
    ResultList *list_;
};

}  // namespace tilvane
