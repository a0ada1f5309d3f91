#include "AddressBook.h"

#include "platform/addressbook/SqliteStatement.h"
#include "platform/addressbook/SqliteTransaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace fetemark {

namespace {

std::mutex g_listenersMutex;
std::map<int, std::function<void()>> g_commitListeners;
int g_nextListenerId = 1;

void tellCommitListeners()
{
    const std::lock_guard lock(g_listenersMutex);
    for (const auto& [id, listener] : g_commitListeners)
        listener();
}

} // namespace

using namespace Qt::StringLiterals;

namespace {

constexpr int BusyTimeoutMs = 5000;

// Multi-values live in one table; each kind keeps its own positions. Addresses use the
// five address columns and leave `value` NULL; the other kinds use `value` only.
// AUTOINCREMENT keeps removed ids from coming back. Pictures are found through the
// UNIQUE index on images.person_id, whose pages hold no picture bytes: small pictures
// sit whole in the table's own pages.
// Layout 2: the lines of an imported card that no other column holds, in card order.
#define CARD_PROPERTIES_SQL                                                                        \
    "CREATE TABLE card_properties (person_id INTEGER NOT NULL REFERENCES people(id) ON DELETE "    \
    "CASCADE, position INTEGER NOT NULL, line TEXT NOT NULL, PRIMARY KEY (person_id, position)) "  \
    "WITHOUT ROWID;"

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
)sql" CARD_PROPERTIES_SQL;

constexpr std::array<const char*, 5> OurTables = {
    "people", "person_values", "contact_groups", "group_members", "images"};

#define PERSON_COLUMNS                                                                             \
    "p.id, p.uid, p.prefix, p.first_name, p.middle_name, p.last_name, p.suffix, p.nickname, "      \
    "p.organization, p.note, p.birthday "
#define VALUE_COLUMNS "person_id, kind, label, value, street, city, state, zip, country "

enum StatementID {
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
    SelectPeopleWithoutUid,
    SetUid,
    SelectCardProperties,
    DeleteCardProperties,
    InsertCardProperty,
    StatementCount
};

constexpr std::array<const char*, StatementCount> StatementSql = {
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
    // Both answered from people_by_uid.
    "SELECT id FROM people WHERE uid IS NULL OR uid = '' ORDER BY id",
    "UPDATE people SET uid = ?2 WHERE id = ?1",
    "SELECT line FROM card_properties WHERE person_id = ?1 ORDER BY position",
    "DELETE FROM card_properties WHERE person_id = ?1",
    "INSERT INTO card_properties (person_id, position, line) VALUES (?1, ?2, ?3)",
};

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The message of a failed call: damage, a full disk and missing permissions are named as
// such, so that nobody takes a failed read for an empty book.
QString failureText(const QString& path, const QString& reason, int code)
{
    switch (sqliteFault(code)) {
    case SqliteFault::Damaged:
        return QStringLiteral("the address book %1 is damaged (%2)").arg(shown(path), reason);
    case SqliteFault::Full:
        return QStringLiteral("the address book %1 could not be written (%2)")
            .arg(shown(path), reason);
    case SqliteFault::ReadOnly:
        return QStringLiteral("the address book %1 is read-only (%2)").arg(shown(path), reason);
    case SqliteFault::CannotOpen:
        return QStringLiteral("the address book %1 cannot be opened (%2)").arg(shown(path), reason);
    case SqliteFault::None:
    case SqliteFault::Other:
        break;
    }
    return reason;
}

bool isRecordID(sqlite3_int64 id)
{
    return id >= 0 && id <= std::numeric_limits<std::int32_t>::max();
}

// Group names are never NULL in the file.
QString nonNull(const QString& text)
{
    return text.isNull() ? QString(QLatin1StringView("")) : text;
}

