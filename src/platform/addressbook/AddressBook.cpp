#include "AddressBook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <sqlite3.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <thread>
#include <utility>

namespace fetemark {

namespace {

// Marks the file as ours in its header, so a stranger's SQLite file is never taken for
// an empty book and written to.
constexpr std::int32_t ApplicationID = 0x46746d6b; // "Ftmk"

constexpr int BusyTimeoutMs = 5000;

// Multi-values live in one table; each kind keeps its own positions. Addresses use the
// five address columns and leave `value` NULL; the other kinds use `value` only.
// AUTOINCREMENT keeps removed ids from coming back. Pictures are found through the
// UNIQUE index on images.person_id, whose pages hold no picture bytes: small pictures
// sit whole in the table's own pages.
constexpr const char* SchemaSql = R"sql(
CREATE TABLE people (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    uid TEXT,
    prefix TEXT,
    first_name TEXT,
    middle_name TEXT,
    last_name TEXT,
    suffix TEXT,
    nickname TEXT,
    organization TEXT,
    note TEXT,
    birthday TEXT
);
CREATE INDEX people_by_uid ON people(uid);

CREATE TABLE person_values (
    person_id INTEGER NOT NULL REFERENCES people(id) ON DELETE CASCADE,
    kind TEXT NOT NULL CHECK (kind IN ('date', 'phone', 'email', 'url', 'address')),
    position INTEGER NOT NULL,
    label TEXT,
    value TEXT,
    street TEXT,
    city TEXT,
    state TEXT,
    zip TEXT,
    country TEXT,
    PRIMARY KEY (person_id, kind, position)
) WITHOUT ROWID;

CREATE TABLE contact_groups (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT NOT NULL
);
CREATE INDEX contact_groups_by_name ON contact_groups(name);

CREATE TABLE group_members (
    group_id INTEGER NOT NULL REFERENCES contact_groups(id) ON DELETE CASCADE,
    person_id INTEGER NOT NULL REFERENCES people(id) ON DELETE CASCADE,
    UNIQUE (group_id, person_id)
);
CREATE INDEX group_members_by_person ON group_members(person_id, group_id);

CREATE TABLE images (
    id INTEGER PRIMARY KEY,
    person_id INTEGER NOT NULL UNIQUE REFERENCES people(id) ON DELETE CASCADE,
    data BLOB NOT NULL
);
)sql";

constexpr std::array<const char*, 5> OurTables = {
    "people", "person_values", "contact_groups", "group_members", "images"};

#define PERSON_COLUMNS                                                                             \
    "p.id, p.uid, p.prefix, p.first_name, p.middle_name, p.last_name, p.suffix, p.nickname, "      \
    "p.organization, p.note, p.birthday "
#define VALUE_COLUMNS "person_id, kind, label, value, street, city, state, zip, country "

enum StatementID {
    BeginRead,
    CommitRead,
    Savepoint,
    ReleaseSavepoint,
    RollbackToSavepoint,
    SelectAllPeople,
    SelectAllValues,
    SelectAllImageOwners,
    SelectPerson,
    SelectValuesOfPerson,
    SelectPersonIdWithUid,
    CountPeople,
    PersonExists,
    LastPersonId,
    InsertPerson,
    UpdatePerson,
    DeletePerson,
    DeleteValuesOfPerson,
    InsertValue,
    SelectAllGroups,
    SelectGroup,
    SelectGroupNamed,
    GroupExists,
    LastGroupId,
    InsertGroup,
    SelectGroupMembers,
    SelectGroupsOf,
    InsertGroupMember,
    DeleteGroupMember,
    ImageExists,
    SelectImage,
    UpsertImage,
    DeleteImage,
    SelectAllNamesAndBirthdays,
    SelectAllDates,
    StatementCount
};

constexpr std::array<const char*, StatementCount> StatementSql = {
    "BEGIN",
    "COMMIT",
    "SAVEPOINT change",
    "RELEASE change",
    "ROLLBACK TO change",
    "SELECT " PERSON_COLUMNS "FROM people p ORDER BY p.id",
    "SELECT " VALUE_COLUMNS "FROM person_values ORDER BY person_id, kind, position",
    "SELECT person_id FROM images ORDER BY person_id",
    // The EXISTS is answered from the index on images.person_id alone.
    "SELECT " PERSON_COLUMNS
    ", EXISTS (SELECT 1 FROM images i WHERE i.person_id = p.id) FROM people p WHERE p.id = ?1",
    "SELECT " VALUE_COLUMNS "FROM person_values WHERE person_id = ?1 ORDER BY kind, position",
    "SELECT id FROM people WHERE uid = ?1 ORDER BY id LIMIT 1",
    "SELECT count(*) FROM people",
    "SELECT 1 FROM people WHERE id = ?1",
    // sqlite_sequence holds the highest id ever given, max(id) guards against a
    // sequence row that was edited by hand.
    "SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE name = 'people'), 0), "
    "coalesce((SELECT max(id) FROM people), 0))",
    "INSERT INTO people (uid, prefix, first_name, middle_name, last_name, suffix, nickname, "
    "organization, note, "
    "birthday) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)",
    "UPDATE people SET uid = ?1, prefix = ?2, first_name = ?3, middle_name = ?4, last_name = ?5, "
    "suffix = ?6, "
    "nickname = ?7, organization = ?8, note = ?9, birthday = ?10 WHERE id = ?11",
    "DELETE FROM people WHERE id = ?1",
    "DELETE FROM person_values WHERE person_id = ?1",
    "INSERT INTO person_values (person_id, kind, position, label, value, street, city, state, zip, "
    "country) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)",
    "SELECT id, name FROM contact_groups ORDER BY id",
    "SELECT id, name FROM contact_groups WHERE id = ?1",
    "SELECT id, name FROM contact_groups WHERE name = ?1 ORDER BY id LIMIT 1",
    "SELECT 1 FROM contact_groups WHERE id = ?1",
    "SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE name = 'contact_groups'), 0), "
    "coalesce((SELECT max(id) FROM contact_groups), 0))",
    "INSERT INTO contact_groups (name) VALUES (?1)",
    "SELECT person_id FROM group_members WHERE group_id = ?1 ORDER BY rowid",
    "SELECT group_id FROM group_members WHERE person_id = ?1 ORDER BY group_id",
    "INSERT OR IGNORE INTO group_members (group_id, person_id) VALUES (?1, ?2)",
    "DELETE FROM group_members WHERE group_id = ?1 AND person_id = ?2",
    "SELECT EXISTS (SELECT 1 FROM images WHERE person_id = ?1)",
    "SELECT data FROM images WHERE person_id = ?1",
    "INSERT INTO images (person_id, data) VALUES (?1, ?2) ON CONFLICT (person_id) DO UPDATE SET "
    "data = excluded.data",
    "DELETE FROM images WHERE person_id = ?1",
    // PERSON_COLUMNS with only what the occasions are made of, so personFrom reads them.
    "SELECT p.id, NULL, p.prefix, p.first_name, p.middle_name, p.last_name, p.suffix, NULL, "
    "p.organization, NULL, p.birthday FROM people p ORDER BY p.id",
    "SELECT person_id, kind, label, value FROM person_values WHERE kind = 'date' "
    "ORDER BY person_id, kind, position",
};

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString messageOf(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

bool isRecordID(sqlite3_int64 id)
{
    return id >= 0 && id <= std::numeric_limits<std::int32_t>::max();
}

// Resets the statement when it goes out of scope, so that no read stays open and pins
// an old snapshot of the file.
class Query {
public:
    explicit Query(sqlite3_stmt* statement) : m_statement(statement) { }
    ~Query()
    {
        if (m_statement) {
            sqlite3_reset(m_statement);
            sqlite3_clear_bindings(m_statement);
        }
    }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    bool ready() const { return m_statement != nullptr; }
    sqlite3_stmt* get() const { return m_statement; }

    // A null string is stored as NULL and an empty one as '', so both come back as they went.
    void bind(int index, const QString& text)
    {
        if (text.isNull()) {
            sqlite3_bind_null(m_statement, index);
            return;
        }
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bind(int index, sqlite3_int64 value) { sqlite3_bind_int64(m_statement, index, value); }
    void bindStatic(int index, const char* text)
    {
        sqlite3_bind_text(m_statement, index, text, -1, SQLITE_STATIC);
    }
    void bindBlob(int index, const QByteArray& bytes)
    {
        sqlite3_bind_blob64(
            m_statement, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
    }
    void bindDate(int index, const QDate& date);

    int step() { return sqlite3_step(m_statement); }

    QString text(int column) const
    {
        if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
            return QString();
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        const int size = sqlite3_column_bytes(m_statement, column);
        if (size == 0)
            return QString(QLatin1StringView("")); // empty, not null
        return QString::fromUtf8(bytes, size);
    }
    sqlite3_int64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    QDate date(int column) const;

private:
    sqlite3_stmt* m_statement;
};

// Dates are written as "YYYY-MM-DD" for years 1 to 9999 only: that is the range the
// ISO form can express without signs or extra digits.
bool isoDate(const QDate& date, char (&out)[11])
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return false;
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", date.year(), date.month(), date.day());
    return true;
}

void Query::bindDate(int index, const QDate& date)
{
    char iso[11];
    if (isoDate(date, iso))
        sqlite3_bind_text(m_statement, index, iso, 10, SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(m_statement, index);
}

// Strict "YYYY-MM-DD"; anything else (or a day that does not exist) is an invalid date.
// Parsed by hand: allPeople reads tens of thousands of them.
QDate Query::date(int column) const
{
    if (sqlite3_column_type(m_statement, column) != SQLITE_TEXT)
        return QDate();
    const auto* s = sqlite3_column_text(m_statement, column);
    if (sqlite3_column_bytes(m_statement, column) != 10 || s[4] != '-' || s[7] != '-')
        return QDate();
    auto number = [s](int from, int count, int& out) {
        out = 0;
        for (int i = from; i < from + count; ++i) {
            if (s[i] < '0' || s[i] > '9')
                return false;
            out = out * 10 + (s[i] - '0');
        }
        return true;
    };
    int year = 0, month = 0, day = 0;
    if (!number(0, 4, year) || !number(5, 2, month) || !number(8, 2, day) || year == 0)
        return QDate();
    return QDate(year, month, day); // invalid for 2023-02-30 and the like
}

Person personFrom(const Query& q)
{
    Person p;
    p.recordID = std::int32_t(q.integer(0));
    p.uid = q.text(1);
    p.prefix = q.text(2);
    p.firstName = q.text(3);
    p.middleName = q.text(4);
    p.lastName = q.text(5);
    p.suffix = q.text(6);
    p.nickname = q.text(7);
    p.organization = q.text(8);
    p.note = q.text(9);
    p.birthday = q.date(10);
    return p;
}

// Labels repeat across the whole book ("_$!<Mobile>!$_" thousands of times): reading
// each one once and sharing the QString saves an allocation per value in allPeople().
class LabelCache {
public:
    QString label(const Query& q, int column)
    {
        sqlite3_stmt* s = q.get();
        if (sqlite3_column_type(s, column) == SQLITE_NULL)
            return QString();
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
        const QByteArrayView text(bytes, sqlite3_column_bytes(s, column));
        for (const auto& [utf8, label] : m_labels) {
            if (utf8 == text)
                return label;
        }
        QString label = q.text(column);
        // Bounded: a book full of distinct custom labels gains nothing from a long search.
        if (m_labels.size() < 32)
            m_labels.emplace_back(text.toByteArray(), label);
        return label;
    }

private:
    std::vector<std::pair<QByteArray, QString>> m_labels;
};

// One row of VALUE_COLUMNS into its list. Unknown kinds and unreadable dates are
// skipped: the rest of the person is still worth showing.
void addValueTo(Person& p, const Query& q, LabelCache& labels)
{
    const auto* kind = reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 1));
    if (!kind)
        return;
    if (std::strcmp(kind, "date") == 0) {
        const QDate date = q.date(3);
        if (date.isValid())
            p.dates.push_back({labels.label(q, 2), date});
    } else if (std::strcmp(kind, "phone") == 0) {
        p.phones.push_back({labels.label(q, 2), q.text(3)});
    } else if (std::strcmp(kind, "email") == 0) {
        p.emails.push_back({labels.label(q, 2), q.text(3)});
    } else if (std::strcmp(kind, "url") == 0) {
        p.urls.push_back({labels.label(q, 2), q.text(3)});
    } else if (std::strcmp(kind, "address") == 0) {
        p.addresses.push_back({labels.label(q, 2),
            PostalAddress {q.text(4), q.text(5), q.text(6), q.text(7), q.text(8)}});
    }
}

Group groupFrom(const Query& q)
{
    return Group {std::int32_t(q.integer(0)), q.text(1)};
}

// Runs a statement without results; the error text when it fails.
bool execute(sqlite3* db, const char* sql, QString* error = nullptr)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK && error)
        *error = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_free(message);
    return rc == SQLITE_OK;
}

