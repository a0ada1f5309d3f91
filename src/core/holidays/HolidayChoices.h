#pragma once

#include "core/holidays/HolidayCatalogue.h"
#include "core/holidays/HolidayReader.h"
#include "core/holidays/HolidaySubscriptions.h"
#include "core/time/Calendar.h"
#include "core/time/DateFormatter.h"

#include <QDate>
#include <QString>

#include <functional>
#include <vector>

namespace fetemark {

struct DeviceEnvironment;
class Texts;

// What the two holiday screens show and change, apart from drawing them.

// One row of the categories screen: a country or a religion with how many of its
// holidays are checked.
struct HolidayCategoryRow {
    QString key;
    QString title;
    bool isHome = false;  // the country of the device's locale
    int checked = -1;     // checked holidays; -1 while the category is not subscribed
    int total = 0;        // holidays the catalogue lists for it
    QString flagFileName; // "HOLIDAYS_<key>_flag.png" under the resources' "holidays"
};

// The categories screen's rows: the home country first, the other countries by name,
// then the religions by name, in the order of the names' language. "GENERAL" is never offered.
class HolidayCategoryList {
public:
    HolidayCategoryList(
        const HolidayCatalogue& catalogue, const Texts& texts, const QString& homeCountry);

    const std::vector<HolidayCategoryRow>& countries() const { return m_countries; }
    const std::vector<HolidayCategoryRow>& religions() const { return m_religions; }
    // The checked counts as the subscriptions say now.
    void refresh(const HolidaySubscriptions& subscriptions);
    // "Not included", or "3 of 12" as the table words it.
    static QString valueText(const HolidayCategoryRow& row, const Texts& texts);

private:
    std::vector<HolidayCategoryRow> m_countries;
    std::vector<HolidayCategoryRow> m_religions;
};

// A holiday's day as the list's short dates read it ("Apr 3", "3. Apr.").
class HolidayDayText {
public:
    HolidayDayText(const QString& language, const DeviceEnvironment& device);
    QString operator()(const QDate& day) const;

private:
    Calendar m_calendar;
    DateFormatter m_formatter;
};

// One holiday of the selection screen.
struct HolidayItem {
    QString title;
    QString key;
    bool subscribed = false;
    bool wayout = false; // no day within the coming year
    QDate sort;          // its next day, or two years ahead when it has none
};

// The holidays of one category, checked or not, sorted by their next day.
class HolidaySelection {
public:
    enum Mode { KeepEach = 0, CheckAll = 1, UncheckAll = -1 };

    HolidaySelection(QString category, const HolidayCatalogue& catalogue,
        const HolidaySubscriptions& subscriptions, const HolidayReader& reader, const Texts& texts,
        const QDate& today);

    const QString& category() const { return m_category; }
    const std::vector<HolidayItem>& items() const { return m_items; }
    void toggle(size_t index);
    // Sets every item for CheckAll and UncheckAll, then makes the category's choice of
    // the items' states in `subscriptions`.
    void setSubscriptionValues(Mode mode, HolidaySubscriptions& subscriptions);
    // The row's value: the day in `dateText`'s words, or "More than a year away".
    static QString valueText(const HolidayItem& item, const Texts& texts,
        const std::function<QString(const QDate&)>& dateText);

private:
    QString m_category;
    std::vector<HolidayItem> m_items;
};

} // namespace fetemark
