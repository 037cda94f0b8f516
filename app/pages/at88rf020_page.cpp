#include "pages/at88rf020_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

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

using P = CAt88rf020Page;

// Antenna off, 20 ms, protocol 'r', 20 ms, antenna on, 50 ms.
constexpr FieldSteps kSearchSteps = FullFieldCycle(protocol::kProtocolAt88rf020);
constexpr int kAtqbSize = 12;
constexpr int kPageSize = 8;
constexpr int kPasswordPage = 3;
constexpr int kLastPage = 31;
constexpr int kCompactTemplate = 134;
constexpr int kMediumTemplate = 132;

// Boxes of pages 0 to 2: (first, second), the second starting at byte `split`.
struct SplitPage {
    int first, second, split;
};
constexpr SplitPage kSplitPages[] = {
    {P::IDC_PAGE0_LOW, P::IDC_PAGE0_HIGH, 4},
    {P::IDC_PAGE1_LOW, P::IDC_PAGE1_HIGH, 4},
    {P::IDC_PAGE2_SIGNATURE, P::IDC_PAGE2_COUNTER, 6},
};

int PageBoxId(int page) {
    return P::IDC_PAGE3 + page - kPasswordPage;
}

const std::map<int, const char *> &ControlNames() {
    using P = CAt88rf020Page;
    static const std::map<int, const char *> names = {
        {P::IDC_PUPI_LABEL, "pupiLabel"},
        {P::IDC_PUPI, "pupi"},
        {P::IDC_SEARCH, "searchCard"},
        {P::IDC_PASSWORD_LABEL, "passwordLabel"},
        {P::IDC_PASSWORD, "password"},
        {P::IDC_CHECK, "check"},
        {P::IDC_LOCK_LABEL, "lockLabel"},
        {P::IDC_LOCK_BYTES, "lockBytes"},
        {P::IDC_LOCK, "lock"},
        {P::IDC_SIGNATURE_LABEL, "signatureLabel"},
        {P::IDC_SIGNATURE, "signature"},
        {P::IDC_COUNT, "count"},
        {P::IDC_WRITE_PAGE_LABEL, "writePageLabel"},
        {P::IDC_WRITE_PAGE, "writePage"},
        {P::IDC_READ, "readCard"},
        {P::IDC_WRITE, "writeCard"},
        {P::IDC_DESELECT, "deselect"},
    };
    return names;
}

}  // namespace

QString CAt88rf020Page::ControlName(int id) {
    if (QString name = ControlNameIn(ControlNames(), id); !name.isEmpty()) return name;
    if (id >= IDC_PAGE0_LOW && id < IDC_PAGE3) {
        const int page = (id - IDC_PAGE0_LOW) / 2;
        return QStringLiteral("page%1%2").arg(page).arg((id - IDC_PAGE0_LOW) % 2 ? "b" : "");
    }
    if (id >= IDC_PAGE3 && id <= IDC_PAGE31) {
        return QStringLiteral("page%1").arg(id - IDC_PAGE3 + kPasswordPage);
    }
    return {};
}

CAt88rf020Page::CAt88rf020Page(AppState &state, int template_id, QWidget *parent)
    : CardPage(parent), state_(state) {
    BuildControls(template_id);
    Initialise();
}

