#include "HolidayChoices.h"

#include "core/phrases/DatePhrases.h"
#include "core/text/Texts.h"
#include "core/time/DatePatterns.h"
#include "core/time/DeviceEnvironment.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

namespace fetemark {

namespace {

const QString SettingsTable = QStringLiteral("Settings");

// By name as a reader of the names' language orders them: "Österreich" before
// "Schweiz", which comparing code points would put last.
void sortByTitle(std::vector<HolidayCategoryRow>& rows, const QString& language)
{
    QCollator collator {QLocale(language.toLower())};
    std::sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
        const int order = collator.compare(a.title, b.title);
        return order < 0 || (order == 0 && a.key < b.key);
    });
}

} // namespace

HolidayCategoryList::HolidayCategoryList(
    const HolidayCatalogue& catalogue, const Texts& texts, const QString& homeCountry)
{
    const QString home = homeCountry.toUpper();
    std::vector<HolidayCategoryRow> homeRow;
    for (const HolidayCategory& category : catalogue.categories()) {
        if (category.key == HolidayCatalogue::General)
            continue;
        HolidayCategoryRow row;
        row.key = category.key;
        row.title = HolidayTexts::categoryName(texts, category.key);
        row.total = int(category.holidayKeys.size());
        row.flagFileName =
            HolidayReader::categoryPhotoFileName(category.key) + QStringLiteral(".png");
        row.isHome = category.isCountry() && category.key == home;
        if (row.isHome)
            homeRow.push_back(std::move(row));
        else if (category.isCountry())
            m_countries.push_back(std::move(row));
        else
            m_religions.push_back(std::move(row));
    }
    sortByTitle(m_countries, texts.language());
    sortByTitle(m_religions, texts.language());
    m_countries.insert(m_countries.begin(), homeRow.begin(), homeRow.end());
}

void HolidayCategoryList::refresh(const HolidaySubscriptions& subscriptions)
{
    for (auto* rows : {&m_countries, &m_religions}) {
        for (HolidayCategoryRow& row : *rows)
            row.checked = subscriptions.checkedCount(row.key);
    }
}

QString HolidayCategoryList::valueText(const HolidayCategoryRow& row, const Texts& texts)
{
    if (row.checked < 0)
        return texts.text(
            QStringLiteral("ExcludeHolidaysShort"), QStringLiteral("Off"), SettingsTable);
    return texts.format(QStringLiteral("IncludeHolidaysShort"), QStringLiteral("%d of %d"),
        {row.checked, row.total}, SettingsTable);
}

HolidayDayText::HolidayDayText(const QString& language, const DeviceEnvironment& device)
    : m_calendar(device.timeZoneId),
      m_formatter(DatePhrases::getShortDateFormat(language, device.localeName), device.localeName,
          device.timeZoneId)
{
    m_formatter.setFirstDayPattern(DatePatterns::firstDayPattern(m_formatter.pattern(), language));
}

QString HolidayDayText::operator()(const QDate& day) const
{
    // Noon: a day whose midnight is skipped still has it.
    return m_formatter.format(m_calendar.date(day.year(), day.month(), day.day(), 12));
}

HolidaySelection::HolidaySelection(QString category, const HolidayCatalogue& catalogue,
    const HolidaySubscriptions& subscriptions, const HolidayReader& reader, const Texts& texts,
    const QDate& today)
    : m_category(std::move(category))
{
    const HolidayCategory* found = catalogue.category(m_category);
    if (!found)
        return;
    const QDate far = today.addYears(2);
    for (const QString& key : found->holidayKeys) {
        HolidayItem item;
        item.title = HolidayTexts::holidayName(texts, m_category, key);
        item.key = key;
        item.subscribed = subscriptions.isChecked(m_category, key);
        if (const std::optional<QDate> day = reader.dayOf(key, m_category)) {
            item.sort = *day;
        } else {
            item.wayout = true;
            item.sort = far;
        }
        m_items.push_back(std::move(item));
    }
    std::stable_sort(m_items.begin(), m_items.end(),
        [](const HolidayItem& a, const HolidayItem& b) { return a.sort < b.sort; });
}

void HolidaySelection::toggle(size_t index)
{
    if (index < m_items.size())
        m_items[index].subscribed = !m_items[index].subscribed;
}

void HolidaySelection::setSubscriptionValues(Mode mode, HolidaySubscriptions& subscriptions)
{
    QStringList checked;
    for (HolidayItem& item : m_items) {
        if (mode != KeepEach)
            item.subscribed = mode == CheckAll;
        if (item.subscribed)
            checked << item.key;
    }
    subscriptions.setCategory(m_category, checked);
}

QString HolidaySelection::valueText(const HolidayItem& item, const Texts& texts,
    const std::function<QString(const QDate&)>& dateText)
{
    if (item.wayout) {
        return texts.text(QStringLiteral("HolidayMoreThanYearAway"),
            QStringLiteral("More than a year away"), SettingsTable);
    }
    return dateText(item.sort);
}

} // namespace fetemark
