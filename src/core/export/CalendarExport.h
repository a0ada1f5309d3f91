#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace fetemark {

class OccasionRecord;
class RecordDatabase;

// Every occasion as an iCalendar (RFC 5545) event, for calendar programs: birthdays,
// anniversaries and other dates recur yearly from their first occurrence; one-time
// entries and holidays are single events. Each is an all-day event titled without a
// phrase ("Anna Berg's Birthday"), with the occasion's notes, and, unless its alerts are
// off, an alarm at the alert time of its day. The UID is derived from the occasion's
// id, so importing a newer export updates events instead of adding them twice.
class CalendarExport {
public:
    explicit CalendarExport(RecordDatabase& database);

    // The whole calendar, CRLF line ends, long lines folded.
    QByteArray text() const;
    // The title of one occasion's event.
    QString title(const OccasionRecord& record) const;

    // A TEXT value with its backslashes, commas, semicolons and line breaks escaped; the
    // other control characters but tab, which a TEXT value cannot hold, become spaces.
    static QString escapeText(const QString& text);
    // One content line folded at 75 octets, without breaking a UTF-8 sequence.
    static QByteArray foldLine(const QString& line);

private:
    // `alarmTrigger` is the alert time as the alarm's offset from the start of the day.
    QString event(
        const OccasionRecord& record, const QString& stamp, const QString& alarmTrigger) const;

    RecordDatabase& m_database;
};

} // namespace fetemark
