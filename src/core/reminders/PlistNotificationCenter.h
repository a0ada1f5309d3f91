#pragma once

#include "core/reminders/NotificationCenter.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>

namespace fetemark {

class Clock;
class DataDirectoryLock;

// The Linux notification center: the schedule and the badge are kept in
// "Notifications.plist" in the data directory, where the notifier agent reads them.
//
// The file is an XML property list:
//
//   <dict>
//     <key>notifications</key>            in the order scheduled
//     <array>
//       <dict>
//         <key>fireDate</key> <date>       the moment it fires (UTC, whole seconds)
//         <key>timeZone</key> <string>     IANA id; absent: the absolute moment
//         <key>alertBody</key> <string>    absent on badge notifications
//         <key>soundName</key> <string>    "<n>.wav"; absent: silent
//         <key>applicationIconBadgeNumber</key> <integer>
//                                          0 leaves the badge, -1 clears it, n shows n
//       </dict> ...
//     </array>
//     <key>applicationIconBadgeNumber</key> <integer>   the badge shown now; 0: none
//   </dict>
//
// Every change is made under the data directory's exclusive lock to the file as it is
// at that moment, so what another program changed since is kept, and a change that
// leaves the contents as they are writes nothing. A file that cannot be read is moved
// aside as "Notifications.plist.damaged-<time>" by the next change (a warning says so)
// and the change starts from an empty schedule; reading it only reports it.
class PlistNotificationCenter final : public NotificationCenter {
public:
    static inline const QString FileName = QStringLiteral("Notifications.plist");

    struct Contents {
        std::vector<LocalNotification> notifications;
        int applicationIconBadgeNumber = 0;
        friend bool operator==(const Contents&, const Contents&) = default;
    };

    // `lock` (may be null: nothing is shared) and `clock`, which dates the names of
    // damaged files kept aside, must outlive the center.
    PlistNotificationCenter(
        const QString& dataDirectory, DataDirectoryLock* lock, const Clock& clock);

    QString filePath() const;
    // The whole file under the shared lock; a missing file is an empty schedule.
    std::optional<Contents> contents(QString* error = nullptr) const;
    // What the changes met and dealt with (damaged files moved aside), oldest first.
    QStringList takeWarnings();

    std::optional<std::vector<LocalNotification>> scheduledLocalNotifications(
        QString* error = nullptr) override;
    bool scheduleLocalNotification(
        const LocalNotification& notification, QString* error = nullptr) override;
    bool cancelLocalNotification(
        const LocalNotification& notification, QString* error = nullptr) override;
    bool canReplaceScheduledLocalNotifications() const override { return true; }
    bool setScheduledLocalNotifications(
        const std::vector<LocalNotification>& notifications, QString* error = nullptr) override;
    bool setApplicationIconBadgeNumber(int number, QString* error = nullptr) override;

private:
    bool change(const std::function<void(Contents&)>& edit, QString* error);
    std::optional<Contents> currentForChange(QString* error);

    QString m_directory;
    DataDirectoryLock* m_lock = nullptr;
    const Clock& m_clock;
    std::mutex m_warningsMutex;
    QStringList m_warnings;
};

} // namespace fetemark
