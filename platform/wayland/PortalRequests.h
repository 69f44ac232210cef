// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>

#include <functional>

class QDBusMessage;

namespace Dartline {

// Requests to the desktop portal. The portal answers each later, as a
// signal of a request object (it may ask its user first); one request is
// awaited at a time.
class PortalRequests : public QObject
{
    Q_OBJECT
public:
    static const QString Service;
    static const QString Path;

    // The portal's response (0 granted, 1 declined by its user, 2 ended
    // otherwise) and its results. A call the portal did not take is
    // answered at once with 2 and its error message as "error".
    using Answer = std::function<void(uint response, const QVariantMap &results)>;

    explicit PortalRequests(const QDBusConnection &bus);
    ~PortalRequests() override;
    Q_DISABLE_COPY_MOVE(PortalRequests)

    QDBusConnection &bus() { return m_bus; }
    // The version of one of the portal's interfaces, 0 when it has none.
    uint version(const QString &interface);
    // Asks `method` of `interface` with `arguments`, then `options`.
    void ask(
        const QString &interface, const QString &method, QVariantList arguments, QVariantMap options, Answer answer);
    bool isWaiting() const { return !m_request.isEmpty(); }
    // Forgets the awaited request; its answer will not be heard.
    void cancel();
    // A token no earlier request or session of this process used.
    QString token() { return QStringLiteral("dartline%1").arg(++m_serial); }
    // A call the portal answers itself, at once; false when it did not take it.
    bool call(const QString &interface, const QString &method, const QVariantList &arguments);

private Q_SLOTS:
    void answered(uint response, const QVariantMap &results, const QDBusMessage &message);

private:
    QDBusConnection m_bus;
    QString m_request; // the request whose answer is awaited
    Answer m_answer;
    uint m_serial = 0;
};

// A session object's path from the portal's results, which name it as a
// string or an object path.
QString portalSessionHandle(const QVariantMap &results);

} // namespace Dartline
