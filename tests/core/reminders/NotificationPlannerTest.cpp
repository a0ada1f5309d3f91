// The schedule of reminders worked out from records: which days get a badge and an
// alert, their texts at every wordiness, and the limits of the 91-day walk.
#include "core/reminders/NotificationPlanner.h"
#include "core/database/OccasionCalculator.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"
#include "core/time/Calendar.h"
#include "core/time/Clock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTimeZone>

#include <string>
#include <vector>

using namespace fetemark;

namespace {

enum Flag : unsigned {
    Holiday = 1,
    AlertsOff = 2,
    IgnoredUpcoming = 4,
    Custom = 8,
    Facebook = 16,
    IgnoredFb = 32
};

struct Occ {
    int type;
    const char* name;
    int month;
    int day;
    unsigned flags = 0;
};

OccasionRecordPtr record(const Occ& o, const OccasionCalculator& calc, const Calendar& cal)
{
    auto r = std::make_shared<OccasionRecord>();
    r->type = o.type;
    r->name = QString::fromUtf8(o.name);
    r->firstName = r->name.section(u' ', 0, 0);
    r->rawDate = cal.date(1980, o.month, o.day);
    r->isHoliday = o.flags & Holiday;
    r->alertsOff = o.flags & AlertsOff;
    r->isCustomEntry = o.flags & Custom;
    r->isFacebookEntry = o.flags & Facebook;
    r->isIgnoredFacebook = o.flags & IgnoredFb;
    calc.calculate(*r);
    r->ignoreForUpcoming = o.flags & IgnoredUpcoming;
    return r;
}

// "2026-03-05 12:00 2 Today: ..." in the zone's wall time, line feeds as " / ".
std::string describe(const LocalNotification& n, const Calendar& cal)
{
    std::string s = n.fireDate.toTimeZone(QTimeZone(cal.timeZoneId().toUtf8()))
                        .toString(QStringLiteral("yyyy-MM-dd HH:mm "))
                        .toStdString() +
        std::to_string(n.applicationIconBadgeNumber);
    if (!n.alertBody.isEmpty())
        s += " " + QString(n.alertBody).replace(u'\n', QStringLiteral(" / ")).toStdString();
    if (!n.soundName.isEmpty())
        s += " ~" + n.soundName.toStdString();
    EXPECT_EQ(n.timeZone, cal.timeZoneId());
    return s;
}

struct Fixture {
    test::TempDir dir;
    Settings settings {dir.file(QStringLiteral("Preferences.plist"))};
    Texts texts {QStringLiteral("EN")};
    Calendar cal;
    FixedClock clock;

