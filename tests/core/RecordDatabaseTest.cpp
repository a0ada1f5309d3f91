// The record database over a real data directory (address book on SQLite, custom
// entries and notes files in a temporary folder): what a load publishes and hides, the
// background load with restarts, cancels and teardown, damaged and half-written stores,
// entry maintenance, notes, the midnight recompute, the badge count, placeholders,
// photo states and observers. Clock, zone and locale are fixed by every test.
#include "core/Calendar.h"
#include "core/Clock.h"
#include "core/CustomEntriesStore.h"
#include "core/DeviceEnvironment.h"
#include "core/OccasionABMetadata.h"
#include "core/OccasionRecord.h"
#include "core/RecordDatabase.h"
#include "core/SearchIndex.h"
#include "core/Settings.h"
#include "core/SettingsKeys.h"
#include "core/Texts.h"
#include "platform/AddressBook.h"
#include "platform/KeyedArchiver.h"
#include "platform/SyntheticContacts.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QThread>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace fetemark;

namespace {

using Records = RecordDatabase::Records;

template <typename Row>
std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

// Thursday 5 March 2026, 13:00 in Berlin, 01:00 on Friday 6 March in Auckland.
const char* const Now = "2026-03-05T12:00:00Z";
const QString Berlin = QStringLiteral("Europe/Berlin");
const QString Auckland = QStringLiteral("Pacific/Auckland");

std::string str(const QString& s)
{
    return s.toStdString();
}

// A fresh data directory with its own address book, settings at their registered
// defaults, a fixed clock and a fixed device; the database is made on first use.
class Data {
public:
    explicit Data(const QString& zone = Berlin, const char* now = Now)
        : settings(dir.file(QStringLiteral("Preferences.plist")))
        , clock(test::utc(now))
        , device{zone, QStringLiteral("en_US"), {QStringLiteral("en")}}
        , calendar(zone)
    {
        settings.registerDefaults(registeredDefaults());
        QString error;
        book = AddressBook::create(dir.file(QStringLiteral("AddressBook.sqlite")), &error);
        EXPECT_TRUE(book) << str(error);
    }

    void set(QLatin1StringView key, const QVariant& value) { settings.setValue(QString(key), value); }

    std::int32_t addPerson(const QString& first, const QString& last, const QDate& birthday = {},
                           std::vector<Labeled<QDate>> dates = {}, const QString& note = {})
    {
        Person p;
        p.firstName = first;
        p.lastName = last;
        p.birthday = birthday;
        p.dates = std::move(dates);
        p.note = note;
        const std::int32_t id = book->addPerson(p);
        EXPECT_NE(id, -1) << str(book->lastError());
        EXPECT_TRUE(book->save());
        return id;
    }

    // The files as an earlier run left them.
    void writeEntries(const Records& entries, const Records& holdovers = {})
    {
        QString error;
        EXPECT_TRUE(CustomEntriesStore(dir.path()).writeCustomEntries(entries, holdovers, calendar, &error)) << str(error);
    }
    void writeNotes(const std::vector<OccasionABMetadataPtr>& notes)
    {
        QString error;
        EXPECT_TRUE(CustomEntriesStore(dir.path()).writeABMetadata(notes, &error)) << str(error);
    }
    Records storedEntries() const { return CustomEntriesStore(dir.path()).loadEntries(); }
    bool fileHolds(const QString& customID) const
    {
        const Records stored = storedEntries();
        return std::any_of(stored.begin(), stored.end(), [&](const OccasionRecordPtr& r) { return r->customID == customID; });
    }

    RecordDatabase& db()
    {
        if (!database)
            database = std::make_unique<RecordDatabase>(
                RecordDatabase::Dependencies{settings, clock, device, dir.path(), resourceRoot});
        return *database;
    }
    RecordDatabase& load()
    {
        db().loadDatabase();
        return *database;
    }

    OccasionRecordPtr named(const QString& name, int type = -1) const
    {
        for (const OccasionRecordPtr& r : database->records()) {
            if (r->name == name && (type == -1 || r->type == type))
                return r;
        }
        return nullptr;
    }
    OccasionRecordPtr withCustomID(const Records& list, const QString& id) const
    {
        for (const OccasionRecordPtr& r : list) {
            if (r->customID == id)
                return r;
        }
        return nullptr;
    }
    QStringList names() const
    {
        QStringList out;
        for (const OccasionRecordPtr& r : database->records())
            out << r->name;
        return out;
    }

    QDateTime midnight(int y, int m, int d) const { return calendar.date(y, m, d); }

    test::TempDir dir;
    Settings settings;
    FixedClock clock;
    DeviceEnvironment device;
    Calendar calendar;
    QString resourceRoot = QStringLiteral(":/resources");
    std::unique_ptr<AddressBook> book;
    std::unique_ptr<RecordDatabase> database;
};

OccasionRecordPtr customEntry(const Calendar& cal, const QString& id, const QString& name, int y, int m, int d,
                              int type = OccasionRecord::OtherDate, const QString& label = QStringLiteral("Event"))
{
    auto r = std::make_shared<OccasionRecord>();
    r->isCustomEntry = true;
    r->customID = id;
    r->name = name;
    r->type = type;
    r->otherDateLabel = label;
    if (y > 0)
        r->rawDate = cal.date(y, m, d);
    r->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
    return r;
}

OccasionRecordPtr oneTimeEntry(const Calendar& cal, const QString& id, const QString& name, int y, int m, int d)
{
    auto r = customEntry(cal, id, name, y, m, d);
    r->onetime = true;
    r->oneTimeYear = y;
    return r;
}

OccasionRecordPtr facebookEntry(const Calendar& cal, const QString& id, const QString& first, const QString& last,
                                int y, int m, int d, std::int32_t matchedTo = -1)
{
    auto r = std::make_shared<OccasionRecord>();
    r->isFacebookEntry = true;
    r->customID = id;
    r->firstName = first;
    r->lastName = last;
    r->name = QStringLiteral("as fetched");
    r->rawDate = cal.date(y, m, d);
    r->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
    if (matchedTo != -1) {
        r->isFacebookMatched = true;
        r->facebookToContactID = matchedTo;
    }
    return r;
}

// A stored choice on a contact's date, as the custom entries file keeps it.
OccasionRecordPtr contactChoice(const Calendar& cal, std::int32_t id, int type, int y, int m, int d, const QString& label)
{
    auto r = std::make_shared<OccasionRecord>();
    r->recordID = id;
    r->type = type;
    r->rawDate = cal.date(y, m, d);
    r->otherDateLabel = label;
    r->name = QStringLiteral("stored name");
    return r;
}

OccasionABMetadataPtr contactNote(std::int32_t id, const QString& notes)
{
    auto m = std::make_shared<OccasionABMetadata>();
    m->recordID = id;
    m->notes = notes;
    return m;
}

OccasionABMetadataPtr keyedNote(const QString& customID, const QString& notes)
{
    auto m = std::make_shared<OccasionABMetadata>();
    m->customID = customID;
    m->notes = notes;
    return m;
}

bool contains(const Records& list, const OccasionRecordPtr& r)
{
    return std::find(list.begin(), list.end(), r) != list.end();
}

// The record can be found by a search for each word of its name.
::testing::AssertionResult isIndexed(const SearchIndex& index, const OccasionRecordPtr& r)
{
    const QStringList words = r->name.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return ::testing::AssertionFailure() << "record without a name";
    for (const QString& word : words) {
        if (!contains(index.recordsFor(SearchIndex::lookupKey(word)), r))
            return ::testing::AssertionFailure() << "\"" << str(r->name) << "\" is not found by \"" << str(word) << "\"";
    }
    return ::testing::AssertionSuccess();
}

bool inIndexAtAll(const SearchIndex& index, const OccasionRecordPtr& r)
{
    for (auto it = index.lists().begin(); it != index.lists().end(); ++it) {
        if (contains(it.value(), r))
            return true;
    }
    return false;
}

bool isSorted(const Records& records)
{
    return std::is_sorted(records.begin(), records.end(), OccasionRecord::sortsBefore);
}

// Runs the event loop until `done` or the time is up.
bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

void pumpFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
}

// ---- A typical data directory -----------------------------------------------------------

// Two contacts (one note, one stored choice), a custom entry, a Facebook friend and a
// Facebook friend matched to Anna.
struct Typical {
    std::int32_t anna = -1;
    std::int32_t ben = -1;

    explicit Typical(Data& data)
    {
        anna = data.addPerson(QStringLiteral("Anna"), QStringLiteral("Berg"), QDate(1990, 3, 10));
        ben = data.addPerson(QStringLiteral("Ben"), QStringLiteral("Cole"), QDate(1985, 3, 6),
                             {{QString(ContactLabel::Anniversary), QDate(2010, 3, 20)}});
        auto choice = contactChoice(data.calendar, ben, OccasionRecord::Anniversary, 2010, 3, 20,
                                    QString(ContactLabel::Anniversary));
        choice->alertsOff = true;
        data.writeEntries({customEntry(data.calendar, QStringLiteral("PARTY"), QStringLiteral("Office Party"), 2020, 3, 8),
                           facebookEntry(data.calendar, QStringLiteral("FIONA"), QStringLiteral("Fiona"), QStringLiteral("Fox"), 1992, 3, 9),
                           facebookEntry(data.calendar, QStringLiteral("GINA"), QStringLiteral("Gina"), QStringLiteral("Gray"), 1990, 3, 10, anna),
                           choice});
        data.writeNotes({contactNote(anna, QStringLiteral("likes tea"))});
    }
};

// ---- Loading: what is published ----------------------------------------------------------

struct LoadRow {
    std::string name;
    QString zone;
    bool showFacebook;
    bool showCustom;
    bool hideContacts;
    QStringList order;        // shown names, in list order
    int annaDays;             // days until Anna's birthday; -99 when contacts are hidden
    int benDays;
};

class RecordDatabaseLoad : public ::testing::TestWithParam<LoadRow> {};

