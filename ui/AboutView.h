// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QSpacerItem;

namespace Dartline {

class ThemedLabel;

// The About window's content: icon, name, tagline, version, and who makes
// Dartline with a link to its home. Exactly 300 wide; as tall as its content.
class AboutView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Width = 300;

    // The versions of this build.
    explicit AboutView(QWidget *parent = nullptr);
    // Given versions; an empty one shows its fallback.
    AboutView(const QString &shortVersion, const QString &buildVersion, QWidget *parent = nullptr);

    QString versionText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ThemedLabel *m_version;
    QSpacerItem *m_divider;
};

} // namespace Dartline
