#include "LauncherEntry.h"

#include <QDBusError>
#include <QDBusMessage>

namespace fetemark {

LauncherEntry::LauncherEntry(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus))
{
}

LauncherEntry::~LauncherEntry()
{
    if (m_registered)
        m_bus.unregisterObject(QString::fromLatin1(ObjectPath));
}

bool LauncherEntry::registerOnBus(QString* error)
{
    if (m_registered)
        return true;
    if (!m_bus.isConnected()) {
        if (error)
            *error = QStringLiteral("no D-Bus session bus for the launcher badge: %1")
                         .arg(m_bus.lastError().message());
        return false;
    }
    m_registered = m_bus.registerObject(
        QString::fromLatin1(ObjectPath), this, QDBusConnection::ExportScriptableSlots);
    if (!m_registered && error)
        *error = QStringLiteral("could not register the launcher entry at %1 on the session bus")
                     .arg(QString::fromLatin1(ObjectPath));
    return m_registered;
}

bool LauncherEntry::setCount(int count, QString* error)
{
    m_count = qMax(count, 0);
    if (!registerOnBus(error))
        return false;
    QDBusMessage update = QDBusMessage::createSignal(
        QString::fromLatin1(ObjectPath), QString::fromLatin1(Interface), QStringLiteral("Update"));
    update << QString::fromLatin1(ApplicationUri) << properties();
    if (m_bus.send(update))
        return true;
    if (error)
        *error = QStringLiteral("could not send the launcher badge: %1")
                     .arg(m_bus.lastError().message());
    return false;
}

QVariantMap LauncherEntry::properties() const
{
    return {
        {QStringLiteral("count"), QVariant::fromValue<qint64>(m_count)},
        {QStringLiteral("count-visible"), m_count > 0},
    };
}

QString LauncherEntry::Query(QVariantMap& properties) const
{
    properties = this->properties();
    return QString::fromLatin1(ApplicationUri);
}

} // namespace fetemark
