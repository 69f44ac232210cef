// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsHeader.h"

#include "paint/DropShadow.h"
#include "ui/AppIcon.h"
#include "ui/AppIconArt.h"
#include "ui/DartlineTheme.h"
#include "ui/SecondaryButton.h"
#include "ui/ThemedLabel.h"
#include "ui/UiText.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QPainter>
#include <QSpacerItem>

namespace Dartline {

using namespace Qt::StringLiterals;

SettingsHeader::SettingsHeader(std::function<void()> identify, QWidget *parent)
    : QWidget(parent)
    , m_onIdentify(std::move(identify))
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    // The icon is painted here, not a child widget: it is decoration that
    // assistive technologies should not meet. Its spacer carries the 14
    // points to the title, since a box layout adds none next to a spacer.
    m_icon = new QSpacerItem(IconSize + 14, IconSize, QSizePolicy::Fixed, QSizePolicy::Fixed);
    row->addSpacerItem(m_icon);
    m_title = new ThemedLabel(u"Dartline"_s, 27, QFont::Bold, ThemedLabel::Role::Primary, this);
    QFont font = m_title->font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, -0.5);
    m_title->setFont(font);
    row->addWidget(m_title, 0, Qt::AlignVCenter);
    row->addStretch(1);
    m_identify = new SecondaryButton(UiText::identifyLabel(), SecondaryButton::Appearance::Tinted, this);
    row->addWidget(m_identify, 0, Qt::AlignVCenter);
    connect(m_identify, &QAbstractButton::clicked, this, [this] {
        if (m_onIdentify)
            m_onIdentify();
    });
}

void SettingsHeader::setCanIdentify(bool can)
{
    m_identify->setEnabled(can);
}

QRect SettingsHeader::iconRect() const
{
    const QRect area = m_icon->geometry();
    return QRect(area.left(), area.top() + (area.height() - IconSize) / 2, IconSize, IconSize);
}

void SettingsHeader::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF target = iconRect();
    const QIcon appIcon = QGuiApplication::windowIcon().isNull() ? AppIcon::icon() : QGuiApplication::windowIcon();
    DropShadow::paint(
        painter, AppIconArt::tileShape(target), DartlineTheme::withOpacity(brandColor(), 0.06), 8.0, QPointF(0, 3));
    const qreal scale = devicePixelRatioF();
    QPixmap pixmap = appIcon.pixmap(QSize(IconSize, IconSize), scale);
    if (pixmap.size() != QSize(IconSize, IconSize) * scale) {
        pixmap = pixmap.scaled(QSize(IconSize, IconSize) * scale, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        pixmap.setDevicePixelRatio(scale);
    }
    painter.drawPixmap(target.topLeft(), pixmap);
}

} // namespace Dartline
