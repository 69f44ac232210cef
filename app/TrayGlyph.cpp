// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayGlyph.h"

#include <QImageReader>
#include <QPainter>
#include <QPixmap>

#include <array>
#include <cmath>
#include <numbers>

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
    { ":/icons/tray-glyph.png", 18 },
    { ":/icons/tray-glyph@2x.png", 36 },
} };

// The halo's width, in pixels of the 18-pixel grid, and how many copies of
// the glyph around it make up its round outline.
constexpr qreal HaloWidth = 1.0;
constexpr int HaloSteps = 16;

QImage readTemplate(const Template &glyph)
{
    const QString path = QString::fromLatin1(glyph.path);
    // Qt's own PNG reader, named: left to guess, the reader first loads every
    // image-format plugin (GIF, ICO, JPEG and its library) to ask each whether
    // it wants the file.
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    if (image.isNull() || image.width() != glyph.pixels)
        qFatal("Dartline: the tray icon resource %s is missing or unreadable (%s); the installation is broken",
            qUtf8Printable(path), qUtf8Printable(reader.errorString()));
    // Both are plain pixel sizes of one icon: the reader's "@2x" device pixel
    // ratio would draw the larger at the smaller's size.
    QImage pixels = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    pixels.setDevicePixelRatio(1.0);
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
    for (int i = 0; i < HaloSteps; ++i) {
        const qreal angle = 2 * std::numbers::pi * i / HaloSteps;
        painter.drawImage(QPointF(radius * std::cos(angle), radius * std::sin(angle)), halo);
    }
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
