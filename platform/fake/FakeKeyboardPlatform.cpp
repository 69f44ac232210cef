// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fake/FakeKeyboardPlatform.h"

#include <utility>

namespace Dartline {

void FakeKeyboardPlatform::useUsLayout()
{
    for (quint32 code = 0; code < 128; ++code)
        mapNative(code + UsNativeOffset, code);
    // Virtual key code and what the key prints, by key position.
    static const std::pair<quint32, char> keys[]
        = { { 0, 'a' }, { 1, 's' }, { 2, 'd' }, { 3, 'f' }, { 4, 'h' }, { 5, 'g' }, { 6, 'z' }, { 7, 'x' }, { 8, 'c' },
              { 9, 'v' }, { 11, 'b' }, { 12, 'q' }, { 13, 'w' }, { 14, 'e' }, { 15, 'r' }, { 16, 'y' }, { 17, 't' },
              { 18, '1' }, { 19, '2' }, { 20, '3' }, { 21, '4' }, { 22, '6' }, { 23, '5' }, { 24, '=' }, { 25, '9' },
              { 26, '7' }, { 27, '-' }, { 28, '8' }, { 29, '0' }, { 30, ']' }, { 31, 'o' }, { 32, 'u' }, { 33, '[' },
              { 34, 'i' }, { 35, 'p' }, { 37, 'l' }, { 38, 'j' }, { 39, '\'' }, { 40, 'k' }, { 41, ';' }, { 42, '\\' },
              { 43, ',' }, { 44, '/' }, { 45, 'n' }, { 46, 'm' }, { 47, '.' }, { 50, '`' } };
    for (const auto &[code, printed] : keys)
        setPrintedText(code, QString(QLatin1Char(printed)));
}

std::optional<quint32> FakeKeyboardPlatform::nativeFor(quint32 virtualKeyCode) const
{
    for (auto it = m_natives.cbegin(); it != m_natives.cend(); ++it) {
        if (it.value() == virtualKeyCode)
            return it.key();
    }
    return std::nullopt;
}

std::optional<quint32> FakeKeyboardPlatform::virtualKeyForNative(quint32 nativeKeyCode)
{
    const auto it = m_natives.constFind(nativeKeyCode);
    if (it == m_natives.cend())
        return std::nullopt;
    return *it;
}

QString FakeKeyboardPlatform::printedText(quint32 virtualKeyCode)
{
    ++m_printedTextCalls;
    return m_printed.value(virtualKeyCode);
}

bool FakeKeyboardPlatform::grabKeyboard()
{
    ++m_grabCount;
    m_grabbed = m_grabSucceeds;
    return m_grabSucceeds;
}

void FakeKeyboardPlatform::ungrabKeyboard()
{
    ++m_ungrabCount;
    m_grabbed = false;
}

} // namespace Dartline