// Text of a one-value query (PRAGMA results), or nullopt with `error` set (and the
// SQLite result code in `code`).
std::optional<QString> scalar(sqlite3* db, const char* sql, QString& error, int* code = nullptr)
{
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    std::optional<QString> result;
    if (rc == SQLITE_OK) {
        Query q(statement);
        rc = q.step();
        if (rc == SQLITE_ROW)
            result = q.text(0);
        else if (rc == SQLITE_DONE)
            result = QString();
    }
    if (!result)
        error = messageOf(db);
    if (code)
        *code = rc;
    sqlite3_finalize(statement);
    return result;
}

// Our tables and the others in the file, or nullopt when the schema cannot be read.
std::optional<QStringList> userTables(sqlite3* db, QString& error)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db,
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
            "ESCAPE '\\'",
            -1, &statement, nullptr) != SQLITE_OK) {
        error = messageOf(db);
        return std::nullopt;
    }
    QStringList names;
    int rc;
    {
        Query q(statement);
        while ((rc = q.step()) == SQLITE_ROW)
            names << q.text(0);
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) {
        error = messageOf(db);
        return std::nullopt;
    }
    return names;
}

bool hasOurTables(const QStringList& tables)
{
    for (const char* name : OurTables) {
        if (!tables.contains(QLatin1StringView(name)))
            return false;
    }
    return true;
}

