#include "controls/menu_images.h"

#include <QImage>
#include <QPainter>

namespace tilvane {

QPixmap ToolbarImage(const QPixmap &picture, QSize size) {
    QImage image = picture.toImage()
                       .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) == 255 && (row[x] & RGB_MASK) == kToolbarBackground) row[x] = 0;
        }
    }
    return QPixmap::fromImage(image);
}

QPixmap ImageShadow(const QPixmap &image, const QColor &colour) {
    QPixmap shadow(image.size());
    shadow.fill(Qt::transparent);
    QPainter painter(&shadow);
    painter.drawPixmap(0, 0, image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(shadow.rect(), colour);
    return shadow;
}

}  // namespace tilvane
