#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

namespace fetemark {

class DataDirectoryLock;
class Settings;

// The user's choice of holidays, as kept in the setting "65B1": per category key a
// dictionary with "categorysubscribedkey" (YES while at least one holiday is checked)
// and one entry per checked holiday (holiday key → category key). An unchecked holiday
// has no entry. A value type: change a copy, then store it.
class HolidaySubscriptions {
public:
    static constexpr QLatin1StringView SubscribedKey {"categorysubscribedkey"};

    HolidaySubscriptions() = default;
    explicit HolidaySubscriptions(QVariantMap map) : m_map(std::move(map)) { }
    static HolidaySubscriptions fromSettings(const Settings& settings);
    void storeIn(Settings& settings) const;
    const QVariantMap& toMap() const { return m_map; }
    // Changes the choice as it is stored now, not as this program last read it: under
    // the data directory's exclusive lock the settings are read again, `change` is
    // applied and the settings are written. False with `error` when they could not be.
    static bool update(Settings& settings, DataDirectoryLock* lock,
        const std::function<void(HolidaySubscriptions&)>& change, QString* error = nullptr);

    bool hasCategory(const QString& category) const { return m_map.contains(category); }
    // The category is in the map and says it has checked holidays.
    bool isSubscribed(const QString& category) const;
    // How many holidays of a subscribed category are checked; -1 when it is not subscribed.
    int checkedCount(const QString& category) const;
    bool isChecked(const QString& category, const QString& holiday) const;
    // Some subscribed category has a checked holiday.
    bool anyChecked() const;
    // The checked holidays of a category, sorted.
    QStringList checkedHolidays(const QString& category) const;
    // Longest keys first, so religions come before countries; equal lengths by key.
    QStringList categoriesLongestFirst() const;

    // The category's checked holidays become exactly `checked`; a category with none
    // stays in the map, marked as not subscribed.
    void setCategory(const QString& category, const QStringList& checked);
    // Unchecks one holiday; the category leaves the map with its last checked holiday.
    // False when the holiday was not checked.
    bool uncheck(const QString& category, const QString& holiday);

    friend bool operator==(const HolidaySubscriptions&, const HolidaySubscriptions&) = default;

private:
    QVariantMap m_map;
};

} // namespace fetemark
