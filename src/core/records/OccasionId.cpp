#include "OccasionId.h"

#include "core/records/ContactLabels.h"

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

namespace {

QString contactDateId(const OccasionRecord& record, const QString& label, const Calendar& calendar)
{
    // The label may hold any text, so it goes into the hash rather than the id.
    const DateParts day = calendar.components(record.rawDate);
    const QByteArray key =
        QByteArray::number(record.type) + '|' + label.toUtf8() + '|' + dayText(day);
    const QByteArray hash =
        QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(10);
    return QStringLiteral("contact-") + QString::number(record.recordID) + QLatin1Char('-') +
        QString::fromLatin1(hash);
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
    if (record.type == OccasionRecord::Birthday)
        return QStringLiteral("contact-") + QString::number(record.recordID) +
            QStringLiteral("-birthday");
    // An unlabelled date is hashed under the word English runs always gave it, whatever
    // the language now: so the ids (and calendar UIDs) they handed out stay valid.
    const QString label = record.otherDateLabel == ContactLabel::Unlabelled ? QStringLiteral("date")
                                                                            : record.otherDateLabel;
    return contactDateId(record, label, calendar);
}

QStringList formerIds(const OccasionRecord& record, const Calendar& calendar)
{
    QStringList ids;
    if (record.isCustomEntry || record.isFacebookEntry || record.isHoliday ||
        record.type == OccasionRecord::Birthday ||
        record.otherDateLabel != ContactLabel::Unlabelled)
        return ids;
    const QString current = of(record, calendar);
    for (const QString& word : ContactLabel::formerUnlabelledWords()) {
        const QString id = contactDateId(record, word, calendar);
        if (id != current && !ids.contains(id))
            ids << id;
    }
    return ids;
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
    // An id a run in another language printed for an unlabelled date still finds it.
    for (const OccasionRecordPtr& r : records) {
        if (contact && isContactDate(*r) && r->recordID == *contact &&
            formerIds(*r, calendar).contains(id))
            return r;
    }
    return nullptr;
}

} // namespace fetemark::OccasionId
