#pragma once

#include "core/records/OccasionRecord.h"
#include "core/text/TextFormat.h"
#include "core/time/Calendar.h"
#include "core/time/DateFormatter.h"
#include "core/time/DeviceEnvironment.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace fetemark {

class Settings;
class Texts;

// The texts a shown occasion carries: its short and long date, the age turned or the
// anniversary counted, and the phrase that says when it falls ("Turning 40 in 3 days",
// "5th anniversary tomorrow", "In 2½ weeks"), all in the interface language.
//
// Built once per pass over the records: it reads the phrase settings and prepares its
// date formatters when made, so a change of settings, language or zone needs a new one.
// Not thread-safe (it keeps ICU formatters): one per thread.
class DatePhrases {
public:
    // The interface language is the texts' language; dates follow the device's locale
    // and zone.
    DatePhrases(const Settings& settings, const Texts& texts, const DeviceEnvironment& device);

    // Sets dateText, age, longDateText, detailedText and detailedTextSansType of a record
    // whose dates were computed. `now` is the current moment; it decides the age of an
    // occasion more than a year ahead and that occasion's "In 1½ years".
    void populateStrings(OccasionRecord& record, const QDateTime& now) const;

    QString numberToOrdinal(int n) const { return numberToOrdinal(n, m_language); }
    static QString numberToOrdinal(int n, const QString& language);
    QString dayOfWeek(const QDateTime& date) const;
    static QString getShortDateFormat(const QString& language, const QString& localeName);

    // The weeks or months a distance in days is read as, with "½" or "" beside.
    struct Rounded {
        int count = 0;
        QString half;
    };
    static Rounded roundWeeks(int days);
    static Rounded roundMonths(int days);
    // Whole years and months between now and a date more than a year ahead.
    static Rounded roundYears(int years, int months);

    static constexpr const char* Table = "DateDetails";

    // Every phrase key with the kinds of the arguments it is filled with, in order.
    struct KeyArguments {
        const char* key;
        std::vector<TextFormat::ArgKind> kinds;
    };
    static std::vector<KeyArguments> phraseKeys();

private:
    QString labelSuffix(const OccasionRecord& record) const;
    // The phrase for the record's distance and kind with `suffix`; null when none fits.
    QString phrase(const OccasionRecord& record, const QString& suffix, bool ageShown) const;
    QString yearsAheadPhrase(
        const OccasionRecord& record, const QDateTime& now, const QString& suffix) const;
    QString countrySuffix(const OccasionRecord& record) const;

    const Settings& m_settings;
    const Texts& m_texts;
    QString m_language;
    Calendar m_calendar;
    QString m_country; // upper-case country code of the device locale
    bool m_daysOnly = false;
    bool m_largeRows = false;
    bool m_showAge = true;
    bool m_smartLabels = false;
    QStringList m_smartWords;
    DateFormatter m_shortFormat;
    DateFormatter m_longFormat;
    DateFormatter m_mediumWithYear;
    DateFormatter m_fullWithYear;
    DateFormatter m_weekday;
};

} // namespace fetemark