TEST_P(RecordDatabaseLoad, PublishesTheShownRecordsSortedAndIndexedAndHoldsOverTheRest)
{
    const LoadRow& row = GetParam();
    Data data(row.zone);
    const Typical t(data);
    data.set(Key::ShowFacebook, row.showFacebook);
    data.set(Key::ShowCustom, row.showCustom);
    data.set(Key::HideContacts, row.hideContacts);

    RecordDatabase& db = data.load();
    EXPECT_TRUE(db.isLoaded());
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    EXPECT_EQ(data.names(), row.order);
    EXPECT_TRUE(isSorted(db.records()));

    for (const OccasionRecordPtr& r : db.records()) {
        EXPECT_TRUE(isIndexed(db.recordDictionary(), r));
        EXPECT_TRUE(r->sortDate.isValid()) << str(r->name);
    }
    for (const OccasionRecordPtr& r : db.holdoverRecords())
        EXPECT_FALSE(inIndexAtAll(db.recordDictionary(), r)) << "held over but searchable: " << str(r->name);

    // Nothing stored is lost: every entry is either shown or held over.
    for (const QString& id : {QStringLiteral("PARTY"), QStringLiteral("FIONA"), QStringLiteral("GINA")}) {
        const bool shown = data.withCustomID(db.records(), id) != nullptr;
        const bool held = data.withCustomID(db.holdoverRecords(), id) != nullptr;
        EXPECT_NE(shown, held) << str(id);
    }
    const bool choiceHeld = std::any_of(db.holdoverRecords().begin(), db.holdoverRecords().end(),
                                        [&](const OccasionRecordPtr& r) { return r->recordID == t.ben; });
    EXPECT_EQ(choiceHeld, row.hideContacts) << "a choice is held over exactly when its contact is not read";

    // The matched friend is a link whatever is shown.
    ASSERT_EQ(db.facebookLinkRecords().size(), 1u);
    EXPECT_EQ(db.facebookLinkRecords()[0]->customID, QStringLiteral("GINA"));
    EXPECT_EQ(db.getNotesForRecordID(t.anna), QStringLiteral("likes tea"));

    if (row.hideContacts) {
        EXPECT_TRUE(db.allContacts().empty());
        EXPECT_FALSE(db.checkForRecordWithID(t.anna));
        return;
    }
    EXPECT_EQ(db.allContacts().size(), 2u);
    const OccasionRecordPtr anna = data.named(QStringLiteral("Anna Berg"));
    const OccasionRecordPtr ben = data.named(QStringLiteral("Ben Cole"), OccasionRecord::Birthday);
    const OccasionRecordPtr wedding = data.named(QStringLiteral("Ben Cole"), OccasionRecord::Anniversary);
    ASSERT_TRUE(anna && ben && wedding);
    EXPECT_EQ(anna->daysUntilDate, row.annaDays);
    EXPECT_EQ(ben->daysUntilDate, row.benDays);
    // The stored calendar day, in whatever zone the device is.
    const DateParts day = data.calendar.components(anna->sortDate);
    EXPECT_EQ(day.month, 3);
    EXPECT_EQ(day.day, 10);
    EXPECT_EQ(day.hour, 0);
    EXPECT_EQ(data.calendar.components(anna->rawDate).year, 1990);
    EXPECT_TRUE(wedding->alertsOff) << "the stored choice reaches the anniversary";
    EXPECT_FALSE(ben->alertsOff);
    EXPECT_EQ(anna->facebookLinkID, row.showFacebook ? QStringLiteral("GINA") : QString());
}

const QStringList Contacts{QStringLiteral("Ben Cole"), QStringLiteral("Office Party"), QStringLiteral("Anna Berg"),
                           QStringLiteral("Ben Cole")};

INSTANTIATE_TEST_SUITE_P(
    RecordDatabase, RecordDatabaseLoad,
    ::testing::Values(
        LoadRow{"Defaults", Berlin, false, true, false, Contacts, 5, 1},
        LoadRow{"FacebookShown", Berlin, true, true, false,
                {QStringLiteral("Ben Cole"), QStringLiteral("Office Party"), QStringLiteral("Fiona Fox"),
                 QStringLiteral("Anna Berg"), QStringLiteral("Ben Cole")},
                5, 1},
        LoadRow{"CustomHidden", Berlin, false, false, false,
                {QStringLiteral("Ben Cole"), QStringLiteral("Anna Berg"), QStringLiteral("Ben Cole")}, 5, 1},
        LoadRow{"ContactsHidden", Berlin, false, true, true, {QStringLiteral("Office Party")}, -99, -99},
        LoadRow{"ContactsHiddenFacebookShownMatchedFriendListed", Berlin, true, true, true,
                {QStringLiteral("Office Party"), QStringLiteral("Fiona Fox"), QStringLiteral("Gina Gray")}, -99, -99},
        LoadRow{"EverythingHidden", Berlin, false, false, true, {}, -99, -99},
        // Auckland is already on Friday: Ben's birthday is today there.
        LoadRow{"AucklandDefaults", Auckland, false, true, false, Contacts, 4, 0},
        LoadRow{"AucklandFacebookShown", Auckland, true, true, false,
                {QStringLiteral("Ben Cole"), QStringLiteral("Office Party"), QStringLiteral("Fiona Fox"),
                 QStringLiteral("Anna Berg"), QStringLiteral("Ben Cole")},
                4, 0},
        LoadRow{"AucklandContactsHidden", Auckland, true, true, true,
                {QStringLiteral("Office Party"), QStringLiteral("Fiona Fox"), QStringLiteral("Gina Gray")}, -99, -99},
        LoadRow{"LosAngeles", QStringLiteral("America/Los_Angeles"), false, true, false, Contacts, 5, 1}),
    rowName<LoadRow>);

TEST(RecordDatabaseLoadMisc, EmptyDataDirectoryLoadsEmptyAndCreatesNoStores)
{
    Data data;
    RecordDatabase& db = data.load();
    EXPECT_TRUE(db.isLoaded());
    EXPECT_TRUE(db.records().empty());
    EXPECT_TRUE(db.holdoverRecords().empty());
    EXPECT_EQ(db.recordDictionary().keyCount(), 0);
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(data.db().store().dataFilePath()));
}

TEST(RecordDatabaseLoadMisc, ReloadReplacesTheArraysAndResetEmptiesThem)
{
    Data data;
    const Typical t(data);
    RecordDatabase& db = data.load();
    const OccasionRecordPtr before = db.records().front();
    data.addPerson(QStringLiteral("Cleo"), QStringLiteral("Dane"), QDate(2000, 3, 5));
    db.loadDatabase();
    EXPECT_EQ(db.records().front()->name, QStringLiteral("Cleo Dane"));
    EXPECT_FALSE(contains(db.records(), before)) << "a load builds new records";

    db.resetRecordDatabase();
    EXPECT_FALSE(db.isLoaded());
    EXPECT_TRUE(db.records().empty());
    EXPECT_TRUE(db.holdoverRecords().empty());
    EXPECT_TRUE(db.allContacts().empty());
    EXPECT_TRUE(db.facebookLinkRecords().empty());
    EXPECT_TRUE(db.abMetadataRecords().empty());
    EXPECT_EQ(db.recordDictionary().keyCount(), 0);
    EXPECT_EQ(db.getNotesForRecordID(t.anna), QString::fromLatin1(""));
}

// ---- Damaged and half-written stores ----------------------------------------------------

QStringList asideCopies(const Data& data)
{
    return QDir(data.dir.path()).entryList({QStringLiteral("CustomEntries.plist.damaged-*")}, QDir::Files);
}

struct DamageRow {
    std::string name;
    std::function<QByteArray(const Calendar&)> bytes;
    QStringList shownEntries;   // entries still loaded
};

QByteArray archiveOf(std::vector<ArchiveValue> items)
{
    auto array = std::make_shared<ArchiveArray>();
    array->items = std::move(items);
    auto root = std::make_shared<ArchiveDictionary>();
    root->entries.emplace_back(QStringLiteral("Custom Entries"), ArchiveValue::array(std::move(array)));
    QString error;
    const auto bytes = KeyedArchiver::archivedData(ArchiveValue::dictionary(root), &error);
    EXPECT_TRUE(bytes) << str(error);
    return bytes.value_or(QByteArray());
}

class RecordDatabaseDamagedStore : public ::testing::TestWithParam<DamageRow> {};

TEST_P(RecordDatabaseDamagedStore, WarnsKeepsTheFileAsideAndLosesNothing)
{
    const DamageRow& row = GetParam();
    Data data;
    data.addPerson(QStringLiteral("Anna"), QStringLiteral("Berg"), QDate(1990, 3, 10));
    const QByteArray damaged = row.bytes(data.calendar);
    const QString path = CustomEntriesStore(data.dir.path()).dataFilePath();
    ASSERT_TRUE(test::writeFile(path, damaged));

    RecordDatabase& db = data.load();
    const QStringList warnings = db.takeLoadWarnings();
    ASSERT_FALSE(warnings.isEmpty());
    EXPECT_TRUE(warnings.join(QLatin1Char('\n')).contains(QStringLiteral("CustomEntries.plist"))) << str(warnings.join(u'\n'));
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty()) << "warnings are handed out once";
    EXPECT_TRUE(data.named(QStringLiteral("Anna Berg"))) << "the contacts load all the same";
    for (const QString& name : row.shownEntries)
        EXPECT_TRUE(data.named(name)) << str(name);

    const QStringList aside = asideCopies(data);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(test::readFile(data.dir.file(aside[0])), damaged);

    // The next write makes a sound file of what was read, and leaves the copy alone.
    db.writeStores();
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    EXPECT_EQ(test::readFile(data.dir.file(aside[0])), damaged);
    EXPECT_EQ(int(data.storedEntries().size()), int(row.shownEntries.size()));
    // A second load finds the sound file and keeps no further copies.
    db.loadDatabase();
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    EXPECT_EQ(asideCopies(data).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    RecordDatabase, RecordDatabaseDamagedStore,
    ::testing::Values(
        DamageRow{"NotAnArchive", [](const Calendar&) { return QByteArray("bplist00 this is not an archive at all"); }, {}},
        DamageRow{"Truncated",
                  [](const Calendar& cal) {
                      const QByteArray good = archiveOf({customEntry(cal, QStringLiteral("A"), QStringLiteral("Kept Entry"), 2001, 4, 4)->encodeWithCoder()});
                      return good.left(good.size() / 2);
                  },
                  {}},
        DamageRow{"OneUnreadableElement",
                  [](const Calendar& cal) {
                      return archiveOf({customEntry(cal, QStringLiteral("A"), QStringLiteral("Kept Entry"), 2001, 4, 4)->encodeWithCoder(),
                                        ArchiveValue::string(QStringLiteral("not a record")),
                                        customEntry(cal, QStringLiteral("B"), QStringLiteral("Other Kept"), 2002, 5, 5)->encodeWithCoder()});
                  },
                  {QStringLiteral("Kept Entry"), QStringLiteral("Other Kept")}}),
    rowName<DamageRow>);