// Checks what is in the file before anything is written to it; an empty message when
// the file is a book of a readable version or an empty database.
QString checkContents(sqlite3* db, const QString& path, int& version)
{
    // One snapshot for all three reads: another handle may be creating the tables (and
    // setting the version with them) right now.
    const bool ownTransaction = sqlite3_get_autocommit(db) && execute(db, "BEGIN");
    const auto end = qScopeGuard([&] {
        if (ownTransaction)
            execute(db, "COMMIT");
    });
    QString error;
    const auto applicationID = scalar(db, "PRAGMA application_id", error);
    const auto userVersion =
        applicationID ? scalar(db, "PRAGMA user_version", error) : std::nullopt;
    const auto tables = userVersion ? userTables(db, error) : std::nullopt;
    if (!tables)
        return QStringLiteral("%1 is not an address book or is damaged (%2)")
            .arg(shown(path), error);
    const qint64 appID = applicationID->toLongLong();
    version = userVersion->toInt();
    if (appID != 0 && appID != ApplicationID)
        return QStringLiteral("%1 belongs to another application (application id %2)")
            .arg(shown(path))
            .arg(appID);
    if (version > AddressBook::SchemaVersion)
        return QStringLiteral("%1 was written by a newer version of Fetemark (layout %2; this "
                              "version reads up to %3)")
            .arg(shown(path))
            .arg(version)
            .arg(AddressBook::SchemaVersion);
    if (version < 0)
        return QStringLiteral("%1 has an unknown layout version %2").arg(shown(path)).arg(version);
    if (version == 0 && !tables->isEmpty())
        return QStringLiteral("%1 is not an address book (it holds other tables: %2)")
            .arg(shown(path), tables->join(QLatin1String(", ")));
    if (version > 0 && !hasOurTables(*tables))
        return QStringLiteral("%1 is not an address book (its tables are missing)")
            .arg(shown(path));
    return QString();
}

