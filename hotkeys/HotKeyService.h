// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKeyPlatform.h"

#include <QHash>
#include <QList>

#include <functional>

namespace Dartline {

class Shortcut;

// Keeps the live system-wide hot keys and calls their actions.
class HotKeyService
{
public:
    using Action = std::function<void()>;

    explicit HotKeyService(HotKeyPlatform &platform);
    ~HotKeyService();
    Q_DISABLE_COPY_MOVE(HotKeyService)

    // A status: 0 on success. The service does not test validity.
    HotKeyStatus registerHotKey(const Shortcut &shortcut, Action action);
    void clear();

    HotKeyStatus handle(const HotKeyId &id); // the installed handler; public for tests

private:
    HotKeyPlatform &m_platform;
    QList<HotKeyPlatform::Ref> m_refs;
    QHash<quint32, Action> m_actions;
    bool m_handlerInstalled = false;
};

} // namespace Dartline
