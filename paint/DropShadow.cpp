// SPDX-License-Identifier: GPL-3.0-or-later
#include "paint/DropShadow.h"

#include <QCache>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace Dartline {

namespace {

// Three box blurs in a row approximate a Gaussian of standard deviation sigma.
std::array<int, 3> boxSizes(qreal sigma)
{
    const qreal ideal = std::sqrt(12.0 * sigma * sigma / 3.0 + 1.0);
    int lower = static_cast<int>(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const qreal m
        = std::round((12.0 * sigma * sigma - 3.0 * lower * lower - 12.0 * lower - 9.0) / (-4.0 * lower - 4.0));
    std::array<int, 3> sizes {};
    for (int i = 0; i < 3; ++i)
        sizes[static_cast<size_t>(i)] = i < m ? lower : upper;
    return sizes;
}

// One box pass over the alpha channel, along rows (horizontal) or columns.
void boxBlur(QImage &image, int box, bool horizontal)
{
    const int radius = box / 2;
    if (radius < 1)
        return;
    const int w = image.width();
    const int h = image.height();
    const int lines = horizontal ? h : w;
    const int length = horizontal ? w : h;
    const qsizetype stride = image.bytesPerLine();
    uchar *bits = image.bits();
    std::vector<int> line(static_cast<size_t>(length));
    for (int l = 0; l < lines; ++l) {
        auto pixel = [&](int i) -> uchar & {
            const int x = horizontal ? i : l;
            const int y = horizontal ? l : i;
            return bits[y * stride + x];
        };
        for (int i = 0; i < length; ++i)
            line[static_cast<size_t>(i)] = pixel(i);
        int sum = 0;
        auto value = [&](int i) { return (i < 0 || i >= length) ? 0 : line[static_cast<size_t>(i)]; };
        for (int i = -radius; i <= radius; ++i)
            sum += value(i);
        const int span = 2 * radius + 1;
        for (int i = 0; i < length; ++i) {
            pixel(i) = static_cast<uchar>((sum + span / 2) / span);
            sum += value(i + radius + 1) - value(i - radius);
        }
    }
}

struct Key
{
    QByteArray bytes;
    friend bool operator==(const Key &, const Key &) = default;
};
size_t qHash(const Key &key, size_t seed = 0)
{
    return qHash(key.bytes, seed);
}

QCache<Key, QImage> &cache()
{
    static QCache<Key, QImage> images(64 * 1024); // cost in KiB
    return images;
}

// The key: the shape relative to its bounds, the blur, the scale and the colour.
Key keyFor(const QPainterPath &shape, const QColor &color, qreal blurRadius, qreal scale)
{
    QByteArray bytes;
    const QRectF bounds = shape.boundingRect();
    auto add = [&](qreal v) {
        const qint32 q = static_cast<qint32>(std::lround(v * 64.0));
        bytes.append(reinterpret_cast<const char *>(&q), sizeof q);
    };
    add(bounds.width());
    add(bounds.height());
    add(blurRadius);
    add(scale);
    const QRgb rgba = color.rgba();
    bytes.append(reinterpret_cast<const char *>(&rgba), sizeof rgba);
    add(static_cast<qreal>(shape.fillRule()));
    for (int i = 0; i < shape.elementCount(); ++i) {
        const QPainterPath::Element e = shape.elementAt(i);
        add(e.x - bounds.x());
        add(e.y - bounds.y());
        add(static_cast<qreal>(e.type));
    }
    return { bytes };
}

} // namespace

namespace DropShadow {

void paint(QPainter &painter, const QPainterPath &shape, const QColor &color, qreal blurRadius, QPointF offset)
{
    if (shape.isEmpty() || color.alpha() == 0)
        return;
    const qreal sigma = std::max(blurRadius, 0.0) / 2.0;
    const qreal reach = std::ceil(3.0 * sigma) + 1.0;
    const QRectF bounds = shape.boundingRect();
    const qreal scale = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QRectF target = bounds.adjusted(-reach, -reach, reach, reach).translated(offset);

    const Key key = keyFor(shape, color, blurRadius, scale);
    if (const QImage *cached = cache().object(key)) {
        painter.drawImage(target.topLeft(), *cached);
        return;
    }
    const QSize pixels(
        static_cast<int>(std::ceil(target.width() * scale)), static_cast<int>(std::ceil(target.height() * scale)));
    if (pixels.isEmpty() || pixels.width() > 8192 || pixels.height() > 8192)
        return;
    QImage mask(pixels, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        p.translate(reach - bounds.x(), reach - bounds.y());
        p.fillPath(shape, Qt::black);
    }
    if (sigma > 0.0) {
        for (int box : boxSizes(sigma * scale)) {
            boxBlur(mask, box, true);
            boxBlur(mask, box, false);
        }
    }
    QImage tinted(pixels, QImage::Format_ARGB32_Premultiplied);
    tinted.fill(color);
    {
        QPainter p(&tinted);
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        p.drawImage(0, 0, mask);
    }
    tinted.setDevicePixelRatio(scale);
    cache().insert(key, new QImage(tinted), std::max<qsizetype>(1, tinted.sizeInBytes() / 1024));
    painter.drawImage(target.topLeft(), tinted);
}

} // namespace DropShadow

} // namespace Dartline
