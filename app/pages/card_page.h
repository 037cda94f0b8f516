#pragma once

// What every card page is to the view: a widget it creates, places and destroys.
// Pages that fill the view (SRIX4K, ISO 15693) lay their controls out for the
// screen's width.

#include <QWidget>

#include <map>

namespace tilvane {

// The objectName of `id` in a page's table of control names; empty for none.
inline QString ControlNameIn(const std::map<int, const char *> &names, int id) {
    const auto found = names.find(id);
    return found != names.end() ? QString::fromLatin1(found->second) : QString();
}

class CardPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Called after the view has given the page its client area.
    virtual void LayoutForScreen(int screen_width) { Q_UNUSED(screen_width); }

    // A control by its original identifier; null when the page has none.
    QWidget *Control(int id) const {
        const QString name = ControlNameOf(id);
        return name.isEmpty() ? nullptr : findChild<QWidget *>(name);
    }

protected:
    // The objectName of the control with identifier `id`; empty for none.
    virtual QString ControlNameOf(int id) const {
        Q_UNUSED(id);
        return {};
    }
};

}  // namespace tilvane
