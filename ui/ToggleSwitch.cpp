// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ToggleSwitch.h"

#include "paint/ContinuousCorners.h"
#include "paint/DropShadow.h"
#include "ui/DartlineTheme.h"
#include "ui/UiFonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QVariantAnimation>

#include <cmath>

namespace Dartline {

namespace {
constexpr qreal LabelGap = 12.0;
constexpr qreal KnobInset = 2.0;
} // namespace

ToggleSwitch::ToggleSwitch(const QString &text, int pixelSize, QWidget *parent)
    : PaintedButton(parent)
    , m_animation(new QVariantAnimation(this))
{
    setText(text);
    setFont(UiFonts::system(pixelSize));
    setCheckable(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    m_animation->setDuration(140);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_position = value.toReal();
        update();
    });
    // A change from the model (or anything but a click) shows at once.
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        if (m_animation->state() == QAbstractAnimation::Running)
            return;
        m_position = on ? 1.0 : 0.0;
        update();
    });
}

ToggleSwitch::~ToggleSwitch() = default;

void ToggleSwitch::nextCheckState()
{
    const bool on = !isChecked();
    if (isVisible()) {
        m_animation->stop();
        m_animation->setStartValue(m_position);
        m_animation->setEndValue(on ? 1.0 : 0.0);
        m_animation->start();
    }
    setChecked(on);
}

QSize ToggleSwitch::sizeHint() const
{
    const QFontMetricsF metrics(font());
    const qreal height = std::max(TrackHeight, metrics.height()) + 4; // room for the knob's shadow
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text()) + LabelGap + TrackWidth + 2)),
        static_cast<int>(std::ceil(height)));
}

QSize ToggleSwitch::minimumSizeHint() const
{
    return sizeHint();
}

QRectF ToggleSwitch::trackRect() const
{
    return QRectF(width() - TrackWidth - 1, (height() - TrackHeight) / 2.0, TrackWidth, TrackHeight);
}

QPainterPath ToggleSwitch::outline() const
{
    return ContinuousCorners::capsule(trackRect());
}

void ToggleSwitch::paintButton(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing);

    painter.setFont(font());
    painter.setPen(DartlineTheme::label());
    const QRectF track = trackRect();
    painter.drawText(QRectF(0, 0, track.left() - LabelGap, height()), Qt::AlignLeft | Qt::AlignVCenter, text());

    const QPainterPath trackShape = outline();
    // Off: a quiet grey track; on: the brand tint, blended as the knob moves.
    const QColor off = DartlineTheme::label(DartlineTheme::isDark() ? 0.16 : 0.1);
    const QColor on = brandColor();
    QColor fill = off;
    if (m_position > 0) {
        const qreal t = m_position;
        fill = QColor::fromRgbF(static_cast<float>(off.redF() + (on.redF() - off.redF()) * t),
            static_cast<float>(off.greenF() + (on.greenF() - off.greenF()) * t),
            static_cast<float>(off.blueF() + (on.blueF() - off.blueF()) * t),
            static_cast<float>(off.alphaF() + (on.alphaF() - off.alphaF()) * t));
    }
    painter.fillPath(trackShape, fill);
    painter.setPen(QPen(DartlineTheme::label(0.06), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(trackShape);

    const qreal knob = TrackHeight - 2 * KnobInset;
    const qreal travel = TrackWidth - 2 * KnobInset - knob;
    const QRectF knobRect(track.left() + KnobInset + travel * m_position, track.top() + KnobInset, knob, knob);
    QPainterPath knobShape;
    knobShape.addEllipse(knobRect);
    DropShadow::paint(painter, knobShape, QColor::fromRgbF(0, 0, 0, 0.22f), 2.0, QPointF(0, 0.5));
    painter.fillPath(knobShape, DartlineTheme::isDark() ? QColor(0xE6E8EC) : QColor(Qt::white));
}

} // namespace Dartline
