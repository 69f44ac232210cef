// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace Dartline {

// Turns SIGTERM, SIGINT and SIGHUP into a signal on the main thread, so that
// a session logout or Ctrl+C ends Dartline through the normal quit path: the
// hot keys are ungrabbed, the lock file and the socket are removed.
class TerminationWatcher : public QObject
{
    Q_OBJECT
public:
    explicit TerminationWatcher(QObject *parent = nullptr);
    ~TerminationWatcher() override;
    Q_DISABLE_COPY_MOVE(TerminationWatcher)

    bool isWatching() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace Dartline
