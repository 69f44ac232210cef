// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main function of a test against its own X server:
//   DARTLINE_X11_TEST_MAIN(TestFoo)                           Xorg, dummy driver
//   DARTLINE_X11_TEST_MAIN_WITH(TestFoo, XServer::Kind::Xvfb)
// runs the test in a QApplication (QGuiApplication without Qt Widgets) on the xcb platform, with
// DISPLAY at the server; inside a test, XServer::current() is that server.

#include "tests/harness/TestEdid.h"
#include "tests/harness/XServer.h"
#include "tests/harness/XTestClient.h"

#include <QTest>

#ifdef QT_WIDGETS_LIB
#include <QApplication>
#define DARTLINE_TEST_APPLICATION QApplication
#else
#include <QGuiApplication>
#define DARTLINE_TEST_APPLICATION QGuiApplication
#endif

using namespace Dartline;

// The test's server.
inline XServer &server()
{
    return *XServer::current();
}

#define DARTLINE_X11_TEST_MAIN_WITH(TestClass, serverKind)                                                             \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        return XServer::exec(serverKind, [&] {                                                                         \
            DARTLINE_TEST_APPLICATION app(argc, argv);                                                                 \
            TestClass tc;                                                                                              \
            QTEST_SET_MAIN_SOURCE_PATH                                                                                 \
            return QTest::qExec(&tc, argc, argv);                                                                      \
        });                                                                                                            \
    }

#define DARTLINE_X11_TEST_MAIN(TestClass) DARTLINE_X11_TEST_MAIN_WITH(TestClass, XServer::Kind::Xorg)
