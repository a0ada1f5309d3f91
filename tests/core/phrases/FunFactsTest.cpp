// Zodiac signs, birthstones, anniversary gifts and the fun facts block of a page.
#include "core/phrases/FunFacts.h"

#include "core/records/OccasionRecord.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"
#include "core/time/Calendar.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace fetemark;

struct SignRow {
    int month, day;
    const char* sign;
};

void PrintTo(const SignRow& row, std::ostream* os)
{
    *os << row.month << '/' << row.day;
}

class ZodiacSigns : public testing::TestWithParam<SignRow> { };

TEST_P(ZodiacSigns, ByMonthAndDay)
{
    EXPECT_EQ(
        FunFacts::zodiacSignKey(GetParam().month, GetParam().day).toStdString(), GetParam().sign);
}

// One boundary between signs, the sign that spans New Year, a leap day, and days that do
// not exist.
INSTANTIATE_TEST_SUITE_P(Rows, ZodiacSigns,
    testing::Values(SignRow {3, 20, "Pisces"}, SignRow {3, 21, "Aries"},
        SignRow {12, 22, "Capricorn"}, SignRow {1, 1, "Capricorn"}, SignRow {1, 20, "Capricorn"},
        SignRow {1, 21, "Aquarius"}, SignRow {2, 29, "Pisces"}, SignRow {2, 30, ""},
        SignRow {4, 31, ""}, SignRow {0, 5, ""}, SignRow {13, 1, ""}, SignRow {6, 0, ""}),
    [](const auto& info) { return test::rowName("M", info.param.month, "D", info.param.day); });

struct GiftRow {
    int years;
    const char* american;
    const char* british;
    const char* modern;
};

void PrintTo(const GiftRow& row, std::ostream* os)
{
    *os << row.years;
}

class AnniversaryGifts : public testing::TestWithParam<GiftRow> { };

TEST_P(AnniversaryGifts, ByYearAndCountry)
{
    const GiftRow& row = GetParam();
    EXPECT_EQ(FunFacts::traditionalAnniversaryKey(row.years, QStringLiteral("US")).toStdString(),
        row.american);
    EXPECT_EQ(FunFacts::traditionalAnniversaryKey(row.years, QStringLiteral("GB")).toStdString(),
        row.british);
    EXPECT_EQ(FunFacts::traditionalAnniversaryKey(row.years, QStringLiteral("IE")).toStdString(),
        row.british);
    EXPECT_EQ(FunFacts::traditionalAnniversaryKey(row.years, QStringLiteral("AU")).toStdString(),
        row.american);
    EXPECT_EQ(FunFacts::modernAnniversaryKey(row.years).toStdString(), row.modern);
}

// A year the countries disagree on, a year between the listed ones, and no year.
INSTANTIATE_TEST_SUITE_P(Rows, AnniversaryGifts,
    testing::Values(GiftRow {1, "Paper", "Cotton", "Clocks"}, GiftRow {26, "None", "None", "None"},
        GiftRow {-1, "None", "None", "None"}),
    [](const auto& info) { return test::rowName("Year", info.param.years); });

TEST(Birthstones, EveryMonthHasItsStone)
{
    const Texts texts(QStringLiteral("EN"));
    const Calendar calendar(QStringLiteral("Pacific/Auckland"));
    const FunFacts facts(texts, calendar, QStringLiteral("US"));
    EXPECT_EQ(facts.birthstone(calendar.date(1990, 1, 31)), QStringLiteral("Garnet"));
    EXPECT_EQ(facts.birthstone(calendar.date(1604, 3, 1)), QStringLiteral("Aquamarine, Bloodstone"))
        << "a day without year has its stone";
    EXPECT_EQ(facts.birthstone(calendar.date(1990, 12, 1)),
        QStringLiteral("Blue Topaz, Turquoise, Tanzanite"));
    EXPECT_EQ(FunFacts::birthstoneKey(13), QString());
    EXPECT_EQ(facts.birthstone(QDateTime()), QString());
}

// The month and day are those of the device's zone: midnight of 21 March in Auckland is
// still 20 March in UTC.
TEST(ZodiacSigns, ReadInTheDeviceZone)
{
    const Texts texts(QStringLiteral("EN"));
    const Calendar calendar(QStringLiteral("Pacific/Auckland"));
    const FunFacts facts(texts, calendar, QStringLiteral("NZ"));
    EXPECT_EQ(facts.zodiacSign(calendar.date(1990, 3, 21)), QStringLiteral("Aries"));
    EXPECT_EQ(facts.zodiacSign(calendar.date(1604, 2, 29)), QStringLiteral("Pisces"));
}

