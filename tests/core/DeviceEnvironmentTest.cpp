#include "core/DeviceEnvironment.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

using fetemark::DeviceEnvironment;
using Variables = QHash<QString, QString>;

template <typename Row>
std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

// ---------------------------------------------------------------------------------------
struct VariablesRow {
    std::string name;
    Variables variables;
    QString zoneOverride;
    QString localeOverride;
    QString systemZone;
    QString zone;
    QString locale;
    QStringList languages;
    QString currentLanguage;
    bool systemZoneAsked;
};

class DeviceEnvironmentVariables : public testing::TestWithParam<VariablesRow> {};

TEST_P(DeviceEnvironmentVariables, ZoneLocaleLanguages)
{
    const auto& row = GetParam();
    int asked = 0;
    const DeviceEnvironment env = DeviceEnvironment::fromVariables(
        row.variables, row.zoneOverride, row.localeOverride, [&] {
            ++asked;
            return row.systemZone;
        });
    EXPECT_EQ(env.timeZoneId, row.zone);
    EXPECT_EQ(env.localeName, row.locale);
    EXPECT_EQ(env.preferredLanguages, row.languages);
    EXPECT_EQ(env.currentLanguage(), row.currentLanguage);
    EXPECT_EQ(asked, row.systemZoneAsked ? 1 : 0);
}

const QString kSystem = QStringLiteral("Pacific/Auckland");

INSTANTIATE_TEST_SUITE_P(DeviceEnvironmentZone, DeviceEnvironmentVariables, testing::Values(
    VariablesRow{"NothingSetUsesSystemZone", {}, {}, {}, kSystem, kSystem, "en_US", {"en"}, "EN", true},
    VariablesRow{"NoSystemZoneIsUtc", {}, {}, {}, {}, "UTC", "en_US", {"en"}, "EN", true},
    VariablesRow{"TzName", {{"TZ", "Europe/Berlin"}}, {}, {}, kSystem, "Europe/Berlin", "en_US", {"en"}, "EN", false},
    VariablesRow{"TzWithColon", {{"TZ", ":Europe/Berlin"}}, {}, {}, kSystem, "Europe/Berlin", "en_US", {"en"}, "EN", false},
    VariablesRow{"TzZoneinfoPath", {{"TZ", "/usr/share/zoneinfo/Europe/Berlin"}}, {}, {}, kSystem, "Europe/Berlin", "en_US", {"en"}, "EN", false},
    VariablesRow{"TzColonPosixPath", {{"TZ", ":/usr/share/zoneinfo/posix/Asia/Tokyo"}}, {}, {}, kSystem, "Asia/Tokyo", "en_US", {"en"}, "EN", false},
    VariablesRow{"TzEmptyUsesSystem", {{"TZ", ""}}, {}, {}, kSystem, kSystem, "en_US", {"en"}, "EN", true},
    VariablesRow{"TzOnlyColonUsesSystem", {{"TZ", ":"}}, {}, {}, kSystem, kSystem, "en_US", {"en"}, "EN", true},
    VariablesRow{"ZoneOverrideBeatsTz", {{"TZ", "Europe/Berlin"}}, "America/Sao_Paulo", {}, kSystem, "America/Sao_Paulo", "en_US", {"en"}, "EN", false},
    VariablesRow{"BlankOverrideIgnored", {{"TZ", "Europe/Berlin"}}, "  ", {}, kSystem, "Europe/Berlin", "en_US", {"en"}, "EN", false}),
    rowName<VariablesRow>);

