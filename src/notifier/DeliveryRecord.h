#pragma once

#include "core/reminders/LocalNotification.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace fetemark {

class Clock;
class DataDirectoryLock;

// What the notifier has delivered, kept in the data directory so that a notification is
// shown at most once, also when the notifier is restarted. A notification is known by
// its content; the file holds a digest of it (never the text: it names people) and its
// fire date, by which old entries are pruned:
//
//   <dict>
//     <key>delivered</key> <array> <dict>
//         <key>identity</key> <string>    SHA-256 of the content, hex
//         <key>fireDate</key> <date>      as scheduled
//     </dict> ... </array>
//     <key>deliveredUpTo</key> <date>     optional: all that fired up to then counts as
//                                         delivered (set when a damaged record was replaced)
//   </dict>
//
// Every change is made under the exclusive lock to the file as it is then. A damaged
// file is moved aside as "<name>.damaged-<time>" and replaced by one that counts
// everything up to now as delivered, so no reminder is shown twice.
class DeliveryRecord {
public:
    static inline const QString FileName = QStringLiteral("NotificationsDelivered.plist");
    // Entries are kept this long past the latest moment their notification could still be
    // shown: its fire date moved by any zone's offset, plus the allowed lateness.
    static constexpr qint64 KeptSeconds = 2 * 24 * 60 * 60;

    DeliveryRecord(QString dataDirectory, DataDirectoryLock* lock, const Clock& clock,
        qint64 maxLatenessSeconds);

    QString filePath() const;
    static QByteArray identityOf(const LocalNotification& notification);

    // Reads the file again (moving a damaged one aside and pruning). False, with `error`,
    // when it could not be read nor replaced: then everything up to now counts as
    // delivered until a refresh succeeds.
    bool refresh(QString* error);
    // Delivered, or fired (at `moment` as the machine's zone places it now) before the
    // record was started over.
    bool isDelivered(const LocalNotification& notification, const QDateTime& moment) const;
    bool add(const std::vector<LocalNotification>& notifications, QString* error);
    bool remove(const std::vector<LocalNotification>& notifications, QString* error);
    // What a change met and dealt with (a damaged file moved aside), oldest first.
    QStringList takeWarnings();

    struct Contents {
        QHash<QByteArray, QDateTime> delivered; // identity -> fire date
        QDateTime deliveredUpTo;
        friend bool operator==(const Contents&, const Contents&) = default;
    };

private:
    bool change(const std::function<void(Contents&)>& edit, QString* error);
    std::optional<Contents> currentForChange(QString* error);
    void prune(Contents& contents) const;

    QString m_directory;
    DataDirectoryLock* m_lock = nullptr;
    const Clock& m_clock;
    qint64 m_maxLatenessSeconds = 0;
    Contents m_contents;
    QStringList m_warnings;
};

} // namespace fetemark
