// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main function of a test that runs against its own X server; see
// XServer.h for the whole harness.

#include "tests/harness/TestEdid.h"
#include "tests/harness/XServer.h"
#include "tests/harness/XTestClient.h"

#include <QTest>

#include <cstdio>

#ifdef QT_WIDGETS_LIB
#include <QApplication>
#define DARTLINE_TEST_APPLICATION QApplication
#else
#include <QGuiApplication>

using namespace Dartline;
#define DARTLINE_TEST_APPLICATION QGuiApplication
#endif

// The server outlives the application: Qt's connection to it must close
// first, or the xcb plugin treats the lost connection as fatal.
#define DARTLINE_X11_TEST_MAIN_WITH(TestClass, serverKind)                                                             \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        XServer dartlineServer(serverKind);                                                                            \
        if (!dartlineServer.start()) {                                                                                 \
            std::fprintf(stderr, "%s\n", qPrintable(dartlineServer.errorString()));                                    \
            return 1;                                                                                                  \
        }                                                                                                              \
        XServer::setCurrent(&dartlineServer);                                                                          \
        qputenv("DISPLAY", dartlineServer.displayName().toLatin1());                                                   \
        qputenv("QT_QPA_PLATFORM", "xcb");                                                                             \
        if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))                                                      \
            qputenv("QT_XCB_GL_INTEGRATION", "none");                                                                  \
        int status = 0;                                                                                                \
        {                                                                                                              \
            DARTLINE_TEST_APPLICATION app(argc, argv);                                                                 \
            TestClass tc;                                                                                              \
            QTEST_SET_MAIN_SOURCE_PATH                                                                                 \
            status = QTest::qExec(&tc, argc, argv);                                                                    \
        }                                                                                                              \
        XServer::setCurrent(nullptr);                                                                                  \
        return status;                                                                                                 \
    }

#define DARTLINE_X11_TEST_MAIN(TestClass) DARTLINE_X11_TEST_MAIN_WITH(TestClass, XServer::Kind::Xorg)
