#include "core/records/OccasionId.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <vector>

using namespace fetemark;

namespace {

OccasionRecordPtr contactDate(const Calendar& cal, int recordID, int type, const char* label)
{
    auto r = std::make_shared<OccasionRecord>();
    r->recordID = recordID;
    r->type = type;
    r->otherDateLabel = QString::fromUtf8(label);
    r->rawDate = cal.date(1990 + recordID % 7, 1 + recordID % 12, 1 + recordID % 28);
    return r;
}

OccasionRecordPtr entry(const char* customID, bool facebook, bool holiday)
{
    auto r = std::make_shared<OccasionRecord>();
    r->isCustomEntry = !facebook && !holiday;
    r->isFacebookEntry = facebook;
    r->isHoliday = holiday;
    r->customID = QString::fromUtf8(customID);
    return r;
}

// The record whose id is `id`, looked for by working out every record's id.
OccasionRecordPtr findByEveryId(
    const std::vector<OccasionRecordPtr>& records, const QString& id, const Calendar& cal)
{
    for (const OccasionRecordPtr& r : records) {
        if (OccasionId::of(*r, cal) == id)
            return r;
    }
    return nullptr;
}

} // namespace

TEST(OccasionId, FindAnswersAsWorkingOutEveryIdDoes)
{
    const Calendar cal(QStringLiteral("Europe/Berlin"));
    std::vector<OccasionRecordPtr> records;
    for (int id : {-7, 0, 1, 7, 12, 70, 123, 2147483647}) {
        records.push_back(contactDate(cal, id, OccasionRecord::Birthday, ""));
        records.push_back(contactDate(cal, id, OccasionRecord::Anniversary, "_$!<Anniversary>!$_"));
        records.push_back(
            contactDate(cal, id, OccasionRecord::OtherDate, "Name day - \u00e9t\u00e9"));
    }
    records.push_back(entry("A-1", false, false));
    records.push_back(entry("7-birthday", false, false));
    records.push_back(entry("12345", true, false));
    records.push_back(entry("Christmas", false, true));

    QStringList ids;
    for (const OccasionRecordPtr& r : records) {
        const QString id = OccasionId::of(*r, cal);
        ids << id;
        EXPECT_EQ(OccasionId::find(records, id, cal), r) << id.toStdString();
    }
    ids << QStringLiteral("contact-07-birthday") << QStringLiteral("contact-+7-birthday")
        << QStringLiteral("contact-7") << QStringLiteral("contact--birthday")
        << QStringLiteral("contact-") << QStringLiteral("contact-99-birthday")
        << QStringLiteral("contact-2147483648-birthday") << QStringLiteral("custom-7-birthday")
        << QStringLiteral("custom-") << QStringLiteral("") << QStringLiteral("Contact-7-birthday");
    for (const QString& id : ids)
        EXPECT_EQ(OccasionId::find(records, id, cal), findByEveryId(records, id, cal))
            << id.toStdString();
}

// A contact's other date is named by the hash of its type, label and printf'd day.
TEST(OccasionId, OtherDatesAreNamedByTheHashOfTypeLabelAndDay)
{
    const Calendar cal(QStringLiteral("Europe/Berlin"));
    for (int year : {-3, 0, 7, 99, 999, 1582, 1987, 9999, 10000, 123456}) {
        auto r = contactDate(cal, 42, OccasionRecord::OtherDate, "Name day");
        r->rawDate = cal.date(year, 3, 9);
        const DateParts day = cal.components(r->rawDate);
        const QByteArray key = "2|Name day|" +
            QString::asprintf("%04d-%02d-%02d", day.year, day.month, day.day).toLatin1();
        const QByteArray hash =
            QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(10);
        EXPECT_EQ(
            OccasionId::of(*r, cal), QStringLiteral("contact-42-") + QString::fromLatin1(hash))
            << year;
    }
    auto birthday = contactDate(cal, -7, OccasionRecord::Birthday, "");
    EXPECT_EQ(OccasionId::of(*birthday, cal), QStringLiteral("contact--7-birthday"));
}
