#include "NotificationSync.h"

#include "core/reminders/NotificationCenter.h"

#include <algorithm>

namespace fetemark {

namespace {

// Which scheduled notifications stay and which wanted ones are there already: each
// wanted notification is paired with one equal scheduled notification at most, so a
// copy too many is cancelled and a second wanted copy scheduled.
struct Pairing {
    std::vector<bool> keep;    // per scheduled notification
    std::vector<bool> present; // per wanted notification
};

Pairing pair(
    const std::vector<LocalNotification>& scheduled, const std::vector<LocalNotification>& wanted)
{
    Pairing pairing {std::vector<bool>(scheduled.size()), std::vector<bool>(wanted.size())};
    for (std::size_t i = 0; i < scheduled.size(); ++i) {
        for (std::size_t j = 0; j < wanted.size(); ++j) {
            if (!pairing.present[j] && wanted[j] == scheduled[i]) {
                pairing.present[j] = pairing.keep[i] = true;
                break;
            }
        }
    }
    return pairing;
}

} // namespace

NotificationChanges countNotificationChanges(
    const std::vector<LocalNotification>& scheduled, const std::vector<LocalNotification>& wanted)
{
    const Pairing pairing = pair(scheduled, wanted);
    NotificationChanges changes;
    changes.unchanged = int(std::count(pairing.present.begin(), pairing.present.end(), true));
    changes.added = int(wanted.size()) - changes.unchanged;
    changes.removed = int(scheduled.size()) - changes.unchanged;
    return changes;
}

NotificationSyncResult syncNotificationsWithArray(NotificationCenter& center,
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
    const Pairing pairing = pair(*scheduled, wanted);
    for (std::size_t i = 0; i < scheduled->size(); ++i) {
        const LocalNotification& notification = (*scheduled)[i];
        if (!pairing.keep[i] && !step([&](QString* error) {
                return center.cancelLocalNotification(notification, error);
            }))
            return result;
    }
    for (std::size_t j = 0; j < wanted.size(); ++j) {
        const LocalNotification& notification = wanted[j];
        if (!pairing.present[j] && !step([&](QString* error) {
                return center.scheduleLocalNotification(notification, error);
            }))
            return result;
    }
    return result;
}

} // namespace fetemark