INSTANTIATE_TEST_SUITE_P(DeviceEnvironmentLocale, DeviceEnvironmentVariables, testing::Values(
    VariablesRow{"LangWithCodeset", {{"LANG", "de_DE.UTF-8"}}, "UTC", {}, {}, "UTC", "de_DE", {"de"}, "DE", false},
    VariablesRow{"LangWithEuro", {{"LANG", "de_DE@euro"}}, "UTC", {}, {}, "UTC", "de_DE", {"de"}, "DE", false},
    VariablesRow{"LangWithCodesetAndEuro", {{"LANG", "fr_FR.ISO-8859-15@euro"}}, "UTC", {}, {}, "UTC", "fr_FR", {"fr"}, "FR", false},
    VariablesRow{"LcAllBeatsOthers", {{"LC_ALL", "fr_FR.UTF-8"}, {"LC_TIME", "de_DE.UTF-8"}, {"LANG", "it_IT.UTF-8"}}, "UTC", {}, {}, "UTC", "fr_FR", {"fr"}, "FR", false},
    VariablesRow{"LcTimeBeatsLang", {{"LC_TIME", "de_DE.UTF-8"}, {"LANG", "it_IT.UTF-8"}}, "UTC", {}, {}, "UTC", "de_DE", {"de"}, "DE", false},
    VariablesRow{"EmptyLcAllSkipped", {{"LC_ALL", ""}, {"LANG", "it_IT.UTF-8"}}, "UTC", {}, {}, "UTC", "it_IT", {"it"}, "IT", false},
    VariablesRow{"CUtf8IsEnUs", {{"LC_ALL", "C.UTF-8"}, {"LANG", "de_DE.UTF-8"}}, "UTC", {}, {}, "UTC", "en_US", {"en"}, "EN", false},
    VariablesRow{"PosixIsEnUs", {{"LANG", "POSIX"}}, "UTC", {}, {}, "UTC", "en_US", {"en"}, "EN", false},
    VariablesRow{"CIsEnUs", {{"LANG", "C"}}, "UTC", {}, {}, "UTC", "en_US", {"en"}, "EN", false},
    VariablesRow{"LocaleOverrideBeatsVariables", {{"LC_ALL", "fr_FR.UTF-8"}}, "UTC", "ja_JP", {}, "UTC", "ja_JP", {"ja"}, "JA", false},
    VariablesRow{"LocaleOverrideIsNormalised", {}, "UTC", "nl_NL.UTF-8", {}, "UTC", "nl_NL", {"nl"}, "NL", false}),
    rowName<VariablesRow>);

INSTANTIATE_TEST_SUITE_P(DeviceEnvironmentLanguages, DeviceEnvironmentVariables, testing::Values(
    VariablesRow{"LanguageList", {{"LANG", "en_GB.UTF-8"}, {"LANGUAGE", "de:en"}}, "UTC", {}, {}, "UTC", "en_GB", {"de", "en"}, "DE", false},
    VariablesRow{"LanguageWithRegionKept", {{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "pt_BR:pt"}}, "UTC", {}, {}, "UTC", "en_US", {"pt_BR", "pt"}, "PT", false},
    VariablesRow{"EmptyLanguageEntriesSkipped", {{"LANG", "en_US.UTF-8"}, {"LANGUAGE", ":fr::en:"}}, "UTC", {}, {}, "UTC", "en_US", {"fr", "en"}, "FR", false},
    VariablesRow{"EmptyLanguageUsesLocale", {{"LANG", "es_ES.UTF-8"}, {"LANGUAGE", ""}}, "UTC", {}, {}, "UTC", "es_ES", {"es"}, "ES", false},
    VariablesRow{"OnlySeparatorsUsesLocale", {{"LANG", "ru_RU.UTF-8"}, {"LANGUAGE", "::"}}, "UTC", {}, {}, "UTC", "ru_RU", {"ru"}, "RU", false},
    VariablesRow{"LocaleOverrideReplacesLanguageList", {{"LANGUAGE", "de:en"}}, "UTC", "fr_FR", {}, "UTC", "fr_FR", {"fr"}, "FR", false}),
    rowName<VariablesRow>);

// ---------------------------------------------------------------------------------------
struct LanguageRow {
    std::string name;
    QStringList languages;
    QString expected;
};

class DeviceEnvironmentCurrentLanguage : public testing::TestWithParam<LanguageRow> {};

