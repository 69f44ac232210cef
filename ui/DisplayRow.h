// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "displays/Display.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class QSpacerItem;

namespace Dartline {

class SecondaryButton;
class ShortcutRecorderButton;
class ThemedLabel;

// One display's card: its number, name and size, the shortcut field and a
// "Jump" button, and under them the reason its shortcut could not be
// registered, if any. A passive view: it shows the fields it is given and
// reports clicks through the callbacks; it never reads the model.
class DisplayRow : public QWidget
{
    Q_OBJECT
public:
    using Callback = std::function<void()>;

    struct Fields
    {
        Display display;
        int number = 0;
        std::optional<QStringList> shortcutLabels; // the shortcut's key caps, or none
        bool isRecording = false;
        bool canJump = true;
        std::optional<QString> error;
    };

    static constexpr int ContentInset = 16;
    static constexpr qreal CornerRadius = 12.0;
    static constexpr int BadgeSize = 34;
    static constexpr qreal BadgeRadius = 10.0;

    explicit DisplayRow(QWidget *parent = nullptr);

    void setFields(const Fields &fields);
    const Fields &fields() const { return m_fields; }
    void setCallbacks(Callback record, Callback clear, Callback jump);

    // "External display · 2560 × 1440": the kind and the size, truncated to integers.
    static QString detailText(const Display &display);

    // The card's shape, in the row's coordinates; its shadow is painted by
    // whatever lies behind the row.
    QPainterPath cardShape() const;

    ShortcutRecorderButton *recorder() const { return m_recorder; }
    SecondaryButton *jumpButton() const { return m_jump; }
    ThemedLabel *errorLabel() const { return m_error; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Fields m_fields;
    Callback m_onRecord;
    Callback m_onClear;
    Callback m_onJump;

    ThemedLabel *m_badge;
    ThemedLabel *m_name;
    ThemedLabel *m_detail;
    QSpacerItem *m_dot;
    ShortcutRecorderButton *m_recorder;
    SecondaryButton *m_jump;
    ThemedLabel *m_error;
};

} // namespace Dartline
