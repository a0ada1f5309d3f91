#pragma once

#include <QDateTime>
#include <QString>

namespace fetemark {

// One notification left with the notification center to fire later: a day's alert or
// the silent one at midnight that sets the icon badge.
struct LocalNotification {
    // The moment it fires. Kept to the second: the schedule file holds whole seconds.
    QDateTime fireDate;
    // The zone (IANA id) in which the fire date keeps its wall-clock time should the
    // device move to another zone; empty when it fires at the absolute moment.
    QString timeZone;
    // The text shown; empty on badge notifications.
    QString alertBody;
    // "<n>.wav", or empty for a silent notification.
    QString soundName;
    // 0 leaves the icon badge as it is, -1 clears it, n > 0 shows n. The scheduler
    // writes a count of 0 as -1.
    int applicationIconBadgeNumber = 0;

    static constexpr int ClearBadge = -1;

    // Equal when they fire at the same second in the same zone and say, sound and set
    // the same; an absent text or sound equals an empty one.
    friend bool operator==(const LocalNotification& a, const LocalNotification& b)
    {
        return sameSecond(a.fireDate, b.fireDate) && a.timeZone == b.timeZone &&
            a.alertBody == b.alertBody && a.soundName == b.soundName &&
            a.applicationIconBadgeNumber == b.applicationIconBadgeNumber;
    }

private:
    static bool sameSecond(const QDateTime& a, const QDateTime& b)
    {
        if (!a.isValid() || !b.isValid())
            return a.isValid() == b.isValid();
        return a.toSecsSinceEpoch() == b.toSecsSinceEpoch();
    }
};

} // namespace fetemark