Person personFrom(const SqliteQuery& q)
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
    QString label(const SqliteQuery& q, int column)
    {
        if (q.isNull(column))
            return QString();
        const QByteArrayView text = q.utf8(column);
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
void addValueTo(Person& p, const SqliteQuery& q, LabelCache& labels)
{
    const QByteArrayView kind = q.utf8(1);
    if (kind == "date") {
        const QDate date = q.date(3);
        if (date.isValid())
            p.dates.push_back({labels.label(q, 2), date});
    } else if (kind == "phone") {
        p.phones.push_back({labels.label(q, 2), q.text(3)});
    } else if (kind == "email") {
        p.emails.push_back({labels.label(q, 2), q.text(3)});
    } else if (kind == "url") {
        p.urls.push_back({labels.label(q, 2), q.text(3)});
    } else if (kind == "address") {
        p.addresses.push_back({labels.label(q, 2),
            PostalAddress {q.text(4), q.text(5), q.text(6), q.text(7), q.text(8)}});
    }
}

// Hands each row of `q`, whose first column is a person id, to `use` with that person.
// Rows and people are both in person id order, so one pass does it. SQLITE_ROW when the
// rows went on past the last person.
template<typename Use> int forEachPersonRow(SqliteQuery& q, std::vector<Person>& people, Use&& use)
{
    std::size_t at = 0;
    int rc;
    while ((rc = q.step()) == SQLITE_ROW) {
        const sqlite3_int64 personID = q.integer(0);
        while (at < people.size() && people[at].recordID < personID)
            ++at;
        if (at == people.size())
            break;
        if (people[at].recordID == personID)
            use(people[at]);
    }
    return rc;
}

Group groupFrom(const SqliteQuery& q)
{
    return Group {std::int32_t(q.integer(0)), q.text(1)};
}

// Our tables and the others in the file, or nullopt when the schema cannot be read.
std::optional<QStringList> userTables(sqlite3* db, QString& error)
{
    return sqliteTexts(db,
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
        "ESCAPE '\\'",
        error);
}

bool hasOurTables(const QStringList& tables)
{
    for (const char* name : OurTables) {
        if (!tables.contains(QLatin1StringView(name)))
            return false;
    }
    return true;
}

// Why a file with these header values and tables is no book of a readable layout; empty
// when it is one, or an empty database.
QString refusalOf(const QString& path, qint64 appID, int version, const QStringList& tables)
{
    if (appID != 0 && appID != AddressBook::ApplicationID)
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
    if (version == 0 && !tables.isEmpty())
        return QStringLiteral("%1 is not an address book (it holds other tables: %2)")
            .arg(shown(path), tables.join(QLatin1String(", ")));
    if (version > 0 &&
        (!hasOurTables(tables) || (version >= 2 && !tables.contains(u"card_properties"_s))))
        return QStringLiteral("%1 is not an address book (its tables are missing)")
            .arg(shown(path));
    return QString();
}

// Checks what is in the file before anything is written to it; an empty message when
// the file is a book of a readable version or an empty database.
QString checkContents(sqlite3* db, const QString& path, int& version, bool* damaged)
{
    // One snapshot for all three reads: another handle may be creating the tables (and
    // setting the version with them) right now.
    const bool ownTransaction = sqlite3_get_autocommit(db) && sqliteExecute(db, "BEGIN");
    const auto end = qScopeGuard([&] {
        if (ownTransaction)
            sqliteExecute(db, "COMMIT");
    });
    QString error;
    const auto applicationID = sqliteScalar(db, "PRAGMA application_id", error);
    const auto userVersion =
        applicationID ? sqliteScalar(db, "PRAGMA user_version", error) : std::nullopt;
    const auto tables = userVersion ? userTables(db, error) : std::nullopt;
    if (!tables) {
        const int code = sqlite3_errcode(db);
        if (sqliteFault(code) == SqliteFault::None || sqliteFault(code) == SqliteFault::Other)
            return QStringLiteral("%1 is not an address book or is damaged (%2)")
                .arg(shown(path), error);
        if (damaged)
            *damaged = sqliteFault(code) == SqliteFault::Damaged;
        return failureText(path, error, code);
    }
    version = userVersion->toInt();
    return refusalOf(path, applicationID->toLongLong(), version, *tables);
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
        if (sqliteScalar(db, "PRAGMA journal_mode = WAL", error, &code))
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
    if (!sqliteExecute(db, "BEGIN IMMEDIATE", &error))
        return QStringLiteral("%1 could not be prepared as an address book (%2)")
            .arg(shown(path), error);
    int version = 0;
    QString problem = checkContents(db, path, version, nullptr);
    if (problem.isEmpty() && version == 0) {
        const QByteArray pragmas =
            QStringLiteral("PRAGMA user_version = %1; PRAGMA application_id = %2;")
                .arg(AddressBook::SchemaVersion)
                .arg(AddressBook::ApplicationID)
                .toLatin1();
        if (!sqliteExecute(db, SchemaSql, &error) ||
            !sqliteExecute(db, pragmas.constData(), &error) || !sqliteExecute(db, "COMMIT", &error))
            problem = QStringLiteral("%1 could not be prepared as an address book (%2)")
                          .arg(shown(path), error);
    }
    if (!sqlite3_get_autocommit(db))
        sqliteExecute(db, "ROLLBACK");
    return problem;
}

// Brings a book of an earlier layout up to this one. Another handle may be doing the same:
// the one that gets the write lock first does it, the other finds it done.
QString upgradeSchema(sqlite3* db, const QString& path)
{
    QString error;
    if (!sqliteExecute(db, "BEGIN IMMEDIATE", &error))
        return QStringLiteral("%1 could not be brought up to date (%2)").arg(shown(path), error);
    int version = 0;
    QString problem = checkContents(db, path, version, nullptr);
    if (problem.isEmpty() && version == 1) {
        const QByteArray sql = QByteArray(CARD_PROPERTIES_SQL) + " PRAGMA user_version = 2;";
        if (!sqliteExecute(db, sql.constData(), &error) || !sqliteExecute(db, "COMMIT", &error))
            problem =
                QStringLiteral("%1 could not be brought up to date (%2)").arg(shown(path), error);
    }
    if (!sqlite3_get_autocommit(db))
        sqliteExecute(db, "ROLLBACK");
    return problem;
}

// Looks at the first bytes of an existing file: SQLite would only find out on first read,
// and a file that is not a database must be left exactly as it is. Empty when the file is
// missing, empty or an SQLite database.
QString refusalOfFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    if (info.isDir())
        return QStringLiteral("%1 is a folder, not an address book").arg(shown(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 cannot be read (%2)").arg(shown(path), file.errorString());
    const QByteArray head = file.read(16);
    if (!head.isEmpty() && head != QByteArray("SQLite format 3", 16))
        return QStringLiteral("%1 is not an address book (not an SQLite database)")
            .arg(shown(path));
    return QString();
}

// Sets the connection up for use and makes sure it holds a book; why not when it fails.
QString prepareConnection(sqlite3* db, const QString& path, bool* damaged)
{
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    if (sqlite3_db_readonly(db, "main") == 1)
        return QStringLiteral("%1 is read-only").arg(shown(path));

    int version = 0;
    if (QString problem = checkContents(db, path, version, damaged); !problem.isEmpty())
        return problem;

    // WAL lets other handles read while this one writes. With WAL, synchronous=NORMAL
    // cannot corrupt the file; at worst the last saves are lost on a power cut. The larger
    // page cache keeps a whole 10,000-person book in memory for allPeople().
    QString pragmaError = switchToWal(db);
    if (!pragmaError.isEmpty())
        return QStringLiteral("%1 cannot be used (%2)").arg(shown(path), pragmaError);
    if (!sqliteExecute(db,
            "PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON; PRAGMA cache_size = -16384;",
            &pragmaError))
        return QStringLiteral("%1 cannot be used (%2)").arg(shown(path), pragmaError);

    if (version == 0)
        return createSchema(db, path);
    if (version < AddressBook::SchemaVersion)
        return upgradeSchema(db, path);
    return QString();
}

// A new book is made before SQLite opens it, readable by its owner only: it holds other
// people's addresses. SQLite gives its journal, WAL and shared-memory files the mode of
// the book, whatever the umask.
QString createPrivateFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
        O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        if (errno == EEXIST)
            return QString();
        return QStringLiteral("%1 cannot be created (%2)")
            .arg(shown(path), QString::fromLocal8Bit(std::strerror(errno)));
    }
    // The umask may have taken bits away, never added any; fchmod makes it exact.
    const bool exact = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    ::close(fd);
    if (!exact)
        return QStringLiteral("%1 cannot be made private (%2)")
            .arg(shown(path), QString::fromLocal8Bit(std::strerror(errno)));
    return QString();
}

