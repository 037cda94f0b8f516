#include "controls/menu_colours.h"

namespace tilvane {

namespace {

template <typename Shift>
QColor EachChannel(const QColor &colour, double factor, Shift shift) {
    if (!(factor > 0.0 && factor <= 1.0)) return colour;
    return QColor(shift(colour.red()), shift(colour.green()), shift(colour.blue()));
}

}  // namespace

QColor Lighten(const QColor &colour, double factor) {
    return EachChannel(colour, factor,
                       [factor](int c) { return static_cast<int>(c + factor * (255 - c)); });
}

QColor Darken(const QColor &colour, double factor) {
    return EachChannel(colour, factor,
                       [factor](int c) { return static_cast<int>(c - factor * c); });
}

FlatMenuColours FlatColours(const QPalette &palette, bool themed) {
    const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
    const QColor button_face = palette.color(QPalette::Active, QPalette::Button);
    const QColor grey_text = palette.color(QPalette::Disabled, QPalette::Text);
    FlatMenuColours colours;
    colours.background = Darken(palette.color(QPalette::Active, QPalette::Base), 0.02);
    colours.image_column = themed ? button_face : Lighten(button_face, 0.25);
    colours.selection_fill = Lighten(highlight, themed ? 0.7 : 0.85);
    colours.selection_frame = highlight;
    colours.text = palette.color(QPalette::Active, QPalette::Text);
    colours.disabled_text = themed ? grey_text : Lighten(grey_text, 0.4);
    colours.disabled_text_selected = grey_text;
    colours.ticked_cell = Lighten(highlight, 0.85);
    colours.ticked_cell_selected = Lighten(highlight, 0.55);
    colours.etch_dark = palette.color(QPalette::Active, QPalette::Dark);
    colours.etch_light = palette.color(QPalette::Active, QPalette::Light);
    return colours;
}

}  // namespace tilvane
