#pragma once

// The view's background: a band that fades from blue-grey into white at the top
// and, mirrored, at the bottom, with white between.

#include <QColor>
#include <QSize>

class QPainter;

namespace tilvane {

// Rows in each band for a client area `client_height` pixels high.
int GradientBandHeight(int client_height);
// Colour of row i of a band of n rows (row 0 is RGB(171, 188, 199)).
QColor GradientStripeColour(int i, int n);
void PaintViewBackground(QPainter &painter, QSize client);

}  // namespace tilvane