void CAt88rf020Page::BuildControls(int template_id) {
    const PageBuilder kit(kLanguageIndex == 1, &ControlName);
    const bool compact = template_id == kCompactTemplate;
    const bool large = !compact && template_id != kMediumTemplate;
    const int spacing = compact ? 2 : large ? 6 : 4;
    // The large template has the operations in a column beside two columns of
    // 16 pages; the smaller ones fit 640 and 800 pixels with the operations in
    // two columns above three columns of pages.
    const int operation_rows = large ? 6 : 3;
    const int pages_per_column = large ? 16 : 11;

    // The operations: a box and its button a row, then the page list and the
    // buttons that use it.
    pupi_ = kit.HexEdit(IDC_PUPI, 0, this);
    kit.FitBytes(pupi_, 8);
    password_ = kit.HexEdit(IDC_PASSWORD, 8, this);
    lock_bytes_ = kit.HexEdit(IDC_LOCK_BYTES, 4, this);
    signature_ = kit.HexEdit(IDC_SIGNATURE, 6, this);
    write_page_ = kit.List(IDC_WRITE_PAGE, this);
    struct Row {
        int label_id;
        QString caption;
        QWidget *control;
        QPushButton *button;
    };
    const Row rows[] = {
        {IDC_PUPI_LABEL, QStringLiteral("PUPI"), pupi_,
         kit.Button(IDC_SEARCH, kit.Caption("SearchCard", "寻卡"), this)},
        {IDC_PASSWORD_LABEL, kit.Caption("Password", "密码"), password_,
         kit.Button(IDC_CHECK, kit.Caption("Check", "验证"), this)},
        {IDC_LOCK_LABEL, QStringLiteral("LOCK"), lock_bytes_,
         kit.Button(IDC_LOCK, QStringLiteral("LOCK"), this)},
        {IDC_SIGNATURE_LABEL, kit.Caption("Idiograph", "签名"), signature_,
         kit.Button(IDC_COUNT, kit.Caption("Count", "记数"), this)},
        {IDC_WRITE_PAGE_LABEL, kit.Caption("WritePage", "写卡页"), write_page_, nullptr},
    };
    auto *operations = new QGridLayout;
    operations->setVerticalSpacing(spacing);
    for (int r = 0; r < 5; ++r) {
        const Row &row = rows[r];
        const int line = r % operation_rows;
        const int column = 3 * (r / operation_rows);
        operations->addWidget(kit.Named(kit.Label(row.caption, row.control, this), row.label_id),
                              line, column);
        operations->addWidget(row.control, line, column + 1, Qt::AlignLeft);
        if (row.button != nullptr) operations->addWidget(row.button, line, column + 2);
    }
    auto *read = kit.Button(IDC_READ, kit.Caption("Read Card", "读卡"), this);
    auto *write = kit.Button(IDC_WRITE, kit.Caption("Write Card", "写卡"), this);
    auto *deselect = kit.Button(IDC_DESELECT, QStringLiteral("DESELECT"), this);
    // Nested rows space their controls as the page spaces its rows: left to
    // themselves they get no spacing where a grid's two spacings differ.
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(spacing);
    buttons->addWidget(read);
    buttons->addWidget(write);
    buttons->addWidget(deselect);
    operations->addLayout(buttons, 5 % operation_rows, 3 * (5 / operation_rows), 1, 3);
    if (large) operations->setRowStretch(operation_rows, 1);

    // The 32 pages in two columns of sixteen.
    const int limits[] = {4, 4, 4, 4, 6, 2};
    for (int id = IDC_PAGE0_LOW; id <= IDC_PAGE31; ++id) {
        const int index = id - IDC_PAGE0_LOW;
        CHexEdit *box = kit.HexEdit(id, id < IDC_PAGE3 ? limits[index] : kPageSize, this);
        PageBuilder::KeepWidth(box);
        boxes_[static_cast<std::size_t>(index)] = box;
    }
    // The 640-pixel template leaves no room to type into page 25.
    if (compact) Box(PageBoxId(25))->setReadOnly(true);
    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(spacing);
    grid->setHorizontalSpacing(spacing + 4);
    for (int page = 0; page <= kLastPage; ++page) {
        const int row = page % pages_per_column;
        const int column = 2 * (page / pages_per_column);
        CHexEdit *first = Box(page < kPasswordPage ? kSplitPages[page].first : PageBoxId(page));
        grid->addWidget(kit.Label(QStringLiteral("PAGE%1").arg(page), first, this), row, column);
        if (page < kPasswordPage) {
            const SplitPage &split = kSplitPages[page];
            CHexEdit *second = Box(split.second);
            PageBuilder::Hint(second, QStringLiteral("PAGE%1 %2-7").arg(page).arg(split.split));
            auto *pair = new QHBoxLayout;
            pair->setSpacing(spacing);
            pair->addWidget(first);
            pair->addWidget(second);
            pair->addStretch();
            grid->addLayout(pair, row, column + 1);
        } else {
            grid->addWidget(first, row, column + 1, Qt::AlignLeft);
        }
    }

    QBoxLayout *root =
        large ? static_cast<QBoxLayout *>(new QHBoxLayout(this)) : new QVBoxLayout(this);
    root->setSpacing(3 * spacing);
    root->addLayout(operations);
    root->addLayout(grid);
    root->addStretch();

    connect(rows[0].button, &QPushButton::clicked, this, &CAt88rf020Page::OnSearch);
    connect(rows[1].button, &QPushButton::clicked, this, &CAt88rf020Page::OnCheck);
    connect(rows[2].button, &QPushButton::clicked, this, &CAt88rf020Page::OnLock);
    connect(rows[3].button, &QPushButton::clicked, this, &CAt88rf020Page::OnCount);
    connect(read, &QPushButton::clicked, this, &CAt88rf020Page::OnRead);
    connect(write, &QPushButton::clicked, this, &CAt88rf020Page::OnWrite);
    connect(deselect, &QPushButton::clicked, this, &CAt88rf020Page::OnDeselect);
}

void CAt88rf020Page::Initialise() {
    // Page 0 (PUPI and lock bytes) and page 2 (signature and counter) change only
    // through Lock and Count.
    std::vector<int> pages = NumbersFrom(1, kLastPage);
    pages.erase(std::find(pages.begin(), pages.end(), 2));
    FillNumbers(write_page_, pages);
    write_page_->setCurrentIndex(0);
}

CHexEdit *CAt88rf020Page::Box(int id) const {
    return boxes_[static_cast<std::size_t>(id - IDC_PAGE0_LOW)];
}

void CAt88rf020Page::ClearPages() {
    for (CHexEdit *box : boxes_) {
        if (box != Box(IDC_PAGE3)) box->clear();
    }
}

void CAt88rf020Page::ShowPage(int page, std::span<const std::uint8_t> data) {
    if (page >= kPasswordPage) {
        SetHexText(Box(PageBoxId(page)), data.data(), kPageSize);
        return;
    }
    const SplitPage &split = kSplitPages[page];
    SetHexText(Box(split.first), data.data(), split.split);
    SetHexText(Box(split.second), data.data() + split.split, kPageSize - split.split);
}

