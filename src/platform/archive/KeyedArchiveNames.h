#pragma once

// Names and constants shared by the keyed archiver and unarchiver.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace fetemark::keyedarchive {

constexpr std::uint64_t kArchiveVersion = 100000;
// NSDate counts seconds from 2001-01-01T00:00:00Z; this is that moment in Unix ms.
constexpr qint64 kEpoch2001Ms = 978307200000LL;

inline QStringList arrayClasses()
{
    return {QStringLiteral("NSArray"), QStringLiteral("NSObject")};
}
inline QStringList dictionaryClasses()
{
    return {QStringLiteral("NSDictionary"), QStringLiteral("NSObject")};
}
inline QStringList dateClasses()
{
    return {QStringLiteral("NSDate"), QStringLiteral("NSObject")};
}

// Classes the unarchiver turns into arrays, dictionaries, dates, strings and data rather
// than into ArchiveObjects; an ArchiveObject named so would not come back as itself.
inline bool isFoundationClass(const QString& name)
{
    static const QStringList names = {
        QStringLiteral("NSArray"),
        QStringLiteral("NSMutableArray"),
        QStringLiteral("NSDictionary"),
        QStringLiteral("NSMutableDictionary"),
        QStringLiteral("NSDate"),
        QStringLiteral("NSString"),
        QStringLiteral("NSMutableString"),
        QStringLiteral("NSData"),
        QStringLiteral("NSMutableData"),
    };
    return names.contains(name);
}

// Keys starting with '$' belong to the archive format ("$class"); the platform's archiver
// escapes such field names with one more '$', and so does this one.
inline QString escapeFieldName(const QString& key)
{
    return key.startsWith(QLatin1Char('$')) ? QLatin1Char('$') + key : key;
}

} // namespace fetemark::keyedarchive
