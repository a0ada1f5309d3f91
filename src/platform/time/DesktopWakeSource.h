#pragma once

#include "platform/time/WakeSource.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QStringList>

#include <memory>

namespace fetemark {

// The wake source of a Linux machine. A wall-clock alarm (timerfd on CLOCK_REALTIME, at
// an absolute time) fires at the moment asked for, also when the machine slept through
// it, and the kernel ends it when the clock is set. Resume comes from logind, zone
// changes from the zone files and from timedated. Nothing here polls.
class DesktopWakeSource : public WakeSource {
    Q_OBJECT
public:
    struct Options {
        // The files that say which zone the machine is in. Their folders are watched, as
        // tools replace /etc/localtime by a new link rather than write it.
        QStringList zoneFiles {QStringLiteral("/etc/localtime"), QStringLiteral("/etc/timezone")};
        // Where logind and timedated are heard; a bus that is not connected is skipped.
        QDBusConnection systemBus = QDBusConnection::systemBus();
    };

    explicit DesktopWakeSource(QObject* parent = nullptr);
    explicit DesktopWakeSource(Options options, QObject* parent = nullptr);
    ~DesktopWakeSource() override;

    void wakeAt(const QDateTime& moment) override;

    // False, with `error`, when the alarm could not be made; the other wakes still come.
    bool isValid(QString* error = nullptr) const;

private slots:
    void onTimerReadable();
    void onZoneFilesTouched();
    void onPrepareForSleep(bool goingToSleep);
    void onTimeDatePropertiesChanged();

private:
    void arm();
    void watchZoneFiles();
    QByteArray zoneFilesState() const;
    void listenOnSystemBus();

    Options m_options;
    int m_timerFd = -1;
    QString m_timerError;
    std::unique_ptr<QSocketNotifier> m_timerNotifier;
    qint64 m_targetMSecs = 0;
    QFileSystemWatcher m_watcher;
    QByteArray m_zoneState;
};

} // namespace fetemark
