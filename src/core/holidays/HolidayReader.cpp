#include "HolidayReader.h"

#include "core/holidays/HolidayCatalogue.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Calendar.h"

#include <QFile>
#include <QSet>

#include <algorithm>

namespace fetemark {

namespace {

// A past holiday stays listed for the past days; more than ten years of them is no
// choice anyone made, and a negative count none either.
int pastDaysOf(const Settings& settings)
{
    return int(std::clamp<qint64>(settings.integerValue(QString(Key::PastDays)), 0, 3660));
}

} // namespace

HolidayReader HolidayReader::forMoment(const QDateTime& now, const Settings& settings,
    const Calendar& calendar, const Texts& texts, const QString& resourceRoot)
{
    const DateParts today = calendar.components(now);
    return HolidayReader({HolidayDateTable::shared(resourceRoot), texts, calendar,
        QDate(today.year, today.month, today.day), pastDaysOf(settings), resourceRoot});
}

HolidayReader::HolidayReader(Inputs inputs) : m_inputs(std::move(inputs))
{
    if (!m_inputs.table)
        m_inputs.table = std::make_shared<const HolidayDateTable>();
}

QString HolidayReader::categoryPhotoFileName(const QString& category)
{
    return QStringLiteral("HOLIDAYS_%1_flag").arg(category);
}

bool HolidayReader::hasPicture(const QString& fileName) const
{
    auto it = m_pictures.find(fileName);
    if (it == m_pictures.end()) {
        const QString path = m_inputs.resourceRoot + QStringLiteral("/holidays/") + fileName;
        it = m_pictures.insert(fileName, QFile::exists(path));
    }
    return *it;
}

QString HolidayReader::categoryHolidayPhotoFileName(
    const QString& category, const QString& holiday) const
{
    if (HolidayCategory::isCountryKey(category)) {
        const QString generic = QStringLiteral("HOLIDAYS_GENERIC_%1.png").arg(holiday);
        if (hasPicture(generic))
            return generic;
    }
    const QString own = QStringLiteral("HOLIDAYS_%1_%2.png").arg(category, holiday);
    return hasPicture(own) ? own : QString();
}

std::optional<QDate> HolidayReader::dayOf(
    const QString& holiday, const QString& category, bool forceIt) const
{
    const QString key = HolidayTexts::lookupKey(category, holiday);
    const int limit = forceIt ? HolidayDateTable::ForcedLimit : HolidayDateTable::Limit;
    std::optional<QDate> day = m_inputs.table->dateWithin(key, windowStart(), limit);
    if (!day && !forceIt)
        day = m_inputs.table->dateWithin(key, windowStart(), HolidayDateTable::ForcedLimit);
    return day;
}

OccasionRecordPtr HolidayReader::recordForHoliday(
    const QString& holiday, const QString& category, bool forceIt) const
{
    const std::optional<QDate> day = dayOf(holiday, category, forceIt);
    if (!day)
        return nullptr;
    const QString key = HolidayTexts::lookupKey(category, holiday);

    auto record = std::make_shared<OccasionRecord>();
    record->isHoliday = true;
    record->type = OccasionRecord::Holiday;
    record->holidayKey = holiday;
    record->category = category;
    record->customID = key;
    record->rawDate = m_inputs.calendar.date(day->year(), day->month(), day->day());
    record->sortDate = record->rawDate;
    record->name = HolidayTexts::holidayName(m_inputs.texts, category, holiday);
    record->holidayInfo = HolidayTexts::holidayInfo(m_inputs.texts, category, holiday);
    record->abPhoto = OccasionRecord::PhotoAbsent;
    return record;
}

bool HolidayReader::duplicateHoliday(
    const QString& holiday, const QString& category, const Records& records)
{
    if (!HolidayCategory::isCountryKey(category))
        return false;
    for (const OccasionRecordPtr& r : records) {
        if (r && r->isHoliday && r->holidayKey == holiday &&
            !HolidayCategory::isCountryKey(r->category))
            return true;
    }
    return false;
}

void HolidayReader::readHolidays(const HolidaySubscriptions& subscriptions, Records& target,
    const std::function<void(const OccasionRecordPtr&)>& added) const
{
    // The religions' holidays already listed, so that a country's same holiday is left
    // out without scanning the whole list for each (it may hold every contact's dates).
    QSet<QString> religionHolidays;
    for (const OccasionRecordPtr& r : target) {
        if (r && r->isHoliday && !HolidayCategory::isCountryKey(r->category))
            religionHolidays.insert(r->holidayKey);
    }
    for (const QString& category : subscriptions.categoriesLongestFirst()) {
        if (!subscriptions.isSubscribed(category))
            continue;
        const bool country = HolidayCategory::isCountryKey(category);
        QString flag = categoryPhotoFileName(category) + QStringLiteral(".png");
        if (!hasPicture(flag))
            flag.clear();
        for (const QString& holiday : subscriptions.checkedHolidays(category)) {
            if (country && religionHolidays.contains(holiday))
                continue;
            OccasionRecordPtr record = recordForHoliday(holiday, category);
            if (!record)
                continue;
            const QString picture = categoryHolidayPhotoFileName(category, holiday);
            record->holidayPhotoFilename = picture.isEmpty() ? flag : picture;
            if (!country)
                religionHolidays.insert(holiday);
            if (added)
                added(record);
            target.push_back(record);
        }
    }
}

} // namespace fetemark
