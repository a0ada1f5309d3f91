#include "DatePhrases.h"

#include "core/database/ContactReader.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/TextFormat.h"
#include "core/text/Texts.h"
#include "core/time/DatePatterns.h"

#include <cmath>

namespace fetemark {
namespace {

const QString Half = QStringLiteral("½");

// How far away an occasion is, in the order the classes are tested.
enum class Distance { Yesterday, DaysAgo, Today, Tomorrow, Weekday, Days, Weeks, Months };
// What the phrase speaks of.
enum class Kind { Generic, Birthday, Anniversary, Event };

// One phrase: its key, English default and its arguments in order, one letter each:
// a age, o ordinal of the age, c days ago, d days ahead, w weekday, n weeks or months,
// h the "½" beside them, s the label suffix.
struct PhraseKey {
    const char* key;
    const char* english;
    const char* args;
};

// [distance][kind]
constexpr PhraseKey kPhrases[8][4] = {
    // yesterday
    {{"1DayAgo", "Yesterday%@", "s"}, {"TurnedX1dayAgo", "Turned %d yesterday", "a"},
        {"Xanniversary1dayAgo", "%@ anniversary yesterday", "o"},
        {"event1DayAgo", "%@ yesterday%@", "os"}},
    // days ago
    {{"XdaysAgo", "%d days ago%@", "cs"}, {"TurnedXXdaysAgo", "Turned %d %d days ago", "ac"},
        {"XanniversaryXdaysAgo", "%@ anniversary %d days ago", "oc"},
        {"eventXdaysAgo", "%@ %d days ago%@", "ocs"}},
    // today
    {{"UppercaseToday", "Today%@", "s"}, {"TurningXtoday", "Turning %d today", "a"},
        {"Xanniversarytoday", "%@ anniversary today", "o"}, {"LowercaseToday", "%@ today%@", "os"}},
    // tomorrow
    {{"In1Day", "Tomorrow%@", "s"}, {"TurningXin1day", "Turning %d tomorrow", "a"},
        {"Xanniversaryin1day", "%@ anniversary tomorrow", "o"}, {"in1Day", "%@ tomorrow%@", "os"}},
    // weekday
    {{"OnXdayOfWeek", "On %@%@", "ws"}, {"TurningXonDayOfWeek", "Turning %d on %@", "aw"},
        {"XanniversaryonDayOfWeek", "%@ anniversary on %@", "ow"},
        {"onXdayOfWeek", "%@ on %@%@", "ows"}},
    // days
    {{"InXdays", "In %d days%@", "ds"}, {"TurningXinXdays", "Turning %d in %d days", "ad"},
        {"XanniversaryinXdays", "%@ anniversary in %d days", "od"},
        {"inXdays", "%@ in %d days%@", "ods"}},
    // weeks
    {{"InXWeeks", "In %d%@ weeks%@", "nhs"},
        {"TurningXinXweeks", "Turning %d in %d%@ weeks", "anh"},
        {"XanniversaryinXweeks", "%@ anniversary in %d%@ weeks", "onh"},
        {"inXweeks", "%@ in %d%@ weeks%@", "onhs"}},
    // months
    {{"InXMonths", "In %d%@ months%@", "nhs"},
        {"TurningXinXmonths", "Turning %d in %d%@ months", "anh"},
        {"XanniversaryinXmonths", "%@ anniversary in %d%@ months", "onh"},
        {"inXmonths", "%@ in %d%@ months%@", "onhs"}},
};

bool containsAnyWord(const QString& label, const QStringList& words)
{
    for (const QString& word : words) {
        if (label.contains(word, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// A date text in `pattern` whose first day of a month follows the language's own form.
DateFormatter dayFormatter(
    const QString& pattern, const QString& language, const DeviceEnvironment& device)
{
    DateFormatter format(pattern, device.localeName, device.timeZoneId);
    format.setFirstDayPattern(DatePatterns::firstDayPattern(pattern, language));
    return format;
}

// A phrase opens the row's line: a weekday standing first ("mercoledì") is capitalized
// like the sentence start it is.
QString capitalized(QString text)
{
    if (!text.isEmpty() && text.front().isLower())
        text.front() = text.front().toUpper();
    return text;
}

} // namespace

DatePhrases::DatePhrases(
    const Settings& settings, const Texts& texts, const DeviceEnvironment& device)
    : m_settings(settings), m_texts(texts), m_language(texts.language()),
      m_calendar(device.timeZoneId), m_country(device.countryCode()),
      m_daysOnly(settings.boolValue(QString(Key::DaysOnly))),
      m_largeRows(settings.boolValue(QString(Key::LargeRows))),
      m_showAge(settings.boolValue(QString(Key::ShowAge))),
      m_smartLabels(settings.boolValue(QString(Key::SmartLabels))),
      m_shortFormat(
          dayFormatter(getShortDateFormat(m_language, device.localeName), m_language, device)),
      m_longFormat(
          dayFormatter(OccasionRecord::getLongDateFormatNoYear(m_language, device.localeName),
              m_language, device)),
      m_mediumWithYear(
          dayFormatter(DateFormatter::datePattern(DateFormatter::Style::Medium, device.localeName),
              m_language, device)),
      m_fullWithYear(
          dayFormatter(DateFormatter::datePattern(DateFormatter::Style::Full, device.localeName),
              m_language, device)),
      m_weekday(QStringLiteral("EEEE"), device.localeName, device.timeZoneId)
{
    if (m_smartLabels) {
        const ContactReader reader(settings, texts, m_calendar);
        m_smartWords = reader.birthdayWords() + reader.anniversaryWords();
    }
}

QString DatePhrases::numberToOrdinal(int n, const QString& language)
{
    const QString number = QString::number(n);
    if (language == QLatin1String("DE"))
        return n > 0 ? number + u'.' : number;
    if (language == QLatin1String("IT"))
        return number + u'°';
    if (language == QLatin1String("NL"))
        return number + u'e';
    // French counts "1er", "2e", "3e": the first alone is "premier".
    if (language == QLatin1String("FR"))
        return n == 1 ? QStringLiteral("1er") : (n > 1 ? number + u'e' : number);
    if (language == QLatin1String("RU"))
        return number;
    if (n <= 0)
        return number;
    const int lastDigit = n % 10;
    if (language == QLatin1String("ES"))
        return number +
            ((lastDigit == 1 || lastDigit == 3) ? QStringLiteral("er") : QStringLiteral("º"));
    // Only 10 to 20 take "th" whatever their last digit; 111 is "111st".
    if (n >= 10 && n <= 20)
        return number + QStringLiteral("th");
    switch (lastDigit) {
    case 1:
        return number + QStringLiteral("st");
    case 2:
        return number + QStringLiteral("nd");
    case 3:
        return number + QStringLiteral("rd");
    default:
        return number + QStringLiteral("th");
    }
}

std::vector<DatePhrases::KeyArguments> DatePhrases::phraseKeys()
{
    using K = TextFormat::ArgKind;
    std::vector<KeyArguments> out;
    for (const auto& row : kPhrases) {
        for (const PhraseKey& key : row) {
            KeyArguments entry {key.key, {}};
            for (const char* p = key.args; *p; ++p)
                entry.kinds.push_back(
                    (*p == 'a' || *p == 'c' || *p == 'd' || *p == 'n') ? K::Integer : K::String);
            out.push_back(std::move(entry));
        }
    }
    out.push_back({"In1Year", {K::String}});
    out.push_back({"InXyears", {K::Integer, K::String, K::String}});
    return out;
}

QString DatePhrases::dayOfWeek(const QDateTime& date) const
{
    return m_weekday.format(date);
}

QString DatePhrases::getShortDateFormat(const QString& language, const QString& localeName)
{
    return DatePatterns::shortNoYear(language, localeName);
}

DatePhrases::Rounded DatePhrases::roundWeeks(int days)
{
    Rounded out {days / 7, QString()};
    const int rest = days % 7;
    if (rest >= 5)
        ++out.count;
    else if (rest >= 1)
        out.half = Half;
    return out;
}

DatePhrases::Rounded DatePhrases::roundMonths(int days)
{
    // An average month of 30.42 days; the remainder is what the whole months leave.
    Rounded out {int(days / 30.42), QString()};
    const int rest = days - int(out.count * 30.42);
    if (rest >= 25)
        ++out.count;
    else if (rest >= 10)
        out.half = Half;
    return out;
}

DatePhrases::Rounded DatePhrases::roundYears(int years, int months)
{
    Rounded out {std::abs(years), QString()};
    const int n = std::abs(months);
    if (n >= 10)
        ++out.count;
    else if (n >= 3)
        out.half = Half;
    return out;
}

QString DatePhrases::labelSuffix(const OccasionRecord& record) const
{
    if (record.type != OccasionRecord::OtherDate || record.otherDateLabel.isEmpty())
        return QStringLiteral("");
    const bool contactDate = record.recordID != -1 && !record.isCustomEntry &&
        !record.isFacebookEntry && !record.isHoliday;
    // A smart label already moved the label into the name ("Anna's wedding").
    if (m_smartLabels && contactDate && containsAnyWord(record.otherDateLabel, m_smartWords))
        return QStringLiteral("");
    return QStringLiteral(" (%1)").arg(
        OccasionRecord::formattedCustomLabel(record.otherDateLabel, m_texts));
}

QString DatePhrases::phrase(
    const OccasionRecord& record, const QString& suffix, bool ageShown) const
{
    const int d = record.daysUntilDate;
    const int a = record.age;

    Distance distance;
    if (d == -1)
        distance = Distance::Yesterday;
    else if (d < -1)
        distance = Distance::DaysAgo;
    else if (d == 0)
        distance = Distance::Today;
    else if (d == 1)
        distance = Distance::Tomorrow;
    else if (d <= 6 && !m_daysOnly && !m_largeRows)
        distance = Distance::Weekday;
    else if (d < 14 || m_daysOnly)
        distance = Distance::Days;
    else if (d <= 59)
        distance = Distance::Weeks;
    else
        distance = Distance::Months;

    const bool birthday = record.type == OccasionRecord::Birthday || record.fakeBirthday;
    const bool anniversary = record.type == OccasionRecord::Anniversary || record.fakeAnniversary;
    Kind kind;
    QString s = suffix;
    if (a == 0) {
        kind = Kind::Generic;
    } else if (birthday && !ageShown) {
        kind = Kind::Generic;
        s = QStringLiteral("");
    } else if (birthday) {
        kind = Kind::Birthday;
    } else if (anniversary) {
        kind = Kind::Anniversary;
    } else if (record.type == OccasionRecord::OtherDate) {
        kind = Kind::Event;
    } else {
        return {};
    }

    Rounded rounded;
    if (distance == Distance::Weeks)
        rounded = roundWeeks(d);
    else if (distance == Distance::Months)
        rounded = roundMonths(d);

    const PhraseKey& key = kPhrases[int(distance)][int(kind)];
    TextFormat::Args args;
    for (const char* p = key.args; *p; ++p) {
        switch (*p) {
        case 'a':
            args.emplace_back(std::int64_t(a));
            break;
        case 'o':
            args.emplace_back(numberToOrdinal(a));
            break;
        case 'c':
            args.emplace_back(std::int64_t(-d));
            break;
        case 'd':
            args.emplace_back(std::int64_t(d));
            break;
        case 'w':
            args.emplace_back(dayOfWeek(record.sortDate));
            break;
        case 'n':
            args.emplace_back(std::int64_t(rounded.count));
            break;
        case 'h':
            args.emplace_back(rounded.half);
            break;
        case 's':
            args.emplace_back(s);
            break;
        }
    }
    return capitalized(m_texts.format(QString::fromLatin1(key.key), QString::fromUtf8(key.english),
        args, QString::fromLatin1(Table)));
}

QString DatePhrases::yearsAheadPhrase(
    const OccasionRecord& record, const QDateTime& now, const QString& suffix) const
{
    const Calendar::YearsAndMonths span = m_calendar.yearsAndMonthsBetween(now, record.rawDate);
    const Rounded rounded = roundYears(span.years, span.months);
    const QString table = QString::fromLatin1(Table);
    if (rounded.count <= 1 && rounded.half.isEmpty())
        return m_texts.format(
            QStringLiteral("In1Year"), QStringLiteral("In 1 year%@"), {suffix}, table);
    return m_texts.format(QStringLiteral("InXyears"), QStringLiteral("In %d%@ years%@"),
        {std::int64_t(rounded.count), rounded.half, suffix}, table);
}

QString DatePhrases::countrySuffix(const OccasionRecord& record) const
{
    if (record.category.size() != 2 || record.category.toUpper() == m_country)
        return {};
    const QString key = record.category + QStringLiteral("_name");
    return QStringLiteral(" (%1)").arg(
        m_texts.text(key, record.category, QStringLiteral("Holidays")));
}

void DatePhrases::populateStrings(OccasionRecord& record, const QDateTime& now) const
{
    record.dateText = m_shortFormat.format(record.rawDate);

    if (record.ignoreYear || record.lionNoYear)
        record.age = 0;
    else if (record.daysUntilDate < 366)
        record.age = m_calendar.yearsBetween(record.rawDate, record.sortDate);
    else
        record.age = m_calendar.yearsBetween(record.rawDate, now);

    const bool ageShown = m_showAge && !record.ignoreYear && !record.lionNoYear;
    record.longDateText = m_longFormat.format(record.sortDate);

    const QString suffix = labelSuffix(record);
    const QString none = QStringLiteral("");
    record.detailedTextSansType = QString();
    if (record.age <= -1) {
        record.detailedText = yearsAheadPhrase(record, now, suffix);
        record.detailedTextSansType = yearsAheadPhrase(record, now, none);
        record.sortDate = record.rawDate;
        record.dateText = m_mediumWithYear.format(record.rawDate);
    } else {
        record.detailedText = phrase(record, suffix, ageShown);
        if (record.detailedText.isNull())
            record.detailedText = none;
        if (record.type == OccasionRecord::OtherDate)
            record.detailedTextSansType = phrase(record, none, ageShown);
        // A one-time entry passed in an earlier year is told by its whole date: without
        // the year it would read as this year's.
        if (record.isCustomEntry && record.onetime && record.daysUntilDate < 0 &&
            m_calendar.components(record.sortDate).year < m_calendar.components(now).year) {
            record.dateText = m_mediumWithYear.format(record.sortDate);
            record.longDateText = m_fullWithYear.format(record.sortDate);
        }
    }
    if (record.detailedTextSansType.isEmpty())
        record.detailedTextSansType = record.detailedText;

    if (const QString country = countrySuffix(record); !country.isEmpty()) {
        record.detailedText += country;
        record.detailedTextSansType += country;
    }
}

} // namespace fetemark
