#include "OccasionId.h"

#include <QCryptographicHash>

#include <optional>

namespace fetemark::OccasionId {

namespace {

// "YYYY-MM-DD" as printf's "%04d-%02d-%02d" writes it; digit by digit when every field
// fits its width, as it does for any day of years 0 to 9999.
QByteArray dayText(const DateParts& day)
{
    if (day.year < 0 || day.year > 9999 || day.month < 0 || day.month > 99 || day.day < 0 ||
        day.day > 99)
        return QString::asprintf("%04d-%02d-%02d", day.year, day.month, day.day).toLatin1();
    const char text[] = {char('0' + day.year / 1000), char('0' + day.year / 100 % 10),
        char('0' + day.year / 10 % 10), char('0' + day.year % 10), '-', char('0' + day.month / 10),
        char('0' + day.month % 10), '-', char('0' + day.day / 10), char('0' + day.day % 10)};
    return QByteArray(text, sizeof text);
}

} // namespace

QString of(const OccasionRecord& record, const Calendar& calendar)
{
    if (record.isCustomEntry)
        return QStringLiteral("custom-") + record.customID;
    if (record.isFacebookEntry)
        return QStringLiteral("facebook-") + record.customID;
    if (record.isHoliday)
        return QStringLiteral("holiday-") + record.customID;
    const QString contact = QStringLiteral("contact-") + QString::number(record.recordID);
    if (record.type == OccasionRecord::Birthday)
        return contact + QStringLiteral("-birthday");
    // The label may hold any text, so it goes into the hash rather than the id.
    const DateParts day = calendar.components(record.rawDate);
    const QByteArray key =
        QByteArray::number(record.type) + '|' + record.otherDateLabel.toUtf8() + '|' + dayText(day);
    const QByteArray hash =
        QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(10);
    return contact + QLatin1Char('-') + QString::fromLatin1(hash);
}

namespace {

bool isContactDate(const OccasionRecord& record)
{
    return !record.isCustomEntry && !record.isFacebookEntry && !record.isHoliday;
}

// The contact number a "contact-<recordID>-..." id names, written as `of` writes it;
// nullopt when the id can name no contact's date.
std::optional<int> contactNumber(const QString& id)
{
    const QLatin1StringView prefix("contact-");
    if (!id.startsWith(prefix))
        return std::nullopt;
    // From one past the prefix, so that a negative number's sign is not taken as the end.
    const qsizetype end = id.indexOf(QLatin1Char('-'), prefix.size() + 1);
    if (end < 0)
        return std::nullopt;
    const QStringView digits = QStringView(id).mid(prefix.size(), end - prefix.size());
    bool ok = false;
    const int number = digits.toInt(&ok);
    if (!ok || QString::number(number) != digits)
        return std::nullopt;
    return number;
}

} // namespace

OccasionRecordPtr find(
    const std::vector<OccasionRecordPtr>& records, const QString& id, const Calendar& calendar)
{
    // A contact's date of another contact cannot match: its id is not worked out, which
    // spares hashing every other date of the book.
    const std::optional<int> contact = contactNumber(id);
    for (const OccasionRecordPtr& r : records) {
        if (isContactDate(*r) && (!contact || r->recordID != *contact))
            continue;
        if (of(*r, calendar) == id)
            return r;
    }
    return nullptr;
}

} // namespace fetemark::OccasionId
