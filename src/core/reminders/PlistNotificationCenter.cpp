#include "PlistNotificationCenter.h"

#include "core/time/Clock.h"
#include "platform/archive/PropertyList.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/DamagedFile.h"
#include "platform/files/DataDirectoryLock.h"
#include "platform/files/RegularFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <utility>

namespace fetemark {

namespace {

const QString NotificationsKey = QStringLiteral("notifications");
const QString FireDateKey = QStringLiteral("fireDate");
const QString TimeZoneKey = QStringLiteral("timeZone");
const QString AlertBodyKey = QStringLiteral("alertBody");
const QString SoundNameKey = QStringLiteral("soundName");
const QString BadgeKey = QStringLiteral("applicationIconBadgeNumber");

using Contents = PlistNotificationCenter::Contents;

std::optional<int> intValue(const QVariant& value)
{
    if (value.typeId() != QMetaType::LongLong)
        return std::nullopt;
    const qint64 number = value.toLongLong();
    if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(number);
}

// An optional text field: absent reads as empty, anything but a string is damage.
bool readText(const QVariantMap& map, const QString& key, QString& text)
{
    const auto it = map.constFind(key);
    if (it == map.constEnd())
        return true;
    if (it->typeId() != QMetaType::QString)
        return false;
    text = it->toString();
    return true;
}

std::optional<LocalNotification> decodeNotification(const QVariant& value, QString* problem)
{
    const auto fail = [&](const QString& what) {
        *problem = QStringLiteral("a notification has %1").arg(what);
        return std::nullopt;
    };
    if (value.typeId() != QMetaType::QVariantMap)
        return fail(QStringLiteral("no dictionary"));
    const QVariantMap map = value.toMap();
    LocalNotification notification;
    const QVariant fireDate = map.value(FireDateKey);
    if (fireDate.typeId() != QMetaType::QDateTime || !fireDate.toDateTime().isValid())
        return fail(QStringLiteral("no valid \"fireDate\""));
    notification.fireDate = fireDate.toDateTime();
    if (!readText(map, TimeZoneKey, notification.timeZone) ||
        !readText(map, AlertBodyKey, notification.alertBody) ||
        !readText(map, SoundNameKey, notification.soundName))
        return fail(QStringLiteral("a text field that is not a string"));
    if (map.contains(BadgeKey)) {
        const std::optional<int> badge = intValue(map.value(BadgeKey));
        if (!badge)
            return fail(QStringLiteral("a badge number that is not an integer"));
        notification.applicationIconBadgeNumber = *badge;
    }
    return notification;
}

std::optional<Contents> decode(const QVariant& root, QString* problem)
{
    if (root.typeId() != QMetaType::QVariantMap) {
        *problem = QStringLiteral("the file does not hold a dictionary");
        return std::nullopt;
    }
    const QVariantMap map = root.toMap();
    Contents contents;
    if (map.contains(BadgeKey)) {
        const std::optional<int> badge = intValue(map.value(BadgeKey));
        if (!badge) {
            *problem = QStringLiteral("the badge number is not an integer");
            return std::nullopt;
        }
        contents.applicationIconBadgeNumber = *badge;
    }
    const QVariant list = map.value(NotificationsKey, QVariantList());
    if (list.typeId() != QMetaType::QVariantList) {
        *problem = QStringLiteral("\"notifications\" is not an array");
        return std::nullopt;
    }
    for (const QVariant& item : list.toList()) {
        std::optional<LocalNotification> notification = decodeNotification(item, problem);
        if (!notification)
            return std::nullopt;
        contents.notifications.push_back(std::move(*notification));
    }
    return contents;
}

std::optional<QByteArray> encode(const Contents& contents, QString* problem)
{
    QVariantList list;
    for (const LocalNotification& notification : contents.notifications) {
        if (!notification.fireDate.isValid()) {
            *problem = QStringLiteral("a notification has no valid fire date");
            return std::nullopt;
        }
        QVariantMap map {
            {FireDateKey,
                QDateTime::fromSecsSinceEpoch(notification.fireDate.toSecsSinceEpoch(), Qt::UTC)},
            {BadgeKey, qint64(notification.applicationIconBadgeNumber)},
        };
        if (!notification.timeZone.isEmpty())
            map.insert(TimeZoneKey, notification.timeZone);
        if (!notification.alertBody.isEmpty())
            map.insert(AlertBodyKey, notification.alertBody);
        if (!notification.soundName.isEmpty())
            map.insert(SoundNameKey, notification.soundName);
        list.append(map);
    }
    const QVariantMap root {
        {NotificationsKey, list}, {BadgeKey, qint64(contents.applicationIconBadgeNumber)}};
    return PropertyList::writeXml(root, problem);
}

// The file as it is now: its contents (a missing file is an empty schedule), or why it
// cannot be read.
struct FileRead {
    std::optional<Contents> contents;
    QString problem;
};

FileRead readFile(const QString& path)
{
    FileRead read;
    QByteArray bytes;
    // Only a regular file is read: a FIFO in its place would block every run.
    const RegularFile::ReadStatus status = RegularFile::read(path, &bytes, &read.problem);
    if (status == RegularFile::ReadStatus::Missing)
        read.contents = Contents();
    else if (status == RegularFile::ReadStatus::Read) {
        if (const std::optional<QVariant> root = PropertyList::read(bytes, &read.problem))
            read.contents = decode(*root, &read.problem);
    }
    return read;
}

} // namespace

PlistNotificationCenter::PlistNotificationCenter(
    const QString& dataDirectory, DataDirectoryLock* lock, const Clock& clock)
    : m_directory(dataDirectory), m_lock(lock), m_clock(clock)
{
}

QString PlistNotificationCenter::filePath() const
{
    return QDir(m_directory).filePath(FileName);
}

std::optional<Contents> PlistNotificationCenter::contents(QString* error) const
{
    QString problem;
    const DataDirectoryLock::Holder lock(m_lock, DataDirectoryLock::Mode::Shared, &problem);
    if (lock.isHeld()) {
        FileRead read = readFile(filePath());
        if (read.contents)
            return std::move(read.contents);
        problem = read.problem;
    }
    if (error)
        *error = QStringLiteral("The notification schedule %1 could not be read (%2).")
                     .arg(filePath(), problem);
    return std::nullopt;
}

QStringList PlistNotificationCenter::takeWarnings()
{
    const std::lock_guard guard(m_warningsMutex);
    return std::exchange(m_warnings, {});
}

std::optional<std::vector<LocalNotification>> PlistNotificationCenter::scheduledLocalNotifications(
    QString* error)
{
    std::optional<Contents> read = contents(error);
    if (!read)
        return std::nullopt;
    return std::move(read->notifications);
}

bool PlistNotificationCenter::scheduleLocalNotification(
    const LocalNotification& notification, QString* error)
{
    return change(
        [&](Contents& contents) { contents.notifications.push_back(notification); }, error);
}

bool PlistNotificationCenter::cancelLocalNotification(
    const LocalNotification& notification, QString* error)
{
    return change(
        [&](Contents& contents) {
            auto& list = contents.notifications;
            if (const auto it = std::find(list.begin(), list.end(), notification); it != list.end())
                list.erase(it);
        },
        error);
}

bool PlistNotificationCenter::setScheduledLocalNotifications(
    const std::vector<LocalNotification>& notifications, QString* error)
{
    return change([&](Contents& contents) { contents.notifications = notifications; }, error);
}

bool PlistNotificationCenter::setApplicationIconBadgeNumber(int number, QString* error)
{
    return change([&](Contents& contents) { contents.applicationIconBadgeNumber = number; }, error);
}

// The file as it is under the exclusive lock; a damaged one is kept aside under a name
// nothing else uses and the change starts from an empty schedule. When it cannot be
// moved, nothing is written over it.
std::optional<Contents> PlistNotificationCenter::currentForChange(QString* error)
{
    const FileRead read = readFile(filePath());
    if (read.contents)
        return read.contents;
    const QString aside = damagedFileName(filePath(), m_clock.now());
    if (!QDir().rename(filePath(), aside)) {
        *error = QStringLiteral("it could not be read (%1) nor moved aside; it was left as it is")
                     .arg(read.problem);
        return std::nullopt;
    }
    const std::lock_guard guard(m_warningsMutex);
    m_warnings.append(QStringLiteral("The notification schedule %1 could not be read (%2); it "
                                     "was moved to %3 and a new schedule was started.")
                          .arg(filePath(), read.problem, aside));
    return Contents();
}

bool PlistNotificationCenter::change(const std::function<void(Contents&)>& edit, QString* error)
{
    QString problem;
    const auto fail = [&]() {
        if (error)
            *error = QStringLiteral("could not change the notification schedule %1: %2")
                         .arg(filePath(), problem);
        return false;
    };
    const DataDirectoryLock::Holder lock(m_lock, DataDirectoryLock::Mode::Exclusive, &problem);
    if (!lock.isHeld())
        return fail();
    // Made to the file as it is now, so another program's change since is kept.
    const std::optional<Contents> current = currentForChange(&problem);
    if (!current)
        return fail();
    Contents changed = *current;
    edit(changed);
    if (changed == *current)
        return true;
    const std::optional<QByteArray> bytes = encode(changed, &problem);
    if (!bytes || !AtomicFile::write(filePath(), *bytes, &problem))
        return fail();
    return true;
}

} // namespace fetemark
