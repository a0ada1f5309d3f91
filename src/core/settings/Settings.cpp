#include "Settings.h"

#include "platform/archive/PropertyList.h"
#include "platform/files/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace fetemark {

Settings::Settings(const QString& filePath) : m_filePath(filePath) { }

Settings::LoadResult Settings::load()
{
    LoadResult result;
    QByteArray bytes;
    QString problem;
    // Only a regular file is read: a FIFO in its place would block every run.
    const RegularFile::ReadStatus status = RegularFile::read(m_filePath, &bytes, &problem);
    if (status == RegularFile::ReadStatus::Missing) {
        QMutexLocker lock(&m_mutex);
        m_stored.clear();
        m_dirty = false;
        return result;
    }

    std::optional<QVariant> root;
    if (status == RegularFile::ReadStatus::Read) {
        root = PropertyList::read(bytes, &problem);
        if (root && root->typeId() != QMetaType::QVariantMap) {
            problem = QStringLiteral("the file does not hold a dictionary of settings");
            root.reset();
        }
    }

    QMutexLocker lock(&m_mutex);
    if (root) {
        m_stored = root->toMap();
        m_dirty = false;
        return result;
    }

    // Keep the damaged file for the user (or for recovery) under a name nothing else
    // uses, then carry on with defaults.
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = m_filePath + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_filePath + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    result.ok = false;
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
    m_stored.clear();
    // Not dirty: nothing is written over a damaged file that could not be moved until
    // the user changes a setting.
    m_dirty = false;
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
    m_dirty = true;
}

void Settings::remove(const QString& key)
{
    QMutexLocker lock(&m_mutex);
    if (m_stored.remove(key) > 0)
        m_dirty = true;
}

QVariantMap Settings::storedValues() const
{
    QMutexLocker lock(&m_mutex);
    return m_stored;
}

bool Settings::writeTo(QIODevice& device, const QVariantMap& values, QString* error)
{
    const auto xml = PropertyList::writeXml(values, error);
    if (!xml)
        return false;
    if (device.write(*xml) != xml->size()) {
        if (error)
            *error = device.errorString().isEmpty() ? QStringLiteral("write failed")
                                                    : device.errorString();
        return false;
    }
    return true;
}

bool Settings::synchronize(QString* error)
{
    QVariantMap snapshot;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_dirty)
            return true;
        snapshot = m_stored;
    }
    QString problem;
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSaveFile file(m_filePath);
    bool ok = file.open(QIODevice::WriteOnly);
    if (!ok)
        problem = file.errorString();
    if (ok && !writeTo(file, snapshot, &problem)) {
        file.cancelWriting();
        ok = false;
    }
    if (ok && !file.commit()) {
        problem = file.errorString();
        ok = false;
    }
    if (!ok) {
        if (error)
            *error = QStringLiteral("could not write %1: %2").arg(m_filePath, problem);
        return false;
    }
    QMutexLocker lock(&m_mutex);
    // Values changed while writing stay dirty for the next synchronize.
    if (m_stored == snapshot)
        m_dirty = false;
    return true;
}

} // namespace fetemark
