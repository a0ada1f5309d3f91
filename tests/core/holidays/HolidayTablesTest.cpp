// The shipped holiday tables: known days, every listed holiday dated and named, and
// the catalogue, the table and the string tables agreeing with each other.
#include "core/holidays/HolidayCatalogue.h"
#include "core/holidays/HolidayDateTable.h"
#include "core/text/Texts.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QSet>

using namespace fetemark;
using namespace Qt::StringLiterals;

namespace {

const QString Resources = u":/resources"_s;

struct KnownDay {
    const char* name;
    const char* key;
    const char* day;
};

class KnownDays : public testing::TestWithParam<KnownDay> { };

TEST_P(KnownDays, AreInTheTable)
{
    const HolidayDateTable table = HolidayDateTable::load(Resources);
    const std::vector<QDate>* days = table.dates(QString::fromLatin1(GetParam().key));
    ASSERT_NE(days, nullptr) << GetParam().key;
    const QDate day = QDate::fromString(QString::fromLatin1(GetParam().day), Qt::ISODate);
    EXPECT_NE(std::find(days->begin(), days->end(), day), days->end())
        << GetParam().key << " lacks " << GetParam().day;
}

INSTANTIATE_TEST_SUITE_P(Holidays, KnownDays,
    testing::Values(KnownDay {"Easter2025", "CHRISTIAN_easter-sunday", "2025-04-20"},
        KnownDay {"GermanEaster2025", "DE_easter-sunday", "2025-04-20"},
        KnownDay {"Thanksgiving2026", "US_thanksgiving-day", "2026-11-26"},
        KnownDay {"RoshHashanah2025", "JEWISH_rosh-hashanah", "2025-09-23"},
        KnownDay {"OrthodoxEaster2026", "ORTHODOX_orthodox-easter", "2026-04-12"},
        KnownDay {"EidAlFitr2026", "ISLAMIC_eid-al-fitr", "2026-03-20"},
        KnownDay {"EidAlFitrEarly2033", "ISLAMIC_eid-al-fitr", "2033-01-02"},
        KnownDay {"EidAlFitrLate2033", "ISLAMIC_eid-al-fitr", "2033-12-23"},
        KnownDay {"ChineseNewYear2026", "CHINESE_chinese-new-year", "2026-02-17"},
        KnownDay {"MidAutumn2033", "CHINESE_mid-autumn-festival", "2033-09-08"},
        KnownDay {"GermanUnity2046", "DE_national-holiday", "2046-10-03"}),
    test::RowName());

// Every holiday of the catalogue is named in English and has a day in each coming year
// the table covers, ascending; every table key belongs to the catalogue.
TEST(ShippedHolidays, CatalogueTableAndNamesAgree)
{
    const HolidayCatalogue catalogue = HolidayCatalogue::load(Resources);
    const HolidayDateTable table = HolidayDateTable::load(Resources);
    const Texts english(u"EN"_s, Resources);
    ASSERT_GE(catalogue.categories().size(), 25u);
    qsizetype holidays = 0;
    for (const HolidayCategory& category : catalogue.categories()) {
        EXPECT_NE(HolidayTexts::categoryName(english, category.key), category.key + u"_name"_s);
        for (const QString& holiday : category.holidayKeys) {
            ++holidays;
            const QString key = HolidayTexts::lookupKey(category.key, holiday);
            EXPECT_FALSE(holiday.contains(u'_')) << qPrintable(key);
            EXPECT_NE(HolidayTexts::holidayName(english, category.key, holiday), key);
            EXPECT_FALSE(HolidayTexts::holidayInfo(english, category.key, holiday).isEmpty())
                << qPrintable(key);
            const std::vector<QDate>* days = table.dates(key);
            ASSERT_NE(days, nullptr) << qPrintable(key);
            EXPECT_TRUE(std::is_sorted(days->begin(), days->end())) << qPrintable(key);
        }
    }
    EXPECT_EQ(table.size(), holidays);
}

} // namespace
