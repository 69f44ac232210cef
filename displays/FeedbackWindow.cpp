// SPDX-License-Identifier: GPL-3.0-or-later
#include "displays/FeedbackWindow.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <vector>

namespace Dartline {

namespace FeedbackWindow {

void configure(QWidget &window, bool translucent)
{
    // BypassWindowManagerHint makes the xcb window override-redirect: no window
    // manager decides its place, stacking or workspace, and it is never focused.
    window.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint | Qt::WindowStaysOnTopHint
        | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    window.setAttribute(Qt::WA_X11DoNotAcceptFocus);
    window.setAttribute(Qt::WA_TransparentForMouseEvents);
    // Closing a feedback window must never count as closing the application's last window.
    window.setAttribute(Qt::WA_QuitOnClose, false);
    window.setFocusPolicy(Qt::NoFocus);
    // A new X window is given the window's icon as _NET_WM_ICON, and without
    // one of its own that is the application's: every size of it converted
    // and sent to the server, twice, some megabytes and tens of milliseconds
    // for each pulse and each tile, while the next hot key waits. Nothing ever
    // shows the icon of an unmanaged window, so it gets a single clear pixel.
    // Making the widget native gives it its QWindow now, before the X window
    // exists, so that the X window starts with that pixel too.
    static const QIcon blank = [] {
        QPixmap pixel(1, 1);
        pixel.fill(Qt::transparent);
        return QIcon(pixel);
    }();
    window.setAttribute(Qt::WA_NativeWindow);
    window.setWindowIcon(blank);
    if (translucent) {
        window.setAttribute(Qt::WA_TranslucentBackground);
    } else {
        // An ARGB window without a compositor shows its transparent pixels as
        // black, so the window stays opaque and its mask does the cutting.
        window.setAttribute(Qt::WA_NoSystemBackground);
        window.setAttribute(Qt::WA_OpaquePaintEvent);
    }
}

QRect toLogical(const QRect &root)
{
    const QPointF centre = QRectF(root).center();
    const auto screens = QGuiApplication::screens();
    for (const QScreen *screen : screens) {
        const qreal ratio = screen->devicePixelRatio();
        const QRect logical = screen->geometry();
        // Qt keeps a screen's origin in native pixels and scales only its extent.
        const QRectF native(logical.topLeft(), QSizeF(logical.size()) * ratio);
        if (!native.contains(centre))
            continue;
        if (qFuzzyCompare(ratio, 1.0))
            return root;
        const QPointF topLeft = QPointF(logical.topLeft()) + QPointF(root.topLeft() - logical.topLeft()) / ratio;
        return QRectF(topLeft, QSizeF(root.size()) / ratio).toAlignedRect();
    }
    return root;
}

QRegion opaqueRegion(const QImage &image)
{
    return opaqueRegion(image, image.rect());
}

QRegion opaqueRegion(const QImage &image, const QRect &area)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QRect scan = area & argb.rect();
    std::vector<QRect> runs;
    for (int y = scan.top(); y <= scan.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        int x = scan.left();
        const int end = scan.left() + scan.width();
        while (x < end) {
            while (x < end && qAlpha(line[x]) < 128)
                ++x;
            const int start = x;
            while (x < end && qAlpha(line[x]) >= 128)
                ++x;
            if (x > start)
                runs.emplace_back(start, y, x - start, 1);
        }
    }
    // Row by row, left to right: the y-x banded order setRects() expects.
    QRegion region;
    if (!runs.empty())
        region.setRects(runs.data(), static_cast<int>(runs.size()));
    return region;
}

} // namespace FeedbackWindow

} // namespace Dartline
