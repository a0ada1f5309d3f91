#include "Clock.h"

#include "core/time/Calendar.h"

namespace fetemark {

namespace {

// Exactly `width` ASCII digits at `pos`; -1 otherwise (QChar::isDigit would let other
// scripts' digits through).
int readNumber(const QString& text, qsizetype pos, int width)
{
    int value = 0;
    for (int i = 0; i < width; ++i) {
        const char16_t c = text[pos + i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

int daysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && Calendar::isLeapYear(year) ? 29 : days[month - 1];
}

} // namespace

QDateTime FixedClock::parseLocalTime(const QString& text, const Calendar& calendar)
{
    const qsizetype n = text.size();
    if (n != 10 && n != 16 && n != 19)
        return {};
    if (text[4] != u'-' || text[7] != u'-')
        return {};
    const int year = readNumber(text, 0, 4);
    const int month = readNumber(text, 5, 2);
    const int day = readNumber(text, 8, 2);
    // A bare date stands for the middle of that day: noon is never inside a
    // daylight-saving gap, and a few hours of zone error cannot change the day.
    int hour = 12, minute = 0, second = 0;
    if (n >= 16) {
        if (text[10] != u'T' || text[13] != u':')
            return {};
        hour = readNumber(text, 11, 2);
        minute = readNumber(text, 14, 2);
        second = 0;
        if (n == 19) {
            if (text[16] != u':')
                return {};
            second = readNumber(text, 17, 2);
        }
    }
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return {};
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return {};
    return calendar.date(year, month, day, hour, minute, second);
}

} // namespace fetemark