// Switching to WAL needs the file to itself for a moment; when other handles are opening
// it at the same time SQLite may answer "busy" without waiting, so it is retried for as
// long as a change would wait.
QString switchToWal(sqlite3* db)
{
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(BusyTimeoutMs);
    for (;;) {
        QString error;
        int code = SQLITE_OK;
        if (scalar(db, "PRAGMA journal_mode = WAL", error, &code))
            return QString();
        const int primary = code & 0xff;
        if ((primary != SQLITE_BUSY && primary != SQLITE_LOCKED) ||
            std::chrono::steady_clock::now() > deadline)
            return error;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Creates the tables in an empty file. Another handle may be doing the same at this
// moment: the write lock taken by BEGIN IMMEDIATE makes one of them win, and the other
// finds the tables in place.
QString createSchema(sqlite3* db, const QString& path)
{
    QString error;
    if (!execute(db, "BEGIN IMMEDIATE", &error))
        return QStringLiteral("%1 could not be prepared as an address book (%2)")
            .arg(shown(path), error);
    int version = 0;
    QString problem = checkContents(db, path, version);
    if (problem.isEmpty() && version == 0) {
        const QByteArray pragmas =
            QStringLiteral("PRAGMA user_version = %1; PRAGMA application_id = %2;")
                .arg(AddressBook::SchemaVersion)
                .arg(ApplicationID)
                .toLatin1();
        if (!execute(db, SchemaSql, &error) || !execute(db, pragmas.constData(), &error) ||
            !execute(db, "COMMIT", &error))
            problem = QStringLiteral("%1 could not be prepared as an address book (%2)")
                          .arg(shown(path), error);
    }
    if (!sqlite3_get_autocommit(db))
        execute(db, "ROLLBACK");
    return problem;
}

} // namespace

// ---------------------------------------------------------------------------------------

struct AddressBook::Impl {
    Impl(sqlite3* db, QString& lastError) : db(db), lastError(lastError) { }

    sqlite3* db;
    QString& lastError;
    std::array<sqlite3_stmt*, StatementCount> statements {};
    bool unsaved = false;     // a change succeeded since the last save or revert
    bool lostChanges = false; // SQLite dropped the transaction with unsaved changes in it

    // Prepared once per handle and kept: most calls run one or two short statements.
    sqlite3_stmt* statement(StatementID id)
    {
        sqlite3_stmt*& s = statements[id];
        if (!s &&
            sqlite3_prepare_v3(db, StatementSql[id], -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) !=
                SQLITE_OK) {
            lastError = messageOf(db);
            s = nullptr;
        }
        return s;
    }

    void finalizeAll()
    {
        for (sqlite3_stmt*& s : statements) {
            sqlite3_finalize(s);
            s = nullptr;
        }
    }

    bool fail(const QString& message) const
    {
        lastError = message;
        return false;
    }
    bool failWithSqlite(const char* what) const
    {
        return fail(QStringLiteral("%1: %2").arg(QLatin1StringView(what), messageOf(db)));
    }

    // Runs a statement that returns no rows.
    bool run(StatementID id)
    {
        Query q(statement(id));
        return q.ready() && q.step() == SQLITE_DONE;
    }

    // True when the statement gives a row (existence checks).
    bool exists(StatementID id, sqlite3_int64 key)
    {
        Query q(statement(id));
        if (!q.ready())
            return false;
        q.bind(1, key);
        return q.step() == SQLITE_ROW;
    }

    // The id the next AUTOINCREMENT insert will take must still be a record id.
    bool nextIdFits(StatementID lastID, const char* what)
    {
        Query q(statement(lastID));
        if (!q.ready() || q.step() != SQLITE_ROW)
            return failWithSqlite("reading the last record id");
        if (q.integer(0) >= std::numeric_limits<std::int32_t>::max())
            return fail(QStringLiteral("no more %1 can be added: record ids are used up")
                            .arg(QLatin1StringView(what)));
        return true;
    }

    bool insertValues(sqlite3_int64 personID, const Person& person);
    bool writePersonRow(Query& q, const Person& person);
};

namespace {

// One change of the book: opens the handle's transaction on the first change, and wraps
// each change in a savepoint so that a change failing half-way leaves nothing behind.
template<typename Impl> class Change {
public:
    explicit Change(Impl& impl) : m_impl(impl)
    {
        if (sqlite3_get_autocommit(impl.db)) {
            // IMMEDIATE takes the write lock now, so a second writer waits (busy timeout)
            // here instead of failing later at save().
            QString error;
            if (!execute(impl.db, "BEGIN IMMEDIATE", &error)) {
                impl.fail(QStringLiteral("the address book cannot be changed now (%1)").arg(error));
                return;
            }
            if (impl.unsaved) {
                // SQLite rolled the transaction back on its own after an I/O error; save()
                // must not pretend those changes were kept.
                impl.unsaved = false;
                impl.lostChanges = true;
            }
        }
        m_open = impl.run(Savepoint);
        if (!m_open) {
            impl.failWithSqlite("starting a change");
            endTransactionIfUnused();
        }
    }
    ~Change()
    {
        if (!m_open)
            return;
        if (m_done) {
            if (m_impl.run(ReleaseSavepoint)) {
                m_impl.unsaved = true;
                return;
            }
            m_impl.failWithSqlite("finishing a change");
        }
        m_impl.run(RollbackToSavepoint);
        m_impl.run(ReleaseSavepoint);
        endTransactionIfUnused();
    }
    Change(const Change&) = delete;
    Change& operator=(const Change&) = delete;

    bool ready() const { return m_open; }
    // Keeps the change; without this it is undone when the scope ends.
    void done() { m_done = true; }

private:
    // A failed first change must not keep the write lock: other handles would wait for a
    // transaction that holds nothing.
    void endTransactionIfUnused()
    {
        if (!m_impl.unsaved && !sqlite3_get_autocommit(m_impl.db))
            execute(m_impl.db, "ROLLBACK");
    }

    Impl& m_impl;
    bool m_open = false;
    bool m_done = false;
};

// Several reads that must see the same state of the file (people, then their values)
// share one read transaction, unless the handle is already inside its own transaction.
template<typename Impl> class ReadSnapshot {
public:
    explicit ReadSnapshot(Impl& impl) : m_impl(impl)
    {
        m_began = sqlite3_get_autocommit(impl.db) && impl.run(BeginRead);
    }
    ~ReadSnapshot()
    {
        if (m_began && !m_impl.run(CommitRead))
            execute(m_impl.db, "ROLLBACK");
    }
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    Impl& m_impl;
    bool m_began = false;
};

} // namespace

bool AddressBook::Impl::writePersonRow(Query& q, const Person& person)
{
    // An empty uid means none; NULL keeps such people out of uid lookups.
    q.bind(1, person.uid.isEmpty() ? QString() : person.uid);
    q.bind(2, person.prefix);
    q.bind(3, person.firstName);
    q.bind(4, person.middleName);
    q.bind(5, person.lastName);
    q.bind(6, person.suffix);
    q.bind(7, person.nickname);
    q.bind(8, person.organization);
    q.bind(9, person.note);
    q.bindDate(10, person.birthday);
    return q.step() == SQLITE_DONE;
}

bool AddressBook::Impl::insertValues(sqlite3_int64 personID, const Person& person)
{
    sqlite3_stmt* s = statement(InsertValue);
    if (!s)
        return false;
    auto insert = [&](const char* kind, std::size_t position, const QString& label,
                      auto&& bindValue) {
        Query q(s);
        q.bind(1, personID);
        q.bindStatic(2, kind);
        q.bind(3, sqlite3_int64(position));
        q.bind(4, label);
        bindValue(q);
        return q.step() == SQLITE_DONE;
    };
    for (std::size_t i = 0; i < person.dates.size(); ++i) {
        // A date the file cannot hold is left out rather than stored unreadable.
        char iso[11];
        if (!isoDate(person.dates[i].value, iso))
            continue;
        if (!insert("date", i, person.dates[i].label,
                [&](Query& q) { q.bindDate(5, person.dates[i].value); }))
            return false;
    }
    const std::pair<const char*, const std::vector<Labeled<QString>>*> texts[] = {
        {"phone", &person.phones}, {"email", &person.emails}, {"url", &person.urls}};
    for (const auto& entry : texts) {
        const std::vector<Labeled<QString>>& values = *entry.second;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (!insert(
                    entry.first, i, values[i].label, [&](Query& q) { q.bind(5, values[i].value); }))
                return false;
        }
    }
    for (std::size_t i = 0; i < person.addresses.size(); ++i) {
        const PostalAddress& a = person.addresses[i].value;
        if (!insert("address", i, person.addresses[i].label, [&](Query& q) {
                q.bind(6, a.street);
                q.bind(7, a.city);
                q.bind(8, a.state);
                q.bind(9, a.zip);
                q.bind(10, a.country);
            }))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------

AddressBook::AddressBook(QString path, sqlite3* db)
    : m_path(std::move(path)), m_db(db), d(std::make_unique<Impl>(db, m_lastError))
{
}

AddressBook::~AddressBook()
{
    // Unsaved changes are dropped with the handle.
    if (!sqlite3_get_autocommit(m_db))
        execute(m_db, "ROLLBACK");
    d->finalizeAll();
    sqlite3_close_v2(m_db);
}

std::unique_ptr<AddressBook> AddressBook::create(const QString& path, QString* error)
{
    auto refuse = [error](const QString& message) {
        if (error)
            *error = message;
        return std::unique_ptr<AddressBook>();
    };
    if (path.isEmpty())
        return refuse(QStringLiteral("no address book file given"));

    // Look at the first bytes ourselves: SQLite would only find out on first read, and a
    // file that is not a database must be left exactly as it is.
    const QFileInfo info(path);
    if (info.exists()) {
        if (info.isDir())
            return refuse(QStringLiteral("%1 is a folder, not an address book").arg(shown(path)));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return refuse(
                QStringLiteral("%1 cannot be read (%2)").arg(shown(path), file.errorString()));
        const QByteArray head = file.read(16);
        if (!head.isEmpty() && head != QByteArray("SQLite format 3", 16))
            return refuse(QStringLiteral("%1 is not an address book (not an SQLite database)")
                              .arg(shown(path)));
    }

    sqlite3* db = nullptr;
    // Handles are never shared between threads, so SQLite's own locking is not needed.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
        const QString message = db ? messageOf(db) : QStringLiteral("out of memory");
        sqlite3_close_v2(db);
        return refuse(QStringLiteral("%1 cannot be opened (%2)").arg(shown(path), message));
    }
    auto refuseAndClose = [&](const QString& message) {
        sqlite3_close_v2(db);
        return refuse(message);
    };
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    if (sqlite3_db_readonly(db, "main") == 1)
        return refuseAndClose(QStringLiteral("%1 is read-only").arg(shown(path)));

    int version = 0;
    if (const QString problem = checkContents(db, path, version); !problem.isEmpty())
        return refuseAndClose(problem);

    // WAL lets other handles read while this one writes. With WAL, synchronous=NORMAL
    // cannot corrupt the file; at worst the last saves are lost on a power cut. The larger
    // page cache keeps a whole 10,000-person book in memory for allPeople().
    QString pragmaError = switchToWal(db);
    if (!pragmaError.isEmpty())
        return refuseAndClose(
            QStringLiteral("%1 cannot be used (%2)").arg(shown(path), pragmaError));
    if (!execute(db,
            "PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON; PRAGMA cache_size = -16384;",
            &pragmaError))
        return refuseAndClose(
            QStringLiteral("%1 cannot be used (%2)").arg(shown(path), pragmaError));

    if (version == 0) {
        if (const QString problem = createSchema(db, path); !problem.isEmpty())
            return refuseAndClose(problem);
    }
    return std::unique_ptr<AddressBook>(new AddressBook(path, db));
}

// ---- Reading ----------------------------------------------------------------------------

std::vector<Person> AddressBook::allPeople() const
{
    ReadSnapshot snapshot(*d);
    std::vector<Person> people;
    {
        // Sized up front: growing a vector of 10,000 people moves them all several times.
        Query count(d->statement(CountPeople));
        if (count.ready() && count.step() == SQLITE_ROW)
            people.reserve(std::size_t(count.integer(0)));
    }
    {
        Query q(d->statement(SelectAllPeople));
        if (!q.ready())
            return {};
        int rc;
        while ((rc = q.step()) == SQLITE_ROW)
            people.push_back(personFrom(q));
        if (rc != SQLITE_DONE) {
            d->failWithSqlite("reading people");
            return {};
        }
    }
    // Both lists are in person id order: one pass attaches the values.
    Query q(d->statement(SelectAllValues));
    if (!q.ready())
        return {};
    std::size_t at = 0;
    LabelCache labels;
    int rc;
    while ((rc = q.step()) == SQLITE_ROW) {
        const sqlite3_int64 personID = q.integer(0);
        while (at < people.size() && people[at].recordID < personID)
            ++at;
        if (at == people.size())
            break;
        if (people[at].recordID == personID)
            addValueTo(people[at], q, labels);
    }
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        d->failWithSqlite("reading people's values");
        return {};
    }
    // Who has a picture, from the index on images.person_id alone: no picture is read.
    Query images(d->statement(SelectAllImageOwners));
    if (!images.ready())
        return {};
    at = 0;
    while ((rc = images.step()) == SQLITE_ROW) {
        const sqlite3_int64 personID = images.integer(0);
        while (at < people.size() && people[at].recordID < personID)
            ++at;
        if (at == people.size())
            break;
        if (people[at].recordID == personID)
            people[at].hasImage = true;
    }
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        d->failWithSqlite("reading pictures");
        return {};
    }
    return people;
}