// A write that died half-way leaves its temporary file beside the store; the store
// itself is the previous, complete one.
struct InterruptedWriteRow {
    std::string name;
    QString leftover;      // name of the temporary file left behind
    bool half;             // half an archive, else nothing
};

class RecordDatabaseInterruptedWrite : public ::testing::TestWithParam<InterruptedWriteRow> {};

TEST_P(RecordDatabaseInterruptedWrite, ThePreviousEntriesLoad)
{
    const InterruptedWriteRow& row = GetParam();
    Data data;
    {
        RecordDatabase& db = data.load();
        db.addNewCustomRecord(customEntry(data.calendar, QStringLiteral("ONE"), QStringLiteral("First Entry"), 2001, 6, 1), true);
        db.addNewCustomRecord(customEntry(data.calendar, QStringLiteral("TWO"), QStringLiteral("Second Entry"), 2002, 7, 2), true);
        ASSERT_TRUE(db.takeLoadWarnings().isEmpty());
    }
    const QString path = data.db().store().dataFilePath();
    const QByteArray previous = test::readFile(path);
    const QByteArray newer = archiveOf({customEntry(data.calendar, QStringLiteral("NEW"), QStringLiteral("Never Written"), 2003, 1, 1)->encodeWithCoder()});
    ASSERT_TRUE(test::writeFile(data.dir.file(row.leftover), row.half ? newer.left(newer.size() / 2) : QByteArray()));

    data.database.reset();
    RecordDatabase& db = data.load();
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    EXPECT_TRUE(data.named(QStringLiteral("First Entry")));
    EXPECT_TRUE(data.named(QStringLiteral("Second Entry")));
    EXPECT_FALSE(data.named(QStringLiteral("Never Written")));
    EXPECT_EQ(test::readFile(path), previous);
    EXPECT_TRUE(asideCopies(data).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabaseInterruptedWrite,
                         ::testing::Values(InterruptedWriteRow{"HalfTmp", QStringLiteral("CustomEntries.plist.tmp"), true},
                                           InterruptedWriteRow{"EmptyTmp", QStringLiteral("CustomEntries.plist.tmp"), false},
                                           InterruptedWriteRow{"HalfSaveFileTemp", QStringLiteral("CustomEntries.plist.Xa1b2C"), true}),
                         rowName<InterruptedWriteRow>);

// A real kill: a child process writes a much larger store and is killed by the
// file-size limit part-way through; the parent then loads what is on disk.
TEST(RecordDatabaseInterruptedWriteKill, ChildKilledMidWriteLeavesThePreviousFile)
{
    Data data;
    RecordDatabase& db = data.load();
    db.addNewCustomRecord(customEntry(data.calendar, QStringLiteral("ONE"), QStringLiteral("First Entry"), 2001, 6, 1), true);
    const QString path = db.store().dataFilePath();
    const QByteArray previous = test::readFile(path);
    ASSERT_FALSE(previous.isEmpty());

    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        for (int i = 0; i < 400; ++i)
            db.addNewCustomRecord(customEntry(data.calendar, QStringLiteral("MANY%1").arg(i), QStringLiteral("Many %1").arg(i), 2000, 1, 1), false);
        struct rlimit limit {};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = rlim_t(previous.size() + 256);
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_DFL);
        db.writeStores();
        _exit(0);  // not reached: the write passes the limit
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child was meant to die while writing";
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);

    EXPECT_EQ(test::readFile(path), previous);
    data.database.reset();
    RecordDatabase& again = data.load();
    EXPECT_TRUE(again.takeLoadWarnings().isEmpty());
    EXPECT_EQ(data.names(), QStringList{QStringLiteral("First Entry")});
}

// ---- The background load ------------------------------------------------------------------

TEST(RecordDatabaseBackgroundLoad, PublishesThenCallsBackOnTheTargetsThread)
{
    Data data;
    const Typical t(data);
    QObject target;
    int callbacks = 0;
    QThread* callbackThread = nullptr;
    bool loadedAtCallback = false;
    RecordDatabase& db = data.db();
    db.startLoadingDatabase(&target, [&] {
        ++callbacks;
        callbackThread = QThread::currentThread();
        loadedAtCallback = db.isLoaded();
    });
    EXPECT_FALSE(db.isLoaded());
    ASSERT_TRUE(pumpUntil([&] { return callbacks > 0; }));
    pumpFor(50);
    EXPECT_EQ(callbacks, 1);
    EXPECT_EQ(callbackThread, QThread::currentThread());
    EXPECT_TRUE(loadedAtCallback) << "the arrays are published before the callback";
    EXPECT_EQ(data.names(), Contacts);
    EXPECT_TRUE(isSorted(db.records()));
    for (const OccasionRecordPtr& r : db.records())
        EXPECT_TRUE(isIndexed(db.recordDictionary(), r));
    EXPECT_EQ(db.getNotesForRecordID(t.anna), QStringLiteral("likes tea"));
}

TEST(RecordDatabaseBackgroundLoad, PublishesEvenWhenTheTargetIsGoneButDoesNotCallBack)
{
    Data data;
    const Typical t(data);
    auto target = std::make_unique<QObject>();
    int callbacks = 0;
    data.db().startLoadingDatabase(target.get(), [&] { ++callbacks; });
    target.reset();
    ASSERT_TRUE(pumpUntil([&] { return data.db().isLoaded(); }));
    pumpFor(30);
    EXPECT_EQ(callbacks, 0);
    EXPECT_EQ(data.names(), Contacts);
}

// A load is started, the book changes, a second load is started before the first one
// was seen to finish: only the second may publish and call back, whatever the timing.
TEST(RecordDatabaseBackgroundLoad, RestartedLoadPublishesOnlyTheNewerData)
{
    Data data;
    data.addPerson(QStringLiteral("Base"), QStringLiteral("Person"), QDate(1980, 1, 1));
    QObject target;
    RecordDatabase& db = data.db();
    std::mt19937 random(20260305);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        int olderCalls = 0;
        int newerCalls = 0;
        QString newest = QStringLiteral("Round%1 Person").arg(round);
        bool newestAtCallback = false;
        std::size_t countAtCallback = 0;

        db.startLoadingDatabase(&target, [&] { ++olderCalls; });
        QThread::usleep(random() % 4000);
        data.addPerson(QStringLiteral("Round%1").arg(round), QStringLiteral("Person"), QDate(1990, 1 + round % 12, 1 + round % 28));
        QThread::usleep(random() % 2000);
        db.startLoadingDatabase(&target, [&] {
            ++newerCalls;
            newestAtCallback = std::any_of(db.records().begin(), db.records().end(),
                                           [&](const OccasionRecordPtr& r) { return r->name == newest; });
            countAtCallback = db.records().size();
        });
        ASSERT_TRUE(pumpUntil([&] { return newerCalls > 0; }));
        const OccasionRecordPtr first = db.records().front();
        pumpFor(int(random() % 20));
        EXPECT_EQ(olderCalls, 0);
        EXPECT_EQ(newerCalls, 1);
        EXPECT_TRUE(newestAtCallback);
        EXPECT_EQ(countAtCallback, std::size_t(round + 2));
        EXPECT_EQ(db.records().size(), std::size_t(round + 2)) << "nothing older was published afterwards";
        EXPECT_EQ(db.records().front(), first);
        EXPECT_TRUE(db.isLoaded());
    }
}

// A synchronous load overtakes a background one: the background result must not land
// on top of it later.
TEST(RecordDatabaseBackgroundLoad, SynchronousLoadOvertakesABackgroundOne)
{
    Data data;
    const Typical t(data);
    QObject target;
    int callbacks = 0;
    RecordDatabase& db = data.db();
    db.startLoadingDatabase(&target, [&] { ++callbacks; });
    data.addPerson(QStringLiteral("Cleo"), QStringLiteral("Dane"), QDate(2000, 3, 5));
    db.loadDatabase();
    const Records published = db.records();
    pumpFor(300);
    EXPECT_EQ(callbacks, 0);
    EXPECT_EQ(db.records(), published);
    EXPECT_EQ(db.records().front()->name, QStringLiteral("Cleo Dane"));
}

// A bigger book, so the load is still running (or its result still queued) when the
// database is reset or destroyed.
class RecordDatabaseBackgroundLoadBig : public ::testing::Test {
protected:
    RecordDatabaseBackgroundLoadBig()
    {
        EXPECT_EQ(SyntheticContacts::fill(*data.book, {1500, 7, 0}), 1500);
    }
    Data data;
};

TEST_F(RecordDatabaseBackgroundLoadBig, ResetWhileLoadingPublishesNothing)
{
    std::mt19937 random(7);
    QObject target;
    RecordDatabase& db = data.db();
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        int callbacks = 0;
        db.startLoadingDatabase(&target, [&] { ++callbacks; });
        QThread::usleep(random() % 30000);
        db.resetRecordDatabase();
        pumpFor(150);
        EXPECT_EQ(callbacks, 0);
        EXPECT_FALSE(db.isLoaded());
        EXPECT_TRUE(db.records().empty());
        EXPECT_TRUE(db.allContacts().empty());
    }
    // And a load after the reset works as usual.
    int callbacks = 0;
    db.startLoadingDatabase(&target, [&] { ++callbacks; });
    ASSERT_TRUE(pumpUntil([&] { return callbacks > 0; }));
    EXPECT_EQ(db.allContacts().size(), 1500u);
}

