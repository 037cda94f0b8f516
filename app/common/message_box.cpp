#include "common/message_box.h"

namespace tilvane {

namespace {

MessageBoxHook &Hook() {
    static MessageBoxHook hook;
    return hook;
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}

QMessageBox::StandardButton ShowMessageBox(const MessageBoxRequest &request) {
    if (Hook()) return Hook()(request);
    QMessageBox box(request.icon, request.caption, request.text, request.buttons, request.parent);
    if (request.default_button != QMessageBox::NoButton) {
        box.setDefaultButton(request.default_button);
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void ShowInputError(QWidget *parent, const QString &text, const QString &caption) {
    ShowMessageBox({parent, text, caption, QMessageBox::Critical, QMessageBox::Ok});
}

void ShowMissingInput(QWidget *parent, const QString &text) {
    ShowMessageBox(
        {parent, text, QStringLiteral("Warning"), QMessageBox::Warning, QMessageBox::Ok});
}

bool ConfirmWrite(QWidget *parent, const QString &text, QMessageBox::Icon icon) {
    return ShowMessageBox({parent, text, QStringLiteral("Warning"), icon,
                           QMessageBox::Ok | QMessageBox::Cancel}) == QMessageBox::Ok;
}

}  // namespace tilvane
