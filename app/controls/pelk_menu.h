#pragma once

// The main window's menu: fills the menu bar with its popups and has every item
// drawn by its own style (the flat style with the image column), gives items the
// images of the toolbar buttons with the same command, and changes item texts.
// An item's command identifier is its action's data.

#include <QObject>
#include <QString>

#include <vector>

#include "controls/pelk_menu_style.h"

class QAction;
class QMenu;
class QMenuBar;

namespace tilvane {

class PelkMenu : public QObject {
    Q_OBJECT
public:
    struct Popup {
        QString title;
        std::vector<QAction *> items;  // a null entry is a separator
    };
    struct ToolbarButton {
        int command_id;
        QString picture;  // an SVG resource
    };

    explicit PelkMenu(PelkMenuSettings settings = PelkMenuSettings(), QObject *parent = nullptr);

    // Adds the popups to `bar`, each item in the order given. Separators stay
    // where they are put, first or last in a popup included.
    void Load(QMenuBar *bar, const std::vector<Popup> &popups);
    // Gives every item whose command is a button of `toolbar` that button's
    // picture as its image.
    void LoadToolbarImages(const std::vector<ToolbarButton> &toolbar);

    // The item at `position` of popup `popup`, separators counted; false when
    // there is none.
    bool SetItemText(int popup, int position, const QString &text);
    // The first item with the command, through the submenus too.
    bool SetItemTextById(int command_id, const QString &text);

    QMenu *popup(int index) const;
    PelkMenuStyle *style() const { return style_; }

private:
    QAction *FindCommand(int command_id) const;

    PelkMenuStyle *style_;
    std::vector<QMenu *> popups_;
};

}  // namespace tilvane
