// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/platform/wayland/WaylandHotKeyTest.h"

#include <QTest>

namespace Dartline {

void WaylandHotKeyTest::open(
    const QString &socket, const QString &xDisplay, std::unique_ptr<HotKeyPlatform> hotKeys, const QString &sysfs)
{
    m_connection = WaylandConnection::open(socket.toLocal8Bit().constData());
    QVERIFY(m_connection);
    m_displays = std::make_unique<WaylandDisplayPlatform>(*m_connection, sysfs);
    m_cursor = std::make_unique<WaylandCursorPlatform>(*m_connection, nullptr);
    m_hotKeys = std::move(hotKeys);
    QVERIFY(m_hotKeys->installHandler([this](const HotKeyId &id) {
        m_pressed.append(id.id);
        m_cursor->warp(m_displays->bounds(id.id).center());
        return HotKeyStatus::NoError;
    }));
    m_x = std::make_unique<XTestClient>(xDisplay);
    QVERIFY(m_x->coverScreen());
    // Until XWayland has shown the window, a jump goes unseen.
    QTRY_VERIFY_WITH_TIMEOUT(m_cursor->warp(QPointF(7, 9)) == 0 && m_x->pointer() == QPoint(7, 9), 5000);
}

void WaylandHotKeyTest::cleanupTestCase()
{
    m_x.reset();
    m_hotKeys.reset();
    m_cursor.reset();
    m_displays.reset();
    m_connection.reset();
}

void WaylandHotKeyTest::typedShortcutLandsOnCentre()
{
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(QRectF, bounds);
    const Dartline::Display display = connected().at(index);
    QCOMPARE(display.name, name);
    QCOMPARE(display.bounds, bounds);
    const QPoint centre = bounds.center().toPoint();
    HotKeyPlatform::Ref ref = 0;
    QCOMPARE(m_hotKeys->registerHotKey(*Shortcut::suggested(index), HotKeyId { display.number }, &ref),
        HotKeyStatus::NoError);
    QVERIFY(m_x->pointer() != centre);
    QVERIFY(type(*Shortcut::suggested(index)));
    QTRY_COMPARE_WITH_TIMEOUT(m_x->pointer(), centre, 5000);
    QCOMPARE(m_pressed.count(display.number), 1);
    m_hotKeys->unregisterHotKey(ref);
}

void WaylandHotKeyTest::refusals()
{
    QFETCH(Shortcut, shortcut);
    QFETCH(QString, holder);
    QFETCH(HotKeyStatus, status);
    HotKeyPlatform::Ref first = 0, ref = 0;
    if (holder.startsWith(u"dartline"))
        QCOMPARE(m_hotKeys->registerHotKey(shortcut, HotKeyId { 41 }, &first), HotKeyStatus::NoError);
    if (holder.endsWith(u"released"))
        m_hotKeys->unregisterHotKey(first);
    QCOMPARE(m_hotKeys->registerHotKey(shortcut, HotKeyId { 42 }, &ref), status);
    if (status == HotKeyStatus::NoError) {
        // The compositor must have understood the combination as typed.
        QVERIFY(type(shortcut));
        QTRY_VERIFY_WITH_TIMEOUT(m_pressed.contains(42), 5000);
        m_pressed.removeAll(42);
    }
    m_hotKeys->unregisterHotKey(first);
    m_hotKeys->unregisterHotKey(ref);
}

} // namespace Dartline
