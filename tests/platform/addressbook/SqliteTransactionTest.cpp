// The SQLite wrapper under the address book, on its failure paths: changes that are not
// kept, a transaction SQLite dropped by itself, a refused commit, a busy file, and SQL
// that does not compile.
#include "platform/addressbook/SqliteTransaction.h"
#include "platform/addressbook/SqliteStatement.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace fetemark {
namespace {

using Commit = SqliteTransaction::Commit;

// A file with one table `t`; `c` refers to it with a foreign key checked at commit.
class Connection {
public:
    explicit Connection(const QString& path)
    {
        sqlite3_open(path.toUtf8().constData(), &db);
        sqliteExecute(db,
            "PRAGMA foreign_keys = ON;"
            "CREATE TABLE IF NOT EXISTS t (id INTEGER PRIMARY KEY);"
            "CREATE TABLE IF NOT EXISTS c (t_id REFERENCES t(id) DEFERRABLE INITIALLY DEFERRED);");
    }
    ~Connection() { sqlite3_close_v2(db); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* db = nullptr;
};

struct Book : Connection {
    using Connection::Connection;

    // Runs `sql` as one change, kept or not.
    bool change(const char* sql, bool keep = true)
    {
        SqliteChange change(transaction);
        if (!change.ready())
            return false;
        if (!sqliteExecute(db, sql, &lastError))
            return false;
        if (keep)
            change.commit();
        return true;
    }

    QString lastError;
    SqliteTransaction transaction {db, QStringLiteral("the test file"), lastError};
};

struct Row {
    std::string name;
    std::function<void(Book& book, Connection& other)> act;
    Commit committed;
    int rowsSaved;              // rows of `t` another connection sees afterwards
    const char* mentioned = ""; // in the last error or the commit's error
};

class SqliteTransactionFailure : public testing::TestWithParam<Row> { };

TEST_P(SqliteTransactionFailure, LeavesNothingOfWhatWasNotSaved)
{
    const Row& row = GetParam();
    const test::TempDir dir;
    const QString path = dir.file(QStringLiteral("test.sqlite"));
    Book book(path);
    {
        Connection other(path);
        row.act(book, other);
    }
    QString error;
    EXPECT_EQ(book.transaction.commit(error), row.committed);
    EXPECT_FALSE(book.transaction.inTransaction());
    EXPECT_FALSE(book.transaction.hasUnsavedChanges());
    EXPECT_TRUE((book.lastError + error).contains(QLatin1StringView(row.mentioned)))
        << (book.lastError + error).toStdString();
    QString countError;
    EXPECT_EQ(sqliteScalar(Connection(path).db, "SELECT count(*) FROM t", countError),
        QString::number(row.rowsSaved));
}

constexpr const char* Insert1 = "INSERT INTO t VALUES (1)";
constexpr const char* Insert2 = "INSERT INTO t VALUES (2)";

INSTANTIATE_TEST_SUITE_P(Failures, SqliteTransactionFailure,
    testing::Values(
        Row {"KeptChangeSaved", [](Book& b, Connection&) { b.change(Insert1); }, Commit::Saved, 1},
        Row {"UnkeptChangeEndsTheTransaction",
            [](Book& b, Connection&) {
                b.change(Insert1, false);
                EXPECT_FALSE(b.transaction.inTransaction());
            },
            Commit::Saved, 0},
        Row {"UnkeptChangeKeepsEarlierOnes",
            [](Book& b, Connection&) {
                b.change(Insert1);
                b.change(Insert2, false);
                EXPECT_TRUE(b.transaction.hasUnsavedChanges());
            },
            Commit::Saved, 1},
        Row {"ChangeFailingHalfWay",
            [](Book& b, Connection&) {
                EXPECT_FALSE(b.change("INSERT INTO t VALUES (1); INSERT INTO t VALUES (1);"));
            },
            Commit::Saved, 0, "UNIQUE"},
        Row {"DroppedBySqlite",
            [](Book& b, Connection&) {
                b.change(Insert1);
                sqliteExecute(b.db, "ROLLBACK");
            },
            Commit::Lost, 0},
        Row {"DroppedBySqliteThenChangedAgain",
            [](Book& b, Connection&) {
                b.change(Insert1);
                sqliteExecute(b.db, "ROLLBACK");
                b.change(Insert2);
            },
            Commit::Lost, 0},
        Row {"CommitRefused",
            [](Book& b, Connection&) {
                b.change(Insert1);
                b.change("INSERT INTO c VALUES (7)");
            },
            Commit::Failed, 0, "FOREIGN KEY"},
        Row {"FileBusy",
            [](Book& b, Connection& other) {
                sqliteExecute(other.db, "BEGIN IMMEDIATE");
                EXPECT_FALSE(b.change(Insert1));
            },
            Commit::Saved, 0, "the test file cannot be changed now"}),
    [](const testing::TestParamInfo<Row>& info) { return info.param.name; });

// SQL that does not compile or run is reported, never taken for an empty answer.
TEST(SqliteStatement, BadSqlReported)
{
    const test::TempDir dir;
    Connection connection(dir.file(QStringLiteral("test.sqlite")));
    const char* const sql[] = {"SELECT id FROM nowhere"};
    SqliteStatementCache statements(connection.db, sql);
    EXPECT_FALSE(SqliteQuery(statements.get(0)).ready());
    EXPECT_TRUE(sqliteMessage(connection.db).contains(QLatin1StringView("nowhere")));

    QString error;
    EXPECT_FALSE(sqliteScalar(connection.db, "SELECT nothing", error));
    EXPECT_TRUE(error.contains(QLatin1StringView("nothing"))) << error.toStdString();
    error.clear();
    EXPECT_FALSE(sqliteTexts(connection.db, "SELECT id FROM nowhere", error));
    EXPECT_TRUE(error.contains(QLatin1StringView("nowhere"))) << error.toStdString();
    error.clear();
    EXPECT_FALSE(sqliteExecute(connection.db, "DROP TABLE nowhere", &error));
    EXPECT_TRUE(error.contains(QLatin1StringView("nowhere"))) << error.toStdString();
}

} // namespace
} // namespace fetemark
