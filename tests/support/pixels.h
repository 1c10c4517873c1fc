#pragma once
// Reading what a window drew: the ink of text and pictures against the
// colour behind them.
#include <QColor>
#include <QImage>
#include <QRect>
#include <utility>
#include <vector>

namespace testing_support {

// A pixel that differs from back by more than threshold, the sum of the
// three channels' differences.
bool isInk(const QColor& c, const QColor& back, int threshold);
// The runs of pixel rows of rect in image that hold ink against back, top
// to bottom, as image rows: one run per line of text.
std::vector<std::pair<int, int>> inkRows(const QImage& image, const QRect& rect, const QColor& back,
                                         int threshold = 120);
// The first and last columns of rect in image that hold ink against back;
// {-1, -2} when none does.
std::pair<int, int> inkColumns(const QImage& image, const QRect& rect, const QColor& back,
                               int threshold = 150);

} // namespace testing_support
