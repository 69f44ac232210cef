// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayGlyph.h"

#include <QImageReader>
#include <QPainter>
#include <QPixmap>

#include <array>
#include <utility>

namespace Dartline {

namespace {

struct Template
{
    const char *path;
    int pixels;
};
// Black with alpha, drawn on an 18-pixel grid that keeps a pixel free at
// every edge: room for the halo.
constexpr std::array<Template, 2> Templates { {
    { ":/icons/tray-glyph.pgm", 18 },
    { ":/icons/tray-glyph@2x.pgm", 36 },
} };

// The halo's width, in pixels of the 18-pixel grid, and the directions of
// the glyph's copies around it that make up its round outline: sixteen, a
// sixteenth of a turn apart (written out, so that drawing the icon at
// start-up pages in no maths library).
constexpr qreal HaloWidth = 1.0;
constexpr std::array<std::pair<qreal, qreal>, 16> HaloDirections { {
    { 1.0, 0.0 },
    { 0.9238795325, 0.3826834324 },
    { 0.7071067812, 0.7071067812 },
    { 0.3826834324, 0.9238795325 },
    { 0.0, 1.0 },
    { -0.3826834324, 0.9238795325 },
    { -0.7071067812, 0.7071067812 },
    { -0.9238795325, 0.3826834324 },
    { -1.0, 0.0 },
    { -0.9238795325, -0.3826834324 },
    { -0.7071067812, -0.7071067812 },
    { -0.3826834324, -0.9238795325 },
    { 0.0, -1.0 },
    { 0.3826834324, -0.9238795325 },
    { 0.7071067812, -0.7071067812 },
    { 0.9238795325, -0.3826834324 },
} };

QImage readTemplate(const Template &glyph)
{
    const QString path = QString::fromLatin1(glyph.path);
    // Qt's own PGM reader, named: left to guess, the reader first loads every
    // image-format plugin (GIF, ICO, JPEG and its library) to ask each whether
    // it wants the file.
    QImageReader reader(path, "pgm");
    reader.setAutoDetectImageFormat(false);
    const QImage alpha = reader.read();
    if (alpha.isNull() || alpha.width() != glyph.pixels || alpha.format() != QImage::Format_Grayscale8)
        qFatal("Dartline: the tray icon resource %s is missing or unreadable (%s); the installation is broken",
            qUtf8Printable(path), qUtf8Printable(reader.errorString()));
    // The grey levels are the glyph's alpha over black. Both files are plain
    // pixel sizes of one icon, drawn at a device pixel ratio of 1.
    QImage pixels(alpha.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < alpha.height(); ++y) {
        const uchar *in = alpha.constScanLine(y);
        auto *out = reinterpret_cast<QRgb *>(pixels.scanLine(y));
        for (int x = 0; x < alpha.width(); ++x)
            out[x] = qRgba(0, 0, 0, in[x]);
    }
    return pixels;
}

// The template's alpha in one colour.
QImage filled(const QImage &glyph, const QColor &color)
{
    QImage image = glyph;
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    return image;
}

QImage render(const QImage &glyph, bool dark)
{
    QImage image(glyph.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The halo: the glyph stamped around a circle, which widens it evenly
    // with soft edges.
    const QImage halo = filled(glyph, TrayGlyph::halo(dark));
    const qreal radius = HaloWidth * glyph.width() / 18.0;
    for (const auto &[x, y] : HaloDirections)
        painter.drawImage(QPointF(radius * x, radius * y), halo);
    painter.drawImage(QPointF(0, 0), filled(glyph, TrayGlyph::ink(dark)));
    return image;
}

} // namespace

QColor TrayGlyph::ink(bool dark)
{
    return dark ? QColor(255, 255, 255) : QColor(0, 0, 0);
}

QColor TrayGlyph::halo(bool dark)
{
    return ink(!dark);
}

QIcon TrayGlyph::icon(bool dark)
{
    static const std::array<QImage, 2> templates { readTemplate(Templates[0]), readTemplate(Templates[1]) };
    QIcon icon;
    for (const QImage &glyph : templates)
        icon.addPixmap(QPixmap::fromImage(render(glyph, dark)));
    return icon;
}

} // namespace Dartline
