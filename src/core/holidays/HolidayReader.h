#pragma once

#include "core/holidays/HolidayDateTable.h"
#include "core/holidays/HolidaySubscriptions.h"
#include "core/records/OccasionRecord.h"

#include <QDate>
#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace fetemark {

class Calendar;
class Settings;
class Texts;

// Makes the holiday records of the checked holidays: each dated at its next day in the
// date table, named from the string tables, with its picture.
class HolidayReader {
public:
    using Records = std::vector<OccasionRecordPtr>;

    struct Inputs {
        std::shared_ptr<const HolidayDateTable> table;
        const Texts& texts;
        const Calendar& calendar;
        QDate today;
        int pastDays = 0; // a past holiday stays listed this many days
        QString resourceRoot;
    };
    explicit HolidayReader(Inputs inputs);
    // The reader for the day `now` falls on in `calendar`, with the past days the settings
    // keep and the date table shared by the whole process.
    static HolidayReader forMoment(const QDateTime& now, const Settings& settings,
        const Calendar& calendar, const Texts& texts, const QString& resourceRoot);

    // "HOLIDAYS_<category>_flag": the category's flag or emblem.
    static QString categoryPhotoFileName(const QString& category);
    // The file name (under "<resources>/holidays/") of the holiday's own picture: one
    // shared by every country that keeps it, else the category's own; empty when none.
    QString categoryHolidayPhotoFileName(const QString& category, const QString& holiday) const;

    // The holiday's record at its first day from today less the past days on, within a
    // year (two days more when `forceIt`, or when nothing came within the year);
    // nullptr when the table has no such day.
    std::optional<QDate> dayOf(
        const QString& holiday, const QString& category, bool forceIt = false) const;
    OccasionRecordPtr recordForHoliday(
        const QString& holiday, const QString& category, bool forceIt = false) const;
    // A country's holiday is left out when a religion's record of the same holiday is
    // already among `records`; religions and other countries keep theirs.
    static bool duplicateHoliday(
        const QString& holiday, const QString& category, const Records& records);
    // Appends the records of every checked holiday of `subscriptions` to `target`,
    // religions before countries; `added` sees each one appended.
    void readHolidays(const HolidaySubscriptions& subscriptions, Records& target,
        const std::function<void(const OccasionRecordPtr&)>& added = {}) const;

    QDate windowStart() const { return m_inputs.today.addDays(-m_inputs.pastDays); }

private:
    bool hasPicture(const QString& fileName) const;

    Inputs m_inputs;
    mutable QHash<QString, bool> m_pictures;
};

} // namespace fetemark
