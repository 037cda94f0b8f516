#include "pages/sam_page.h"

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
#include "common/message_box.h"
#include "common/message_table.h"
#include "common/operator_messages.h"
#include "common/result_list.h"
#include "pages/call_checks.h"
#include "pages/cos_exchange.h"
#include "pages/page_builder.h"
#include "common/app_state.h"

namespace tilvane {

namespace {

constexpr int kKeyPartBytes = 8;
constexpr int kDesBlock = 8;
constexpr int kDataBytes = 64;
// The SAM's commands are a header of five bytes at least.
constexpr int kShortestSamCommand = 5;
// rf_init_sam's rate codes.
constexpr int kSamRate9600 = 0;
constexpr int kSamRate38400 = 1;
// This page writes the caption of its input errors in lower case.
const QString kErrorCaption = QStringLiteral("error");

const std::map<int, const char *> &ControlNames() {
    using P = CSamPage;
    static const std::map<int, const char *> names = {
        {P::IDC_DES_GROUP, "desGroup"},
        {P::IDC_KEY, "key"},
        {P::IDC_KEY_2, "key2"},
        {P::IDC_DATA, "data"},
        {P::IDC_DES_RESULT, "desResult"},
        {P::IDC_ENCRYPT, "encrypt"},
        {P::IDC_DECRYPT, "decrypt"},
        {P::IDC_SAM_GROUP, "samGroup"},
        {P::IDC_RATE_9600, "rate9600"},
        {P::IDC_RATE_38400, "rate38400"},
        {P::IDC_COMMAND, "cosCommand"},
        {P::IDC_HISTORY, "cosHistory"},
        {P::IDC_SEND, "send"},
        {P::IDC_RESET, "reset"},
        {P::IDC_RESET_INFO, "resetInfo"},
        {P::IDC_RESULT, "result"},
        {P::IDC_CLEAR, "clear"},
    };
    return names;
}

}  // namespace

// What the three templates differ in.
struct CSamPage::Metrics {
    int data_bytes;     // shown in the data and result boxes
    int command_bytes;  // shown in the command and reset information boxes
    QSize list;         // the result list's least size
    int spacing;
};

QString CSamPage::ControlName(int id) {
    return ControlNameIn(ControlNames(), id);
}

CSamPage::CSamPage(AppState &state, int template_id, QWidget *parent)
    : CardPage(parent), state_(state) {
    const PageBuilder kit(kLanguageIndex == 1, &ControlName);
    const Metrics metrics = template_id == kCompact  ? Metrics{16, 20, {360, 90}, 4}
                            : template_id == kMedium ? Metrics{24, 26, {440, 126}, 6}
                                                     : Metrics{32, 36, {540, 216}, 8};
    auto *root = new QVBoxLayout(this);
    root->setSpacing(metrics.spacing);
    root->addWidget(BuildDes(kit, metrics));
    root->addWidget(BuildSam(kit, metrics), 1);
}

CSamPage::~CSamPage() = default;

GroupFrame *CSamPage::BuildDes(const PageBuilder &kit, const Metrics &metrics) {
    auto [frame, grid] = kit.Frame(IDC_DES_GROUP, kit.Caption("DES Calculate", "DES计算"), this);
    grid->setVerticalSpacing(metrics.spacing);
    key_ = kit.HexEdit(IDC_KEY, kKeyPartBytes, frame);
    key_2_ = kit.HexEdit(IDC_KEY_2, kKeyPartBytes, frame);
    for (CHexEdit *edit : {key_, key_2_}) PageBuilder::KeepWidth(edit);
    data_ = kit.HexEdit(IDC_DATA, kDataBytes, frame);
    kit.FitBytes(data_, metrics.data_bytes);
    des_result_ = kit.HexEdit(IDC_DES_RESULT, 0, frame);
    kit.FitBytes(des_result_, metrics.data_bytes);
    auto *encrypt = kit.Button(IDC_ENCRYPT, kit.Caption("Encrypt", "加密"), frame);
    auto *decrypt = kit.Button(IDC_DECRYPT, kit.Caption("Decrypt", "解密"), frame);

    // Nested rows space their controls as the page spaces its rows: left to
    // themselves they get no spacing where the grid's two spacings differ.
    auto *keys = new QHBoxLayout;
    keys->setSpacing(metrics.spacing);
    keys->addWidget(key_);
    keys->addWidget(key_2_);
    keys->addStretch();
    grid->addWidget(kit.Label(kit.Caption("Key", "密钥"), key_, frame), 0, 0);
    // The second half shares the caption; screen readers tell the two apart.
    PageBuilder::Hint(key_2_, kit.Caption("Key, second 8 bytes", "密钥, 后8字节"));
    grid->addLayout(keys, 0, 1);
    grid->addWidget(kit.Label(kit.Caption("Data", "数据"), data_, frame), 1, 0);
    grid->addWidget(data_, 1, 1);
    grid->addWidget(kit.Label(kit.Caption("Result", "结果"), des_result_, frame), 2, 0);
    grid->addWidget(des_result_, 2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(metrics.spacing);
    buttons->addStretch();
    buttons->addWidget(encrypt);
    buttons->addWidget(decrypt);
    grid->addLayout(buttons, 3, 0, 1, 2);

    connect(encrypt, &QPushButton::clicked, this, [this] { OnDes(true); });
    connect(decrypt, &QPushButton::clicked, this, [this] { OnDes(false); });
    return frame;
}

GroupFrame *CSamPage::BuildSam(const PageBuilder &kit, const Metrics &metrics) {
    auto [frame, grid] = kit.Frame(IDC_SAM_GROUP, kit.Caption("SAM Operation", "SAM卡操作"), this);
    grid->setVerticalSpacing(metrics.spacing);
    rate_9600_ = kit.Radio(IDC_RATE_9600, QStringLiteral("9600"), frame);
    auto *rate_38400 = kit.Radio(IDC_RATE_38400, QStringLiteral("38400"), frame);
    auto *rates = new QButtonGroup(frame);
    rates->addButton(rate_9600_);
    rates->addButton(rate_38400);
    rate_9600_->setChecked(true);
    auto *command = kit.HexEdit(IDC_COMMAND, 0, frame);
    kit.FitBytes(command, metrics.command_bytes);
    auto *history = CosExchange::HistoryButton(kit, IDC_HISTORY, frame);
    auto *send = kit.Button(IDC_SEND, kit.Caption("Send", "发送"), frame);
    auto *reset = kit.Button(IDC_RESET, kit.Caption("Reset", "复位"), frame);
    reset_info_ = kit.HexEdit(IDC_RESET_INFO, 0, frame);
    kit.FitBytes(reset_info_, metrics.command_bytes);
    auto *results = new ResultList(frame);
    kit.Named(results, IDC_RESULT);
    results->setMinimumSize(metrics.list);
    auto *clear = kit.Button(IDC_CLEAR, kit.Caption("Clear", "清除结果"), frame);

    auto *rate_row = new QHBoxLayout;
    rate_row->setSpacing(2 * metrics.spacing);
    auto *rate_label = kit.Text(kit.Caption("SAM Rate", "SAM速率"), frame);
    rate_row->addWidget(rate_label);
    rate_row->addWidget(rate_9600_);
    rate_row->addWidget(rate_38400);
    rate_row->addStretch();
    rate_row->addWidget(reset);
    grid->addLayout(rate_row, 0, 0, 1, 2);
    grid->addWidget(kit.Label(kit.Caption("COS Command", "COS命令"), command, frame), 1, 0);
    auto *command_row = new QHBoxLayout;
    command_row->setSpacing(metrics.spacing);
    command_row->addWidget(command, 1);
    command_row->addWidget(history);
    command_row->addWidget(send);
    grid->addLayout(command_row, 1, 1);
    grid->addWidget(kit.Label(kit.Caption("Reset Info", "复位信息"), reset_info_, frame), 2, 0);
    grid->addWidget(reset_info_, 2, 1);
    grid->addWidget(kit.Label(kit.Caption("Result", "返回结果"), results, frame), 3, 0, 1, 2);
    grid->addWidget(results, 4, 0, 1, 2);
    grid->addWidget(clear, 5, 1, Qt::AlignRight);

    connect(reset, &QPushButton::clicked, this, &CSamPage::OnReset);
    const auto call = [this](const std::uint8_t *bytes, std::int32_t length, std::uint8_t *answer,
                             std::uint8_t *answer_length) {
        return state_.api.rf_sam_cos(kReaderAddress, bytes, length, answer, answer_length);
    };
    exchange_ = std::make_unique<CosExchange>(
        state_, kHistoryFile, CosExchange::Rules{"rf_sam_cos", kShortestSamCommand, kErrorCaption},
        CosExchange::Controls{command, history, send, results, clear}, call, this);
    return frame;
}

void CSamPage::OnDes(bool encrypt) {
    // The key: 8 bytes, and 8 more for triple DES.
    auto key = ExactHexBytes(key_, kKeyPartBytes);
    if (key && !HexToBytes(key_2_).empty()) {
        const auto second = ExactHexBytes(key_2_, kKeyPartBytes);
        if (second) {
            key->insert(key->end(), second->begin(), second->end());
        } else {
            key.reset();
        }
    }
    if (!key) {
        ShowInputError(this, Message(kMsgInputDesKey), kErrorCaption);
        return;
    }
    // Whole blocks only; a stray last digit is not part of the data.
    const int length = data_->GetByteCount();
    if (length == 0 || length % kDesBlock != 0) {
        ShowInputError(this, Message(kMsgDesDataLength), kErrorCaption);
        return;
    }
    Bytes input = HexToBytes(data_);
    input.resize(static_cast<std::size_t>(length));
    Bytes output(input.size());
    const auto des = encrypt ? state_.api.des_encrypt : state_.api.des_decrypt;
    des(output.data(), input.data(), length, key->data(), static_cast<std::int32_t>(key->size()));
    SetHexText(des_result_, output.data(), length);
}

void CSamPage::OnReset() {
    if (!RequireConnection(state_)) return;
    reset_info_->clear();
    const binding::ReaderApi &api = state_.api;
    const int rate = rate_9600_->isChecked() ? kSamRate9600 : kSamRate38400;
    if (!CallSucceeded(api.rf_init_sam(kReaderAddress, rate), "rf_init_sam")) return;
    std::array<std::uint8_t, kAnswerRoom> answer{};
    std::uint8_t length = 0;
    if (!CallSucceeded(api.rf_sam_rst(kReaderAddress, answer.data(), &length), "rf_sam_rst")) {
        return;
    }
    SetHexText(reset_info_, answer.data(), length);
    ShowInfo(Message(kMsgResetSuccess));
}

}  // namespace tilvane
