#include "pages/iso14443_part4_page.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>
#include <map>

#include "common/group_frame.h"
#include "common/hex_edit.h"
#include "common/hex_text.h"
#include "common/message_table.h"
#include "common/operator_messages.h"
#include "common/result_list.h"
#include "pages/call_checks.h"
#include "pages/card_search.h"
#include "pages/cos_exchange.h"
#include "pages/page_builder.h"
#include "common/app_state.h"

namespace tilvane {

namespace {

// Antenna off, 20 ms, protocol A, 20 ms, antenna on.
constexpr FieldSteps kResetSteps{protocol::kProtocolTypeA, 20, 20, 0};
constexpr int kResetAttempts = 3;
constexpr int kUidSize = 4;

// What the three templates differ in.
struct Metrics {
    int command_bytes;     // shown in the command box
    int reset_info_bytes;  // shown in the reset information box
    QSize list;            // the result list's least size
    int spacing;
};

Metrics MetricsFor(int template_id) {
    switch (template_id) {
        case CIso14443Part4Page::kCompact:
            return {14, 18, {380, 126}, 4};
        case CIso14443Part4Page::kMedium:
            return {22, 24, {460, 180}, 6};
        default:
            return {40, 30, {580, 270}, 8};
    }
}

const std::map<int, const char *> &ControlNames() {
    using P = CIso14443Part4Page;
    static const std::map<int, const char *> names = {
        {P::IDC_TYPE_A, "typeA"},
        {P::IDC_TYPE_B, "typeB"},
        {P::IDC_COMMAND, "cosCommand"},
        {P::IDC_HISTORY, "cosHistory"},
        {P::IDC_SEND, "send"},
        {P::IDC_RESET, "reset"},
        {P::IDC_DATA_GROUP, "dataGroup"},
        {P::IDC_CSN, "csn"},
        {P::IDC_PUPI, "pupi"},
        {P::IDC_RESET_INFO, "resetInfo"},
        {P::IDC_RESULT, "result"},
        {P::IDC_CLEAR, "clear"},
    };
    return names;
}

}  // namespace

QString CIso14443Part4Page::ControlName(int id) {
    return ControlNameIn(ControlNames(), id);
}

CIso14443Part4Page::CIso14443Part4Page(AppState &state, int template_id, QWidget *parent)
    : CardPage(parent), state_(state) {
    BuildControls(template_id);
}

CIso14443Part4Page::~CIso14443Part4Page() = default;

void CIso14443Part4Page::BuildControls(int template_id) {
    const PageBuilder kit(kLanguageIndex == 1, &ControlName);
    const Metrics metrics = MetricsFor(template_id);

    // Card type: no operation reads it.
    auto *type_a = kit.Radio(IDC_TYPE_A, QStringLiteral("TYPE A"), this);
    auto *type_b = kit.Radio(IDC_TYPE_B, QStringLiteral("TYPE B"), this);
    auto *types = new QButtonGroup(this);
    types->addButton(type_a);
    types->addButton(type_b);
    type_a->setChecked(true);

    command_ = kit.HexEdit(IDC_COMMAND, 0, this);
    kit.FitBytes(command_, metrics.command_bytes);
    auto *history = CosExchange::HistoryButton(kit, IDC_HISTORY, this);
    auto *send = kit.Button(IDC_SEND, kit.Caption("Send", "发送"), this);
    auto *reset = kit.Button(IDC_RESET, kit.Caption("Reset", "复位"), this);

    auto [data, grid] = kit.Frame(IDC_DATA_GROUP, kit.Caption("Data Infomation", "数据信息"), this);
    grid->setVerticalSpacing(metrics.spacing);
    csn_ = kit.HexEdit(IDC_CSN, 0, data);
    pupi_ = kit.HexEdit(IDC_PUPI, 0, data);
    for (CHexEdit *edit : {csn_, pupi_}) {
        kit.FitBytes(edit, kUidSize);
        PageBuilder::KeepWidth(edit);
    }
    reset_info_ = kit.HexEdit(IDC_RESET_INFO, 0, data);
    kit.FitBytes(reset_info_, metrics.reset_info_bytes);
    results_ = new ResultList(data);
    kit.Named(results_, IDC_RESULT);
    results_->setMinimumSize(metrics.list);
    auto *clear = kit.Button(IDC_CLEAR, kit.Caption("Clear", "清除结果"), data);

    auto *identity = new QHBoxLayout;
    identity->setSpacing(metrics.spacing);
    identity->addWidget(kit.Label(QStringLiteral("CSN"), csn_, data));
    identity->addWidget(csn_);
    identity->addSpacing(2 * metrics.spacing);
    identity->addWidget(kit.Label(QStringLiteral("PUPI"), pupi_, data));
    identity->addWidget(pupi_);
    identity->addStretch();
    grid->addLayout(identity, 0, 0, 1, 2);
    grid->addWidget(kit.Label(kit.Caption("ResetInfo", "复位信息"), reset_info_, data), 1, 0);
    grid->addWidget(reset_info_, 1, 1);
    grid->addWidget(kit.Label(kit.Caption("Result", "返回结果"), results_, data), 2, 0, 1, 2);
    grid->addWidget(results_, 3, 0, 1, 2);
    grid->addWidget(clear, 4, 1, Qt::AlignRight);

    auto *root = new QVBoxLayout(this);
    root->setSpacing(metrics.spacing);
    // Every row spaces its controls as the page spaces its rows.
    auto *type_row = new QHBoxLayout;
    type_row->setSpacing(metrics.spacing);
    type_row->addWidget(type_a);
    type_row->addWidget(type_b);
    type_row->addStretch();
    root->addLayout(type_row);
    auto *command_row = new QHBoxLayout;
    command_row->setSpacing(metrics.spacing);
    command_row->addWidget(kit.Label(kit.Caption("COS Command", "COS命令"), command_, this));
    command_row->addWidget(command_, 1);
    command_row->addWidget(history);
    command_row->addWidget(send);
    command_row->addWidget(reset);
    root->addLayout(command_row);
    root->addWidget(data, 1);

    connect(reset, &QPushButton::clicked, this, &CIso14443Part4Page::OnReset);
    const auto call = [this](const std::uint8_t *command, std::int32_t length,
                             std::uint8_t *answer, std::uint8_t *answer_length) {
        return state_.api.rf_cos_command(kReaderAddress, command, length, answer, answer_length);
    };
    exchange_ = std::make_unique<CosExchange>(
        state_, kHistoryFile,
        CosExchange::Rules{"rf_cos_command", 0, QStringLiteral("Error")},
        CosExchange::Controls{command_, history, send, results_, clear}, call, this);
}

void CIso14443Part4Page::OnReset() {
    if (!RequireConnection(state_)) return;
    csn_->clear();
    pupi_->clear();
    reset_info_->clear();
    if (!PrepareField(state_, kResetSteps)) return;

    for (int attempt = 0; attempt < kResetAttempts; ++attempt) {
        csn_->clear();
        reset_info_->clear();
        std::array<std::uint8_t, kAnswerRoom> answer{};
        std::uint8_t length = 0;
        if (!CallSucceeded(state_.api.rf_typea_rst(kReaderAddress, protocol::kRequestAll,
                                                   answer.data(), &length),
                           "rf_typea_rst")) {
            continue;
        }
        // The serial number, then whatever the card's answer holds after it.
        SetHexText(csn_, answer.data(), std::min<int>(length, kUidSize));
        if (length > kUidSize) SetHexText(reset_info_, answer.data() + kUidSize, length - kUidSize);
        ShowInfo(Message(kMsgResetSuccess));
        return;
    }
}

}  // namespace tilvane