// Sets a read-only connection up and checks that it holds a book of a readable layout;
// `version` 0 is an empty database.
QString prepareReadOnlyConnection(sqlite3* db, const QString& path, int& version, bool* damaged)
{
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    if (QString problem = checkContents(db, path, version, damaged); !problem.isEmpty())
        return problem;
    QString pragmaError;
    if (!sqliteExecute(db, "PRAGMA cache_size = -16384;", &pragmaError))
        return QStringLiteral("%1 cannot be used (%2)").arg(shown(path), pragmaError);
    return QString();
}

} // namespace

// ---------------------------------------------------------------------------------------

struct AddressBook::Impl {
    Impl(sqlite3* db, const QString& path, QString& lastError)
        : db(db), path(path), lastError(lastError), statements(db, StatementSql),
          transaction(db, QStringLiteral("the address book"), lastError)
    {
    }

    sqlite3* db;
    const QString& path;
    QString& lastError;
    SqliteStatementCache statements;
    SqliteTransaction transaction;
    mutable bool failed = false;   // by the call running now or the last one
    mutable bool damaged = false;  // found by any call
    bool hasCardProperties = true; // false for a read-only handle on a layout 1 book

    void beginCall() const { failed = false; }

    // The statement, ready to run; not ready (with lastError set) when it does not compile.
    // Compiling reads the layout from the file, so it meets damage too.
    SqliteQuery query(StatementID id)
    {
        sqlite3_stmt* statement = statements.get(id);
        if (!statement)
            failWithSqlite("reading the layout");
        return SqliteQuery(statement);
    }

    bool fail(const QString& message) const
    {
        failed = true;
        lastError = message;
        return false;
    }
    bool failWithSqlite(const char* what) const
    {
        const int code = sqlite3_extended_errcode(db);
        if (sqliteFault(code) == SqliteFault::Damaged)
            damaged = true;
        return fail(failureText(
            path, QStringLiteral("%1: %2").arg(QLatin1StringView(what), sqliteMessage(db)), code));
    }
    // A change that could not start; the transaction has said why.
    bool started(const SqliteChange& change) const
    {
        if (change.ready())
            return true;
        if (sqliteFault(sqlite3_extended_errcode(db)) == SqliteFault::Damaged)
            damaged = true;
        failed = true;
        return false;
    }
    // For results that give nothing on failure: fails when the step did neither.
    bool stepped(int rc, const SqliteQuery& q, const char* what) const
    {
        if ((rc == SQLITE_ROW || rc == SQLITE_DONE) && q.columnsRead())
            return true;
        return failWithSqlite(what);
    }
    bool failIdsUsedUp(const char* what) const
    {
        return fail(QStringLiteral("no more %1 can be added: record ids are used up")
                        .arg(QLatin1StringView(what)));
    }

