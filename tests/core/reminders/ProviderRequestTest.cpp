// The reminder-service request: every field in order and format, the escaping of values,
// the settings digest, the day list and the decision to send.
#include "core/reminders/ProviderRequest.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QUrl>

#include <utility>
#include <vector>

using namespace fetemark;

namespace {

using Values = std::vector<std::pair<const char*, QVariant>>;

// The example settings whose digest is 01000000000011001000000000100110011EN.
const Values DigestExample {{"shownotes", 1}, {"BEE9", 0}, {"applicationtheme", 0}, {"1100", 0},
    {"showphotos", 1}, {"showsearch", 1}, {"1145", 0}, {"showfunfacts", 1}, {"811A", 1},
    {"800A", 0}, {"04H0", 0}, {"largerows", 1}, {"showmonthheaders", 1}, {"showprefixsuffix", 0},
    {"showmiddlename", 0}, {"firstnamefirst", 1}, {"showconnectionerror", 1}};

struct Fixture {
    test::TempDir dir;
    Settings settings {dir.file(QStringLiteral("Preferences.plist"))};
    ProviderDevice device {QStringLiteral("<a1b2c3d4 e5f60718>"), true, 7,
        QStringLiteral("Release"), QStringLiteral("ThinkPad"), QStringLiteral("12"),
        QStringLiteral("1.0"), QStringLiteral("Europe/Berlin"), {QStringLiteral("en-GB")}};

    explicit Fixture(const Values& values = {})
    {
        settings.registerDefaults(registeredDefaults());
        for (const auto& [key, value] : DigestExample)
            settings.setValue(QString::fromLatin1(key), value);
        for (const auto& [key, value] : values)
            settings.setValue(QString::fromLatin1(key), value);
    }
    QString url(const DayCounts& days = {}) const
    {
        return QString::fromLatin1(ProviderRequest::url(
            QStringLiteral("https://reminders.example.org"), device, settings, days));
    }
};

// A field's value as sent, and as a PHP service reads it back ("+" is a space there).
QString field(const QString& url, const QString& name)
{
    const auto m = QRegularExpression(QStringLiteral("[?&]%1=([^&]*)").arg(name)).match(url);
    return m.hasMatch() ? m.captured(1) : QStringLiteral("<missing>");
}
QString received(const QString& sent)
{
    return QUrl::fromPercentEncoding(QString(sent).replace(u'+', u' ').toLatin1());
}

} // namespace

TEST(ProviderRequest, FieldsInOrderWithTheirFormats)
{
    Fixture f({{"978B", QStringLiteral("anna@example.org")}, {"67E0", QStringLiteral("TOKEN")},
        {"0EA3", true}, {"alerttype", 3}, {"alerttimehour", 9}, {"alerttimeminute", 5},
        {"upcomingwindow", 14}, {"showcount", true}, {"1146", 1}});
    EXPECT_EQ(f.url({{QStringLiteral("4F2B5C80"), 2}, {QStringLiteral("4F2CAE00"), 1}}),
        QStringLiteral(
            "https://reminders.example.org/fetemark_request200.php?dt=%3Ca1b2c3d4e5f60718%3E"
            "&eb=&p=56&et=TOKEN&ea=anna@example.org&eo=1"
            "&md=01000000000011001000000000100110011EN&m=01&rd=0&re=00&db=Release"
            "&devicetype=ThinkPad&osversion=12&version=1.0&alerts=3"
            "&timeZone=Europe/Berlin&hour=9&minute=5&types=7&window=14"
            "&dates=4F2B5C80.2,4F2CAE00.1"));
}

struct FieldRow {
    const char* name;
    Values settings;
    std::function<void(ProviderDevice&)> device;
    const char* field;
    const char* sent;
    const char* read; // what the service reads back; null: the same as sent
};

class ProviderField : public testing::TestWithParam<FieldRow> { };

TEST_P(ProviderField, SentAndReadBack)
{
    const FieldRow& row = GetParam();
    Fixture f(row.settings);
    if (row.device)
        row.device(f.device);
    const QString sent = field(f.url(), QString::fromLatin1(row.field));
    EXPECT_EQ(sent, QString::fromUtf8(row.sent));
    EXPECT_EQ(received(sent), QString::fromUtf8(row.read ? row.read : row.sent));
}

const auto setModel = [](const char* v) {
    return [v](ProviderDevice& d) { d.deviceModel = QString::fromUtf8(v); };
};

