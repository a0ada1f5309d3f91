#pragma once

#include "platform/addressbook/SqliteStatement.h"

#include <QString>

namespace fetemark {

// The write transaction of a connection that keeps its changes until they are saved: the
// first change opens it, each change runs in a savepoint of its own inside it (see
// SqliteChange), and commit() or rollback() ends it.
//
// The transaction is opened with BEGIN IMMEDIATE, which takes the write lock at once: a
// second writer waits (busy timeout) at its first change instead of failing later at
// commit(). SQLite may end the transaction by itself after an I/O error; changes made
// before that are then reported as lost rather than taken for saved.
class SqliteTransaction {
public:
    // `store` names what the connection holds in messages ("the address book"); failures
    // are written to `lastError`.
    SqliteTransaction(sqlite3* db, QString store, QString& lastError);

    bool inTransaction() const { return !sqlite3_get_autocommit(m_db); }
    // A change was kept since the last commit or rollback, and is still held.
    bool hasUnsavedChanges() const { return m_unsaved && inTransaction(); }

    enum class Commit {
        Saved,  // written, or there was nothing to write
        Lost,   // SQLite had already dropped the changes
        Failed, // not written (`error` says why); the changes are dropped
    };
    Commit commit(QString& error);
    // Drops the changes.
    void rollback();

private:
    friend class SqliteChange;
    friend class SqliteReadSnapshot;
    enum Statement {
        BeginRead,
        CommitRead,
        Savepoint,
        Release,
        RollbackToSavepoint,
        StatementCount
    };

    bool run(Statement statement);
    bool fail(const char* what);
    bool beginWrite();
    void rollbackIfUnused();

    sqlite3* m_db;
    QString m_store;
    QString& m_lastError;
    SqliteStatementCache m_statements;
    bool m_unsaved = false;     // a change was kept since the last commit or rollback
    bool m_lostChanges = false; // SQLite dropped the transaction with unsaved changes in it
};

// One change: a savepoint in the connection's write transaction, which the first change
// opens. Undone when it goes out of scope unless commit() was called, so that a change
// failing half-way leaves nothing behind. A failed first change ends the transaction too:
// other connections would wait for a write lock that holds nothing.
class SqliteChange {
public:
    explicit SqliteChange(SqliteTransaction& transaction);
    ~SqliteChange();
    SqliteChange(const SqliteChange&) = delete;
    SqliteChange& operator=(const SqliteChange&) = delete;

    // false when the change could not be started (the error is reported).
    bool ready() const { return m_open; }
    // Keeps the change in the transaction.
    void commit() { m_committed = true; }

private:
    SqliteTransaction& m_transaction;
    bool m_open = false;
    bool m_committed = false;
};

// Several reads that must see the same state of the file (people, then their values)
// share one read transaction, unless the connection is already inside its own.
class SqliteReadSnapshot {
public:
    explicit SqliteReadSnapshot(SqliteTransaction& transaction);
    ~SqliteReadSnapshot();
    SqliteReadSnapshot(const SqliteReadSnapshot&) = delete;
    SqliteReadSnapshot& operator=(const SqliteReadSnapshot&) = delete;

private:
    SqliteTransaction& m_transaction;
    bool m_began = false;
};

} // namespace fetemark
