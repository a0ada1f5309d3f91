#include "HolidaySubscriptions.h"

#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "platform/files/DataDirectoryLock.h"

#include <algorithm>

namespace fetemark {

HolidaySubscriptions HolidaySubscriptions::fromSettings(const Settings& settings)
{
    return HolidaySubscriptions(settings.dictionaryValue(QString(Key::HolidaySubscriptions)));
}

void HolidaySubscriptions::storeIn(Settings& settings) const
{
    settings.setValue(QString(Key::HolidaySubscriptions), m_map);
}

bool HolidaySubscriptions::update(Settings& settings, DataDirectoryLock* lock,
    const std::function<void(HolidaySubscriptions&)>& change, QString* error)
{
    QString lockProblem;
    const DataDirectoryLock::Holder held(lock, DataDirectoryLock::Mode::Exclusive, &lockProblem);
    if (!held.isHeld()) {
        if (error)
            *error = lockProblem;
        return false;
    }
    settings.load();
    HolidaySubscriptions subscriptions = fromSettings(settings);
    change(subscriptions);
    subscriptions.storeIn(settings);
    return settings.synchronize(error);
}

bool HolidaySubscriptions::isSubscribed(const QString& category) const
{
    const auto it = m_map.constFind(category);
    return it != m_map.cend() && Settings::toBool(it->toMap().value(QString(SubscribedKey)));
}

int HolidaySubscriptions::checkedCount(const QString& category) const
{
    if (!isSubscribed(category))
        return -1;
    return int(checkedHolidays(category).size());
}

bool HolidaySubscriptions::isChecked(const QString& category, const QString& holiday) const
{
    return holiday != SubscribedKey && m_map.value(category).toMap().contains(holiday);
}

bool HolidaySubscriptions::anyChecked() const
{
    const QStringList categories = m_map.keys();
    return std::any_of(categories.begin(), categories.end(),
        [this](const QString& category) { return checkedCount(category) > 0; });
}

QStringList HolidaySubscriptions::checkedHolidays(const QString& category) const
{
    QStringList keys = m_map.value(category).toMap().keys();
    keys.removeAll(QString(SubscribedKey));
    return keys;
}

QStringList HolidaySubscriptions::categoriesLongestFirst() const
{
    QStringList keys = m_map.keys();
    std::stable_sort(keys.begin(), keys.end(),
        [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return keys;
}

void HolidaySubscriptions::setCategory(const QString& category, const QStringList& checked)
{
    QVariantMap holidays;
    for (const QString& holiday : checked) {
        if (holiday != SubscribedKey)
            holidays.insert(holiday, category);
    }
    holidays.insert(QString(SubscribedKey), !holidays.isEmpty());
    m_map.insert(category, holidays);
}

bool HolidaySubscriptions::uncheck(const QString& category, const QString& holiday)
{
    if (!isChecked(category, holiday))
        return false;
    QVariantMap holidays = m_map.value(category).toMap();
    holidays.remove(holiday);
    if (holidays.isEmpty() || (holidays.size() == 1 && holidays.contains(QString(SubscribedKey))))
        m_map.remove(category);
    else
        m_map.insert(category, holidays);
    return true;
}

} // namespace fetemark
