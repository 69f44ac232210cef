// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NullPlatform.h"

namespace Dartline {

namespace {

constexpr int NoWindowSystem = -1;

class NullDisplayPlatform : public DisplayPlatform
{
public:
    QList<ScreenInfo> screens() override { return {}; }
    bool isActive(quint32) override { return false; }
    bool isInMirrorSet(quint32) override { return false; }
    quint32 mirrorsDisplay(quint32) override { return 0; }
    std::optional<QString> uuid(quint32) override { return std::nullopt; }
    quint32 vendorNumber(quint32) override { return 0; }
    quint32 modelNumber(quint32) override { return 0; }
    quint32 serialNumber(quint32) override { return 0; }
    QRectF bounds(quint32) override { return {}; }
    bool isBuiltin(quint32) override { return false; }
};

class NullCursorPlatform : public CursorPlatform
{
public:
    int warp(const QPointF &) override { return NoWindowSystem; }
    std::optional<QPointF> location() override { return std::nullopt; }
    bool leftButtonDown() override { return false; }
    bool rightButtonDown() override { return false; }
    std::optional<CursorImage> currentCursor() override { return std::nullopt; }
    bool reduceMotion() override { return false; }
    bool hasCompositor() override { return false; }
};

class NullHotKeyPlatform : public HotKeyPlatform
{
public:
    bool installHandler(Handler) override { return false; }
    HotKeyStatus registerHotKey(const Shortcut &, const HotKeyId &, Ref *ref) override
    {
        if (ref)
            *ref = 0;
        return HotKeyStatus::NoHandler;
    }
    void unregisterHotKey(Ref) override { }
    void removeHandler() override { }
};

class NullKeyboardPlatform : public KeyboardPlatform
{
public:
    std::optional<quint32> virtualKeyForNative(quint32) override { return std::nullopt; }
    QString printedText(quint32) override { return {}; }
    bool grabKeyboard() override { return false; }
    void ungrabKeyboard() override { }
};

class NullAppearancePlatform : public AppearancePlatform
{
public:
    std::optional<QString> themeName() override { return std::nullopt; }
};

class NullPlatform : public Platform
{
public:
    DisplayPlatform &displays() override { return m_displays; }
    CursorPlatform &cursor() override { return m_cursor; }
    HotKeyPlatform &hotKeys() override { return m_hotKeys; }
    KeyboardPlatform &keyboard() override { return m_keyboard; }
    AppearancePlatform &appearance() override { return m_appearance; }

private:
    NullDisplayPlatform m_displays;
    NullCursorPlatform m_cursor;
    NullHotKeyPlatform m_hotKeys;
    NullKeyboardPlatform m_keyboard;
    NullAppearancePlatform m_appearance;
};

} // namespace

std::unique_ptr<Platform> createNullPlatform()
{
    return std::make_unique<NullPlatform>();
}

} // namespace Dartline
