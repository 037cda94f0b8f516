#include "pages/page_builder.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

#include "common/accessible_caption.h"
#include "common/group_frame.h"
#include "common/hex_edit.h"

namespace tilvane {

namespace {

// A box with no limit is made wide enough for a 16-byte block.
constexpr int kUnlimitedShownBytes = 16;

}  // namespace

PageBuilder::PageBuilder(bool english, NameOf name_of)
    : english_(english),
      name_of_(std::move(name_of)),
      fixed_(QFontDatabase::systemFont(QFontDatabase::FixedFont)) {}

QString PageBuilder::Caption(const char *english, const char *chinese) const {
    return QString::fromUtf8(english_ ? english : chinese);
}

QWidget *PageBuilder::Styled(QWidget *widget) {
    const QColor text_colour = QColor::fromRgb(kPageTextColour);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, text_colour);
    palette.setColor(QPalette::ButtonText, text_colour);
    widget->setPalette(palette);
    return widget;
}

QWidget *PageBuilder::Named(QWidget *widget, int id) const {
    widget->setObjectName(name_of_(id));
    return widget;
}

void PageBuilder::Hint(QWidget *control, const QString &text) {
    control->setToolTip(text);
    NameAfterCaption(control, text);
}

CHexEdit *PageBuilder::HexEdit(int id, int bytes, QWidget *parent) const {
    auto *edit = new CHexEdit(parent);
    Named(edit, id);
    edit->setFont(fixed_);
    if (bytes > 0) edit->SetLimitBytes(bytes);
    FitBytes(edit, bytes > 0 ? bytes : kUnlimitedShownBytes);
    return edit;
}

void PageBuilder::FitBytes(CHexEdit *edit, int bytes) const {
    // Two digits a byte and room for the frame and the caret.
    const int digits = 2 * std::max(bytes, 1) + 2;
    edit->setMinimumWidth(QFontMetrics(fixed_).horizontalAdvance(QString(digits, u'0')));
}

void PageBuilder::KeepWidth(QWidget *control) {
    control->setMaximumWidth(control->minimumWidth());
}

QLabel *PageBuilder::Label(const QString &caption, QWidget *control, QWidget *parent) const {
    QLabel *label = CaptionLabel(caption, control, parent);
    Styled(label);
    return label;
}

QLabel *PageBuilder::Text(const QString &text, QWidget *parent) const {
    auto *label = new QLabel(text, parent);
    Styled(label);
    return label;
}

QPushButton *PageBuilder::Button(int id, const QString &caption, QWidget *parent) const {
    auto *button = new QPushButton(caption, parent);
    Styled(Named(button, id));
    return button;
}

QRadioButton *PageBuilder::Radio(int id, const QString &caption, QWidget *parent) const {
    auto *radio = new QRadioButton(caption, parent);
    Styled(Named(radio, id));
    return radio;
}

QComboBox *PageBuilder::List(int id, QWidget *parent) const {
    auto *list = new QComboBox(parent);
    Named(list, id);
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return list;
}

std::pair<GroupFrame *, QGridLayout *> PageBuilder::Frame(int id, const QString &caption,
                                                          QWidget *parent) const {
    auto *frame = new GroupFrame(caption, parent);
    Named(frame, id);
    NameAfterCaption(frame, caption);
    return {frame, new QGridLayout(frame)};
}

}  // namespace tilvane
