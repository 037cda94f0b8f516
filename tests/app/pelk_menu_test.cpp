// The main window's owner-drawn menu: item sizes, the colours it derives from the
// palette, what it draws for items, separators, check marks and images.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QStyleOptionMenuItem>

#include "controls/menu_colours.h"
#include "controls/menu_images.h"
#include "controls/pelk_menu_style.h"

namespace {

using tilvane::PelkMenuStyle;
using Item = QStyleOptionMenuItem;

// A scheme of the classic desktop, so every derived colour can be worked out by hand.
QPalette TestPalette() {
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(255, 255, 255));
    palette.setColor(QPalette::Window, QColor(212, 208, 200));
    palette.setColor(QPalette::Button, QColor(212, 208, 200));
    palette.setColor(QPalette::Highlight, QColor(10, 36, 106));
    palette.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    palette.setColor(QPalette::Text, QColor(0, 0, 0));
    palette.setColor(QPalette::WindowText, QColor(0, 0, 0));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    palette.setColor(QPalette::Dark, QColor(128, 128, 128));
    palette.setColor(QPalette::Light, QColor(255, 255, 254));
    return palette;
}

// The system here has no themes: unthemed unless a test says otherwise.
PelkMenuStyle::Settings Flat() {
    PelkMenuStyle::Settings settings;
    settings.themed = false;
    return settings;
}

PelkMenuStyle::Settings Classic() {
    PelkMenuStyle::Settings settings = Flat();
    settings.flat_when_unthemed = false;
    return settings;
}

// Text drawn without smoothing shows its colour exactly.
QFont MenuFont() {
    QFont font = QApplication::font();
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

Item MenuItem(const QString &text, Item::MenuItemType type = Item::Normal) {
    Item item;
    item.palette = TestPalette();
    item.font = MenuFont();
    item.text = text;
    item.menuItemType = type;
    item.checkType = Item::NotCheckable;
    item.state = QStyle::State_Enabled;
    return item;
}

Item Ticked(Item item, Item::CheckType type) {
    item.checkType = type;
    item.checked = true;
    return item;
}

Item Selected(Item item) {
    item.state |= QStyle::State_Selected;
    return item;
}

QImage Draw(const PelkMenuStyle &style, Item item, QSize size = {200, 22}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    item.rect = QRect(QPoint(0, 0), size);
    QPainter painter(&image);
    style.drawControl(QStyle::CE_MenuItem, &item, &painter, nullptr);
    return image;
}

QColor At(const QImage &image, int x, int y) { return image.pixelColor(x, y); }

// The pixels of `colour` in the columns [left, right) of the image.
int Count(const QImage &image, int left, int right, const QColor &colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = left; x < right; ++x) n += image.pixelColor(x, y) == colour;
    }
    return n;
}

TEST(MenuColours, LightenAndDarkenMoveEachChannelByTheFactor) {
    const QColor grey(100, 150, 200);
    EXPECT_EQ(tilvane::Lighten(grey, 0.5), QColor(177, 202, 227));
    EXPECT_EQ(tilvane::Darken(grey, 0.5), QColor(50, 75, 100));
    EXPECT_EQ(tilvane::Lighten(grey, 1.0), QColor(255, 255, 255));
    for (double outside : {0.0, -0.5, 1.5}) {
        EXPECT_EQ(tilvane::Lighten(grey, outside), grey) << outside;
        EXPECT_EQ(tilvane::Darken(grey, outside), grey) << outside;
    }
}

struct ColourCase {
    bool themed;
    QColor image_column, selection_fill, disabled_text;
};

TEST(MenuColours, FollowThePaletteThemedAndUnthemed) {
    for (const ColourCase &row : {
             ColourCase{false, QColor(222, 219, 213), QColor(218, 222, 232), QColor(178, 178, 178)},
             ColourCase{true, QColor(212, 208, 200), QColor(181, 189, 210), QColor(128, 128, 128)},
         }) {
        const tilvane::FlatMenuColours colours = tilvane::FlatColours(TestPalette(), row.themed);
        EXPECT_EQ(colours.background, QColor(249, 249, 249)) << row.themed;
        EXPECT_EQ(colours.image_column, row.image_column) << row.themed;
        EXPECT_EQ(colours.selection_fill, row.selection_fill) << row.themed;
        EXPECT_EQ(colours.selection_frame, QColor(10, 36, 106)) << row.themed;
        EXPECT_EQ(colours.disabled_text, row.disabled_text) << row.themed;
        EXPECT_EQ(colours.disabled_text_selected, QColor(128, 128, 128)) << row.themed;
        EXPECT_EQ(colours.ticked_cell, QColor(218, 222, 232)) << row.themed;
        EXPECT_EQ(colours.ticked_cell_selected, QColor(144, 156, 187)) << row.themed;
    }
}

