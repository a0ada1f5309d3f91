#include "HolidayDateTable.h"

#include "core/holidays/HolidayResource.h"

namespace fetemark {

HolidayDateTable HolidayDateTable::fromPropertyList(const QVariant& root)
{
    HolidayDateTable table;
    const QVariantMap map = root.toMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        std::vector<QDate> days;
        for (const QVariant& text : it.value().toList()) {
            const QDate day = QDate::fromString(text.toString(), Qt::ISODate);
            if (day.isValid())
                days.push_back(day);
        }
        table.m_dates.emplace(it.key(), std::move(days));
    }
    return table;
}

HolidayDateTable HolidayDateTable::load(const QString& resourceRoot, QString* error)
{
    const std::optional<QVariant> root = HolidayResource::read(
        resourceRoot + QStringLiteral("/HolidaysLookup.plist"), QStringLiteral("dates"), error);
    return root ? fromPropertyList(*root) : HolidayDateTable();
}

std::shared_ptr<const HolidayDateTable> HolidayDateTable::shared(const QString& resourceRoot)
{
    // Large enough that each load should not parse it again.
    return HolidayResource::shared<HolidayDateTable>(resourceRoot);
}

const std::vector<QDate>* HolidayDateTable::dates(const QString& lookupKey) const
{
    const auto it = m_dates.constFind(lookupKey);
    return it == m_dates.cend() ? nullptr : &*it;
}

std::optional<QDate> HolidayDateTable::dateWithin(
    const QString& lookupKey, const QDate& windowStart, int limit) const
{
    const std::vector<QDate>* days = dates(lookupKey);
    if (!days || !windowStart.isValid())
        return std::nullopt;
    for (const QDate& day : *days) {
        const qint64 d = windowStart.daysTo(day);
        if (d >= 0 && d < limit)
            return day;
    }
    return std::nullopt;
}

std::optional<QDate> HolidayDateTable::dateFor(
    const QString& lookupKey, const QDate& windowStart) const
{
    if (auto day = dateWithin(lookupKey, windowStart, Limit))
        return day;
    return dateWithin(lookupKey, windowStart, ForcedLimit);
}

} // namespace fetemark
