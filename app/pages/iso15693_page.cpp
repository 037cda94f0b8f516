#include "pages/iso15693_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <map>
#include <span>

#include "common/accessible_caption.h"
#include "common/hex_edit.h"
#include "common/message_box.h"
#include "common/operator_messages.h"
#include "pages/call_checks.h"
#include "pages/card_search.h"
#include "pages/number_list.h"
#include "pages/page_builder.h"
#include "pages/read_loop.h"
#include "common/app_state.h"

namespace tilvane {

namespace {

// Request flags: high data rate, and with the inventory flag for tags of 64
// blocks; reads always go without it.
constexpr int kFlags64Blocks = 0x06;
constexpr int kFlags28Blocks = 0x02;
constexpr int kReadFlags = 0x02;
// Get Information asks whichever tag is in the field (no address flag).
constexpr int kNonAddressed = 0x00;
constexpr int kSystemInformationSize = 12;
// Tags of this IC maker (reply byte 7) hold 28 blocks.
constexpr std::uint8_t kMakerOf28BlockTags = 0x04;
constexpr int kBlockSize = 4;

constexpr char kUidShortOfDsfid[] = "the value of UID is lower than 8 Bytes";
constexpr char kUidShort[] = "the value UID is lower than 8 Byte";

// Read: the block data in reads of at most 14 blocks, then the security status
// bytes. A tag of 28 blocks is read as far as it goes.
struct ReadStep {
    bool security;
    int first;
    int count;
};
constexpr ReadStep kRead64Blocks[] = {{false, 0, 14},  {false, 14, 14}, {false, 28, 14},
                                      {false, 42, 14}, {false, 56, 8},  {true, 0, 28},
                                      {true, 28, 28},  {true, 56, 8}};
constexpr ReadStep kRead28Blocks[] = {{false, 0, 14}, {false, 14, 14}, {true, 0, 28}};

// Where the left-hand controls stand in the page's own arrangement. The grid's
// headers sit 20 pixels above the UID box, so the group starts below that.
constexpr int kGroupLeft = 12;
constexpr int kGroupTop = 28;
// The grid: headers 20 pixels above the first row, 16 rows 22 pixels apart, each
// 18 high; every column adds 42 pixels to its data box's width.
constexpr int kHeaderRise = 20;
constexpr int kRowPitch = 22;
constexpr int kRowHeight = 18;
constexpr int kGridHeight = kHeaderRise + kRowPitch * (CIso15693Page::kGridRows - 1) + kRowHeight;
constexpr int kColumnExtra = 42;
constexpr int kUidToGrid = 10;
// The headers: "BLOCK" over a column's numbers, 10 pixels in from the column's
// left edge in every column but the first; "STATUS" from the right end of the
// column's data boxes. Each is at least as wide as in the page's own arrangement
// (40 and 43), wider where its text needs it.
constexpr int kBlockHeaderIndent = 10;
constexpr int kBlockHeaderWidth = 40;
constexpr int kStatusHeaderWidth = 43;

int TextWidth(const QLabel *label) {
    return label->fontMetrics().horizontalAdvance(label->text());
}

const std::map<int, const char *> &ControlNames() {
    using P = CIso15693Page;
    static const std::map<int, const char *> names = {
        {P::IDC_UID_LABEL, "uidLabel"},
        {P::IDC_UID, "uid"},
        {P::IDC_GET_INFORMATION, "getInformation"},
        {P::IDC_DSFID_LABEL, "dsfidLabel"},
        {P::IDC_DSFID, "dsfid"},
        {P::IDC_WRITE_DSFID, "writeDsfid"},
        {P::IDC_LOCK_DSFID, "lockDsfid"},
        {P::IDC_AFI_LABEL, "afiLabel"},
        {P::IDC_AFI, "afi"},
        {P::IDC_WRITE_AFI, "writeAfi"},
        {P::IDC_LOCK_AFI, "lockAfi"},
        {P::IDC_BLOCK_LABEL, "blockLabel"},
        {P::IDC_BLOCK, "block"},
        {P::IDC_READ, "read"},
        {P::IDC_WRITE_BLOCK, "writeBlock"},
        {P::IDC_LOCK_BLOCK, "lockBlock"},
    };
    return names;
}

}  // namespace

QString CIso15693Page::ControlName(int id) {
    const auto in = [id](int first, int count) { return id >= first && id < first + count; };
    if (in(IDC_HEADER_FIRST, 8)) {
        const int n = id - IDC_HEADER_FIRST;
        return QStringLiteral("%1Header%2")
            .arg(n % 2 == 0 ? QStringLiteral("block") : QStringLiteral("status"))
            .arg(n / 2);
    }
    if (in(IDC_BLOCK_DATA, kBlocks)) return QStringLiteral("blockData%1").arg(id - IDC_BLOCK_DATA);
    if (in(IDC_BLOCK_STATUS, kBlocks)) {
        return QStringLiteral("blockStatus%1").arg(id - IDC_BLOCK_STATUS);
    }
    if (in(IDC_BLOCK_NUMBER, kBlocks)) {
        return QStringLiteral("blockNumber%1").arg(id - IDC_BLOCK_NUMBER);
    }
    return ControlNameIn(ControlNames(), id);
}

CIso15693Page::CIso15693Page(AppState &state, int template_id, QWidget *parent)
    : SheetPage(parent), state_(state) {
    Q_UNUSED(template_id);
    BuildControls();
}

void CIso15693Page::BuildControls() {
    // The page's texts are English only.
    const PageBuilder kit(true, &ControlName);
    left_group_ = BuildLeftGroup(kit);
    BuildGrid(kit);
    FillNumbers(block_, 0, kBlocks - 1);
    block_->setCurrentIndex(0);
}

QWidget *CIso15693Page::BuildLeftGroup(const PageBuilder &kit) {
    auto *group = new QWidget(sheet());
    group->setObjectName(QStringLiteral("leftGroup"));
    auto *grid = new QGridLayout(group);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(10);

    uid_ = kit.HexEdit(IDC_UID, 8, group);
    dsfid_ = kit.HexEdit(IDC_DSFID, 1, group);
    afi_ = kit.HexEdit(IDC_AFI, 1, group);
    block_ = kit.List(IDC_BLOCK, group);
    const auto label = [&](int id, const char *caption, QWidget *control) {
        return kit.Named(kit.Label(QString::fromLatin1(caption), control, group), id);
    };
    const auto button = [&](int id, const char *caption, void (CIso15693Page::*operation)()) {
        QPushButton *made = kit.Button(id, QString::fromLatin1(caption), group);
        connect(made, &QPushButton::clicked, this, operation);
        return made;
    };

    // The UID box reaches the group's right edge: the grid starts beside it.
    grid->addWidget(label(IDC_UID_LABEL, "UID", uid_), 0, 0);
    grid->addWidget(uid_, 0, 1, 1, 3);
    grid->addWidget(button(IDC_GET_INFORMATION, "Get Infomation", &CIso15693Page::OnGetInformation),
                    1, 1, 1, 3, Qt::AlignLeft);
    grid->addWidget(label(IDC_DSFID_LABEL, "DSFID", dsfid_), 2, 0);
    grid->addWidget(dsfid_, 2, 1);
    grid->addWidget(button(IDC_WRITE_DSFID, "Write", &CIso15693Page::OnWriteDsfid), 2, 2);
    grid->addWidget(button(IDC_LOCK_DSFID, "Lock", &CIso15693Page::OnLockDsfid), 2, 3);
    grid->addWidget(label(IDC_AFI_LABEL, "AFI", afi_), 3, 0);
    grid->addWidget(afi_, 3, 1);
    grid->addWidget(button(IDC_WRITE_AFI, "Write", &CIso15693Page::OnWriteAfi), 3, 2);
    grid->addWidget(button(IDC_LOCK_AFI, "Lock", &CIso15693Page::OnLockAfi), 3, 3);
    grid->addWidget(label(IDC_BLOCK_LABEL, "BLOCK", block_), 4, 0);
    grid->addWidget(block_, 4, 1, 1, 3, Qt::AlignLeft);
    grid->addWidget(button(IDC_READ, "Read", &CIso15693Page::OnRead), 5, 1);
    grid->addWidget(button(IDC_WRITE_BLOCK, "Write", &CIso15693Page::OnWriteBlock), 5, 2);
    grid->addWidget(button(IDC_LOCK_BLOCK, "Lock", &CIso15693Page::OnLockBlock), 5, 3);
    return group;
}

void CIso15693Page::BuildGrid(const PageBuilder &kit) {
    const auto text = [&](const QString &caption, int id) {
        QLabel *label = kit.Text(caption, sheet());
        kit.Named(label, id);
        return label;
    };
    for (std::size_t c = 0; c < headers_.size() / 2; ++c) {
        const int id = IDC_HEADER_FIRST + 2 * static_cast<int>(c);
        headers_[2 * c] = text(QStringLiteral("BLOCK"), id);
        headers_[2 * c + 1] = text(QStringLiteral("STATUS"), id + 1);
    }
    for (int n = 0; n < kBlocks; ++n) {
        const auto i = static_cast<std::size_t>(n);
        numbers_[i] = text(QString::number(n), IDC_BLOCK_NUMBER + n);
        numbers_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        data_[i] = kit.HexEdit(IDC_BLOCK_DATA + n, kBlockSize, sheet());
        status_[i] = kit.HexEdit(IDC_BLOCK_STATUS + n, 1, sheet());
        // The layout gives the status box its own narrow width.
        status_[i]->setMinimumWidth(0);
        // A screen reader hears the column and the row, as in a table.
        NameAfterCaption(data_[i], QStringLiteral("BLOCK %1").arg(n));
        NameAfterCaption(status_[i], QStringLiteral("STATUS %1").arg(n));
    }
}

void CIso15693Page::LayoutForScreen(int screen_width) {
    const QSize page = size();
    FitGroup(left_group_);
    const QRect group(QPoint(kGroupLeft, kGroupTop), left_group_->size());
    const QRect uid(group.topLeft() + uid_->pos(), uid_->size());

    // On large screens the group moves down to stand beside the grid's middle,
    // never up and never past the page's bottom while there is room.
    int offset = 0;
    if (screen_width >= 1024) {
        const int centred = (page.height() - kGridHeight) / 2 - (uid.top() - kHeaderRise);
        const int lowest = std::max(group.bottom() + 1, uid.top() - kHeaderRise + kGridHeight);
        offset = std::max(0, std::min(centred, page.height() - lowest));
    }
    left_group_->move(group.topLeft() + QPoint(0, offset));

    const int x0 = uid.left() + uid.width() + kUidToGrid;
    const int y0 = uid.top() + offset;
    const int bottom = std::max(group.bottom() + 1 + offset, y0 - kHeaderRise + kGridHeight);
    // Columns share the width left of the page (the last STATUS header, 43 wide,
    // reaches a pixel past its column); a data box never gets narrower than its
    // eight digits: the sheet scrolls instead.
    const int right = x0 + 3 * kColumnExtra + kStatusHeaderWidth;
    const int e = std::max(data_[0]->minimumWidth(), (UsableWidth(bottom) - right) / 4);
    const int sheet_right = std::max(UsableWidth(bottom), right + 4 * e);
    for (int c = 0; c < 4; ++c) {
        const int x = x0 + c * (e + kColumnExtra);
        const auto h = static_cast<std::size_t>(2 * c);
        QLabel *block = headers_[h];
        QLabel *status = headers_[h + 1];
        block->setGeometry(x + (c > 0 ? kBlockHeaderIndent : 0), y0 - kHeaderRise,
                           std::max(kBlockHeaderWidth, TextWidth(block)), kRowHeight);
        // A text wider than 43 pixels moves the last header left by what it
        // would reach past the sheet, never the columns.
        const int status_width = std::max(kStatusHeaderWidth, TextWidth(status));
        status->setGeometry(std::min(x + e, sheet_right - status_width), y0 - kHeaderRise,
                            status_width, kRowHeight);
        for (int r = 0; r < kGridRows; ++r) {
            const auto n = static_cast<std::size_t>(kGridRows * c + r);
            const int y = y0 + kRowPitch * r;
            numbers_[n]->setGeometry(x, y, 20, kRowHeight);
            data_[n]->setGeometry(x + 20, y, e, kRowHeight);
            status_[n]->setGeometry(x + e + 22, y, 20, kRowHeight);
        }
    }
    FitSheet(QSize(right + 4 * e, bottom));
}

// ---- Shared steps -------------------------------------------------------------------

int CIso15693Page::FlagsByte() const {
    return sixty_four_blocks_ ? kFlags64Blocks : kFlags28Blocks;
}

std::optional<Bytes> CIso15693Page::Prepare(const char *not_connected, const char *uid_short) {
    if (!RequireConnection(state_, QString::fromLatin1(not_connected))) return std::nullopt;
    return TakeUid(uid_short);
}

std::optional<Bytes> CIso15693Page::TakeUid(const char *uid_short) {
    // Exactly 16 digits: a stray last digit would make a UID the tag never had.
    auto uid = ExactHexBytes(uid_, 8);
    if (!uid) ShowInputError(this, QString::fromLatin1(uid_short));
    return uid;
}

std::optional<std::uint8_t> CIso15693Page::TakeByte(const CHexEdit *edit, const char *empty) {
    // One digit is no byte either: it would reach the tag as 0 to F.
    const Bytes bytes = HexToBytes(edit);
    if (bytes.empty() || !HoldsWholeBytes(edit)) {
        ShowInputError(this, QString::fromLatin1(empty));
        return std::nullopt;
    }
    return bytes.front();
}

void CIso15693Page::Report(std::int32_t status, const char *function_name, const char *success) {
    if (CallSucceeded(status, function_name)) ShowInfo(QString::fromUtf8(success));
}

void CIso15693Page::ClearGrid() {
    for (CHexEdit *edit : data_) edit->clear();
    for (CHexEdit *edit : status_) edit->clear();
}

// ---- Operations ---------------------------------------------------------------------

void CIso15693Page::OnGetInformation() {
    // A page that cannot ask the tag assumes the larger layout: a Read on a small
    // tag then fails loudly instead of leaving blocks out.
    sixty_four_blocks_ = true;
    if (!RequireConnection(state_, QStringLiteral("Cann't open port"))) return;
    uid_->clear();
    dsfid_->clear();
    afi_->clear();
    ClearGrid();
    const binding::ReaderApi &api = state_.api;
    if (!CallSucceeded(api.rf_init_type(kReaderAddress, protocol::kProtocolIso15693),
                       "rf_init_type")) {
        return;
    }
    // A non-addressed request carries no UID of a tag: zeros.
    const std::array<std::uint8_t, 8> no_uid{};
    std::uint8_t info[kAnswerRoom] = {};
    std::uint8_t length = 0;
    const std::int32_t status = api.ISO15693_Get_System_Information(kReaderAddress, kNonAddressed,
                                                                    no_uid.data(), info, &length);
    if (!AnswerOfAtLeast(status, length, kSystemInformationSize,
                         "ISO15693_Get_System_Information")) {
        return;
    }
    // Information flags, UID (8), DSFID, AFI.
    SetHexText(uid_, info + 1, 8);
    SetHexText(dsfid_, info + 9, 1);
    SetHexText(afi_, info + 10, 1);
    if (info[7] == kMakerOf28BlockTags) sixty_four_blocks_ = false;
    ShowInfo(QString::fromUtf8("Get Information操作成功"));
}

void CIso15693Page::WriteByte(const CHexEdit *edit, const char *empty, const char *uid_short,
                              WriteByteCall call, const char *function_name, const char *success) {
    const auto uid = Prepare("can't open port", uid_short);
    if (!uid) return;
    const auto byte = TakeByte(edit, empty);
    if (!byte) return;
    Report((state_.api.*call)(kReaderAddress, FlagsByte(), uid->data(), *byte), function_name,
           success);
}

void CIso15693Page::LockByte(LockByteCall call, const char *function_name, const char *success) {
    const auto uid = Prepare("can't open port", kUidShort);
    if (!uid) return;
    Report((state_.api.*call)(kReaderAddress, FlagsByte(), uid->data()), function_name, success);
}

void CIso15693Page::OnWriteDsfid() {
    WriteByte(dsfid_, "DSFID is not null!", kUidShortOfDsfid,
              &binding::ReaderApi::ISO15693_Write_DSFID, "ISO15693_Write_DSFID",
              "ISO15693_Write_DSFID操作成功");
}

void CIso15693Page::OnLockDsfid() {
    LockByte(&binding::ReaderApi::ISO15693_Lock_DSFID, "ISO15693_Lock_DSFID",
             "ISO15693_Lock_DSFID success");
}

void CIso15693Page::OnWriteAfi() {
    WriteByte(afi_, "AFI is null!", kUidShort, &binding::ReaderApi::ISO15693_Write_AFI,
              "ISO15693_Write_AFI", "ISO15693_Write_AFI success");
}

void CIso15693Page::OnLockAfi() {
    LockByte(&binding::ReaderApi::ISO15693_Lock_AFI, "ISO15693_Lock_AFI",
             "ISO15693_Lock_AFI success");
}

void CIso15693Page::OnRead() {
    if (!RequireConnection(state_, QStringLiteral("can't open port"))) return;
    ClearGrid();
    const auto uid = TakeUid(kUidShort);
    if (!uid) return;

    const std::span<const ReadStep> steps =
        sixty_four_blocks_ ? std::span<const ReadStep>(kRead64Blocks) : kRead28Blocks;
    const std::vector<int> units = NumbersFrom(0, static_cast<int>(steps.size()) - 1);
    const auto step = [&](int unit) -> const ReadStep & {
        return steps[static_cast<std::size_t>(unit)];
    };
    const auto check = [&](int unit) {
        const ReadStep &s = step(unit);
        // A read may bring more than its blocks; a security answer exactly one
        // byte a block.
        return s.security ? UnitCheck{s.count, false, QStringLiteral("ISO15693_Get_Block_Security")}
                          : UnitCheck{kBlockSize * s.count, true, QStringLiteral("ISO15693_Read")};
    };
    const binding::ReaderApi &api = state_.api;
    const auto read = [&](int unit, std::uint8_t *answer, std::uint8_t *length) {
        const ReadStep &s = step(unit);
        return s.security ? api.ISO15693_Get_Block_Security(kReaderAddress, kReadFlags, uid->data(),
                                                            s.first, s.count, answer, length)
                          : api.ISO15693_Read(kReaderAddress, kReadFlags, uid->data(), s.first,
                                              s.count, answer, length);
    };
    const auto show = [&](int unit, std::span<const std::uint8_t> answer) {
        const ReadStep &s = step(unit);
        for (int k = 0; k < s.count; ++k) {
            const auto block = static_cast<std::size_t>(s.first + k);
            if (s.security) {
                SetHexText(status_[block], answer.data() + k, 1);
            } else {
                SetHexText(data_[block], answer.data() + kBlockSize * k, kBlockSize);
            }
        }
    };
    if (!ReadUnits(units, check, read, show)) return;
    ShowInfo(QStringLiteral("success"));
}

void CIso15693Page::OnWriteBlock() {
    const auto uid = Prepare("can't open", kUidShort);
    if (!uid) return;
    // Entries "0" to "63" in order: the index is the block number.
    const int block = block_->currentIndex();
    const auto data = ExactHexBytes(data_[static_cast<std::size_t>(block)], kBlockSize);
    if (!data) {
        ShowInputError(this, QStringLiteral("please input 4 bytes"));
        return;
    }
    Report(state_.api.ISO15693_Write(kReaderAddress, FlagsByte(), uid->data(), block, data->data()),
           "ISO15693_Write", "success");
}

void CIso15693Page::OnLockBlock() {
    const auto uid = Prepare("Can't open port", kUidShort);
    if (!uid) return;
    Report(state_.api.ISO15693_Lock_Block(kReaderAddress, FlagsByte(), uid->data(),
                                          block_->currentIndex()),
           "ISO15693_Lock_Block", "Success");
}

}  // namespace tilvane
