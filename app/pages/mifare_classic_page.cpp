#include "pages/mifare_classic_page.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

#include "common/group_frame.h"
#include "common/hex_edit.h"
#include "common/message_box.h"
#include "common/message_table.h"
#include "common/operator_messages.h"
#include "common/value_edit.h"
#include "pages/call_checks.h"
#include "pages/card_search.h"
#include "pages/number_list.h"
#include "pages/page_builder.h"
#include "pages/read_loop.h"
#include "common/app_state.h"
#include "cardwork/type_a.h"
#include "protocol/card_protocols.h"

namespace tilvane {

namespace {

// Antenna off, 20 ms, protocol A, 20 ms, antenna on, 50 ms.
constexpr FieldSteps kSearchSteps = FullFieldCycle(protocol::kProtocolTypeA);
constexpr int kUidSize = 4;
constexpr int kBlockSize = 16;
constexpr int kLastBlockAddress = 255;

const std::map<int, const char *> &ControlNames() {
    using P = CMifareClassicPage;
    static const std::map<int, const char *> names = {
        {P::IDC_SEARCH, "searchCard"},
        {P::IDC_UID, "uid"},
        {P::IDC_PURSE_GROUP, "purseGroup"},
        {P::IDC_PURSE_SECTOR, "purseSector"},
        {P::IDC_PURSE_BLOCK, "purseBlock"},
        {P::IDC_PURSE_KEY_A, "purseKeyA"},
        {P::IDC_PURSE_KEY_B, "purseKeyB"},
        {P::IDC_PURSE_KEY, "purseKey"},
        {P::IDC_PURSE_VALUE, "purseValue"},
        {P::IDC_PURSE_VALUE_HEX, "purseValueHex"},
        {P::IDC_PURSE_INITIALIZE, "purseInitialize"},
        {P::IDC_PURSE_INCREASE, "purseIncrease"},
        {P::IDC_PURSE_DECREASE, "purseDecrease"},
        {P::IDC_PURSE_BALANCE, "purseBalance"},
        {P::IDC_W1_GROUP, "w1Group"},
        {P::IDC_W1_SECTOR, "w1Sector"},
        {P::IDC_W1_BLOCK, "w1Block"},
        {P::IDC_W1_KEY_A, "w1KeyA"},
        {P::IDC_W1_KEY_B, "w1KeyB"},
        {P::IDC_W1_KEY, "w1Key"},
        {P::IDC_W1_DATA0, "w1Data0"},
        {P::IDC_W1_DATA1, "w1Data1"},
        {P::IDC_W1_DATA2, "w1Data2"},
        {P::IDC_W1_TRAILER_KEY_A, "w1TrailerKeyA"},
        {P::IDC_W1_TRAILER_ACCESS, "w1TrailerAccess"},
        {P::IDC_W1_TRAILER_KEY_B, "w1TrailerKeyB"},
        {P::IDC_W1_READ, "w1Read"},
        {P::IDC_W1_WRITE, "w1Write"},
        {P::IDC_W2_GROUP, "w2Group"},
        {P::IDC_W2_SECTOR, "w2Sector"},
        {P::IDC_W2_BLOCK, "w2Block"},
        {P::IDC_W2_KEY_A, "w2KeyA"},
        {P::IDC_W2_KEY_B, "w2KeyB"},
        {P::IDC_W2_KEY, "w2Key"},
        {P::IDC_W2_TRAILER_KEY_A, "w2TrailerKeyA"},
        {P::IDC_W2_TRAILER_ACCESS, "w2TrailerAccess"},
        {P::IDC_W2_TRAILER_KEY_B, "w2TrailerKeyB"},
        {P::IDC_W2_READ, "w2Read"},
        {P::IDC_W2_WRITE, "w2Write"},
    };
    return names;
}

// Window 2's data boxes by block: 1079, 1081, 1083, then 1114 to 1125.
int Window2DataId(int block) {
    static constexpr int kFirstThree[] = {CMifareClassicPage::IDC_W2_DATA0,
                                          CMifareClassicPage::IDC_W2_DATA1,
                                          CMifareClassicPage::IDC_W2_DATA2};
    return block < 3 ? kFirstThree[block] : CMifareClassicPage::IDC_W2_DATA3 + block - 3;
}

}  // namespace

int CMifareClassicPage::KeyArea::AuthCode() const {
    return key_a->isChecked() ? protocol::kAuthenticateKeyA : protocol::kAuthenticateKeyB;
}

void CMifareClassicPage::Trailer::Clear() {
    key_a->clear();
    access->clear();
    key_b->clear();
}

void CMifareClassicPage::Trailer::Show(const std::uint8_t *block) {
    SetHexText(key_a, block, 6);
    SetHexText(access, block + 6, 4);
    SetHexText(key_b, block + 10, 6);
}

std::array<std::uint8_t, 16> CMifareClassicPage::Trailer::Compose() const {
    std::array<std::uint8_t, 16> block{};
    const std::span<std::uint8_t> bytes(block);
    CopyHexInto(bytes.subspan(0, 6), key_a);
    CopyHexInto(bytes.subspan(6, 4), access);
    CopyHexInto(bytes.subspan(10, 6), key_b);
    return block;
}

QString CMifareClassicPage::ControlName(int id) {
    if (id >= IDC_W2_DATA3 && id < IDC_W2_DATA3 + 12) {
        return QStringLiteral("w2Data%1").arg(id - IDC_W2_DATA3 + 3);
    }
    if (id == IDC_W2_DATA0 || id == IDC_W2_DATA1 || id == IDC_W2_DATA2) {
        return QStringLiteral("w2Data%1").arg((id - IDC_W2_DATA0) / 2);
    }
    return ControlNameIn(ControlNames(), id);
}

CMifareClassicPage::CMifareClassicPage(AppState &state, int template_id, QWidget *parent)
    : CardPage(parent), state_(state) {
    BuildControls(template_id != 102 && template_id != 103);
    Initialise();
}

void CMifareClassicPage::BuildControls(bool large) {
    // The large template has English captions, the compact ones Chinese.
    const PageBuilder kit(large, &ControlName);

    search_ = kit.Button(IDC_SEARCH, kit.Caption("SearchCard", "寻卡"), this);
    uid_ = kit.HexEdit(IDC_UID, 0, this);
    kit.FitBytes(uid_, 4);
    uid_->setMaximumWidth(uid_->minimumWidth() * 2);
    const PurseButtons purse_buttons = BuildPurse(kit, large);

    const int w1_ids[5] = {IDC_W1_SECTOR, IDC_W1_BLOCK, IDC_W1_KEY_A, IDC_W1_KEY_B, IDC_W1_KEY};
    const int w1_data_ids[3] = {IDC_W1_DATA0, IDC_W1_DATA1, IDC_W1_DATA2};
    const int w1_trailer_ids[3] = {IDC_W1_TRAILER_KEY_A, IDC_W1_TRAILER_ACCESS,
                                   IDC_W1_TRAILER_KEY_B};
    const WindowButtons w1 = BuildWindow(
        kit, large, {IDC_W1_GROUP, w1_ids, w1_data_ids, w1_trailer_ids, IDC_W1_READ, IDC_W1_WRITE},
        kit.Caption("Write", "写卡"), &w1_sector_, &w1_block_, &w1_key_, w1_data_, &w1_trailer_);
    w1_write_ = w1.write;

    // Window 2: fifteen data blocks and the sector trailer.
    const int w2_ids[5] = {IDC_W2_SECTOR, IDC_W2_BLOCK, IDC_W2_KEY_A, IDC_W2_KEY_B, IDC_W2_KEY};
    int w2_data_ids[15];
    for (int i = 0; i < 15; ++i) w2_data_ids[i] = Window2DataId(i);
    const int w2_trailer_ids[3] = {IDC_W2_TRAILER_KEY_A, IDC_W2_TRAILER_ACCESS,
                                   IDC_W2_TRAILER_KEY_B};
    const WindowButtons w2 = BuildWindow(
        kit, large, {IDC_W2_GROUP, w2_ids, w2_data_ids, w2_trailer_ids, IDC_W2_READ, IDC_W2_WRITE},
        kit.Caption("Write Block", "写卡"), &w2_sector_, &w2_block_, &w2_key_, w2_data_,
        &w2_trailer_);
    for (int i = 0; i < 15; ++i) {
        PageBuilder::Hint(w2_data_[static_cast<std::size_t>(i)],
                          kit.Caption("Block %1", "块 %1").arg(i));
    }

    // Arrangement: search on top, purse and window 1 on the left, window 2 right.
    auto *root = new QVBoxLayout(this);
    root->setSpacing(large ? 8 : 4);
    auto *search_row = new QHBoxLayout;
    search_row->addWidget(search_);
    search_row->addWidget(uid_);
    search_row->addStretch();
    root->addLayout(search_row);
    auto *columns = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(purse_buttons.frame);
    left->addWidget(w1.frame);
    left->addStretch();
    columns->addLayout(left);
    columns->addWidget(w2.frame);
    root->addLayout(columns);

    // Wiring.
    connect(search_, &QPushButton::clicked, this, &CMifareClassicPage::OnSearch);
    connect(purse_buttons.initialize, &QPushButton::clicked, this,
            [this] { OnPurse(PurseOperation::Initialize); });
    connect(purse_buttons.increase, &QPushButton::clicked, this,
            [this] { OnPurse(PurseOperation::Increase); });
    connect(purse_buttons.decrease, &QPushButton::clicked, this,
            [this] { OnPurse(PurseOperation::Decrease); });
    connect(purse_buttons.balance, &QPushButton::clicked, this, &CMifareClassicPage::OnBalance);
    connect(w1.read, &QPushButton::clicked, this, &CMifareClassicPage::OnReadWindow1);
    connect(w1.write, &QPushButton::clicked, this, &CMifareClassicPage::OnWriteWindow1);
    connect(w2.read, &QPushButton::clicked, this, &CMifareClassicPage::OnReadWindow2);
    connect(w2.write, &QPushButton::clicked, this, &CMifareClassicPage::OnWriteWindow2);
    connect(purse_sector_, &QComboBox::currentIndexChanged, this,
            &CMifareClassicPage::OnPurseSectorChanged);
    connect(w1_sector_, &QComboBox::currentIndexChanged, this, &CMifareClassicPage::RefreshWindow1);
    connect(w1_block_, &QComboBox::currentIndexChanged, this, &CMifareClassicPage::RefreshWindow1);
    connect(purse_value_hex_, &QLineEdit::textChanged, this,
            &CMifareClassicPage::OnHexValueChanged);
    connect(purse_value_, &QLineEdit::textChanged, this,
            &CMifareClassicPage::OnDecimalValueChanged);
}

void CMifareClassicPage::BuildKeyRow(const PageBuilder &kit, QGridLayout *grid, QWidget *frame,
                                     const int ids[5], QComboBox **sector, QComboBox **block,
                                     KeyArea *area) {
    *sector = kit.List(ids[0], frame);
    *block = kit.List(ids[1], frame);
    auto *key_a = kit.Radio(ids[2], kit.Caption("A Key", "A 密钥"), frame);
    auto *key_b = kit.Radio(ids[3], kit.Caption("B Key", "B 密钥"), frame);
    auto *group = new QButtonGroup(frame);
    group->addButton(key_a);
    group->addButton(key_b);
    area->key_a = key_a;
    area->key = kit.HexEdit(ids[4], 6, frame);

    // The rows nested in a frame's grid space their controls as the grid spaces
    // its rows: left to themselves they get no spacing where the grid's two
    // spacings differ.
    auto *row = new QHBoxLayout;
    row->setSpacing(grid->verticalSpacing());
    row->addWidget(kit.Label(kit.Caption("Sector", "扇区号"), *sector, frame));
    row->addWidget(*sector);
    row->addSpacing(8);
    row->addWidget(kit.Label(kit.Caption("Block", "块号"), *block, frame));
    row->addWidget(*block);
    row->addStretch();
    grid->addLayout(row, 0, 0, 1, 3);
    auto *keys = new QHBoxLayout;
    keys->setSpacing(grid->verticalSpacing());
    keys->addWidget(key_a);
    keys->addWidget(key_b);
    keys->addSpacing(8);
    keys->addWidget(kit.Label(kit.Caption("Key", "密钥"), area->key, frame));
    keys->addWidget(area->key);
    keys->addStretch();
    grid->addLayout(keys, 1, 0, 1, 3);
}

CMifareClassicPage::PurseButtons CMifareClassicPage::BuildPurse(const PageBuilder &kit,
                                                                bool large) {
    auto [purse, grid] =
        kit.Frame(IDC_PURSE_GROUP, kit.Caption("Purse Function", "钱包功能"), this);
    grid->setVerticalSpacing(large ? 6 : 2);
    const int ids[5] = {IDC_PURSE_SECTOR, IDC_PURSE_BLOCK, IDC_PURSE_KEY_A, IDC_PURSE_KEY_B,
                        IDC_PURSE_KEY};
    BuildKeyRow(kit, grid, purse, ids, &purse_sector_, &purse_block_, &purse_key_);
    purse_value_ = new ValueEdit(purse);
    kit.Named(purse_value_, IDC_PURSE_VALUE);
    purse_value_hex_ = kit.HexEdit(IDC_PURSE_VALUE_HEX, 4, purse);
    auto *value_row = new QHBoxLayout;
    value_row->setSpacing(grid->verticalSpacing());
    value_row->addWidget(kit.Label(QString::fromUtf8("数据"), purse_value_, purse));
    value_row->addWidget(purse_value_);
    value_row->addWidget(purse_value_hex_);
    value_row->addStretch();
    grid->addLayout(value_row, 2, 0, 1, 3);

    const PurseButtons buttons{
        purse,
        kit.Button(IDC_PURSE_INITIALIZE, kit.Caption("Initialize", "初始化"), purse),
        kit.Button(IDC_PURSE_INCREASE, kit.Caption("Increase", "充值"), purse),
        kit.Button(IDC_PURSE_DECREASE, kit.Caption("Decrease", "扣款"), purse),
        kit.Button(IDC_PURSE_BALANCE, kit.Caption("Balance", "读余额"), purse),
    };
    auto *row = new QHBoxLayout;
    row->setSpacing(grid->verticalSpacing());
    for (QPushButton *button :
         {buttons.initialize, buttons.increase, buttons.decrease, buttons.balance}) {
        row->addWidget(button);
    }
    grid->addLayout(row, 3, 0, 1, 3);
    return buttons;
}

CMifareClassicPage::WindowButtons CMifareClassicPage::BuildWindow(
    const PageBuilder &kit, bool large, const WindowIds &ids, const QString &write_caption,
    QComboBox **sector, QComboBox **block, KeyArea *key, std::span<CHexEdit *> data,
    Trailer *trailer) {
    auto [frame, grid] = kit.Frame(ids.group, kit.Caption("Operation Window", "操作窗口"), this);
    grid->setVerticalSpacing(large ? 6 : 2);
    BuildKeyRow(kit, grid, frame, ids.key_row, sector, block, key);
    int row = 2;
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = kit.HexEdit(ids.data[i], kBlockSize, frame);
        grid->addWidget(data[i], row++, 0, 1, 3);
    }