struct SizeCase {
    const char *name;
    PelkMenuStyle::Settings settings;
    const char *text;
    int extra_width;   // beyond the label's width, a check mark's width included
    int least_height;  // the image's height and margin, when above a menu bar's
};

TEST(MenuItemSize, FollowsTheStyleTheImageAndTheText) {
    PelkMenuStyle::Settings low = Flat();
    low.raised_images = false;
    const QFont font = MenuFont();
    const int bar = tilvane::MenuBarHeight(font);
    for (const SizeCase &row : {
             SizeCase{"flat", Flat(), "Exit(&X)", 16 + 7 + 8 + 16, 15 + 7},
             SizeCase{"flat shortcut", Flat(), "Exit(&X)\tCtrl+Q", 16 + 16 + 7 + 8 + 16, 15 + 7},
             SizeCase{"flat, images not raised", low, "Exit(&X)", 16 + 4 + 8 + 16, 15 + 4},
             SizeCase{"classic", Classic(), "Exit(&X)", 2 * 16 + 1 + 16, 15 + 4},
         }) {
        const PelkMenuStyle style(row.settings);
        Item item = MenuItem(QString::fromLatin1(row.text));
        const QSize size = style.sizeFromContents(QStyle::CT_MenuItem, &item, {}, nullptr);
        const int label =
            QFontMetrics(font).size(Qt::TextShowMnemonic, QStringLiteral("Exit(&X)")).width();
        EXPECT_EQ(size.width(), label + row.extra_width) << row.name;
        EXPECT_EQ(size.height(), std::max(bar, row.least_height)) << row.name;
    }
    Item separator = MenuItem({}, Item::Separator);
    EXPECT_EQ(PelkMenuStyle(Flat()).sizeFromContents(QStyle::CT_MenuItem, &separator, {}, nullptr),
              QSize(1, 3));
    EXPECT_EQ(
        PelkMenuStyle(Classic()).sizeFromContents(QStyle::CT_MenuItem, &separator, {}, nullptr),
        QSize(1, std::max((15 + 4) / 2, bar / 2)));
}

struct PixelCase {
    const char *what;
    const QImage &image;
    int x, y;
    QColor colour;
};

TEST(FlatMenuItem, FillsTheColumnFramesTheSelectionAndEtchesSeparators) {
    const PelkMenuStyle style(Flat());
    const auto c = style.Colours(TestPalette());
    const QImage plain = Draw(style, MenuItem(QStringLiteral("Setting")));
    const QImage selected = Draw(style, Selected(MenuItem(QStringLiteral("Setting"))));
    const QImage line = Draw(style, MenuItem({}, Item::Separator), {200, 3});
    for (const PixelCase &row : {
             PixelCase{"image column", plain, 1, 1, c.image_column},
             PixelCase{"its last pixel, 16 + 7 wide", plain, 22, 20, c.image_column},
             PixelCase{"background after it", plain, 23, 20, c.background},
             PixelCase{"background at the right", plain, 199, 1, c.background},
             PixelCase{"selection frame", selected, 0, 0, c.selection_frame},
             PixelCase{"selection frame's far corner", selected, 199, 21, c.selection_frame},
             PixelCase{"selection over the column", selected, 1, 1, c.selection_fill},
             PixelCase{"selection at the right", selected, 198, 1, c.selection_fill},
             PixelCase{"separator's column", line, 5, 1, c.image_column},
             PixelCase{"7 pixels clear of the column", line, 29, 1, c.background},
             PixelCase{"etched line", line, 30, 1, c.etch_dark},
             PixelCase{"etched line to the edge", line, 199, 1, c.etch_dark},
             PixelCase{"its light half", line, 30, 2, c.etch_light},
             PixelCase{"above the line", line, 100, 0, c.background},
         }) {
        EXPECT_EQ(At(row.image, row.x, row.y), row.colour) << row.what;
    }
}

