// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Keycap.h"
#include "ui/PaintedButton.h"

#include <QList>
#include <QStringList>

#include <optional>

namespace Dartline {

// The clickable field that shows a display's shortcut as key caps and starts
// or stops its recording. It has three looks, chosen in this order:
// recording ("Press a shortcut…" on an accent pill), a shortcut (caps and a pencil),
// nothing set ("Set Shortcut"). Clicking anywhere on the field emits clicked();
// its context menu offers "Clear Shortcut" (clearRequested()).
class ShortcutRecorderButton : public PaintedButton
{
    Q_OBJECT
public:
    static constexpr qreal MinimumContentWidth = 112.0;
    static constexpr qreal MinimumContentHeight = 30.0;
    static constexpr qreal Inset = 4.0;
    static constexpr qreal Spacing = 5.0;
    static constexpr qreal PencilLead = 3.0;
    static constexpr qreal CornerRadius = 8.0;

    explicit ShortcutRecorderButton(QWidget *parent = nullptr);

    // The caps' texts (modifier names first, then the key), or none.
    void setShortcutLabels(const std::optional<QStringList> &labels);
    const std::optional<QStringList> &shortcutLabels() const { return m_labels; }
    void setScreenNumber(int number);
    int screenNumber() const { return m_screenNumber; }
    void setRecording(bool recording);
    bool isRecording() const { return m_recording; }

    // What assistive technologies read as the field's value.
    QString accessibleValue() const;

    // Where each cap's face sits, in widget coordinates.
    QList<QRectF> keycapRects() const;
    // The pencil's box, when the caps are shown.
    std::optional<QRectF> pencilRect() const;
    // The pencil's opacity: stronger while the pointer is on the field.
    qreal pencilOpacity() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void clearRequested();

protected:
    void paintButton(QPainter &painter) override;
    QPainterPath outline() const override;
    bool hitButton(const QPoint &pos) const override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    struct Layout
    {
        QSizeF content; // of the caps and pencil, or the text
        QList<QRectF> caps;
        std::optional<QRectF> pencil;
        QRectF text;
    };
    Layout layout() const;
    QSizeF innerSize(const QSizeF &content) const;
    QString currentText() const;
    void contentChanged();

    std::optional<QStringList> m_labels;
    int m_screenNumber = 0;
    bool m_recording = false;
};

} // namespace Dartline
