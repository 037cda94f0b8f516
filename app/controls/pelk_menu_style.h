#pragma once

// How the main window's menus measure and draw their items: the flat style, with
// a column of images and check marks at the left, a light selection framed in
// the highlight colour, etched separators and right-aligned shortcuts; or the
// classic style in the system's own menu colours on a palette display, or when
// the flat mode is switched off.

#include <QProxyStyle>
#include <QSize>

#include "controls/menu_colours.h"
#include "controls/menu_system.h"

class QStyleOptionMenuItem;

namespace tilvane {

// The image size and drawing switches of a menu.
struct PelkMenuSettings {
    QSize image_size{16, 15};
    bool flat_when_themed = true;
    bool flat_when_unthemed = true;
    // A selected image stands raised over its shadow.
    bool raised_images = true;
    bool themed = RunningMenuSystem().themed;
};

class PelkMenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    using Settings = PelkMenuSettings;

    explicit PelkMenuStyle(Settings settings = PelkMenuSettings());

    const Settings &settings() const { return settings_; }
    // The flat style, unless the display works with a palette or the flat mode
    // of this kind of system is off.
    bool FlatStyle(const QWidget *widget) const;
    // Space round the image in the image column.
    int ImageMargin(const QWidget *widget) const;
    int ImageColumnWidth(const QWidget *widget) const;
    FlatMenuColours Colours(const QPalette &palette) const;

    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override;

private:
    void DrawFlatItem(const QStyleOptionMenuItem &item, QPainter *painter,
                      const QWidget *widget) const;
    void DrawClassicItem(const QStyleOptionMenuItem &item, QPainter *painter,
                         const QWidget *widget) const;
    // The image, or the check mark of a ticked item without one (in `mark`), in
    // `column`. The flat style frames the image of a ticked item.
    void DrawImageOrCheck(const QStyleOptionMenuItem &item, QPainter *painter, const QRect &column,
                          const QColor &mark, const FlatMenuColours *flat) const;
    // The item's text from `left`; its shortcut ends one image width before the
    // item's right edge, where a submenu's arrow goes.
    void DrawItemText(const QStyleOptionMenuItem &item, QPainter *painter, int left,
                      const QColor &colour, const QWidget *widget) const;

    Settings settings_;
};

// The height of a menu bar in `font`: its line and a little air.
int MenuBarHeight(const QFont &font);

}  // namespace tilvane
