#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include "platform/files/DataAccess.h"

#include <optional>

namespace fetemark {

class DataDirectoryLock;

// The user's settings: values registered at start as defaults, values the platform
// gives (the preferred languages), and values the user stored, which win. Stored values
// are kept in a property list file and written atomically by synchronize(). Safe to use
// from several threads: the record loading thread reads settings at the point of use.
//
// Several programs share the file: synchronize() writes only the keys this program set
// or removed, into the file as it is then (under the data directory's lock), so two
// programs changing different keys both keep their change.
class Settings {
public:
    // `filePath` is the settings file ("Preferences.plist" in the data directory).
    explicit Settings(const QString& filePath);
    // With the data directory's lock, taken shared to load and exclusively to write. A
    // read-only run never writes the file nor moves a damaged one aside; its changes
    // (seeded defaults) last for the run.
    Settings(const QString& filePath, DataDirectoryLock* lock, DataAccess access);

    QString filePath() const { return m_filePath; }

    struct LoadResult {
        bool ok = true;  // false when a damaged file was moved aside
        QString warning; // what happened, for the user
        QString movedTo; // where the damaged file now is
    };
    // Reads the stored values; changes not written yet stay on top. A missing file
    // means none. A file that cannot be read or is not a settings property list is
    // moved aside (never deleted) and the settings start from their defaults.
    LoadResult load();

    // Registers defaults; stored values are never overwritten.
    void registerDefaults(const QVariantMap& defaults);
    void setPlatformValue(const QString& key, const QVariant& value);

    QVariant value(const QString& key) const; // stored, else platform, else registered
    bool contains(const QString& key) const;  // a stored value exists
    bool isRegistered(const QString& key) const;
    QVariant registeredValue(const QString& key) const; // the default, null when none

    bool boolValue(const QString& key) const;
    qint64 integerValue(const QString& key) const;
    QString stringValue(const QString& key) const;
    QDateTime dateValue(const QString& key) const;
    QVariantMap dictionaryValue(const QString& key) const;
    QStringList stringListValue(const QString& key) const;

    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

    // Writes the keys changed since the last write or load into the file as it is now,
    // and takes in what other programs stored meanwhile. False with `error` set when
    // the file could not be written; the previous file is intact and the changes stay
    // pending.
    bool synchronize(QString* error = nullptr);

    QVariantMap storedValues() const;

    // Conversions shared by readers of loosely typed values (a stored "1" or "YES" is
    // true, as the platform's settings store reads them).
    static bool toBool(const QVariant& v);
    static qint64 toInteger(const QVariant& v);

private:
    // A key set to a value, or removed (nullopt).
    using Changes = QMap<QString, std::optional<QVariant>>;
    struct FileRead {
        std::optional<QVariantMap> values; // none when the file is damaged
        QString problem;
    };
    FileRead readFile() const;
    LoadResult keepDamagedAside(const QString& problem);
    static void apply(QVariantMap& values, const Changes& changes);

    QString m_filePath;
    DataDirectoryLock* m_lock = nullptr;
    DataAccess m_access = DataAccess::ReadWrite;
    mutable QMutex m_mutex;
    QVariantMap m_registered;
    QVariantMap m_platform;
    QVariantMap m_stored;
    Changes m_changes; // not written yet
};

} // namespace fetemark