TEST_F(RecordDatabaseBackgroundLoadBig, DestroyedWhileLoadingDropsTheResult)
{
    std::mt19937 random(11);
    QObject target;
    int callbacks = 0;
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        data.db().startLoadingDatabase(&target, [&] { ++callbacks; });
        // From "still reading" to "result already queued on this thread".
        QThread::usleep(random() % 60000);
        data.database.reset();
        pumpFor(40);
        EXPECT_EQ(callbacks, 0);
    }
}

// ---- Entry maintenance ----------------------------------------------------------------------

struct AddRow {
    std::string name;
    std::function<OccasionRecordPtr(const Calendar&)> entry;
    std::function<void(Data&)> settings;
    bool write;
    bool listed;
    bool inFile;
};

class RecordDatabaseAddEntry : public ::testing::TestWithParam<AddRow> {};

TEST_P(RecordDatabaseAddEntry, ListsOrHoldsOverAndWritesWhenAsked)
{
    const AddRow& row = GetParam();
    Data data;
    const Typical t(data);
    if (row.settings)
        row.settings(data);
    RecordDatabase& db = data.load();
    const std::size_t shown = db.records().size();
    const std::size_t held = db.holdoverRecords().size();
    OccasionRecordPtr entry = row.entry(data.calendar);

    db.addNewCustomRecord(entry, row.write);
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    EXPECT_EQ(entry->abPhoto, int(OccasionRecord::PhotoAbsent));
    EXPECT_EQ(contains(db.records(), entry), row.listed);
    EXPECT_EQ(contains(db.holdoverRecords(), entry), !row.listed);
    EXPECT_EQ(db.records().size(), shown + (row.listed ? 1 : 0));
    EXPECT_EQ(db.holdoverRecords().size(), held + (row.listed ? 0 : 1));
    EXPECT_EQ(inIndexAtAll(db.recordDictionary(), entry), row.listed);
    if (row.listed) {
        EXPECT_TRUE(isIndexed(db.recordDictionary(), entry));
        EXPECT_TRUE(entry->sortDate.isValid());
        EXPECT_EQ(entry->daysUntilDate, data.calendar.calendarDaysBetween(data.midnight(2026, 3, 5), entry->sortDate));
    }
    if (row.write) {
        EXPECT_TRUE(isSorted(db.records()));
    }
    EXPECT_EQ(data.fileHolds(entry->customID), row.inFile);

    // What a reload makes of it agrees with what the database did.
    if (row.inFile) {
        data.database.reset();
        RecordDatabase& again = data.load();
        EXPECT_EQ(data.withCustomID(again.records(), entry->customID) != nullptr, row.listed);
        EXPECT_EQ(data.withCustomID(again.holdoverRecords(), entry->customID) != nullptr, !row.listed);
    }
}

INSTANTIATE_TEST_SUITE_P(
    RecordDatabase, RecordDatabaseAddEntry,
    ::testing::Values(
        AddRow{"CustomWritten", [](const Calendar& c) { return customEntry(c, QStringLiteral("NEW"), QStringLiteral("Zoe Zed"), 1999, 3, 7); },
               nullptr, true, true, true},
        AddRow{"CustomNotWritten", [](const Calendar& c) { return customEntry(c, QStringLiteral("NEW"), QStringLiteral("Zoe Zed"), 1999, 3, 7); },
               nullptr, false, true, false},
        AddRow{"FacebookFriendShown",
               [](const Calendar& c) { return facebookEntry(c, QStringLiteral("NEWFB"), QStringLiteral("Zoe"), QStringLiteral("Zed"), 1999, 3, 7); },
               [](Data& d) { d.set(Key::ShowFacebook, true); }, true, true, true},
        AddRow{"MatchedFacebookFriendHeldOver",
               [](const Calendar& c) { return facebookEntry(c, QStringLiteral("NEWFB"), QStringLiteral("Zoe"), QStringLiteral("Zed"), 1999, 3, 7, 1); },
               [](Data& d) { d.set(Key::ShowFacebook, true); }, true, false, true},
        AddRow{"IgnoredFacebookFriendHeldOver",
               [](const Calendar& c) {
                   auto r = facebookEntry(c, QStringLiteral("NEWFB"), QStringLiteral("Zoe"), QStringLiteral("Zed"), 1999, 3, 7);
                   r->isIgnoredFacebook = true;
                   return r;
               },
               [](Data& d) { d.set(Key::ShowFacebook, true); }, true, false, true},
        AddRow{"FacebookFriendWhileFacebookHidden",
               [](const Calendar& c) { return facebookEntry(c, QStringLiteral("NEWFB"), QStringLiteral("Zoe"), QStringLiteral("Zed"), 1999, 3, 7); },
               nullptr, true, false, true},
        AddRow{"CustomWhileCustomHidden", [](const Calendar& c) { return customEntry(c, QStringLiteral("NEW"), QStringLiteral("Zoe Zed"), 1999, 3, 7); },
               [](Data& d) { d.set(Key::ShowCustom, false); }, true, false, true},
        AddRow{"PastOneTimeEntry", [](const Calendar& c) { return oneTimeEntry(c, QStringLiteral("NEW"), QStringLiteral("Zoe Zed"), 2026, 3, 1); },
               nullptr, true, false, true},
        AddRow{"OneTimeEntryWithinThePastDays",
               [](const Calendar& c) { return oneTimeEntry(c, QStringLiteral("NEW"), QStringLiteral("Zoe Zed"), 2026, 3, 1); },
               [](Data& d) { d.set(Key::PastDays, 7); }, true, true, true}),
    rowName<AddRow>);

QImage solid(Qt::GlobalColor colour)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

TEST(RecordDatabaseEntries, PhotoOfANewEntryGoesToItsOwnFileAndRemovalDeletesIt)
{
    Data data;
    RecordDatabase& db = data.load();
    auto entry = customEntry(data.calendar, QStringLiteral("PIC"), QStringLiteral("Pat Pic"), 1999, 4, 1);
    entry->customPhoto = solid(Qt::red);
    db.addNewCustomRecord(entry, true);
    const QString photo = db.store().customPhotoFileName(QStringLiteral("PIC"));
    ASSERT_TRUE(QFileInfo(photo).isFile());
    EXPECT_EQ(entry->cPhoto, int(OccasionRecord::PhotoPresent));
    EXPECT_EQ(QImage(photo).pixelColor(2, 2), QColor(Qt::red));

    db.removeCustomRecord(entry);
    EXPECT_FALSE(QFileInfo::exists(photo));
    EXPECT_FALSE(contains(db.records(), entry));
    EXPECT_FALSE(inIndexAtAll(db.recordDictionary(), entry));
    EXPECT_FALSE(data.fileHolds(QStringLiteral("PIC")));
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
}

TEST(RecordDatabaseEntries, RemovingAHeldOverEntryRemovesItFromTheFile)
{
    Data data;
    const Typical t(data);
    data.set(Key::ShowCustom, false);
    RecordDatabase& db = data.load();
    const OccasionRecordPtr party = data.withCustomID(db.holdoverRecords(), QStringLiteral("PARTY"));
    ASSERT_TRUE(party);
    db.removeCustomRecord(party);
    EXPECT_FALSE(contains(db.holdoverRecords(), party));
    EXPECT_FALSE(data.fileHolds(QStringLiteral("PARTY")));
    EXPECT_TRUE(data.fileHolds(QStringLiteral("FIONA"))) << "the other entries stay";
}

TEST(RecordDatabaseEntries, UpdateRecomputesReindexesResortsAndWrites)
{
    Data data;
    const Typical t(data);
    RecordDatabase& db = data.load();
    const OccasionRecordPtr party = data.named(QStringLiteral("Office Party"));
    ASSERT_TRUE(party);
    party->name = QStringLiteral("Zeta Gala");
    party->rawDate = data.midnight(2020, 4, 1);
    party->detailedText = QStringLiteral("stale");
    party->customPhoto = solid(Qt::blue);
    db.updateCustomRecord(party);

    EXPECT_EQ(party->daysUntilDate, 27);
    EXPECT_TRUE(party->detailedText.isNull()) << "phrases follow the new date";
    EXPECT_EQ(db.records().back(), party);
    EXPECT_TRUE(isSorted(db.records()));
    EXPECT_TRUE(isIndexed(db.recordDictionary(), party));
    EXPECT_FALSE(contains(db.recordDictionary().recordsFor(QStringLiteral("of")), party));
    EXPECT_FALSE(contains(db.recordDictionary().recordsFor(QStringLiteral("pa")), party));
    EXPECT_TRUE(QFileInfo(db.store().customPhotoFileName(QStringLiteral("PARTY"))).isFile());

    const OccasionRecordPtr stored = data.withCustomID(data.storedEntries(), QStringLiteral("PARTY"));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->name, QStringLiteral("Zeta Gala"));
    const DateParts day = data.calendar.components(stored->rawDate);
    EXPECT_EQ(std::tuple(day.month, day.day, day.hour), std::tuple(4, 1, 12)) << "custom dates are stored at noon";
    EXPECT_EQ(data.calendar.components(party->rawDate).hour, 0) << "and kept at midnight in memory";
}