void CAt88rf020Page::ChangeAndReadBack(const Change &change) {
    if (!RequireConnection(state_)) return;
    const SplitPage &split = kSplitPages[change.page];
    Box(split.first)->clear();
    Box(split.second)->clear();
    const auto bytes = ExactHexBytes(change.input, change.size);
    if (!bytes) {
        ShowInputError(this, Message(change.input_message));
        return;
    }
    if (!CallSucceeded(change.call(kReaderAddress, bytes->data()), change.function_name)) return;
    std::uint8_t data[kAnswerRoom] = {};
    std::uint8_t length = 0;
    const std::int32_t status =
        state_.api.rf_at020_read(kReaderAddress, change.page, data, &length);
    if (!AnswerOfSize(status, length, kPageSize, "rf_at020_read")) return;
    ShowPage(change.page, std::span(data, kPageSize));
    ShowInfo(Message(change.success_message));
}

void CAt88rf020Page::OnSearch() {
    ClearPages();
    if (!RequireConnection(state_)) return;
    std::uint8_t atqb[kAnswerRoom] = {};
    const auto request = [&] {
        std::uint8_t length = 0;
        const std::int32_t status = state_.api.rf_atqb(kReaderAddress, 0, atqb, &length);
        return AnswerOfSize(status, length, kAtqbSize, "rf_atqb");
    };
    if (!SearchCard(state_, kSearchSteps, 2, request)) {
        pupi_->clear();
        return;
    }
    // The ATQB's bytes 1 to 4 are the card's PUPI.
    SetHexText(pupi_, atqb + 1, 4);
    password_->setFocus();
    ShowInfo(Message(kMsgSearchCardSuccess));
}

void CAt88rf020Page::OnCheck() {
    if (!RequireConnection(state_)) return;
    const auto password = ExactHexBytes(password_, 8);
    if (!password) {
        ShowInputError(this, Message(kMsgInputKey8));
        return;
    }
    if (!CallSucceeded(state_.api.rf_at020_check(kReaderAddress, password->data()),
                       "rf_at020_check")) {
        return;
    }
    ShowInfo(Message(kMsgCheckSuccess));
}

void CAt88rf020Page::OnLock() {
    // No question: the lock bytes go to the card as typed. Page 0 then shows them.
    ChangeAndReadBack({lock_bytes_, 4, kMsgInputLock4, state_.api.rf_at020_lock, "rf_at020_lock", 0,
                       kMsgLockSuccess});
}

void CAt88rf020Page::OnCount() {
    // Page 2 holds the signature and the counter.
    ChangeAndReadBack({signature_, 6, kMsgInputSignature6, state_.api.rf_at020_count,
                       "rf_at020_count", 2, kMsgCountSuccess});
}

void CAt88rf020Page::OnRead() {
    if (!RequireConnection(state_)) return;
    ClearPages();
    std::vector<int> pages = NumbersFrom(0, kLastPage);
    pages.erase(std::find(pages.begin(), pages.end(), kPasswordPage));
    const auto read = [this](int page, std::uint8_t *data, std::uint8_t *length) {
        return state_.api.rf_at020_read(kReaderAddress, page, data, length);
    };
    const auto show = [this](int page, std::span<const std::uint8_t> data) {
        ShowPage(page, data);
    };
    if (!ReadUnits(pages, kPageSize, kMsgReadPageFailed, read, show)) return;
    ShowInfo(Message(kMsgReadCardSuccess));
}

void CAt88rf020Page::OnWrite() {
    if (!RequireConnection(state_)) return;
    const int page = ItemData(write_page_);
    const bool split_page = page < kPasswordPage;
    CHexEdit *const first = Box(split_page ? kSplitPages[page].first : PageBoxId(page));
    CHexEdit *const second = split_page ? Box(kSplitPages[page].second) : nullptr;
    // Zero-padded, no length check; but a stray last digit is no byte.
    if (!HoldsWholeBytes(first) || !HoldsWholeBytes(second)) {
        ShowInputError(this, Message(kMsgInputData));
        return;
    }
    std::array<std::uint8_t, kPageSize> data{};
    if (split_page) {
        const auto split = static_cast<std::size_t>(kSplitPages[page].split);
        CopyHexInto(std::span(data).first(split), first);
        CopyHexInto(std::span(data).subspan(split), second);
    } else {
        CopyHexInto(data, first);
    }
    if (!CallSucceeded(state_.api.rf_at020_write(kReaderAddress, page, data.data()),
                       "rf_at020_write")) {
        return;
    }
    ShowInfo(Message(kMsgWriteCardSuccess));
}

void CAt88rf020Page::OnDeselect() {
    if (!RequireConnection(state_)) return;
    if (!CallSucceeded(state_.api.rf_at020_deselect(kReaderAddress), "rf_at020_deselect")) return;
    ShowInfo(Message(kMsgOperationSuccess));
}

}  // namespace tilvane
