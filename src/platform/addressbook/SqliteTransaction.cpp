#include "SqliteTransaction.h"

#include <array>
#include <utility>

namespace fetemark {

namespace {

constexpr std::array<const char*, 5> TransactionSql = {
    "BEGIN",
    "COMMIT",
    "SAVEPOINT change",
    "RELEASE change",
    "ROLLBACK TO change",
};

} // namespace

SqliteTransaction::SqliteTransaction(sqlite3* db, QString store, QString& lastError)
    : m_db(db), m_store(std::move(store)), m_lastError(lastError), m_statements(db, TransactionSql)
{
    static_assert(TransactionSql.size() == StatementCount);
}

bool SqliteTransaction::run(Statement statement)
{
    SqliteQuery q(m_statements.get(statement));
    if (!q.ready()) {
        m_lastError = sqliteMessage(m_db);
        return false;
    }
    return q.run();
}

bool SqliteTransaction::fail(const char* what)
{
    m_lastError = QStringLiteral("%1: %2").arg(QLatin1StringView(what), sqliteMessage(m_db));
    return false;
}

// Opens the write transaction when none is open.
bool SqliteTransaction::beginWrite()
{
    if (inTransaction())
        return true;
    QString error;
    if (!sqliteExecute(m_db, "BEGIN IMMEDIATE", &error)) {
        m_lastError = QStringLiteral("%1 cannot be changed now (%2)").arg(m_store, error);
        return false;
    }
    if (m_unsaved) {
        // SQLite rolled the last transaction back on its own; commit() must not pretend
        // those changes were kept.
        m_unsaved = false;
        m_lostChanges = true;
    }
    return true;
}

void SqliteTransaction::rollbackIfUnused()
{
    if (!m_unsaved && inTransaction())
        sqliteExecute(m_db, "ROLLBACK");
}

SqliteTransaction::Commit SqliteTransaction::commit(QString& error)
{
    const bool hadChanges = m_unsaved || m_lostChanges;
    m_unsaved = false;
    if (std::exchange(m_lostChanges, false)) {
        if (inTransaction())
            sqliteExecute(m_db, "ROLLBACK");
        return Commit::Lost;
    }
    if (!inTransaction())
        return hadChanges ? Commit::Lost : Commit::Saved;
    if (sqliteExecute(m_db, "COMMIT", &error))
        return Commit::Saved;
    if (inTransaction())
        sqliteExecute(m_db, "ROLLBACK");
    return Commit::Failed;
}

void SqliteTransaction::rollback()
{
    m_unsaved = false;
    m_lostChanges = false;
    if (inTransaction())
        sqliteExecute(m_db, "ROLLBACK");
}

// ---- SqliteChange ----------------------------------------------------------------------------

SqliteChange::SqliteChange(SqliteTransaction& transaction) : m_transaction(transaction)
{
    if (!transaction.beginWrite())
        return;
    m_open = transaction.run(SqliteTransaction::Savepoint);
    if (!m_open) {
        transaction.fail("starting a change");
        transaction.rollbackIfUnused();
    }
}

SqliteChange::~SqliteChange()
{
    if (!m_open)
        return;
    if (m_committed) {
        if (m_transaction.run(SqliteTransaction::Release)) {
            m_transaction.m_unsaved = true;
            return;
        }
        m_transaction.fail("finishing a change");
    }
    m_transaction.run(SqliteTransaction::RollbackToSavepoint);
    m_transaction.run(SqliteTransaction::Release);
    m_transaction.rollbackIfUnused();
}

// ---- SqliteReadSnapshot ----------------------------------------------------------------------

SqliteReadSnapshot::SqliteReadSnapshot(SqliteTransaction& transaction) : m_transaction(transaction)
{
    m_began = !transaction.inTransaction() && transaction.run(SqliteTransaction::BeginRead);
}

SqliteReadSnapshot::~SqliteReadSnapshot()
{
    if (m_began && !m_transaction.run(SqliteTransaction::CommitRead))
        sqliteExecute(m_transaction.m_db, "ROLLBACK");
}

} // namespace fetemark
