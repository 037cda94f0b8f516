#include "common/svg_icon.h"

#include <QPainter>
#include <QSvgRenderer>

#include <mutex>

// The icons live in a resource file of a static library: register it before the
// first use, since nothing else references it.
static void InitIconResources() {
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(tilvane); });
}

namespace tilvane {

namespace {

QPixmap Render(QSvgRenderer &renderer, QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    return pixmap;
}

}  // namespace

QPixmap SvgPixmap(const QString &resource, QSize size) {
    InitIconResources();
    QSvgRenderer renderer(resource);
    return Render(renderer, size);
}

QIcon SvgIcon(const QString &resource) {
    InitIconResources();
    // One parse of the file for all the sizes.
    QSvgRenderer renderer(resource);
    QIcon icon;
    for (int size : {16, 18, 32, 36}) icon.addPixmap(Render(renderer, QSize(size, size)));
    return icon;
}

}  // namespace tilvane
