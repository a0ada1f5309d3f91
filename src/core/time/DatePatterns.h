#pragma once

#include <QString>

namespace fetemark {

// Date patterns without a year, chosen by the interface language (two upper-case
// letters such as "DE") and, for languages without a fixed form, by the order of month
// and day in the locale's medium date pattern.
namespace DatePatterns {

QString mediumNoYear(const QString& language, const QString& localeName);
QString longNoYear(const QString& language, const QString& localeName);
QString shortNoYear(const QString& language, const QString& localeName);

// The pattern to use on the first day of a month when the language writes that day
// apart ("d'er' MMMM" for French); empty when the pattern serves every day.
QString firstDayPattern(const QString& pattern, const QString& language);

// True when "M" comes before "d" in the pattern; a missing letter counts as standing
// after every other, and when both are missing the day-first form wins.
bool monthBeforeDay(const QString& mediumPattern);

} // namespace DatePatterns
} // namespace fetemark
