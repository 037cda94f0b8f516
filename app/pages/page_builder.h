#pragma once

// The pieces every page is built from, so that all pages look and read alike:
// captions in the page's language, labels and buttons in the page's text colour,
// every control named for the tests (objectName) and, where a label or a frame
// stands beside it, named for screen readers after that caption.

#include <QFont>
#include <QString>

#include <functional>
#include <utility>

class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace tilvane {

class CHexEdit;
class GroupFrame;

class PageBuilder {
public:
    // The objectName of the control with an original identifier.
    using NameOf = std::function<QString(int id)>;

    // `english` chooses the captions' language: the bilingual pages take the
    // language in use, the Mifare Classic page its template's.
    PageBuilder(bool english, NameOf name_of);

    QString Caption(const char *english, const char *chinese) const;

    // Labels, buttons and radio buttons are drawn in the page's text colour.
    static QWidget *Styled(QWidget *widget);
    QWidget *Named(QWidget *widget, int id) const;
    // A tooltip that also names the control for screen readers.
    static void Hint(QWidget *control, const QString &text);

    // A hex box limited to `bytes` (0: no limit), wide enough to show them (16
    // when there is no limit) in the fixed-width font.
    CHexEdit *HexEdit(int id, int bytes, QWidget *parent) const;
    // Makes a hex box wide enough for `bytes`.
    void FitBytes(CHexEdit *edit, int bytes) const;
    // Keeps a control at its least width where a layout would widen it.
    static void KeepWidth(QWidget *control);

    // A label showing `caption` beside `control`, which takes it as its name.
    QLabel *Label(const QString &caption, QWidget *control, QWidget *parent) const;
    // A label of its own: a column header, a row number.
    QLabel *Text(const QString &text, QWidget *parent) const;
    QPushButton *Button(int id, const QString &caption, QWidget *parent) const;
    QRadioButton *Radio(int id, const QString &caption, QWidget *parent) const;
    QComboBox *List(int id, QWidget *parent) const;
    // A group frame with its caption (also its name) and the grid of its controls.
    std::pair<GroupFrame *, QGridLayout *> Frame(int id, const QString &caption,
                                                 QWidget *parent) const;

private:
    bool english_;
    NameOf name_of_;
    QFont fixed_;
};

}  // namespace tilvane