    // ---- Reading steps ----
    bool reserveForEveryone(std::vector<Person>& people);
    // Every person's row, or (SelectAllNamesAndBirthdays) only what dates an occasion.
    bool readPeople(std::vector<Person>& people, StatementID id = SelectAllPeople);
    // Every multi-value field, or (SelectAllDates) only the dated ones.
    bool attachValues(std::vector<Person>& people, StatementID id = SelectAllValues);
    bool markPictureOwners(std::vector<Person>& people);
    std::optional<Person> readPersonRow(std::int32_t recordID);
    bool readValuesOf(Person& person);
    std::vector<std::int32_t> readIDs(StatementID id, std::int32_t key, const char* what);

    // ---- Changing steps ----
    bool exists(StatementID id, sqlite3_int64 key);
    bool requirePerson(std::int32_t personID);
    bool requireGroup(std::int32_t groupID);
    bool nextIdFits(StatementID lastID, const char* what);
    bool writePersonRow(SqliteQuery& q, const Person& person);
    bool insertValues(sqlite3_int64 personID, const Person& person);
    bool runForPerson(StatementID id, std::int32_t personID, const char* what);
    bool changeMembership(
        StatementID id, std::int32_t groupID, std::int32_t personID, const char* what);
};

// ---- Reading steps ------------------------------------------------------------------------

// Sized up front: growing a vector of 10,000 people moves them all several times.
bool AddressBook::Impl::reserveForEveryone(std::vector<Person>& people)
{
    SqliteQuery count = query(CountPeople);
    if (!count.ready())
        return false;
    const int rc = count.step();
    if (rc == SQLITE_ROW)
        people.reserve(std::size_t(count.integer(0)));
    return stepped(rc, count, "counting people");
}

bool AddressBook::Impl::readPeople(std::vector<Person>& people, StatementID id)
{
    SqliteQuery q = query(id);
    if (!q.ready())
        return false;
    int rc;
    while ((rc = q.step()) == SQLITE_ROW)
        people.push_back(personFrom(q));
    return rc == SQLITE_DONE || failWithSqlite("reading people");
}

bool AddressBook::Impl::attachValues(std::vector<Person>& people, StatementID id)
{
    SqliteQuery q = query(id);
    if (!q.ready())
        return false;
    LabelCache labels;
    const int rc = forEachPersonRow(q, people, [&](Person& p) { addValueTo(p, q, labels); });
    return rc == SQLITE_DONE || rc == SQLITE_ROW || failWithSqlite("reading people's values");
}

// Who has a picture, from the index on images.person_id alone: no picture is read.
bool AddressBook::Impl::markPictureOwners(std::vector<Person>& people)
{
    SqliteQuery q = query(SelectAllImageOwners);
    if (!q.ready())
        return false;
    const int rc = forEachPersonRow(q, people, [](Person& p) { p.hasImage = true; });
    return rc == SQLITE_DONE || rc == SQLITE_ROW || failWithSqlite("reading pictures");
}

std::optional<Person> AddressBook::Impl::readPersonRow(std::int32_t recordID)
{
    SqliteQuery q = query(SelectPerson);
    if (!q.ready())
        return std::nullopt;
    q.bind(1, recordID);
    const int rc = q.step();
    if (rc != SQLITE_ROW) {
        if (rc != SQLITE_DONE)
            failWithSqlite("reading a person");
        return std::nullopt;
    }
    Person person = personFrom(q);
    person.hasImage = q.integer(11) != 0;
    if (!q.columnsRead()) {
        failWithSqlite("reading a person");
        return std::nullopt;
    }
    return person;
}

bool AddressBook::Impl::readValuesOf(Person& person)
{
    SqliteQuery q = query(SelectValuesOfPerson);
    if (!q.ready())
        return false;
    q.bind(1, person.recordID);
    LabelCache labels;
    int rc;
    while ((rc = q.step()) == SQLITE_ROW)
        addValueTo(person, q, labels);
    return rc == SQLITE_DONE || failWithSqlite("reading a person's values");
}

// The record ids a query gives for one key, in its order.
std::vector<std::int32_t> AddressBook::Impl::readIDs(
    StatementID id, std::int32_t key, const char* what)
{
    std::vector<std::int32_t> ids;
    SqliteQuery q = query(id);
    if (!q.ready())
        return ids;
    q.bind(1, key);
    int rc;
    while ((rc = q.step()) == SQLITE_ROW)
        ids.push_back(std::int32_t(q.integer(0)));
    if (rc != SQLITE_DONE) {
        failWithSqlite(what);
        return {};
    }
    return ids;
}

