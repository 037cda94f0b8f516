#include "controls/pelk_menu_style.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionMenuItem>
#include <QWidget>

#include <algorithm>

#include "controls/menu_images.h"

namespace tilvane {

namespace {

// Room the flat style leaves between the image column and the text, and between
// the column and a separator's line.
constexpr int kTextGap = 8;
constexpr int kSeparatorIndent = 7;
constexpr int kFlatSeparatorHeight = 3;

bool Selected(const QStyleOption &option) { return option.state & QStyle::State_Selected; }

bool Enabled(const QStyleOption &option) { return option.state & QStyle::State_Enabled; }

bool Ticked(const QStyleOptionMenuItem &item) {
    return item.checkType != QStyleOptionMenuItem::NotCheckable && item.checked;
}

// The text before the tab, and the shortcut after it.
std::pair<QString, QString> LabelAndShortcut(const QString &text) {
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    if (tab < 0) return {text, {}};
    return {text.left(tab), text.mid(tab + 1)};
}

// The same tick whatever the check type: the family on show is ticked, not dotted.
void DrawCheckMark(QPainter *painter, const QRect &cell, const QColor &colour) {
    constexpr int kWidth = 7;
    constexpr int kHeight = 6;
    const QPoint origin(cell.left() + (cell.width() - kWidth) / 2,
                        cell.top() + (cell.height() - kHeight) / 2);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(colour);
    for (int thickness = 0; thickness < 2; ++thickness) {
        const QPoint down(0, thickness);
        const QPoint tick[] = {origin + QPoint(0, 2) + down, origin + QPoint(2, 4) + down,
                               origin + QPoint(6, 0) + down};
        painter->drawPolyline(tick, 3);
    }
    painter->restore();
}

void DrawEtchedLine(QPainter *painter, int left, int right, int y, const QColor &dark,
                    const QColor &light) {
    painter->setPen(dark);
    painter->drawLine(left, y, right, y);
    painter->setPen(light);
    painter->drawLine(left, y + 1, right, y + 1);
}

}  // namespace

int MenuBarHeight(const QFont &font) { return QFontMetrics(font).height() + 4; }

PelkMenuStyle::PelkMenuStyle(Settings settings) : settings_(settings) {}

bool PelkMenuStyle::FlatStyle(const QWidget *widget) const {
    const QScreen *screen = widget ? widget->screen() : QGuiApplication::primaryScreen();
    const bool palette_display = screen && screen->depth() <= 8;
    const bool flat_mode =
        settings_.themed ? settings_.flat_when_themed : settings_.flat_when_unthemed;
    return !palette_display && flat_mode;
}

int PelkMenuStyle::ImageMargin(const QWidget *widget) const {
    return FlatStyle(widget) && settings_.raised_images ? 7 : 4;
}

int PelkMenuStyle::ImageColumnWidth(const QWidget *widget) const {
    if (!FlatStyle(widget)) return settings_.image_size.width() + 1;
    return settings_.image_size.width() + (settings_.raised_images ? 7 : 4);
}

FlatMenuColours PelkMenuStyle::Colours(const QPalette &palette) const {
    return FlatColours(palette, settings_.themed);
}

QSize PelkMenuStyle::sizeFromContents(ContentsType type, const QStyleOption *option,
                                      const QSize &size, const QWidget *widget) const {
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (type != CT_MenuItem || item == nullptr) {
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }
    const QSize image = settings_.image_size;
    const bool flat = FlatStyle(widget);
    const int margin = ImageMargin(widget);
    const int bar = MenuBarHeight(item->font);
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        // One pixel wide, as a menu drops an item of no width; every row takes
        // the widest item's width anyway.
        return {1, flat ? kFlatSeparatorHeight : std::max((image.height() + margin) / 2, bar / 2)};
    }
    const auto [label, shortcut] = LabelAndShortcut(item->text);
    int text =
        QFontMetrics(item->font).size(Qt::TextSingleLine | Qt::TextShowMnemonic, label).width();
    // The menu adds the shortcut column itself; this is the gap before it.
    if (!shortcut.isEmpty()) text += image.width();
    const int width =
        flat ? text + image.width() + margin + kTextGap : text + 2 * image.width() + 1;
    // The system added a check mark's width to what an owner-drawn item
    // measured: the room the text keeps from the right edge.
    return {width + image.width(), std::max(bar, image.height() + margin)};
}

