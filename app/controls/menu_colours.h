#pragma once

// The colours of the flat menu, derived from the palette: the system's own
// colours lightened or darkened, so the menu follows whatever scheme is in use.

#include <QColor>
#include <QPalette>

namespace tilvane {

// Each channel moved by `factor` towards white (c + f(255 - c)) or towards
// black (c - fc). A factor outside 0 < f <= 1 leaves the colour as it is.
QColor Lighten(const QColor &colour, double factor);
QColor Darken(const QColor &colour, double factor);

struct FlatMenuColours {
    QColor background;       // the item area
    QColor image_column;     // the strip of images and check marks at the left
    QColor selection_fill;   // a selected item
    QColor selection_frame;  // the frame round a selected item, and round a ticked image
    QColor text;
    QColor disabled_text;           // a disabled item, not selected
    QColor disabled_text_selected;  // a disabled item under the selection
    QColor ticked_cell;             // behind the image of a ticked item
    QColor ticked_cell_selected;
    QColor etch_dark;  // the two lines of a separator
    QColor etch_light;
};

// `themed`: the system draws its windows with a visual theme, which already
// makes the button face light; otherwise the image column is lightened here.
FlatMenuColours FlatColours(const QPalette &palette, bool themed);

}  // namespace tilvane