// ---- Changing steps -----------------------------------------------------------------------

// True when the statement gives a row for the key.
bool AddressBook::Impl::exists(StatementID id, sqlite3_int64 key)
{
    SqliteQuery q = query(id);
    if (!q.ready())
        return false;
    q.bind(1, key);
    const int rc = q.step();
    return stepped(rc, q, "looking up a record") && rc == SQLITE_ROW;
}

// Checked before changes that name a person or a group, for a clear message; the foreign
// keys would refuse most of them anyway.
bool AddressBook::Impl::requirePerson(std::int32_t personID)
{
    if (exists(PersonExists, personID))
        return true;
    // A failed lookup keeps its own message.
    if (!failed)
        fail(QStringLiteral("there is no person with record id %1").arg(personID));
    return false;
}

bool AddressBook::Impl::requireGroup(std::int32_t groupID)
{
    if (exists(GroupExists, groupID))
        return true;
    if (!failed)
        fail(QStringLiteral("there is no group with record id %1").arg(groupID));
    return false;
}

// The id the next AUTOINCREMENT insert will take must still be a record id.
bool AddressBook::Impl::nextIdFits(StatementID lastID, const char* what)
{
    SqliteQuery q = query(lastID);
    if (!q.ready() || q.step() != SQLITE_ROW)
        return failWithSqlite("reading the last record id");
    if (q.integer(0) >= std::numeric_limits<std::int32_t>::max())
        return failIdsUsedUp(what);
    return true;
}

bool AddressBook::Impl::writePersonRow(SqliteQuery& q, const Person& person)
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
    return q.run();
}

