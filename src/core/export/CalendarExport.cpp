#include "CalendarExport.h"

#include "core/database/RecordDatabase.h"
#include "core/records/OccasionId.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"
#include "core/time/Clock.h"

#include <algorithm>

namespace fetemark {
namespace {

constexpr int MaxLineOctets = 75;

QString dateValue(const DateParts& p)
{
    return QString::asprintf("%04d%02d%02d", p.year, p.month, p.day);
}

bool recursYearly(const OccasionRecord& r)
{
    return !r.isHoliday && !(r.isCustomEntry && r.onetime);
}

} // namespace

CalendarExport::CalendarExport(RecordDatabase& database) : m_database(database) { }

QString CalendarExport::escapeText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u';':
            out += QLatin1String("\\;");
            break;
        case u',':
            out += QLatin1String("\\,");
            break;
        case u'\r':
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += QLatin1String("\\n");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        default:
            // Other control characters (DEL among them) are not allowed in a TEXT value.
            if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f)
                out += u' ';
            else
                out += c;
        }
    }
    return out;
}

QByteArray CalendarExport::foldLine(const QString& line)
{
    const QByteArray utf8 = line.toUtf8();
    QByteArray out;
    qsizetype start = 0;
    int limit = MaxLineOctets;
    while (utf8.size() - start > limit) {
        qsizetype cut = start + limit;
        // Step back over continuation bytes so a character stays whole.
        while (cut > start && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80)
            --cut;
        out += utf8.mid(start, cut - start) + "\r\n ";
        start = cut;
        limit = MaxLineOctets - 1; // the leading space of a continuation line counts
    }
    out += utf8.mid(start) + "\r\n";
    return out;
}

QString CalendarExport::title(const OccasionRecord& r) const
{
    const Texts& texts = m_database.texts();
    if (r.isHoliday || r.type == OccasionRecord::Holiday)
        return r.name;
    // A date a smart label read as a birthday or anniversary is titled as one.
    if (r.type == OccasionRecord::Birthday || r.fakeBirthday)
        return texts.format(
            QStringLiteral("CalendarTitleBirthday"), QStringLiteral("%@'s Birthday"), {r.name});
    if (r.type == OccasionRecord::Anniversary || r.fakeAnniversary)
        return texts.format(QStringLiteral("CalendarTitleAnniversary"),
            QStringLiteral("%@'s Anniversary"), {r.name});
    const QString label = r.otherDateLabel.isEmpty()
        ? RecordDatabase::stringForType(OccasionRecord::OtherDate, texts)
        : OccasionRecord::formattedCustomLabel(r.otherDateLabel, texts);
    return texts.format(
        QStringLiteral("CalendarTitleOther"), QStringLiteral("%@'s %@"), {r.name, label});
}

QString CalendarExport::event(
    const OccasionRecord& r, const QString& stamp, const QString& alarmTrigger) const
{
    const Calendar& calendar = m_database.gregorian();
    const bool yearly = recursYearly(r);
    const bool yearKnown = !r.ignoreYear && !r.lionNoYear;
    // A yearly event starts at the first occurrence when its year is known; otherwise (and
    // for single events) at the occurrence the list shows.
    const QDateTime start = (yearly && yearKnown && r.rawDate.isValid()) ? r.rawDate : r.sortDate;
    const DateParts first = calendar.components(start);
    const DateParts after = calendar.components(
        calendar.addDays(calendar.date(first.year, first.month, first.day, 12), 1));

    QStringList lines;
    lines << QStringLiteral("BEGIN:VEVENT")
          << QStringLiteral("UID:%1@fetemark").arg(escapeText(OccasionId::of(r, calendar)))
          << QStringLiteral("DTSTAMP:") + stamp
          << QStringLiteral("DTSTART;VALUE=DATE:") + dateValue(first)
          << QStringLiteral("DTEND;VALUE=DATE:") + dateValue(after);
    if (yearly) {
        const DateParts raw = calendar.components(r.rawDate);
        // 29 February comes round on the last day of February in common years, as the
        // list has it; a plain yearly rule would skip three years in four.
        if (raw.month == 2 && raw.day == 29)
            lines << QStringLiteral("RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1");
        else
            lines << QStringLiteral("RRULE:FREQ=YEARLY");
    }
    const QString summary = escapeText(title(r));
    lines << QStringLiteral("SUMMARY:") + summary;
    const QString notes = m_database.getNotesForOccasionRecord(r).trimmed();
    if (!notes.isEmpty())
        lines << QStringLiteral("DESCRIPTION:") + escapeText(notes);
    lines << QStringLiteral("CATEGORIES:") +
            escapeText(RecordDatabase::stringForType(r.type, m_database.texts()))
          << QStringLiteral("TRANSP:TRANSPARENT");
    if (!r.alertsOff) {
        lines << QStringLiteral("BEGIN:VALARM") << QStringLiteral("ACTION:DISPLAY")
              << QStringLiteral("DESCRIPTION:") + summary
              << QStringLiteral("TRIGGER;RELATED=START:") + alarmTrigger
              << QStringLiteral("END:VALARM");
    }
    lines << QStringLiteral("END:VEVENT");
    return lines.join(u'\n');
}

QByteArray CalendarExport::text() const
{
    const QString stamp =
        m_database.clock().now().toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const Settings& settings = m_database.settings();
    const qint64 hour = std::max<qint64>(0, settings.integerValue(QString(Key::AlertTimeHour)));
    const qint64 minute = std::max<qint64>(0, settings.integerValue(QString(Key::AlertTimeMinute)));
    const QString alarmTrigger = QStringLiteral("PT%1H%2M").arg(hour).arg(minute);
    QStringList lines {QStringLiteral("BEGIN:VCALENDAR"), QStringLiteral("VERSION:2.0"),
        QStringLiteral("PRODID:-//Fetemark//Fetemark//EN"), QStringLiteral("CALSCALE:GREGORIAN"),
        QStringLiteral("X-WR-CALNAME:Fetemark")};
    for (const OccasionRecordPtr& record : m_database.records()) {
        if (record->sortDate.isValid() && record->rawDate.isValid())
            lines << event(*record, stamp, alarmTrigger).split(u'\n');
    }
    lines << QStringLiteral("END:VCALENDAR");

    QByteArray out;
    for (const QString& line : lines)
        out += foldLine(line);
    return out;
}

} // namespace fetemark