// Custom entries hidden and shown again: the same ones come back as a reload would show.
TEST(RecordDatabaseEntries, ShowHideCustomMovesEntriesBothWays)
{
    Data data;
    data.addPerson(QStringLiteral("Anna"), QStringLiteral("Berg"), QDate(1990, 3, 10));
    data.writeEntries({customEntry(data.calendar, QStringLiteral("YEARLY"), QStringLiteral("Yearly Entry"), 2000, 3, 9),
                       oneTimeEntry(data.calendar, QStringLiteral("SOON"), QStringLiteral("Soon Once"), 2026, 4, 2),
                       oneTimeEntry(data.calendar, QStringLiteral("PAST"), QStringLiteral("Past Once"), 2026, 2, 1),
                       customEntry(data.calendar, QStringLiteral("UNDATED"), QStringLiteral("Undated Entry"), 0, 0, 0)});
    RecordDatabase& db = data.load();
    const QStringList atLoad = data.names();
    EXPECT_EQ(atLoad, (QStringList{QStringLiteral("Yearly Entry"), QStringLiteral("Anna Berg"), QStringLiteral("Soon Once")}));

    db.showHideCustom(false);
    EXPECT_EQ(data.names(), QStringList{QStringLiteral("Anna Berg")});
    EXPECT_EQ(db.holdoverRecords().size(), 4u);
    for (const OccasionRecordPtr& r : db.holdoverRecords())
        EXPECT_FALSE(inIndexAtAll(db.recordDictionary(), r)) << str(r->name);

    for (const OccasionRecordPtr& r : db.holdoverRecords())
        r->detailedText = QStringLiteral("old phrase");
    db.showHideCustom(true);
    EXPECT_EQ(data.names(), atLoad) << "past and undated entries stay held over";
    EXPECT_TRUE(isSorted(db.records()));
    for (const OccasionRecordPtr& r : db.records()) {
        EXPECT_TRUE(isIndexed(db.recordDictionary(), r));
        if (r->isCustomEntry) {
            EXPECT_TRUE(r->detailedText.isNull()) << "rephrased when shown again";
            EXPECT_EQ(data.calendar.components(r->rawDate).hour, 0);
        }
    }
    EXPECT_EQ(db.holdoverRecords().size(), 2u);

    db.writeStores();
    EXPECT_EQ(data.storedEntries().size(), 4u) << "nothing is lost on the way";
}

// The past days setting and custom visibility change step by step; one-time entries move
// between shown and held over.
struct OneTimeStep {
    std::string name;
    int pastDays;
    bool showCustom;
    QStringList shown;
};

TEST(RecordDatabaseEntries, ReprocessOneTimeEntriesFollowsThePastDays)
{
    Data data;
    data.set(Key::PastDays, 30);
    data.writeEntries({customEntry(data.calendar, QStringLiteral("YEARLY"), QStringLiteral("Yearly Entry"), 2000, 3, 9),
                       oneTimeEntry(data.calendar, QStringLiteral("TRIP"), QStringLiteral("Trip Back"), 2026, 2, 23),
                       oneTimeEntry(data.calendar, QStringLiteral("SHOW"), QStringLiteral("Concert Night"), 2026, 4, 1),
                       oneTimeEntry(data.calendar, QStringLiteral("NODATE"), QStringLiteral("No Date"), 0, 0, 0)});
    RecordDatabase& db = data.load();
    ASSERT_EQ(data.names(), (QStringList{QStringLiteral("Trip Back"), QStringLiteral("Yearly Entry"), QStringLiteral("Concert Night")}));
    EXPECT_EQ(data.named(QStringLiteral("Trip Back"))->daysUntilDate, -10);

    const std::vector<OneTimeStep> steps{
        {"ShorterPastHoldsTheTripOver", 5, true, {QStringLiteral("Yearly Entry"), QStringLiteral("Concert Night")}},
        {"LongerPastBringsItBack", 10, true,
         {QStringLiteral("Trip Back"), QStringLiteral("Yearly Entry"), QStringLiteral("Concert Night")}},
        {"CustomHiddenHoldsEveryOneTimeEntry", 10, false, {QStringLiteral("Yearly Entry")}},
        {"CustomShownAgain", 10, true,
         {QStringLiteral("Trip Back"), QStringLiteral("Yearly Entry"), QStringLiteral("Concert Night")}},
        {"NineDaysIsTooShort", 9, true, {QStringLiteral("Yearly Entry"), QStringLiteral("Concert Night")}},
    };
    for (const OneTimeStep& step : steps) {
        SCOPED_TRACE(step.name);
        data.set(Key::PastDays, step.pastDays);
        data.set(Key::ShowCustom, step.showCustom);
        db.reprocessOneTimeEntries();
        EXPECT_EQ(data.names(), step.shown);
        EXPECT_TRUE(isSorted(db.records()));
        for (const OccasionRecordPtr& r : db.records())
            EXPECT_TRUE(isIndexed(db.recordDictionary(), r));
        for (const OccasionRecordPtr& r : db.holdoverRecords())
            EXPECT_FALSE(inIndexAtAll(db.recordDictionary(), r)) << str(r->name);
        EXPECT_EQ(db.records().size() + db.holdoverRecords().size(), 4u);
    }
    db.writeStores();
    EXPECT_EQ(data.storedEntries().size(), 4u);
}

// ---- Notes ------------------------------------------------------------------------------------

TEST(RecordDatabaseNotes, StoredByRecordIDAndByCustomIDAndWrittenWhenNotEmpty)
{
    Data data;
    const Typical t(data);
    RecordDatabase& db = data.load();
    EXPECT_EQ(db.getNotesForRecordID(t.anna), QStringLiteral("likes tea"));
    EXPECT_EQ(db.getNotesForRecordID(t.ben), QString::fromLatin1(""));
    EXPECT_FALSE(db.getNotesForRecordID(t.ben).isNull());

    db.setNotes(QStringLiteral("prefers coffee"), t.anna);
    db.setNotes(QStringLiteral("call first"), t.ben);
    db.setNotesForFacebook(QStringLiteral("met in Rome"), QStringLiteral("FIONA"));
    db.setNotesForHoliday(QStringLiteral("bring cake"), QStringLiteral("DE_ostern"));
    EXPECT_EQ(db.getNotesForRecordID(t.anna), QStringLiteral("prefers coffee"));
    EXPECT_EQ(db.getNotesForRecordID(t.ben), QStringLiteral("call first"));
    EXPECT_EQ(db.getNotesForFacebook(QStringLiteral("FIONA")), QStringLiteral("met in Rome"));
    EXPECT_EQ(db.getNotesForHoliday(QStringLiteral("DE_ostern")), QStringLiteral("bring cake"));
    EXPECT_EQ(db.getNotesForFacebook(QStringLiteral("DE_ostern")), QStringLiteral("bring cake")) << "one store for both";
    EXPECT_EQ(db.abMetadataRecords().size(), 4u) << "an update changes the entry, it adds none";

    db.setNotes(QString(), t.ben);  // cleared: not written any more
    db.writeStores();
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    data.database.reset();
    RecordDatabase& again = data.load();
    EXPECT_EQ(again.getNotesForRecordID(t.anna), QStringLiteral("prefers coffee"));
    EXPECT_EQ(again.getNotesForRecordID(t.ben), QString::fromLatin1(""));
    EXPECT_EQ(again.getNotesForFacebook(QStringLiteral("FIONA")), QStringLiteral("met in Rome"));
    EXPECT_EQ(again.getNotesForHoliday(QStringLiteral("DE_ostern")), QStringLiteral("bring cake"));
    EXPECT_EQ(again.abMetadataRecords().size(), 3u);
}

// Contacts' notes are keyed by record id, Facebook and holiday notes by customID; an
// empty customID or the id -1 must not reach the other kind's notes.
TEST(RecordDatabaseNotes, KeysOfOneKindNeverReachTheOther)
{
    Data data;
    const Typical t(data);
    data.writeNotes({contactNote(t.anna, QStringLiteral("likes tea")), keyedNote(QStringLiteral("FIONA"), QStringLiteral("met in Rome"))});
    RecordDatabase& db = data.load();

    db.setNotesForFacebook(QStringLiteral("overwritten?"), QString());
    db.setNotesForHoliday(QStringLiteral("overwritten?"), QStringLiteral(""));
    db.setNotes(QStringLiteral("overwritten?"), -1);
    EXPECT_EQ(db.getNotesForRecordID(t.anna), QStringLiteral("likes tea"));
    EXPECT_EQ(db.getNotesForFacebook(QStringLiteral("FIONA")), QStringLiteral("met in Rome"));
    EXPECT_EQ(db.getNotesForFacebook(QString()), QString::fromLatin1(""));
    EXPECT_EQ(db.getNotesForRecordID(-1), QString::fromLatin1(""));
    EXPECT_EQ(db.abMetadataRecords().size(), 2u);
}

struct OccasionNotesRow {
    std::string name;
    int addressBookNotes;
    std::function<OccasionRecordPtr(Data&, const Typical&)> record;
    QString expected;
};

class RecordDatabaseOccasionNotes : public ::testing::TestWithParam<OccasionNotesRow> {};

TEST_P(RecordDatabaseOccasionNotes, ChoosesTheStoreByTheRecord)
{
    const OccasionNotesRow& row = GetParam();
    Data data;
    const Typical t(data);
    Person anna = *data.book->person(t.anna);
    anna.note = QStringLiteral("  \n  from the card \t\n");
    ASSERT_TRUE(data.book->updatePerson(anna));
    ASSERT_TRUE(data.book->save());
    data.writeNotes({contactNote(t.anna, QStringLiteral("likes tea")), keyedNote(QStringLiteral("FIONA"), QStringLiteral("met in Rome")),
                     keyedNote(QStringLiteral("DE_ostern"), QStringLiteral("bring cake"))});
    data.set(Key::AddressBookNotes, row.addressBookNotes);
    data.set(Key::ShowFacebook, true);
    RecordDatabase& db = data.load();
    const OccasionRecordPtr record = row.record(data, t);
    ASSERT_TRUE(record);
    const QString notes = db.getNotesForOccasionRecord(*record);
    EXPECT_EQ(notes, row.expected);
    EXPECT_FALSE(notes.isNull());
}

