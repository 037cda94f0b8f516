#include "app/common/hex_edit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>

#include "app/common/hex_text.h"

namespace tilvane {

CHexEdit::CHexEdit(QWidget *parent) : QLineEdit(parent) {
    // Input methods would commit text past the key filter; drops past the paste
    // filter. Hex text needs neither.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAcceptDrops(false);
}

void CHexEdit::SetLimitBytes(int n) {
    setMaxLength(n > 0 ? 2 * n : 0);
}

int CHexEdit::GetLimitBytes() const {
    return (maxLength() + 1) / 2;
}

int CHexEdit::GetByteCount() const {
    return static_cast<int>(HexDigitsOf(text()).size() / 2);
}

void CHexEdit::InsertHexDigits(const QString &text) {
    const QString digits = HexDigitsOf(text);
    if (!digits.isEmpty()) insert(digits);
}

void CHexEdit::keyPressEvent(QKeyEvent *event) {
    if (event->matches(QKeySequence::Paste)) {
        InsertHexDigits(QGuiApplication::clipboard()->text());
        event->accept();
        return;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        insert(QString(QChar(u'0' + (key - Qt::Key_0))));
        event->accept();
        return;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_F) {
        insert(QString(QChar(u'a' + (key - Qt::Key_A))));
        event->accept();
        return;
    }
    switch (key) {
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            QLineEdit::keyPressEvent(event);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->ignore();  // the dialog's own keys
            return;
        default:
            event->accept();  // discarded, cursor keys included
            return;
    }
}

void CHexEdit::mouseReleaseEvent(QMouseEvent *event) {
    // The middle button pastes the selection on X11: the same filter applies.
    if (event->button() == Qt::MiddleButton) {
        const QClipboard *clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection() && !isReadOnly()) {
            InsertHexDigits(clipboard->text(QClipboard::Selection));
        }
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void CHexEdit::contextMenuEvent(QContextMenuEvent *event) {
    QMenu *menu = createStandardContextMenu();
    for (QAction *action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste")) {
            action->disconnect();
            connect(action, &QAction::triggered, this,
                    [this] { InsertHexDigits(QGuiApplication::clipboard()->text()); });
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

}  // namespace tilvane