void PelkMenuStyle::drawControl(ControlElement element, const QStyleOption *option,
                                QPainter *painter, const QWidget *widget) const {
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (item != nullptr && element == CE_MenuItem) {
        if (FlatStyle(widget)) {
            DrawFlatItem(*item, painter, widget);
        } else {
            DrawClassicItem(*item, painter, widget);
        }
        return;
    }
    if (item != nullptr && element == CE_MenuEmptyArea && FlatStyle(widget)) {
        // The image column runs the menu's whole height.
        const FlatMenuColours colours = Colours(item->palette);
        painter->fillRect(item->rect, colours.background);
        const int left = pixelMetric(PM_MenuPanelWidth, option, widget) +
                         pixelMetric(PM_MenuHMargin, option, widget);
        painter->fillRect(
            QRect(left, item->rect.top(), ImageColumnWidth(widget), item->rect.height()),
            colours.image_column);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void PelkMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                  QPainter *painter, const QWidget *widget) const {
    if ((element == PE_PanelMenu || element == PE_FrameMenu) && FlatStyle(widget)) {
        const FlatMenuColours colours = Colours(option->palette);
        if (element == PE_PanelMenu) {
            painter->fillRect(option->rect, colours.background);
        } else {
            painter->setPen(colours.etch_dark);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        }
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

int PelkMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                               const QWidget *widget) const {
    if (FlatStyle(widget)) {
        switch (metric) {
            case PM_MenuPanelWidth:
            case PM_MenuVMargin:
                return 1;
            case PM_MenuHMargin:
                return 0;
            default:
                break;
        }
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void PelkMenuStyle::DrawFlatItem(const QStyleOptionMenuItem &item, QPainter *painter,
                                 const QWidget *widget) const {
    const FlatMenuColours colours = Colours(item.palette);
    const QRect &r = item.rect;
    const QRect column(r.left(), r.top(), ImageColumnWidth(widget), r.height());
    painter->save();
    if (item.menuItemType == QStyleOptionMenuItem::Separator) {
        painter->fillRect(r, colours.background);
        painter->fillRect(column, colours.image_column);
        DrawEtchedLine(painter, column.right() + 1 + kSeparatorIndent, r.right(),
                       r.top() + r.height() / 2, colours.etch_dark, colours.etch_light);
        painter->restore();
        return;
    }
    const bool selected = Selected(item);
    if (selected) {
        painter->fillRect(r, colours.selection_fill);
        painter->setPen(colours.selection_frame);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(r.adjusted(0, 0, -1, -1));
    } else {
        painter->fillRect(r, colours.background);
        painter->fillRect(column, colours.image_column);
    }
    const QColor text = Enabled(item)
                            ? colours.text
                            : (selected ? colours.disabled_text_selected : colours.disabled_text);
    DrawImageOrCheck(item, painter, column, text, &colours);
    DrawItemText(item, painter, column.right() + 1 + kTextGap, text, widget);
    painter->restore();
}

void PelkMenuStyle::DrawClassicItem(const QStyleOptionMenuItem &item, QPainter *painter,
                                    const QWidget *widget) const {
    const QPalette &palette = item.palette;
    const QColor menu = palette.color(settings_.themed ? QPalette::Button : QPalette::Window);
    const QRect &r = item.rect;
    const QRect column(r.left(), r.top(), ImageColumnWidth(widget), r.height());
    painter->save();
    if (item.menuItemType == QStyleOptionMenuItem::Separator) {
        painter->fillRect(r, menu);
        DrawEtchedLine(painter, r.left() + 1, r.right() - 1, r.top() + r.height() / 2 - 1,
                       palette.color(QPalette::Dark), palette.color(QPalette::Light));
        painter->restore();
        return;
    }
    const bool selected = Selected(item);
    painter->fillRect(r, selected ? palette.color(QPalette::Highlight) : menu);
    const QColor text = palette.color(selected ? QPalette::HighlightedText : QPalette::WindowText);
    const int text_left = column.right() + 1;
    if (Enabled(item)) {
        DrawImageOrCheck(item, painter, column, text, nullptr);
        DrawItemText(item, painter, text_left, text, widget);
    } else {
        // Embossed: the light copy one pixel right and down, the grey one over it.
        const QColor grey = palette.color(QPalette::Disabled, QPalette::Text);
        DrawImageOrCheck(item, painter, column, grey, nullptr);
        painter->translate(1, 1);
        DrawItemText(item, painter, text_left, palette.color(QPalette::Light), widget);
        painter->translate(-1, -1);
        DrawItemText(item, painter, text_left, grey, widget);
    }
    painter->restore();
}

void PelkMenuStyle::DrawImageOrCheck(const QStyleOptionMenuItem &item, QPainter *painter,
                                     const QRect &column, const QColor &mark,
                                     const FlatMenuColours *flat) const {
    const QSize size = settings_.image_size;
    const QRect cell(column.left() + (column.width() - size.width()) / 2,
                     column.top() + (column.height() - size.height()) / 2, size.width(),
                     size.height());
    if (item.icon.isNull()) {
        if (Ticked(item)) DrawCheckMark(painter, cell, mark);
        return;
    }
    const bool selected = Selected(item);
    const bool enabled = Enabled(item);
    if (flat != nullptr && Ticked(item)) {
        const QRect frame = cell.adjusted(-2, -2, 2, 2);
        painter->fillRect(frame, selected ? flat->ticked_cell_selected : flat->ticked_cell);
        painter->setPen(flat->selection_frame);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(frame.adjusted(0, 0, -1, -1));
    }
    const QPixmap image = item.icon.pixmap(size, enabled ? QIcon::Normal : QIcon::Disabled);
    if (selected && enabled && settings_.raised_images) {
        painter->drawPixmap(cell.topLeft() + QPoint(1, 1),
                            ImageShadow(image, item.palette.color(QPalette::Dark)));
        painter->drawPixmap(cell.topLeft() - QPoint(1, 1), image);
    } else {
        painter->drawPixmap(cell.topLeft(), image);
    }
}

void PelkMenuStyle::DrawItemText(const QStyleOptionMenuItem &item, QPainter *painter, int left,
                                 const QColor &colour, const QWidget *widget) const {
    const QRect &r = item.rect;
    const QRect area(left, r.top(),
                     std::max(0, r.right() + 1 - settings_.image_size.width() - left), r.height());
    int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    if (!proxy()->styleHint(SH_UnderlineShortcut, &item, widget)) flags |= Qt::TextHideMnemonic;
    const auto [label, shortcut] = LabelAndShortcut(item.text);
    painter->setFont(item.font);
    painter->setPen(colour);
    painter->drawText(area, flags | Qt::AlignLeft, label);
    if (!shortcut.isEmpty()) painter->drawText(area, flags | Qt::AlignRight, shortcut);
    if (item.menuItemType == QStyleOptionMenuItem::SubMenu) {
        QStyleOption arrow = item;
        arrow.rect = QRect(area.right() + 1, r.top(), settings_.image_size.width(), r.height());
        arrow.palette.setColor(QPalette::ButtonText, colour);
        proxy()->drawPrimitive(PE_IndicatorArrowRight, &arrow, painter, widget);
    }
}

}  // namespace tilvane
