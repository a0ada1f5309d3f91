#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

namespace fetemark {

// The concrete dates of every holiday ("HolidaysLookup.plist"): per "<category>_<holiday>"
// key its days in successive years, ascending. Fetemark computes no holiday rule itself;
// it picks the next date out of this table. Read-only; one parsed copy per resource root
// is shared by every thread.
class HolidayDateTable {
public:
    // How far ahead a holiday is looked for: a year, and two days more when nothing
    // came within the year (so a holiday a calendar year away is still found).
    static constexpr int Limit = 365;
    static constexpr int ForcedLimit = 367;

    HolidayDateTable() = default;
    // Day strings that do not read as "yyyy-MM-dd" are left out.
    static HolidayDateTable fromPropertyList(const QVariant& root);
    // "<resourceRoot>/HolidaysLookup.plist"; an empty table with `error` set when it is
    // missing or unreadable.
    static HolidayDateTable load(const QString& resourceRoot, QString* error = nullptr);
    static std::shared_ptr<const HolidayDateTable> shared(const QString& resourceRoot);

    // The first day of the holiday from `windowStart` (today less the past days) on,
    // fewer than Limit days after it; failing that, fewer than ForcedLimit days after it.
    std::optional<QDate> dateFor(const QString& lookupKey, const QDate& windowStart) const;
    // The same with only the given limit.
    std::optional<QDate> dateWithin(
        const QString& lookupKey, const QDate& windowStart, int limit) const;

    bool contains(const QString& lookupKey) const { return m_dates.contains(lookupKey); }
    const std::vector<QDate>* dates(const QString& lookupKey) const;
    qsizetype size() const { return m_dates.size(); }

private:
    QHash<QString, std::vector<QDate>> m_dates;
};

} // namespace fetemark
