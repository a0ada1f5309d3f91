#include "DesktopPresenter.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#ifndef FETEMARK_SOURCE_SOUNDS_DIR
#define FETEMARK_SOURCE_SOUNDS_DIR ""
#endif

namespace fetemark {
namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
const QString DefaultAction = QStringLiteral("default");
// Short enough that a hung service does not stall the agent for long.
constexpr int CallTimeoutMs = 10000;

QDBusMessage notificationsCall(const QString& method)
{
    return QDBusMessage::createMethodCall(Service, Path, Interface, method);
}

bool noBus(const QDBusConnection& bus, const char* what, QString* error)
{
    if (bus.isConnected())
        return false;
    if (error)
        *error = QStringLiteral("no D-Bus session bus to show the %1: %2")
                     .arg(QLatin1StringView(what), bus.lastError().message());
    return true;
}

} // namespace

DesktopPresenter::DesktopPresenter(QDBusConnection bus, QObject* parent)
    : DesktopPresenter(std::move(bus), Options(), parent)
{
}

DesktopPresenter::DesktopPresenter(QDBusConnection bus, Options options, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_options(std::move(options)), m_launcherEntry(m_bus)
{
    if (!m_bus.isConnected())
        return;
    m_bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
        SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
        SLOT(onNotificationClosed(uint, uint)));
    // Registered now so that a launcher asking early gets an answer.
    m_launcherEntry.registerOnBus(nullptr);
}

bool DesktopPresenter::showAlert(const LocalNotification& notification, QString* error)
{
    if (noBus(m_bus, "alert", error))
        return false;
    QStringList capabilities;
    if (!serverCapabilities(&capabilities, error))
        return false;
    const bool markup = capabilities.contains(QStringLiteral("body-markup"));
    QDBusMessage notify = notificationsCall(QStringLiteral("Notify"));
    notify << QString::fromLatin1(ApplicationName) << uint(0) << QString::fromLatin1(DesktopEntry)
           << QString::fromLatin1(ApplicationName) << bodyText(notification.alertBody, markup)
           << QStringList {DefaultAction, QStringLiteral("Open Fetemark")} << hintsFor(notification)
           << int(-1);
    const QDBusMessage reply = m_bus.call(notify, QDBus::Block, CallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        if (error)
            *error = QStringLiteral("the desktop notification service did not show the alert: %1")
                         .arg(reply.errorMessage());
        return false;
    }
    m_shownIds.insert(reply.arguments().constFirst().toUInt());
    return true;
}

bool DesktopPresenter::showBadge(int count, QString* error)
{
    if (noBus(m_bus, "badge", error))
        return false;
    return m_launcherEntry.setCount(count, error);
}

QStringList DesktopPresenter::defaultSoundDirectories()
{
    QStringList directories {QDir::cleanPath(
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/fetemark/sounds"))};
    const QString sourceTree = QStringLiteral(FETEMARK_SOURCE_SOUNDS_DIR);
    if (!sourceTree.isEmpty())
        directories << sourceTree;
    return directories;
}

QStringList DesktopPresenter::defaultWindowCommand()
{
    const QFileInfo beside(QCoreApplication::applicationDirPath() + QStringLiteral("/fetemark"));
    const QString program = beside.isFile() && beside.isExecutable() ? beside.absoluteFilePath()
                                                                     : QStringLiteral("fetemark");
    return {program, QStringLiteral("--gui")};
}

QString DesktopPresenter::bodyText(const QString& body, bool serverReadsMarkup)
{
    if (!serverReadsMarkup)
        return body;
    QString escaped;
    escaped.reserve(body.size());
    for (const QChar c : body) {
        if (c == u'&')
            escaped += QStringLiteral("&amp;");
        else if (c == u'<')
            escaped += QStringLiteral("&lt;");
        else if (c == u'>')
            escaped += QStringLiteral("&gt;");
        else
            escaped += c;
    }
    return escaped;
}

void DesktopPresenter::onActionInvoked(uint id, const QString& actionKey)
{
    if (actionKey == DefaultAction && m_shownIds.contains(id))
        openWindow();
}

void DesktopPresenter::onNotificationClosed(uint id, uint reason)
{
    m_shownIds.remove(id);
}

QVariantMap DesktopPresenter::hintsFor(const LocalNotification& notification) const
{
    QVariantMap hints {{QStringLiteral("desktop-entry"), QString::fromLatin1(DesktopEntry)}};
    if (notification.soundName.isEmpty()) {
        hints.insert(QStringLiteral("suppress-sound"), true);
        return hints;
    }
    const QString file = soundFile(notification.soundName);
    if (file.isEmpty())
        hints.insert(QStringLiteral("sound-name"), QString::fromLatin1(ThemeSound));
    else
        hints.insert(QStringLiteral("sound-file"), file);
    return hints;
}

QString DesktopPresenter::soundFile(const QString& soundName) const
{
    // A bare file name only: the schedule names a sound, not a place to read from.
    if (soundName.contains(u'/') || soundName == QStringLiteral("..") ||
        soundName == QStringLiteral("."))
        return {};
    for (const QString& directory : m_options.soundDirectories) {
        const QFileInfo candidate(QDir(directory).filePath(soundName));
        if (candidate.isFile() && candidate.isReadable())
            return QDir::cleanPath(candidate.absoluteFilePath());
    }
    return {};
}

bool DesktopPresenter::serverCapabilities(QStringList* capabilities, QString* error) const
{
    const QDBusMessage reply = m_bus.call(
        notificationsCall(QStringLiteral("GetCapabilities")), QDBus::Block, CallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        *capabilities = reply.arguments().constFirst().toStringList();
        return true;
    }
    if (error)
        *error = QStringLiteral("the desktop notification service is not available: %1")
                     .arg(reply.errorMessage());
    return false;
}

void DesktopPresenter::openWindow() const
{
    if (m_options.windowCommand.isEmpty())
        return;
    const QString program = m_options.windowCommand.constFirst();
    if (!QProcess::startDetached(program, m_options.windowCommand.mid(1)))
        qWarning("could not start %s to open the window", qPrintable(program));
}

} // namespace fetemark
