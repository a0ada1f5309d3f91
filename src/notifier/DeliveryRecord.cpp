#include "DeliveryRecord.h"

#include "core/time/Clock.h"
#include "platform/archive/PropertyList.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/DamagedFile.h"
#include "platform/files/DataDirectoryLock.h"
#include "platform/files/RegularFile.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace fetemark {

namespace {

const QString DeliveredKey = QStringLiteral("delivered");
const QString IdentityKey = QStringLiteral("identity");
const QString FireDateKey = QStringLiteral("fireDate");
const QString DeliveredUpToKey = QStringLiteral("deliveredUpTo");

using Contents = DeliveryRecord::Contents;

QDateTime wholeSeconds(const QDateTime& moment)
{
    return QDateTime::fromSecsSinceEpoch(moment.toSecsSinceEpoch(), Qt::UTC);
}

bool decodeEntry(const QVariant& value, Contents& contents)
{
    if (value.typeId() != QMetaType::QVariantMap)
        return false;
    const QVariantMap map = value.toMap();
    const QVariant identity = map.value(IdentityKey);
    const QVariant fireDate = map.value(FireDateKey);
    if (identity.typeId() != QMetaType::QString || fireDate.typeId() != QMetaType::QDateTime ||
        !fireDate.toDateTime().isValid())
        return false;
    contents.delivered.insert(identity.toString().toLatin1(), wholeSeconds(fireDate.toDateTime()));
    return true;
}

std::optional<Contents> decode(const QVariant& root, QString* problem)
{
    *problem = QStringLiteral("it does not hold a delivery record");
    if (root.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap map = root.toMap();
    Contents contents;
    if (map.contains(DeliveredUpToKey)) {
        const QVariant upTo = map.value(DeliveredUpToKey);
        if (upTo.typeId() != QMetaType::QDateTime || !upTo.toDateTime().isValid())
            return std::nullopt;
        contents.deliveredUpTo = wholeSeconds(upTo.toDateTime());
    }
    const QVariant list = map.value(DeliveredKey, QVariantList());
    if (list.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    for (const QVariant& item : list.toList()) {
        if (!decodeEntry(item, contents))
            return std::nullopt;
    }
    return contents;
}

QVariant encode(const Contents& contents)
{
    QVariantList list;
    for (auto it = contents.delivered.cbegin(); it != contents.delivered.cend(); ++it)
        list.append(
            QVariantMap {{IdentityKey, QString::fromLatin1(it.key())}, {FireDateKey, it.value()}});
    // Sorted, so the same record always gives the same file.
    std::sort(list.begin(), list.end(), [](const QVariant& a, const QVariant& b) {
        return a.toMap().value(IdentityKey).toString() < b.toMap().value(IdentityKey).toString();
    });
    QVariantMap root {{DeliveredKey, list}};
    if (contents.deliveredUpTo.isValid())
        root.insert(DeliveredUpToKey, contents.deliveredUpTo);
    return root;
}

enum class ReadResult { Read, Damaged, Failed };

ReadResult readFile(const QString& path, Contents& contents, QString* problem)
{
    QByteArray bytes;
    switch (RegularFile::read(path, &bytes, problem)) {
    case RegularFile::ReadStatus::Missing:
        contents = Contents();
        return ReadResult::Read;
    case RegularFile::ReadStatus::Failed:
        return ReadResult::Failed;
    case RegularFile::ReadStatus::NotRegular:
        return ReadResult::Damaged;
    case RegularFile::ReadStatus::Read:
        break;
    }
    const std::optional<QVariant> root = PropertyList::read(bytes, problem);
    std::optional<Contents> decoded = root ? decode(*root, problem) : std::nullopt;
    if (!decoded)
        return ReadResult::Damaged;
    contents = std::move(*decoded);
    return ReadResult::Read;
}

} // namespace

DeliveryRecord::DeliveryRecord(
    QString dataDirectory, DataDirectoryLock* lock, const Clock& clock, qint64 maxLatenessSeconds)
    : m_directory(std::move(dataDirectory)), m_lock(lock), m_clock(clock),
      m_maxLatenessSeconds(maxLatenessSeconds)
{
}

QString DeliveryRecord::filePath() const
{
    return QDir(m_directory).filePath(FileName);
}

QByteArray DeliveryRecord::identityOf(const LocalNotification& notification)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    // Each field with its length, so no two contents run together the same way.
    stream << qint64(notification.fireDate.toSecsSinceEpoch()) << notification.timeZone
           << notification.alertBody << notification.soundName
           << qint32(notification.applicationIconBadgeNumber);
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

bool DeliveryRecord::refresh(QString* error)
{
    if (change([](Contents&) {}, error))
        return true;
    // Unknown what was delivered: nothing that has fired yet is shown again.
    m_contents.deliveredUpTo = wholeSeconds(m_clock.now());
    return false;
}

bool DeliveryRecord::isDelivered(
    const LocalNotification& notification, const QDateTime& moment) const
{
    if (m_contents.delivered.contains(identityOf(notification)))
        return true;
    const QDateTime& upTo = m_contents.deliveredUpTo;
    return upTo.isValid() && (notification.fireDate <= upTo || moment <= upTo);
}

bool DeliveryRecord::add(const std::vector<LocalNotification>& notifications, QString* error)
{
    return change(
        [&](Contents& contents) {
            for (const LocalNotification& notification : notifications)
                contents.delivered.insert(
                    identityOf(notification), wholeSeconds(notification.fireDate));
        },
        error);
}

bool DeliveryRecord::remove(const std::vector<LocalNotification>& notifications, QString* error)
{
    return change(
        [&](Contents& contents) {
            for (const LocalNotification& notification : notifications)
                contents.delivered.remove(identityOf(notification));
        },
        error);
}

QStringList DeliveryRecord::takeWarnings()
{
    return std::exchange(m_warnings, {});
}

void DeliveryRecord::prune(Contents& contents) const
{
    const QDateTime oldest = m_clock.now().addSecs(-(m_maxLatenessSeconds + KeptSeconds));
    contents.delivered.removeIf([&](const auto& entry) { return entry.value() < oldest; });
    if (contents.deliveredUpTo.isValid() && contents.deliveredUpTo < oldest)
        contents.deliveredUpTo = QDateTime();
}

// The file as it is under the exclusive lock; a damaged one is kept aside and replaced
// by a record that counts everything up to now as delivered.
std::optional<Contents> DeliveryRecord::currentForChange(QString* error)
{
    Contents current;
    QString problem;
    switch (readFile(filePath(), current, &problem)) {
    case ReadResult::Read:
        return current;
    case ReadResult::Failed:
        *error = QStringLiteral("it could not be read (%1)").arg(problem);
        return std::nullopt;
    case ReadResult::Damaged:
        break;
    }
    const QString aside = damagedFileName(filePath(), m_clock.now());
    if (!QDir().rename(filePath(), aside)) {
        *error = QStringLiteral("it could not be read (%1) nor moved aside; it was left as it is")
                     .arg(problem);
        return std::nullopt;
    }
    m_warnings.append(QStringLiteral("The delivery record %1 could not be read (%2); it was "
                                     "moved to %3 and all that fired until now counts as "
                                     "delivered.")
                          .arg(filePath(), problem, aside));
    current.deliveredUpTo = wholeSeconds(m_clock.now());
    return current;
}

bool DeliveryRecord::change(const std::function<void(Contents&)>& edit, QString* error)
{
    QString problem;
    const auto fail = [&]() {
        if (error)
            *error = QStringLiteral("could not update the delivery record %1: %2")
                         .arg(filePath(), problem);
        return false;
    };
    const DataDirectoryLock::Holder lock(m_lock, DataDirectoryLock::Mode::Exclusive, &problem);
    if (!lock.isHeld())
        return fail();
    const bool existed = QFileInfo::exists(filePath());
    const std::optional<Contents> current = currentForChange(&problem);
    if (!current)
        return fail();
    Contents changed = *current;
    edit(changed);
    prune(changed);
    // A record started over is written even when empty: its "deliveredUpTo" must last.
    const bool startedOver = existed && !QFileInfo::exists(filePath());
    if (changed != *current || startedOver) {
        const std::optional<QByteArray> bytes = PropertyList::writeXml(encode(changed), &problem);
        if (!bytes || !AtomicFile::write(filePath(), *bytes, &problem))
            return fail();
    }
    m_contents = std::move(changed);
    return true;
}

} // namespace fetemark
