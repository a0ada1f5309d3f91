#pragma once

#include "core/time/Calendar.h"

#include <QDateTime>
#include <QString>

namespace fetemark {

class OccasionRecord;
class Settings;
class Texts;

// The fun facts of an occasion's page: the zodiac sign and birthstone of a birthday, the
// traditional and modern gifts of an anniversary's year, a holiday's description.
//
// The lookups by key are pure; the localized forms read the "Zodiac", "Birthstones" and
// "Gifts" tables. The traditional gifts follow the British and Irish list in those two
// countries and the American list elsewhere.
class FunFacts {
public:
    // `countryCode` is the upper-case country of the device locale ("GB").
    FunFacts(const Texts& texts, const Calendar& calendar, QString countryCode);

    // Whether the page shows the block: other dates only when they stand for a birthday
    // or an anniversary.
    static bool showFunFacts(const OccasionRecord& record, const Settings& settings);

    // Keys of the tables; empty for an impossible month or day.
    static QString zodiacSignKey(int month, int day);
    static QString birthstoneKey(int month);
    static QString traditionalAnniversaryKey(int years, const QString& countryCode);
    static QString modernAnniversaryKey(int years);

    // Localized texts. A date's month and day are read in the calendar's zone, so a date
    // without a year (stored as 1604) gets its sign and stone too.
    QString zodiacSign(const QDateTime& date) const;
    QString birthstone(const QDateTime& date) const;
    QString traditionalAnniversary(int years) const;
    QString modernAnniversary(int years) const;

    // The block's text: two lines for a birthday or an anniversary, a holiday's
    // description, else empty (and the block is hidden).
    QString createViewForFunFacts(const OccasionRecord& record) const;

private:
    const Texts& m_texts;
    const Calendar& m_calendar;
    QString m_country;
};

} // namespace fetemark
