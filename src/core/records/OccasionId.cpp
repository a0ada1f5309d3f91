#include "OccasionId.h"

#include <QCryptographicHash>

namespace fetemark::OccasionId {

QString of(const OccasionRecord& record, const Calendar& calendar)
{
    if (record.isCustomEntry)
        return QStringLiteral("custom-") + record.customID;
    if (record.isFacebookEntry)
        return QStringLiteral("facebook-") + record.customID;
    if (record.isHoliday)
        return QStringLiteral("holiday-") + record.customID;
    if (record.type == OccasionRecord::Birthday)
        return QStringLiteral("contact-%1-birthday").arg(record.recordID);
    // The label may hold any text, so it goes into the hash rather than the id.
    const DateParts day = calendar.components(record.rawDate);
    const QByteArray key = QByteArray::number(record.type) + '|' + record.otherDateLabel.toUtf8() +
        '|' + QString::asprintf("%04d-%02d-%02d", day.year, day.month, day.day).toLatin1();
    const QByteArray hash =
        QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(10);
    return QStringLiteral("contact-%1-%2").arg(record.recordID).arg(QString::fromLatin1(hash));
}

OccasionRecordPtr find(
    const std::vector<OccasionRecordPtr>& records, const QString& id, const Calendar& calendar)
{
    for (const OccasionRecordPtr& r : records) {
        if (of(*r, calendar) == id)
            return r;
    }
    return nullptr;
}

} // namespace fetemark::OccasionId
