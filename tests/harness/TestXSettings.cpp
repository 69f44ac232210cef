// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/harness/TestXSettings.h"

#include <QtEndian>

#include <xcb/xcb.h>

#include <cstdlib>

namespace Dartline {

namespace {

QByteArray number(quint32 v, bool big, int size = 4)
{
    QByteArray w(4, '\0');
    big ? qToBigEndian(v << (32 - 8 * size), w.data()) : qToLittleEndian(v, w.data());
    return w.left(size);
}

QByteArray pad(qsizetype n)
{
    return QByteArray((4 - n % 4) % 4, '\0');
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    auto *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, quint16(qstrlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(r);
    return a;
}

} // namespace

TestXSettings &TestXSettings::add(quint8 type, const QByteArray &name, const QByteArray &little, const QByteArray &big)
{
    for (const bool b : { false, true }) {
        m_settings[b] += char(type) + QByteArray(1, '\0') + number(quint32(name.size()), b, 2) + name + pad(name.size())
            + number(1, b) + (b ? big : little);
    }
    ++m_count;
    return *this;
}

TestXSettings &TestXSettings::integer(const QByteArray &name, qint32 value)
{
    return add(Integer, name, number(quint32(value), false), number(quint32(value), true));
}

TestXSettings &TestXSettings::string(const QByteArray &name, const QByteArray &value)
{
    const auto size = quint32(value.size());
    return add(String, name, number(size, false) + value + pad(size), number(size, true) + value + pad(size));
}

QByteArray TestXSettings::bytes(bool big) const
{
    return QByteArray(1, big ? '\1' : '\0') + QByteArray(3, '\0') + number(7, big) + number(m_count, big)
        + m_settings[big];
}

XSettingsDaemon::XSettingsDaemon(const QString &displayName)
    : m_connection(xcb_connect(displayName.toLatin1().constData(), nullptr))
    , m_window(xcb_generate_id(m_connection))
    , m_property(atom(m_connection, "_XSETTINGS_SETTINGS"))
{
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window,
        xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
        XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(m_connection, m_window, atom(m_connection, "_XSETTINGS_S0"), XCB_CURRENT_TIME);
    free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

XSettingsDaemon::~XSettingsDaemon()
{
    xcb_disconnect(m_connection);
}

void XSettingsDaemon::publish(const QByteArray &settings)
{
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, m_property, m_property, 8,
        quint32(settings.size()), settings.constData());
    free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

} // namespace Dartline
