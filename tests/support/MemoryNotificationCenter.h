#pragma once

#include "core/reminders/NotificationCenter.h"

#include <algorithm>
#include <functional>

namespace fetemark::test {

// A notification center that cannot replace its schedule in one step, as some platforms
// cannot: a rebuilt schedule reaches it one cancellation and one scheduling at a time.
// Counts the changes, and can refuse the change numbered `failAtChange` (from 1).
class MemoryNotificationCenter final : public NotificationCenter {
public:
    std::vector<LocalNotification> scheduled;
    int badge = 0;
    int changes = 0;
    int failAtChange = 0;

    std::optional<std::vector<LocalNotification>> scheduledLocalNotifications(QString*) override
    {
        return scheduled;
    }
    bool scheduleLocalNotification(const LocalNotification& notification, QString* error) override
    {
        return change(error, [&] { scheduled.push_back(notification); });
    }
    bool cancelLocalNotification(const LocalNotification& notification, QString* error) override
    {
        return change(error, [&] {
            if (auto it = std::find(scheduled.begin(), scheduled.end(), notification);
                it != scheduled.end())
                scheduled.erase(it);
        });
    }
    bool canReplaceScheduledLocalNotifications() const override { return false; }
    bool setScheduledLocalNotifications(
        const std::vector<LocalNotification>&, QString* error) override
    {
        if (error)
            *error = QStringLiteral("this center cannot replace its schedule");
        return false;
    }
    bool setApplicationIconBadgeNumber(int number, QString* error) override
    {
        return change(error, [&] { badge = number; });
    }

private:
    bool change(QString* error, const std::function<void()>& apply)
    {
        if (++changes == failAtChange) {
            if (error)
                *error = QStringLiteral("change %1 refused").arg(changes);
            return false;
        }
        apply();
        return true;
    }
};

} // namespace fetemark::test
