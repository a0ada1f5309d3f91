// The holiday records of the database: read at each load while holidays are shown,
// rebuilt when the choice of holidays changes, and redated when their day has passed.
#include "RecordDatabase.h"

#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Clock.h"

#include <algorithm>

namespace fetemark {

namespace {

bool carriesFlags(const OccasionRecord& record)
{
    return record.ignoreForUpcoming || record.alertsOff;
}

} // namespace

HolidayReader RecordDatabase::holidayReader(const Calendar& calendar, const Texts& texts) const
{
    // A load on its own thread may be the first to ask for the shared date table.
    return HolidayReader::forMoment(
        m_deps.clock.now(), m_deps.settings, calendar, texts, m_deps.resourceRoot);
}

HolidayReader RecordDatabase::holidayReader()
{
    return holidayReader(m_gregorian, m_texts);
}

QString RecordDatabase::categoryHolidayPhotoFileName(
    const QString& category, const QString& holiday)
{
    return holidayReader().categoryHolidayPhotoFileName(category, holiday);
}

OccasionRecordPtr RecordDatabase::recordForHoliday(
    const QString& holiday, const QString& category, bool forceIt)
{
    return holidayReader().recordForHoliday(holiday, category, forceIt);
}

void RecordDatabase::readHolidays(Records& target, bool forceDictionary)
{
    if (!m_deps.settings.boolValue(QString(Key::ShowHolidays)))
        return;
    holidayReader().readHolidays(HolidaySubscriptions::fromSettings(m_deps.settings), target,
        [&](const OccasionRecordPtr& record) {
            if (forceDictionary)
                addRecordToDictionary(record);
        });
}

void RecordDatabase::updateHolidays()
{
    // Flags set on a holiday belong to its customID: carried to its new record, or
    // held over until the holiday is checked again.
    Records carried;
    for (auto it = m_records.begin(); it != m_records.end();) {
        const OccasionRecordPtr record = *it;
        if (!record->isHoliday) {
            ++it;
            continue;
        }
        if (carriesFlags(*record))
            carried.push_back(record);
        removeRecordFromDictionary(record);
        it = m_records.erase(it);
    }
    for (auto it = m_holdoverRecords.begin(); it != m_holdoverRecords.end();) {
        if (!(*it)->isHoliday) {
            ++it;
            continue;
        }
        if (carriesFlags(**it))
            carried.push_back(*it);
        it = m_holdoverRecords.erase(it);
    }

    Records added;
    readHolidays(added, false);
    for (const OccasionRecordPtr& old : carried) {
        bool matched = false;
        for (const OccasionRecordPtr& record : added) {
            if (record->customID != old->customID)
                continue;
            record->ignoreForUpcoming = old->ignoreForUpcoming;
            record->alertsOff = old->alertsOff;
            matched = true;
        }
        if (!matched)
            m_holdoverRecords.push_back(old);
    }
    for (const OccasionRecordPtr& record : added) {
        addRecordToDictionary(record);
        m_records.push_back(record);
    }
    calculateDataInArray(m_records);
    sortDatabase();
}

bool RecordDatabase::unsubscribeHoliday(const OccasionRecordPtr& record, QString* error)
{
    if (!record || !record->isHoliday)
        return false;
    const bool stored = HolidaySubscriptions::update(
        m_deps.settings, m_deps.lock,
        [&](HolidaySubscriptions& subscriptions) {
            subscriptions.uncheck(record->category, record->holidayKey);
        },
        error);
    if (!stored)
        return false;
    removeRecordFromDictionary(record);
    std::erase(m_records, record);
    // Its flags were kept in the custom entries; without the record they go too.
    if (carriesFlags(*record))
        return writeCustomEntries(error);
    return true;
}

void RecordDatabase::redateHolidays()
{
    bool any = false;
    for (const OccasionRecordPtr& record : m_records)
        any = any || record->isHoliday;
    if (!any)
        return;
    const HolidayReader reader = holidayReader();
    const QDate windowStart = reader.windowStart();
    for (const OccasionRecordPtr& record : m_records) {
        if (!record->isHoliday || !record->rawDate.isValid())
            continue;
        const DateParts day = m_gregorian.components(record->rawDate);
        if (QDate(day.year, day.month, day.day) >= windowStart)
            continue;
        if (const OccasionRecordPtr next =
                reader.recordForHoliday(record->holidayKey, record->category))
            record->rawDate = next->rawDate;
    }
}

} // namespace fetemark
