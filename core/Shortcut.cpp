// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Shortcut.h"

#include <algorithm>

#include "core/KeyCodes.h"

#include <QJsonValue>

#include <array>
#include <cmath>

namespace Dartline {

namespace {

constexpr std::array<quint32, 9> suggestionKeys = { 18, 19, 20, 21, 23, 22, 26, 28, 25 };

const QString keyCodeKey = QStringLiteral("keyCode");
const QString modifiersKey = QStringLiteral("modifiers");

std::optional<quint32> readUInt32(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    // Exact integers only: no fraction, no sign, nothing beyond 32 bits.
    if (!(number >= 0.0 && number <= 4294967295.0) || std::floor(number) != number)
        return std::nullopt;
    return static_cast<quint32>(number);
}

} // namespace

bool Shortcut::isValid() const
{
    return (m_modifiers & (Super | Alt | Control)) != 0 && !isReserved();
}

bool Shortcut::isReserved() const
{
    // The whole word is compared: Ctrl with any other bit is allowed.
    return m_modifiers == Control
        && (m_keyCode == KeyCode::Q || m_keyCode == KeyCode::W || m_keyCode == KeyCode::Comma);
}

std::optional<Shortcut> Shortcut::suggested(int index, quint32 modifiers)
{
    if (index < 0 || index >= static_cast<int>(suggestionKeys.size()))
        return std::nullopt;
    return Shortcut(suggestionKeys[static_cast<size_t>(index)], modifiers);
}

bool Shortcut::isDefaultLike() const
{
    return std::find(suggestionKeys.begin(), suggestionKeys.end(), m_keyCode) != suggestionKeys.end()
        && std::find(std::begin(DefaultModifierChoices), std::end(DefaultModifierChoices), m_modifiers)
        != std::end(DefaultModifierChoices);
}

QJsonObject Shortcut::toJson() const
{
    return QJsonObject { { keyCodeKey, static_cast<qint64>(m_keyCode) },
        { modifiersKey, static_cast<qint64>(m_modifiers) } };
}

std::optional<Shortcut> Shortcut::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto keyCode = readUInt32(object.value(keyCodeKey));
    const auto modifiers = readUInt32(object.value(modifiersKey));
    if (!keyCode || !modifiers)
        return std::nullopt;
    return fromStored(*keyCode, *modifiers);
}

} // namespace Dartline