    // The sector trailer: key A, access bits, key B.
    trailer->key_a = kit.HexEdit(ids.trailer[0], 6, frame);
    trailer->access = kit.HexEdit(ids.trailer[1], 4, frame);
    trailer->key_b = kit.HexEdit(ids.trailer[2], 6, frame);
    PageBuilder::Hint(trailer->key_a, kit.Caption("Key A", "A 密钥"));
    PageBuilder::Hint(trailer->access, kit.Caption("Access bits", "控制位"));
    PageBuilder::Hint(trailer->key_b, kit.Caption("Key B", "B 密钥"));
    auto *line = new QHBoxLayout;
    line->setSpacing(grid->verticalSpacing());
    line->addWidget(trailer->key_a);
    line->addWidget(trailer->access);
    line->addWidget(trailer->key_b);
    line->addStretch();
    grid->addLayout(line, row++, 0, 1, 3);

    const WindowButtons buttons{frame, kit.Button(ids.read, kit.Caption("Read", "读卡"), frame),
                                kit.Button(ids.write, write_caption, frame)};
    auto *button_row = new QHBoxLayout;
    button_row->setSpacing(grid->verticalSpacing());
    button_row->addWidget(buttons.read);
    button_row->addWidget(buttons.write);
    button_row->addStretch();
    grid->addLayout(button_row, row, 0, 1, 3);
    return buttons;
}