OccasionRecordPtr holidayRecord(const Calendar& cal, const QString& id)
{
    auto r = std::make_shared<OccasionRecord>();
    r->isHoliday = true;
    r->type = OccasionRecord::Holiday;
    r->customID = id;
    r->name = QStringLiteral("Ostern");
    r->rawDate = cal.date(2026, 4, 5);
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    RecordDatabase, RecordDatabaseOccasionNotes,
    ::testing::Values(
        OccasionNotesRow{"CustomEntryOwnNotes", 0,
                         [](Data& d, const Typical&) {
                             auto r = customEntry(d.calendar, QStringLiteral("X"), QStringLiteral("X"), 2000, 1, 1);
                             r->notes = QStringLiteral(" own text ");
                             return r;
                         },
                         QStringLiteral(" own text ")},
        OccasionNotesRow{"CustomEntryWithoutNotes", 0,
                         [](Data& d, const Typical&) { return customEntry(d.calendar, QStringLiteral("X"), QStringLiteral("X"), 2000, 1, 1); },
                         QString::fromLatin1("")},
        OccasionNotesRow{"FacebookEntry", 0, [](Data& d, const Typical&) { return d.named(QStringLiteral("Fiona Fox")); },
                         QStringLiteral("met in Rome")},
        OccasionNotesRow{"FacebookEntryEvenWithBookNotes", 1, [](Data& d, const Typical&) { return d.named(QStringLiteral("Fiona Fox")); },
                         QStringLiteral("met in Rome")},
        OccasionNotesRow{"Holiday", 0, [](Data& d, const Typical&) { return holidayRecord(d.calendar, QStringLiteral("DE_ostern")); },
                         QStringLiteral("bring cake")},
        OccasionNotesRow{"ContactFromMetadata", 0, [](Data& d, const Typical&) { return d.named(QStringLiteral("Anna Berg")); },
                         QStringLiteral("likes tea")},
        OccasionNotesRow{"ContactFromTheBookTrimmed", 1, [](Data& d, const Typical&) { return d.named(QStringLiteral("Anna Berg")); },
                         QStringLiteral("from the card")},
        OccasionNotesRow{"ContactWithoutNoteInTheBook", 1,
                         [](Data& d, const Typical&) { return d.named(QStringLiteral("Ben Cole"), OccasionRecord::Birthday); },
                         QString::fromLatin1("")},
        OccasionNotesRow{"ContactGoneFromTheBook", 1,
                         [](Data& d, const Typical& t) {
                             const OccasionRecordPtr r = d.named(QStringLiteral("Anna Berg"));
                             EXPECT_TRUE(d.book->removePerson(t.anna));
                             EXPECT_TRUE(d.book->save());
                             return r;
                         },
                         QString::fromLatin1("")}),
    rowName<OccasionNotesRow>);

// ---- Dates: recompute, badge, strings, photos ------------------------------------------------

// Dora's birthday is today, Ben's tomorrow; Anna in 5 days, the office party in 3.
struct Week {
    std::int32_t dora = -1;
    explicit Week(Data& data) : t(data)
    {
        dora = data.addPerson(QStringLiteral("Dora"), QStringLiteral("Diaz"), QDate(1970, 3, 5));
    }
    Typical t;
};

struct MidnightRow {
    std::string name;
    int pastDays;
    QString first;
    int doraDays;
    int doraSortYear;
};

class RecordDatabaseMidnight : public ::testing::TestWithParam<MidnightRow> {};

TEST_P(RecordDatabaseMidnight, UpdateDatabaseRecomputesAndResortsAfterTheClockMoves)
{
    const MidnightRow& row = GetParam();
    Data data;
    const Week w(data);
    data.set(Key::PastDays, row.pastDays);
    RecordDatabase& db = data.load();
    ASSERT_EQ(db.records().front()->name, QStringLiteral("Dora Diaz"));
    const OccasionRecordPtr dora = db.records().front();
    const OccasionRecordPtr ben = data.named(QStringLiteral("Ben Cole"), OccasionRecord::Birthday);
    EXPECT_EQ(dora->daysUntilDate, 0);
    EXPECT_EQ(ben->daysUntilDate, 1);

    // 00:30 on Friday in Berlin.
    data.clock.set(test::utc("2026-03-05T23:30:00Z"));
    db.updateDatabase();
    EXPECT_EQ(ben->daysUntilDate, 0);
    EXPECT_TRUE(ben->isUpcoming);
    EXPECT_EQ(dora->daysUntilDate, row.doraDays);
    EXPECT_EQ(dora->isBelated, row.doraDays < 0);
    EXPECT_EQ(data.calendar.components(dora->sortDate).year, row.doraSortYear);
    EXPECT_EQ(db.records().front()->name, row.first);
    EXPECT_TRUE(isSorted(db.records()));
    // Ben today, the party in 2 days, Anna in 4; the anniversary (14 days) has its alerts off.
    EXPECT_EQ(db.calculateUpcoming(), 3);
}

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabaseMidnight,
                         ::testing::Values(MidnightRow{"NoPastDays", 0, QStringLiteral("Ben Cole"), 364, 2027},
                                           MidnightRow{"ThreePastDays", 3, QStringLiteral("Dora Diaz"), -1, 2026}),
                         rowName<MidnightRow>);

struct UpcomingRow {
    std::string name;
    std::function<void(Data&)> change;
    int expected;
};

class RecordDatabaseUpcoming : public ::testing::TestWithParam<UpcomingRow> {};

