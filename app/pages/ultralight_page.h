#pragma once

// The Ultralight page: finds a card and shows its 7-byte UID, reads all 16 pages
// of 4 bytes (serial number, lock bytes, one-time-programmable bytes, data) and
// writes one of pages 2 to 15.

#include <array>

#include "pages/card_page.h"

class QComboBox;

namespace tilvane {

class AppState;
class CHexEdit;

class CUltralightPage : public CardPage {
    Q_OBJECT
public:
    // The controls by their original identifiers; ControlName() gives each one's
    // objectName.
    enum ControlId : int {
        IDC_UID_LABEL = 1133,
        IDC_UID = 1079,
        IDC_SEARCH = 1077,
        IDC_WRITE_PAGE_LABEL = 1134,
        IDC_WRITE_PAGE = 1078,
        IDC_READ = 1080,
        IDC_WRITE = 1081,
        IDC_PAGE0 = 1082,
        IDC_PAGE1 = 1083,
        IDC_PAGE2 = 1084,       // page 2, bytes 0 and 1
        IDC_LOCK_BYTES = 1085,  // page 2, bytes 2 and 3
        IDC_PAGE3 = 1086,       // the one-time-programmable page; page p from 3 on is 1083 + p
        IDC_PAGE15 = 1098,
    };

    // One template (143) on every screen width.
    CUltralightPage(AppState &state, int template_id, QWidget *parent = nullptr);

    static QString ControlName(int id);

protected:
    QString ControlNameOf(int id) const override { return ControlName(id); }

private:
    void BuildControls();
    void Initialise();

    void OnSearch();
    void OnRead();
    void OnWrite();

    void ClearPages();
    // The box of page 0, 1 or 3 to 15 (page 2 has two).
    CHexEdit *PageBox(int page) const;

    AppState &state_;
    CHexEdit *uid_ = nullptr;
    QComboBox *write_page_ = nullptr;
    // 1082 to 1098 in identifier order: page 0, 1, page 2 in two halves, 3 to 15.
    std::array<CHexEdit *, 17> boxes_{};
};

}  // namespace tilvane