void CMifareClassicPage::Initialise() {
    // Lists are filled without their change handlers: only the operator's choices
    // refresh the windows.
    const QSignalBlocker b1(purse_sector_), b2(purse_block_), b3(w1_sector_), b4(w1_block_),
        b5(w2_sector_), b6(w2_block_);
    FillNumbers(purse_sector_, 0, 15);
    FillNumbers(purse_block_, 1, 2);
    purse_sector_->setCurrentIndex(0);
    purse_block_->setCurrentIndex(0);
    purse_key_.key_a->setChecked(true);
    purse_value_->setMaxLength(11);

    FillNumbers(w1_sector_, 0, 63);
    FillNumbers(w2_sector_, 32, 39);
    FillNumbers(w1_block_, 0, 3);
    FillNumbers(w2_block_, 0, 15);
    for (QComboBox *list : {w1_sector_, w2_sector_, w1_block_, w2_block_}) list->setCurrentIndex(0);
    w1_key_.key_a->setChecked(true);
    w2_key_.key_a->setChecked(true);
}

// ---- Shared steps ---------------------------------------------------------------

bool CMifareClassicPage::Check(std::int32_t status, const char *function_name) {
    if (CallSucceeded(status, function_name)) return true;
    card_selected_ = false;
    return false;
}