std::vector<Person> AddressBook::allPeopleNamesAndDates() const
{
    ReadSnapshot snapshot(*d);
    std::vector<Person> people;
    {
        Query count(d->statement(CountPeople));
        if (count.ready() && count.step() == SQLITE_ROW)
            people.reserve(std::size_t(count.integer(0)));
        Query q(d->statement(SelectAllNamesAndBirthdays));
        if (!q.ready())
            return {};
        int rc;
        while ((rc = q.step()) == SQLITE_ROW)
            people.push_back(personFrom(q));
        if (rc != SQLITE_DONE) {
            d->failWithSqlite("reading people");
            return {};
        }
    }
    // Both lists are in person id order: one pass attaches the dates.
    Query q(d->statement(SelectAllDates));
    if (!q.ready())
        return {};
    std::size_t at = 0;
    LabelCache labels;
    int rc;
    while ((rc = q.step()) == SQLITE_ROW) {
        const sqlite3_int64 personID = q.integer(0);
        while (at < people.size() && people[at].recordID < personID)
            ++at;
        if (at == people.size())
            break;
        if (people[at].recordID == personID)
            addValueTo(people[at], q, labels);
    }
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        d->failWithSqlite("reading people's dates");
        return {};
    }
    return people;
}

std::optional<Person> AddressBook::person(std::int32_t recordID) const
{
    ReadSnapshot snapshot(*d);
    std::optional<Person> result;
    {
        Query q(d->statement(SelectPerson));
        if (!q.ready())
            return std::nullopt;
        q.bind(1, sqlite3_int64(recordID));
        const int rc = q.step();
        if (rc != SQLITE_ROW) {
            if (rc != SQLITE_DONE)
                d->failWithSqlite("reading a person");
            return std::nullopt;
        }
        result = personFrom(q);
        result->hasImage = q.integer(11) != 0;
    }
    Query q(d->statement(SelectValuesOfPerson));
    if (!q.ready())
        return std::nullopt;
    q.bind(1, sqlite3_int64(recordID));
    LabelCache labels;
    int rc;
    while ((rc = q.step()) == SQLITE_ROW)
        addValueTo(*result, q, labels);
    if (rc != SQLITE_DONE) {
        d->failWithSqlite("reading a person's values");
        return std::nullopt;
    }
    return result;
}

