#pragma once

// The ISO 14443-4 page: Reset activates a Type A processor card and shows its
// serial number and the rest of its answer; Send passes one command of the card's
// operating system, typed as hex text, and adds the answer to the result list.
// The commands sent are kept in the history file "cosbooks.j".

#include <memory>

#include "pages/card_page.h"

class QPushButton;
class QRadioButton;

namespace tilvane {

class AppState;
class CHexEdit;
class CosExchange;
class ResultList;

class CIso14443Part4Page : public CardPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IDC_TYPE_A = 1054,
        IDC_TYPE_B = 1055,
        IDC_COMMAND = 1056,
        IDC_HISTORY = 1063,
        IDC_SEND = 1057,
        IDC_RESET = 1064,
        IDC_DATA_GROUP = 1065,
        IDC_CSN = 1058,
        IDC_PUPI = 1059,
        IDC_RESET_INFO = 1060,
        IDC_RESULT = 1062,
        IDC_CLEAR = 1067,
    };
    // Templates by screen width: 139 at 640 pixels, 138 at 800, 136 otherwise.
    enum Template : int { kCompact = 139, kMedium = 138, kLarge = 136 };

    CIso14443Part4Page(AppState &state, int template_id, QWidget *parent = nullptr);
    ~CIso14443Part4Page() override;

    static QString ControlName(int id);
    static inline const QString kHistoryFile = QStringLiteral("cosbooks.j");

    const CosExchange &exchange() const { return *exchange_; }

protected:
    QString ControlNameOf(int id) const override { return ControlName(id); }

private:
    void BuildControls(int template_id);
    void OnReset();

    AppState &state_;
    CHexEdit *command_ = nullptr;
    CHexEdit *csn_ = nullptr;
    CHexEdit *pupi_ = nullptr;
    CHexEdit *reset_info_ = nullptr;
    ResultList *results_ = nullptr;
    std::unique_ptr<CosExchange> exchange_;
};

}  // namespace tilvane
