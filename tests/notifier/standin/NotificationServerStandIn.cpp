// A stand-in for the desktop's notification service, for the notifier's tests: owns
// org.freedesktop.Notifications on the session bus, writes every call it gets (method,
// signature, arguments) as one JSON line into the log file, answers with the
// capabilities it was given, and emits ActionInvoked when told to through its own
// org.fetemark.StandIn.InvokeAction(u id, s action_key).
//
//   notification-server-stand-in LOG_FILE [CAPABILITY,...]
//
// Prints "ready" once it owns the name.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

QJsonValue toJson(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        return toJson(value.value<QDBusVariant>().variant());
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        // The one container the notification interface has besides `as`: the hints, a{sv}.
        QJsonObject object;
        const QVariantMap map = qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            object.insert(it.key(), toJson(it.value()));
        return object;
    }
    return QJsonValue::fromVariant(value);
}

class StandIn : public QDBusVirtualObject {
public:
    StandIn(QString logPath, QStringList capabilities)
        : m_log(logPath), m_capabilities(std::move(capabilities))
    {
    }

    bool open() { return m_log.open(QIODevice::WriteOnly | QIODevice::Append); }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        record(message);
        QDBusConnection bus = connection;
        const QString method = message.member();
        const QVariantList args = message.arguments();
        if (method == QStringLiteral("GetCapabilities"))
            return bus.send(message.createReply(QVariant(m_capabilities)));
        if (method == QStringLiteral("Notify"))
            return bus.send(message.createReply(QVariant(++m_lastId)));
        if (method == QStringLiteral("GetServerInformation"))
            return bus.send(message.createReply(QVariantList {QStringLiteral("stand-in"),
                QStringLiteral("fetemark"), QStringLiteral("1"), QStringLiteral("1.2")}));
        if (method == QStringLiteral("CloseNotification") && args.size() == 1) {
            emitSignal(bus, QStringLiteral("NotificationClosed"), {args[0], 3u});
            return bus.send(message.createReply());
        }
        if (method == QStringLiteral("InvokeAction") && args.size() == 2) {
            emitSignal(bus, QStringLiteral("ActionInvoked"), args);
            return bus.send(message.createReply());
        }
        return bus.send(message.createErrorReply(
            QDBusError::UnknownMethod, QStringLiteral("the stand-in has no %1").arg(method)));
    }

private:
    void record(const QDBusMessage& message)
    {
        QJsonArray args;
        for (const QVariant& arg : message.arguments())
            args.append(toJson(arg));
        const QJsonObject line {{QStringLiteral("method"), message.member()},
            {QStringLiteral("interface"), message.interface()},
            {QStringLiteral("signature"), message.signature()}, {QStringLiteral("args"), args}};
        m_log.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
        m_log.flush();
    }

    static void emitSignal(QDBusConnection& bus, const QString& name, const QVariantList& args)
    {
        QDBusMessage signal = QDBusMessage::createSignal(Path, Interface, name);
        signal.setArguments(args);
        bus.send(signal);
    }

    QFile m_log;
    QStringList m_capabilities;
    uint m_lastId = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fputs("usage: notification-server-stand-in LOG_FILE [CAPABILITY,...]\n", stderr);
        return 2;
    }
    StandIn standIn(
        args[1], args.size() > 2 ? args[2].split(u',', Qt::SkipEmptyParts) : QStringList {});
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!standIn.open() || !bus.registerVirtualObject(Path, &standIn) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fputs("stand-in: no log file, session bus or bus name\n", stderr);
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