std::optional<Person> AddressBook::personWithUid(const QString& uid) const
{
    if (uid.isEmpty())
        return std::nullopt;
    ReadSnapshot snapshot(*d);
    sqlite3_int64 id = -1;
    {
        Query q(d->statement(SelectPersonIdWithUid));
        if (!q.ready())
            return std::nullopt;
        q.bind(1, uid);
        if (q.step() != SQLITE_ROW)
            return std::nullopt;
        id = q.integer(0);
    }
    if (!isRecordID(id))
        return std::nullopt;
    return person(std::int32_t(id));
}

int AddressBook::personCount() const
{
    Query q(d->statement(CountPeople));
    if (!q.ready() || q.step() != SQLITE_ROW) {
        d->failWithSqlite("counting people");
        return 0;
    }
    return int(q.integer(0));
}

std::vector<Group> AddressBook::allGroups() const
{
    std::vector<Group> groups;
    Query q(d->statement(SelectAllGroups));
    if (!q.ready())
        return groups;
    while (q.step() == SQLITE_ROW)
        groups.push_back(groupFrom(q));
    return groups;
}

std::optional<Group> AddressBook::group(std::int32_t recordID) const
{
    Query q(d->statement(SelectGroup));
    if (!q.ready())
        return std::nullopt;
    q.bind(1, sqlite3_int64(recordID));
    if (q.step() != SQLITE_ROW)
        return std::nullopt;
    return groupFrom(q);
}