TEST(FlatMenuItem, TextInItsColourAndTheShortcutAtTheRight) {
    const PelkMenuStyle style(Flat());
    const auto colours = style.Colours(TestPalette());
    Item disabled = MenuItem(QStringLiteral("Stop Connect"));
    disabled.state &= ~QStyle::State_Enabled;
    EXPECT_GT(Count(Draw(style, disabled), 23, 200, colours.disabled_text), 0);
    EXPECT_EQ(Count(Draw(style, disabled), 23, 200, colours.text), 0);

    const QImage shortcut = Draw(style, MenuItem(QStringLiteral("Exit\tQ")));
    // "Q" ends one image width before the right edge.
    EXPECT_GT(Count(shortcut, 160, 184, colours.text), 0);
    EXPECT_EQ(Count(shortcut, 184, 200, colours.text), 0);
}

TEST(FlatMenuItem, TickedItemsShowACheckMarkWhateverTheirCheckType) {
    const PelkMenuStyle style(Flat());
    const auto colours = style.Colours(TestPalette());
    const Item family = MenuItem(QStringLiteral("Mifare Std"));
    const QImage tick = Draw(style, Ticked(family, Item::NonExclusive));
    EXPECT_GT(Count(tick, 0, 23, colours.text), 4);
    EXPECT_EQ(Count(Draw(style, family), 0, 23, colours.text), 0);
    // A family of the card menu is one of a group: still a tick, never a dot.
    EXPECT_EQ(Draw(style, Ticked(family, Item::Exclusive)), tick);
}

TEST(FlatMenuItem, AnImageIsCentredRaisedWhenSelectedAndFramedWhenTicked) {
    const PelkMenuStyle style(Flat());
    const auto colours = style.Colours(TestPalette());
    const QColor red(255, 0, 0);
    QPixmap image(16, 15);
    image.fill(red);
    Item item = MenuItem(QStringLiteral("About Tilvane"));
    item.icon = QIcon(image);
    // 16 x 15 in a column 23 wide and an item 22 high: from (3, 3) to (18, 17).
    const QImage plain = Draw(style, item);
    EXPECT_EQ(At(plain, 3, 3), red);
    EXPECT_EQ(At(plain, 18, 17), red);
    EXPECT_EQ(At(plain, 2, 2), colours.image_column);

    const QImage raised = Draw(style, Selected(item));
    EXPECT_EQ(At(raised, 2, 2), red);
    EXPECT_EQ(At(raised, 19, 18), QColor(128, 128, 128));  // the shadow

    const QImage ticked = Draw(style, Ticked(item, Item::NonExclusive));
    EXPECT_EQ(At(ticked, 1, 1), colours.selection_frame);
    EXPECT_EQ(At(ticked, 2, 2), colours.ticked_cell);
    EXPECT_EQ(At(ticked, 20, 19), colours.selection_frame);
    EXPECT_EQ(At(Draw(style, Selected(Ticked(item, Item::NonExclusive))), 19, 2),
              colours.ticked_cell_selected);
}

TEST(ClassicMenuItem, UsesTheMenuColoursAndEmbossesDisabledText) {
    const PelkMenuStyle style(Classic());
    const QPalette palette = TestPalette();
    EXPECT_EQ(At(Draw(style, MenuItem(QStringLiteral("Setting"))), 1, 1),
              palette.color(QPalette::Window));
    EXPECT_EQ(At(Draw(style, Selected(MenuItem(QStringLiteral("Setting")))), 1, 1),
              palette.color(QPalette::Highlight));
    Item disabled = MenuItem(QStringLiteral("Connect"));
    disabled.state &= ~QStyle::State_Enabled;
    const QImage embossed = Draw(style, disabled);
    EXPECT_GT(Count(embossed, 17, 200, palette.color(QPalette::Light)), 0);
    EXPECT_GT(Count(embossed, 17, 200, palette.color(QPalette::Disabled, QPalette::Text)), 0);
}

TEST(MenuImages, TheToolbarsBackgroundGreyIsTransparent) {
    QPixmap picture(16, 15);
    picture.fill(QColor(tilvane::kToolbarBackground));
    {
        QPainter painter(&picture);
        painter.fillRect(4, 4, 8, 7, QColor(0, 0, 160));
    }
    const QImage image = tilvane::ToolbarImage(picture, QSize(16, 15)).toImage();
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(image.pixelColor(6, 6), QColor(0, 0, 160));
}

}  // namespace
