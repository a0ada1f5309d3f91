#include "Notifier.h"

#include "core/reminders/PlistNotificationCenter.h"
#include "core/time/Clock.h"
#include "notifier/DeliveryRecord.h"
#include "notifier/FireMoment.h"
#include "notifier/NotificationPresenter.h"
#include "platform/files/DataDirectoryLock.h"
#include "platform/files/DataDirectoryWatcher.h"
#include "platform/time/WakeSource.h"

#include <QLoggingCategory>
#include <QSet>

#include <algorithm>
#include <optional>

namespace fetemark {

namespace {

Q_LOGGING_CATEGORY(lcNotifier, "fetemark.notifier")

// While notifications cannot be shown or recorded, the only time the notifier looks
// again without being woken.
constexpr int RetrySeconds = 60;

struct Due {
    LocalNotification notification;
    QDateTime moment;
};

// What one look at the schedule found.
struct Look {
    std::vector<Due> due; // oldest first
    QDateTime next;       // the earliest moment still to come
    bool retry = false;
};

int badgeCount(int number)
{
    return std::max(number, 0);
}

} // namespace

// Everything is logged without the alerts' texts: they hold people's names.
struct Notifier::State {
    explicit State(const Dependencies& deps)
        : deps(deps), center(deps.dataDirectory, deps.lock, *deps.clock),
          record(deps.dataDirectory, deps.lock, *deps.clock, MaxLatenessSeconds)
    {
    }

    std::optional<PlistNotificationCenter::Contents> readSchedule(bool* retry);
    Look look(const QDateTime& now);
    void classify(
        const PlistNotificationCenter::Contents& schedule, const QDateTime& now, Look& result);
    bool deliver(const std::vector<Due>& due);
    void applyBadge(int count);
    bool showPendingBadge();
    void reportOutage(const QString& reason);
    void reportRecovery();

