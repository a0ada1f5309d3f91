#include "Settings.h"

#include "platform/archive/PropertyList.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/DamagedFile.h"
#include "platform/files/DataDirectoryLock.h"
#include "platform/files/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace fetemark {

Settings::Settings(const QString& filePath) : m_filePath(filePath) { }

Settings::Settings(const QString& filePath, DataDirectoryLock* lock, DataAccess access)
    : m_filePath(filePath), m_lock(lock), m_access(access)
{
}

Settings::FileRead Settings::readFile() const
{
    FileRead read;
    QByteArray bytes;
    // Only a regular file is read: a FIFO in its place would block every run.
    const RegularFile::ReadStatus status = RegularFile::read(m_filePath, &bytes, &read.problem);
    if (status == RegularFile::ReadStatus::Missing) {
        read.values = QVariantMap();
        return read;
    }
    if (status != RegularFile::ReadStatus::Read)
        return read;
    const std::optional<QVariant> root = PropertyList::read(bytes, &read.problem);
    if (root && root->typeId() != QMetaType::QVariantMap)
        read.problem = QStringLiteral("the file does not hold a dictionary of settings");
    else if (root)
        read.values = root->toMap();
    return read;
}

Settings::LoadResult Settings::load()
{
    const DataDirectoryLock::Holder lock(m_lock, DataDirectoryLock::Mode::Shared);
    const FileRead read = readFile();
    if (read.values) {
        // A program that stays running loads again after another one saved: what it set
        // and has not written yet stays set.
        QMutexLocker guard(&m_mutex);
        m_stored = *read.values;
        apply(m_stored, m_changes);
        return {};
    }
    LoadResult result = keepDamagedAside(read.problem);
    QMutexLocker guard(&m_mutex);
    // Nothing is written over a damaged file that could not be moved until a setting
    // is changed.
    m_stored.clear();
    apply(m_stored, m_changes);
    return result;
}

// Keeps the damaged file for the user (or for recovery) under a name nothing else uses;
// the settings carry on from their defaults. A read-only run only reports it.
Settings::LoadResult Settings::keepDamagedAside(const QString& problem)
{
    LoadResult result;
    result.ok = false;
    if (m_access == DataAccess::ReadOnly) {
        result.warning = QStringLiteral("The settings file %1 could not be read (%2); the "
                                        "settings start from their defaults.")
                             .arg(m_filePath, problem);
        return result;
    }
    const QString aside = damagedFileName(m_filePath, QDateTime::currentDateTimeUtc());
    if (QFile::rename(m_filePath, aside)) {
        result.movedTo = aside;
        result.warning =
            QStringLiteral("The settings file %1 could not be read (%2); it was moved to %3 "
                           "and the settings start from their defaults.")
                .arg(m_filePath, problem, aside);
    } else {
        result.warning =
            QStringLiteral("The settings file %1 could not be read (%2) nor moved aside; "
                           "the settings start from their defaults and the file is left as it is.")
                .arg(m_filePath, problem);
    }
    return result;
}

void Settings::registerDefaults(const QVariantMap& defaults)
{
    QMutexLocker lock(&m_mutex);
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        m_registered.insert(it.key(), it.value());
}

void Settings::setPlatformValue(const QString& key, const QVariant& value)
{
    QMutexLocker lock(&m_mutex);
    m_platform.insert(key, value);
}

QVariant Settings::value(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    if (auto it = m_stored.constFind(key); it != m_stored.constEnd())
        return it.value();
    if (auto it = m_platform.constFind(key); it != m_platform.constEnd())
        return it.value();
    return m_registered.value(key);
}

bool Settings::contains(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    return m_stored.contains(key);
}

bool Settings::isRegistered(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    return m_registered.contains(key);
}

QVariant Settings::registeredValue(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    return m_registered.value(key);
}

bool Settings::toBool(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::QString: {
        const QString s = v.toString().trimmed();
        if (s.compare(QLatin1String("YES"), Qt::CaseInsensitive) == 0 ||
            s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        return s.toLongLong() != 0;
    }
    default:
        return v.isValid() && v.toLongLong() != 0;
    }
}

qint64 Settings::toInteger(const QVariant& v)
{
    if (v.typeId() == QMetaType::QString)
        return v.toString().trimmed().toLongLong();
    if (v.typeId() == QMetaType::Double)
        return static_cast<qint64>(v.toDouble());
    return v.toLongLong();
}

bool Settings::boolValue(const QString& key) const
{
    return toBool(value(key));
}
qint64 Settings::integerValue(const QString& key) const
{
    return toInteger(value(key));
}

QString Settings::stringValue(const QString& key) const
{
    const QVariant v = value(key);
    return v.canConvert<QString>() ? v.toString() : QString();
}

QDateTime Settings::dateValue(const QString& key) const
{
    const QVariant v = value(key);
    return v.typeId() == QMetaType::QDateTime ? v.toDateTime() : QDateTime();
}

QVariantMap Settings::dictionaryValue(const QString& key) const
{
    const QVariant v = value(key);
    return v.typeId() == QMetaType::QVariantMap ? v.toMap() : QVariantMap();
}

QStringList Settings::stringListValue(const QString& key) const
{
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::QStringList || v.typeId() == QMetaType::QVariantList)
        return v.toStringList();
    return {};
}

void Settings::setValue(const QString& key, const QVariant& value)
{
    QMutexLocker lock(&m_mutex);
    auto it = m_stored.find(key);
    if (it != m_stored.end() && it.value() == value && it.value().typeId() == value.typeId())
        return;
    m_stored.insert(key, value);
    m_changes.insert(key, value);
}

void Settings::remove(const QString& key)
{
    QMutexLocker lock(&m_mutex);
    if (m_stored.remove(key) > 0)
        m_changes.insert(key, std::nullopt);
}

QVariantMap Settings::storedValues() const
{
    QMutexLocker lock(&m_mutex);
    return m_stored;
}

void Settings::apply(QVariantMap& values, const Changes& changes)
{
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        if (it.value())
            values.insert(it.key(), *it.value());
        else
            values.remove(it.key());
    }
}

bool Settings::synchronize(QString* error)
{
    Changes changes;
    {
        QMutexLocker guard(&m_mutex);
        if (m_changes.isEmpty() || m_access == DataAccess::ReadOnly)
            return true;
        changes = m_changes;
    }
    const auto fail = [&](const QString& problem) {
        if (error)
            *error = QStringLiteral("could not write %1: %2").arg(m_filePath, problem);
        return false;
    };
    QString problem;
    const DataDirectoryLock::Holder lock(m_lock, DataDirectoryLock::Mode::Exclusive, &problem);
    if (!lock.isHeld())
        return fail(problem);
    // The file as it is now, with what other programs stored since this one read it.
    FileRead current = readFile();
    if (!current.values) {
        keepDamagedAside(current.problem);
        current.values = QVariantMap();
    }
    QVariantMap merged = *current.values;
    apply(merged, changes);
    const auto xml = PropertyList::writeXml(merged, &problem);
    if (!xml || !AtomicFile::write(m_filePath, *xml, &problem))
        return fail(problem);

    QMutexLocker guard(&m_mutex);
    // Changes made while writing stay pending for the next synchronize.
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        const auto pending = m_changes.constFind(it.key());
        if (pending != m_changes.constEnd() && pending.value() == it.value())
            m_changes.remove(it.key());
    }
    m_stored = merged;
    apply(m_stored, m_changes);
    return true;
}

} // namespace fetemark
