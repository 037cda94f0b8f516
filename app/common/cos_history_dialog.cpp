#include "common/cos_history_dialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/cos_history.h"
#include "common/message_table.h"
#include "common/result_list.h"

namespace tilvane {

namespace {

QString Caption(const char *english, const char *chinese) {
    return QString::fromUtf8(kLanguageIndex == 1 ? english : chinese);
}

}  // namespace

CCosHistoryDlg::CCosHistoryDlg(CosHistory &history, QWidget *owner)
    : QDialog(owner), history_(history), list_(new ResultList(this)) {
    setWindowTitle(Caption("COS Command", "COS命令"));
    list_->setObjectName(QStringLiteral("historyList"));
    list_->setAccessibleName(windowTitle());
    list_->setMinimumSize(360, 10 * ResultList::kItemHeight);
    auto *clear = new QPushButton(Caption("Clear COS", "清除COS命令"), this);
    clear->setObjectName(QStringLiteral("clearCos"));
    auto *exit = new QPushButton(Caption("Exit", "退出"), this);
    exit->setObjectName(QStringLiteral("exit"));
    // Enter closes the dialog; it never clears the history.
    clear->setAutoDefault(false);
    exit->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(clear);
    buttons->addWidget(exit);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);

    for (const std::string &entry : history_.entries()) {
        list_->AddEntry(QString::fromStdString(entry));
    }

    connect(clear, &QPushButton::clicked, this, [this] {
        history_.Clear();
        list_->clear();
    });
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *entry) {
        emit CommandChosen(entry->text());
        accept();
    });
}

}  // namespace tilvane
