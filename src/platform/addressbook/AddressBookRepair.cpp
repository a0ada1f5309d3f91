#include "AddressBookRepair.h"

#include "platform/addressbook/AddressBook.h"
#include "platform/addressbook/SqliteStatement.h"
#include "platform/files/DamagedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QScopeGuard>

#include <algorithm>
#include <array>
#include <set>
#include <utility>
#include <vector>

namespace fetemark {

namespace {

// The files SQLite keeps beside a database; they belong with it wherever it goes.
constexpr std::array<const char*, 3> SideFiles = {"-wal", "-shm", "-journal"};

// Ids in the damaged book are looked up one by one up to this many past the last one a
// scan could read: a damaged page hides the rows on it from a scan, not from a lookup of
// the rows behind it.
constexpr sqlite3_int64 MaxProbes = 1'000'000;

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// A connection closed when it goes out of scope.
struct Connection {
    sqlite3* db = nullptr;
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { sqlite3_close_v2(db); }
};

// A compiled statement, finalized when it goes out of scope; not ready when it does not
// compile (the damaged book's layout may not know the table any more).
class Statement {
public:
    Statement(sqlite3* db, const char* sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
            sqlite3_finalize(m_statement);
            m_statement = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return m_statement; }

private:
    sqlite3_stmt* m_statement = nullptr;
};

// Opens the file for reading only; SQLite's result code when it cannot.
int openReadOnly(const QString& path, Connection& c, QString& error)
{
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    const int rc = sqlite3_open_v2(sqliteReadOnlyUri(path).constData(), &c.db, flags, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(c.db, 1);
        // Opening reads nothing yet; a file that is no database shows on the first read.
        QString ignored;
        int code = SQLITE_OK;
        if (!sqliteScalar(c.db, "PRAGMA schema_version", ignored, &code)) {
            error = ignored;
            return code;
        }
        return SQLITE_OK;
    }
    error = c.db ? sqliteMessage(c.db) : QStringLiteral("out of memory");
    return rc;
}

// The rows of a check pragma as text, the columns of a row joined; the failure of the
// pragma itself is one more problem.
QStringList pragmaRows(sqlite3* db, const char* pragma)
{
    Statement statement(db, pragma);
    if (!statement.get())
        return {sqliteMessage(db)};
    QStringList rows;
    SqliteQuery q(statement.get());
    int rc;
    while ((rc = q.step()) == SQLITE_ROW) {
        QStringList columns;
        for (int i = 0; i < sqlite3_column_count(statement.get()); ++i)
            columns << q.text(i);
        rows << columns.join(QLatin1String(" "));
    }
    if (rc != SQLITE_DONE)
        rows << sqliteMessage(db);
    return rows;
}

// The problems SQLite finds in the file: its integrity check, then rows whose person or
// group is gone.
QStringList fileProblems(sqlite3* db)
{
    // One problem a line; SQLite puts several in one row, under a "*** in database ***" title.
    QStringList problems;
    for (const QString& row : pragmaRows(db, "PRAGMA integrity_check")) {
        for (const QString& line : row.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (!line.startsWith(QLatin1String("***")) && line != QLatin1String("ok"))
                problems << line.trimmed();
        }
    }
    QMap<QString, int> orphans;
    Statement statement(db, "PRAGMA foreign_key_check");
    if (!statement.get())
        return problems << sqliteMessage(db);
    SqliteQuery q(statement.get());
    int rc;
    while ((rc = q.step()) == SQLITE_ROW)
        ++orphans[q.text(0)];
    if (rc != SQLITE_DONE)
        problems << sqliteMessage(db);
    for (auto it = orphans.cbegin(); it != orphans.cend(); ++it)
        problems << QStringLiteral("%1 rows of %2 belong to a person or group that is gone")
                        .arg(it.value())
                        .arg(it.key());
    return problems;
}

// Reads a damaged book row by row into a new one: every read that fails skips what it
// could not read, every write that fails ends the salvage.
class Salvage {
public:
    Salvage(sqlite3* from, sqlite3* to) : m_from(from), m_to(to) { }

