#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace fetemark {

// The user's settings: values registered at start as defaults, values the platform
// gives (the preferred languages), and values the user stored, which win. Stored values
// are kept in a property list file and written atomically by synchronize(). Safe to use
// from several threads: the record loading thread reads settings at the point of use.
class Settings {
public:
    // `filePath` is the settings file ("Preferences.plist" in the data directory).
    explicit Settings(const QString& filePath);

    QString filePath() const { return m_filePath; }

    struct LoadResult {
        bool ok = true;  // false when a damaged file was moved aside
        QString warning; // what happened, for the user
        QString movedTo; // where the damaged file now is
    };
    // Reads the stored values. A missing file means none. A file that cannot be read or
    // is not a settings property list is moved aside (never deleted) and the settings
    // start from their defaults.
    LoadResult load();

    // Registers defaults; stored values are never overwritten.
    void registerDefaults(const QVariantMap& defaults);
    void setPlatformValue(const QString& key, const QVariant& value);

    QVariant value(const QString& key) const; // stored, else platform, else registered
    bool contains(const QString& key) const;  // a stored value exists
    bool isRegistered(const QString& key) const;

    bool boolValue(const QString& key) const;
    qint64 integerValue(const QString& key) const;
    QString stringValue(const QString& key) const;
    QDateTime dateValue(const QString& key) const;
    QVariantMap dictionaryValue(const QString& key) const;
    QStringList stringListValue(const QString& key) const;

    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

    // Writes the stored values when they changed since the last write or load. False
    // with `error` set when the file could not be written; the previous file is intact.
    bool synchronize(QString* error = nullptr);
    // Writes the stored values to a device as a property list (used by synchronize).
    static bool writeTo(QIODevice& device, const QVariantMap& values, QString* error);

    QVariantMap storedValues() const;

    // Conversions shared by readers of loosely typed values (a stored "1" or "YES" is
    // true, as the platform's settings store reads them).
    static bool toBool(const QVariant& v);
    static qint64 toInteger(const QVariant& v);

private:
    QString m_filePath;
    mutable QMutex m_mutex;
    QVariantMap m_registered;
    QVariantMap m_platform;
    QVariantMap m_stored;
    bool m_dirty = false;
};

} // namespace fetemark
