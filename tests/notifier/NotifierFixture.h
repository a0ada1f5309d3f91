#pragma once

#include "core/reminders/LocalNotification.h"
#include "core/reminders/PlistNotificationCenter.h"
#include "core/time/Clock.h"
#include "notifier/NotificationPresenter.h"
#include "notifier/Notifier.h"
#include "platform/files/DataDirectoryLock.h"
#include "platform/time/WakeSource.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimeZone>

#include <memory>
#include <vector>

namespace fetemark::test {

// The presenter a notifier test talks to, seen from the test: what reached the person,
// and a switch that takes the notification service away. The recording one below stands
// in for the desktop; a D-Bus presenter with a stand-in server can take its place.
class PresenterProbe {
public:
    virtual ~PresenterProbe() = default;
    virtual NotificationPresenter& presenter() = 0;
    virtual QStringList alertsShown() const = 0;
    virtual std::vector<int> badgesShown() const = 0;
    virtual void setReachable(bool reachable) = 0;
};

class RecordingPresenter final : public NotificationPresenter, public PresenterProbe {
public:
    bool showAlert(const LocalNotification& notification, QString* error) override
    {
        if (beforeAlert)
            beforeAlert(notification);
        if (!reached(error))
            return false;
        m_alerts << notification.alertBody;
        return true;
    }
    bool showBadge(int count, QString* error) override
    {
        if (!reached(error))
            return false;
        m_badges.push_back(count);
        return true;
    }

    NotificationPresenter& presenter() override { return *this; }
    QStringList alertsShown() const override { return m_alerts; }
    std::vector<int> badgesShown() const override { return m_badges; }
    void setReachable(bool reachable) override { m_reachable = reachable; }

    std::function<void(const LocalNotification&)> beforeAlert;

private:
    bool reached(QString* error) const
    {
        if (!m_reachable && error)
            *error = QStringLiteral("no notification service");
        return m_reachable;
    }
    QStringList m_alerts;
    std::vector<int> m_badges;
    bool m_reachable = true;
};

// Wakes only when the test says so; remembers the last moment asked for.
class HandWakeSource final : public WakeSource {
public:
    void wakeAt(const QDateTime& moment) override
    {
        asked = moment;
        ++asks;
    }
    void fire() { emit wake(); }

    QDateTime asked;
    int asks = 0;
};

// The log lines of the notifier's category while it lives.
class NotifierLog {
public:
    NotifierLog() : m_previous(qInstallMessageHandler(&NotifierLog::handle)) { s_lines.clear(); }
    ~NotifierLog() { qInstallMessageHandler(m_previous); }
    NotifierLog(const NotifierLog&) = delete;
    NotifierLog& operator=(const NotifierLog&) = delete;
    static const QStringList& lines() { return s_lines; }

private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message)
    {
        if (qstrcmp(context.category, "fetemark.notifier") == 0)
            s_lines << message;
    }
    static inline QStringList s_lines;
    QtMessageHandler m_previous;
};

// A notifier on a temporary data directory, with a clock and a zone the test moves.
class NotifierHarness {
public:
    explicit NotifierHarness(const char* now, const char* zone,
        std::unique_ptr<PresenterProbe> probe = std::make_unique<RecordingPresenter>())
        : clock(utc(now)), zone(QString::fromLatin1(zone)), probe(std::move(probe)),
          lock(dir.path()), center(dir.path(), &lock, clock)
    {
    }

    void start()
    {
        notifier = std::make_unique<Notifier>(Notifier::Dependencies {
            dir.path(), &lock, &clock, [this] { return zone; }, &probe->presenter(), &wake});
        notifier->start();
    }
    void restart()
    {
        notifier.reset();
        start();
    }
    void wakeAt(const char* now)
    {
        clock.set(utc(now));
        wake.fire();
    }
    // Lets the directory watcher report, until the notifier asks for `moment`.
    bool waitForWakeAt(const QDateTime& moment)
    {
        const QDeadlineTimer deadline(5000);
        while (wake.asked != moment && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return wake.asked == moment;
    }

    TempDir dir;
    FixedClock clock;
    QString zone;
    std::unique_ptr<PresenterProbe> probe;
    DataDirectoryLock lock;
    PlistNotificationCenter center;
    HandWakeSource wake;
    std::unique_ptr<Notifier> notifier;
};

// A notification at a wall-clock time ("2026-03-05T12:00") of `zone`; kept with the zone
// unless `zoneLess`.
inline LocalNotification at(
    const char* wallTime, const char* zone, const char* body, int badge = 0, bool zoneLess = false)
{
    LocalNotification notification;
    const QDateTime wall = QDateTime::fromString(QString::fromLatin1(wallTime), Qt::ISODate);
    notification.fireDate =
        QDateTime(wall.date(), wall.time(), QTimeZone(QByteArray(zone))).toUTC();
    notification.timeZone = zoneLess ? QString() : QString::fromLatin1(zone);
    notification.alertBody = QString::fromUtf8(body);
    notification.soundName = notification.alertBody.isEmpty() ? QString() : QStringLiteral("1.wav");
    notification.applicationIconBadgeNumber = badge;
    return notification;
}

} // namespace fetemark::test
