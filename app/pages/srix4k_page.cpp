#include "pages/srix4k_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <map>

#include "common/group_frame.h"
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

constexpr int kBlockSize = 4;

// Where the left-hand controls stand in the page's own arrangement. The column
// headers sit 17 pixels above the grid's top, which is the group's top.
constexpr int kGroupLeft = 12;
constexpr int kGroupTop = 24;
// On large screens the group and the grid are centred in a band this high.
constexpr int kCentredHeight = 442;
constexpr int kGridGap = 20;
constexpr int kGridBottom = 387;
constexpr int kRowPitch = 22;
constexpr int kRowHeight = 18;
constexpr int kHeaderRise = 17;
constexpr int kTabHeight = 30;

// Column c of the grid (w its width): the caption at left + c·w + caption_x and
// the edit at left + c·w + edit_x, w − edit_narrower wide.
struct Column {
    int caption_x, caption_width, edit_x, edit_narrower;
};
constexpr Column kColumns[4] = {
    {6, 54, 62, 52}, {18, 54, 74, 52}, {24, 56, 82, 56}, {30, 56, 88, 56}};

// The tab control look: light top and left edges, grey right and bottom ones.
const QColor kLightEdge(255, 255, 90);
const QColor kDarkEdge(128, 128, 128);

const std::map<int, const char *> &ControlNames() {
    using P = CSrix4kPage;
    static const std::map<int, const char *> names = {
        {P::IDC_CHIP_ID_LABEL, "chipIdLabel"},
        {P::IDC_CHIP_ID, "chipId"},
        {P::IDC_SEARCH, "searchCard"},
        {P::IDC_UID_LABEL, "uidLabel"},
        {P::IDC_UID, "uid"},
        {P::IDC_READ_UID, "readUid"},
        {P::IDC_BLOCK_LABEL, "blockLabel"},
        {P::IDC_BLOCK, "block"},
        {P::IDC_READ, "readCard"},
        {P::IDC_WRITE, "writeCard"},
        {P::IDC_LOCK_LABEL, "lockRegisterLabel"},
        {P::IDC_LOCK_REGISTER, "lockRegister"},
        {P::IDC_LOCK, "blockLock"},
    };
    return names;
}

}  // namespace

QString CSrix4kPage::ControlName(int id) {
    if (id >= IDC_BLOCK_DATA && id < IDC_BLOCK_DATA + kBlocks) {
        return QStringLiteral("blockData%1").arg(id - IDC_BLOCK_DATA);
    }
    if (id >= IDC_BLOCK_CAPTION && id < IDC_BLOCK_CAPTION + kBlocks) {
        return QStringLiteral("blockCaption%1").arg(id - IDC_BLOCK_CAPTION);
    }
    if (id >= IDC_HEADER_FIRST && id < IDC_HEADER_FIRST + 4) {
        return QStringLiteral("header%1").arg(id - IDC_HEADER_FIRST);
    }
    return ControlNameIn(ControlNames(), id);
}

CSrix4kPage::CSrix4kPage(AppState &state, int template_id, QWidget *parent)
    : SheetPage(parent), state_(state) {
    Q_UNUSED(template_id);
    const PageBuilder kit(kLanguageIndex == 1, &ControlName);
    left_group_ = BuildLeftGroup(kit);
    BuildGrid(kit);
    FillNumbers(block_, 0, kBlocks - 1);
    block_->setCurrentIndex(0);
}

QWidget *CSrix4kPage::BuildLeftGroup(const PageBuilder &kit) {
    auto *group = new QWidget(sheet());
    group->setObjectName(QStringLiteral("leftGroup"));
    auto *grid = new QGridLayout(group);
    grid->setContentsMargins(0, 0, 0, 0);

    chip_id_ = kit.HexEdit(IDC_CHIP_ID, 0, group);
    kit.FitBytes(chip_id_, 2);
    uid_ = kit.HexEdit(IDC_UID, 0, group);
    kit.FitBytes(uid_, 8);
    block_ = kit.List(IDC_BLOCK, group);
    lock_register_ = kit.HexEdit(IDC_LOCK_REGISTER, 1, group);
    const auto label = [&](int id, const QString &caption, QWidget *control) {
        QLabel *made = kit.Label(caption, control, group);
        kit.Named(made, id);
        return made;
    };
    const auto button = [&](int id, const char *english, const char *chinese,
                            void (CSrix4kPage::*operation)()) {
        QPushButton *made = kit.Button(id, kit.Caption(english, chinese), group);
        connect(made, &QPushButton::clicked, this, operation);
        return made;
    };

    // Each caption spans the group: the grid starts right of the first one.
    chip_id_label_ = label(IDC_CHIP_ID_LABEL, QStringLiteral("Chip - ID"), chip_id_);
    grid->addWidget(chip_id_label_, 0, 0, 1, 2);
    grid->addWidget(chip_id_, 1, 0);
    grid->addWidget(button(IDC_SEARCH, "SearchCard", "寻卡", &CSrix4kPage::OnSearch), 1, 1);
    grid->addWidget(label(IDC_UID_LABEL, QStringLiteral("UID"), uid_), 2, 0, 1, 2);
    grid->addWidget(uid_, 3, 0);
    grid->addWidget(button(IDC_READ_UID, "Read UID", "读取 UID", &CSrix4kPage::OnReadUid), 3, 1);
    grid->addWidget(label(IDC_BLOCK_LABEL, QStringLiteral("Write block address"), block_), 4, 0, 1,
                    2);
    grid->addWidget(block_, 5, 0, Qt::AlignLeft);
    grid->addWidget(button(IDC_READ, "Read Card", "读卡", &CSrix4kPage::OnRead), 6, 0);
    grid->addWidget(button(IDC_WRITE, "Write Card", "写卡", &CSrix4kPage::OnWrite), 6, 1);
    grid->addWidget(label(IDC_LOCK_LABEL, QStringLiteral("Lock - Reg"), lock_register_), 7, 0, 1,
                    2);
    grid->addWidget(lock_register_, 8, 0, Qt::AlignLeft);
    grid->addWidget(button(IDC_LOCK, "Block Lock", "块锁定", &CSrix4kPage::OnLock), 8, 1);
    return group;
}