TEST_P(DeviceEnvironmentCurrentLanguage, TwoUpperCaseLetters)
{
    DeviceEnvironment env;
    env.preferredLanguages = GetParam().languages;
    EXPECT_EQ(env.currentLanguage(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(DeviceEnvironment, DeviceEnvironmentCurrentLanguage, testing::Values(
    LanguageRow{"FirstOfList", {"de", "en"}, "DE"},
    LanguageRow{"RegionDropped", {"pt_BR"}, "PT"},
    LanguageRow{"BcpTagRegionDropped", {"en-GB", "de"}, "EN"},
    LanguageRow{"ScriptDropped", {"zh-Hans"}, "ZH"},
    LanguageRow{"AlreadyUpper", {"FR"}, "FR"},
    LanguageRow{"EmptyList", {}, "EN"},
    LanguageRow{"EmptyFirstEntry", {"", "de"}, "EN"}),
    rowName<LanguageRow>);

// ---------------------------------------------------------------------------------------
struct SystemFilesRow {
    std::string name;
    std::optional<QByteArray> timezoneFile;
    std::optional<QString> localtimeLink; // "@" stands for the root directory
    bool localtimeIsPlainFile;
    QString expected;
};

class DeviceEnvironmentSystemFiles : public testing::TestWithParam<SystemFilesRow> {};

TEST_P(DeviceEnvironmentSystemFiles, ZoneFromEtc)
{
    const auto& row = GetParam();
    fetemark::test::TempDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("etc")));
    const QString etc = root.file(QStringLiteral("etc"));
    if (row.timezoneFile) {
        ASSERT_TRUE(fetemark::test::writeFile(etc + QStringLiteral("/timezone"), *row.timezoneFile));
    }
    if (row.localtimeLink) {
        QString target = *row.localtimeLink;
        target.replace(QLatin1Char('@'), root.path());
        ASSERT_TRUE(QFile::link(target, etc + QStringLiteral("/localtime")));
    }
    if (row.localtimeIsPlainFile) {
        ASSERT_TRUE(fetemark::test::writeFile(etc + QStringLiteral("/localtime"), "TZif2"));
    }
    EXPECT_EQ(DeviceEnvironment::zoneFromSystemFiles(root.path()), row.expected);
}

INSTANTIATE_TEST_SUITE_P(DeviceEnvironment, DeviceEnvironmentSystemFiles, testing::Values(
    SystemFilesRow{"TimezoneFile", QByteArray("Europe/Berlin\n"), std::nullopt, false, "Europe/Berlin"},
    SystemFilesRow{"TimezoneFileBeatsLink", QByteArray("Europe/Berlin\n"), QString("/usr/share/zoneinfo/Asia/Tokyo"), false, "Europe/Berlin"},
    SystemFilesRow{"EmptyTimezoneFileFallsToLink", QByteArray("\n"), QString("/usr/share/zoneinfo/Asia/Tokyo"), false, "Asia/Tokyo"},
    SystemFilesRow{"AbsoluteLink", std::nullopt, QString("/usr/share/zoneinfo/America/Sao_Paulo"), false, "America/Sao_Paulo"},
    SystemFilesRow{"RelativeLink", std::nullopt, QString("../usr/share/zoneinfo/Pacific/Auckland"), false, "Pacific/Auckland"},
    SystemFilesRow{"LinkIntoPosixTree", std::nullopt, QString("/usr/share/zoneinfo/posix/Europe/Paris"), false, "Europe/Paris"},
    SystemFilesRow{"LinkOutsideZoneinfo", std::nullopt, QString("@/somewhere/else"), false, ""},
    SystemFilesRow{"PlainLocaltimeFile", std::nullopt, std::nullopt, true, ""},
    SystemFilesRow{"Nothing", std::nullopt, std::nullopt, false, ""}),
    rowName<SystemFilesRow>);

TEST(DeviceEnvironmentTzPath, LinkOutsideZoneinfoIsFollowed)
{
    fetemark::test::TempDir dir;
    const QString link = dir.file(QStringLiteral("localtime"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/usr/share/zoneinfo/Europe/Paris"), link));
    const struct {
        QString tz;
        QString expected;
    } rows[] = {{QLatin1Char(':') + link, QStringLiteral("Europe/Paris")},
                {link, QStringLiteral("Europe/Paris")},
                {dir.file(QStringLiteral("missing")), QStringLiteral("Asia/Tokyo")}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.tz.toStdString());
        const auto env = DeviceEnvironment::fromVariables({{QStringLiteral("TZ"), row.tz}}, {}, {},
                                                          [] { return QStringLiteral("Asia/Tokyo"); });
        EXPECT_EQ(env.timeZoneId, row.expected);
    }
}

// ---------------------------------------------------------------------------------------
// fromProcess reads the real environment; each row sets it and puts it back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = std::string(old);
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(DeviceEnvironmentFromProcess, ReadsProcessVariables)
{
    const struct {
        const char* name;
        const char* tz;
        const char* lcAll;
        const char* language;
        QString zoneOverride;
        QString localeOverride;
        QString zone;
        QString locale;
        QStringList languages;
    } rows[] = {
        {"variables", ":Europe/Berlin", "de_DE.UTF-8", "de:en", {}, {}, "Europe/Berlin", "de_DE", {"de", "en"}},
        {"overrides", "Europe/Berlin", "de_DE.UTF-8", "de:en", "Asia/Tokyo", "ja_JP", "Asia/Tokyo", "ja_JP", {"ja"}},
        {"C locale", "UTC", "C.UTF-8", nullptr, {}, {}, "UTC", "en_US", {"en"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ScopedEnv tz("TZ", row.tz);
        const ScopedEnv lcAll("LC_ALL", row.lcAll);
        const ScopedEnv language("LANGUAGE", row.language);
        const DeviceEnvironment env = DeviceEnvironment::fromProcess(row.zoneOverride, row.localeOverride);
        EXPECT_EQ(env.timeZoneId, row.zone);
        EXPECT_EQ(env.localeName, row.locale);
        EXPECT_EQ(env.preferredLanguages, row.languages);
    }
}

} // namespace