std::optional<Group> AddressBook::groupNamed(const QString& name) const
{
    Query q(d->statement(SelectGroupNamed));
    if (!q.ready())
        return std::nullopt;
    q.bind(1, name.isNull() ? QString(QLatin1StringView("")) : name);
    if (q.step() != SQLITE_ROW)
        return std::nullopt;
    return groupFrom(q);
}

std::vector<std::int32_t> AddressBook::groupMembers(std::int32_t groupID) const
{
    std::vector<std::int32_t> ids;
    Query q(d->statement(SelectGroupMembers));
    if (!q.ready())
        return ids;
    q.bind(1, sqlite3_int64(groupID));
    while (q.step() == SQLITE_ROW)
        ids.push_back(std::int32_t(q.integer(0)));
    return ids;
}

std::vector<std::int32_t> AddressBook::groupsOf(std::int32_t personID) const
{
    std::vector<std::int32_t> ids;
    Query q(d->statement(SelectGroupsOf));
    if (!q.ready())
        return ids;
    q.bind(1, sqlite3_int64(personID));
    while (q.step() == SQLITE_ROW)
        ids.push_back(std::int32_t(q.integer(0)));
    return ids;
}

bool AddressBook::hasImageData(std::int32_t personID) const
{
    Query q(d->statement(ImageExists));
    if (!q.ready())
        return false;
    q.bind(1, sqlite3_int64(personID));
    return q.step() == SQLITE_ROW && q.integer(0) != 0;
}

QByteArray AddressBook::imageData(std::int32_t personID) const
{
    Query q(d->statement(SelectImage));
    if (!q.ready())
        return {};
    q.bind(1, sqlite3_int64(personID));
    if (q.step() != SQLITE_ROW)
        return {};
    return QByteArray(static_cast<const char*>(sqlite3_column_blob(q.get(), 0)),
        sqlite3_column_bytes(q.get(), 0));
}

// ---- Changing ---------------------------------------------------------------------------

std::int32_t AddressBook::addPerson(const Person& person)
{
    Change change(*d);
    if (!change.ready() || !d->nextIdFits(LastPersonId, "people"))
        return -1;
    {
        Query q(d->statement(InsertPerson));
        if (!q.ready() || !d->writePersonRow(q, person)) {
            d->failWithSqlite("adding a person");
            return -1;
        }
    }
    const sqlite3_int64 id = sqlite3_last_insert_rowid(m_db);
    if (!isRecordID(id)) {
        d->fail(QStringLiteral("no more people can be added: record ids are used up"));
        return -1;
    }
    if (!d->insertValues(id, person)) {
        d->failWithSqlite("adding a person's values");
        return -1;
    }
    change.done();
    return std::int32_t(id);
}

bool AddressBook::updatePerson(const Person& person)
{
    Change change(*d);
    if (!change.ready())
        return false;
    {
        Query q(d->statement(UpdatePerson));
        if (!q.ready())
            return false;
        q.bind(11, sqlite3_int64(person.recordID));
        if (!d->writePersonRow(q, person))
            return d->failWithSqlite("changing a person");
    }
    if (sqlite3_changes(m_db) == 0)
        return d->fail(QStringLiteral("there is no person with record id %1").arg(person.recordID));
    {
        Query q(d->statement(DeleteValuesOfPerson));
        if (!q.ready())
            return false;
        q.bind(1, sqlite3_int64(person.recordID));
        if (q.step() != SQLITE_DONE)
            return d->failWithSqlite("changing a person");
    }
    if (!d->insertValues(person.recordID, person))
        return d->failWithSqlite("changing a person's values");
    change.done();
    return true;
}