void CSrix4kPage::BuildGrid(const PageBuilder &kit) {
    QWidget *sheet = this->sheet();
    for (std::size_t j = 0; j < headers_.size(); ++j) {
        headers_[j] = kit.Text(QStringLiteral("byte3...byte0"), sheet);
        kit.Named(headers_[j], IDC_HEADER_FIRST + static_cast<int>(j));
    }
    QPalette white_background;
    for (int n = 0; n < kBlocks; ++n) {
        const auto i = static_cast<std::size_t>(n);
        data_[i] = kit.HexEdit(IDC_BLOCK_DATA + n, kBlockSize, sheet);
        QLabel *caption = kit.Label(QStringLiteral("block%1").arg(n), data_[i], sheet);
        kit.Named(caption, IDC_BLOCK_CAPTION + n);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // Block captions stand on white, unlike the other labels of the page.
        if (n == 0) {
            white_background = caption->palette();
            white_background.setColor(QPalette::Window, Qt::white);
        }
        caption->setPalette(white_background);
        caption->setAutoFillBackground(true);
        captions_[i] = caption;
        // The second tab's blocks wait hidden.
        if (n >= kBlocksPerTab) {
            caption->setVisible(false);
            data_[i]->setVisible(false);
        }
    }
}

void CSrix4kPage::LayoutForScreen(int screen_width) {
    const QSize page = size();
    FitGroup(left_group_);
    const QRect group(QPoint(kGroupLeft, kGroupTop), left_group_->size());
    const QRect label(group.topLeft() + chip_id_label_->pos(), chip_id_label_->size());

    // On large screens the group and the grid move down to the middle of the
    // page, never up and never past its bottom while there is room.
    int offset = 0;
    if (screen_width >= 1024) {
        const int centred = (page.height() - kCentredHeight) / 2 - label.top();
        const int lowest = std::max(group.bottom() + 1, label.top() + kGridBottom + kTabHeight);
        offset = std::max(0, std::min(centred, page.height() - lowest));
    }
    left_group_->move(group.topLeft() + QPoint(0, offset));

    // The columns share the page's width; an edit never gets narrower than its
    // eight digits (the sheet scrolls instead).
    const int left = label.left() + label.width() + kGridGap;
    const int top = label.top() + offset;
    const int bottom = std::max(group.bottom() + 1 + offset, top + kGridBottom + kTabHeight);
    const int narrowest = data_[0]->minimumWidth() + kColumns[3].edit_narrower;
    const int grid_width = std::max(4 * narrowest + 40, UsableWidth(bottom) - kGridGap - left);
    const int w = (grid_width - 40) / 4;
    grid_ = QRect(left, top, grid_width, kGridBottom);

    for (int c = 0; c < 4; ++c) {
        const Column &column = kColumns[c];
        const int x = left + c * w;
        for (int r = 0; r < 16; ++r) {
            const int y = top + kRowPitch * r;
            // The same place on both tabs.
            for (const int n : {16 * c + r, kBlocksPerTab + 16 * c + r}) {
                const auto i = static_cast<std::size_t>(n);
                captions_[i]->setGeometry(x + column.caption_x, y, column.caption_width,
                                          kRowHeight);
                data_[i]->setGeometry(x + column.edit_x, y, w - column.edit_narrower, kRowHeight);
            }
        }
        const QRect first_edit = data_[static_cast<std::size_t>(16 * c)]->geometry();
        headers_[static_cast<std::size_t>(c)]->setGeometry(
            first_edit.left(), first_edit.top() - kHeaderRise, first_edit.width(),
            first_edit.height() - 3);
    }
    FitSheet(QSize(left + grid_width + kGridGap, bottom));
    sheet()->update();
}

QRect CSrix4kPage::tab_rect(int tab) const {
    if (grid_.isNull()) return {};
    const int bottom = grid_.top() + grid_.height();
    return QRect(grid_.left() + (tab == kFirstPage ? 20 : 130), bottom, 110, kTabHeight);
}