    const Dependencies& deps;
    PlistNotificationCenter center;
    DeliveryRecord record;
    std::unique_ptr<DataDirectoryWatcher> watcher;
    QSet<QByteArray> dropped; // logged once each
    QString scheduleProblem;  // logged once while it lasts
    std::optional<int> badgeToShow;
    bool showFileBadge = false;
    bool outage = false;
    bool started = false;
};

std::optional<PlistNotificationCenter::Contents> Notifier::State::readSchedule(bool* retry)
{
    QString problem;
    // Taken here as well, so that a busy directory is told apart from a damaged file.
    const DataDirectoryLock::Holder lock(deps.lock, DataDirectoryLock::Mode::Shared, &problem);
    if (!lock.isHeld()) {
        reportOutage(QStringLiteral("The schedule could not be read: %1").arg(problem));
        *retry = true;
        return std::nullopt;
    }
    std::optional<PlistNotificationCenter::Contents> schedule = center.contents(&problem);
    if (!schedule) {
        // The application replaces it with its next schedule, which the watcher reports.
        if (problem != scheduleProblem)
            qCWarning(lcNotifier).noquote() << problem << "Nothing is shown until it is replaced.";
        scheduleProblem = problem;
        return std::nullopt;
    }
    scheduleProblem.clear();
    return schedule;
}

Look Notifier::State::look(const QDateTime& now)
{
    Look result;
    const std::optional<PlistNotificationCenter::Contents> schedule = readSchedule(&result.retry);
    if (!schedule)
        return result;
    if (showFileBadge) {
        badgeToShow = badgeCount(schedule->applicationIconBadgeNumber);
        showFileBadge = false;
    }
    if (schedule->notifications.empty())
        return result;
    QString error;
    if (!record.refresh(&error)) {
        reportOutage(error);
        result.retry = true;
    }
    for (const QString& warning : record.takeWarnings())
        qCWarning(lcNotifier).noquote() << warning;
    classify(*schedule, now, result);
    std::stable_sort(result.due.begin(), result.due.end(),
        [](const Due& a, const Due& b) { return a.moment < b.moment; });
    return result;
}

void Notifier::State::classify(
    const PlistNotificationCenter::Contents& schedule, const QDateTime& now, Look& result)
{
    const QString zone = deps.currentZoneId ? deps.currentZoneId() : QString();
    QSet<QByteArray> seen;
    for (const LocalNotification& notification : schedule.notifications) {
        const QByteArray identity = DeliveryRecord::identityOf(notification);
        if (seen.contains(identity))
            continue;
        seen.insert(identity);
        const QDateTime moment = fireMoment(notification, zone);
        if (record.isDelivered(notification, moment))
            continue;
        if (moment > now) {
            if (!result.next.isValid() || moment < result.next)
                result.next = moment;
            continue;
        }
        const qint64 late = moment.secsTo(now);
        if (late <= MaxLatenessSeconds) {
            result.due.push_back({notification, moment});
            continue;
        }
        if (!dropped.contains(identity)) {
            dropped.insert(identity);
            qCWarning(lcNotifier).noquote()
                << QStringLiteral("A notification due at %1 was not shown: it is %2 minutes "
                                  "late, more than the %3 hours one may be.")
                       .arg(moment.toString(Qt::ISODate))
                       .arg(late / 60)
                       .arg(MaxLatenessSeconds / 3600);
        }
    }
}

// Recorded before it is shown, and taken back when it could not be, so that neither a
// crash nor a failure ever shows a reminder twice.
bool Notifier::State::deliver(const std::vector<Due>& due)
{
    std::vector<LocalNotification> notifications;
    for (const Due& item : due)
        notifications.push_back(item.notification);
    QString error;
    if (!record.add(notifications, &error)) {
        reportOutage(error);
        return false;
    }
    size_t shown = 0;
    for (; shown < due.size(); ++shown) {
        const LocalNotification& notification = due[shown].notification;
        if (!notification.alertBody.isEmpty() && !deps.presenter->showAlert(notification, &error)) {
            reportOutage(QStringLiteral("An alert could not be shown: %1").arg(error));
            break;
        }
    }
    if (shown < due.size()) {
        const std::vector<LocalNotification> back(
            notifications.begin() + qsizetype(shown), notifications.end());
        if (!record.remove(back, &error))
            qCWarning(lcNotifier).noquote()
                << error << QStringLiteral("%1 notifications will not be shown.").arg(back.size());
    }
    // Only the latest badge among those delivered together is what the badge shows now.
    std::optional<int> badge;
    for (size_t i = 0; i < shown; ++i) {
        if (const int number = due[i].notification.applicationIconBadgeNumber; number != 0)
            badge = badgeCount(number);
    }
    if (badge)
        applyBadge(*badge);
    return shown == due.size();
}

void Notifier::State::applyBadge(int count)
{
    QString error;
    if (!center.setApplicationIconBadgeNumber(count, &error))
        qCWarning(lcNotifier).noquote() << error;
    for (const QString& warning : center.takeWarnings())
        qCWarning(lcNotifier).noquote() << warning;
    badgeToShow = count;
}

bool Notifier::State::showPendingBadge()
{
    if (!badgeToShow)
        return true;
    QString error;
    if (!deps.presenter->showBadge(*badgeToShow, &error)) {
        reportOutage(QStringLiteral("The launcher badge could not be set: %1").arg(error));
        return false;
    }
    badgeToShow.reset();
    return true;
}

void Notifier::State::reportOutage(const QString& reason)
{
    if (outage)
        return;
    outage = true;
    qCWarning(lcNotifier).noquote()
        << reason << QStringLiteral("Trying again every %1 seconds.").arg(RetrySeconds);
}

void Notifier::State::reportRecovery()
{
    if (!outage)
        return;
    outage = false;
    qCInfo(lcNotifier) << "Notifications are shown again.";
}

Notifier::Notifier(Dependencies dependencies, QObject* parent)
    : QObject(parent), m_deps(std::move(dependencies)), m_state(std::make_unique<State>(m_deps))
{
}

Notifier::~Notifier() = default;

void Notifier::start()
{
    if (m_state->started)
        return;
    m_state->started = true;
    m_state->showFileBadge = true;
    m_state->watcher = std::make_unique<DataDirectoryWatcher>(m_deps.dataDirectory);
    connect(
        m_state->watcher.get(), &DataDirectoryWatcher::filesChanged, this, &Notifier::filesChanged);
    connect(m_deps.wakeSource, &WakeSource::wake, this, &Notifier::check);
    check();
}

void Notifier::check()
{
    const QDateTime now = m_deps.clock->now();
    const Look look = m_state->look(now);
    bool retry = look.retry;
    if (!look.due.empty() && !m_state->deliver(look.due))
        retry = true;
    if (!m_state->showPendingBadge())
        retry = true;
    if (!retry)
        m_state->reportRecovery();
    QDateTime wake = look.next;
    if (retry) {
        const QDateTime again = now.addSecs(RetrySeconds);
        if (!wake.isValid() || again < wake)
            wake = again;
    }
    m_deps.wakeSource->wakeAt(wake);
}

void Notifier::filesChanged(const QStringList& names)
{
    if (!names.contains(PlistNotificationCenter::FileName))
        return;
    // The application sets the badge too (on suspension, `fetemark badge`).
    m_state->showFileBadge = true;
    check();
}

} // namespace fetemark
