#pragma once

#include <QString>

namespace fetemark {

class Calendar;
class Settings;

// The daily alert time is stored twice: as a moment whose time of day counts ("alerttime",
// on the reference day 1 January 2001 in the device zone) and as its hour and minute
// ("alerttimehour", "alerttimeminute"), which the reminders and the calendar export read.
// Whichever was set, the other follows, so both always say the same time.
namespace AlertTime {

// After `changedKey` was set: brings the other form in step. Other keys change nothing.
void followChange(Settings& settings, const Calendar& calendar, const QString& changedKey);

} // namespace AlertTime
} // namespace fetemark
