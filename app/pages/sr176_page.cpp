#include "pages/sr176_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include <map>

#include "common/hex_edit.h"
#include "common/hex_text.h"
#include "common/message_table.h"
#include "common/operator_messages.h"
#include "pages/call_checks.h"
#include "pages/number_list.h"
#include "pages/page_builder.h"
#include "pages/read_loop.h"
#include "pages/short_range_card.h"
#include "common/app_state.h"

namespace tilvane {

namespace {

constexpr int kBlockSize = 2;
constexpr int kBlockCount = 16;

const std::map<int, const char *> &ControlNames() {
    using P = CSr176Page;
    static const std::map<int, const char *> names = {
        {P::IDC_CHIP_ID, "chipId"},
        {P::IDC_SEARCH, "searchCard"},
        {P::IDC_WRITE_BLOCK_LABEL, "writeBlockLabel"},
        {P::IDC_WRITE_BLOCK, "writeBlock"},
        {P::IDC_READ, "readCard"},
        {P::IDC_WRITE, "writeCard"},
        {P::IDC_LOCK_REGISTER, "lockRegister"},
        {P::IDC_LOCK, "blockLock"},
    };
    return names;
}

}  // namespace

QString CSr176Page::ControlName(int id) {
    if (QString name = ControlNameIn(ControlNames(), id); !name.isEmpty()) return name;
    if (id >= IDC_BLOCK0 && id <= IDC_BLOCK15)
        return QStringLiteral("block%1").arg(id - IDC_BLOCK0);
    return {};
}

CSr176Page::CSr176Page(AppState &state, int template_id, QWidget *parent)
    : CardPage(parent), state_(state) {
    Q_UNUSED(template_id);
    BuildControls();
    Initialise();
}

void CSr176Page::BuildControls() {
    const PageBuilder kit(kLanguageIndex == 1, &ControlName);

    chip_id_ = kit.HexEdit(IDC_CHIP_ID, 0, this);
    kit.FitBytes(chip_id_, 2);
    PageBuilder::KeepWidth(chip_id_);
    write_block_ = kit.List(IDC_WRITE_BLOCK, this);
    lock_register_ = kit.HexEdit(IDC_LOCK_REGISTER, 1, this);
    PageBuilder::KeepWidth(lock_register_);
    auto *search = kit.Button(IDC_SEARCH, kit.Caption("SearchCard", "寻卡"), this);
    auto *read = kit.Button(IDC_READ, kit.Caption("Read Card", "读卡"), this);
    auto *write = kit.Button(IDC_WRITE, kit.Caption("Write Card", "写卡"), this);
    auto *lock = kit.Button(IDC_LOCK, kit.Caption("Block Lock", "块锁定"), this);

    auto *operations = new QGridLayout;
    operations->addWidget(kit.Label(QStringLiteral("Chip - ID"), chip_id_, this), 0, 0);
    operations->addWidget(chip_id_, 0, 1, Qt::AlignLeft);
    operations->addWidget(search, 0, 2, Qt::AlignLeft);
    operations->addWidget(
        kit.Named(kit.Label(QStringLiteral("Write block address"), write_block_, this),
                  IDC_WRITE_BLOCK_LABEL),
        1, 0);
    operations->addWidget(write_block_, 1, 1, Qt::AlignLeft);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(read);
    buttons->addWidget(write);
    buttons->addStretch();
    operations->addLayout(buttons, 1, 2);
    operations->addWidget(kit.Label(QStringLiteral("Lock_REG"), lock_register_, this), 2, 0);
    operations->addWidget(lock_register_, 2, 1, Qt::AlignLeft);
    operations->addWidget(lock, 2, 2, Qt::AlignLeft);
    operations->setRowStretch(3, 1);
    operations->setColumnStretch(3, 1);

    // The blocks in one column, under the order of their bytes.
    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(2);
    grid->addWidget(kit.Text(QStringLiteral("byte1-byte0"), this), 0, 1);
    for (int block = 0; block < kBlockCount; ++block) {
        CHexEdit *edit = kit.HexEdit(IDC_BLOCK0 + block, kBlockSize, this);
        PageBuilder::KeepWidth(edit);
        blocks_[static_cast<std::size_t>(block)] = edit;
        grid->addWidget(kit.Label(QStringLiteral("block%1").arg(block), edit, this), block + 1, 0);
        grid->addWidget(edit, block + 1, 1);
    }

    auto *root = new QHBoxLayout(this);
    root->setSpacing(24);
    root->addLayout(operations);
    root->addLayout(grid);

    connect(search, &QPushButton::clicked, this, &CSr176Page::OnSearch);
    connect(read, &QPushButton::clicked, this, &CSr176Page::OnRead);
    connect(write, &QPushButton::clicked, this, &CSr176Page::OnWrite);
    connect(lock, &QPushButton::clicked, this, &CSr176Page::OnLock);
}

void CSr176Page::Initialise() {
    // Blocks 0 to 3 hold the UID, block 15 the lock byte and chip ID.
    FillNumbers(write_block_, 4, 14);
    write_block_->setCurrentIndex(0);
}

void CSr176Page::ClearBlocks() {
    for (CHexEdit *edit : blocks_) edit->clear();
}

void CSr176Page::OnSearch() {
    SearchShortRangeCard(state_, chip_id_, [this] { ClearBlocks(); });
}

void CSr176Page::OnRead() {
    if (!RequireConnection(state_)) return;
    ClearBlocks();
    const auto read = [this](int block, std::uint8_t *data, std::uint8_t *length) {
        return state_.api.rf_sr176_readblock(kReaderAddress, block, data, length);
    };
    const auto show = [this](int block, std::span<const std::uint8_t> data) {
        SetHexText(blocks_[static_cast<std::size_t>(block)], data.data(), kBlockSize);
    };
    if (!ReadUnits(NumbersFrom(0, kBlockCount - 1), kBlockSize, kMsgReadBlockFailed, read, show)) {
        return;
    }
    ShowInfo(Message(kMsgReadCardSuccess));
}

void CSr176Page::OnWrite() {
    if (!RequireConnection(state_)) return;
    const int block = ItemData(write_block_);
    // Anything but exactly two bytes does nothing, and says nothing.
    const auto data = ExactHexBytes(blocks_[static_cast<std::size_t>(block)], kBlockSize);
    if (!data) return;
    if (!CallSucceeded(state_.api.rf_sr176_writeblock(kReaderAddress, block, data->data()),
                       "rf_sr176_writeblock")) {
        return;
    }
    ShowInfo(Message(kMsgWriteCardSuccess));
}

void CSr176Page::OnLock() {
    const auto protect = [this](std::uint8_t lock) {
        return state_.api.rf_sr176_protectblock(kReaderAddress, lock);
    };
    WriteLockRegister(this, state_, lock_register_, protect, "rf_sr176_protectblock");
}

}  // namespace tilvane
