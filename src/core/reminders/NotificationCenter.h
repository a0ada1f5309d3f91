#pragma once

#include "core/reminders/LocalNotification.h"

#include <QString>

#include <optional>
#include <vector>

namespace fetemark {

// Where scheduled notifications are left to fire, and the application icon's badge:
// one implementation per platform (on Linux the schedule file the notifier agent reads),
// and one in the tests. Every call may fail (false or nullopt, `error` says why); a
// failed change leaves the schedule as it was.
class NotificationCenter {
public:
    virtual ~NotificationCenter() = default;

    // The notifications scheduled now, in the order they were scheduled.
    virtual std::optional<std::vector<LocalNotification>> scheduledLocalNotifications(
        QString* error = nullptr) = 0;
    // Adds `notification` at the end of the schedule.
    virtual bool scheduleLocalNotification(
        const LocalNotification& notification, QString* error = nullptr) = 0;
    // Removes the first scheduled notification equal to `notification`; none is no error.
    virtual bool cancelLocalNotification(
        const LocalNotification& notification, QString* error = nullptr) = 0;

    // Whether the whole schedule can be replaced in one step; when it can, that is how
    // a rebuilt schedule is handed over.
    virtual bool canReplaceScheduledLocalNotifications() const = 0;
    virtual bool setScheduledLocalNotifications(
        const std::vector<LocalNotification>& notifications, QString* error = nullptr) = 0;

    // The count shown on the icon now; 0 shows none.
    virtual bool setApplicationIconBadgeNumber(int number, QString* error = nullptr) = 0;
};

} // namespace fetemark
