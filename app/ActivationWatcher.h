// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

// Tells when the application stops being the active one (the user switched
// to another program). Kept apart because <QGuiApplication> declares X11's
// own `Display`, which collides with ours in files that use both.
class ActivationWatcher : public QObject
{
    Q_OBJECT
public:
    explicit ActivationWatcher(QObject *parent = nullptr);

Q_SIGNALS:
    void resignedActive();

private:
    bool m_active = false;
};
