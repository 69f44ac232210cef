// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ShortcutRecorderButton.h"

#include "hotkeys/KeyLabels.h"
#include "paint/ContinuousCorners.h"
#include "ui/DartlineTheme.h"
#include "ui/Symbols.h"
#include "ui/UiFonts.h"
#include "ui/UiText.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace Dartline {

using namespace Qt::StringLiterals;

namespace {

QString recordingText()
{
    return QCoreApplication::translate("Dartline::ShortcutRecorderButton", "Press a shortcut…");
}

QString unsetText()
{
    return QCoreApplication::translate("Dartline::ShortcutRecorderButton", "Set Shortcut");
}
constexpr int TextSize = UiFonts::Callout;
constexpr int PencilFontSize = 10;

QFont textFont(bool recording)
{
    return UiFonts::system(TextSize, recording ? QFont::Medium : QFont::Normal);
}

qreal pencilSize()
{
    return PencilFontSize + 1.0;
}

} // namespace

ShortcutRecorderButton::ShortcutRecorderButton(QWidget *parent)
    : PaintedButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setToolTip(tr("Click to set the shortcut; Esc cancels, Delete clears"));
    setScreenNumber(0);
}

void ShortcutRecorderButton::setShortcutLabels(const std::optional<QStringList> &labels)
{
    if (labels == m_labels)
        return;
    m_labels = labels;
    contentChanged();
}

void ShortcutRecorderButton::setScreenNumber(int number)
{
    m_screenNumber = number;
    setAccessibleName(tr("Display %1 shortcut").arg(number));
}

void ShortcutRecorderButton::setRecording(bool recording)
{
    if (recording == m_recording)
        return;
    m_recording = recording;
    contentChanged();
}

void ShortcutRecorderButton::contentChanged()
{
    setText(currentText());
    updateGeometry();
    update();
    QAccessibleValueChangeEvent event(this, accessibleValue());
    QAccessible::updateAccessibility(&event);
}

QString ShortcutRecorderButton::currentText() const
{
    if (m_recording)
        return recordingText();
    if (m_labels)
        return joinedKeycaps(*m_labels);
    return unsetText();
}

QString ShortcutRecorderButton::accessibleValue() const
{
    if (m_recording)
        return tr("Recording; press a shortcut");
    if (m_labels)
        return joinedKeycaps(*m_labels);
    return UiText::unset();
}

ShortcutRecorderButton::Layout ShortcutRecorderButton::layout() const
{
    Layout l;
    if (m_recording) {
        const QFontMetricsF metrics(textFont(true));
        l.content = QSizeF(MinimumContentWidth, metrics.height());
    } else if (m_labels) {
        qreal x = 0;
        qreal height = pencilSize();
        for (const QString &label : *m_labels) {
            const QSizeF cap = Keycap(label).size();
            if (!l.caps.isEmpty())
                x += Spacing;
            l.caps.append(QRectF(QPointF(x, 0), cap));
            x += cap.width();
            height = std::max(height, cap.height());
        }
        if (!l.caps.isEmpty())
            x += Spacing;
        x += PencilLead;
        l.pencil = QRectF(x, 0, pencilSize(), pencilSize());
        x += pencilSize();
        l.content = QSizeF(x, height);
    } else {
        const QFontMetricsF metrics(textFont(false));
        l.content = QSizeF(metrics.horizontalAdvance(unsetText()), metrics.height());
    }

    // Content sits at the trailing edge of the inner frame, centred vertically.
    const QSizeF inner = innerSize(l.content);
    const QPointF origin(Inset + inner.width() - l.content.width(), Inset + (inner.height() - l.content.height()) / 2);
    auto place = [&](QRectF r) {
        r.moveTop((l.content.height() - r.height()) / 2);
        r.translate(origin);
        // Whole points keep the caps' text and edges crisp.
        return QRectF(std::round(r.x()), std::round(r.y()), r.width(), r.height());
    };
    for (QRectF &cap : l.caps)
        cap = place(cap);
    if (l.pencil)
        l.pencil = place(*l.pencil);
    l.text = QRectF(origin, l.content);
    return l;
}

QSizeF ShortcutRecorderButton::innerSize(const QSizeF &content) const
{
    return QSizeF(std::max(MinimumContentWidth, content.width()), std::max(MinimumContentHeight, content.height()));
}

QSize ShortcutRecorderButton::sizeHint() const
{
    const QSizeF inner = innerSize(layout().content);
    return QSize(static_cast<int>(std::ceil(inner.width() + 2 * Inset)),
        static_cast<int>(std::ceil(inner.height() + 2 * Inset)));
}

QList<QRectF> ShortcutRecorderButton::keycapRects() const
{
    return layout().caps;
}

std::optional<QRectF> ShortcutRecorderButton::pencilRect() const
{
    return layout().pencil;
}

qreal ShortcutRecorderButton::pencilOpacity() const
{
    return isHovered() ? 0.8 : 0.35;
}

QPainterPath ShortcutRecorderButton::outline() const
{
    return ContinuousCorners::roundedRect(rect(), CornerRadius);
}

void ShortcutRecorderButton::paintButton(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = DartlineTheme::accent();
    const Layout l = layout();

    if (m_recording)
        painter.fillPath(outline(), DartlineTheme::withOpacity(accent, 0.06));

    if (m_recording) {
        painter.setFont(textFont(true));
        painter.setPen(accent);
        painter.drawText(l.text, Qt::AlignCenter | Qt::TextSingleLine, recordingText());
    } else if (m_labels) {
        for (qsizetype i = 0; i < l.caps.size(); ++i)
            Keycap(m_labels->at(i)).paint(painter, l.caps.at(i));
        if (l.pencil)
            Symbols::paint(painter, Symbols::Kind::Pencil, *l.pencil, DartlineTheme::secondaryLabel(pencilOpacity()));
    } else {
        painter.setFont(textFont(false));
        painter.setPen(DartlineTheme::secondaryLabel());
        painter.drawText(l.text, Qt::AlignCenter | Qt::TextSingleLine, unsetText());
    }

    if (m_recording) {
        // The 1.5-point outline lies centred on the edge, half of it clipped.
        QPen pen(accent, 1.5);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(
            ContinuousCorners::roundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), CornerRadius - 0.75));
    }
}

bool ShortcutRecorderButton::hitButton(const QPoint &pos) const
{
    // The transparent parts of the pill count too, not only the caps.
    return outline().contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void ShortcutRecorderButton::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    // Offered whether or not a shortcut is set: clearing nothing is harmless.
    QAction *clear = menu.addAction(tr("Clear Shortcut"));
    const QPoint where
        = event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : mapToGlobal(rect().bottomLeft());
    if (menu.exec(where) == clear)
        Q_EMIT clearRequested();
}

} // namespace Dartline
