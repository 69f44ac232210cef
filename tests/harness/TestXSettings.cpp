// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/harness/TestXSettings.h"

#include <xcb/xcb.h>

#include <cstdlib>

#include <QtEndian>

namespace Dartline {

namespace {

QByteArray word(quint32 v, bool big)
{
    QByteArray w(4, '\0');
    if (big)
        qToBigEndian(v, w.data());
    else
        qToLittleEndian(v, w.data());
    return w;
}

QByteArray half(quint16 v, bool big)
{
    QByteArray w(2, '\0');
    if (big)
        qToBigEndian(v, w.data());
    else
        qToLittleEndian(v, w.data());
    return w;
}

QByteArray pad(qsizetype n)
{
    return QByteArray((4 - n % 4) % 4, '\0');
}

} // namespace

TestXSettings &TestXSettings::integer(const QByteArray &name, qint32 value)
{
    m_settings.append({ Integer, name, [value](bool big) { return word(static_cast<quint32>(value), big); } });
    return *this;
}

TestXSettings &TestXSettings::string(const QByteArray &name, const QByteArray &value)
{
    m_settings.append({ String, name,
        [value](bool big) { return word(static_cast<quint32>(value.size()), big) + value + pad(value.size()); } });
    return *this;
}

TestXSettings &TestXSettings::color(const QByteArray &name)
{
    return raw(Color, name, QByteArray(8, '\x7f'));
}

TestXSettings &TestXSettings::raw(quint8 type, const QByteArray &name, const QByteArray &valueBytes)
{
    m_settings.append({ type, name, [valueBytes](bool) { return valueBytes; } });
    return *this;
}

TestXSettings &TestXSettings::claimCount(quint32 count)
{
    m_claimedCount = count;
    return *this;
}

QByteArray TestXSettings::bytes(bool big) const
{
    QByteArray out;
    out.append(big ? '\1' : '\0').append(3, '\0');
    out.append(word(7, big)); // serial
    out.append(word(
        m_claimedCount >= 0 ? static_cast<quint32>(m_claimedCount) : static_cast<quint32>(m_settings.size()), big));
    for (const Setting &s : m_settings) {
        out.append(static_cast<char>(s.type)).append('\0');
        out.append(half(static_cast<quint16>(s.name.size()), big));
        out.append(s.name).append(pad(s.name.size()));
        out.append(word(1, big)); // last change serial
        out.append(s.value(big));
    }
    return out;
}

struct XSettingsDaemon::Private
{
    xcb_connection_t *c = nullptr;
    xcb_window_t window = 0;
    xcb_atom_t property = 0;

    xcb_atom_t atom(const char *name) const
    {
        xcb_intern_atom_reply_t *r
            = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<quint16>(qstrlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(r);
        return a;
    }
    void sync() const { free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }
};

XSettingsDaemon::XSettingsDaemon(const QString &displayName)
    : d(new Private)
{
    d->c = xcb_connect(displayName.toLatin1().constData(), nullptr);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(d->c)).data;
    d->window = xcb_generate_id(d->c);
    xcb_create_window(d->c, XCB_COPY_FROM_PARENT, d->window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
        XCB_COPY_FROM_PARENT, 0, nullptr);
    d->property = d->atom("_XSETTINGS_SETTINGS");
    xcb_set_selection_owner(d->c, d->window, d->atom("_XSETTINGS_S0"), XCB_CURRENT_TIME);
    d->sync();
}

XSettingsDaemon::~XSettingsDaemon()
{
    xcb_disconnect(d->c);
    delete d;
}

void XSettingsDaemon::publish(const QByteArray &settings)
{
    xcb_change_property(d->c, XCB_PROP_MODE_REPLACE, d->window, d->property, d->property, 8,
        static_cast<quint32>(settings.size()), settings.constData());
    d->sync();
}

} // namespace Dartline