TEST_P(RecordDatabaseUpcoming, CountsForTheBadge)
{
    const UpcomingRow& row = GetParam();
    Data data;
    const Week w(data);
    data.load();
    if (row.change)
        row.change(data);
    EXPECT_EQ(data.db().calculateUpcoming(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    RecordDatabase, RecordDatabaseUpcoming,
    ::testing::Values(
        // Dora today, Ben tomorrow, the party in 3 days, Anna in 5; Ben's anniversary in
        // 15 days is outside the window (and its alerts are off).
        UpcomingRow{"Defaults", nullptr, 4},
        UpcomingRow{"TodayOnly", [](Data& d) { d.set(Key::BadgeMode, 0); }, 1},
        UpcomingRow{"WindowOfOneDay", [](Data& d) { d.set(Key::UpcomingWindow, 1); }, 2},
        UpcomingRow{"WindowOfTwentyDaysAnniversaryAlertsOff", [](Data& d) { d.set(Key::UpcomingWindow, 20); }, 4},
        UpcomingRow{"WindowOfTwentyDaysAnniversaryAlertsOn",
                    [](Data& d) {
                        d.set(Key::UpcomingWindow, 20);
                        d.named(QStringLiteral("Ben Cole"), OccasionRecord::Anniversary)->alertsOff = false;
                    },
                    5},
        UpcomingRow{"AlertsOff", [](Data& d) { d.named(QStringLiteral("Anna Berg"))->alertsOff = true; }, 3},
        UpcomingRow{"RemovedFromUpcoming", [](Data& d) { d.named(QStringLiteral("Dora Diaz"))->ignoreForUpcoming = true; }, 3},
        UpcomingRow{"CustomHiddenAfterLoad", [](Data& d) { d.set(Key::ShowCustom, false); }, 3}),
    rowName<UpcomingRow>);

TEST(RecordDatabaseDates, CalculateUpcomingRefreshesTheUpcomingFlag)
{
    Data data;
    const Week w(data);
    RecordDatabase& db = data.load();
    const OccasionRecordPtr wedding = data.named(QStringLiteral("Ben Cole"), OccasionRecord::Anniversary);
    EXPECT_FALSE(wedding->isUpcoming);
    data.set(Key::UpcomingWindow, 20);
    db.calculateUpcoming();
    EXPECT_TRUE(wedding->isUpcoming);
}

TEST(RecordDatabaseDates, FlushDetailStringsClearsOnlyThePhrases)
{
    Data data;
    const Week w(data);
    RecordDatabase& db = data.load();
    for (const OccasionRecordPtr& r : db.records()) {
        r->detailedText = QStringLiteral("Turning 30 today");
        r->detailedTextSansType = QStringLiteral("Today");
        r->dateText = QStringLiteral("Mar 5");
    }
    db.flushDetailStrings();
    for (const OccasionRecordPtr& r : db.records()) {
        EXPECT_TRUE(r->detailedText.isNull());
        EXPECT_TRUE(r->detailedTextSansType.isNull());
        EXPECT_EQ(r->dateText, QStringLiteral("Mar 5"));
    }
}

TEST(RecordDatabaseDates, FlushRoundedPhotosClearsPhotoStatesAndRenewsTheBookHandle)
{
    Data data;
    const Week w(data);
    RecordDatabase& db = data.load();
    for (const OccasionRecordPtr& r : db.records()) {
        r->photo = solid(Qt::green);
        r->abPhoto = OccasionRecord::PhotoPresent;
        r->cPhoto = OccasionRecord::PhotoAbsent;
    }
    // An unsaved change on the main-thread handle is dropped with the handle.
    Person p;
    p.firstName = QStringLiteral("Unsaved");
    ASSERT_NE(db.mainThreadAddressBook()->addPerson(p), -1);
    ASSERT_EQ(db.mainThreadAddressBook()->personCount(), 4);
    db.flushRoundedPhotos();
    for (const OccasionRecordPtr& r : db.records()) {
        EXPECT_TRUE(r->photo.isNull());
        EXPECT_EQ(r->abPhoto, int(OccasionRecord::PhotoNotLookedUp));
        EXPECT_EQ(r->cPhoto, int(OccasionRecord::PhotoNotLookedUp));
    }
    EXPECT_EQ(db.mainThreadAddressBook()->personCount(), 3);
}

// Day counts and dates of a load agree with the calendar's own arithmetic in zones with
// daylight saving at midnight, half-hour offsets and whole days skipped at the date line,
// for dates from antiquity to the far future.
struct ZoneDayRow {
    std::string name;
    QString zone;
    const char* now;
};

class RecordDatabaseZoneDays : public ::testing::TestWithParam<ZoneDayRow> {};

TEST_P(RecordDatabaseZoneDays, DayCountsAgreeWithTheCalendar)
{
    const ZoneDayRow& row = GetParam();
    Data data(row.zone, row.now);
    data.set(Key::PastDays, 25000);  // keeps one-time entries of decades ago listed
    struct Day {
        int y, m, d;
        bool once;
    };
    const std::vector<Day> days{
        {2011, 12, 29, true}, {2011, 12, 30, true}, {2011, 12, 31, true},  // Samoa skipped the 30th
        {1994, 12, 31, true}, {1995, 1, 1, true},                          // Kiritimati skipped the 31st
        {2026, 3, 29, false}, {2026, 10, 25, false}, {2026, 4, 5, false},  // European and southern changes
        {2026, 9, 6, false}, {2026, 11, 1, false},                         // Santiago, Havana
        {1980, 2, 29, false}, {2000, 2, 29, false}, {1604, 2, 29, false},
        {5, 6, 7, false}, {1, 1, 1, false}, {2400, 2, 29, false}, {2099, 12, 31, false},
        {1970, 1, 1, false}, {1969, 12, 31, true}, {2026, 1, 1, false}, {2025, 12, 31, false},
    };
    Records entries;
    int n = 0;
    for (const Day& d : days) {
        auto r = d.once ? oneTimeEntry(data.calendar, QStringLiteral("D%1").arg(n), QStringLiteral("Day %1").arg(n), d.y, d.m, d.d)
                        : customEntry(data.calendar, QStringLiteral("D%1").arg(n), QStringLiteral("Day %1").arg(n), d.y, d.m, d.d);
        entries.push_back(r);
        ++n;
    }
    data.writeEntries(entries);
    RecordDatabase& db = data.load();
    ASSERT_EQ(db.records().size(), days.size());

    const DateParts today = data.calendar.components(data.clock.now());
    const QDateTime todayStart = data.calendar.date(today.year, today.month, today.day);
    for (const OccasionRecordPtr& r : db.records()) {
        SCOPED_TRACE(str(r->name) + " " + str(r->rawDate.toString(Qt::ISODate)));
        const DateParts raw = data.calendar.components(r->rawDate);
        const DateParts sort = data.calendar.components(r->sortDate);
        EXPECT_EQ(r->daysUntilDate, data.calendar.calendarDaysBetween(todayStart, r->sortDate));
        EXPECT_EQ(r->month, raw.month);
        if (!(raw.month == 2 && raw.day == 29) && sort.day == raw.day) {
            EXPECT_EQ(sort.month, raw.month);
        }
        EXPECT_EQ(r->notificationDate, QString::number(r->sortDate.toSecsSinceEpoch(), 16).toUpper());
        EXPECT_EQ(r->isBelated, r->daysUntilDate < 0);
    }
}

std::vector<ZoneDayRow> zoneDayRows()
{
    const std::vector<std::pair<std::string, QString>> zones{
        {"Berlin", Berlin}, {"Auckland", Auckland}, {"Apia", QStringLiteral("Pacific/Apia")},
        {"Kiritimati", QStringLiteral("Pacific/Kiritimati")}, {"Santiago", QStringLiteral("America/Santiago")},
        {"Havana", QStringLiteral("America/Havana")}, {"LordHowe", QStringLiteral("Australia/Lord_Howe")},
        {"Kathmandu", QStringLiteral("Asia/Kathmandu")}, {"StJohns", QStringLiteral("America/St_Johns")},
        {"UTC", QStringLiteral("UTC")}, {"UnknownZoneComputesInUtc", QStringLiteral("Nowhere/Atlantis")}};
    std::vector<ZoneDayRow> rows;
    for (const auto& [name, zone] : zones) {
        rows.push_back({name + "March", zone, Now});
        rows.push_back({name + "NewYear", zone, "2026-01-01T11:00:00Z"});
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabaseZoneDays, ::testing::ValuesIn(zoneDayRows()), rowName<ZoneDayRow>);

// A contact's record recomputes every date of that contact; a custom entry only itself.
TEST(RecordDatabaseDates, RecomputingOneRecordCoversItsContact)
{
    Data data;
    const Week w(data);
    RecordDatabase& db = data.load();
    for (const OccasionRecordPtr& r : db.records())
        r->detailedText = QStringLiteral("old phrase");
    const OccasionRecordPtr benBirthday = data.named(QStringLiteral("Ben Cole"), OccasionRecord::Birthday);
    const OccasionRecordPtr benWedding = data.named(QStringLiteral("Ben Cole"), OccasionRecord::Anniversary);
    benWedding->ignoreYear = true;
    benWedding->rawDate = data.midnight(2030, 3, 20);  // a future year: kept unless the year is ignored
    db.calculateDataInArrayForRecord(benBirthday);
    EXPECT_EQ(data.calendar.components(benWedding->sortDate).year, 2026) << "the other date of the contact follows";
    EXPECT_TRUE(benWedding->detailedText.isNull());
    EXPECT_TRUE(benBirthday->detailedText.isNull());
    EXPECT_EQ(data.named(QStringLiteral("Anna Berg"))->detailedText, QStringLiteral("old phrase"));

    const OccasionRecordPtr party = data.named(QStringLiteral("Office Party"));
    party->ignoreYear = true;
    db.calculateDataInArrayForRecord(party);
    EXPECT_TRUE(party->detailedText.isNull());
    EXPECT_EQ(data.named(QStringLiteral("Dora Diaz"))->detailedText, QStringLiteral("old phrase"));
}

// ---- Contacts: lookups ------------------------------------------------------------------------

TEST(RecordDatabaseContactLookups, CheckForRecordWithIDAsksTheContactsRead)
{
    Data data;
    const Typical t(data);
    const std::int32_t noDates = data.addPerson(QStringLiteral("Nils"), QStringLiteral("Nodate"));
    RecordDatabase& db = data.load();
    EXPECT_TRUE(db.checkForRecordWithID(t.anna));
    EXPECT_TRUE(db.checkForRecordWithID(noDates)) << "a contact without dates is still a contact";
    EXPECT_FALSE(db.checkForRecordWithID(9999));
    EXPECT_FALSE(db.checkForRecordWithID(-1)) << "custom and Facebook entries are no contacts";
    data.set(Key::HideContacts, true);
    db.loadDatabase();
    EXPECT_FALSE(db.checkForRecordWithID(t.anna));
}

struct NameRow {
    std::string name;
    QString first;
    QString last;
    QString organization;
    bool firstNameFirst;
    bool remove;
    QString expected;
    bool expectNull;
};

class RecordDatabaseNameString : public ::testing::TestWithParam<NameRow> {};

TEST_P(RecordDatabaseNameString, NamesTheContactOrNullWhenGone)
{
    const NameRow& row = GetParam();
    Data data;
    Person p;
    p.firstName = row.first;
    p.lastName = row.last;
    p.organization = row.organization;
    const std::int32_t id = data.book->addPerson(p);
    ASSERT_TRUE(data.book->save());
    data.set(Key::FirstNameFirst, row.firstNameFirst);
    RecordDatabase& db = data.load();
    if (row.remove) {
        ASSERT_TRUE(data.book->removePerson(id));
        ASSERT_TRUE(data.book->save());
    }
    const QString name = db.nameStringForRecordID(id);
    EXPECT_EQ(name.isNull(), row.expectNull);
    EXPECT_EQ(name, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    RecordDatabase, RecordDatabaseNameString,
    ::testing::Values(NameRow{"FirstNameFirst", QStringLiteral("Anna"), QStringLiteral("Berg"), {}, true, false, QStringLiteral("Anna Berg"), false},
                      NameRow{"LastNameFirst", QStringLiteral("Anna"), QStringLiteral("Berg"), {}, false, false, QStringLiteral("Berg Anna"), false},
                      NameRow{"OrganizationOnly", {}, {}, QStringLiteral("Acme Ltd"), true, false, QStringLiteral("Acme Ltd"), false},
                      NameRow{"NoNameAtAllIsStillAContact", {}, {}, {}, true, false, QString::fromLatin1(""), false},
                      NameRow{"RemovedContact", QStringLiteral("Anna"), QStringLiteral("Berg"), {}, true, true, QString(), true}),
    rowName<NameRow>);

struct TypeRow {
    std::string name;
    int type;
    QString english;
    QString german;
};

class RecordDatabaseStringForType : public ::testing::TestWithParam<TypeRow> {};

TEST_P(RecordDatabaseStringForType, LocalizedTypeName)
{
    const TypeRow& row = GetParam();
    const test::TempDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("de.lproj")));
    ASSERT_TRUE(test::writeFile(root.file(QStringLiteral("de.lproj/Localizable.strings")),
                                "\"Birthday\" = \"Geburtstag\";\n\"Anniversary\" = \"Jahrestag\";\n"
                                "\"Other\" = \"Sonstiges\";\n\"Holiday\" = \"Feiertag\";\n"));
    EXPECT_EQ(RecordDatabase::stringForType(row.type, Texts(QStringLiteral("EN"))), row.english);
    EXPECT_EQ(RecordDatabase::stringForType(row.type, Texts(QStringLiteral("DE"), root.path())), row.german);
}

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabaseStringForType,
                         ::testing::Values(TypeRow{"Birthday", 0, QStringLiteral("Birthday"), QStringLiteral("Geburtstag")},
                                           TypeRow{"Anniversary", 1, QStringLiteral("Anniversary"), QStringLiteral("Jahrestag")},
                                           TypeRow{"Other", 2, QStringLiteral("Other"), QStringLiteral("Sonstiges")},
                                           TypeRow{"Holiday", 3, QStringLiteral("Holiday"), QStringLiteral("Feiertag")},
                                           TypeRow{"Unknown", 7, QString::fromLatin1(""), QString::fromLatin1("")},
                                           TypeRow{"Negative", -1, QString::fromLatin1(""), QString::fromLatin1("")}),
                         rowName<TypeRow>);

// ---- Photo state and placeholders -------------------------------------------------------------

struct PhotoTypeRow {
    std::string name;
    std::function<OccasionRecordPtr(Data&, std::int32_t withImage, std::int32_t withoutImage)> record;
    int expected;
};

class RecordDatabasePhotoType : public ::testing::TestWithParam<PhotoTypeRow> {};

TEST_P(RecordDatabasePhotoType, LooksUpTheContactsPicture)
{
    const PhotoTypeRow& row = GetParam();
    Data data;
    const std::int32_t withImage = data.addPerson(QStringLiteral("Ida"), QStringLiteral("Image"), QDate(1990, 1, 1));
    ASSERT_TRUE(data.book->setImageData(withImage, SyntheticContacts::photo(3)));
    ASSERT_TRUE(data.book->save());
    const std::int32_t withoutImage = data.addPerson(QStringLiteral("Noah"), QStringLiteral("Plain"), QDate(1990, 1, 2));
    data.load();
    OccasionRecordPtr record = row.record(data, withImage, withoutImage);
    ASSERT_TRUE(record);
    data.db().populateABPhotoType(*record);
    EXPECT_EQ(record->abPhoto, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    RecordDatabase, RecordDatabasePhotoType,
    ::testing::Values(
        PhotoTypeRow{"ContactWithPicture", [](Data& d, std::int32_t, std::int32_t) { return d.named(QStringLiteral("Ida Image")); },
                     OccasionRecord::PhotoPresent},
        PhotoTypeRow{"ContactWithoutPicture", [](Data& d, std::int32_t, std::int32_t) { return d.named(QStringLiteral("Noah Plain")); },
                     OccasionRecord::PhotoAbsent},
        PhotoTypeRow{"ContactGone",
                     [](Data& d, std::int32_t with, std::int32_t) {
                         auto r = d.named(QStringLiteral("Ida Image"));
                         EXPECT_TRUE(d.book->removePerson(with));
                         EXPECT_TRUE(d.book->save());
                         return r;
                     },
                     OccasionRecord::PhotoAbsent},
        PhotoTypeRow{"CustomEntry",
                     [](Data& d, std::int32_t with, std::int32_t) {
                         auto r = customEntry(d.calendar, QStringLiteral("C"), QStringLiteral("C"), 2000, 1, 1);
                         r->recordID = with;  // even one carrying a contact's id
                         return r;
                     },
                     OccasionRecord::PhotoAbsent},
        PhotoTypeRow{"FacebookEntry",
                     [](Data& d, std::int32_t, std::int32_t) {
                         return facebookEntry(d.calendar, QStringLiteral("F"), QStringLiteral("F"), QStringLiteral("G"), 2000, 1, 1);
                     },
                     OccasionRecord::PhotoAbsent}),
    rowName<PhotoTypeRow>);

enum class Kind { Contact, LinkedContact, Custom, Facebook, Holiday };

struct BlankRow {
    std::string name;
    Kind kind;
    bool facebookMark;   // "827B"
    bool contactMark;    // "0977"
    bool largeRows;
    QString expected;
    std::function<void(OccasionRecord&)> tweak = nullptr;
    bool showFacebook = true;
};

class RecordDatabaseBlankImage : public ::testing::TestWithParam<BlankRow> {};

TEST_P(RecordDatabaseBlankImage, PlaceholderByKindAndMarks)
{
    const BlankRow& row = GetParam();
    Data data;
    data.set(Key::FacebookPhotoMark, row.facebookMark);
    data.set(Key::ContactPhotoMark, row.contactMark);
    data.set(Key::LargeRows, row.largeRows);
    data.set(Key::ShowFacebook, row.showFacebook);
    OccasionRecord r;
    switch (row.kind) {
    case Kind::Contact:
        r.recordID = 5;
        r.abPhoto = OccasionRecord::PhotoAbsent;
        break;
    case Kind::LinkedContact:
        r.recordID = 5;
        r.abPhoto = OccasionRecord::PhotoAbsent;
        r.facebookLinkID = QStringLiteral("FB1");
        break;
    case Kind::Custom:
        r.isCustomEntry = true;
        r.cPhoto = OccasionRecord::PhotoAbsent;
        break;
    case Kind::Facebook:
        r.isFacebookEntry = true;
        r.cPhoto = OccasionRecord::PhotoAbsent;
        break;
    case Kind::Holiday:
        r.isHoliday = true;
        r.type = OccasionRecord::Holiday;
        break;
    }
    if (row.tweak)
        row.tweak(r);
    EXPECT_EQ(data.db().setBlankImageForRecord(r), row.expected);
}

std::vector<BlankRow> blankRows()
{
    struct Base {
        std::string name;
        Kind kind;
        bool facebookMark;
        bool contactMark;
        const char* suffix;  // after "BlankPhoto_<size>"; null: none
    };
    // The placeholder table, row by row; "any" columns are spelled out both ways.
    const std::vector<Base> table{
        {"ContactNoMark", Kind::Contact, false, false, ""},
        {"ContactNoMarkFacebookMarkOn", Kind::Contact, true, false, ""},
        {"ContactMark", Kind::Contact, false, true, "Contact"},
        {"ContactMarkFacebookMarkOn", Kind::Contact, true, true, "Contact"},
        {"CustomNoMarks", Kind::Custom, false, false, ""},
        {"CustomBothMarks", Kind::Custom, true, true, ""},
        {"LinkedFacebookMarkOffContactMarkOn", Kind::LinkedContact, false, true, "Contact"},
        {"LinkedNoMarks", Kind::LinkedContact, false, false, ""},
        {"LinkedBothMarks", Kind::LinkedContact, true, true, "_FacebookContact"},
        {"LinkedFacebookMarkOnly", Kind::LinkedContact, true, false, "_Facebook"},
        {"FacebookMarkOn", Kind::Facebook, true, false, "_Facebook"},
        {"FacebookMarkOnContactMarkOn", Kind::Facebook, true, true, "_Facebook"},
        {"FacebookMarkOff", Kind::Facebook, false, false, ""},
        {"FacebookMarkOffContactMarkOn", Kind::Facebook, false, true, ""},
        {"Holiday", Kind::Holiday, true, true, nullptr},
    };
    std::vector<BlankRow> rows;
    for (const Base& b : table) {
        for (const bool large : {false, true}) {
            const QString size = large ? QStringLiteral("Medium") : QStringLiteral("Small");
            const QString expected = b.suffix ? QStringLiteral("BlankPhoto_%1%2.png").arg(size, QLatin1String(b.suffix)) : QString();
            rows.push_back(BlankRow{b.name + (large ? "Medium" : "Small"), b.kind, b.facebookMark, b.contactMark, large, expected});
        }
    }
    // No placeholder: the record has a picture, or its picture was not looked up yet.
    const auto withPhoto = [](OccasionRecord& r) { r.photo = solid(Qt::red); };
    rows.push_back({"ContactWithPhoto", Kind::Contact, false, false, false, QString(), withPhoto});
    rows.push_back({"CustomWithPhoto", Kind::Custom, false, false, false, QString(), withPhoto});
    rows.push_back({"ContactPictureInTheBook", Kind::Contact, false, false, false, QString(),
                    [](OccasionRecord& r) { r.abPhoto = OccasionRecord::PhotoPresent; }});
    rows.push_back({"ContactNotLookedUp", Kind::Contact, false, false, false, QString(),
                    [](OccasionRecord& r) { r.abPhoto = OccasionRecord::PhotoNotLookedUp; }});
    rows.push_back({"LinkedContactPictureInTheBook", Kind::LinkedContact, true, true, false, QString(),
                    [](OccasionRecord& r) { r.abPhoto = OccasionRecord::PhotoPresent; }});
    rows.push_back({"CustomPhotoFilePresent", Kind::Custom, false, false, false, QString(),
                    [](OccasionRecord& r) { r.cPhoto = OccasionRecord::PhotoPresent; }});
    rows.push_back({"FacebookNotLookedUp", Kind::Facebook, true, false, false, QString(),
                    [](OccasionRecord& r) { r.cPhoto = OccasionRecord::PhotoNotLookedUp; }});
    // A link counts only while Facebook entries are shown.
    rows.push_back({"LinkWhileFacebookHiddenIsAPlainContact", Kind::LinkedContact, true, false, false,
                    QStringLiteral("BlankPhoto_Small.png"), nullptr, false});
    rows.push_back({"LinkWhileFacebookHiddenContactMark", Kind::LinkedContact, true, true, true,
                    QStringLiteral("BlankPhoto_MediumContact.png"), nullptr, false});
    return rows;
}

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabaseBlankImage, ::testing::ValuesIn(blankRows()), rowName<BlankRow>);

// ---- Observers ---------------------------------------------------------------------------------

class Recorder : public DatabaseObserver {
public:
    Recorder(std::string name, std::vector<std::string>& log, std::function<void()> action = nullptr)
        : m_name(std::move(name)), m_log(log), m_action(std::move(action))
    {
    }
    void databaseIsDirty() override
    {
        m_log.push_back(m_name);
        if (m_action)
            m_action();
    }
    std::function<void()>& action() { return m_action; }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
    std::function<void()> m_action;
};

TEST(RecordDatabaseObservers, DirtyTellsEveryObserverInOrderAndCleanTellsNone)
{
    Data data;
    RecordDatabase& db = data.db();
    std::vector<std::string> log;
    Recorder a("a", log), b("b", log), c("c", log);
    db.addDatabaseObserver(&a);
    db.addDatabaseObserver(&b);
    db.addDatabaseObserver(&c);
    db.addDatabaseObserver(&a);  // once is enough
    db.setDirty(false);
    EXPECT_TRUE(log.empty());
    db.setDirty(true);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
    db.removeDatabaseObserver(&b);
    log.clear();
    db.setDirty(true);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "c"}));
}

