#include "pages/cos_exchange.h"

#include <QFile>
#include <QPushButton>

#include <array>
#include <filesystem>

#include "common/app_data_directory.h"
#include "common/cos_history_dialog.h"
#include "common/cos_history_file.h"
#include "common/hex_edit.h"
#include "common/hex_text.h"
#include "common/message_box.h"
#include "common/message_table.h"
#include "common/operator_messages.h"
#include "common/result_list.h"
#include "pages/call_checks.h"
#include "pages/page_builder.h"

namespace tilvane {

namespace {

std::filesystem::path FilePath(const QString &path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

}  // namespace

CosExchange::CosExchange(const AppState &state, const QString &history_file, Rules rules,
                         Controls controls, Call call, QWidget *page)
    : state_(state),
      file_(AppDataFile(history_file)),
      rules_(std::move(rules)),
      controls_(controls),
      call_(std::move(call)),
      page_(page),
      history_(LoadCosHistory(FilePath(file_))) {
    connect(controls_.send, &QPushButton::clicked, this, &CosExchange::Send);
    connect(controls_.history, &QPushButton::clicked, this, &CosExchange::OpenHistory);
    connect(controls_.clear, &QPushButton::clicked, controls_.results, &QListWidget::clear);
}

QPushButton *CosExchange::HistoryButton(const PageBuilder &kit, int id, QWidget *parent) {
    QPushButton *button = kit.Button(id, QStringLiteral("..."), parent);
    PageBuilder::Hint(button, kit.Caption("COS Command history", "COS命令历史"));
    button->setMaximumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    return button;
}

CosExchange::~CosExchange() {
    // A failed write is not the operator's business: the old file stays as it was.
    SaveCosHistory(FilePath(file_), history_);
}

void CosExchange::Send() {
    if (!RequireConnection(state_)) return;
    // A stray last digit would be sent as a byte of its own: a different command.
    if (!HoldsWholeBytes(controls_.command)) {
        ShowInputError(page_,
                       QStringLiteral("cos command must be whole bytes: an even number of "
                                      "hex digits!"),
                       rules_.error_caption);
        return;
    }
    const Bytes command = HexToBytes(controls_.command);
    if (command.size() < static_cast<std::size_t>(rules_.min_bytes)) {
        ShowInputError(page_, Message(kMsgCosCommandTooShort), rules_.error_caption);
        return;
    }
    // One request carries at most this many bytes; the library would send a longer
    // command cut to its low length byte, a different command.
    if (command.size() > kMaxCosCommandBytes) {
        ShowInputError(page_,
                       QStringLiteral("cos command must not be more than %1 bytes!")
                           .arg(kMaxCosCommandBytes),
                       rules_.error_caption);
        return;
    }
    history_.Add(BytesToHex(command).toStdString());

    // An empty command is sent too: from a buffer, as the library refuses a null one.
    std::array<std::uint8_t, kMaxCosCommandBytes> buffer{};
    std::copy(command.begin(), command.end(), buffer.begin());
    std::array<std::uint8_t, kAnswerRoom> answer{};
    std::uint8_t length = 0;
    const std::int32_t status = call_(buffer.data(), static_cast<std::int32_t>(command.size()),
                                      answer.data(), &length);
    if (!CallSucceeded(status, rules_.function_name)) return;
    controls_.results->AddEntry(BytesToHex(answer.data(), length));
    ShowInfo(Message(kMsgSendSuccess));
}

void CosExchange::OpenHistory() {
    CCosHistoryDlg dialog(history_, page_);
    connect(&dialog, &CCosHistoryDlg::CommandChosen, controls_.command, &QLineEdit::setText);
    dialog.exec();
}

}  // namespace tilvane
