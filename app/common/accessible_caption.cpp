#include "common/accessible_caption.h"

namespace tilvane {

void NameAfterCaption(QWidget *control, const QString &caption) {
    QString name = caption;
    name.remove(QLatin1Char('&'));
    control->setAccessibleName(name.trimmed());
}

QLabel *CaptionLabel(const QString &caption, QWidget *control, QWidget *parent) {
    auto *label = new QLabel(caption, parent);
    label->setBuddy(control);
    NameAfterCaption(control, caption);
    return label;
}

}  // namespace tilvane
