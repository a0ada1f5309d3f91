#include "CsvExport.h"

#include "core/database/RecordDatabase.h"
#include "core/text/Texts.h"
#include "core/time/DateFormatter.h"
#include "core/time/DatePatterns.h"

#include "platform/desktop/MailComposer.h"
#include "platform/files/AtomicFile.h"

#include <QDir>
#include <QStringEncoder>

namespace fetemark {
namespace {

// "," alone: after ", " spreadsheet programs and CSV readers see a field that begins
// with a space rather than a quote, and split "Mar 10, 1997" into two columns.
const QString Separator = QStringLiteral(",");

// An other date is named by its label (none without one); the rest by their kind.
QString eventText(const OccasionRecord& record, const Texts& texts)
{
    if (record.type != OccasionRecord::OtherDate)
        return RecordDatabase::stringForType(record.type, texts);
    return record.otherDateLabel.isEmpty()
        ? QString()
        : OccasionRecord::formattedCustomLabel(record.otherDateLabel, texts);
}

// A cell of free text (a name, a label, notes) that no spreadsheet reads as a formula.
QString textCell(const QString& value)
{
    // Looked at before quoting turns a leading carriage return into a space, which
    // spreadsheets trim before they look for a formula.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!value.isEmpty() && formulaStarts.contains(value.front()))
        return CsvExport::quoted(u'\'' + value);
    return CsvExport::quoted(value);
}

} // namespace

CsvExport::CsvExport(RecordDatabase& database) : m_database(database) { }

QString CsvExport::quoted(const QString& value)
{
    QString v = value;
    // Any line break, not only "\n": "\r" alone ends a line for several readers.
    v.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (const QChar c : {QChar(u'\n'), QChar(u'\r'), QChar(u'\u2028'), QChar(u'\u2029')})
        v.replace(c, QLatin1Char(' '));
    v.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return u'"' + v + u'"';
}

QString CsvExport::text() const
{
    const Texts& texts = m_database.texts();
    const DeviceEnvironment& device = m_database.device();
    const DateFormatter medium(
        DateFormatter::datePattern(DateFormatter::Style::Medium, device.localeName),
        device.localeName, device.timeZoneId);

    // A date without a year is written without one, not with the year that marks it.
    const DateFormatter mediumNoYear(
        DatePatterns::mediumNoYear(m_database.currentLanguage(), device.localeName),
        device.localeName, device.timeZoneId);

    QString out = texts.text(QStringLiteral("ExportToEmailCSVHeader"),
        QStringLiteral("\"Name\",\"Event\",\"Date\",\"Notes\""));
    out += u'\n';
    for (const OccasionRecordPtr& record : m_database.records()) {
        const DateFormatter& format = record->lionNoYear ? mediumNoYear : medium;
        const QString date = record->rawDate.isValid() ? format.format(record->rawDate) : QString();
        out += textCell(record->name) + Separator + textCell(eventText(*record, texts)) +
            Separator + quoted(date) + Separator +
            textCell(m_database.getNotesForOccasionRecord(*record)) + u'\n';
    }
    return out;
}

QByteArray CsvExport::encode(const QString& text)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

bool CsvExport::write(const QString& directory, QString* error) const
{
    return AtomicFile::write(
        QDir(directory).filePath(QString::fromLatin1(FileName)), encode(text()), error);
}

CsvExport::MailResult CsvExport::exportToEmail(
    const QString& directory, MailComposer& composer) const
{
    MailResult result;
    result.path = QDir(directory).filePath(QString::fromLatin1(FileName));
    if (!write(directory, &result.message))
        return result;
    result.written = true;

    MailDraft draft;
    draft.subject = m_database.texts().format(QStringLiteral("FetemarkExport"),
        QStringLiteral("%@ Export"), {QStringLiteral("Fetemark")});
    draft.attachments << result.path;
    QString why;
    result.composed = composer.compose(draft, &why);
    if (!result.composed)
        result.message = QStringLiteral("%1; the export is saved as %2").arg(why, result.path);
    return result;
}

} // namespace fetemark
