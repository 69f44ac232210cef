// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/KeyboardPlatform.h"

#include <QHash>

namespace Dartline {

// A keyboard whose keycode table, printed texts and grab a test controls.
// Starts empty: no native keycode maps and no key prints anything, until
// the test maps keys or calls useUsLayout().
class FakeKeyboardPlatform : public KeyboardPlatform
{
public:
    // Native keycodes in useUsLayout() are the virtual key code plus this, the
    // distance between X keycodes and evdev codes, so they look like real ones.
    static constexpr quint32 UsNativeOffset = 8;

    FakeKeyboardPlatform() = default;

    void mapNative(quint32 nativeKeyCode, quint32 virtualKeyCode) { m_natives.insert(nativeKeyCode, virtualKeyCode); }
    void unmapNative(quint32 nativeKeyCode) { m_natives.remove(nativeKeyCode); }
    void setPrintedText(quint32 virtualKeyCode, const QString &text) { m_printed.insert(virtualKeyCode, text); }
    // Every virtual key code 0–127 reachable at native = code + UsNativeOffset,
    // and the letters, digits and punctuation of a US layout printed in lower case.
    void useUsLayout();
    // The native keycode that maps to `virtualKeyCode`, for building key events.
    std::optional<quint32> nativeFor(quint32 virtualKeyCode) const;

    // What grabKeyboard() answers.
    void setGrabSucceeds(bool succeeds) { m_grabSucceeds = succeeds; }
    bool isGrabbed() const { return m_grabbed; }
    int grabCount() const { return m_grabCount; }
    int ungrabCount() const { return m_ungrabCount; }
    int printedTextCalls() const { return m_printedTextCalls; }

    std::optional<quint32> virtualKeyForNative(quint32 nativeKeyCode) override;
    QString printedText(quint32 virtualKeyCode) override;
    bool grabKeyboard() override;
    void ungrabKeyboard() override;

private:
    QHash<quint32, quint32> m_natives;
    QHash<quint32, QString> m_printed;
    bool m_grabSucceeds = true;
    bool m_grabbed = false;
    int m_grabCount = 0;
    int m_ungrabCount = 0;
    int m_printedTextCalls = 0;
};

} // namespace Dartline
