#include "controls/pelk_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "common/svg_icon.h"
#include "controls/menu_images.h"

namespace tilvane {

namespace {

QAction *FindIn(const QMenu *menu, int command_id) {
    for (QAction *action : menu->actions()) {
        if (action->menu() != nullptr) {
            if (QAction *found = FindIn(action->menu(), command_id)) return found;
        } else if (!action->isSeparator() && action->data().toInt() == command_id) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace

PelkMenu::PelkMenu(PelkMenuSettings settings, QObject *parent)
    : QObject(parent), style_(new PelkMenuStyle(settings)) {
    style_->setParent(this);
}

void PelkMenu::Load(QMenuBar *bar, const std::vector<Popup> &popups) {
    for (const Popup &popup : popups) {
        QMenu *menu = bar->addMenu(popup.title);
        menu->setStyle(style_);
        menu->setSeparatorsCollapsible(false);
        for (QAction *item : popup.items) {
            if (item == nullptr) {
                menu->addSeparator();
            } else {
                menu->addAction(item);
            }
        }
        popups_.push_back(menu);
    }
}

void PelkMenu::LoadToolbarImages(const std::vector<ToolbarButton> &toolbar) {
    const QSize size = style_->settings().image_size;
    for (const ToolbarButton &button : toolbar) {
        QAction *item = FindCommand(button.command_id);
        if (item == nullptr) continue;
        item->setIcon(QIcon(ToolbarImage(SvgPixmap(button.picture, size), size)));
        item->setIconVisibleInMenu(true);
    }
}

bool PelkMenu::SetItemText(int popup, int position, const QString &text) {
    const QMenu *menu = this->popup(popup);
    if (menu == nullptr || position < 0 || position >= menu->actions().size()) return false;
    menu->actions()[position]->setText(text);
    return true;
}

bool PelkMenu::SetItemTextById(int command_id, const QString &text) {
    QAction *item = FindCommand(command_id);
    if (item == nullptr) return false;
    item->setText(text);
    return true;
}

QMenu *PelkMenu::popup(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < popups_.size()
               ? popups_[static_cast<std::size_t>(index)]
               : nullptr;
}

QAction *PelkMenu::FindCommand(int command_id) const {
    for (const QMenu *menu : popups_) {
        if (QAction *found = FindIn(menu, command_id)) return found;
    }
    return nullptr;
}

}  // namespace tilvane
