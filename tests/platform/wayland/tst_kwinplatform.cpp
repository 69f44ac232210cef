// SPDX-License-Identifier: GPL-3.0-or-later
// The KWin backend against a real headless KWin; the pointer is read back through XWayland, keys are typed
// through KWin's fake input.
#include "platform/backends/PlatformBackends.h"
#include "platform/wayland/KwinHotKeyPlatform.h"
#include "platform/x11/XkbKeyNames.h"
#include "tests/platform/wayland/KwinServer.h"
#include "tests/platform/wayland/PrivateCompositor.h"
#include "tests/platform/wayland/WaylandHotKeyTest.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <fake-input-client.h>

using namespace Dartline;
using namespace Qt::StringLiterals;

class TestKwinPlatform : public WaylandHotKeyTest
{
    Q_OBJECT

    KwinServer m_server;
    KwinServer m_untrusted; // started by the test that needs it

    // The modifiers by XKB's names, then the key, through KWin's fake input.
    bool type(const Shortcut &shortcut) override
    {
        QList<QByteArray> names;
        for (const auto &[bit, name] : { std::pair { Shortcut::Super, "LWIN" }, std::pair { Shortcut::Control, "LCTL" },
                 std::pair { Shortcut::Alt, "LALT" }, std::pair { Shortcut::Shift, "LFSH" } }) {
            if (shortcut.modifiers() & bit)
                names.append(name);
        }
        names.append(XkbKeyNames::nameForVirtualKey(shortcut.keyCode()).toByteArray());
        for (int state : { 1, 0 }) { // press all, then release all
            for (const QByteArray &name : std::as_const(names))
                org_kde_kwin_fake_input_keyboard_key(
                    m_connection->fakeInput(), PrivateCompositor::defaultLayoutKey(name).evdev, state);
        }
        m_connection->flush();
        return true;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"kwin_wayland"_s).isEmpty())
            QSKIP("kwin_wayland is not installed");
        QCOMPARE(m_server.start({ QCoreApplication::applicationFilePath() }), QString());
        open(m_server.waylandSocket(), m_server.xDisplay,
            std::make_unique<KwinHotKeyPlatform>(QDBusConnection::connectToBus(m_server.busAddress(), u"kwin"_s)));
        QVERIFY(m_connection && m_connection->fakeInput());
    }

    void typedShortcutLandsOnCentre_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRectF>("bounds");
        QTest::newRow("second output") << 1 << u"Virtual-1"_s << QRectF(1280, 0, 1280, 720);
        QTest::newRow("first output") << 0 << u"Virtual-0"_s << QRectF(0, 0, 1280, 720);
    }

    void refusals_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<QString>("holder");
        QTest::addColumn<HotKeyStatus>("status");
        const Shortcut ctrlAltQ(12, Shortcut::Control | Shortcut::Alt);
        QTest::newRow("KWin's own component holds Alt+F4")
            << Shortcut(118, Shortcut::Alt) << QString() << HotKeyStatus::HotKeyExists;
        QTest::newRow("registered already") << ctrlAltQ << u"dartline"_s << HotKeyStatus::HotKeyExists;
        QTest::newRow("given back") << ctrlAltQ << u"dartline, released"_s << HotKeyStatus::NoError;
        QTest::newRow("no such key") << Shortcut(0xffff, Shortcut::Alt) << QString() << HotKeyStatus::NoKeyCode;
        QTest::newRow("free: Super+Shift+Q")
            << Shortcut(12, Shortcut::Super | Shortcut::Shift) << QString() << HotKeyStatus::NoError;
    }

    void choosesKwinAndNeedsTheDesktopFile_data()
    {
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<int>("warp");
        QTest::newRow("desktop file names the program") << true << 0;
        QTest::newRow("no desktop file") << false << WaylandCursorPlatform::NotAllowed;
    }
    void choosesKwinAndNeedsTheDesktopFile()
    {
        QFETCH(bool, trusted);
        QFETCH(int, warp);
        if (!trusted)
            QCOMPARE(m_untrusted.start({}), QString());
        qputenv("WAYLAND_DISPLAY", (trusted ? m_server : m_untrusted).path(u"wayland"_s).toLocal8Bit());
        const std::unique_ptr<Platform> platform = createPlatform();
        // The ids are the monitors' own: another KWin finds the same, one for each.
        QStringList ids, expected;
        for (const Dartline::Display &display : DisplayService::connected(platform->displays()))
            ids.append(display.id);
        for (const Dartline::Display &display : connected())
            expected.append(display.id);
        QCOMPARE(ids, expected);
        QCOMPARE(QSet<QString>(ids.cbegin(), ids.cend()).size(), 3);
        QVERIFY(!QUuid::fromString(ids.constFirst()).isNull());
        if (!trusted) {
            QTest::ignoreMessage(QtWarningMsg,
                QRegularExpression(u"Exec="_s + QRegularExpression::escape(QCoreApplication::applicationFilePath())
                    + u" and X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input"_s));
        }
        // Known before the first jump, for the settings window to say.
        QCOMPARE(platform->cursor().route(),
            trusted ? CursorPlatform::Route::Direct : CursorPlatform::Route::NeedsDesktopEntry);
        QCOMPARE(platform->cursor().warp(QPointF(100, 100)), warp);
    }
};

QTEST_MAIN(TestKwinPlatform)

#include "tst_kwinplatform.moc"