    bool run(AddressBookRepair::Recovery& counts);
    QString error() const { return m_error; }

private:
    std::set<sqlite3_int64> idsOf(const char* table, std::initializer_list<const char*> sources);
    bool readIds(const char* sql, std::set<sqlite3_int64>& ids);
    int copyRows(const char* read, const char* write, sqlite3_int64 key);
    bool copySequences();

    sqlite3* m_from;
    sqlite3* m_to;
    QString m_error;
};

// Ids a query gives, until it fails; true when it read them all.
bool Salvage::readIds(const char* sql, std::set<sqlite3_int64>& ids)
{
    Statement statement(m_from, sql);
    if (!statement.get())
        return false;
    SqliteQuery q(statement.get());
    int rc;
    while ((rc = q.step()) == SQLITE_ROW)
        ids.insert(q.integer(0));
    return rc == SQLITE_DONE;
}

// The ids of `table`: those a scan reads, those other tables name, and when the scan
// broke off, every id up to the highest one ever given, each to be looked up alone.
std::set<sqlite3_int64> Salvage::idsOf(
    const char* table, std::initializer_list<const char*> sources)
{
    std::set<sqlite3_int64> ids;
    const QByteArray scan = QByteArrayLiteral("SELECT id FROM ") + table + " ORDER BY id";
    const bool complete = readIds(scan.constData(), ids);
    for (const char* sql : sources)
        readIds(sql, ids);
    if (complete)
        return ids;
    std::set<sqlite3_int64> highest;
    const QByteArray sequence =
        QByteArrayLiteral("SELECT seq FROM sqlite_sequence WHERE name = '") + table + "'";
    readIds(sequence.constData(), highest);
    sqlite3_int64 last = ids.empty() ? 0 : *ids.rbegin();
    if (!highest.empty())
        last = std::max(last, *highest.rbegin());
    last = std::min(last, (ids.empty() ? 0 : *ids.rbegin()) + MaxProbes);
    for (sqlite3_int64 id = 1; id <= last; ++id)
        ids.insert(id);
    return ids;
}

// Copies the rows `read` gives for `key` with `write`, whose parameters are the columns
// read; the rows read before a failed read are kept. The rows written, -1 when writing
// failed.
int Salvage::copyRows(const char* read, const char* write, sqlite3_int64 key)
{
    Statement from(m_from, read);
    Statement to(m_to, write);
    if (!to.get()) {
        m_error = sqliteMessage(m_to);
        return -1;
    }
    if (!from.get())
        return 0;
    SqliteQuery q(from.get());
    q.bind(1, key);
    int written = 0;
    while (q.step() == SQLITE_ROW) {
        SqliteQuery insert(to.get());
        for (int i = 0; i < sqlite3_column_count(from.get()); ++i)
            sqlite3_bind_value(to.get(), i + 1, sqlite3_column_value(from.get(), i));
        if (!insert.run()) {
            m_error = sqliteMessage(m_to);
            return -1;
        }
        written += sqlite3_changes(m_to);
    }
    return written;
}

// The highest ids ever given stay given: removed people keep their ids out of use.
bool Salvage::copySequences()
{
    for (const char* table : {"people", "contact_groups"}) {
        std::set<sqlite3_int64> seq;
        const QByteArray sql =
            QByteArrayLiteral("SELECT seq FROM sqlite_sequence WHERE name = '") + table + "'";
        readIds(sql.constData(), seq);
        if (seq.empty())
            continue;
        const QByteArray write =
            QStringLiteral("INSERT INTO sqlite_sequence (name, seq) SELECT '%1', 0 WHERE NOT "
                           "EXISTS (SELECT 1 FROM sqlite_sequence WHERE name = '%1'); "
                           "UPDATE sqlite_sequence SET seq = max(seq, %2) WHERE name = '%1';")
                .arg(QLatin1StringView(table))
                .arg(*seq.rbegin())
                .toLatin1();
        if (!sqliteExecute(m_to, write.constData(), &m_error))
            return false;
    }
    return true;
}

bool Salvage::run(AddressBookRepair::Recovery& counts)
{
    const auto people = idsOf("people",
        {"SELECT person_id FROM person_values", "SELECT person_id FROM group_members",
            "SELECT person_id FROM images", "SELECT person_id FROM card_properties"});
    for (const sqlite3_int64 id : people) {
        const int copied = copyRows(
            "SELECT id, uid, prefix, first_name, middle_name, last_name, suffix, nickname, "
            "organization, note, birthday FROM people WHERE id = ?1",
            "INSERT INTO people (id, uid, prefix, first_name, middle_name, last_name, suffix, "
            "nickname, organization, note, birthday) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, "
            "?10, ?11)",
            id);
        if (copied < 0)
            return false;
        if (copied == 0)
            continue;
        ++counts.people;
        const int values = copyRows("SELECT person_id, kind, position, label, value, street, "
                                    "city, state, zip, country FROM person_values WHERE "
                                    "person_id = ?1 ORDER BY kind, position",
            "INSERT OR IGNORE INTO person_values (person_id, kind, position, label, value, "
            "street, city, state, zip, country) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)",
            id);
        const int pictures = copyRows("SELECT id, person_id, data FROM images WHERE person_id = ?1",
            "INSERT OR IGNORE INTO images (id, person_id, data) VALUES (?1, ?2, ?3)", id);
        // A layout 1 book has none: its read gives no rows.
        const int properties = copyRows("SELECT person_id, position, line FROM card_properties "
                                        "WHERE person_id = ?1 ORDER BY position",
            "INSERT OR IGNORE INTO card_properties (person_id, position, line) VALUES (?1, ?2, ?3)",
            id);
        if (values < 0 || pictures < 0 || properties < 0)
            return false;
        counts.pictures += pictures;
    }
    for (const sqlite3_int64 id : idsOf("contact_groups", {"SELECT group_id FROM group_members"})) {
        const int copied = copyRows("SELECT id, name FROM contact_groups WHERE id = ?1",
            "INSERT OR IGNORE INTO contact_groups (id, name) VALUES (?1, ?2)", id);
        if (copied < 0)
            return false;
        if (copied == 0)
            continue;
        ++counts.groups;
        // Members in the order they joined; only people that were recovered.
        if (copyRows("SELECT group_id, person_id FROM group_members WHERE group_id = ?1 ORDER "
                     "BY rowid",
                "INSERT OR IGNORE INTO group_members (group_id, person_id) SELECT ?1, ?2 WHERE "
                "EXISTS (SELECT 1 FROM people WHERE id = ?2)",
                id) < 0)
            return false;
    }
    return copySequences();
}

// Why the file must not be taken for a damaged book of ours: a stranger's database or
// a later layout is left alone. Empty when it is ours, or too damaged to tell.
QString foreignBook(sqlite3* db, const QString& path)
{
    QString error;
    const auto appID = sqliteScalar(db, "PRAGMA application_id", error);
    const auto version = sqliteScalar(db, "PRAGMA user_version", error);
    if (appID && appID->toLongLong() != 0 && appID->toLongLong() != AddressBook::ApplicationID)
        return QStringLiteral("%1 belongs to another application; it is left as it is")
            .arg(shown(path));
    if (version && version->toInt() > AddressBook::SchemaVersion)
        return QStringLiteral("%1 was written by a newer version of Fetemark; it is left as it is")
            .arg(shown(path));
    return QString();
}

void removeWithSideFiles(const QString& path)
{
    QFile::remove(path);
    for (const char* suffix : SideFiles)
        QFile::remove(path + QLatin1StringView(suffix));
}

// A free name for the file and its side files.
QString damagedName(const QString& path, const QDateTime& now)
{
    return damagedFileName(path, now, [](const QString& name) {
        return std::any_of(SideFiles.begin(), SideFiles.end(), [&name](const char* suffix) {
            return QFileInfo::exists(name + QLatin1StringView(suffix));
        });
    });
}

// Moves the book and its side files to `to`; false when the book itself could not be
// moved (then nothing was).
bool moveWithSideFiles(const QString& from, const QString& to)
{
    if (!QFile::rename(from, to))
        return false;
    for (const char* suffix : SideFiles) {
        const QString side = from + QLatin1StringView(suffix);
        if (QFileInfo::exists(side))
            QFile::rename(side, to + QLatin1StringView(suffix));
    }
    return true;
}

} // namespace

AddressBookRepair::CheckResult AddressBookRepair::check(const QString& path)
{
    CheckResult result;
    const QFileInfo info(path);
    if (!info.exists() || (info.isFile() && info.size() == 0))
        return result;
    result.found = true;
    QString error;
    Connection c;
    if (const int rc = openReadOnly(path, c, error); rc != SQLITE_OK) {
        result.problems << error;
        result.damaged = sqliteFault(rc) == SqliteFault::Damaged;
        return result;
    }
    result.problems = fileProblems(c.db);
    result.damaged = !result.problems.isEmpty();
    // The layout and header, as any handle would read them.
    if (result.problems.isEmpty() && !AddressBook::openReadOnly(path, &error) && !error.isEmpty())
        result.problems << error;
    return result;
}

} // namespace fetemark

