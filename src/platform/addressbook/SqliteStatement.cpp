#include "SqliteStatement.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace fetemark {

namespace {

QString withFullDisk(int code, const QString& message)
{
    if ((code & 0xff) != SQLITE_FULL)
        return message;
    return QStringLiteral("No space left on device (%1)").arg(message);
}

} // namespace

QString sqliteMessage(sqlite3* db)
{
    QString message = QString::fromUtf8(sqlite3_errmsg(db));
    // "disk I/O error" alone does not say what the system refused.
    if ((sqlite3_errcode(db) & 0xff) == SQLITE_IOERR && sqlite3_system_errno(db) != 0)
        message += QStringLiteral(" (%1)").arg(
            QString::fromLocal8Bit(std::strerror(sqlite3_system_errno(db))));
    return withFullDisk(sqlite3_errcode(db), message);
}

SqliteFault sqliteFault(int code)
{
    switch (code & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return SqliteFault::None;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return SqliteFault::Damaged;
    case SQLITE_FULL:
        return SqliteFault::Full;
    case SQLITE_READONLY:
        return SqliteFault::ReadOnly;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return SqliteFault::CannotOpen;
    default:
        return SqliteFault::Other;
    }
}

namespace {

// A file of SQLite's beside the book that holds something.
bool holdsData(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.size() > 0;
}

} // namespace

// A database in WAL mode is read through its -shm file, which SQLite creates when it is
// missing: in a folder nobody may write to that fails, and the file would look unreadable.
// There, and only when no -wal or -journal file holds changes that are not in the file
// yet, it is opened as immutable: SQLite then takes no locks and creates nothing. Nobody
// can be writing it meanwhile, since nobody can create the files a writer needs.
QByteArray sqliteReadOnlyUri(const QString& path)
{
    QByteArray uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
    const QString folder = QFileInfo(path).absolutePath();
    // The effective user is the one SQLite writes as.
    const bool folderWritable =
        ::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK, AT_EACCESS) == 0;
    if (!folderWritable && !holdsData(path + QStringLiteral("-wal")) &&
        !holdsData(path + QStringLiteral("-journal")))
        uri += "?immutable=1";
    return uri;
}

bool sqliteExecute(sqlite3* db, const char* sql, QString* error)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK && error)
        *error = withFullDisk(
            rc, message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc)));
    sqlite3_free(message);
    return rc == SQLITE_OK;
}

std::optional<QString> sqliteScalar(sqlite3* db, const char* sql, QString& error, int* code)
{
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    std::optional<QString> result;
    if (rc == SQLITE_OK) {
        SqliteQuery q(statement);
        rc = q.step();
        if (rc == SQLITE_ROW)
            result = q.text(0);
        else if (rc == SQLITE_DONE)
            result = QString();
    }
    if (!result)
        error = sqliteMessage(db);
    if (code)
        *code = rc;
    sqlite3_finalize(statement);
    return result;
}

std::optional<QStringList> sqliteTexts(sqlite3* db, const char* sql, QString& error)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        error = sqliteMessage(db);
        return std::nullopt;
    }
    QStringList texts;
    int rc;
    {
        SqliteQuery q(statement);
        while ((rc = q.step()) == SQLITE_ROW)
            texts << q.text(0);
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) {
        error = sqliteMessage(db);
        return std::nullopt;
    }
    return texts;
}

// ---- SqliteStatementCache ------------------------------------------------------------------

SqliteStatementCache::SqliteStatementCache(sqlite3* db, std::span<const char* const> sql)
    : m_db(db), m_sql(sql), m_statements(sql.size(), nullptr)
{
}

SqliteStatementCache::~SqliteStatementCache()
{
    for (sqlite3_stmt* statement : m_statements)
        sqlite3_finalize(statement);
}

sqlite3_stmt* SqliteStatementCache::get(std::size_t id)
{
    sqlite3_stmt*& statement = m_statements[id];
    if (!statement &&
        sqlite3_prepare_v3(m_db, m_sql[id], -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
            SQLITE_OK)
        statement = nullptr;
    return statement;
}

// ---- SqliteQuery ---------------------------------------------------------------------------

namespace {

bool isoDate(const QDate& date, char (&out)[11])
{
    if (!SqliteQuery::isStorableDate(date))
        return false;
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", date.year(), date.month(), date.day());
    return true;
}

// The number written with `count` digits from `from`; false when one is no digit.
bool digits(const unsigned char* text, int from, int count, int& out)
{
    out = 0;
    for (int i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        out = out * 10 + (text[i] - '0');
    }
    return true;
}

} // namespace

void SqliteQuery::bind(int index, const QString& text)
{
    if (text.isNull()) {
        sqlite3_bind_null(m_statement, index);
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

bool SqliteQuery::isStorableDate(const QDate& date)
{
    return date.isValid() && date.year() >= 1 && date.year() <= 9999;
}

void SqliteQuery::bindDate(int index, const QDate& date)
{
    char iso[11];
    if (isoDate(date, iso))
        sqlite3_bind_text(m_statement, index, iso, 10, SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(m_statement, index);
}

// Parsed by hand: reading a whole book reads tens of thousands of them.
QDate SqliteQuery::date(int column) const
{
    if (sqlite3_column_type(m_statement, column) != SQLITE_TEXT)
        return QDate();
    const unsigned char* s = sqlite3_column_text(m_statement, column);
    if (sqlite3_column_bytes(m_statement, column) != 10 || s[4] != '-' || s[7] != '-')
        return QDate();
    int year = 0, month = 0, day = 0;
    if (!digits(s, 0, 4, year) || !digits(s, 5, 2, month) || !digits(s, 8, 2, day) || year == 0)
        return QDate();
    return QDate(year, month, day); // invalid for 2023-02-30 and the like
}

} // namespace fetemark
