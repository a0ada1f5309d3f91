#include "NotificationSync.h"

#include "core/reminders/LocalNotificationCenter.h"

#include <algorithm>

namespace fetemark {

namespace {

bool contains(const std::vector<LocalNotification>& list, const LocalNotification& notification)
{
    return std::find(list.begin(), list.end(), notification) != list.end();
}

} // namespace

NotificationSyncResult syncNotificationsWithArray(LocalNotificationCenter& center,
    const std::vector<LocalNotification>& wanted, const std::function<bool()>& isCancelled)
{
    using Outcome = NotificationSyncResult::Outcome;
    const auto cancelled = [&] { return isCancelled && isCancelled(); };
    NotificationSyncResult result;
    // One change between two checks: a refused change ends the sync as Failed.
    const auto step = [&](const std::function<bool(QString*)>& change) {
        if (cancelled()) {
            result.outcome = Outcome::Cancelled;
            return false;
        }
        if (!change(&result.error)) {
            result.outcome = Outcome::Failed;
            return false;
        }
        if (cancelled()) {
            result.outcome = Outcome::Cancelled;
            return false;
        }
        return true;
    };

    if (center.canReplaceScheduledLocalNotifications()) {
        step([&](QString* error) { return center.setScheduledLocalNotifications(wanted, error); });
        return result;
    }
    const std::optional<std::vector<LocalNotification>> scheduled =
        center.scheduledLocalNotifications(&result.error);
    if (!scheduled)
        return {Outcome::Failed, result.error};
    for (const LocalNotification& notification : *scheduled) {
        if (contains(wanted, notification))
            continue;
        if (!step([&](QString* error) {
                return center.cancelLocalNotification(notification, error);
            }))
            return result;
    }
    for (const LocalNotification& notification : wanted) {
        if (contains(*scheduled, notification))
            continue;
        if (!step([&](QString* error) {
                return center.scheduleLocalNotification(notification, error);
            }))
            return result;
    }
    return result;
}

} // namespace fetemark
