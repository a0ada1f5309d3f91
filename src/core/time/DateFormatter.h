#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

#include <memory>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class SimpleDateFormat;
U_NAMESPACE_END

namespace fetemark {

// Formats moments with a Unicode date pattern ("EEEE, d. MMMM", "yyyy-MM-dd") in one
// locale and time zone, over ICU. Not thread-safe; copies are independent.
class DateFormatter {
public:
    // Where the text stands: inside running text names keep the locale's own case
    // ("décembre"); a heading starts with a capital ("Décembre").
    enum class Placement { RunningText, Heading };

    DateFormatter(const QString& pattern, const QString& localeName, const QString& timeZoneId,
        Placement placement = Placement::RunningText);
    DateFormatter(const DateFormatter& other);
    DateFormatter& operator=(const DateFormatter& other);
    ~DateFormatter();

    QString pattern() const { return m_pattern; }
    // A second pattern for the first day of a month, for languages that write that day
    // differently ("1er janvier"); empty: the one pattern for every day.
    void setFirstDayPattern(const QString& pattern);
    QString format(const QDateTime& moment) const;
    // Strict parse of text in this pattern; invalid QDateTime when it does not match.
    QDateTime parse(const QString& text) const;

    enum class Style { Short, Medium, Long, Full };
    // The locale's own date pattern for a style (dates only, no time), e.g. "MMM d, y"
    // for medium in en_US. Empty when ICU has none.
    static QString datePattern(Style style, const QString& localeName);
    // The locale's own pattern for the fields of a skeleton, in its order and with its
    // separators: "MMMd" gives "MMM d" in en_US, "d. MMM" in de_DE. Empty when ICU has
    // none.
    static QString bestPattern(const QString& skeleton, const QString& localeName);

private:
    QString m_pattern;
    QString m_locale;
    QString m_zone;
    Placement m_placement;
    std::unique_ptr<icu::SimpleDateFormat> m_format;
    std::unique_ptr<icu::SimpleDateFormat> m_firstDay;
    // Texts already made, by moment: a list formats the same few hundred days over and
    // over, and ICU takes far longer than the lookup.
    mutable QHash<qint64, QString> m_made;
};

} // namespace fetemark
