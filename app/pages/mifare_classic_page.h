#pragma once

// The Mifare Classic page: finds a card (ISO 14443 Type A, 4-byte UID), works one
// block of sectors 0 to 15 as an electronic purse, and reads and writes blocks in
// two windows: window 1 addresses the card as 64 groups of four blocks, window 2
// the 16-block sectors 32 to 39 of a 4K card, all 16 blocks of each.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "common/hex_text.h"
#include "pages/card_page.h"

class QComboBox;
class QGridLayout;
class QPushButton;
class QRadioButton;

namespace tilvane {

class AppState;
class CHexEdit;
class GroupFrame;
class PageBuilder;
class ValueEdit;

class CMifareClassicPage : public CardPage {
    Q_OBJECT
public:
    // The controls by their original identifiers; ControlName() gives each one's
    // objectName.
    enum ControlId : int {
        IDC_SEARCH = 1010,
        IDC_UID = 1049,
        IDC_PURSE_GROUP = 1110,
        IDC_PURSE_SECTOR = 1050,
        IDC_PURSE_BLOCK = 1058,
        IDC_PURSE_KEY_A = 1051,
        IDC_PURSE_KEY_B = 1052,
        IDC_PURSE_KEY = 1053,
        IDC_PURSE_VALUE = 1054,
        IDC_PURSE_VALUE_HEX = 1055,
        IDC_PURSE_INITIALIZE = 1056,
        IDC_PURSE_INCREASE = 1057,
        IDC_PURSE_DECREASE = 1059,
        IDC_PURSE_BALANCE = 1060,
        IDC_W1_GROUP = 1111,
        IDC_W1_SECTOR = 1061,
        IDC_W1_BLOCK = 1094,
        IDC_W1_KEY_A = 1064,
        IDC_W1_KEY_B = 1065,
        IDC_W1_KEY = 1004,
        IDC_W1_DATA0 = 1076,
        IDC_W1_DATA1 = 1077,
        IDC_W1_DATA2 = 1078,
        IDC_W1_TRAILER_KEY_A = 1085,
        IDC_W1_TRAILER_ACCESS = 1086,
        IDC_W1_TRAILER_KEY_B = 1087,
        IDC_W1_READ = 1070,
        IDC_W1_WRITE = 1073,
        IDC_W2_GROUP = 1112,
        IDC_W2_SECTOR = 1062,
        IDC_W2_BLOCK = 1095,
        IDC_W2_KEY_A = 1066,
        IDC_W2_KEY_B = 1067,
        IDC_W2_KEY = 1005,
        IDC_W2_DATA0 = 1079,
        IDC_W2_DATA1 = 1081,
        IDC_W2_DATA2 = 1083,
        IDC_W2_DATA3 = 1114,  // 1114 to 1125: blocks 3 to 14
        IDC_W2_TRAILER_KEY_A = 1090,
        IDC_W2_TRAILER_ACCESS = 1092,
        IDC_W2_TRAILER_KEY_B = 1089,
        IDC_W2_READ = 1071,
        IDC_W2_WRITE = 1074,
    };

    // Templates: 104 is the large one with English captions, 102 and 103 are the
    // compact ones of 800- and 640-pixel screens, with Chinese captions.
    CMifareClassicPage(AppState &state, int template_id, QWidget *parent = nullptr);

    static QString ControlName(int id);

protected:
    QString ControlNameOf(int id) const override { return ControlName(id); }

public:
    bool card_selected() const { return card_selected_; }

    // Window 2's sectors hold 16 blocks each, from block 128 on.
    static int Window2FirstBlock(int sector) { return 128 + 16 * (sector - 32); }

private:
    struct KeyArea {
        QRadioButton *key_a = nullptr;
        CHexEdit *key = nullptr;
        int AuthCode() const;
    };
    struct Trailer {
        CHexEdit *key_a = nullptr;
        CHexEdit *access = nullptr;
        CHexEdit *key_b = nullptr;
        void Clear();
        void Show(const std::uint8_t *block);
        std::array<std::uint8_t, 16> Compose() const;
    };
    // One block window: its key area, its data boxes in block order, its trailer.
    struct BlockWindow {
        const KeyArea &key;
        std::span<CHexEdit *const> data;
        Trailer &trailer;
    };
    enum class PurseOperation { Initialize, Increase, Decrease };

    // What the builders return for the page to place and wire.
    struct PurseButtons {
        GroupFrame *frame;
        QPushButton *initialize, *increase, *decrease, *balance;
    };
    struct WindowButtons {
        GroupFrame *frame;
        QPushButton *read, *write;
    };
    // A block window's identifiers: frame; sector, block, key A, key B, key;
    // data boxes; trailer key A, access bits, key B; Read and Write.
    struct WindowIds {
        int group;
        const int *key_row;
        const int *data;
        const int *trailer;
        int read, write;
    };

    void BuildControls(bool large);
    void BuildKeyRow(const PageBuilder &kit, QGridLayout *grid, QWidget *frame, const int ids[5],
                     QComboBox **sector, QComboBox **block, KeyArea *area);
    PurseButtons BuildPurse(const PageBuilder &kit, bool large);
    WindowButtons BuildWindow(const PageBuilder &kit, bool large, const WindowIds &ids,
                              const QString &write_caption, QComboBox **sector, QComboBox **block,
                              KeyArea *key, std::span<CHexEdit *> data, Trailer *trailer);
    void Initialise();

    // Operations.
    void OnSearch();
    void OnPurse(PurseOperation operation);
    void OnBalance();
    void OnReadWindow1();
    void OnWriteWindow1();
    void OnReadWindow2();
    void OnWriteWindow2();
    void OnPurseSectorChanged();
    void RefreshWindow1();
    void OnHexValueChanged();
    void OnDecimalValueChanged();

    // Shared steps. Each returns false after it has reported a failure.
    bool CardSearch(int attempts);
    bool Prologue();
    std::optional<Bytes> TakeKey(const CHexEdit *edit);
    bool Authenticate(const KeyArea &area, int block, const Bytes &key);
    // Prologue, key and authentication of the purse area; the purse's block address.
    std::optional<int> AuthenticatePurse();
    // The whole Read and Write of a block window; `first` is the block that
    // authenticates, `question_block` the block whose write asks first.
    void ReadBlocks(const BlockWindow &window, int first);
    void WriteBlock(const BlockWindow &window, int sector, int first, int block,
                    int question_block);
    bool Check(std::int32_t status, const char *function_name);
    std::optional<std::int32_t> PurseValue() const;

    AppState &state_;
    bool card_selected_ = false;
    bool value_guard_ = false;

    QPushButton *search_ = nullptr;
    CHexEdit *uid_ = nullptr;

    QComboBox *purse_sector_ = nullptr;
    QComboBox *purse_block_ = nullptr;
    KeyArea purse_key_;
    ValueEdit *purse_value_ = nullptr;
    CHexEdit *purse_value_hex_ = nullptr;

    QComboBox *w1_sector_ = nullptr;
    QComboBox *w1_block_ = nullptr;
    KeyArea w1_key_;
    std::array<CHexEdit *, 3> w1_data_{};
    Trailer w1_trailer_;
    QPushButton *w1_write_ = nullptr;

    QComboBox *w2_sector_ = nullptr;
    QComboBox *w2_block_ = nullptr;
    KeyArea w2_key_;
    std::array<CHexEdit *, 15> w2_data_{};
    Trailer w2_trailer_;
};

}  // namespace tilvane
