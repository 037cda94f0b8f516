#pragma once

// The item images of the menu: drawn from the toolbar's pictures at the menu's
// image size, and the shadow a selected image is raised over.

#include <QColor>
#include <QPixmap>
#include <QSize>

namespace tilvane {

// Pixels of this colour in a toolbar picture are its background, not the picture.
inline constexpr QRgb kToolbarBackground = 0xC0C0C0;  // RGB(192, 192, 192)

// `picture` at `size`, its background pixels transparent.
QPixmap ToolbarImage(const QPixmap &picture, QSize size);

// The silhouette of `image` in `colour`: every pixel the image covers.
QPixmap ImageShadow(const QPixmap &image, const QColor &colour);

}  // namespace tilvane
