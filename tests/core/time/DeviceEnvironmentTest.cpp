#include "core/time/DeviceEnvironment.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <optional>
#include <string>

using namespace Qt::StringLiterals;

namespace {

using fetemark::DeviceEnvironment;
using Variables = QHash<QString, QString>;

struct VariablesRow {
    std::string name;
    Variables variables;
    QString zoneOverride, localeOverride, systemZone, zone, locale;
    QStringList languages;
    bool systemZoneAsked;
};

class DeviceEnvironmentVariables : public testing::TestWithParam<VariablesRow> { };

TEST_P(DeviceEnvironmentVariables, ZoneLocaleLanguages)
{
    const auto& row = GetParam();
    int asked = 0;
    const DeviceEnvironment env =
        DeviceEnvironment::fromVariables(row.variables, row.zoneOverride, row.localeOverride, [&] {
            ++asked;
            return row.systemZone;
        });
    EXPECT_EQ(env.timeZoneId, row.zone);
    EXPECT_EQ(env.localeName, row.locale);
    EXPECT_EQ(env.preferredLanguages, row.languages);
    EXPECT_EQ(asked, row.systemZoneAsked ? 1 : 0);
}

const QString kSystem = u"Pacific/Auckland"_s;

INSTANTIATE_TEST_SUITE_P(DeviceEnvironmentZone, DeviceEnvironmentVariables,
    testing::Values(VariablesRow {"NothingSetUsesSystemZone", {}, {}, {}, kSystem, kSystem, "en_US",
                        {"en"}, true},
        VariablesRow {"NoSystemZoneIsUtc", {}, {}, {}, {}, "UTC", "en_US", {"en"}, true},
        VariablesRow {"TzWithColon", {{"TZ", ":Europe/Berlin"}}, {}, {}, kSystem, "Europe/Berlin",
            "en_US", {"en"}, false},
        VariablesRow {"TzZoneinfoPath", {{"TZ", "/usr/share/zoneinfo/Europe/Berlin"}}, {}, {},
            kSystem, "Europe/Berlin", "en_US", {"en"}, false},
        VariablesRow {"TzColonPosixPath", {{"TZ", ":/usr/share/zoneinfo/posix/Asia/Tokyo"}}, {}, {},
            kSystem, "Asia/Tokyo", "en_US", {"en"}, false},
        VariablesRow {
            "TzEmptyUsesSystem", {{"TZ", ""}}, {}, {}, kSystem, kSystem, "en_US", {"en"}, true},
        VariablesRow {"ZoneOverrideBeatsTz", {{"TZ", "Europe/Berlin"}}, "America/Sao_Paulo", {},
            kSystem, "America/Sao_Paulo", "en_US", {"en"}, false},
        VariablesRow {"BlankOverrideIgnored", {{"TZ", "Europe/Berlin"}}, "  ", {}, kSystem,
            "Europe/Berlin", "en_US", {"en"}, false}),
    fetemark::test::RowName());

INSTANTIATE_TEST_SUITE_P(DeviceEnvironmentLocale, DeviceEnvironmentVariables,
    testing::Values(VariablesRow {"LangWithEuro", {{"LANG", "de_DE@euro"}}, "UTC", {}, {}, "UTC",
                        "de_DE", {"de"}, false},
        VariablesRow {"LangWithCodesetAndEuro", {{"LANG", "fr_FR.ISO-8859-15@euro"}}, "UTC", {}, {},
            "UTC", "fr_FR", {"fr"}, false},
        VariablesRow {"LcAllBeatsOthers",
            {{"LC_ALL", "fr_FR.UTF-8"}, {"LC_TIME", "de_DE.UTF-8"}, {"LANG", "it_IT.UTF-8"}}, "UTC",
            {}, {}, "UTC", "fr_FR", {"fr"}, false},
        VariablesRow {"LcTimeBeatsLang", {{"LC_TIME", "de_DE.UTF-8"}, {"LANG", "it_IT.UTF-8"}},
            "UTC", {}, {}, "UTC", "de_DE", {"de"}, false},
        VariablesRow {"EmptyLcAllSkipped", {{"LC_ALL", ""}, {"LANG", "it_IT.UTF-8"}}, "UTC", {}, {},
            "UTC", "it_IT", {"it"}, false},
        VariablesRow {"CUtf8IsEnUs", {{"LC_ALL", "C.UTF-8"}, {"LANG", "de_DE.UTF-8"}}, "UTC", {},
            {}, "UTC", "en_US", {"en"}, false},
        VariablesRow {
            "PosixIsEnUs", {{"LANG", "POSIX"}}, "UTC", {}, {}, "UTC", "en_US", {"en"}, false},
        VariablesRow {"LocaleOverrideBeatsVariables", {{"LC_ALL", "fr_FR.UTF-8"}}, "UTC", "ja_JP",
            {}, "UTC", "ja_JP", {"ja"}, false},
        VariablesRow {"LocaleOverrideIsNormalised", {}, "UTC", "nl_NL.UTF-8", {}, "UTC", "nl_NL",
            {"nl"}, false}),
    fetemark::test::RowName());

INSTANTIATE_TEST_SUITE_P(DeviceEnvironmentLanguages, DeviceEnvironmentVariables,
    testing::Values(VariablesRow {"LanguageList", {{"LANG", "en_GB.UTF-8"}, {"LANGUAGE", "de:en"}},
                        "UTC", {}, {}, "UTC", "en_GB", {"de", "en"}, false},
        VariablesRow {"LanguageWithRegionKept", {{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "pt_BR:pt"}},
            "UTC", {}, {}, "UTC", "en_US", {"pt_BR", "pt"}, false},
        VariablesRow {"EmptyLanguageEntriesSkipped",
            {{"LANG", "en_US.UTF-8"}, {"LANGUAGE", ":fr::en:"}}, "UTC", {}, {}, "UTC", "en_US",
            {"fr", "en"}, false},
        VariablesRow {"OnlySeparatorsUsesLocale", {{"LANG", "ru_RU.UTF-8"}, {"LANGUAGE", "::"}},
            "UTC", {}, {}, "UTC", "ru_RU", {"ru"}, false},
        VariablesRow {"LocaleOverrideReplacesLanguageList", {{"LANGUAGE", "de:en"}}, "UTC", "fr_FR",
            {}, "UTC", "fr_FR", {"fr"}, false}),
    fetemark::test::RowName());

struct LanguageRow {
    std::string name;
    QStringList languages;
    QString expected;
};

class DeviceEnvironmentCurrentLanguage : public testing::TestWithParam<LanguageRow> { };

TEST_P(DeviceEnvironmentCurrentLanguage, TwoUpperCaseLetters)
{
    DeviceEnvironment env;
    env.preferredLanguages = GetParam().languages;
    EXPECT_EQ(env.currentLanguage(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(DeviceEnvironment, DeviceEnvironmentCurrentLanguage,
    testing::Values(LanguageRow {"FirstOfList", {"de", "en"}, "DE"},
        LanguageRow {"RegionDropped", {"pt_BR"}, "PT"}, LanguageRow {"EmptyList", {}, "EN"},
        LanguageRow {"EmptyFirstEntry", {"", "de"}, "EN"}),
    fetemark::test::RowName());

struct SystemFilesRow {
    std::string name;
    std::optional<QByteArray> timezoneFile;
    std::optional<QString> localtimeLink; // "@" stands for the root directory
    bool localtimeIsPlainFile;
    QString expected;
};

class DeviceEnvironmentSystemFiles : public testing::TestWithParam<SystemFilesRow> { };

TEST_P(DeviceEnvironmentSystemFiles, ZoneFromEtc)
{
    const auto& row = GetParam();
    fetemark::test::TempDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(u"etc"_s));
    const QString etc = root.file(u"etc"_s);
    const QString localtime = etc + u"/localtime"_s;
    ASSERT_TRUE(
        !row.timezoneFile || fetemark::test::writeFile(etc + u"/timezone"_s, *row.timezoneFile));
    ASSERT_TRUE(!row.localtimeLink ||
        QFile::link(QString(*row.localtimeLink).replace(u'@', root.path()), localtime));
    ASSERT_TRUE(!row.localtimeIsPlainFile || fetemark::test::writeFile(localtime, "TZif2"));
    EXPECT_EQ(DeviceEnvironment::zoneFromSystemFiles(root.path()), row.expected);
}

INSTANTIATE_TEST_SUITE_P(DeviceEnvironment, DeviceEnvironmentSystemFiles,
    testing::Values(SystemFilesRow {"TimezoneFile", QByteArray("Europe/Berlin\n"), std::nullopt,
                        false, "Europe/Berlin"},
        SystemFilesRow {"TimezoneFileBeatsLink", QByteArray("Europe/Berlin\n"),
            QString("/usr/share/zoneinfo/Asia/Tokyo"), false, "Europe/Berlin"},
        SystemFilesRow {"EmptyTimezoneFileFallsToLink", QByteArray("\n"),
            QString("/usr/share/zoneinfo/Asia/Tokyo"), false, "Asia/Tokyo"},
        SystemFilesRow {"RelativeLink", std::nullopt,
            QString("../usr/share/zoneinfo/Pacific/Auckland"), false, "Pacific/Auckland"},
        SystemFilesRow {"LinkIntoPosixTree", std::nullopt,
            QString("/usr/share/zoneinfo/posix/Europe/Paris"), false, "Europe/Paris"},
        SystemFilesRow {
            "LinkOutsideZoneinfo", std::nullopt, QString("@/somewhere/else"), false, ""},
        SystemFilesRow {"PlainLocaltimeFile", std::nullopt, std::nullopt, true, ""},
        SystemFilesRow {"Nothing", std::nullopt, std::nullopt, false, ""}),
    fetemark::test::RowName());

// TZ=":/etc/localtime" names no zone itself; the link it points at does.
TEST(DeviceEnvironmentTzPath, LinkOutsideZoneinfoIsFollowed)
{
    fetemark::test::TempDir dir;
    const QString link = dir.file(u"localtime"_s);
    ASSERT_TRUE(QFile::link(u"/usr/share/zoneinfo/Europe/Paris"_s, link));
    for (const auto& [tz, expected] :
        {std::pair<QString, const char*> {u':' + link, "Europe/Paris"},
            {dir.file(u"missing"_s), "Asia/Tokyo"}}) {
        const auto env = DeviceEnvironment::fromVariables(
            {{u"TZ"_s, tz}}, {}, {}, [] { return u"Asia/Tokyo"_s; });
        EXPECT_EQ(env.timeZoneId.toStdString(), expected) << tz.toStdString();
    }
}

// fromProcess reads the real environment; the variables are put back afterwards.
struct ScopedEnv {
    ScopedEnv(const char* name, const char* value)
        : name(name),
          old(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt)
    {
        qputenv(name, value);
    }
    ~ScopedEnv() { old ? qputenv(name, *old) : qunsetenv(name); }
    const char* name;
    std::optional<QByteArray> old;
};

TEST(DeviceEnvironmentFromProcess, ReadsProcessVariablesUnlessOverridden)
{
    const ScopedEnv tz("TZ", ":Europe/Berlin"), lcAll("LC_ALL", "de_DE.UTF-8"),
        language("LANGUAGE", "de:en");
    const DeviceEnvironment env = DeviceEnvironment::fromProcess();
    EXPECT_EQ(env.timeZoneId, u"Europe/Berlin"_s);
    EXPECT_EQ(env.localeName, u"de_DE"_s);
    EXPECT_EQ(env.preferredLanguages, (QStringList {u"de"_s, u"en"_s}));
    const DeviceEnvironment overridden =
        DeviceEnvironment::fromProcess(u"Asia/Tokyo"_s, u"ja_JP"_s);
    EXPECT_EQ(overridden.timeZoneId, u"Asia/Tokyo"_s);
    EXPECT_EQ(overridden.localeName, u"ja_JP"_s);
    EXPECT_EQ(overridden.preferredLanguages, QStringList {u"ja"_s});
}

} // namespace
