// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHashFunctions>
#include <QJsonObject>

#include <functional>
#include <optional>

namespace Dartline {

// A global keyboard shortcut: a key position (virtual key code, independent of
// the keyboard layout) and a mask of modifier bits.
class Shortcut
{
public:
    // The stored modifier bits.
    static constexpr quint32 Super = 0x100;
    static constexpr quint32 Shift = 0x200;
    static constexpr quint32 Alt = 0x800;
    static constexpr quint32 Control = 0x1000;
    static constexpr quint32 ModifierMask = Super | Shift | Alt | Control;

    // Key codes that the rules below name.

    constexpr Shortcut() = default;
    // Drops every bit of `modifiers` outside the four modifier bits.
    constexpr Shortcut(quint32 keyCode, quint32 modifiers)
        : m_keyCode(keyCode)
        , m_modifiers(modifiers & ModifierMask)
    { }

    // Takes the values exactly as stored; the stored document is not masked.
    static constexpr Shortcut fromStored(quint32 keyCode, quint32 modifiers)
    {
        Shortcut s;
        s.m_keyCode = keyCode;
        s.m_modifiers = modifiers;
        return s;
    }

    constexpr quint32 keyCode() const { return m_keyCode; }
    constexpr quint32 modifiers() const { return m_modifiers; }

    // Usable as a global shortcut: needs Super, Alt or Ctrl, and is not
    // reserved.
    bool isValid() const;
    // One of the application's own window keys: Ctrl alone on Q, W or comma.
    // A global grab of one would take Quit or Close from every application.
    bool isReserved() const;

    // The default offered to the display at `index` of the ordered list:
    // the digit of position index + 1 with `modifiers`, for the first nine.
    static std::optional<Shortcut> suggested(int index, quint32 modifiers = Alt);
    // The defaults' modifiers: Alt as designed, and the two that leave
    // Alt+digit to browsers and terminals, which switch tabs with it.
    static constexpr quint32 DefaultModifierChoices[] = { Alt, Control | Alt, Super | Alt };
    // A digit 1-9 with one of those: a default of some choice, not a
    // combination the user picked.
    bool isDefaultLike() const;

    QJsonObject toJson() const;
    // Both members required, each an integer that fits 32 unsigned bits.
    static std::optional<Shortcut> fromJson(const QJsonValue &value);

    friend constexpr bool operator==(const Shortcut &, const Shortcut &) = default;

private:
    quint32 m_keyCode = 0;
    quint32 m_modifiers = 0;
};

inline size_t qHash(const Shortcut &shortcut, size_t seed = 0) noexcept
{
    return qHashMulti(seed, shortcut.keyCode(), shortcut.modifiers());
}

} // namespace Dartline

template<> struct std::hash<Dartline::Shortcut>
{
    size_t operator()(const Dartline::Shortcut &shortcut) const noexcept { return qHash(shortcut); }
};
