// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/ui/UiImages.h"

#include <QLayout>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace Dartline {

namespace UiImages {

QImage render(QWidget &widget, const QColor &background)
{
    widget.ensurePolished();
    if (widget.layout())
        widget.layout()->activate();
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    widget.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

QColor blend(const QColor &over, const QColor &color, qreal opacity)
{
    const qreal a = color.alphaF() * opacity;
    auto mix = [a](qreal under, qreal top) { return under + (top - under) * a; };
    return QColor::fromRgbF(static_cast<float>(mix(over.redF(), color.redF())),
        static_cast<float>(mix(over.greenF(), color.greenF())), static_cast<float>(mix(over.blueF(), color.blueF())));
}

bool near(const QColor &actual, const QColor &expected, int tolerance)
{
    return std::abs(actual.red() - expected.red()) <= tolerance
        && std::abs(actual.green() - expected.green()) <= tolerance
        && std::abs(actual.blue() - expected.blue()) <= tolerance;
}

QList<QRect> regions(const QImage &image, const std::function<bool(QRgb)> &ink, int minimumArea)
{
    const int w = image.width();
    const int h = image.height();
    std::vector<char> seen(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    QList<QRect> found;
    std::vector<QPoint> stack;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
            if (seen[i] || !ink(image.pixel(x, y)))
                continue;
            QRect box(x, y, 1, 1);
            int area = 0;
            stack.assign(1, QPoint(x, y));
            seen[i] = 1;
            while (!stack.empty()) {
                const QPoint p = stack.back();
                stack.pop_back();
                ++area;
                box = box.united(QRect(p, QSize(1, 1)));
                for (const QPoint d : { QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1) }) {
                    const QPoint n = p + d;
                    if (n.x() < 0 || n.y() < 0 || n.x() >= w || n.y() >= h)
                        continue;
                    const size_t j = static_cast<size_t>(n.y()) * static_cast<size_t>(w) + static_cast<size_t>(n.x());
                    if (!seen[j] && ink(image.pixel(n))) {
                        seen[j] = 1;
                        stack.push_back(n);
                    }
                }
            }
            if (area > minimumArea)
                found.append(box);
        }
    }
    std::sort(found.begin(), found.end(),
        [](const QRect &a, const QRect &b) { return a.left() != b.left() ? a.left() < b.left() : a.top() < b.top(); });
    return found;
}

double inkIn(const QImage &image, const QRect &area)
{
    double sum = 0;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            sum += 255 - qGray(image.pixel(x, y));
    return sum;
}

} // namespace UiImages

} // namespace Dartline
