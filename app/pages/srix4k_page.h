#pragma once

// The SRIX4K page: finds the card (its chip ID), reads its UID, reads all 128
// blocks into a grid that shows 64 of them at a time behind two hand-drawn tabs,
// writes one block and writes the lock register after a question. The page fills
// the view and places the grid for the screen's width.

#include <array>

#include <QRect>

#include "pages/sheet_page.h"

class QComboBox;
class QLabel;

namespace tilvane {

class AppState;
class CHexEdit;
class PageBuilder;

class CSrix4kPage : public SheetPage {
    Q_OBJECT
public:
    // The controls by their original identifiers; ControlName() gives each one's
    // objectName.
    enum ControlId : int {
        IDC_CHIP_ID_LABEL = 1127,
        IDC_CHIP_ID = 1115,
        IDC_SEARCH = 1010,
        IDC_UID_LABEL = 1128,
        IDC_UID = 1058,
        IDC_READ_UID = 1066,
        IDC_BLOCK_LABEL = 1129,
        IDC_BLOCK = 1120,
        IDC_READ = 1063,
        IDC_WRITE = 1064,
        IDC_LOCK_LABEL = 1130,
        IDC_LOCK_REGISTER = 1059,
        IDC_LOCK = 1067,
        IDC_BLOCK_DATA = 5000,     // + block number
        IDC_BLOCK_CAPTION = 5500,  // + block number
        IDC_HEADER_FIRST = 6000,   // 6000 to 6003
    };
    static constexpr int kBlocks = 128;
    static constexpr int kBlocksPerTab = 64;
    // The tabs: "First Page" shows blocks 0 to 63, "Second Page" 64 to 127.
    enum Tab : int { kFirstPage = 0, kSecondPage = 1 };

    // One template (145) on every screen width.
    CSrix4kPage(AppState &state, int template_id, QWidget *parent = nullptr);

    static QString ControlName(int id);

    void LayoutForScreen(int screen_width) override;

    int selected_tab() const { return selected_tab_; }
    // Where a tab is drawn, in the coordinates of the sheet (empty before the
    // first layout).
    QRect tab_rect(int tab) const;

protected:
    QString ControlNameOf(int id) const override { return ControlName(id); }
    void PaintSheet(QPainter &painter) override;
    void SheetPressed(QMouseEvent *event) override;

private:
    QWidget *BuildLeftGroup(const PageBuilder &kit);
    void BuildGrid(const PageBuilder &kit);
    void ShowTab(int tab);
    void ClearBlocks();

    // Operations.
    void OnSearch();
    void OnReadUid();
    void OnRead();
    void OnWrite();
    void OnLock();

    AppState &state_;
    int selected_tab_ = kFirstPage;
    QRect grid_;

    QWidget *left_group_ = nullptr;
    QLabel *chip_id_label_ = nullptr;
    CHexEdit *chip_id_ = nullptr;
    CHexEdit *uid_ = nullptr;
    QComboBox *block_ = nullptr;
    CHexEdit *lock_register_ = nullptr;
    std::array<QLabel *, kBlocks> captions_{};
    std::array<CHexEdit *, kBlocks> data_{};
    std::array<QLabel *, 4> headers_{};
};

}  // namespace tilvane
