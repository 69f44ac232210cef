// SPDX-License-Identifier: GPL-3.0-or-later
//
// Draws the tray glyph at 18 and 36 pixels and writes the two templates that
// resources/CMakeLists.txt compiles in: the glyph's alpha as binary PGM
// files, which Qt reads without an image library (a PNG would map libpng
// into a tray program that has no other use for it). Run it through the
// "tray-icons" target after changing the drawing; the files are committed so
// a build needs no generator.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

namespace {

// The glyph on an 18 x 18 grid: a screen outline on its stand with an arrow
// pointer whose tip rests near the screen's centre, the landing point. Kept
// to a few bold shapes, since it is mostly seen at 18 pixels. Pure black with
// alpha: the tray tints it to the panel's text colour.
void drawGlyph(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0, 0, 0);

    // Whole-pixel strokes so the outline stays crisp at 18 pixels too.
    QPen outline(ink, 2.0);
    outline.setJoinStyle(Qt::RoundJoin);
    p.setPen(outline);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.0, 3.0, 14.0, 10.0), 2.0, 2.0);

    // Stand: a short neck and a foot.
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(QRectF(8.0, 14.0, 2.0, 1.0));
    p.drawRoundedRect(QRectF(5.0, 15.0, 8.0, 2.0), 1.0, 1.0);

    // Pointer: tip on the centre of the screen face.
    // The classic pointer outline with its tail, so it reads as a cursor and
    // not as a play button.
    const QPointF tip(7.5, 5.0);
    QPainterPath arrow;
    arrow.moveTo(tip);
    for (const QPointF &corner : { QPointF(0.0, 6.2), QPointF(1.55, 4.7), QPointF(2.75, 7.1), QPointF(3.85, 6.6),
             QPointF(2.65, 4.25), QPointF(4.5, 4.25) })
        arrow.lineTo(tip + corner);
    arrow.closeSubpath();
    // Knock the pointer out of the outline so it stays legible where they meet.
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    QPen halo(Qt::black, 1.5);
    halo.setJoinStyle(Qt::RoundJoin);
    p.setPen(halo);
    p.setBrush(Qt::black);
    p.drawPath(arrow);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(arrow);
}

QImage render(int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(pixels / 18.0, pixels / 18.0);
    drawGlyph(p);
    p.end();
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 2) {
        err << "usage: make-tray-icons OUTPUT_DIRECTORY\n";
        return 2;
    }
    const QDir out(args.at(1));
    const struct
    {
        int pixels;
        QString name;
    } files[] = {
        { 18, QStringLiteral("tray-glyph.pgm") },
        { 36, QStringLiteral("tray-glyph@2x.pgm") },
    };
    for (const auto &file : files) {
        const QString path = out.filePath(file.name);
        const QImage glyph = render(file.pixels);
        QImage alpha(glyph.size(), QImage::Format_Grayscale8);
        for (int y = 0; y < glyph.height(); ++y) {
            for (int x = 0; x < glyph.width(); ++x)
                alpha.scanLine(y)[x] = static_cast<uchar>(qAlpha(glyph.pixel(x, y)));
        }
        if (!alpha.save(path, "PGM")) {
            err << "make-tray-icons: cannot write " << path << '\n';
            return 1;
        }
        err << "make-tray-icons: wrote " << path << '\n';
    }
    return 0;
}
