#pragma once

#include "core/reminders/LocalNotification.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <QTimeZone>

namespace fetemark {

// The moment `notification` fires while the machine is in the zone `currentZoneId`: one
// with a zone at its wall-clock time (the fire date as its own zone shows it) in the
// current zone, so noon stays noon after travel and across daylight-saving changes; one
// without a zone, or with a zone nobody knows, at its absolute moment. An unknown current
// zone leaves the wall-clock time in the notification's own zone.
QDateTime fireMoment(const LocalNotification& notification, const QString& currentZoneId);

// The first moment at which the clocks of `zone` show `date` `time`: the earlier one when
// the hour repeats, and the first moment after the gap when the clocks skip that time.
QDateTime firstMomentAt(const QDate& date, const QTime& time, const QTimeZone& zone);

} // namespace fetemark
