#include "common/hex_edit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

#include "common/hex_text.h"

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
    // QLineEdit::insert() edits a read-only box too: the check is ours.
    if (isReadOnly()) return;
    const QString digits = HexDigitsOf(text);
    if (!digits.isEmpty()) insert(digits);
}

void CHexEdit::Type(QChar c) {
    if (!isReadOnly()) insert(QString(c));
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
        Type(QChar(u'0' + (key - Qt::Key_0)));
        event->accept();
        return;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_F) {
        Type(QChar(u'a' + (key - Qt::Key_A)));
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

void CHexEdit::inputMethodEvent(QInputMethodEvent *event) {
    // Input methods are off, but an event that reaches the box anyway is typing:
    // its committed text goes through the same filter, composing shows nothing.
    for (const QChar c : HexDigitsOf(event->commitString())) Type(c.toLower());
    event->accept();
}

void CHexEdit::mouseReleaseEvent(QMouseEvent *event) {
    // The middle button pastes the selection on X11: the same filter applies.
    if (event->button() == Qt::MiddleButton) {
        const QClipboard *clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection()) InsertHexDigits(clipboard->text(QClipboard::Selection));
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

// Drops are switched off; one that is delivered all the same is a paste at the
// drop point.
void CHexEdit::dragEnterEvent(QDragEnterEvent *event) {
    if (isReadOnly() || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void CHexEdit::dragMoveEvent(QDragMoveEvent *event) {
    if (isReadOnly() || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void CHexEdit::dropEvent(QDropEvent *event) {
    if (isReadOnly() || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    InsertHexDigits(event->mimeData()->text());
    event->acceptProposedAction();
}

void CHexEdit::changeEvent(QEvent *event) {
    QLineEdit::changeEvent(event);
    // QLineEdit turns input methods back on when a box stops being read-only.
    if (event->type() == QEvent::ReadOnlyChange) setAttribute(Qt::WA_InputMethodEnabled, false);
}

}  // namespace tilvane
