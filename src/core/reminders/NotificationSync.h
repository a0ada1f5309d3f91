#pragma once

#include "core/reminders/LocalNotification.h"

#include <QString>

#include <functional>
#include <vector>

namespace fetemark {

class NotificationCenter;

struct NotificationSyncResult {
    enum class Outcome {
        Done,      // the center holds `wanted`
        Cancelled, // stopped at a check; the schedule is as the last change left it
        Failed,    // the center refused a read or a change; `error` says why
    };
    Outcome outcome = Outcome::Done;
    QString error;
};

// Hands a rebuilt schedule to `center`: in one replacement where the center can, else by
// cancelling what is scheduled and no longer wanted, then scheduling what is wanted and
// was not scheduled; an equal notification already scheduled is left alone (one for
// each wanted copy).
// `isCancelled` (none: never) is asked before and after every change; once it says yes
// nothing more is changed, so the schedule stays as it was or partly reconciled, each
// notification in it whole.
// How a schedule changes from `scheduled` to `wanted`, paired as the sync pairs them.
struct NotificationChanges {
    int added = 0;
    int removed = 0;
    int unchanged = 0;
    friend bool operator==(const NotificationChanges&, const NotificationChanges&) = default;
};
NotificationChanges countNotificationChanges(
    const std::vector<LocalNotification>& scheduled, const std::vector<LocalNotification>& wanted);

NotificationSyncResult syncNotificationsWithArray(NotificationCenter& center,
    const std::vector<LocalNotification>& wanted, const std::function<bool()>& isCancelled = {});

} // namespace fetemark