bool CMifareClassicPage::CardSearch(int attempts) {
    if (!RequireConnection(state_)) return false;
    cardwork::ReaderSession session(state_.api);
    std::optional<cardwork::TypeACard> card;
    // Request, anticollision and select, each failure in the page's words.
    const auto select = [&] {
        cardwork::TypeASelection selection =
            cardwork::select_4_byte_uid(session, protocol::kRequestAll);
        if (selection.card) {
            card = std::move(selection.card);
            return true;
        }
        const cardwork::StepFailure &failure = *selection.failure;
        if (failure.step == cardwork::TypeAStep::Anticollision) {
            return AnswerOfSize(failure.result, failure.answer_size, kUidSize, failure.function);
        }
        return CallSucceeded(failure.result, failure.function);
    };
    if (SearchCard(state_, kSearchSteps, attempts, select)) {
        SetHexText(uid_, card->uid.data(), kUidSize);
        card_selected_ = true;
        ShowInfo(Message(kMsgSearchCardSuccess));
        return true;
    }
    uid_->clear();
    card_selected_ = false;
    return false;
}

bool CMifareClassicPage::Prologue() {
    return card_selected_ || CardSearch(1);
}

std::optional<Bytes> CMifareClassicPage::TakeKey(const CHexEdit *edit) {
    auto key = ExactHexBytes(edit, 6);
    if (!key) ShowInputError(this, Message(kMsgInputKey6));
    return key;
}