TEST(RecordDatabaseObservers, ObserverRemovingItselfDuringTheCallIsSafe)
{
    Data data;
    RecordDatabase& db = data.db();
    std::vector<std::string> log;
    Recorder a("a", log);
    auto b = std::make_unique<Recorder>("b", log);
    Recorder c("c", log);
    b->action() = [&] { db.removeDatabaseObserver(b.get()); };
    db.addDatabaseObserver(&a);
    db.addDatabaseObserver(b.get());
    db.addDatabaseObserver(&c);
    db.setDirty(true);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
    b.reset();
    log.clear();
    db.setDirty(true);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "c"}));
}

// One observer takes another one away (and destroys it) during the round: the removed
// one must not be told any more.
TEST(RecordDatabaseObservers, ObserverRemovedByAnEarlierOneIsNotTold)
{
    Data data;
    RecordDatabase& db = data.db();
    std::vector<std::string> log;
    auto victim = std::make_unique<Recorder>("victim", log);
    Recorder first("first", log, [&] {
        db.removeDatabaseObserver(victim.get());
        victim.reset();
    });
    Recorder last("last", log);
    Recorder added("added", log);
    Recorder adder("adder", log, [&] { db.addDatabaseObserver(&added); });
    db.addDatabaseObserver(&first);
    db.addDatabaseObserver(victim.get());
    db.addDatabaseObserver(&adder);
    db.addDatabaseObserver(&last);
    db.setDirty(true);
    EXPECT_EQ(log, (std::vector<std::string>{"first", "adder", "last"}));
    log.clear();
    db.setDirty(true);
    EXPECT_EQ(log, (std::vector<std::string>{"first", "adder", "last", "added"}));
}

} // namespace
