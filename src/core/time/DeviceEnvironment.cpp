#include "DeviceEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>

namespace fetemark {

namespace {

// "/usr/share/zoneinfo/posix/Europe/Berlin" names Europe/Berlin; a path outside a
// zoneinfo tree (TZ=":/etc/localtime") is followed once if it is a link.
QString zoneFromPath(const QString& path)
{
    static const QString marker = QStringLiteral("/zoneinfo/");
    QString target = path;
    if (!target.contains(marker))
        target = QFileInfo(path).symLinkTarget();
    const qsizetype at = target.lastIndexOf(marker);
    if (at < 0)
        return {};
    QString zone = target.mid(at + marker.size());
    // The leap-second ("right/") and POSIX-rule ("posix/") copies are the same zones.
    for (const auto& prefix : {QStringLiteral("posix/"), QStringLiteral("right/")}) {
        if (zone.startsWith(prefix))
            zone = zone.mid(prefix.size());
    }
    return zone;
}

QString zoneFromTzVariable(QString value)
{
    value = value.trimmed();
    if (value.startsWith(QLatin1Char(':')))
        value = value.mid(1);
    if (value.startsWith(QLatin1Char('/')))
        return zoneFromPath(value);
    return value;
}

QString normalizedLocale(const QString& value)
{
    QString name = value.trimmed();
    // The codeset and modifier ("de_DE.UTF-8@euro") mean nothing to ICU's locale data.
    const qsizetype cut = name.indexOf(QRegularExpression(QStringLiteral("[.@]")));
    if (cut >= 0)
        name.truncate(cut);
    if (name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX"))
        return QStringLiteral("en_US");
    return name;
}

QString languageOf(const QString& localeName)
{
    const qsizetype cut = localeName.indexOf(QRegularExpression(QStringLiteral("[_-]")));
    return cut < 0 ? localeName : localeName.left(cut);
}

QString icuHostZone()
{
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::detectHostTimeZone());
    if (!zone)
        return {};
    icu::UnicodeString id;
    zone->getID(id);
    if (id == icu::UnicodeString(UCAL_UNKNOWN_ZONE_ID))
        return {};
    return QString(reinterpret_cast<const QChar*>(id.getBuffer()), id.length());
}

} // namespace

DeviceEnvironment DeviceEnvironment::fromVariables(const QHash<QString, QString>& variables,
    const QString& zoneOverride, const QString& localeOverride,
    const std::function<QString()>& systemZone)
{
    DeviceEnvironment env;

    env.timeZoneId = zoneOverride.trimmed();
    if (env.timeZoneId.isEmpty())
        env.timeZoneId = zoneFromTzVariable(variables.value(QStringLiteral("TZ")));
    if (env.timeZoneId.isEmpty() && systemZone)
        env.timeZoneId = systemZone().trimmed();
    if (env.timeZoneId.isEmpty())
        env.timeZoneId = QStringLiteral("UTC");

    QString locale = localeOverride.trimmed();
    if (locale.isEmpty()) {
        for (const auto& name :
            {QStringLiteral("LC_ALL"), QStringLiteral("LC_TIME"), QStringLiteral("LANG")}) {
            locale = variables.value(name).trimmed();
            if (!locale.isEmpty())
                break;
        }
    }
    env.localeName = normalizedLocale(locale);

    if (localeOverride.trimmed().isEmpty()) {
        const QStringList entries =
            variables.value(QStringLiteral("LANGUAGE")).split(QLatin1Char(':'));
        for (const QString& entry : entries) {
            if (!entry.trimmed().isEmpty())
                env.preferredLanguages.append(entry.trimmed());
        }
    }
    if (env.preferredLanguages.isEmpty())
        env.preferredLanguages.append(languageOf(env.localeName));
    return env;
}

QString DeviceEnvironment::zoneFromSystemFiles(const QString& rootDir)
{
    const QDir root(rootDir);
    QFile timezone(root.filePath(QStringLiteral("etc/timezone")));
    if (timezone.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QString zone = QString::fromUtf8(timezone.readLine()).trimmed();
        if (!zone.isEmpty())
            return zone;
    }
    const QString localtime = root.filePath(QStringLiteral("etc/localtime"));
    if (QFileInfo(localtime).isSymLink())
        return zoneFromPath(QFileInfo(localtime).symLinkTarget());
    return {};
}

DeviceEnvironment DeviceEnvironment::fromProcess(
    const QString& zoneOverride, const QString& localeOverride)
{
    const QProcessEnvironment process = QProcessEnvironment::systemEnvironment();
    QHash<QString, QString> variables;
    for (const auto& name : {QStringLiteral("TZ"), QStringLiteral("LC_ALL"),
             QStringLiteral("LC_TIME"), QStringLiteral("LANG"), QStringLiteral("LANGUAGE")}) {
        if (process.contains(name))
            variables.insert(name, process.value(name));
    }
    return fromVariables(variables, zoneOverride, localeOverride, [] {
        const QString zone = zoneFromSystemFiles();
        return zone.isEmpty() ? icuHostZone() : zone;
    });
}

QString DeviceEnvironment::currentLanguage() const
{
    if (preferredLanguages.isEmpty() || preferredLanguages.first().isEmpty())
        return QStringLiteral("EN");
    return preferredLanguages.first().left(2).toUpper();
}

QString DeviceEnvironment::countryOf(const QString& localeName)
{
    const icu::Locale locale = icu::Locale::createFromName(localeName.toUtf8().constData());
    return QString::fromLatin1(locale.getCountry()).toUpper();
}

} // namespace fetemark
