#pragma once

#include "notifier/LauncherEntry.h"
#include "notifier/NotificationPresenter.h"

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QStringList>

namespace fetemark {

// Shows alerts through the session's notification service (org.freedesktop.Notifications)
// and the badge through the launcher entry. Clicking an alert ("default" action) opens
// the application's window.
class DesktopPresenter : public QObject, public NotificationPresenter {
    Q_OBJECT
public:
    struct Options {
        // Folders searched in order for the alert's "<n>.wav".
        QStringList soundDirectories = defaultSoundDirectories();
        // Program and arguments started, detached, to open the window.
        QStringList windowCommand = defaultWindowCommand();
    };

    static constexpr const char* ApplicationName = "Fetemark";
    static constexpr const char* DesktopEntry = "org.fetemark.Fetemark";
    // The desktop sound theme's sound for a notification whose own sound is missing.
    static constexpr const char* ThemeSound = "message-new-instant";

    explicit DesktopPresenter(QDBusConnection bus, QObject* parent = nullptr);
    DesktopPresenter(QDBusConnection bus, Options options, QObject* parent = nullptr);

    bool showAlert(const LocalNotification& notification, QString* error = nullptr) override;
    bool showBadge(int count, QString* error = nullptr) override;

    // The installed sounds beside the program (<prefix>/share/fetemark/sounds), then the
    // source tree's.
    static QStringList defaultSoundDirectories();
    // `fetemark --gui`: the program beside this one, else the one on the PATH.
    static QStringList defaultWindowCommand();
    // The text as the notification service shows it: with markup, &, < and > escaped.
    static QString bodyText(const QString& body, bool serverReadsMarkup);

private slots:
    void onActionInvoked(uint id, const QString& actionKey);
    void onNotificationClosed(uint id, uint reason);

private:
    QVariantMap hintsFor(const LocalNotification& notification) const;
    QString soundFile(const QString& soundName) const;
    bool serverCapabilities(QStringList* capabilities, QString* error) const;
    void openWindow() const;

    QDBusConnection m_bus;
    Options m_options;
    LauncherEntry m_launcherEntry;
    QSet<uint> m_shownIds;
};

} // namespace fetemark
