#include "FunFacts.h"

#include "core/records/OccasionRecord.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"

#include <array>

namespace fetemark {
namespace {

const QString ZodiacTable = QStringLiteral("Zodiac");
const QString BirthstonesTable = QStringLiteral("Birthstones");
const QString GiftsTable = QStringLiteral("Gifts");
const QString NoGift = QStringLiteral("None");

struct Sign {
    const char* key;
    int fromMonth, fromDay, toMonth, toDay;
};

// Inclusive ranges, tested in this order; Capricorn is the one that spans New Year.
constexpr std::array<Sign, 12> kSigns {{
    {"Aries", 3, 21, 4, 20},
    {"Taurus", 4, 21, 5, 21},
    {"Gemini", 5, 22, 6, 21},
    {"Cancer", 6, 22, 7, 22},
    {"Leo", 7, 23, 8, 21},
    {"Virgo", 8, 22, 9, 23},
    {"Libra", 9, 24, 10, 22},
    {"Scorpio", 10, 23, 11, 21},
    {"Sagittarius", 11, 22, 12, 21},
    {"Capricorn", 12, 22, 1, 20},
    {"Aquarius", 1, 21, 2, 19},
    {"Pisces", 2, 20, 3, 20},
}};

struct Stone {
    const char* month;
    const char* english;
};

constexpr std::array<Stone, 12> kStones {{
    {"January", "Garnet"},
    {"February", "Amethyst"},
    {"March", "Aquamarine, Bloodstone"},
    {"April", "Diamond"},
    {"May", "Emerald"},
    {"June", "Pearl, Moonstone, Alexandrite"},
    {"July", "Ruby"},
    {"August", "Peridot, Sardonyx"},
    {"September", "Sapphire"},
    {"October", "Opal, Tourmaline"},
    {"November", "Yellow Topaz, Citrine"},
    {"December", "Blue Topaz, Turquoise, Tanzanite"},
}};

struct Gifts {
    int years;
    const char* american;
    const char* british;
    const char* modern;
};

constexpr std::array<Gifts, 34> kGifts {{
    {1, "Paper", "Cotton", "Clocks"},
    {2, "Cotton", "Paper", "China"},
    {3, "Leather", "Leather", "CrystalGlass"},
    {4, "LinenSilk", "FruitFlowers", "Appliances"},
    {5, "Wood", "Wood", "Silverware"},
    {6, "CandyIron", "Sugar", "Wood"},
    {7, "WoolCopper", "Wool", "DeskSetsPenPencilSets"},
    {8, "Bronze", "Salt", "LinensLace"},
    {9, "PotteryWillow", "Copper", "LeatherGoods"},
    {10, "TinAluminum", "Tin", "DiamondJewelry"},
    {11, "Steel", "Scent", "FashionJewelry"},
    {12, "SilkLinen", "SilkLinen", "PearlsColoredGems"},
    {13, "Lace", "Barometer", "TextTiles"},
    {14, "Ivory", "Clock", "GoldJewelry"},
    {15, "Crystal", "Crystal", "Watches"},
    {16, "None", "None", "SilverHolloware"},
    {17, "None", "None", "Furniture"},
    {18, "None", "None", "Percelain"},
    {19, "None", "None", "Bronze"},
    {20, "China", "China", "Platinum"},
    {21, "None", "None", "BrassNickel"},
    {22, "None", "None", "Copper"},
    {23, "None", "None", "SilverPlate"},
    {24, "None", "None", "MusicalInstruments"},
    {25, "Silver", "Silver", "SterlingSilver"},
    {30, "Pearl", "Pearl", "Diamond"},
    {35, "Coral", "Coral", "Jade"},
    {40, "Ruby", "Ruby", "Ruby"},
    {45, "Sapphire", "Sapphire", "Sapphire"},
    {50, "Gold", "Gold", "Gold"},
    {55, "Emerald", "Emerald", "Emerald"},
    {60, "Diamond", "Diamond", "Diamond"},
    {65, "None", "Blue Sapphire", "None"},
    {70, "None", "None", "Platinum"},
}};

const Gifts* giftsFor(int years)
{
    for (const Gifts& g : kGifts) {
        if (g.years == years)
            return &g;
    }
    return nullptr;
}

int daysInMonth(int month)
{
    static constexpr std::array<int, 12> days {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return days[month - 1];
}

bool onOrAfter(int month, int day, int refMonth, int refDay)
{
    return month > refMonth || (month == refMonth && day >= refDay);
}

bool onOrBefore(int month, int day, int refMonth, int refDay)
{
    return month < refMonth || (month == refMonth && day <= refDay);
}

} // namespace

FunFacts::FunFacts(const Texts& texts, const Calendar& calendar, QString countryCode)
    : m_texts(texts), m_calendar(calendar), m_country(std::move(countryCode))
{
}

bool FunFacts::showFunFacts(const OccasionRecord& record, const Settings& settings)
{
    const bool on = settings.boolValue(QString(Key::ShowFunFacts));
    if (record.type == OccasionRecord::OtherDate)
        return on && (record.fakeBirthday || record.fakeAnniversary);
    return on;
}

QString FunFacts::zodiacSignKey(int month, int day)
{
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(month))
        return {};
    for (const Sign& s : kSigns) {
        const bool inside = s.fromMonth <= s.toMonth
            ? onOrAfter(month, day, s.fromMonth, s.fromDay) &&
                onOrBefore(month, day, s.toMonth, s.toDay)
            : onOrAfter(month, day, s.fromMonth, s.fromDay) ||
                onOrBefore(month, day, s.toMonth, s.toDay);
        if (inside)
            return QString::fromLatin1(s.key);
    }
    return {};
}

QString FunFacts::birthstoneKey(int month)
{
    if (month < 1 || month > 12)
        return {};
    return QString::fromLatin1(kStones[month - 1].month);
}

QString FunFacts::traditionalAnniversaryKey(int years, const QString& countryCode)
{
    const Gifts* g = giftsFor(years);
    if (!g)
        return NoGift;
    const bool british = countryCode == QLatin1String("GB") || countryCode == QLatin1String("IE");
    return QString::fromLatin1(british ? g->british : g->american);
}

QString FunFacts::modernAnniversaryKey(int years)
{
    const Gifts* g = giftsFor(years);
    return g ? QString::fromLatin1(g->modern) : NoGift;
}

QString FunFacts::zodiacSign(const QDateTime& date) const
{
    if (!date.isValid())
        return {};
    const DateParts p = m_calendar.components(date);
    const QString key = zodiacSignKey(p.month, p.day);
    return key.isEmpty() ? key : m_texts.text(key, key, ZodiacTable);
}

QString FunFacts::birthstone(const QDateTime& date) const
{
    if (!date.isValid())
        return {};
    const int month = m_calendar.components(date).month;
    const QString key = birthstoneKey(month);
    if (key.isEmpty())
        return key;
    return m_texts.text(key, QString::fromLatin1(kStones[month - 1].english), BirthstonesTable);
}

QString FunFacts::traditionalAnniversary(int years) const
{
    const QString key = traditionalAnniversaryKey(years, m_country.toUpper());
    return m_texts.text(key, key, GiftsTable);
}

QString FunFacts::modernAnniversary(int years) const
{
    const QString key = modernAnniversaryKey(years);
    return m_texts.text(key, key, GiftsTable);
}

QString FunFacts::createViewForFunFacts(const OccasionRecord& record) const
{
    if (record.isHoliday || record.type == OccasionRecord::Holiday)
        return record.holidayInfo;
    if (record.type == OccasionRecord::Birthday || record.fakeBirthday) {
        return m_texts.format(QStringLiteral("ZodiacSignFormat"), QStringLiteral("Zodiac Sign: %@"),
                   {zodiacSign(record.rawDate)}) +
            u'\n' +
            m_texts.format(QStringLiteral("BirthstoneFormat"), QStringLiteral("Birthstone: %@"),
                {birthstone(record.rawDate)});
    }
    if (record.type == OccasionRecord::Anniversary || record.fakeAnniversary) {
        return m_texts.format(QStringLiteral("TraditionalAnniversaryGiftFormat"),
                   QStringLiteral("Traditional: %@"), {traditionalAnniversary(record.age)}) +
            u'\n' +
            m_texts.format(QStringLiteral("ModernAnniversaryGiftFormat"),
                QStringLiteral("Modern: %@"), {modernAnniversary(record.age)});
    }
    return {};
}

} // namespace fetemark
