// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeys/KeyLabels.h"

#include "core/KeyCodes.h"

#include "platform/KeyboardPlatform.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <array>
#include <utility>

namespace Dartline {

namespace {

struct NamedKey
{
    quint32 keyCode;
    const char16_t *label;
};

// Keys whose label is the same on every layout: the words on a PC keyboard's
// caps, and arrows. Space is named in the user's language (keyLabel).
constexpr std::array<NamedKey, 13> namedKeys { {
    { KeyCode::Return, u"Enter" },
    { KeyCode::Tab, u"Tab" },
    { KeyCode::Backspace, u"Backspace" },
    { KeyCode::Escape, u"Esc" },
    { KeyCode::Left, u"\u2190" },
    { KeyCode::Right, u"\u2192" },
    { KeyCode::Down, u"\u2193" },
    { KeyCode::Up, u"\u2191" },
    { KeyCode::Delete, u"Delete" },
    { KeyCode::Home, u"Home" },
    { KeyCode::End, u"End" },
    { KeyCode::PageUp, u"PgUp" },
    { KeyCode::PageDown, u"PgDn" },
} };

// Entry n - 1 is the key code of Fn.
constexpr std::array<quint32, 20> functionKeys { 122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113,
    106, 64, 79, 80, 90 };

QString fallbackLabel(quint32 keyCode)
{
    return QCoreApplication::translate("Dartline::KeyLabels", "Key %1").arg(keyCode);
}

// Control characters (a keypad Enter prints a carriage return) and blanks would
// give an empty-looking cap.
bool printable(const QString &text)
{
    bool visible = false;
    for (const char32_t c : text.toUcs4()) {
        if (QChar::category(c) == QChar::Other_Control || QChar::category(c) == QChar::Other_NotAssigned)
            return false;
        if (!QChar::isSpace(c))
            visible = true;
    }
    return visible;
}

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

} // namespace

QStringList keycapLabels(const Shortcut &shortcut, KeyboardPlatform &keyboard)
{
    static constexpr std::array<std::pair<quint32, QLatin1StringView>, 4> names { {
        { Shortcut::Control, QLatin1StringView("Ctrl") },
        { Shortcut::Alt, QLatin1StringView("Alt") },
        { Shortcut::Shift, QLatin1StringView("Shift") },
        { Shortcut::Super, QLatin1StringView("Super") },
    } };
    QStringList labels;
    for (const auto &[bit, name] : names) {
        if (shortcut.modifiers() & bit)
            labels.append(name);
    }
    labels.append(keyLabel(shortcut.keyCode(), keyboard));
    return labels;
}

QString shortcutText(const Shortcut &shortcut, KeyboardPlatform &keyboard)
{
    return joinedKeycaps(keycapLabels(shortcut, keyboard));
}

QString joinedKeycaps(const QStringList &labels)
{
    return labels.join(QLatin1Char('+'));
}

QString keyLabel(quint32 keyCode, KeyboardPlatform &keyboard)
{
    if (keyCode == KeyCode::Space)
        return QCoreApplication::translate("Dartline::KeyLabels", "Space");
    for (const NamedKey &named : namedKeys) {
        if (named.keyCode == keyCode)
            return QString::fromUtf16(named.label);
    }
    for (size_t i = 0; i < functionKeys.size(); ++i) {
        if (functionKeys[i] == keyCode)
            return QLatin1Char('F') + QString::number(i + 1);
    }
    // Only a stored document can carry such a code; no key has one.
    if (keyCode > 0xFFFF)
        return fallbackLabel(keyCode);
    const QString printed = keyboard.printedText(keyCode);
    if (!printable(printed))
        return fallbackLabel(keyCode);
    return printed.toUpper();
}

std::optional<Shortcut> shortcutFromKeyEvent(const QKeyEvent &event, KeyboardPlatform &keyboard)
{
    if (isModifierKey(event.key()))
        return std::nullopt;
    const std::optional<quint32> keyCode = keyboard.virtualKeyForNative(event.nativeScanCode());
    if (!keyCode || (*keyCode >= KeyCode::FirstModifier && *keyCode <= KeyCode::LastModifier))
        return std::nullopt;
    const Qt::KeyboardModifiers held = event.modifiers();
    quint32 modifiers = 0;
    if (held & Qt::MetaModifier)
        modifiers |= Shortcut::Super;
    if (held & Qt::AltModifier)
        modifiers |= Shortcut::Alt;
    if (held & Qt::ControlModifier)
        modifiers |= Shortcut::Control;
    if (held & Qt::ShiftModifier)
        modifiers |= Shortcut::Shift;
    return Shortcut(*keyCode, modifiers);
}

} // namespace Dartline