void CSrix4kPage::PaintSheet(QPainter &painter) {
    if (grid_.isNull()) return;
    const int left = grid_.left();
    const int top = grid_.top();
    const int right = grid_.left() + grid_.width();
    const int bottom = grid_.top() + grid_.height();
    const QRect first = tab_rect(kFirstPage);
    const QRect second = tab_rect(kSecondPage);
    const QRect selected = tab_rect(selected_tab_);
    const QRect other = tab_rect(1 - selected_tab_);

    // The body: light top and left edges, grey right edge, and a grey bottom edge
    // that the tabs interrupt.
    painter.setPen(kLightEdge);
    painter.drawLine(left, top, right, top);
    painter.drawLine(left, top, left, bottom);
    painter.setPen(kDarkEdge);
    painter.drawLine(right, top, right, bottom);
    painter.drawLine(second.left() + second.width(), bottom, right, bottom);
    painter.drawLine(left, bottom, first.left(), bottom);
    // The other tab is closed towards the body; the selected one opens into it.
    painter.drawLine(other.left(), bottom, other.left() + other.width(), bottom);
    const int tab_bottom = bottom + kTabHeight - 1;
    const int selected_right = selected.left() + selected.width();
    painter.drawLine(selected_right, bottom, selected_right, tab_bottom);
    painter.drawLine(selected.left(), tab_bottom, selected_right, tab_bottom);
    painter.setPen(kLightEdge);
    painter.drawLine(selected.left(), bottom, selected.left(), tab_bottom);

    painter.setPen(QColor::fromRgb(kPageTextColour));
    painter.drawText(first, Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("First Page"));
    painter.drawText(second, Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("Second Page"));
}

void CSrix4kPage::SheetPressed(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint point = event->position().toPoint();
    int wanted = -1;
    if (tab_rect(kFirstPage).contains(point)) wanted = kFirstPage;
    if (tab_rect(kSecondPage).contains(point)) wanted = kSecondPage;
    if (wanted < 0 || wanted == selected_tab_) return;
    ShowTab(wanted);
}

void CSrix4kPage::ShowTab(int tab) {
    QWidget *sheet = this->sheet();
    sheet->setUpdatesEnabled(false);
    for (int n = 0; n < kBlocks; ++n) {
        const bool shown = n / kBlocksPerTab == tab;
        const auto i = static_cast<std::size_t>(n);
        captions_[i]->setVisible(shown);
        data_[i]->setVisible(shown);
    }
    selected_tab_ = tab;
    sheet->setUpdatesEnabled(true);
    sheet->update(tab_rect(kFirstPage).united(tab_rect(kSecondPage)).adjusted(-1, -1, 1, 1));
}

void CSrix4kPage::ClearBlocks() {
    for (CHexEdit *edit : data_) edit->clear();
}

// ---- Operations ---------------------------------------------------------------------

void CSrix4kPage::OnSearch() {
    SearchShortRangeCard(state_, chip_id_, [this] { ClearBlocks(); });
}

void CSrix4kPage::OnReadUid() {
    if (!RequireConnection(state_)) return;
    std::uint8_t uid[kAnswerRoom] = {};
    std::uint8_t length = 0;
    if (!CallSucceeded(state_.api.rf_srix4k_getuid(kReaderAddress, uid, &length),
                       "rf_srix4k_getuid")) {
        return;
    }
    SetHexText(uid_, uid, length);
    ShowInfo(Message(kMsgReadUidSuccess));
}

void CSrix4kPage::OnRead() {
    if (!RequireConnection(state_)) return;
    ClearBlocks();
    // Hidden blocks are read too; the tab on show stays.
    const auto read = [this](int block, std::uint8_t *data, std::uint8_t *length) {
        return state_.api.rf_srix4k_readblock(kReaderAddress, block, data, length);
    };
    const auto show = [this](int block, std::span<const std::uint8_t> data) {
        SetHexText(data_[static_cast<std::size_t>(block)], data.data(), kBlockSize);
    };
    if (!ReadUnits(NumbersFrom(0, kBlocks - 1), kBlockSize, kMsgReadBlockFailed, read, show)) {
        return;
    }
    ShowInfo(Message(kMsgReadCardSuccess));
}

void CSrix4kPage::OnWrite() {
    if (!RequireConnection(state_)) return;
    const int block = ItemData(block_);
    if (block < 0) return;
    // Anything but exactly 8 digits sends nothing, and the page says nothing.
    const auto data = ExactHexBytes(data_[static_cast<std::size_t>(block)], kBlockSize);
    if (!data) return;
    if (!CallSucceeded(state_.api.rf_srix4k_writeblock(kReaderAddress, block, data->data()),
                       "rf_srix4k_writeblock")) {
        return;
    }
    ShowInfo(Message(kMsgWriteCardSuccess));
}

void CSrix4kPage::OnLock() {
    const auto write = [this](std::uint8_t value) {
        return state_.api.rf_srix4k_writelockreg(kReaderAddress, value);
    };
    WriteLockRegister(this, state_, lock_register_, write, "rf_srix4k_writelockreg");
}

}  // namespace tilvane
