#pragma once

// The SR176 page: finds the card (its chip ID), reads its 16 blocks of 2 bytes,
// writes one of blocks 4 to 14 and, after a question, sets bits of the lock
// register that protect blocks for good.

#include <array>

#include "pages/card_page.h"

class QComboBox;

namespace tilvane {

class AppState;
class CHexEdit;

class CSr176Page : public CardPage {
    Q_OBJECT
public:
    // The controls by their original identifiers; ControlName() gives each one's
    // objectName.
    enum ControlId : int {
        IDC_CHIP_ID = 1115,
        IDC_SEARCH = 1116,
        IDC_WRITE_BLOCK_LABEL = 1141,
        IDC_WRITE_BLOCK = 1117,
        IDC_READ = 1118,
        IDC_WRITE = 1119,
        IDC_LOCK_REGISTER = 1059,
        IDC_LOCK = 1066,
        IDC_BLOCK0 = 1099,  // block b is 1099 + b
        IDC_BLOCK15 = 1114,
    };

    // One template (144) on every screen width.
    CSr176Page(AppState &state, int template_id, QWidget *parent = nullptr);

    static QString ControlName(int id);

protected:
    QString ControlNameOf(int id) const override { return ControlName(id); }

private:
    void BuildControls();
    void Initialise();

    void OnSearch();
    void OnRead();
    void OnWrite();
    void OnLock();

    void ClearBlocks();

    AppState &state_;
    CHexEdit *chip_id_ = nullptr;
    QComboBox *write_block_ = nullptr;
    CHexEdit *lock_register_ = nullptr;
    std::array<CHexEdit *, 16> blocks_{};
};

}  // namespace tilvane
