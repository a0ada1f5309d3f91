#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace fetemark::test {

// The notifier's tests run inside `dbus-run-session`: the session bus is the test's own.
inline const QString NotificationsService = QStringLiteral("org.freedesktop.Notifications");

// A connection of its own, as the agent makes one: the test's own session connection
// then talks to it like any other program on the bus.
inline QDBusConnection ownSessionConnection(const QString& name)
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
}

inline bool waitForBusName(const QString& name, bool owned, int timeoutMs = 15000)
{
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return QTest::qWaitFor(
        [&] { return bus->isServiceRegistered(name).value() == owned; }, timeoutMs);
}

// The stand-in notification server (tests/notifier/standin), one per test.
class StandInServer {
public:
    explicit StandInServer(const QString& logFile) : m_logFile(logFile) { }
    ~StandInServer()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
        waitForBusName(NotificationsService, false);
    }

    // Comma-separated capabilities, e.g. "actions,body,body-markup".
    bool start(const QString& capabilities)
    {
        m_process.start(
            QStringLiteral(FETEMARK_NOTIFICATION_SERVER_STAND_IN), {m_logFile, capabilities});
        return m_process.waitForReadyRead(15000) &&
            m_process.readAllStandardOutput().startsWith("ready");
    }

    // The calls recorded so far with the given method name.
    QList<QJsonObject> calls(const QString& method) const
    {
        QFile log(m_logFile);
        QList<QJsonObject> found;
        if (!log.open(QIODevice::ReadOnly))
            return found;
        for (const QByteArray& line : log.readAll().split('\n')) {
            const QJsonObject call = QJsonDocument::fromJson(line).object();
            if (call.value(QStringLiteral("method")).toString() == method)
                found.append(call);
        }
        return found;
    }

    bool invokeAction(uint id, const QString& actionKey) const
    {
        QDBusMessage call = QDBusMessage::createMethodCall(NotificationsService,
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.fetemark.StandIn"), QStringLiteral("InvokeAction"));
        call << id << actionKey;
        return QDBusConnection::sessionBus().call(call).type() == QDBusMessage::ReplyMessage;
    }

private:
    QString m_logFile;
    QProcess m_process;
};

} // namespace fetemark::test
