#pragma once

// The AT88RF020 page: finds the card (Type B request, PUPI shown), checks the
// 8-byte password, writes the 4 lock bytes, counts with a 6-byte signature, reads
// the 32 pages of 8 bytes (but the password page 3), writes one page and
// deselects the card.

#include <array>
#include <cstdint>
#include <span>

#include "pages/card_page.h"
#include "binding/reader_api.h"

class QComboBox;

namespace tilvane {

class AppState;
class CHexEdit;

class CAt88rf020Page : public CardPage {
    Q_OBJECT
public:
    // The controls by their original identifiers; ControlName() gives each one's
    // objectName.
    enum ControlId : int {
        IDC_PUPI_LABEL = 1135,
        IDC_PUPI = 1006,
        IDC_SEARCH = 1011,
        IDC_PASSWORD_LABEL = 1136,
        IDC_PASSWORD = 1014,
        IDC_CHECK = 1012,
        IDC_LOCK_LABEL = 1137,
        IDC_LOCK_BYTES = 1015,
        IDC_LOCK = 1013,
        IDC_SIGNATURE_LABEL = 1138,
        IDC_SIGNATURE = 1016,
        IDC_COUNT = 1043,
        IDC_WRITE_PAGE_LABEL = 1139,
        IDC_WRITE_PAGE = 1045,
        IDC_READ = 1044,
        IDC_WRITE = 1046,
        IDC_DESELECT = 1047,
        // The page grid: pages 0 to 2 in two boxes each, then one box a page.
        IDC_PAGE0_LOW = 1200,
        IDC_PAGE0_HIGH = 1201,
        IDC_PAGE1_LOW = 1202,
        IDC_PAGE1_HIGH = 1203,
        IDC_PAGE2_SIGNATURE = 1204,
        IDC_PAGE2_COUNTER = 1205,
        IDC_PAGE3 = 1206,  // page p from 3 on is 1203 + p
        IDC_PAGE31 = 1234,
    };

    // Templates: 133 is the large one, 132 the 800-pixel and 134 the 640-pixel
    // one (where the page 25 box is read-only).
    CAt88rf020Page(AppState &state, int template_id, QWidget *parent = nullptr);

    static QString ControlName(int id);

protected:
    QString ControlNameOf(int id) const override { return ControlName(id); }

private:
    void BuildControls(int template_id);
    void Initialise();

    void OnSearch();
    void OnCheck();
    void OnLock();
    void OnCount();
    void OnRead();
    void OnWrite();
    void OnDeselect();

    CHexEdit *Box(int id) const;
    // Every page box but page 3's: the password is never read back.
    void ClearPages();
    // Shows a page's 8 bytes in its boxes.
    void ShowPage(int page, std::span<const std::uint8_t> data);
    // Lock and Count: the exact bytes of a box to the card, then the page that
    // holds the outcome read back and shown.
    struct Change {
        CHexEdit *input;
        int size;
        int input_message;
        decltype(binding::ReaderApi::rf_at020_lock) call;  // rf_at020_lock or rf_at020_count
        const char *function_name;
        int page;
        int success_message;
    };
    void ChangeAndReadBack(const Change &change);

    AppState &state_;
    CHexEdit *pupi_ = nullptr;
    CHexEdit *password_ = nullptr;
    CHexEdit *lock_bytes_ = nullptr;
    CHexEdit *signature_ = nullptr;
    QComboBox *write_page_ = nullptr;
    // 1200 to 1234 in identifier order.
    std::array<CHexEdit *, IDC_PAGE31 - IDC_PAGE0_LOW + 1> boxes_{};
};

}  // namespace tilvane