bool CMifareClassicPage::Authenticate(const KeyArea &area, int block, const Bytes &key) {
    return Check(
        state_.api.rf_M1_authentication2(kReaderAddress, area.AuthCode(), block & 0xFF, key.data()),
        "rf_M1_authentication2");
}

std::optional<std::int32_t> CMifareClassicPage::PurseValue() const {
    const QString text = purse_value_->text();
    if (text.isEmpty()) return std::nullopt;
    const std::int32_t value = LeadingDecimal(text);
    // -1 stands for "no value", as an empty box does.
    if (value == -1) return std::nullopt;
    return value;
}

// ---- Search -----------------------------------------------------------------------

void CMifareClassicPage::OnSearch() {
    if (!CardSearch(2)) return;
    RefreshWindow1();
    ShowResult(0);
}

// ---- Purse ------------------------------------------------------------------------

std::optional<int> CMifareClassicPage::AuthenticatePurse() {
    if (!Prologue()) return std::nullopt;
    const int sector = ItemData(purse_sector_);
    const auto key = TakeKey(purse_key_.key);
    if (!key) return std::nullopt;
    if (!Authenticate(purse_key_, sector * 4, *key)) return std::nullopt;
    return sector * 4 + ItemData(purse_block_);
}

void CMifareClassicPage::OnPurse(PurseOperation operation) {
    const auto address = AuthenticatePurse();
    if (!address) return;
    const auto value = PurseValue();
    if (!value) {
        ShowMissingInput(this, Message(kMsgInputData));
        return;
    }
    const binding::ReaderApi &api = state_.api;
    switch (operation) {
        case PurseOperation::Initialize:
            if (!Check(api.rf_M1_initval(kReaderAddress, *address, *value), "rf_M1_initval")) {
                return;
            }
            ShowInfo(Message(kMsgInitPurseSuccess));
            break;
        case PurseOperation::Increase:
            if (!Check(api.rf_M1_increment(kReaderAddress, *address, *value), "rf_M1_increment")) {
                return;
            }
            ShowInfo(Message(kMsgAddSuccess));
            break;
        case PurseOperation::Decrease:
            if (!Check(api.rf_M1_decrement(kReaderAddress, *address, *value), "rf_M1_decrement")) {
                return;
            }
            ShowInfo(Message(kMsgDecrementSuccess));
            break;
    }
}