    Fixture(const char* zone, const char* now, const std::vector<std::pair<const char*, int>>& set)
        : cal(QString::fromLatin1(zone)),
          clock(FixedClock::parseLocalTime(QString::fromLatin1(now), cal))
    {
        settings.registerDefaults(registeredDefaults());
        settings.setValue(QString(Key::AlertTimeHour), 12);
        settings.setValue(QString(Key::AlertTimeMinute), 0);
        settings.setValue(QString(Key::AlertSound), 0);
        for (const auto& [key, value] : set)
            settings.setValue(QString::fromLatin1(key), value);
    }
    std::vector<OccasionRecordPtr> records(const std::vector<Occ>& occs) const
    {
        const OccasionCalculator calc(cal, clock.now(), settings);
        std::vector<OccasionRecordPtr> out;
        for (const Occ& o : occs)
            out.push_back(record(o, calc, cal));
        return out;
    }
    std::vector<std::string> schedule(const std::vector<Occ>& occs) const
    {
        std::vector<std::string> out;
        for (const auto& n : wantedLocalNotifications(records(occs), settings, clock, cal, texts))
            out.push_back(describe(n, cal));
        return out;
    }
};

struct ScheduleRow {
    const char* name;
    const char* zone;
    const char* now;
    std::vector<std::pair<const char*, int>> settings;
    std::vector<Occ> occasions;
    std::vector<std::string> expected;
};

const Occ Anna {0, "Anna Berg", 3, 12}, Carl {1, "Carl Dahl", 3, 12}, Eva {0, "Eva Falk", 3, 19};
const Occ AnnaToday {0, "Anna Berg", 3, 5};
const std::pair<const char*, int> W0 {"upcomingwindow", 0}, Mode0 {"1146", 0};

const ScheduleRow scheduleRows[] = {
    {"NoOccasionsOneClearingBadge", "Europe/Berlin", "2026-03-05T10:00", {}, {},
        {"2026-03-06 00:00 -1"}},
    {"WeekAheadExample", "Europe/Berlin", "2026-03-05T10:00",
        {{"upcomingwindow", 7}, Mode0, {"alertsound", 3}}, {Anna, Carl, Eva},
        {"2026-03-05 12:00 -1 In 1 Week: Anna Berg's Birthday, Carl Dahl's Anniversary ~3.wav",
            "2026-03-12 00:00 2",
            "2026-03-12 12:00 2 Today: Anna Berg's Birthday, Carl Dahl's Anniversary / In 1 Week: "
            "Eva Falk's Birthday ~3.wav",
            "2026-03-13 00:00 -1", "2026-03-19 00:00 1",
            "2026-03-19 12:00 1 Today: Eva Falk's Birthday ~3.wav", "2026-03-20 00:00 -1"}},
    // Counting ahead: the badge holds every occasion of the window.
    {"BadgeCountsTheWindow", "Europe/Berlin", "2026-03-10T13:00",
        {{"upcomingwindow", 2}, {"alerttype", 1}}, {Anna, Carl, Eva},
        {"2026-03-11 00:00 2",
            "2026-03-12 12:00 2 Today: Anna Berg's "
            "Birthday, Carl Dahl's Anniversary",
            "2026-03-13 00:00 -1", "2026-03-17 00:00 1",
            "2026-03-19 12:00 1 Today: Eva Falk's "
            "Birthday",
            "2026-03-20 00:00 -1"}},
    {"WindowZero", "Europe/Berlin", "2026-03-05T10:00", {W0}, {AnnaToday, Carl},
        {"2026-03-05 12:00 1 Today: Anna Berg's Birthday", "2026-03-06 00:00 -1",
            "2026-03-12 00:00 1", "2026-03-12 12:00 1 Today: Carl Dahl's Anniversary",
            "2026-03-13 00:00 -1"}},
    {"AlertTypeZeroOnlyBadges", "Europe/Berlin", "2026-03-10T10:00",
        {{"alerttype", 0}, {"upcomingwindow", 3}, Mode0}, {Anna, Carl},
        {"2026-03-11 00:00 -1", "2026-03-12 00:00 2", "2026-03-13 00:00 -1"}},
    {"BadgeOffAlertsCarryNone", "Europe/Berlin", "2026-03-05T10:00", {W0, {"showcount", 0}},
        {AnnaToday}, {"2026-03-05 12:00 0 Today: Anna Berg's Birthday"}},
    {"AlertSixtySecondsAwayIsLate", "Europe/Berlin", "2026-03-05T11:59:00", {W0, Mode0},
        {AnnaToday}, {"2026-03-06 00:00 -1"}},
    {"AlertSixtyOneSecondsAway", "Europe/Berlin", "2026-03-05T11:58:59", {W0, Mode0}, {AnnaToday},
        {"2026-03-05 12:00 1 Today: Anna Berg's Birthday", "2026-03-06 00:00 -1"}},
    // Clocks go forward on 29 March: fire dates keep their wall-clock times.
    {"DaylightSavingChange", "Europe/Berlin", "2026-03-27T10:00",
        {W0, {"alerttimehour", 9}, {"alerttimeminute", 30}}, {{0, "Anna Berg", 3, 30}},
        {"2026-03-28 00:00 -1", "2026-03-30 00:00 1",
            "2026-03-30 09:30 1 Today: Anna Berg's "
            "Birthday",
            "2026-03-31 00:00 -1"}},
    {"LeapDay", "America/New_York", "2028-02-27T10:00", {{"upcomingwindow", 1}, Mode0},
        {{0, "Anna Berg", 2, 29}, {1, "Carl Dahl", 3, 1}},
        {"2028-02-28 00:00 -1", "2028-02-28 12:00 -1 Tomorrow: Anna Berg's Birthday",
            "2028-02-29 00:00 1",
            "2028-02-29 12:00 1 Today: Anna Berg's Birthday / Tomorrow: Carl Dahl's Anniversary",
            "2028-03-01 12:00 1 Today: Carl Dahl's Anniversary", "2028-03-02 00:00 -1"}},
    {"SourcesSwitchedOffDropOut", "Europe/Berlin", "2026-03-05T10:00",
        {W0, {"0378", 0}, {"811A", 0}, {"800A", 0}},
        {{0, "Ann", 3, 5, AlertsOff}, {3, "Fest", 3, 5, Holiday}, {0, "Cid", 3, 5, Custom},
            {0, "Fay", 3, 5, Facebook}, {0, "Ida", 3, 5, IgnoredUpcoming}, {0, "Gus", 3, 5}},
        {"2026-03-05 12:00 1 Today: Gus's Birthday", "2026-03-06 00:00 -1"}},
    {"SourcesSwitchedOnCount", "Europe/Berlin", "2026-03-05T10:00",
        {W0, {"0378", 1}, {"811A", 1}, {"800A", 1}},
        {{3, "Fest", 3, 5, Holiday}, {0, "Cid", 3, 5, Custom}, {0, "Fay", 3, 5, Facebook},
            {0, "Ugo", 3, 5, IgnoredFb | Facebook}},
        {"2026-03-05 12:00 3 Today: Fest, Cid's Birthday, Fay's Birthday", "2026-03-06 00:00 -1"}},
};

class Schedule : public ::testing::TestWithParam<ScheduleRow> { };

TEST_P(Schedule, HoldsTheDaysBadgesAndAlerts)
{
    const ScheduleRow& row = GetParam();
    const Fixture f(row.zone, row.now, row.settings);
    EXPECT_EQ(f.schedule(row.occasions), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    NotificationPlanner, Schedule, ::testing::ValuesIn(scheduleRows), test::RowName());

// Every day's badge differs, so each day makes two: the walk stops at 47.
TEST(NotificationPlanner, StopsOnceMoreThan45AreMade)
{
    const Fixture f("Europe/Berlin", "2026-03-05T10:00", {W0, Mode0});
    std::vector<Occ> occs;
    std::vector<std::string> names;
    names.reserve(200); // the records keep pointers to the names
    for (int d = 0; d < 91; ++d) {
        for (int i = 0; i <= d % 2; ++i) {
            names.push_back("P" + std::to_string(d) + "x" + std::to_string(i));
            const DateParts day = f.cal.components(f.cal.addDays(f.clock.now(), d));
            occs.push_back({0, names.back().c_str(), day.month, day.day});
        }
    }
    const std::vector<std::string> got = f.schedule(occs);
    ASSERT_EQ(got.size(), 47u);
    EXPECT_EQ(got.back(), "2026-03-28 12:00 2 Today: P23x0's Birthday, P23x1's Birthday");
}

struct PrefixRow {
    const char* name;
    int days;
    bool daysOnly;
    const char* expected;
};

const PrefixRow prefixRows[] = {
    {"One", 1, false, "Tomorrow: "},
    {"Seven", 7, false, "In 1 Week: "},
    {"Fourteen", 14, false, "In 2 Weeks: "},
    {"ThirtyOne", 31, false, "In 1 Month: "},
    {"Five", 5, false, "In 5 Days: "},
    {"OneDaysOnly", 1, true, "Tomorrow: "},
    {"SevenDaysOnly", 7, true, "In 7 Days: "},
    {"FourteenDaysOnly", 14, true, "In 14 Days: "},
    {"ThirtyOneDaysOnly", 31, true, "In 31 Days: "},
    {"FiveDaysOnly", 5, true, "In 5 Days: "},
};

class Prefix : public ::testing::TestWithParam<PrefixRow> { };

TEST_P(Prefix, TellsTheDistance)
{
    NotificationSettings settings;
    settings.daysOnly = GetParam().daysOnly;
    const Texts texts(QStringLiteral("EN"));
    const Calendar cal(QStringLiteral("UTC"));
    EXPECT_EQ(NotificationPlanner(settings, cal, texts).daysAway(GetParam().days).toStdString(),
        GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    NotificationPlanner, Prefix, ::testing::ValuesIn(prefixRows), test::RowName());

OccasionRecordPtr made(int type, const char* name, const char* first, const char* label = "")
{
    auto r = std::make_shared<OccasionRecord>();
    r->type = type;
    r->name = QString::fromUtf8(name);
    r->firstName = QString::fromUtf8(first);
    r->otherDateLabel = QString::fromUtf8(label);
    return r;
}

// Smart labels: "Birthday Max" on Anna's card, "Birthday" alone on it, "Wedding
// anniversary" on it.
OccasionRecordPtr smart(const char* rest, bool birthday)
{
    auto r = made(2, "Anna Berg", "Anna", birthday ? "Birthday" : "Wedding anniversary");
    r->fakeBirthday = birthday;
    r->fakeAnniversary = !birthday;
    r->smartLabel = QString::fromUtf8(rest);
    r->originalName = QStringLiteral("Anna Berg");
    if (!birthday)
        r->name = QStringLiteral("Anna Berg (Wedding)");
    else if (*rest)
        r->name = QString::fromUtf8(rest).trimmed();
    return r;
}

const std::vector<OccasionRecordPtr> four {made(0, "Anna Berg", "Anna"),
    made(1, "Carl Dahl", "Carl"), made(2, "Eva Falk", "Eva", "Graduation"),
    made(2, "Gus\nHolm", "")};
const std::vector<OccasionRecordPtr> smartOnes {
    smart(" Max ", true), smart("", true), smart(" Wedding", false)};

struct LineRow {
    const char* name;
    const std::vector<OccasionRecordPtr>* records;
    bool generic;
    bool showOccurrence;
    int wordy;
    const char* expected;
};

const LineRow lineRows[] = {
    {"FullNames", &four, false, true, 200,
        "X: Anna Berg's Birthday, Carl Dahl's Anniversary, Eva Falk (other), Gus Holm"},
    {"FirstNames", &four, false, true, 100,
        "X: Anna's Birthday, Carl's Anniversary, Eva (other), Gus Holm"},
    {"Kinds", &four, false, true, 1,
        "X: Anna (birthday), Carl (anniversary), Eva (Graduation), Gus Holm (other)"},
    {"ShortKinds", &four, false, true, 0,
        "X: Anna (bday), Carl (anniv), Eva (other), Gus Holm (other)"},
    {"NamesOnly", &four, false, false, 0, "X: Anna, Carl, Eva, Gus Holm"},
    {"Count", &four, true, false, 0, "X: 4 Occasions"},
    {"SmartFullNames", &smartOnes, false, true, 200,
        "X: Max's Birthday, Anna Berg's Birthday, Anna Berg's Anniversary"},
    {"SmartFirstNames", &smartOnes, false, true, 100,
        "X: Max's Birthday, Anna's Birthday, Anna's Anniversary"},
    {"SmartShortKinds", &smartOnes, false, true, 0, "X: Max (bday), Anna (bday), Anna (anniv)"},
};

class Line : public ::testing::TestWithParam<LineRow> { };

TEST_P(Line, NamesEachOccasion)
{
    const LineRow& row = GetParam();
    const Texts texts(QStringLiteral("EN"));
    const Calendar cal(QStringLiteral("UTC"));
    const NotificationPlanner planner({}, cal, texts);
    DayRecords records;
    for (const auto& r : *row.records)
        records.push_back(r.get());
    EXPECT_EQ(planner
                  .getNotificationLine(records, QStringLiteral("P"), QStringLiteral("X: "),
                      row.generic, row.showOccurrence, row.wordy)
                  .toStdString(),
        "P\n" + std::string(row.expected));
    EXPECT_EQ(planner.getNotificationLine({}, QStringLiteral("P"), QStringLiteral("X: "),
                  row.generic, row.showOccurrence, row.wordy),
        QStringLiteral("P"));
}

INSTANTIATE_TEST_SUITE_P(NotificationPlanner, Line, ::testing::ValuesIn(lineRows), test::RowName());

// Too long for step 1, the first names fit; a box that never fits leaves the counts.
TEST(NotificationPlanner, AlertTextFallsBackUntilItFits)
{
    const Texts texts(QStringLiteral("EN"));
    const Calendar cal(QStringLiteral("UTC"));
    NotificationSettings settings;
    settings.upcomingWindow = 7;
    NotificationPlanner planner(settings, cal, texts);
    std::vector<OccasionRecordPtr> kept;
    DayRecords today;
    for (int i = 0; i < 8; ++i) {
        kept.push_back(made(0, "Bartholomew Featherstonehaugh-Smithson", "Bartholomew"));
        today.push_back(kept.back().get());
    }
    const DayRecords ahead {four[0].get()};
    QString expected = QStringLiteral("Today: ");
    for (int i = 0; i < 8; ++i)
        expected +=
            (i ? QStringLiteral(", ") : QString()) + QStringLiteral("Bartholomew's Birthday");
    EXPECT_EQ(
        planner.alertText(today, ahead), expected + QStringLiteral("\nIn 1 Week: Anna's Birthday"));
    planner.setTallerThanBox([](const QString&) { return true; });
    EXPECT_EQ(planner.alertText({today.begin(), today.begin() + 2}, ahead),
        QStringLiteral("Today: 2 Occasions\nIn 1 Week: 1 Occasion"));
}

} // namespace