namespace fetemark {

namespace {

// Builds the new book at `fresh` from the damaged one (null when nothing of it can be
// read); an empty message when the new book is complete and sound.
QString buildRecoveredBook(sqlite3* from, const QString& fresh, AddressBookRepair::Recovery& counts)
{
    QString error;
    if (!AddressBook::create(fresh, &error))
        return QStringLiteral("a new address book cannot be made: %1").arg(error);
    Connection to;
    if (sqlite3_open_v2(QFile::encodeName(fresh).constData(), &to.db,
            SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK ||
        !sqliteExecute(to.db, "PRAGMA foreign_keys = ON; BEGIN IMMEDIATE", &error))
        return QStringLiteral("the new address book %1 cannot be written (%2)")
            .arg(shown(fresh), error.isEmpty() ? sqliteMessage(to.db) : error);
    if (from) {
        Salvage salvage(from, to.db);
        if (!salvage.run(counts))
            return QStringLiteral("the new address book %1 cannot be written (%2)")
                .arg(shown(fresh), salvage.error());
    }
    if (!sqliteExecute(to.db, "COMMIT", &error))
        return QStringLiteral("the new address book %1 cannot be written (%2)")
            .arg(shown(fresh), error);
    if (const QStringList problems = fileProblems(to.db); !problems.isEmpty())
        return QStringLiteral("the new address book %1 fails its check (%2)")
            .arg(shown(fresh), problems.join(QLatin1String("; ")));
    return QString();
}

} // namespace

std::optional<AddressBookRepair::Recovery> AddressBookRepair::recover(
    const QString& path, const QDateTime& now, QString* error)
{
    auto refuse = [error](const QString& message) {
        if (error)
            *error = message;
        return std::optional<Recovery>();
    };
    if (!QFileInfo(path).isFile())
        return refuse(QStringLiteral("there is no address book at %1").arg(shown(path)));
    Connection from;
    QString problem;
    const int opened = openReadOnly(path, from, problem);
    if (opened != SQLITE_OK && sqliteFault(opened) != SqliteFault::Damaged)
        return refuse(QStringLiteral("%1 cannot be read (%2)").arg(shown(path), problem));
    if (opened == SQLITE_OK) {
        if (const QString foreign = foreignBook(from.db, path); !foreign.isEmpty())
            return refuse(foreign);
    }

    const QString fresh = path + QStringLiteral(".recovering");
    removeWithSideFiles(fresh); // left by a recovery that was cut short
    Recovery recovery;
    problem = buildRecoveredBook(opened == SQLITE_OK ? from.db : nullptr, fresh, recovery);
    sqlite3_close_v2(std::exchange(from.db, nullptr));
    if (!problem.isEmpty()) {
        removeWithSideFiles(fresh);
        return refuse(problem);
    }

    recovery.damagedCopy = damagedName(path, now);
    if (!moveWithSideFiles(path, recovery.damagedCopy)) {
        removeWithSideFiles(fresh);
        return refuse(QStringLiteral("%1 cannot be moved aside").arg(shown(path)));
    }
    if (!QFile::rename(fresh, path)) {
        moveWithSideFiles(recovery.damagedCopy, path);
        removeWithSideFiles(fresh);
        return refuse(
            QStringLiteral("the recovered book cannot be put in place of %1").arg(shown(path)));
    }
    return recovery;
}

} // namespace fetemark
