#include "DatePatterns.h"

#include "core/time/DateFormatter.h"

#include <limits>

namespace fetemark::DatePatterns {

namespace {

struct FixedForms {
    const char* language;
    const char* shortForm;
    const char* medium;
    const char* longForm;
};

// Languages whose no-year forms are set by hand rather than derived from a locale:
// their own conventions (German ordinal dot, Spanish "de", day before month) win over
// whatever region the locale names. The medium forms are what the CSV export writes for
// a date without a year.
constexpr FixedForms kFixed[] = {
    {"DE", "d. MMM", "d. MMMM", "EEEE, d. MMMM"},
    {"FR", "d MMM", "d MMMM", "EEEE d MMMM"},
    {"IT", "d MMM", "d MMMM", "EEEE, d MMMM"},
    {"NL", "d MMM", "d MMMM", "EEEE d MMMM"},
    {"RU", "d MMM", "d MMMM", "EEEE, d MMMM"},
    {"ES", "d MMM", "d 'de' MMMM", "EEEE, d 'de' MMMM"},
};

const FixedForms* fixedFor(const QString& language)
{
    for (const auto& forms : kFixed) {
        if (language == QLatin1String(forms.language))
            return &forms;
    }
    return nullptr;
}

bool localeMonthFirst(const QString& localeName)
{
    return monthBeforeDay(DateFormatter::datePattern(DateFormatter::Style::Medium, localeName));
}

// The locale's own form of a day and month, separators included ("d. MMM" in German,
// "MMM d." in Hungarian), which the order of month and day alone would lose.
QString localeForm(const char* skeleton, const QString& localeName)
{
    return DateFormatter::bestPattern(QString::fromLatin1(skeleton), localeName);
}

} // namespace

QString mediumNoYear(const QString& language, const QString& localeName)
{
    if (const auto* forms = fixedFor(language))
        return QString::fromLatin1(forms->medium);
    return localeMonthFirst(localeName) ? QStringLiteral("MMMM d") : QStringLiteral("d MMMM");
}

QString longNoYear(const QString& language, const QString& localeName)
{
    if (const auto* forms = fixedFor(language))
        return QString::fromLatin1(forms->longForm);
    if (QString best = localeForm("MMMMEEEEd", localeName); !best.isEmpty())
        return best;
    return localeMonthFirst(localeName) ? QStringLiteral("EEEE, MMMM d")
                                        : QStringLiteral("EEEE d MMMM");
}

QString shortNoYear(const QString& language, const QString& localeName)
{
    if (const auto* forms = fixedFor(language))
        return QString::fromLatin1(forms->shortForm);
    if (QString best = localeForm("MMMd", localeName); !best.isEmpty())
        return best;
    return localeMonthFirst(localeName) ? QStringLiteral("MMM d") : QStringLiteral("d MMM");
}

QString firstDayPattern(const QString& pattern, const QString& language)
{
    if (language != QLatin1String("FR"))
        return {};
    // French writes the first of a month as an ordinal, "1er janvier", and every other
    // day as a plain number; only a day written beside a month name takes it.
    if (!pattern.contains(QLatin1String("MMM")))
        return {};
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char('d'))
            continue;
        const bool lone =
            (i == 0 || pattern[i - 1] != c) && (i + 1 == pattern.size() || pattern[i + 1] != c);
        if (!lone)
            return {};
        return QString(pattern).insert(i + 1, QLatin1String("'er'"));
    }
    return {};
}

bool monthBeforeDay(const QString& mediumPattern)
{
    if (mediumPattern.isEmpty())
        return false;
    // Text in quotes is literal ("d 'de' MMMM"): its letters are not fields.
    qsizetype month = -1;
    qsizetype day = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < mediumPattern.size() && (month < 0 || day < 0); ++i) {
        const QChar c = mediumPattern[i];
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == QLatin1Char('M') && month < 0)
            month = i;
        else if (c == QLatin1Char('d') && day < 0)
            day = i;
    }
    constexpr qsizetype missing = std::numeric_limits<qsizetype>::max();
    return (month < 0 ? missing : month) < (day < 0 ? missing : day);
}

} // namespace fetemark::DatePatterns
