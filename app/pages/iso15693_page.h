#pragma once

// The ISO 15693 page: works one vicinity tag whose UID the operator has read with
// Get Information or typed in. It reads the system information, writes and locks
// the DSFID and AFI bytes, reads every block with its security status into a grid
// of 64 rows, and writes or locks one block. The page fills the view and places
// the grid for the screen's width.

#include <array>
#include <optional>

#include "common/hex_text.h"
#include "pages/sheet_page.h"
#include "binding/reader_api.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tilvane {

class AppState;
class CHexEdit;
class PageBuilder;

class CIso15693Page : public SheetPage {
    Q_OBJECT
public:
    // The controls by their original identifiers; ControlName() gives each one's
    // objectName.
    enum ControlId : int {
        IDC_UID_LABEL = 1141,
        IDC_UID = 1056,
        IDC_GET_INFORMATION = 1067,
        IDC_DSFID_LABEL = 1142,
        IDC_DSFID = 1058,
        IDC_WRITE_DSFID = 1063,
        IDC_LOCK_DSFID = 1064,
        IDC_AFI_LABEL = 1143,
        IDC_AFI = 1059,
        IDC_WRITE_AFI = 1065,
        IDC_LOCK_AFI = 1068,
        IDC_BLOCK_LABEL = 1129,
        IDC_BLOCK = 1120,
        IDC_READ = 1066,
        IDC_WRITE_BLOCK = 1071,
        IDC_LOCK_BLOCK = 1072,
        IDC_HEADER_FIRST = 1144,  // 1144 to 1151: "BLOCK", "STATUS" for each column
        IDC_BLOCK_DATA = 5000,    // + block number
        IDC_BLOCK_STATUS = 5200,  // + block number
        IDC_BLOCK_NUMBER = 5500,  // + block number
    };
    static constexpr int kBlocks = 64;
    static constexpr int kGridRows = 16;

    // One template (146) on every screen width.
    CIso15693Page(AppState &state, int template_id, QWidget *parent = nullptr);

    static QString ControlName(int id);

    void LayoutForScreen(int screen_width) override;

    // True unless the last Get Information found a tag of 28 blocks (IC maker
    // code 04): it chooses the flags byte of writes and locks and Read's layout.
    bool sixty_four_blocks() const { return sixty_four_blocks_; }

protected:
    QString ControlNameOf(int id) const override { return ControlName(id); }

private:
    void BuildControls();
    QWidget *BuildLeftGroup(const PageBuilder &kit);
    void BuildGrid(const PageBuilder &kit);

    // Operations.
    void OnGetInformation();
    void OnWriteDsfid();
    void OnLockDsfid();
    void OnWriteAfi();
    void OnLockAfi();
    void OnRead();
    void OnWriteBlock();
    void OnLockBlock();

    // Shared steps. Each returns nullopt after it has reported.
    // The connection test, then the UID step.
    std::optional<Bytes> Prepare(const char *not_connected, const char *uid_short);
    // The UID box's 8 bytes, or its message when it holds another number of digits.
    std::optional<Bytes> TakeUid(const char *uid_short);
    // The byte of the DSFID or AFI box, or the box's message when it is empty.
    std::optional<std::uint8_t> TakeByte(const CHexEdit *edit, const char *empty);
    // Write DSFID and Write AFI: the byte of their box; Lock DSFID and Lock AFI.
    using WriteByteCall = decltype(&::ISO15693_Write_AFI) binding::ReaderApi::*;
    using LockByteCall = decltype(&::ISO15693_Lock_AFI) binding::ReaderApi::*;
    void WriteByte(const CHexEdit *edit, const char *empty, const char *uid_short,
                   WriteByteCall call, const char *function_name, const char *success);
    void LockByte(LockByteCall call, const char *function_name, const char *success);
    // A tag call's outcome: its success text, or the failure under its name.
    static void Report(std::int32_t status, const char *function_name, const char *success);
    void ClearGrid();
    int FlagsByte() const;

    AppState &state_;
    bool sixty_four_blocks_ = true;

    QWidget *left_group_ = nullptr;
    CHexEdit *uid_ = nullptr;
    CHexEdit *dsfid_ = nullptr;
    CHexEdit *afi_ = nullptr;
    QComboBox *block_ = nullptr;
    std::array<QLabel *, 8> headers_{};
    std::array<QLabel *, kBlocks> numbers_{};
    std::array<CHexEdit *, kBlocks> data_{};
    std::array<CHexEdit *, kBlocks> status_{};
};

}  // namespace tilvane
