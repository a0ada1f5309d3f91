#pragma once

#include "core/reminders/LocalNotification.h"

#include <QString>

namespace fetemark {

// Where the notifier shows what fires: on a desktop the session's notification service
// and the launcher's badge; in the tests a stand-in that records the calls.
class NotificationPresenter {
public:
    virtual ~NotificationPresenter() = default;

    // Shows the alert of `notification` (its body, with its sound). False, with `error`
    // saying why, when it could not be shown; the notifier then tries again later.
    virtual bool showAlert(const LocalNotification& notification, QString* error = nullptr) = 0;
    // The launcher badge: a count above 0 shows it, 0 hides it.
    virtual bool showBadge(int count, QString* error = nullptr) = 0;
};

} // namespace fetemark
