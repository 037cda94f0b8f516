#pragma once

// Screen readers announce a control by its accessible name. A control whose
// caption is its own text (a button, a radio button) already has one; a box or a
// list that an operator knows by the label beside it, or by the frame around it,
// gets that caption here, so the name heard is the text read.

#include <QLabel>
#include <QString>
#include <QWidget>

namespace tilvane {

// Names `control` after `caption` (an ampersand mnemonic is dropped).
void NameAfterCaption(QWidget *control, const QString &caption);

// A label showing `caption` for `control`: its buddy, and the control's name.
QLabel *CaptionLabel(const QString &caption, QWidget *control, QWidget *parent);

}  // namespace tilvane
