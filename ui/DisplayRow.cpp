// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DisplayRow.h"

#include "paint/ContinuousCorners.h"
#include "ui/DartlineTheme.h"
#include "ui/SecondaryButton.h"
#include "ui/ShortcutRecorderButton.h"
#include "ui/ThemedLabel.h"
#include "ui/UiFonts.h"

#include <QBoxLayout>
#include <QPainter>
#include <QSpacerItem>

namespace Dartline {

using namespace Qt::StringLiterals;

namespace {

constexpr int MainLineSpacing = 12;
constexpr int DotSize = 5;
// The spacer keeps at least 8 points of its own between the text and the
// shortcut field, with the stack's spacing on both sides of it. A box layout
// puts one spacing where the spacer is, not two, so the other is added here.
constexpr int SpacerMinimum = 8 + MainLineSpacing;

} // namespace

DisplayRow::DisplayRow(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_StyledBackground, false);

    auto *card = new QVBoxLayout(this);
    card->setContentsMargins(ContentInset, ContentInset, ContentInset, ContentInset);
    card->setSpacing(10);

    auto *main = new QHBoxLayout;
    main->setSpacing(MainLineSpacing);
    card->addLayout(main);

    m_badge = new ThemedLabel(QString(), 17, QFont::DemiBold, ThemedLabel::Role::Accent, this);
    m_badge->setAlignment(Qt::AlignCenter);
    m_badge->setFixedSize(BadgeSize, BadgeSize);
    main->addWidget(m_badge, 0, Qt::AlignVCenter);

    auto *text = new QVBoxLayout;
    text->setSpacing(5);
    auto *nameLine = new QHBoxLayout;
    nameLine->setSpacing(6);
    // The green "connected" dot is painted by the row; a spacer keeps its
    // place, so assistive technologies do not meet it. A box layout puts no
    // spacing next to a spacer, so the spacer carries the 6 points itself.
    m_dot = new QSpacerItem(DotSize + 6, DotSize, QSizePolicy::Fixed, QSizePolicy::Fixed);
    nameLine->addSpacerItem(m_dot);
    m_name = new ThemedLabel(QString(), 13, QFont::DemiBold, ThemedLabel::Role::Primary, this);
    m_name->setElideMode(Qt::ElideRight);
    m_name->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    nameLine->addWidget(m_name, 1);
    text->addLayout(nameLine);
    m_detail = new ThemedLabel(QString(), 11, QFont::Normal, ThemedLabel::Role::Secondary, this);
    m_detail->setElideMode(Qt::ElideRight);
    m_detail->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    text->addWidget(m_detail);
    main->addLayout(text, 0);

    main->addSpacerItem(new QSpacerItem(SpacerMinimum, 0, QSizePolicy::MinimumExpanding, QSizePolicy::Minimum));

    m_recorder = new ShortcutRecorderButton(this);
    main->addWidget(m_recorder, 0, Qt::AlignVCenter);
    m_jump = new SecondaryButton(tr("Jump"), SecondaryButton::Appearance::Ghost, this);
    main->addWidget(m_jump, 0, Qt::AlignVCenter);

    m_error = new ThemedLabel(QString(), UiFonts::Caption, QFont::Normal, ThemedLabel::Role::Red, this);
    m_error->setSymbol(Symbols::Kind::ExclamationTriangle);
    m_error->setWordWrap(true);
    m_error->hide();
    card->addWidget(m_error);

    connect(m_recorder, &QAbstractButton::clicked, this, [this] {
        if (m_onRecord)
            m_onRecord();
    });
    connect(m_recorder, &ShortcutRecorderButton::clearRequested, this, [this] {
        if (m_onClear)
            m_onClear();
    });
    connect(m_jump, &QAbstractButton::clicked, this, [this] {
        if (m_onJump)
            m_onJump();
    });
}

QString DisplayRow::detailText(const Display &display)
{
    // Truncated toward zero and never grouped: 1512.5 reads 1512, 5120 not "5,120".
    auto whole = [](qreal v) { return QString::number(static_cast<qlonglong>(v)); };
    const QString kind = display.builtIn ? tr("Built-in display") : tr("External display");
    return kind + u" · "_s + whole(display.bounds.width()) + u" × "_s + whole(display.bounds.height());
}

void DisplayRow::setFields(const Fields &fields)
{
    m_fields = fields;
    const bool jumpBack = fields.number == 0;
    m_badge->setText(jumpBack ? u"↩"_s : QString::number(fields.number));
    m_name->setText(jumpBack ? tr("Jump Back") : fields.display.name);
    m_name->setAccessibleName(jumpBack ? m_name->text() : tr("%1, connected").arg(fields.display.name));
    m_detail->setText(jumpBack ? tr("Back to the point before the last jump") : detailText(fields.display));
    m_recorder->setScreenNumber(fields.number);
    if (jumpBack)
        m_recorder->setAccessibleName(tr("Jump back shortcut"));
    m_recorder->setShortcutLabels(fields.shortcutLabels);
    m_recorder->setRecording(fields.isRecording);
    m_jump->setEnabled(fields.canJump);
    m_jump->setAccessibleName(jumpBack ? tr("Jump back") : tr("Jump to display %1").arg(fields.number));
    m_error->setText(fields.error.value_or(QString()));
    m_error->setVisible(fields.error.has_value());
    update();
}

void DisplayRow::setCallbacks(Callback record, Callback clear, Callback jump)
{
    m_onRecord = std::move(record);
    m_onClear = std::move(clear);
    m_onJump = std::move(jump);
}

QPainterPath DisplayRow::cardShape() const
{
    return ContinuousCorners::roundedRect(rect(), CornerRadius);
}

void DisplayRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(cardShape(), DartlineTheme::surface());
    painter.setPen(QPen(DartlineTheme::label(0.045), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(ContinuousCorners::roundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), CornerRadius - 0.5));

    painter.fillPath(ContinuousCorners::roundedRect(m_badge->geometry(), BadgeRadius),
        DartlineTheme::withOpacity(DartlineTheme::accent(), 0.06));

    // The green dot says "connected": the jump back's card has none.
    if (m_fields.number == 0)
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(DartlineTheme::systemGreen());
    const QRectF dotArea = m_dot->geometry();
    painter.drawEllipse(QRectF(dotArea.left(), dotArea.center().y() - DotSize / 2.0, DotSize, DotSize));
}

} // namespace Dartline