void CMifareClassicPage::OnBalance() {
    // Each clearing mirrors into the other box even when the box was empty
    // already, as a text set always notifies: the decimal box ends as "0".
    purse_value_->clear();
    OnDecimalValueChanged();
    purse_value_hex_->clear();
    OnHexValueChanged();
    const auto address = AuthenticatePurse();
    if (!address) return;
    std::int32_t value = 0;
    if (!Check(state_.api.rf_M1_readval(kReaderAddress, *address, &value), "rf_M1_readval")) return;
    purse_value_->setText(QString::number(value));
    SetHexDword(purse_value_hex_, static_cast<std::uint32_t>(value));
    ShowInfo(Message(kMsgReadBalanceSuccess));
}

void CMifareClassicPage::OnPurseSectorChanged() {
    const int block = ItemData(purse_block_);
    const QSignalBlocker blocker(purse_block_);
    purse_block_->clear();
    // Block 0 of sector 0 holds the maker's data; block 3 of every sector is its
    // trailer. Neither is a purse.
    FillNumbers(purse_block_, ItemData(purse_sector_) == 0 ? 1 : 0, 2);
    const int index = purse_block_->findData(block);
    purse_block_->setCurrentIndex(index >= 0 ? index : 0);
}

void CMifareClassicPage::OnHexValueChanged() {
    if (value_guard_) return;
    value_guard_ = true;
    const Bytes bytes = HexToBytes(purse_value_hex_);
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < std::min<std::size_t>(4, bytes.size()); ++i) {
        value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    }
    purse_value_->setText(QString::number(static_cast<std::int32_t>(value)));
    value_guard_ = false;
}

void CMifareClassicPage::OnDecimalValueChanged() {
    if (value_guard_) return;
    value_guard_ = true;
    const QString text = purse_value_->text();
    const std::int32_t value = text.isEmpty() ? -1 : LeadingDecimal(text);
    SetHexDword(purse_value_hex_, static_cast<std::uint32_t>(value));
    value_guard_ = false;
}

// ---- Block window 1 ---------------------------------------------------------------

void CMifareClassicPage::RefreshWindow1() {
    if (!state_.connected()) return;
    const int previous = w1_block_->currentIndex();
    const int sector = ItemData(w1_sector_);
    {
        const QSignalBlocker blocker(w1_block_);
        w1_block_->clear();
        FillNumbers(w1_block_, 0, sector <= 31 ? 3 : 15);
        w1_block_->setCurrentIndex(previous < w1_block_->count() ? previous : -1);
    }
    // Block 0 of sector 0 is the maker's block: never written.
    w1_write_->setEnabled(!(sector == 0 && ItemData(w1_block_) == 0));
}

void CMifareClassicPage::OnReadWindow1() {
    ReadBlocks({w1_key_, w1_data_, w1_trailer_}, ItemData(w1_sector_) * 4);
}

