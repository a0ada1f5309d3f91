#include "DateFormatter.h"

#include <unicode/dtptngen.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/parsepos.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>
#include <unicode/ures.h>

namespace fetemark {

namespace {

icu::UnicodeString toIcu(const QString& s)
{
    return icu::UnicodeString(reinterpret_cast<const char16_t*>(s.utf16()), int32_t(s.size()));
}

QString fromIcu(const icu::UnicodeString& s)
{
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

icu::Locale toLocale(const QString& name)
{
    // POSIX-style names are the norm here; BCP 47 tags ("de-DE") are accepted too.
    // Keywords after '@' keep their own hyphens ("calendar=islamic-civil").
    QString n = name;
    const qsizetype at = n.indexOf(QLatin1Char('@'));
    for (qsizetype i = 0; i < (at < 0 ? n.size() : at); ++i) {
        if (n[i] == QLatin1Char('-'))
            n[i] = QLatin1Char('_');
    }
    const icu::Locale locale(n.toUtf8().constData());
    // ICU quietly substitutes the process's default locale for one it has no data for;
    // that would make output depend on the machine, so such names get en_US instead.
    UErrorCode status = U_ZERO_ERROR;
    UResourceBundle* bundle = ures_open(nullptr, locale.getName(), &status);
    ures_close(bundle);
    if (status == U_USING_DEFAULT_WARNING || U_FAILURE(status))
        return icu::Locale("en_US");
    return locale;
}

// The zone the calendar arithmetic would use for the same name: unknown names fall back
// to UTC, so formatted text never disagrees with Calendar's fields.
icu::TimeZone* makeZone(const QString& zoneId)
{
    icu::TimeZone* zone = icu::TimeZone::createTimeZone(toIcu(zoneId));
    icu::UnicodeString resolved;
    zone->getID(resolved);
    if (resolved == icu::UnicodeString(UCAL_UNKNOWN_ZONE_ID)) {
        delete zone;
        zone = icu::TimeZone::createTimeZone(icu::UnicodeString(u"UTC"));
    }
    return zone;
}

std::unique_ptr<icu::SimpleDateFormat> makeFormat(const QString& pattern, const QString& localeName,
    const QString& zoneId, DateFormatter::Placement placement)
{
    const icu::Locale locale = toLocale(localeName);
    UErrorCode status = U_ZERO_ERROR;
    auto format = std::make_unique<icu::SimpleDateFormat>(toIcu(pattern), locale, status);
    if (U_FAILURE(status))
        return nullptr;
    // Always the proleptic Gregorian calendar of Calendar, whatever the locale prefers
    // (th_TH would count Buddhist years, and ICU's default switches to Julian in 1582).
    auto* gregorian = new icu::GregorianCalendar(makeZone(zoneId), locale, status);
    gregorian->setGregorianChange(U_DATE_MIN, status);
    if (U_FAILURE(status)) {
        delete gregorian;
        return nullptr;
    }
    format->adoptCalendar(gregorian);
    // Parsing accepts exactly the pattern: no 30 February, no loose whitespace or
    // digits standing in for month names.
    format->setLenient(false);
    format->setBooleanAttribute(UDAT_PARSE_PARTIAL_LITERAL_MATCH, false, status);
    format->setBooleanAttribute(UDAT_PARSE_MULTIPLE_PATTERNS_FOR_MATCH, false, status);
    if (placement == DateFormatter::Placement::Heading)
        format->setContext(UDISPCTX_CAPITALIZATION_FOR_BEGINNING_OF_SENTENCE, status);
    return format;
}

icu::DateFormat::EStyle toIcuStyle(DateFormatter::Style style)
{
    switch (style) {
    case DateFormatter::Style::Short:
        return icu::DateFormat::kShort;
    case DateFormatter::Style::Medium:
        return icu::DateFormat::kMedium;
    case DateFormatter::Style::Long:
        return icu::DateFormat::kLong;
    case DateFormatter::Style::Full:
        return icu::DateFormat::kFull;
    }
    return icu::DateFormat::kMedium;
}

} // namespace

DateFormatter::DateFormatter(const QString& pattern, const QString& localeName,
    const QString& timeZoneId, Placement placement)
    : m_pattern(pattern), m_locale(localeName), m_zone(timeZoneId), m_placement(placement),
      m_format(makeFormat(pattern, localeName, timeZoneId, placement))
{
}

DateFormatter::DateFormatter(const DateFormatter& other)
    : m_pattern(other.m_pattern), m_locale(other.m_locale), m_zone(other.m_zone),
      m_placement(other.m_placement), m_format(other.m_format ? other.m_format->clone() : nullptr),
      m_firstDay(other.m_firstDay ? other.m_firstDay->clone() : nullptr)
{
}

DateFormatter& DateFormatter::operator=(const DateFormatter& other)
{
    if (this != &other) {
        m_pattern = other.m_pattern;
        m_locale = other.m_locale;
        m_zone = other.m_zone;
        m_placement = other.m_placement;
        m_format.reset(other.m_format ? other.m_format->clone() : nullptr);
        m_firstDay.reset(other.m_firstDay ? other.m_firstDay->clone() : nullptr);
        m_made.clear();
    }
    return *this;
}

DateFormatter::~DateFormatter() = default;

namespace {
constexpr qsizetype MadeLimit = 4096;

bool firstOfMonth(const icu::SimpleDateFormat& format, UDate when)
{
    // The format's own calendar, so the day is the one of its zone.
    std::unique_ptr<icu::Calendar> calendar(format.getCalendar()->clone());
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(when, status);
    return U_SUCCESS(status) && calendar->get(UCAL_DATE, status) == 1 && U_SUCCESS(status);
}
} // namespace

void DateFormatter::setFirstDayPattern(const QString& pattern)
{
    m_firstDay = pattern.isEmpty() ? nullptr : makeFormat(pattern, m_locale, m_zone, m_placement);
    m_made.clear();
}

QString DateFormatter::format(const QDateTime& moment) const
{
    if (!m_format || !moment.isValid())
        return {};
    const qint64 msecs = moment.toMSecsSinceEpoch();
    if (const auto it = m_made.constFind(msecs); it != m_made.cend())
        return *it;
    icu::UnicodeString out;
    const auto* format =
        m_firstDay && firstOfMonth(*m_format, UDate(msecs)) ? m_firstDay.get() : m_format.get();
    format->format(UDate(msecs), out);
    const QString text = fromIcu(out);
    // Bounded: formatting the birthdays of a whole book must not keep every text.
    if (m_made.size() >= MadeLimit)
        m_made.clear();
    m_made.insert(msecs, text);
    return text;
}

QDateTime DateFormatter::parse(const QString& text) const
{
    if (!m_format || text.isEmpty())
        return {};
    const icu::UnicodeString input = toIcu(text);
    icu::ParsePosition pos(0);
    const UDate when = m_format->parse(input, pos);
    if (pos.getErrorIndex() >= 0 || pos.getIndex() != input.length())
        return {};
    // Even a non-lenient ICU parse skips spaces before numeric fields and takes extra
    // digits ("02026"); only text this formatter would itself write back is accepted.
    icu::UnicodeString written;
    m_format->format(when, written);
    if (written != input)
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(when), Qt::UTC);
}

QString DateFormatter::datePattern(Style style, const QString& localeName)
{
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateInstance(toIcuStyle(style), toLocale(localeName)));
    const auto* simple = dynamic_cast<const icu::SimpleDateFormat*>(format.get());
    if (!simple)
        return {};
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    return fromIcu(pattern);
}

QString DateFormatter::bestPattern(const QString& skeleton, const QString& localeName)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(toLocale(localeName), status));
    if (U_FAILURE(status))
        return {};
    const icu::UnicodeString pattern = generator->getBestPattern(toIcu(skeleton), status);
    return U_FAILURE(status) ? QString() : fromIcu(pattern);
}

} // namespace fetemark
