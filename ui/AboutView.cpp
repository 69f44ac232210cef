// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AboutView.h"

#include "ui/AppIcon.h"
#include "ui/AppVersion.h"
#include "ui/DartlineTheme.h"
#include "ui/LinkButton.h"
#include "ui/ProjectLinks.h"
#include "ui/ThemedLabel.h"
#include "ui/UiFonts.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QSpacerItem>

namespace Dartline {

using namespace Qt::StringLiterals;

namespace {

constexpr int Inset = 30;
constexpr int Spacing = 14;
constexpr int IconSize = 96;
constexpr int DividerRoom = 4;

// The icon at the screen's pixel density, scaled smoothly from the nearest size.
class IconImage : public QWidget
{
public:
    explicit IconImage(QWidget *parent)
        : QWidget(parent)
    {
        setFixedSize(IconSize, IconSize);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QIcon icon = QGuiApplication::windowIcon().isNull() ? AppIcon::icon() : QGuiApplication::windowIcon();
        icon.paint(&painter, rect());
    }
};

} // namespace

AboutView::AboutView(QWidget *parent)
    : AboutView(AppVersion::shortVersion(), AppVersion::buildVersion(), parent)
{ }

AboutView::AboutView(const QString &shortVersion, const QString &buildVersion, QWidget *parent)
    : QWidget(parent)
{
    auto *stack = new QVBoxLayout(this);
    stack->setContentsMargins(Inset, Inset, Inset, Inset);
    stack->setSpacing(Spacing);
    stack->setSizeConstraint(QLayout::SetFixedSize);

    auto *icon = new IconImage(this);
    stack->addWidget(icon, 0, Qt::AlignHCenter);

    auto *title = new ThemedLabel(u"Dartline"_s, 26, QFont::DemiBold, ThemedLabel::Role::Primary, this);
    stack->addWidget(title, 0, Qt::AlignHCenter);

    auto *tagline = new ThemedLabel(
        tr("Every display, one key away."), UiFonts::Body, QFont::Normal, ThemedLabel::Role::Secondary, this);
    stack->addWidget(tagline, 0, Qt::AlignHCenter);

    m_version = new ThemedLabel(AppVersion::aboutLine(shortVersion, buildVersion), UiFonts::Caption, QFont::Normal,
        ThemedLabel::Role::Secondary, this);
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    stack->addWidget(m_version, 0, Qt::AlignHCenter);

    // The divider's line is painted; the spacer gives it its place and the
    // extra room above and below. A box layout puts its spacing before the
    // spacer but not after it, so the spacer carries the spacing below.
    auto *divider = new QSpacerItem(
        Width - 2 * Inset, DividerRoom + 1 + DividerRoom + Spacing, QSizePolicy::Fixed, QSizePolicy::Fixed);
    stack->addSpacerItem(divider);

    auto *maker = new ThemedLabel(
        ProjectLinks::aboutMaker(), UiFonts::Headline, QFont::DemiBold, ThemedLabel::Role::Primary, this);
    stack->addWidget(maker, 0, Qt::AlignHCenter);
    auto *link = new LinkButton(ProjectLinks::aboutLink(), ProjectLinks::homepage(), UiFonts::Body, this);
    stack->addWidget(link, 0, Qt::AlignHCenter);

    m_divider = divider;
}

QString AboutView::versionText() const
{
    return m_version->text();
}

void AboutView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QLinearGradient background(rect().topLeft(), rect().bottomRight());
    background.setColorAt(0, DartlineTheme::windowTop());
    background.setColorAt(1, DartlineTheme::windowBottom());
    painter.fillRect(rect(), background);
    const QRect area = m_divider->geometry();
    painter.fillRect(QRect(area.left(), area.top() + DividerRoom, area.width(), 1), DartlineTheme::label(0.1));
}

} // namespace Dartline
