#include "pages/ultralight_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <map>

#include "common/hex_edit.h"
#include "common/hex_text.h"
#include "common/message_box.h"
#include "common/message_table.h"
#include "common/operator_messages.h"
#include "pages/call_checks.h"
#include "pages/card_search.h"
#include "pages/number_list.h"
#include "pages/page_builder.h"
#include "pages/read_loop.h"
#include "common/app_state.h"

namespace tilvane {

namespace {

// Antenna off, protocol A, 20 ms, antenna on: no other pauses on this page.
constexpr FieldSteps kSearchSteps{protocol::kProtocolTypeA, 0, 20, 0};
constexpr int kPageSize = 4;
// A read brings four pages.
constexpr int kReadSize = 16;
// Yellow on red: the lock bytes and the one-time-programmable page, whose bits
// are only ever set.
constexpr QRgb kWarningText = 0xFFFF00;
constexpr QRgb kWarningBackground = 0xF00000;

const std::map<int, const char *> &ControlNames() {
    using P = CUltralightPage;
    static const std::map<int, const char *> names = {
        {P::IDC_UID_LABEL, "uidLabel"},
        {P::IDC_UID, "uid"},
        {P::IDC_SEARCH, "searchCard"},
        {P::IDC_WRITE_PAGE_LABEL, "writePageLabel"},
        {P::IDC_WRITE_PAGE, "writePage"},
        {P::IDC_READ, "readCard"},
        {P::IDC_WRITE, "writeCard"},
        {P::IDC_PAGE0, "page0"},
        {P::IDC_PAGE1, "page1"},
        {P::IDC_PAGE2, "page2"},
        {P::IDC_LOCK_BYTES, "lockBytes"},
    };
    return names;
}

}  // namespace

QString CUltralightPage::ControlName(int id) {
    if (QString name = ControlNameIn(ControlNames(), id); !name.isEmpty()) return name;
    if (id >= IDC_PAGE3 && id <= IDC_PAGE15) return QStringLiteral("page%1").arg(id - IDC_PAGE1);
    return {};
}

CUltralightPage::CUltralightPage(AppState &state, int template_id, QWidget *parent)
    : CardPage(parent), state_(state) {
    Q_UNUSED(template_id);
    BuildControls();
    Initialise();
}

void CUltralightPage::BuildControls() {
    const PageBuilder kit(kLanguageIndex == 1, &ControlName);

    uid_ = kit.HexEdit(IDC_UID, 0, this);
    kit.FitBytes(uid_, 7);
    auto *search = kit.Button(IDC_SEARCH, kit.Caption("Search Card", "寻卡"), this);
    write_page_ = kit.List(IDC_WRITE_PAGE, this);
    auto *read = kit.Button(IDC_READ, kit.Caption("Read Card", "读卡"), this);
    auto *write = kit.Button(IDC_WRITE, kit.Caption("Write Card", "写卡"), this);

    auto *top = new QGridLayout;
    top->addWidget(kit.Named(kit.Label(QStringLiteral("SN0.......SN6"), uid_, this), IDC_UID_LABEL),
                   0, 0);
    top->addWidget(uid_, 0, 1, 1, 2);
    top->addWidget(search, 0, 3);
    top->addWidget(kit.Named(kit.Label(kit.Caption("Write Page", "写卡页地址"), write_page_, this),
                             IDC_WRITE_PAGE_LABEL),
                   1, 0);
    top->addWidget(write_page_, 1, 1);
    top->addWidget(read, 1, 2);
    top->addWidget(write, 1, 3);
    top->setColumnStretch(4, 1);

    // The 16 pages in two columns of eight; page 2 in its two halves.
    for (int id = IDC_PAGE0; id <= IDC_PAGE15; ++id) {
        const bool half = id == IDC_PAGE2 || id == IDC_LOCK_BYTES;
        CHexEdit *box = kit.HexEdit(id, half ? 2 : kPageSize, this);
        PageBuilder::KeepWidth(box);
        boxes_[static_cast<std::size_t>(id - IDC_PAGE0)] = box;
    }
    CHexEdit *lock_bytes = boxes_[IDC_LOCK_BYTES - IDC_PAGE0];
    PageBuilder::Hint(lock_bytes, kit.Caption("Lock bytes", "锁定字节"));
    for (CHexEdit *warned : {lock_bytes, PageBox(3)}) {
        QPalette palette = warned->palette();
        palette.setColor(QPalette::Text, QColor::fromRgb(kWarningText));
        palette.setColor(QPalette::Base, QColor::fromRgb(kWarningBackground));
        warned->setPalette(palette);
    }
    // Nested in the grid, page 2's halves take its column gap: a nested row
    // left to itself gets no spacing where the grid's two spacings differ.
    constexpr int kColumnGap = 12;
    auto *pages = new QGridLayout;
    pages->setHorizontalSpacing(kColumnGap);
    pages->setColumnStretch(4, 1);
    for (int page = 0; page < 16; ++page) {
        const int row = page % 8;
        const int column = 2 * (page / 8);
        CHexEdit *box = page == 2 ? boxes_[IDC_PAGE2 - IDC_PAGE0] : PageBox(page);
        pages->addWidget(kit.Label(QStringLiteral("PAGE%1").arg(page), box, this), row, column);
        if (page == 2) {
            auto *halves = new QHBoxLayout;
            halves->setSpacing(kColumnGap);
            halves->addWidget(box);
            halves->addWidget(lock_bytes);
            halves->addStretch();
            pages->addLayout(halves, row, column + 1);
        } else {
            pages->addWidget(box, row, column + 1, Qt::AlignLeft);
        }
    }

    auto *root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addSpacing(8);
    root->addLayout(pages);
    root->addStretch();

    connect(search, &QPushButton::clicked, this, &CUltralightPage::OnSearch);
    connect(read, &QPushButton::clicked, this, &CUltralightPage::OnRead);
    connect(write, &QPushButton::clicked, this, &CUltralightPage::OnWrite);
}

void CUltralightPage::Initialise() {
    // Pages 0 and 1 hold the serial number and are never written.
    FillNumbers(write_page_, 2, 15);
    write_page_->setCurrentIndex(write_page_->findData(4));
}

CHexEdit *CUltralightPage::PageBox(int page) const {
    return boxes_[static_cast<std::size_t>(page < 2 ? page : page + 1)];
}

void CUltralightPage::ClearPages() {
    for (CHexEdit *box : boxes_) box->clear();
}

void CUltralightPage::OnSearch() {
    uid_->clear();
    if (!RequireConnection(state_)) return;
    const binding::ReaderApi &api = state_.api;
    std::uint8_t uid[kAnswerRoom] = {};
    std::uint8_t uid_length = 0;
    const auto select = [&] {
        std::uint8_t card_type[kAnswerRoom] = {};
        return CallSucceeded(api.rf_request(kReaderAddress, protocol::kRequestAll, card_type),
                             "rf_request") &&
               CallSucceeded(api.rf_ul_select(kReaderAddress, uid, &uid_length), "rf_ul_select");
    };
    if (!SearchCard(state_, kSearchSteps, 2, select)) return;
    ClearPages();
    SetHexText(uid_, uid, uid_length);
    ShowInfo(Message(kMsgSearchCardSuccess));
}

void CUltralightPage::OnRead() {
    // No connection test: with no port open the library's own status is reported.
    ClearPages();
    const std::vector<int> reads = NumbersFrom(0, 3);
    const auto read = [this](int i, std::uint8_t *data, std::uint8_t *length) {
        return state_.api.rf_M1_read(kReaderAddress, 4 * i, data, length);
    };
    const auto show = [this](int i, std::span<const std::uint8_t> data) {
        if (i == 0) {
            // Serial number, its check bytes and the lock bytes, then the OTP page.
            static constexpr int kOffsets[] = {0, 4, 8, 10, 12, 16};
            for (std::size_t box = 0; box < 5; ++box) {
                SetHexText(boxes_[box], data.data() + kOffsets[box],
                           kOffsets[box + 1] - kOffsets[box]);
            }
            return;
        }
        for (int j = 0; j < 4; ++j) SetHexText(PageBox(4 * i + j), data.data() + 4 * j, kPageSize);
    };
    // The failure text names the read (0 to 3), not a page.
    if (!ReadUnits(reads, kReadSize, kMsgReadPageFailed, read, show)) return;
    ShowInfo(Message(kMsgReadCardSuccess));
}

void CUltralightPage::OnWrite() {
    if (!RequireConnection(state_)) return;
    const int page = ItemData(write_page_);
    CHexEdit *const first = page == 2 ? boxes_[IDC_PAGE2 - IDC_PAGE0] : PageBox(page);
    CHexEdit *const second = page == 2 ? boxes_[IDC_LOCK_BYTES - IDC_PAGE0] : nullptr;
    // Fewer bytes than the page holds are padded with zeros, but a stray last
    // digit is no byte. No question, the lock bytes and the OTP page included.
    if (!HoldsWholeBytes(first) || !HoldsWholeBytes(second)) {
        ShowInputError(this, Message(kMsgInputData));
        return;
    }
    std::array<std::uint8_t, kPageSize> data{};
    if (page == 2) {
        CopyHexInto(std::span(data).first(2), first);
        CopyHexInto(std::span(data).last(2), second);
    } else {
        CopyHexInto(data, first);
    }
    if (!CallSucceeded(state_.api.rf_ul_write(kReaderAddress, page, data.data()), "rf_ul_write")) {
        return;
    }
    ShowInfo(Message(kMsgWriteCardSuccess));
}

}  // namespace tilvane
