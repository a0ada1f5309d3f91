#pragma once

#include <QByteArray>
#include <QString>

namespace fetemark {

class MailComposer;
class RecordDatabase;

// Every occasion the database holds as comma-separated text, for the user to mail to
// themselves or open in a spreadsheet: a header line, then one line per record in the
// database's order, each value in double quotes.
//
// A double quote inside a value is doubled and line breaks inside a value become
// spaces, so every CSV reader sees one row per occasion (values are separated by a
// comma and a space; readers that do not skip the space see it inside the value).
// A value from the user's data that a spreadsheet would take for a formula (it begins
// with = + - @, a tab or a carriage return) is written with an apostrophe before it, which
// spreadsheets read as "this is text" and do not show.
class CsvExport {
public:
    static constexpr const char* FileName = "Fetemark.csv";

    explicit CsvExport(RecordDatabase& database);

    QString text() const;
    // The file's bytes: UTF-16 (little-endian) with a byte-order mark.
    static QByteArray encode(const QString& text);

    // Writes "Fetemark.csv" into `directory` atomically; false with `error` set.
    bool write(const QString& directory, QString* error) const;

    struct MailResult {
        bool written = false;  // the file is in place
        bool composed = false; // the mail program has the draft
        QString path;
        QString message; // what went wrong, or where the file is when no mail program took it
    };
    // Writes the file and hands it to the mail composer with its subject. The file stays
    // where it is: the mail program reads the attachment after the composer returns.
    MailResult exportToEmail(const QString& directory, MailComposer& composer) const;

    static QString quoted(const QString& value);

private:
    RecordDatabase& m_database;
};

} // namespace fetemark
