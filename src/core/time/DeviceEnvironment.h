#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

namespace fetemark {

// What the device says about where and in which language the user lives: its time zone,
// its locale and the user's preferred interface languages (the "AppleLanguages" list).
// Built once at start from options and the process environment and handed to whoever
// needs it; the engine never reads these from globals.
struct DeviceEnvironment {
    QString timeZoneId;             // IANA name, e.g. "Europe/Berlin"
    QString localeName;             // e.g. "de_DE" (no encoding suffix)
    QStringList preferredLanguages; // e.g. {"de", "en"}

    // From $TZ (else the system's zone), $LC_ALL/$LC_TIME/$LANG and $LANGUAGE; each
    // override given (non-empty) wins. A locale override also sets the languages to its
    // own language, as the language follows the locale.
    static DeviceEnvironment fromProcess(
        const QString& zoneOverride = {}, const QString& localeOverride = {});

    // The rules of fromProcess over given variables (TZ, LC_ALL, LC_TIME, LANG, LANGUAGE).
    // `systemZone` is asked only when neither the override nor TZ names a zone; when it
    // has nothing either, the zone is "UTC".
    static DeviceEnvironment fromVariables(const QHash<QString, QString>& variables,
        const QString& zoneOverride = {}, const QString& localeOverride = {},
        const std::function<QString()>& systemZone = {});

    // The zone the system is configured with under `rootDir`: etc/timezone, else the
    // target of the etc/localtime link. Empty when neither names one.
    static QString zoneFromSystemFiles(const QString& rootDir = QStringLiteral("/"));

    // Two upper-case letters from the first preferred language ("EN" when there is none).
    QString currentLanguage() const;
    // The upper-case country of the locale ("GB" for "en_GB"), empty when it names none.
    QString countryCode() const { return countryOf(localeName); }
    static QString countryOf(const QString& localeName);
};

} // namespace fetemark
