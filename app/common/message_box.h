#pragma once

// The message boxes of the application follow one convention: input that fails a
// check (caption "Error", stop icon, OK), a missing entry (caption "Warning",
// exclamation icon, OK), a question before an irreversible write (caption
// "Warning", OK and Cancel). They all go through one hook, which tests replace to
// read the texts and give the answers without a modal loop.

#include <QMessageBox>
#include <QString>

#include <functional>

namespace tilvane {

struct MessageBoxRequest {
    QWidget *parent = nullptr;
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    // The button Enter presses; the box's own choice when none is given.
    QMessageBox::StandardButton default_button = QMessageBox::NoButton;
};

using MessageBoxHook = std::function<QMessageBox::StandardButton(const MessageBoxRequest &)>;

// Replaces how message boxes are shown; an empty hook restores the real boxes.
void SetMessageBoxHook(MessageBoxHook hook);

// Shows the box and returns the button pressed.
QMessageBox::StandardButton ShowMessageBox(const MessageBoxRequest &request);

// The three kinds of the convention.
void ShowInputError(QWidget *parent, const QString &text,
                    const QString &caption = QStringLiteral("Error"));
void ShowMissingInput(QWidget *parent, const QString &text);
// True when the operator answered OK.
bool ConfirmWrite(QWidget *parent, const QString &text,
                  QMessageBox::Icon icon = QMessageBox::Warning);

}  // namespace tilvane
