// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <functional>

class QSpacerItem;

namespace Dartline {

class SecondaryButton;
class ThemedLabel;

// The top of the settings window: the application icon, the name and the
// "Identify Displays" button.
class SettingsHeader : public QWidget
{
    Q_OBJECT
public:
    static constexpr int IconSize = 58;

    explicit SettingsHeader(std::function<void()> identify, QWidget *parent = nullptr);

    void setCanIdentify(bool can);
    SecondaryButton *identifyButton() const { return m_identify; }
    // Where the icon is drawn.
    QRect iconRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::function<void()> m_onIdentify;
    QSpacerItem *m_icon;
    ThemedLabel *m_title;
    SecondaryButton *m_identify;
};

} // namespace Dartline