struct Page {
    test::TempDir dir;
    Settings settings {dir.file(QStringLiteral("Preferences.plist"))};
    Texts texts;
    Calendar calendar {QStringLiteral("Europe/London")};

    explicit Page(const char* language = "EN") : texts(QString::fromLatin1(language))
    {
        settings.registerDefaults({{QString(Key::ShowFunFacts), true}});
    }
};

TEST(FunFactsBlock, BirthdayAnniversaryHolidayAndOther)
{
    Page page;
    OccasionRecord birthday;
    birthday.type = OccasionRecord::Birthday;
    birthday.rawDate = page.calendar.date(1604, 9, 24);
    const FunFacts us(page.texts, page.calendar, QStringLiteral("US"));
    EXPECT_EQ(us.createViewForFunFacts(birthday),
        QStringLiteral("Zodiac Sign: Libra\nBirthstone: Sapphire"));

    OccasionRecord anniversary;
    anniversary.type = OccasionRecord::Anniversary;
    anniversary.age = 1;
    EXPECT_EQ(us.createViewForFunFacts(anniversary),
        QStringLiteral("Traditional: Paper\nModern: Clocks"));
    const FunFacts gb(page.texts, page.calendar, QStringLiteral("GB"));
    EXPECT_EQ(gb.createViewForFunFacts(anniversary),
        QStringLiteral("Traditional: Cotton\nModern: Clocks"));
    anniversary.age = 0; // this year's wedding, or a date without year
    EXPECT_EQ(
        us.createViewForFunFacts(anniversary), QStringLiteral("Traditional: None\nModern: None"));

    OccasionRecord fake;
    fake.type = OccasionRecord::OtherDate;
    fake.fakeAnniversary = true;
    fake.age = 25;
    EXPECT_EQ(us.createViewForFunFacts(fake),
        QStringLiteral("Traditional: Silver\nModern: Sterling silver"));

    OccasionRecord holiday;
    holiday.type = OccasionRecord::Holiday;
    holiday.isHoliday = true;
    holiday.holidayInfo = QStringLiteral("The longest night.");
    EXPECT_EQ(us.createViewForFunFacts(holiday), QStringLiteral("The longest night."));

    OccasionRecord other;
    other.type = OccasionRecord::OtherDate;
    other.rawDate = page.calendar.date(2000, 1, 1);
    EXPECT_EQ(us.createViewForFunFacts(other), QString());
}

TEST(FunFactsBlock, InGerman)
{
    Page page("DE");
    OccasionRecord birthday;
    birthday.type = OccasionRecord::Birthday;
    birthday.rawDate = page.calendar.date(1980, 12, 25);
    const FunFacts facts(page.texts, page.calendar, QStringLiteral("DE"));
    const QString text = facts.createViewForFunFacts(birthday);
    EXPECT_TRUE(text.contains(QStringLiteral("Steinbock"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Capricorn"))) << text.toStdString();
}

struct ShowRow {
    const char* name;
    int type;
    bool fakeBirthday;
    bool fakeAnniversary;
    bool setting;
    bool shown;
};

void PrintTo(const ShowRow& row, std::ostream* os)
{
    *os << row.name;
}

class ShowFunFacts : public testing::TestWithParam<ShowRow> { };

TEST_P(ShowFunFacts, ByTypeAndSetting)
{
    const ShowRow& row = GetParam();
    Page page;
    page.settings.setValue(QString(Key::ShowFunFacts), row.setting);
    OccasionRecord r;
    r.type = row.type;
    r.fakeBirthday = row.fakeBirthday;
    r.fakeAnniversary = row.fakeAnniversary;
    EXPECT_EQ(FunFacts::showFunFacts(r, page.settings), row.shown);
}

INSTANTIATE_TEST_SUITE_P(Rows, ShowFunFacts,
    testing::Values(ShowRow {"BirthdayOn", 0, false, false, true, true},
        ShowRow {"BirthdayOff", 0, false, false, false, false},
        ShowRow {"HolidayOn", 3, false, false, true, true},
        ShowRow {"OtherOnNeverShows", 2, false, false, true, false},
        ShowRow {"FakeBirthdayOn", 2, true, false, true, true},
        ShowRow {"FakeAnniversaryOn", 2, false, true, true, true},
        ShowRow {"FakeAnniversaryOff", 2, false, true, false, false}),
    test::RowName());

} // namespace