bool AddressBook::Impl::insertValues(sqlite3_int64 personID, const Person& person)
{
    auto insert = [&](const char* kind, std::size_t position, const QString& label,
                      auto&& bindValue) {
        SqliteQuery q = query(InsertValue);
        if (!q.ready())
            return false;
        q.bind(1, personID);
        q.bindStatic(2, kind);
        q.bind(3, sqlite3_int64(position));
        q.bind(4, label);
        bindValue(q);
        return q.run();
    };
    for (std::size_t i = 0; i < person.dates.size(); ++i) {
        // A date the file cannot hold is left out rather than stored unreadable.
        if (!SqliteQuery::isStorableDate(person.dates[i].value))
            continue;
        if (!insert("date", i, person.dates[i].label,
                [&](SqliteQuery& q) { q.bindDate(5, person.dates[i].value); }))
            return false;
    }
    const std::pair<const char*, const std::vector<Labeled<QString>>*> texts[] = {
        {"phone", &person.phones}, {"email", &person.emails}, {"url", &person.urls}};
    for (const auto& [kind, values] : texts) {
        for (std::size_t i = 0; i < values->size(); ++i) {
            const Labeled<QString>& value = (*values)[i];
            if (!insert(kind, i, value.label, [&](SqliteQuery& q) { q.bind(5, value.value); }))
                return false;
        }
    }
    for (std::size_t i = 0; i < person.addresses.size(); ++i) {
        const PostalAddress& a = person.addresses[i].value;
        if (!insert("address", i, person.addresses[i].label, [&](SqliteQuery& q) {
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

// Runs a statement whose one parameter is a person's record id.
bool AddressBook::Impl::runForPerson(StatementID id, std::int32_t personID, const char* what)
{
    SqliteQuery q = query(id);
    if (!q.ready())
        return false;
    q.bind(1, personID);
    return q.run() || failWithSqlite(what);
}

// Adding and removing a member: both need the group and the person to exist.
bool AddressBook::Impl::changeMembership(
    StatementID id, std::int32_t groupID, std::int32_t personID, const char* what)
{
    SqliteChange change(transaction);
    if (!started(change) || !requireGroup(groupID) || !requirePerson(personID))
        return false;
    SqliteQuery q = query(id);
    if (!q.ready())
        return false;
    q.bind(1, groupID);
    q.bind(2, personID);
    if (!q.run())
        return failWithSqlite(what);
    change.commit();
    return true;
}

// ---------------------------------------------------------------------------------------

AddressBook::AddressBook(QString path, sqlite3* db, bool readOnly)
    : m_path(std::move(path)), m_db(db), m_readOnly(readOnly),
      d(std::make_unique<Impl>(db, m_path, m_lastError))
{
}

bool AddressBook::lastCallFailed() const
{
    return d->failed;
}

bool AddressBook::isDamaged() const
{
    return d->damaged;
}

AddressBook::~AddressBook()
{
    // Unsaved changes are dropped with the handle.
    d->transaction.rollback();
    d.reset(); // the statements are finalized before the connection closes
    sqlite3_close_v2(m_db);
}

std::unique_ptr<AddressBook> AddressBook::create(const QString& path, QString* error, bool* damaged)
{
    auto refuse = [error](const QString& message) {
        if (error)
            *error = message;
        return std::unique_ptr<AddressBook>();
    };
    if (damaged)
        *damaged = false;
    if (path.isEmpty())
        return refuse(QStringLiteral("no address book file given"));
    if (const QString problem = refusalOfFile(path); !problem.isEmpty())
        return refuse(problem);
    if (const QString problem = createPrivateFile(path); !problem.isEmpty())
        return refuse(problem);

    sqlite3* db = nullptr;
    // Handles are never shared between threads, so SQLite's own locking is not needed.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
        const QString message = db ? sqliteMessage(db) : QStringLiteral("out of memory");
        sqlite3_close_v2(db);
        return refuse(QStringLiteral("%1 cannot be opened (%2)").arg(shown(path), message));
    }
    if (const QString problem = prepareConnection(db, path, damaged); !problem.isEmpty()) {
        sqlite3_close_v2(db);
        return refuse(problem);
    }
    tellCommitListeners();
    return std::unique_ptr<AddressBook>(new AddressBook(path, db, false));
}

std::unique_ptr<AddressBook> AddressBook::openReadOnly(
    const QString& path, QString* error, bool* damaged)
{
    auto refuse = [error](const QString& message) {
        if (error)
            *error = message;
        return std::unique_ptr<AddressBook>();
    };
    if (damaged)
        *damaged = false;
    if (path.isEmpty())
        return refuse(QStringLiteral("no address book file given"));
    const QFileInfo info(path);
    if (!info.isDir() && (!info.exists() || info.size() == 0))
        return refuse(QString()); // no book yet
    if (const QString problem = refusalOfFile(path); !problem.isEmpty())
        return refuse(problem);

    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    if (sqlite3_open_v2(sqliteReadOnlyUri(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
        const QString message = db ? sqliteMessage(db) : QStringLiteral("out of memory");
        const int code = db ? sqlite3_errcode(db) : SQLITE_NOMEM;
        sqlite3_close_v2(db);
        return refuse(failureText(path, message, code));
    }
    int version = 0;
    const QString problem = prepareReadOnlyConnection(db, path, version, damaged);
    // Version 0 without a problem is an empty database: no book yet.
    if (!problem.isEmpty() || version == 0) {
        sqlite3_close_v2(db);
        return refuse(problem);
    }
    std::unique_ptr<AddressBook> book(new AddressBook(path, db, true));
    book->d->hasCardProperties = version >= 2;
    return book;
}

// ---- Reading ----------------------------------------------------------------------------

std::vector<Person> AddressBook::allPeople() const
{
    d->beginCall();
    SqliteReadSnapshot snapshot(d->transaction);
    std::vector<Person> people;
    if (!d->reserveForEveryone(people) || !d->readPeople(people) || !d->attachValues(people) ||
        !d->markPictureOwners(people))
        return {};
    return people;
}

std::vector<Person> AddressBook::allPeopleNamesAndDates() const
{
    d->beginCall();
    SqliteReadSnapshot snapshot(d->transaction);
    std::vector<Person> people;
    if (!d->reserveForEveryone(people) || !d->readPeople(people, SelectAllNamesAndBirthdays) ||
        !d->attachValues(people, SelectAllDates))
        return {};
    return people;
}

std::optional<Person> AddressBook::person(std::int32_t recordID) const
{
    d->beginCall();
    SqliteReadSnapshot snapshot(d->transaction);
    std::optional<Person> result = d->readPersonRow(recordID);
    if (!result || !d->readValuesOf(*result))
        return std::nullopt;
    return result;
}

std::optional<Person> AddressBook::personWithUid(const QString& uid) const
{
    d->beginCall();
    if (uid.isEmpty())
        return std::nullopt;
    SqliteReadSnapshot snapshot(d->transaction);
    sqlite3_int64 id = -1;
    {
        SqliteQuery q = d->query(SelectPersonIdWithUid);
        if (!q.ready())
            return std::nullopt;
        q.bind(1, uid);
        const int rc = q.step();
        if (!d->stepped(rc, q, "looking up a person") || rc != SQLITE_ROW)
            return std::nullopt;
        id = q.integer(0);
    }
    if (!isRecordID(id))
        return std::nullopt;
    return person(std::int32_t(id));
}

int AddressBook::personCount() const
{
    d->beginCall();
    SqliteQuery q = d->query(CountPeople);
    if (!q.ready() || q.step() != SQLITE_ROW) {
        d->failWithSqlite("counting people");
        return 0;
    }
    return int(q.integer(0));
}

std::vector<Group> AddressBook::allGroups() const
{
    d->beginCall();
    std::vector<Group> groups;
    SqliteQuery q = d->query(SelectAllGroups);
    if (!q.ready())
        return groups;
    int rc;
    while ((rc = q.step()) == SQLITE_ROW)
        groups.push_back(groupFrom(q));
    if (rc != SQLITE_DONE) {
        d->failWithSqlite("reading groups");
        return {};
    }
    return groups;
}

std::optional<Group> AddressBook::group(std::int32_t recordID) const
{
    d->beginCall();
    SqliteQuery q = d->query(SelectGroup);
    if (!q.ready())
        return std::nullopt;
    q.bind(1, recordID);
    const int rc = q.step();
    if (!d->stepped(rc, q, "reading a group") || rc != SQLITE_ROW)
        return std::nullopt;
    Group found = groupFrom(q);
    if (!d->stepped(rc, q, "reading a group"))
        return std::nullopt;
    return found;
}

std::optional<Group> AddressBook::groupNamed(const QString& name) const
{
    d->beginCall();
    SqliteQuery q = d->query(SelectGroupNamed);
    if (!q.ready())
        return std::nullopt;
    q.bind(1, nonNull(name));
    const int rc = q.step();
    if (!d->stepped(rc, q, "looking up a group") || rc != SQLITE_ROW)
        return std::nullopt;
    Group found = groupFrom(q);
    if (!d->stepped(rc, q, "looking up a group"))
        return std::nullopt;
    return found;
}

std::vector<std::int32_t> AddressBook::groupMembers(std::int32_t groupID) const
{
    d->beginCall();
    return d->readIDs(SelectGroupMembers, groupID, "reading a group's members");
}

std::vector<std::int32_t> AddressBook::groupsOf(std::int32_t personID) const
{
    d->beginCall();
    return d->readIDs(SelectGroupsOf, personID, "reading a person's groups");
}

bool AddressBook::hasImageData(std::int32_t personID) const
{
    d->beginCall();
    SqliteQuery q = d->query(ImageExists);
    if (!q.ready())
        return false;
    q.bind(1, personID);
    const int rc = q.step();
    return d->stepped(rc, q, "looking up a picture") && rc == SQLITE_ROW && q.integer(0) != 0;
}

QByteArray AddressBook::imageData(std::int32_t personID) const
{
    d->beginCall();
    SqliteQuery q = d->query(SelectImage);
    if (!q.ready())
        return {};
    q.bind(1, personID);
    const int rc = q.step();
    if (!d->stepped(rc, q, "reading a picture") || rc != SQLITE_ROW)
        return {};
    QByteArray data = q.blob(0);
    if (!d->stepped(rc, q, "reading a picture"))
        return {};
    return data;
}

QStringList AddressBook::cardProperties(std::int32_t personID) const
{
    d->beginCall();
    QStringList lines;
    if (!d->hasCardProperties)
        return lines;
    SqliteQuery q = d->query(SelectCardProperties);
    if (!q.ready())
        return lines;
    q.bind(1, personID);
    int rc;
    while ((rc = q.step()) == SQLITE_ROW)
        lines.append(q.text(0));
    if (rc != SQLITE_DONE) {
        d->failWithSqlite("reading a person's card properties");
        return {};
    }
    return lines;
}

// ---- Changing ---------------------------------------------------------------------------

bool AddressBook::setCardProperties(std::int32_t personID, const QStringList& lines)
{
    d->beginCall();
    SqliteChange change(d->transaction);
    if (!d->started(change) || !d->requirePerson(personID) ||
        !d->runForPerson(DeleteCardProperties, personID, "changing a person's card properties"))
        return false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        SqliteQuery q = d->query(InsertCardProperty);
        if (!q.ready())
            return false;
        q.bind(1, personID);
        q.bind(2, sqlite3_int64(i));
        q.bind(3, lines[i]);
        if (!q.run())
            return d->failWithSqlite("changing a person's card properties");
    }
    change.commit();
    return true;
}

std::int32_t AddressBook::addPerson(const Person& person)
{
    d->beginCall();
    SqliteChange change(d->transaction);
    if (!d->started(change) || !d->nextIdFits(LastPersonId, "people"))
        return -1;
    sqlite3_int64 id = -1;
    {
        SqliteQuery q = d->query(InsertPerson);
        if (!q.ready() || !d->writePersonRow(q, person)) {
            d->failWithSqlite("adding a person");
            return -1;
        }
        id = q.insertedRowID();
    }
    if (!isRecordID(id)) {
        d->failIdsUsedUp("people");
        return -1;
    }
    if (!d->insertValues(id, person)) {
        d->failWithSqlite("adding a person's values");
        return -1;
    }
    change.commit();
    return std::int32_t(id);
}

bool AddressBook::updatePerson(const Person& person)
{
    d->beginCall();
    SqliteChange change(d->transaction);
    if (!d->started(change))
        return false;
    {
        SqliteQuery q = d->query(UpdatePerson);
        if (!q.ready())
            return false;
        q.bind(11, person.recordID);
        if (!d->writePersonRow(q, person))
            return d->failWithSqlite("changing a person");
        if (q.changedRows() == 0)
            return d->fail(
                QStringLiteral("there is no person with record id %1").arg(person.recordID));
    }
    if (!d->runForPerson(DeleteValuesOfPerson, person.recordID, "changing a person"))
        return false;
    if (!d->insertValues(person.recordID, person))
        return d->failWithSqlite("changing a person's values");
    change.commit();
    return true;
}

bool AddressBook::removePerson(std::int32_t recordID)
{
    d->beginCall();
    SqliteChange change(d->transaction);
    if (!d->started(change))
        return false;
    // Values, memberships and the picture go with it (ON DELETE CASCADE).
    if (!d->runForPerson(DeletePerson, recordID, "removing a person"))
        return false;
    if (sqlite3_changes(m_db) == 0)
        return d->fail(QStringLiteral("there is no person with record id %1").arg(recordID));
    change.commit();
    return true;
}

std::int32_t AddressBook::addGroup(const QString& name)
{
    d->beginCall();
    SqliteChange change(d->transaction);
    if (!d->started(change) || !d->nextIdFits(LastGroupId, "groups"))
        return -1;
    SqliteQuery q = d->query(InsertGroup);
    if (!q.ready())
        return -1;
    q.bind(1, nonNull(name));
    if (!q.run()) {
        d->failWithSqlite("adding a group");
        return -1;
    }
    const sqlite3_int64 id = q.insertedRowID();
    if (!isRecordID(id)) {
        d->failIdsUsedUp("groups");
        return -1;
    }
    change.commit();
    return std::int32_t(id);
}

bool AddressBook::addGroupMember(std::int32_t groupID, std::int32_t personID)
{
    d->beginCall();
    return d->changeMembership(InsertGroupMember, groupID, personID, "adding a group member");
}

bool AddressBook::removeGroupMember(std::int32_t groupID, std::int32_t personID)
{
    d->beginCall();
    return d->changeMembership(DeleteGroupMember, groupID, personID, "removing a group member");
}

bool AddressBook::setImageData(std::int32_t personID, const QByteArray& data)
{
    d->beginCall();
    if (data.isEmpty())
        return removeImageData(personID);
    SqliteChange change(d->transaction);
    if (!d->started(change) || !d->requirePerson(personID))
        return false;
    SqliteQuery q = d->query(UpsertImage);
    if (!q.ready())
        return false;
    q.bind(1, personID);
    q.bindBlob(2, data);
    if (!q.run())
        return d->failWithSqlite("storing a picture");
    change.commit();
    return true;
}

bool AddressBook::removeImageData(std::int32_t personID)
{
    d->beginCall();
    SqliteChange change(d->transaction);
    if (!d->started(change) || !d->requirePerson(personID) ||
        !d->runForPerson(DeleteImage, personID, "removing a picture"))
        return false;
    change.commit();
    return true;
}

// ---- Transactions -------------------------------------------------------------------------

bool AddressBook::hasUnsavedChanges() const
{
    return d->transaction.hasUnsavedChanges();
}

int AddressBook::addCommitListener(std::function<void()> listener)
{
    const std::lock_guard lock(g_listenersMutex);
    const int id = g_nextListenerId++;
    g_commitListeners.emplace(id, std::move(listener));
    return id;
}

void AddressBook::removeCommitListener(int id)
{
    const std::lock_guard lock(g_listenersMutex);
    g_commitListeners.erase(id);
}

bool AddressBook::save(QString* error)
{
    d->beginCall();
    QString reason;
    QString message;
    switch (d->transaction.commit(reason)) {
    case SqliteTransaction::Commit::Saved:
        tellCommitListeners();
        return true;
    case SqliteTransaction::Commit::Lost:
        message = QStringLiteral("the changes to %1 were lost before they could be saved")
                      .arg(shown(m_path));
        break;
    case SqliteTransaction::Commit::Failed:
        message =
            QStringLiteral("the changes to %1 could not be saved (%2)").arg(shown(m_path), reason);
        break;
    }
    d->fail(message);
    if (error)
        *error = message;
    return false;
}

void AddressBook::revert()
{
    d->transaction.rollback();
}

// ---- Identities of people ----------------------------------------------------------------

std::vector<std::int32_t> AddressBook::peopleWithoutUid() const
{
    d->beginCall();
    SqliteReadSnapshot snapshot(d->transaction);
    std::vector<std::int32_t> ids;
    SqliteQuery q = d->query(SelectPeopleWithoutUid);
    if (!q.ready())
        return {};
    int rc = SQLITE_ROW;
    while ((rc = q.step()) == SQLITE_ROW) {
        if (isRecordID(q.integer(0)))
            ids.push_back(std::int32_t(q.integer(0)));
    }
    if (!d->stepped(rc, q, "looking up people without a uid"))
        return {};
    return ids;
}

bool AddressBook::setUid(std::int32_t recordID, const QString& uid)
{
    d->beginCall();
    SqliteChange change(d->transaction);
    if (!d->started(change))
        return false;
    {
        SqliteQuery q = d->query(SetUid);
        if (!q.ready())
            return false;
        q.bind(1, recordID);
        q.bind(2, uid.isEmpty() ? QString() : uid);
        if (!q.run())
            return d->failWithSqlite("changing a person's uid");
        if (q.changedRows() == 0)
            return d->fail(QStringLiteral("there is no person with record id %1").arg(recordID));
    }
    change.commit();
    return true;
}

} // namespace fetemark
