#include "AlertTime.h"

#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Calendar.h"

#include <algorithm>

namespace fetemark::AlertTime {

void followChange(Settings& settings, const Calendar& calendar, const QString& changedKey)
{
    if (changedKey == QString(Key::AlertTime)) {
        const DateParts time = calendar.components(settings.dateValue(QString(Key::AlertTime)));
        settings.setValue(QString(Key::AlertTimeHour), qint64(time.hour));
        settings.setValue(QString(Key::AlertTimeMinute), qint64(time.minute));
        return;
    }
    if (changedKey != QString(Key::AlertTimeHour) && changedKey != QString(Key::AlertTimeMinute))
        return;
    // An unseeded part (-1) reads as the top of the hour or midnight.
    const auto part = [&](QLatin1StringView key) {
        return int(std::max<qint64>(0, settings.integerValue(QString(key))));
    };
    settings.setValue(QString(Key::AlertTime),
        calendar.date(2001, 1, 1, part(Key::AlertTimeHour), part(Key::AlertTimeMinute), 0));
}

} // namespace fetemark::AlertTime
