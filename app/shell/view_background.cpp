#include "shell/view_background.h"

#include <QPainter>

namespace tilvane {

namespace {

int Wrap(int value) {
    return ((value % 256) + 256) % 256;
}

}  // namespace

int GradientBandHeight(int client_height) {
    const int half = client_height / 2;
    return half >= 168 ? 84 : half / 2;
}

QColor GradientStripeColour(int i, int n) {
    if (n <= 0) return Qt::white;
    return QColor(Wrap(i - 85), Wrap(67 * i / n - 68), Wrap(56 * i / n - 57));
}

void PaintViewBackground(QPainter &painter, QSize client) {
    const int height = client.height();
    const int half = height / 2;
    const int n = GradientBandHeight(height);
    painter.fillRect(QRect(QPoint(0, 0), client), Qt::white);
    for (int i = 0; i < n; ++i) {
        const QColor colour = GradientStripeColour(i, n);
        painter.fillRect(0, i, client.width(), 1, colour);
        painter.fillRect(0, height + 1 - i, client.width(), 1, colour);
    }
    if (half - n > 0) painter.fillRect(0, n, client.width(), 2 * (half - n) + 3, Qt::white);
}

}  // namespace tilvane