INSTANTIATE_TEST_SUITE_P(Rows, ProviderField,
    testing::Values(
        FieldRow {"DigestExample", {}, {}, "md", "01000000000011001000000000100110011EN", nullptr},
        FieldRow {"DigestWithoutLanguage", {{"applicationtheme", 12}, {"1100", 1}},
            [](ProviderDevice& d) { d.languages.clear(); }, "md",
            "01000000012111001000000000100110011XX", nullptr},
        FieldRow {"TokenSpacesRemovedBracketsEscaped", {},
            [](ProviderDevice& d) { d.deviceToken = QStringLiteral("<ab 12 cd>"); }, "dt",
            "%3Cab12cd%3E", "<ab12cd>"},
        FieldRow {
            "NoToken", {}, [](ProviderDevice& d) { d.deviceToken.clear(); }, "dt", "", nullptr},
        FieldRow {
            "ModelWithSpace", {}, setModel("Think Pad"), "devicetype", "Think%20Pad", "Think Pad"},
        FieldRow {"EmptyModelUnknown", {}, setModel(""), "devicetype", "Unknown", nullptr},
        FieldRow {"AddressCutAtAmpersand", {{"978B", QStringLiteral("a@x.org&b@y.org")}}, {}, "ea",
            "a@x.org", nullptr},
        FieldRow {"AddressLeadingSemicolonWhole", {{"978B", QStringLiteral(";a@x.org")}}, {}, "ea",
            ";a@x.org", nullptr},
        FieldRow {"BackupAddressWithAmpersandEqualsHash",
            {{"9878", QStringLiteral("a&b=c#d@example.org")}}, {}, "eb",
            "a%26b%3Dc%23d@example.org", "a&b=c#d@example.org"},
        FieldRow {"TokenWithSpacePlusPercent", {{"67E0", QStringLiteral("AB CD+1%")}}, {}, "et",
            "AB%20CD%2B1%25", "AB CD+1%"},
        FieldRow {"TypesCountOff", {{"showcount", false}}, {}, "types", "6", nullptr},
        FieldRow {"TypesDayOnly", {{"showcount", true}, {"1146", 0}}, {}, "types", "15", nullptr},
        FieldRow {"EmailAlertsOff", {{"0EA3", false}}, {}, "eo", "0", nullptr},
        FieldRow {"NoDates", {}, {}, "dates", "", nullptr}),
    test::RowName());

TEST(ProviderRequest, DaysCountedOverTheScheduleSelection)
{
    Fixture f({{"0378", false}, {"811A", true}});
    const auto rec = [](const char* key, bool holiday, bool alertsOff) {
        auto r = std::make_shared<OccasionRecord>();
        r->notificationDate = QString::fromLatin1(key);
        r->isHoliday = holiday;
        r->alertsOff = alertsOff;
        return r;
    };
    const DayCounts days =
        ProviderRequest::dayCounts({rec("4F2B5C80", false, false), rec("4F2B5C80", false, false),
                                       rec("4F2B5C80", true, false), rec("4F2CAE00", false, false),
                                       rec("4F2CAE00", false, true), rec("50000000", false, true)},
            f.settings);
    EXPECT_EQ(ProviderRequest::dayList(days), QStringLiteral("4F2B5C80.2,4F2CAE00.1"));
}

struct SendRow {
    const char* name;
    bool token, aps;
    int types;
    bool pending; // "78EE"
    bool send;
};

class ProviderDecision : public testing::TestWithParam<SendRow> { };

TEST_P(ProviderDecision, SendsOnlyWhenHeardOf)
{
    const SendRow& row = GetParam();
    Fixture f({{"78EE", row.pending}});
    f.device.deviceToken = row.token ? QStringLiteral("<ab>") : QString();
    f.device.apsAvailable = row.aps;
    f.device.apsAlertTypes = row.types;
    EXPECT_EQ(ProviderRequest::shouldSend(f.device, f.settings), row.send);
}

INSTANTIATE_TEST_SUITE_P(Rows, ProviderDecision,
    testing::Values(SendRow {"PushWithKinds", true, true, 7, false, true},
        SendRow {"PushAllKindsOff", true, true, 0, false, false},
        SendRow {"PushAllKindsOffPending", true, true, 0, true, true},
        SendRow {"NoTokenPending", false, true, 7, true, true},
        SendRow {"NoToken", false, true, 7, false, false},
        SendRow {"NotRegistered", true, false, 7, false, false}),
    test::RowName());

struct BaseRow {
    const char* name;
    const char* configured;
    const char* base; // empty: refused
};

class ProviderServiceBase : public testing::TestWithParam<BaseRow> { };

TEST_P(ProviderServiceBase, SchemeAndHostOnly)
{
    QString error;
    const QString base =
        ProviderRequest::serviceBase(QString::fromLatin1(GetParam().configured), &error);
    EXPECT_EQ(base, QString::fromLatin1(GetParam().base));
    EXPECT_EQ(error.isEmpty(), !base.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Rows, ProviderServiceBase,
    testing::Values(
        BaseRow {"Https", "https://reminders.example.org", "https://reminders.example.org"},
        BaseRow {"PortAndSlash", "http://127.0.0.1:8180/", "http://127.0.0.1:8180"},
        BaseRow {"WithPath", "https://example.org/api", ""},
        BaseRow {"OtherScheme", "ftp://example.org", ""}, BaseRow {"Empty", "", ""}),
    test::RowName());
