#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace fetemark {

// The text of the connection's last error. A full disk is named as the system names it:
// SQLite's own "database or disk is full" does not tell the user what to do.
QString sqliteMessage(sqlite3* db);

// What a failed call means to the one who owns the file, from SQLite's result code.
enum class SqliteFault {
    None,
    Damaged,    // SQLITE_CORRUPT, SQLITE_NOTADB
    Full,       // SQLITE_FULL
    ReadOnly,   // SQLITE_READONLY
    CannotOpen, // SQLITE_CANTOPEN, SQLITE_PERM
    Other,
};
SqliteFault sqliteFault(int code);

// The URI (for SQLITE_OPEN_URI) that opens the database at `path` for reading only
// without creating or changing any file, even in a folder that cannot be written to.
QByteArray sqliteReadOnlyUri(const QString& path);

// Runs SQL that returns no rows (one statement or several); false with `error` set when
// it fails.
bool sqliteExecute(sqlite3* db, const char* sql, QString* error = nullptr);

// The text of a one-value query (PRAGMA results), empty when it gives no row; nullopt
// with `error` set (and SQLite's result code in `code`) when it fails.
std::optional<QString> sqliteScalar(
    sqlite3* db, const char* sql, QString& error, int* code = nullptr);

// The first column of every row of a query, as text; nullopt with `error` set when the
// query fails.
std::optional<QStringList> sqliteTexts(sqlite3* db, const char* sql, QString& error);

// The statements of one connection, each compiled on first use and kept: most calls run
// one or two short statements, and compiling them costs more than running them. The cache
// must be destroyed before the connection is closed.
class SqliteStatementCache {
public:
    SqliteStatementCache(sqlite3* db, std::span<const char* const> sql);
    ~SqliteStatementCache();
    SqliteStatementCache(const SqliteStatementCache&) = delete;
    SqliteStatementCache& operator=(const SqliteStatementCache&) = delete;

    // The statement with this index in the SQL list; nullptr when it does not compile
    // (sqliteMessage() says why), tried again on the next call.
    sqlite3_stmt* get(std::size_t id);

private:
    sqlite3* m_db;
    std::span<const char* const> m_sql;
    std::vector<sqlite3_stmt*> m_statements;
};

// One run of a prepared statement: binds its parameters, steps through its rows and reads
// their columns. The statement is reset and its parameters cleared when the query goes
// out of scope, so that no read stays open and pins an old snapshot of the file.
//
// Dates are stored as "YYYY-MM-DD" text, for the years 1 to 9999 only: that is the range
// the ISO form can express without signs or extra digits.
class SqliteQuery {
public:
    // A null statement (one that did not compile) gives a query that is not ready().
    explicit SqliteQuery(sqlite3_stmt* statement) : m_statement(statement) { }
    ~SqliteQuery()
    {
        // reset() repeats the error of the last step, which the caller has seen already.
        if (m_statement) {
            sqlite3_reset(m_statement);
            sqlite3_clear_bindings(m_statement);
        }
    }
    SqliteQuery(const SqliteQuery&) = delete;
    SqliteQuery& operator=(const SqliteQuery&) = delete;

    bool ready() const { return m_statement != nullptr; }

    // ---- Parameters (numbered from 1) ----
    // A null string is stored as NULL and an empty one as '', so both come back as they went.
    void bind(int index, const QString& text);
    void bind(int index, sqlite3_int64 value) { sqlite3_bind_int64(m_statement, index, value); }
    // Text that lives at least as long as the query, bound without a copy.
    void bindStatic(int index, const char* text)
    {
        sqlite3_bind_text(m_statement, index, text, -1, SQLITE_STATIC);
    }
    void bindBlob(int index, const QByteArray& bytes)
    {
        sqlite3_bind_blob64(
            m_statement, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
    }
    // A date outside isStorableDate() is bound as NULL.
    void bindDate(int index, const QDate& date);
    static bool isStorableDate(const QDate& date);

    // ---- Running ----
    // SQLITE_ROW while there are rows, then SQLITE_DONE, or an error code. A column of the
    // last row that could not be read ends the rows with SQLITE_NOMEM, so that a loop over
    // the rows sees it as it sees a failed step.
    int step() { return m_columnFailed ? SQLITE_NOMEM : sqlite3_step(m_statement); }
    // The columns read from the current row so far came back whole.
    bool columnsRead() const { return !m_columnFailed; }
    // Runs a statement that returns no rows; false when it fails.
    bool run() { return step() == SQLITE_DONE; }
    // Rows changed by the last INSERT, UPDATE or DELETE run on the connection.
    int changedRows() const { return sqlite3_changes(sqlite3_db_handle(m_statement)); }
    // Row id given by the last INSERT run on the connection.
    sqlite3_int64 insertedRowID() const
    {
        return sqlite3_last_insert_rowid(sqlite3_db_handle(m_statement));
    }

    // ---- Columns of the current row (numbered from 0) ----
    bool isNull(int column) const
    {
        return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
    }
    // NULL reads as a null string, '' as an empty one.
    QString text(int column) const
    {
        if (isNull(column))
            return QString();
        const QByteArrayView bytes = utf8(column);
        if (bytes.isEmpty())
            return QString(QLatin1StringView("")); // empty, not null
        return QString::fromUtf8(bytes);
    }
    // The text's bytes, valid until the next step; empty for NULL.
    QByteArrayView utf8(int column) const
    {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        checkColumn(bytes);
        return QByteArrayView(bytes, sqlite3_column_bytes(m_statement, column));
    }
    sqlite3_int64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    QByteArray blob(int column) const
    {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(m_statement, column));
        checkColumn(bytes);
        return QByteArray(bytes, sqlite3_column_bytes(m_statement, column));
    }
    // Strictly "YYYY-MM-DD"; anything else, or a day that does not exist, is an invalid date.
    QDate date(int column) const;

private:
    // A null value pointer is NULL or an empty value, unless SQLite ran out of memory
    // converting it.
    void checkColumn(const void* value) const
    {
        if (!value && sqlite3_errcode(sqlite3_db_handle(m_statement)) == SQLITE_NOMEM)
            m_columnFailed = true;
    }

    sqlite3_stmt* m_statement;
    mutable bool m_columnFailed = false;
};

} // namespace fetemark
