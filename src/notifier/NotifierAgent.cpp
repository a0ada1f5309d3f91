#include "NotifierAgent.h"

#include "notifier/DesktopPresenter.h"
#include "notifier/Notifier.h"
#include "platform/files/DataDirectory.h"
#include "platform/time/DesktopWakeSource.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QTimer>

namespace fetemark {

NotifierAgent::NotifierAgent(Dependencies dependencies, QObject* parent)
    : QObject(parent), m_deps(std::move(dependencies))
{
}

NotifierAgent::~NotifierAgent()
{
    // The notifier uses the presenter and the wake source: it goes first.
    m_notifier.reset();
    m_presenter.reset();
    m_wakeSource.reset();
    m_bus.reset();
    if (!m_connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(m_connectionName);
}

void NotifierAgent::start()
{
    // At a first login the application has never run: the schedule appears later, in a
    // directory that must be there to be watched.
    QString error;
    if (!DataDirectory::create(m_deps.dataDirectory, &error)) {
        qCritical("%s", qPrintable(error));
        emit finished(1);
        return;
    }
    connectToSession();
}

void NotifierAgent::connectToSession()
{
    // A connection of our own per attempt: the shared session connection stays broken once
    // it has failed.
    m_connectionName = QStringLiteral("fetemark-notifier-%1").arg(++m_attempt);
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    if (!bus.isConnected()) {
        qWarning("no D-Bus session bus (%s); trying again in %lld s",
            qPrintable(bus.lastError().message()), static_cast<long long>(RetryInterval.count()));
        QDBusConnection::disconnectFromBus(m_connectionName);
        m_connectionName.clear();
        QTimer::singleShot(RetryInterval, this, &NotifierAgent::connectToSession);
        return;
    }
    m_bus = std::make_unique<QDBusConnection>(bus);
    if (!ownBusName())
        return;
    m_presenter = std::make_unique<DesktopPresenter>(*m_bus);
    m_wakeSource = std::make_unique<DesktopWakeSource>();
    m_notifier = std::make_unique<Notifier>(Notifier::Dependencies {m_deps.dataDirectory,
        m_deps.lock, m_deps.clock, m_deps.currentZoneId, m_presenter.get(), m_wakeSource.get()});
    m_notifier->start();
    qInfo("showing the reminders of %s", qPrintable(m_deps.dataDirectory));
}

bool NotifierAgent::ownBusName()
{
    const QString name = QString::fromLatin1(BusName);
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_bus->interface()->registerService(name, QDBusConnectionInterface::DontQueueService,
            QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
        qWarning("could not take the bus name %s: %s", qPrintable(name),
            qPrintable(reply.error().message()));
        emit finished(1);
        return false;
    }
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        qInfo("another fetemark-notifier runs in this session (it owns %s); leaving",
            qPrintable(name));
        emit finished(0);
        return false;
    }
    return true;
}

} // namespace fetemark