bool AddressBook::removePerson(std::int32_t recordID)
{
    Change change(*d);
    if (!change.ready())
        return false;
    // Values, memberships and the picture go with it (ON DELETE CASCADE).
    Query q(d->statement(DeletePerson));
    if (!q.ready())
        return false;
    q.bind(1, sqlite3_int64(recordID));
    if (q.step() != SQLITE_DONE)
        return d->failWithSqlite("removing a person");
    if (sqlite3_changes(m_db) == 0)
        return d->fail(QStringLiteral("there is no person with record id %1").arg(recordID));
    change.done();
    return true;
}

std::int32_t AddressBook::addGroup(const QString& name)
{
    Change change(*d);
    if (!change.ready() || !d->nextIdFits(LastGroupId, "groups"))
        return -1;
    Query q(d->statement(InsertGroup));
    if (!q.ready())
        return -1;
    q.bind(1, name.isNull() ? QString(QLatin1StringView("")) : name);
    if (q.step() != SQLITE_DONE) {
        d->failWithSqlite("adding a group");
        return -1;
    }
    const sqlite3_int64 id = sqlite3_last_insert_rowid(m_db);
    if (!isRecordID(id)) {
        d->fail(QStringLiteral("no more groups can be added: record ids are used up"));
        return -1;
    }
    change.done();
    return std::int32_t(id);
}

bool AddressBook::addGroupMember(std::int32_t groupID, std::int32_t personID)
{
    Change change(*d);
    if (!change.ready())
        return false;
    // Checked first for a clear message; the foreign keys would refuse it anyway.
    if (!d->exists(GroupExists, groupID))
        return d->fail(QStringLiteral("there is no group with record id %1").arg(groupID));
    if (!d->exists(PersonExists, personID))
        return d->fail(QStringLiteral("there is no person with record id %1").arg(personID));
    Query q(d->statement(InsertGroupMember));
    if (!q.ready())
        return false;
    q.bind(1, sqlite3_int64(groupID));
    q.bind(2, sqlite3_int64(personID));
    if (q.step() != SQLITE_DONE)
        return d->failWithSqlite("adding a group member");
    change.done();
    return true;
}

bool AddressBook::removeGroupMember(std::int32_t groupID, std::int32_t personID)
{
    Change change(*d);
    if (!change.ready())
        return false;
    if (!d->exists(GroupExists, groupID))
        return d->fail(QStringLiteral("there is no group with record id %1").arg(groupID));
    if (!d->exists(PersonExists, personID))
        return d->fail(QStringLiteral("there is no person with record id %1").arg(personID));
    Query q(d->statement(DeleteGroupMember));
    if (!q.ready())
        return false;
    q.bind(1, sqlite3_int64(groupID));
    q.bind(2, sqlite3_int64(personID));
    if (q.step() != SQLITE_DONE)
        return d->failWithSqlite("removing a group member");
    change.done();
    return true;
}

bool AddressBook::setImageData(std::int32_t personID, const QByteArray& data)
{
    if (data.isEmpty())
        return removeImageData(personID);
    Change change(*d);
    if (!change.ready())
        return false;
    if (!d->exists(PersonExists, personID))
        return d->fail(QStringLiteral("there is no person with record id %1").arg(personID));
    Query q(d->statement(UpsertImage));
    if (!q.ready())
        return false;
    q.bind(1, sqlite3_int64(personID));
    q.bindBlob(2, data);
    if (q.step() != SQLITE_DONE)
        return d->failWithSqlite("storing a picture");
    change.done();
    return true;
}

bool AddressBook::removeImageData(std::int32_t personID)
{
    Change change(*d);
    if (!change.ready())
        return false;
    if (!d->exists(PersonExists, personID))
        return d->fail(QStringLiteral("there is no person with record id %1").arg(personID));
    Query q(d->statement(DeleteImage));
    if (!q.ready())
        return false;
    q.bind(1, sqlite3_int64(personID));
    if (q.step() != SQLITE_DONE)
        return d->failWithSqlite("removing a picture");
    change.done();
    return true;
}

// ---- Transactions -------------------------------------------------------------------------

bool AddressBook::hasUnsavedChanges() const
{
    // SQLite ends a transaction by itself after some I/O errors; the changes are gone then.
    return d->unsaved && !sqlite3_get_autocommit(m_db);
}

bool AddressBook::save(QString* error)
{
    auto report = [&](const QString& message) {
        m_lastError = message;
        if (error)
            *error = message;
        return false;
    };
    const bool hadChanges = d->unsaved || d->lostChanges;
    d->unsaved = false;
    if (std::exchange(d->lostChanges, false)) {
        if (!sqlite3_get_autocommit(m_db))
            execute(m_db, "ROLLBACK");
        return report(QStringLiteral("the changes to %1 were lost before they could be saved")
                          .arg(shown(m_path)));
    }
    if (sqlite3_get_autocommit(m_db)) {
        if (hadChanges)
            return report(QStringLiteral("the changes to %1 were lost before they could be saved")
                              .arg(shown(m_path)));
        return true;
    }
    QString message;
    if (execute(m_db, "COMMIT", &message))
        return true;
    if (!sqlite3_get_autocommit(m_db))
        execute(m_db, "ROLLBACK");
    return report(
        QStringLiteral("the changes to %1 could not be saved (%2)").arg(shown(m_path), message));
}

void AddressBook::revert()
{
    d->unsaved = false;
    d->lostChanges = false;
    if (!sqlite3_get_autocommit(m_db))
        execute(m_db, "ROLLBACK");
}

} // namespace fetemark
