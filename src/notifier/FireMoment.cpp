#include "FireMoment.h"

#include <algorithm>
#include <optional>

namespace fetemark {

namespace {

constexpr qint64 SecondsPerDay = 24 * 60 * 60;

int offsetAt(const QTimeZone& zone, qint64 utcSeconds)
{
    return zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::UTC));
}

} // namespace

QDateTime firstMomentAt(const QDate& date, const QTime& time, const QTimeZone& zone)
{
    // The wall-clock time counted as if it were UTC; a moment t shows it when
    // t + offset(t) == wall. Zones change their offset at most once around a given day,
    // so the offsets a day before and after are the only candidates.
    const qint64 wall = QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
    const int before = offsetAt(zone, wall - SecondsPerDay);
    const int after = offsetAt(zone, wall + SecondsPerDay);
    std::optional<qint64> first;
    for (const int offset : {before, after}) {
        const qint64 moment = wall - offset;
        if (offsetAt(zone, moment) == offset && (!first || moment < *first))
            first = moment;
    }
    if (first)
        return QDateTime::fromSecsSinceEpoch(*first, Qt::UTC);
    // Skipped: the transition lies between the two readings; find its second.
    qint64 low = wall - std::max(before, after);
    qint64 high = wall - std::min(before, after);
    const int lowOffset = offsetAt(zone, low);
    if (offsetAt(zone, high) == lowOffset)
        return QDateTime::fromSecsSinceEpoch(wall - after, Qt::UTC);
    while (high - low > 1) {
        const qint64 middle = low + (high - low) / 2;
        if (offsetAt(zone, middle) == lowOffset)
            low = middle;
        else
            high = middle;
    }
    return QDateTime::fromSecsSinceEpoch(high, Qt::UTC);
}

QDateTime fireMoment(const LocalNotification& notification, const QString& currentZoneId)
{
    const QDateTime absolute =
        QDateTime::fromSecsSinceEpoch(notification.fireDate.toSecsSinceEpoch(), Qt::UTC);
    if (notification.timeZone.isEmpty())
        return absolute;
    const QTimeZone own(notification.timeZone.toUtf8());
    if (!own.isValid())
        return absolute;
    QTimeZone current(currentZoneId.toUtf8());
    if (currentZoneId.isEmpty() || !current.isValid())
        current = own;
    const QDateTime shown = absolute.toTimeZone(own);
    return firstMomentAt(shown.date(), shown.time(), current);
}

} // namespace fetemark
