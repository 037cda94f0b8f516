#pragma once

#include <QIcon>
#include <QPixmap>

namespace tilvane {

// An icon drawn from an SVG resource at the sizes the application uses it.
QIcon SvgIcon(const QString &resource);
// The SVG resource drawn at the given size.
QPixmap SvgPixmap(const QString &resource, QSize size);

}  // namespace tilvane
