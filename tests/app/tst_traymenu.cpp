// SPDX-License-Identifier: GPL-3.0-or-later
// The tray menu as a StatusNotifierItem host reads it: over D-Bus, at the
// first click, before the menu was ever shown. The test runs a private
// session bus and plays the desktop's status-notifier watcher on it; the
// dartline program runs on a private Xorg with real RandR outputs.

#include "tests/app/DartlineProcess.h"
#include "tests/harness/X11TestMain.h"

#include <QDBusConnection>
#include <QDBusMessage>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

XServer &server()
{
    return *XServer::current();
}

} // namespace

// What a panel registers on the bus so that programs export their icons
// instead of docking them.
class StatusNotifierWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service) { m_items << service; }
    void RegisterStatusNotifierHost(const QString &) { }

private:
    QStringList m_items;
};

class TestTrayMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void menuExportedBeforeFirstClick();

private:
    // The exported menu's layout as dbus-send prints it.
    QByteArray layout(const QString &service) const;

    QProcess m_bus;
    QString m_address;
    StatusNotifierWatcher m_watcher;
};

void TestTrayMenu::initTestCase()
{
    m_bus.start(u"dbus-daemon"_s, { u"--session"_s, u"--nofork"_s, u"--print-address=1"_s });
    QVERIFY2(m_bus.waitForStarted(5000), "dbus-daemon is needed for the status-notifier test");
    while (!m_bus.canReadLine() && m_bus.waitForReadyRead(10000)) { }
    QVERIFY2(m_bus.canReadLine(), "dbus-daemon printed no address");
    m_address = QString::fromUtf8(m_bus.readLine().trimmed());
    QDBusConnection bus = QDBusConnection::connectToBus(m_address, u"watcher"_s);
    QVERIFY2(bus.isConnected(), qPrintable(bus.lastError().message()));
    QVERIFY(bus.registerObject(u"/StatusNotifierWatcher"_s, &m_watcher,
        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
    QVERIFY(bus.registerService(u"org.kde.StatusNotifierWatcher"_s));
}

void TestTrayMenu::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(u"watcher"_s);
    m_bus.terminate();
    m_bus.waitForFinished(5000);
}

QByteArray TestTrayMenu::layout(const QString &service) const
{
    QProcess send;
    send.start(u"dbus-send"_s,
        { u"--bus="_s + m_address, u"--print-reply"_s, u"--dest="_s + service, u"/MenuBar"_s,
            u"com.canonical.dbusmenu.GetLayout"_s, u"int32:0"_s, u"int32:-1"_s, u"array:string:"_s });
    send.waitForFinished(10000);
    return send.readAllStandardOutput() + send.readAllStandardError();
}

void TestTrayMenu::menuExportedBeforeFirstClick()
{
    QVERIFY(server().resetOutputs());
    DartlineProcess dartline;
    QVERIFY(dartline.writeStore("hasLaunched=true\nanimateCursor=false\n"));
    dartline.environment().insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_address);
    dartline.start();
    QVERIFY2(dartline.waitForLaunched(), dartline.standardError().constData());
    QTRY_COMPARE_WITH_TIMEOUT(m_watcher.items().size(), 1, 10000);
    const QString item = m_watcher.items().constFirst();

    // The panel asks for the layout right away, without announcing a show.
    QByteArray menu = layout(item);
    for (const char *label : { "1. ", "Alt+1", "识别屏幕", "设置…", "关于 Dartline", "退出 Dartline" })
        QVERIFY2(menu.contains(label), menu.constData());
    // Ctrl+, and Ctrl+Q act in the windows, not in the tray's menu.
    QVERIFY2(!menu.contains("shortcut"), menu.constData());

    // A monitor switched on shows up in the exported menu by itself.
    QVERIFY(server().xrandr({ u"--output"_s, u"DUMMY1"_s, u"--mode"_s, u"800x600"_s, u"--right-of"_s, u"DUMMY0"_s }));
    QTRY_VERIFY_WITH_TIMEOUT((menu = layout(item)).contains("2. "), 10000);
    QVERIFY2(menu.contains("Alt+2"), menu.constData());

    dartline.process().terminate();
    QVERIFY(dartline.process().waitForFinished(5000));
}

DARTLINE_X11_TEST_MAIN(TestTrayMenu)
#include "tst_traymenu.moc"
