#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

namespace velmora::test {

// The smallest box holding every pixel of region that differs from background.
inline QRect InkBox(const QImage& image, const QRect& region, const QColor& background) {
    QRect box;
    const QRect area = region.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) != background) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

inline int CountColour(const QImage& image, const QRect& region, const QColor& colour) {
    int count = 0;
    const QRect area = region.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

// True when every pixel of region has the given colour.
inline bool AllOf(const QImage& image, const QRect& region, const QColor& colour) {
    return CountColour(image, region, colour) ==
           region.intersected(image.rect()).width() * region.intersected(image.rect()).height();
}

}  // namespace velmora::test
