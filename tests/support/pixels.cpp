#include "support/pixels.h"

#include <cstdlib>

namespace testing_support {

bool isInk(const QColor& c, const QColor& back, int threshold) {
    return std::abs(c.red() - back.red()) + std::abs(c.green() - back.green()) +
               std::abs(c.blue() - back.blue()) >
           threshold;
}

std::vector<std::pair<int, int>> inkRows(const QImage& image, const QRect& rect, const QColor& back,
                                         int threshold) {
    std::vector<std::pair<int, int>> runs;
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        bool ink = false;
        for (int x = area.left(); x <= area.right() && !ink; ++x)
            ink = isInk(image.pixelColor(x, y), back, threshold);
        if (!ink) continue;
        if (!runs.empty() && runs.back().second == y - 1)
            runs.back().second = y;
        else
            runs.emplace_back(y, y);
    }
    return runs;
}

std::pair<int, int> inkColumns(const QImage& image, const QRect& rect, const QColor& back, int threshold) {
    int first = -1, last = -2;
    const QRect area = rect.intersected(image.rect());
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y) {
            if (!isInk(image.pixelColor(x, y), back, threshold)) continue;
            if (first < 0) first = x;
            last = x;
            break;
        }
    return {first, last};
}

} // namespace testing_support
