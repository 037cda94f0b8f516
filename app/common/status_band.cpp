#include "common/status_band.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

#include "common/svg_icon.h"

namespace tilvane {

namespace {

constexpr int kBandHeight = 18;
constexpr int kMarkSize = 18;

// Assistive technology meets the band as a status bar, named by its message.
QAccessibleInterface *AccessibleBand(const QString &class_name, QObject *object) {
    if (class_name != QLatin1String(StatusBand::staticMetaObject.className())) return nullptr;
    return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::StatusBar);
}

}  // namespace

StatusBand::StatusBand(QWidget *parent)
    : QWidget(parent),
      error_mark_(SvgIcon(QStringLiteral(":/icons/error_mark.svg"))),
      success_mark_(SvgIcon(QStringLiteral(":/icons/success_mark.svg"))) {
    setObjectName(QStringLiteral("statusBand"));
    setFixedHeight(kBandHeight);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    static const bool factory_installed = [] {
        QAccessible::installFactory(AccessibleBand);
        return true;
    }();
    Q_UNUSED(factory_installed);
}

void StatusBand::Show(Mark mark, const QString &text) {
    mark_ = mark;
    text_ = text;
    setToolTip(text);
    // A screen reader hears every outcome: the message is the band's name, and
    // the same message again is announced again.
    if (accessibleName() == text) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    } else {
        setAccessibleName(text);
    }
    update();
}

QSize StatusBand::sizeHint() const {
    return {minimumWidth(), kBandHeight};
}

void StatusBand::paintEvent(QPaintEvent *) {
    if (mark_ == Mark::None) return;
    QPainter painter(this);
    const QIcon &icon = mark_ == Mark::Error ? error_mark_ : success_mark_;
    icon.paint(&painter, QRect(0, (height() - kMarkSize) / 2, kMarkSize, kMarkSize));
    painter.setPen(QColor(0, 0, 255));
    const QRect text_area = rect().adjusted(kMarkSize + 2, 0, 0, 0);
    painter.setClipRect(text_area);
    painter.drawText(text_area, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text_);
}

}  // namespace tilvane