void CMifareClassicPage::OnWriteWindow1() {
    const int sector = ItemData(w1_sector_);
    const int first = sector * 4;
    // Only block 3 of a group asks: in the 16-block sectors that window 1 also
    // reaches, the trailer boxes stand for every block from 3 on.
    WriteBlock({w1_key_, w1_data_, w1_trailer_}, sector, first, ItemData(w1_block_), 3);
}

// ---- Block window 2 ---------------------------------------------------------------
// Nothing here needs refreshing: the block list always holds 0 to 15 and, with no
// sector 0 among 32 to 39, Write is never disabled.

void CMifareClassicPage::OnReadWindow2() {
    ReadBlocks({w2_key_, w2_data_, w2_trailer_}, Window2FirstBlock(ItemData(w2_sector_)));
}

void CMifareClassicPage::OnWriteWindow2() {
    const int sector = ItemData(w2_sector_);
    // Block 15 is the sector trailer: keys and access bits.
    WriteBlock({w2_key_, w2_data_, w2_trailer_}, sector, Window2FirstBlock(sector),
               ItemData(w2_block_), 15);
}

// ---- Reading and writing a block window ---------------------------------------------

void CMifareClassicPage::ReadBlocks(const BlockWindow &window, int first) {
    for (CHexEdit *edit : window.data) edit->clear();
    window.trailer.Clear();
    if (!Prologue()) return;
    const auto key = TakeKey(window.key.key);
    if (!key) return;
    if (!Authenticate(window.key, first, *key)) return;
    // The data boxes in block order, then the trailer.
    const std::vector<int> blocks =
        NumbersFrom(first, first + static_cast<int>(window.data.size()));
    const auto check = [](int) {
        return UnitCheck{kBlockSize, false, QStringLiteral("rf_M1_read")};
    };
    const auto read = [this](int block, std::uint8_t *data, std::uint8_t *length) {
        return state_.api.rf_M1_read(kReaderAddress, block & 0xFF, data, length);
    };
    const auto show = [&](int block, std::span<const std::uint8_t> data) {
        const auto i = static_cast<std::size_t>(block - first);
        if (i < window.data.size()) {
            SetHexText(window.data[i], data.data(), kBlockSize);
        } else {
            window.trailer.Show(data.data());
        }
    };
    if (!ReadUnits(blocks, check, read, show)) {
        card_selected_ = false;
        return;
    }
    ShowInfo(Message(kMsgReadCardSuccess));
}

void CMifareClassicPage::WriteBlock(const BlockWindow &window, int sector, int first, int block,
                                    int question_block) {
    if (block < 0) {
        ShowMissingInput(this, QStringLiteral("Please choose a block number"));
        return;
    }
    const int address = first + block;
    if (address > kLastBlockAddress) {
        ShowInputError(this, QStringLiteral("Block %1 (sector %2, block %3) is beyond the "
                                            "card's last block, 255")
                                 .arg(address)
                                 .arg(sector)
                                 .arg(block));
        return;
    }
    if (!Prologue()) return;
    const auto key = TakeKey(window.key.key);
    if (!key) return;
    // The boxes are padded with zeros to the block, but a stray last digit is no
    // byte: refused before the question.
    const bool data_block = static_cast<std::size_t>(block) < window.data.size();
    const bool whole_bytes = data_block
                                 ? HoldsWholeBytes(window.data[static_cast<std::size_t>(block)])
                                 : HoldsWholeBytes(window.trailer.key_a) &&
                                       HoldsWholeBytes(window.trailer.access) &&
                                       HoldsWholeBytes(window.trailer.key_b);
    if (!whole_bytes) {
        ShowInputError(this, Message(kMsgInputData));
        return;
    }
    if (block == question_block && !ConfirmWrite(this, Message(kMsgWriteThirdBlock))) return;
    if (!Authenticate(window.key, first, *key)) return;

    // Blocks with a data box write its bytes; the others the trailer boxes.
    std::array<std::uint8_t, 16> data{};
    if (data_block) {
        CopyHexInto(data, window.data[static_cast<std::size_t>(block)]);
    } else {
        data = window.trailer.Compose();
    }
    if (!Check(state_.api.rf_M1_write(kReaderAddress, address, data.data()), "rf_M1_write")) {
        return;
    }
    ShowInfo(Message(kMsgWriteCardSuccess));
}

}  // namespace tilvane
