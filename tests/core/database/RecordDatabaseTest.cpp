// The record database over a real data directory (address book on SQLite, custom
// entries and notes files in a temporary folder): loads, the background load, damaged
// and half-written stores, entries, notes, dates, placeholders, observers, and contacts
// changed in the book (keeping the user's choices and Facebook links where they apply).
#include "core/database/RecordDatabase.h"
#include "core/database/SearchIndex.h"
#include "core/records/ContactLabels.h"
#include "core/records/CustomEntriesStore.h"
#include "core/records/OccasionABMetadata.h"
#include "core/records/OccasionRecord.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Calendar.h"
#include "core/time/Clock.h"
#include "core/time/DeviceEnvironment.h"
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"
#include "platform/archive/KeyedArchiver.h"

#include "support/ArchiveValues.h"
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
#include <string>
#include <tuple>
#include <vector>

using namespace fetemark;

namespace {

using Records = RecordDatabase::Records;

// Thursday 5 March 2026, 13:00 in Berlin, 01:00 on Friday 6 March in Auckland.
const char* const Now = "2026-03-05T12:00:00Z";
const QString Berlin = QStringLiteral("Europe/Berlin");

std::string str(const QString& s)
{
    return s.toStdString();
}

QString q(const char* s)
{
    return QString::fromUtf8(s);
}

QStringList names(const char* commaSeparated)
{
    return *commaSeparated ? q(commaSeparated).split(u',') : QStringList();
}

// The first record of the list that matches, or null.
template<typename Predicate> OccasionRecordPtr firstMatch(const Records& list, Predicate matches)
{
    const auto it = std::find_if(list.begin(), list.end(), matches);
    return it == list.end() ? nullptr : *it;
}

// An occasion as the list shows it: type, calendar day and label.
using Occasion = std::tuple<int, QDate, QString>;
const QString AnniversaryLabel = QString(ContactLabel::Anniversary);

// A fresh data directory with its own address book, registered default settings, a
// fixed clock and device; the database is made on first use.
class Data {
public:
    explicit Data(const QString& zone = Berlin, const char* now = Now)
        : settings(dir.file(q("Preferences.plist"))),
          clock(test::utc(now)), device {zone, q("en_US"), {q("en")}}, calendar(zone),
          book(AddressBook::create(dir.file(q("AddressBook.sqlite"))))
    {
        settings.registerDefaults(registeredDefaults());
    }

    void set(QLatin1StringView key, const QVariant& value)
    {
        settings.setValue(QString(key), value);
    }

    std::int32_t addPerson(const char* first, const char* last, const QDate& birthday = {},
        std::vector<Labeled<QDate>> dates = {})
    {
        Person p;
        p.firstName = q(first);
        p.lastName = q(last);
        p.birthday = birthday;
        p.dates = std::move(dates);
        const std::int32_t id = book->addPerson(p);
        EXPECT_TRUE(id != -1 && book->save()) << str(book->lastError());
        return id;
    }
    void removePerson(std::int32_t id) { EXPECT_TRUE(book->removePerson(id) && book->save()); }

    // The files as an earlier run left them.
    void writeEntries(const Records& entries)
    {
        EXPECT_TRUE(CustomEntriesStore(dir.path()).writeCustomEntries(entries, {}, calendar));
    }
    void writeNotes(const std::vector<OccasionABMetadataPtr>& notes)
    {
        EXPECT_TRUE(CustomEntriesStore(dir.path()).writeABMetadata(notes));
    }
    Records storedEntries() const { return CustomEntriesStore(dir.path()).loadEntries(); }

    RecordDatabase& db()
    {
        if (!database)
            database = std::make_unique<RecordDatabase>(RecordDatabase::Dependencies {
                settings, clock, device, dir.path(), q(":/resources")});
        return *database;
    }
    RecordDatabase& load()
    {
        db().loadDatabase();
        return *database;
    }
    RecordDatabase& reload()
    {
        database.reset();
        return load();
    }

    OccasionRecordPtr named(const char* name, int type = -1) const
    {
        return firstMatch(database->records(), [&](const OccasionRecordPtr& r) {
            return r->name == q(name) && (type == -1 || r->type == type);
        });
    }
    QStringList shown() const
    {
        QStringList out;
        for (const OccasionRecordPtr& r : database->records())
            out << r->name;
        return out;
    }

    // An edit made elsewhere (the contact screen), committed to the book.
    void edit(std::int32_t id, const std::function<void(Person&)>& change)
    {
        auto p = book->person(id);
        ASSERT_TRUE(p);
        change(*p);
        ASSERT_TRUE(book->updatePerson(*p) && book->save()) << str(book->lastError());
    }
    // The contact's own records (no entries), and one of them by type and label.
    Records of(std::int32_t id) const
    {
        Records out;
        for (const OccasionRecordPtr& r : database->records()) {
            if (r->recordID == id && !r->isCustomEntry && !r->isFacebookEntry)
                out.push_back(r);
        }
        return out;
    }
    OccasionRecordPtr find(std::int32_t id, int type, const QString& label = q("")) const
    {
        return firstMatch(of(id), [&](const OccasionRecordPtr& r) {
            return r->type == type && r->otherDateLabel == label;
        });
    }
    Occasion occasion(const OccasionRecordPtr& r) const
    {
        const DateParts p = calendar.components(r->rawDate);
        return {r->type, QDate(p.year, p.month, p.day), r->otherDateLabel};
    }
    std::vector<Occasion> occasionsOf(std::int32_t id) const
    {
        std::vector<Occasion> out;
        for (const OccasionRecordPtr& r : of(id))
            out.push_back(occasion(r));
        std::sort(out.begin(), out.end());
        return out;
    }
    // What the book now holds for the contact, as the list would show it.
    std::vector<Occasion> occasionsInBook(std::int32_t id) const
    {
        const auto p = book->person(id);
        std::vector<Occasion> out;
        if (p && p->birthday.isValid())
            out.push_back({OccasionRecord::Birthday, p->birthday, q("")});
        for (const auto& d : p ? p->dates : std::vector<Labeled<QDate>> {}) {
            const int type = d.label == AnniversaryLabel ? OccasionRecord::Anniversary
                                                         : OccasionRecord::OtherDate;
            out.push_back({type, d.value, ContactLabel::ofDateValue(d.label)});
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    test::TempDir dir;
    Settings settings;
    FixedClock clock;
    DeviceEnvironment device;
    Calendar calendar;
    std::unique_ptr<AddressBook> book;
    std::unique_ptr<RecordDatabase> database;
};

OccasionRecordPtr byID(const Records& list, const char* id)
{
    return firstMatch(list, [&](const OccasionRecordPtr& r) { return r->customID == q(id); });
}

// A stored entry: custom (one-time when `once`; undated when y is 0) or, with first and
// last names, a Facebook friend (matched when `matchedTo` is a contact).
OccasionRecordPtr entry(
    const Calendar& cal, const char* id, const char* name, int y, int m, int d, bool once = false)
{
    auto r = std::make_shared<OccasionRecord>();
    r->isCustomEntry = true;
    r->customID = q(id);
    r->name = q(name);
    r->type = OccasionRecord::OtherDate;
    r->otherDateLabel = q("Event");
    r->rawDate = y > 0 ? cal.date(y, m, d) : QDateTime();
    r->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
    r->onetime = once;
    r->oneTimeYear = once ? y : 0;
    return r;
}

OccasionRecordPtr friendEntry(const Calendar& cal, const char* id, const char* first,
    const char* last, int y, int m, int d, std::int32_t matchedTo = -1)
{
    auto r = entry(cal, id, "as fetched", y, m, d);
    std::tie(r->isCustomEntry, r->isFacebookEntry, r->type, r->otherDateLabel) =
        std::tuple(false, true, OccasionRecord::Birthday, QString());
    r->firstName = q(first);
    r->lastName = q(last);
    r->isFacebookMatched = matchedTo != -1;
    r->facebookToContactID = matchedTo;
    return r;
}

OccasionABMetadataPtr note(std::int32_t recordID, const char* customID, const char* notes)
{
    auto m = std::make_shared<OccasionABMetadata>();
    m->recordID = recordID;
    m->customID = *customID ? q(customID) : QString();
    m->notes = q(notes);
    return m;
}

bool contains(const Records& list, const OccasionRecordPtr& r)
{
    return std::find(list.begin(), list.end(), r) != list.end();
}

// The shown records are sorted (when asked) and each is found by every word of its name;
// nothing else is found (neither held-over nor replaced records).
::testing::AssertionResult listConsistent(const RecordDatabase& db, bool sorted = true)
{
    if (sorted &&
        !std::is_sorted(db.records().begin(), db.records().end(), OccasionRecord::sortsBefore))
        return ::testing::AssertionFailure() << "records not sorted";
    for (const OccasionRecordPtr& r : db.records()) {
        for (const QString& word : r->name.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!contains(db.recordDictionary().recordsFor(SearchIndex::lookupKey(word)), r))
                return ::testing::AssertionFailure()
                    << str(r->name) << " is not found by " << str(word);
        }
    }
    for (auto it = db.recordDictionary().lists().begin(); it != db.recordDictionary().lists().end();
         ++it) {
        for (const OccasionRecordPtr& r : it.value()) {
            if (!contains(db.records(), r))
                return ::testing::AssertionFailure() << "found but not listed: " << str(r->name);
        }
    }
    return ::testing::AssertionSuccess();
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
    pumpUntil([] { return false; }, ms);
}

QImage solid(Qt::GlobalColor colour)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Anna (a note), Ben (an anniversary with a stored choice), a custom entry, a Facebook
// friend and a Facebook friend matched to Anna.
struct Typical {
    std::int32_t anna = -1, ben = -1;

    explicit Typical(Data& data)
    {
        anna = data.addPerson("Anna", "Berg", QDate(1990, 3, 10));
        ben = data.addPerson("Ben", "Cole", QDate(1985, 3, 6),
            {{QString(ContactLabel::Anniversary), QDate(2010, 3, 20)}});
        auto choice = std::make_shared<OccasionRecord>();
        choice->recordID = ben;
        choice->type = OccasionRecord::Anniversary;
        choice->rawDate = data.calendar.date(2010, 3, 20);
        choice->otherDateLabel = QString(ContactLabel::Anniversary);
        choice->alertsOff = true;
        data.writeEntries({entry(data.calendar, "PARTY", "Office Party", 2020, 3, 8),
            friendEntry(data.calendar, "FIONA", "Fiona", "Fox", 1992, 3, 9),
            friendEntry(data.calendar, "GINA", "Gina", "Gray", 1990, 3, 10, anna), choice});
        data.writeNotes({note(anna, "", "likes tea")});
    }
};

const char* const Contacts = "Ben Cole,Office Party,Anna Berg,Ben Cole";
const char* const WithFiona = "Ben Cole,Office Party,Fiona Fox,Anna Berg,Ben Cole";

// ---- Loading -------------------------------------------------------------------------------

struct LoadRow {
    std::string name;
    QString zone;
    bool showFacebook, showCustom, hideContacts;
    const char* order;     // shown names, in list order
    int annaDays, benDays; // days until the birthdays, when contacts are shown
};

class RecordDatabaseLoad : public ::testing::TestWithParam<LoadRow> { };

TEST_P(RecordDatabaseLoad, PublishesTheShownRecordsSortedAndIndexedAndHoldsOverTheRest)
{
    const LoadRow& row = GetParam();
    Data data(row.zone);
    const Typical t(data);
    data.set(Key::ShowFacebook, row.showFacebook);
    data.set(Key::ShowCustom, row.showCustom);
    data.set(Key::HideContacts, row.hideContacts);

    RecordDatabase& db = data.load();
    EXPECT_TRUE(db.isLoaded() && db.takeLoadWarnings().isEmpty());
    EXPECT_EQ(data.shown(), names(row.order));
    EXPECT_TRUE(listConsistent(db));
    for (const OccasionRecordPtr& r : db.records())
        EXPECT_TRUE(r->sortDate.isValid()) << str(r->name);
    // Nothing stored is lost: every entry is either shown or held over.
    for (const char* id : {"PARTY", "FIONA", "GINA"})
        EXPECT_NE(byID(db.records(), id) != nullptr, byID(db.holdoverRecords(), id) != nullptr)
            << id;
    const bool choiceHeld = firstMatch(db.holdoverRecords(), [&](const OccasionRecordPtr& r) {
        return r->recordID == t.ben;
    }) != nullptr;
    EXPECT_EQ(choiceHeld, row.hideContacts)
        << "a choice is held over exactly when its contact is not read";
    // The matched friend is a link whatever is shown.
    ASSERT_EQ(db.facebookLinkRecords().size(), 1u);
    EXPECT_EQ(db.facebookLinkRecords()[0]->customID, q("GINA"));
    EXPECT_EQ(db.getNotesForRecordID(t.anna), q("likes tea"));
    EXPECT_EQ(std::pair(db.checkForRecordWithID(t.anna), db.allContacts().size()),
        std::pair(!row.hideContacts, std::size_t(row.hideContacts ? 0 : 2)));
    if (row.hideContacts)
        return;
    const OccasionRecordPtr anna = data.named("Anna Berg");
    const OccasionRecordPtr ben = data.named("Ben Cole", OccasionRecord::Birthday);
    const OccasionRecordPtr wedding = data.named("Ben Cole", OccasionRecord::Anniversary);
    ASSERT_TRUE(anna && ben && wedding);
    EXPECT_EQ(
        std::pair(anna->daysUntilDate, ben->daysUntilDate), std::pair(row.annaDays, row.benDays));
    // The stored calendar day, in whatever zone the device is.
    const DateParts day = data.calendar.components(anna->sortDate);
    EXPECT_EQ(std::tuple(day.month, day.day, day.hour), std::tuple(3, 10, 0));
    EXPECT_EQ(data.calendar.components(anna->rawDate).year, 1990);
    EXPECT_TRUE(wedding->alertsOff && !ben->alertsOff)
        << "the stored choice reaches the anniversary only";
    EXPECT_EQ(anna->facebookLinkID, row.showFacebook ? q("GINA") : QString());
}

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabaseLoad,
    ::testing::Values(LoadRow {"Defaults", Berlin, false, true, false, Contacts, 5, 1},
        LoadRow {"FacebookShown", Berlin, true, true, false, WithFiona, 5, 1},
        LoadRow {"CustomHidden", Berlin, false, false, false, "Ben Cole,Anna Berg,Ben Cole", 5, 1},
        LoadRow {"ContactsHiddenMatchedFriendListed", Berlin, true, true, true,
            "Office Party,Fiona Fox,Gina Gray", 0, 0},
        // Auckland is already on Friday: Ben's birthday is today there.
        LoadRow {"Auckland", q("Pacific/Auckland"), true, true, false, WithFiona, 4, 0},
        LoadRow {"LosAngeles", q("America/Los_Angeles"), false, true, false, Contacts, 5, 1}),
    test::RowName());

TEST(RecordDatabaseLoadMisc, EmptyDataDirectoryLoadsEmptyAndCreatesNoStores)
{
    Data data;
    RecordDatabase& db = data.load();
    EXPECT_TRUE(db.isLoaded() && db.records().empty() && db.holdoverRecords().empty() &&
        db.takeLoadWarnings().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(db.store().dataFilePath()));
}

TEST(RecordDatabaseLoadMisc, ReloadReplacesTheArraysAndResetEmptiesThem)
{
    Data data;
    const Typical t(data);
    RecordDatabase& db = data.load();
    const OccasionRecordPtr before = db.records().front();
    data.addPerson("Cleo", "Dane", QDate(2000, 3, 5));
    db.loadDatabase();
    EXPECT_EQ(db.records().front()->name, q("Cleo Dane"));
    EXPECT_FALSE(contains(db.records(), before)) << "a load builds new records";

    db.resetRecordDatabase();
    EXPECT_FALSE(db.isLoaded());
    EXPECT_TRUE(db.records().empty() && db.holdoverRecords().empty() && db.allContacts().empty() &&
        db.facebookLinkRecords().empty());
    EXPECT_TRUE(db.abMetadataRecords().empty() && db.recordDictionary().keyCount() == 0);
}

// ---- Damaged and half-written stores -------------------------------------------------------

QStringList asideCopies(const Data& data)
{
    return QDir(data.dir.path()).entryList({q("CustomEntries.plist.damaged-*")}, QDir::Files);
}

QByteArray archiveOf(const Calendar& cal, const char* names, bool unreadableSecond = false)
{
    std::vector<ArchiveValue> items;
    for (const QString& name : q(names).split(u','))
        items.push_back(entry(cal, name.toUtf8().constData(), name.toUtf8().constData(), 2001, 4, 4)
                            ->encodeWithCoder());
    if (unreadableSecond)
        items.insert(items.begin() + 1, ArchiveValue::string(q("not a record")));
    return test::archive(test::dictOf({{q("Custom Entries"), test::arrayOf(std::move(items))}}));
}

// The store's own handling of damage is in CustomEntriesStoreTest; here the database's part:
// warnings handed out once, and the next write and load.
TEST(RecordDatabaseDamagedStore, WarnsKeepsTheFileAsideAndLosesNothing)
{
    Data data;
    data.addPerson("Anna", "Berg", QDate(1990, 3, 10));
    const QByteArray damaged = archiveOf(data.calendar, "Kept,Other", true);
    ASSERT_TRUE(test::writeFile(CustomEntriesStore(data.dir.path()).dataFilePath(), damaged));

    RecordDatabase& db = data.load();
    const QString warnings = db.takeLoadWarnings().join(u'\n');
    EXPECT_TRUE(warnings.contains(q("CustomEntries.plist"))) << str(warnings);
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty()) << "warnings are handed out once";
    EXPECT_EQ(data.shown(), names("Anna Berg,Kept,Other"));
    const QStringList aside = asideCopies(data);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(test::readFile(data.dir.file(aside[0])), damaged);

    // The next write makes a sound file of what was read and leaves the copy alone;
    // a second load finds it sound and keeps no further copies.
    db.writeStores();
    EXPECT_EQ(test::readFile(data.dir.file(aside[0])), damaged);
    db.loadDatabase();
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    EXPECT_EQ(data.shown(), names("Anna Berg,Kept,Other"));
    EXPECT_EQ(asideCopies(data).size(), 1);
}

// A real kill: a child process writes a much larger store and is killed by the
// file-size limit part-way through. The previous store is intact and loads, and half
// written temporary files beside it are ignored.
TEST(RecordDatabaseInterruptedWriteKill, ChildKilledMidWriteLeavesThePreviousFile)
{
    Data data;
    RecordDatabase& db = data.load();
    db.addNewCustomRecord(entry(data.calendar, "ONE", "First Entry", 2001, 6, 1), true);
    const QString path = db.store().dataFilePath();
    const QByteArray previous = test::readFile(path);
    ASSERT_FALSE(previous.isEmpty());

    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        for (int i = 0; i < 400; ++i)
            db.addNewCustomRecord(
                entry(data.calendar, QByteArray::number(i).constData(), "Many", 2000, 1, 1), false);
        struct rlimit limit { };
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = rlim_t(previous.size() + 256);
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_DFL);
        db.writeStores();
        _exit(0); // not reached: the write passes the limit
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ)
        << "the child was meant to die while writing";
    EXPECT_EQ(test::readFile(path), previous);
    const QByteArray newer = archiveOf(data.calendar, "Never Written");
    for (const char* leftover : {"CustomEntries.plist.tmp", "CustomEntries.plist.Xa1b2C"})
        ASSERT_TRUE(test::writeFile(data.dir.file(q(leftover)), newer.left(newer.size() / 2)));
    EXPECT_TRUE(data.reload().takeLoadWarnings().isEmpty());
    EXPECT_EQ(data.shown(), names("First Entry"));
    EXPECT_TRUE(asideCopies(data).isEmpty());
}

// ---- The background load -------------------------------------------------------------------

class RecordDatabaseBackgroundLoad : public ::testing::TestWithParam<bool> { };

TEST_P(RecordDatabaseBackgroundLoad, PublishesThenCallsBackOnTheTargetsThreadUnlessItIsGone)
{
    const bool targetGone = GetParam();
    Data data;
    const Typical t(data);
    auto target = std::make_unique<QObject>();
    int callbacks = 0;
    bool publishedOnThisThread = false; // when called back
    RecordDatabase& db = data.db();
    db.startLoadingDatabase(target.get(), [&] {
        ++callbacks;
        publishedOnThisThread =
            QThread::currentThread() == QCoreApplication::instance()->thread() && db.isLoaded();
    });
    EXPECT_FALSE(db.isLoaded());
    if (targetGone)
        target.reset();
    ASSERT_TRUE(pumpUntil([&] { return db.isLoaded() && (targetGone || callbacks > 0); }));
    pumpFor(50);
    EXPECT_EQ(callbacks, targetGone ? 0 : 1);
    EXPECT_EQ(publishedOnThisThread, !targetGone) << "the arrays are published before the callback";
    EXPECT_EQ(data.shown(), names(Contacts));
    EXPECT_TRUE(listConsistent(db));
    EXPECT_EQ(db.getNotesForRecordID(t.anna), q("likes tea"));
}

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabaseBackgroundLoad, ::testing::Bool(),
    [](const auto& info) { return std::string(info.param ? "TargetGone" : "TargetAlive"); });

// A second load is started after the book changed, before the first was seen to finish:
// only the second may publish and call back, whatever the timing.
TEST(RecordDatabaseBackgroundLoadRace, RestartedLoadPublishesOnlyTheNewerData)
{
    Data data;
    data.addPerson("Base", "Person", QDate(1980, 1, 1));
    QObject target;
    RecordDatabase& db = data.db();
    std::mt19937 random(20260305);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        int olderCalls = 0, newerCalls = 0;
        const QByteArray newest = "Round" + QByteArray::number(round);
        bool newestAtCallback = false;

        db.startLoadingDatabase(&target, [&] { ++olderCalls; });
        QThread::usleep(random() % 4000);
        data.addPerson(newest.constData(), "Person", QDate(1990, 1 + round % 12, 1 + round % 28));
        QThread::usleep(random() % 2000);
        db.startLoadingDatabase(&target, [&] {
            ++newerCalls;
            newestAtCallback = data.named((newest + " Person").constData()) &&
                db.records().size() == std::size_t(round + 2);
        });
        ASSERT_TRUE(pumpUntil([&] { return newerCalls > 0; }));
        const OccasionRecordPtr front = db.records().front();
        pumpFor(int(random() % 20));
        EXPECT_EQ(std::pair(olderCalls, newerCalls), std::pair(0, 1));
        EXPECT_TRUE(newestAtCallback) << "the newest book, complete, at the callback";
        EXPECT_EQ(db.records().size(), std::size_t(round + 2))
            << "nothing older was published afterwards";
        EXPECT_EQ(db.records().front(), front);
    }
}

TEST(RecordDatabaseBackgroundLoadRace, SynchronousLoadOvertakesABackgroundOne)
{
    Data data;
    const Typical t(data);
    QObject target;
    int callbacks = 0;
    RecordDatabase& db = data.db();
    db.startLoadingDatabase(&target, [&] { ++callbacks; });
    data.addPerson("Cleo", "Dane", QDate(2000, 3, 5));
    db.loadDatabase();
    const Records published = db.records();
    pumpFor(300);
    EXPECT_EQ(callbacks, 0);
    EXPECT_EQ(db.records(), published) << "the background result must not land on top later";
    EXPECT_EQ(db.records().front()->name, q("Cleo Dane"));
}

// A bigger book, so the load is still running (or its result queued) when the database
// is reset or destroyed: nothing is published or called back, and a later load works.
class RecordDatabaseBackgroundLoadBig : public ::testing::TestWithParam<bool> { };

TEST_P(RecordDatabaseBackgroundLoadBig, ResetOrDestroyedWhileLoadingPublishesNothing)
{
    const bool destroy = GetParam();
    Data data;
    ASSERT_EQ(SyntheticContacts::fill(*data.book, {1500, 7, 0}), 1500);
    QObject target;
    std::mt19937 random(destroy ? 11 : 7);
    int callbacks = 0;
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        data.db().startLoadingDatabase(&target, [&] { ++callbacks; });
        QThread::usleep(random() % 60000); // from "still reading" to "result already queued"
        if (destroy)
            data.database.reset();
        else
            data.db().resetRecordDatabase();
        pumpFor(destroy ? 40 : 150);
        EXPECT_EQ(callbacks, 0);
        EXPECT_TRUE(destroy ||
            (!data.db().isLoaded() && data.db().records().empty() &&
                data.db().allContacts().empty()));
    }
    data.db().startLoadingDatabase(&target, [&] { ++callbacks; });
    ASSERT_TRUE(pumpUntil([&] { return callbacks > 0; }));
    EXPECT_EQ(data.db().allContacts().size(), 1500u);
}

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabaseBackgroundLoadBig, ::testing::Bool(),
    [](const auto& info) { return std::string(info.param ? "Destroyed" : "Reset"); });

// ---- Entry maintenance -----------------------------------------------------------------------

enum class Entry { Custom, PastOnce, Friend, MatchedFriend, IgnoredFriend };

struct AddRow {
    std::string name;
    Entry entry;
    bool showFacebook, showCustom;
    int pastDays;
    bool write;  // a written entry is in the file
    bool listed; // else held over
};

class RecordDatabaseAddEntry : public ::testing::TestWithParam<AddRow> { };

TEST_P(RecordDatabaseAddEntry, ListsOrHoldsOverAndWritesWhenAsked)
{
    const AddRow& row = GetParam();
    Data data;
    const Typical t(data);
    data.set(Key::ShowFacebook, row.showFacebook);
    data.set(Key::ShowCustom, row.showCustom);
    data.set(Key::PastDays, row.pastDays);
    RecordDatabase& db = data.load();
    const std::size_t shown = db.records().size();
    OccasionRecordPtr added;
    if (row.entry == Entry::Custom || row.entry == Entry::PastOnce)
        added = row.entry == Entry::Custom
            ? entry(data.calendar, "NEW", "Zoe Zed", 1999, 3, 7)
            : entry(data.calendar, "NEW", "Zoe Zed", 2026, 3, 1, true);
    else
        added = friendEntry(data.calendar, "NEW", "Zoe", "Zed", 1999, 3, 7,
            row.entry == Entry::MatchedFriend ? t.anna : -1);
    added->isIgnoredFacebook = row.entry == Entry::IgnoredFriend;

    db.addNewCustomRecord(added, row.write);
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    EXPECT_EQ(added->abPhoto, int(OccasionRecord::PhotoAbsent));
    EXPECT_EQ(std::pair(contains(db.records(), added), contains(db.holdoverRecords(), added)),
        std::pair(row.listed, !row.listed));
    EXPECT_EQ(db.records().size(), shown + (row.listed ? 1 : 0));
    EXPECT_TRUE(listConsistent(db, row.write)) << "a written entry is sorted in as well";
    EXPECT_TRUE(!row.listed ||
        added->daysUntilDate ==
            data.calendar.calendarDaysBetween(data.calendar.date(2026, 3, 5), added->sortDate));
    EXPECT_EQ(byID(data.storedEntries(), "NEW") != nullptr, row.write);
    if (row.write) { // a reload agrees with what the database did
        RecordDatabase& again = data.reload();
        EXPECT_EQ(std::pair(!!byID(again.records(), "NEW"), !!byID(again.holdoverRecords(), "NEW")),
            std::pair(row.listed, !row.listed));
    }
}

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabaseAddEntry,
    ::testing::Values(AddRow {"CustomWritten", Entry::Custom, false, true, 0, true, true},
        AddRow {"CustomNotWritten", Entry::Custom, false, true, 0, false, true},
        AddRow {"CustomWhileCustomHidden", Entry::Custom, false, false, 0, true, false},
        AddRow {"FacebookFriendShown", Entry::Friend, true, true, 0, true, true},
        AddRow {"FacebookFriendWhileFacebookHidden", Entry::Friend, false, true, 0, true, false},
        AddRow {"MatchedFacebookFriendHeldOver", Entry::MatchedFriend, true, true, 0, true, false},
        AddRow {"IgnoredFacebookFriendHeldOver", Entry::IgnoredFriend, true, true, 0, true, false},
        AddRow {"PastOneTimeEntry", Entry::PastOnce, false, true, 0, true, false},
        AddRow {"OneTimeEntryWithinThePastDays", Entry::PastOnce, false, true, 7, true, true}),
    test::RowName());

// An update recomputes, reindexes, resorts and writes the entry (its date at noon in the
// file, at midnight in memory); a removal, shown or held over, deletes its photo and its
// stored copy.
TEST(RecordDatabaseEntries, UpdateRewritesAndRemovalDeletesTheEntryAndItsPhoto)
{
    Data data;
    const Typical t(data);
    RecordDatabase& db = data.load();
    auto pic = entry(data.calendar, "PIC", "Pat Pic", 1999, 4, 1);
    pic->customPhoto = solid(Qt::red);
    db.addNewCustomRecord(pic, true);
    const QString picPhoto = db.store().customPhotoFileName(q("PIC"));
    EXPECT_EQ(pic->cPhoto, int(OccasionRecord::PhotoPresent));
    EXPECT_EQ(QImage(picPhoto).pixelColor(2, 2), QColor(Qt::red));

    const OccasionRecordPtr party = data.named("Office Party");
    ASSERT_TRUE(party);
    party->name = q("Zeta Gala");
    party->rawDate = data.calendar.date(2020, 4, 1);
    party->detailedText = q("stale");
    party->customPhoto = solid(Qt::blue);
    db.updateCustomRecord(party);
    EXPECT_TRUE(party->daysUntilDate == 27 && party->detailedText.isNull())
        << "recomputed, and phrases follow the new date";
    EXPECT_EQ(db.records().back(), party);
    EXPECT_TRUE(listConsistent(db));
    EXPECT_FALSE(contains(db.recordDictionary().recordsFor(q("of")), party))
        << "the old name is no longer found";
    const QString partyPhoto = db.store().customPhotoFileName(q("PARTY"));
    EXPECT_EQ(QImage(partyPhoto).pixelColor(2, 2), QColor(Qt::blue));
    const OccasionRecordPtr stored = byID(data.storedEntries(), "PARTY");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->name, q("Zeta Gala"));
    const DateParts day = data.calendar.components(stored->rawDate);
    EXPECT_EQ(std::tuple(day.month, day.day, day.hour), std::tuple(4, 1, 12));
    EXPECT_EQ(data.calendar.components(party->rawDate).hour, 0);

    db.removeCustomRecord(pic);
    EXPECT_FALSE(QFileInfo::exists(picPhoto));
    EXPECT_FALSE(contains(db.records(), pic));
    EXPECT_TRUE(listConsistent(db));
    db.showHideCustom(false);
    ASSERT_TRUE(contains(db.holdoverRecords(), party));
    db.removeCustomRecord(party);
    EXPECT_FALSE(contains(db.holdoverRecords(), party));
    EXPECT_FALSE(QFileInfo::exists(partyPhoto));
    EXPECT_FALSE(byID(data.storedEntries(), "PIC") || byID(data.storedEntries(), "PARTY"));
    EXPECT_TRUE(byID(data.storedEntries(), "FIONA")) << "the other entries stay";
}

// Custom entries hidden and shown, the past days changed: one-time entries move between
// shown and held over as a reload would place them, and nothing is lost.
// The index is made when first asked for, from the records as they are then; from then
// on it follows every change, and a new load starts it afresh.
TEST(RecordDatabaseEntries, SearchIndexIsMadeOnFirstUseAndThenKeptInStep)
{
    Data data;
    const Typical t(data);
    RecordDatabase& db = data.load();
    auto early = entry(data.calendar, "EARLY", "Erin Early", 1999, 4, 1);
    db.addNewCustomRecord(early, true);
    EXPECT_TRUE(contains(db.recordDictionary().recordsFor(q("er")), early))
        << "added before the index was first used";
    EXPECT_TRUE(listConsistent(db));

    auto late = entry(data.calendar, "LATE", "Lou Late", 1999, 5, 1);
    db.addNewCustomRecord(late, true);
    EXPECT_TRUE(contains(db.recordDictionary().recordsFor(q("lo")), late));
    db.removeCustomRecord(early);
    EXPECT_FALSE(contains(db.recordDictionary().recordsFor(q("er")), early));
    EXPECT_TRUE(listConsistent(db));

    db.loadDatabase();
    EXPECT_FALSE(contains(db.recordDictionary().recordsFor(q("lo")), late))
        << "the loaded record is a new one";
    EXPECT_TRUE(listConsistent(db));
}

TEST(RecordDatabaseEntries, ShowHideAndReprocessMoveEntriesBothWays)
{
    Data data;
    data.addPerson("Anna", "Berg", QDate(1990, 3, 10));
    data.writeEntries({entry(data.calendar, "YEARLY", "Yearly Entry", 2000, 3, 9),
        entry(data.calendar, "SOON", "Soon Once", 2026, 4, 2, true),
        entry(data.calendar, "TRIP", "Trip Back", 2026, 2, 23, true),
        entry(data.calendar, "UNDATED", "Undated", 0, 0, 0, true)});
    RecordDatabase& db = data.load();
    const char* const atLoad = "Yearly Entry,Anna Berg,Soon Once";
    const char* const all = "Trip Back,Yearly Entry,Anna Berg,Soon Once";
    ASSERT_EQ(data.shown(), names(atLoad));
    const auto reprocess = [&](int pastDays, bool showCustom) {
        data.set(Key::PastDays, pastDays);
        data.set(Key::ShowCustom, showCustom);
        db.reprocessOneTimeEntries();
    };
    const std::vector<std::tuple<std::string, std::function<void()>, const char*>> steps {
        {"Hidden", [&] { db.showHideCustom(false); }, "Anna Berg"},
        {"ShownAgainPastAndUndatedStayHeld", [&] { db.showHideCustom(true); }, atLoad},
        {"TenPastDaysBringTheTripBack", [&] { reprocess(10, true); }, all},
        {"NineAreTooFew", [&] { reprocess(9, true); }, atLoad},
        {"CustomOffHoldsEveryOneTimeEntry", [&] { reprocess(10, false); },
            "Yearly Entry,Anna Berg"},
        {"CustomOnAgain", [&] { reprocess(10, true); }, all}};
    for (const auto& [name, step, shown] : steps) {
        SCOPED_TRACE(name);
        for (const OccasionRecordPtr& r : db.holdoverRecords())
            r->detailedText = q("old phrase");
        step();
        EXPECT_EQ(data.shown(), names(shown));
        EXPECT_TRUE(listConsistent(db));
        EXPECT_EQ(db.records().size() + db.holdoverRecords().size(), 5u);
        for (const OccasionRecordPtr& r : db.records()) {
            EXPECT_TRUE(r->detailedText.isNull()) << "rephrased when shown again: " << str(r->name);
            EXPECT_EQ(data.calendar.components(r->rawDate).hour, 0);
        }
    }
    db.writeStores();
    EXPECT_EQ(data.storedEntries().size(), 4u);
}

// ---- Notes -----------------------------------------------------------------------------------

TEST(RecordDatabaseNotes, KeyedByRecordIDOrCustomIDAndWrittenWhenNotEmpty)
{
    Data data;
    const Typical t(data);
    RecordDatabase& db = data.load();
    EXPECT_EQ(db.getNotesForRecordID(t.ben), q(""));
    EXPECT_FALSE(db.getNotesForRecordID(t.ben).isNull());

    db.setNotes(q("prefers coffee"), t.anna);
    db.setNotes(q("call first"), t.ben);
    db.setNotesForFacebook(q("met in Rome"), q("FIONA"));
    db.setNotesForHoliday(q("bring cake"), q("DE_ostern"));
    // An empty customID or the id -1 never reaches the other kind's notes.
    db.setNotesForFacebook(q("overwritten?"), QString());
    db.setNotesForHoliday(q("overwritten?"), q(""));
    db.setNotes(q("overwritten?"), -1);
    EXPECT_EQ(std::pair(db.getNotesForFacebook(QString()), db.getNotesForRecordID(-1)),
        std::pair(q(""), q("")));
    EXPECT_EQ(std::pair(db.getNotesForRecordID(t.anna), db.getNotesForRecordID(t.ben)),
        std::pair(q("prefers coffee"), q("call first")));
    EXPECT_EQ(db.getNotesForFacebook(q("DE_ostern")), q("bring cake"))
        << "one store for Facebook and holidays";
    EXPECT_EQ(db.abMetadataRecords().size(), 4u) << "an update changes the entry, it adds none";

    db.setNotes(QString(), t.ben); // cleared: not written any more
    db.writeStores();
    RecordDatabase& again = data.reload();
    EXPECT_EQ(std::pair(again.getNotesForRecordID(t.anna), again.getNotesForRecordID(t.ben)),
        std::pair(q("prefers coffee"), q("")));
    EXPECT_EQ(
        std::pair(again.getNotesForFacebook(q("FIONA")), again.getNotesForHoliday(q("DE_ostern"))),
        std::pair(q("met in Rome"), q("bring cake")));
    EXPECT_EQ(again.abMetadataRecords().size(), 3u);
}

enum class Source { Listed, Custom, Holiday };

struct OccasionNotesRow {
    std::string name;
    int addressBookNotes;
    Source source;
    const char* text; // the listed birthday's name, or the custom entry's own notes
    const char* expected;
    bool contactGone = false;
};

class RecordDatabaseOccasionNotes : public ::testing::TestWithParam<OccasionNotesRow> { };

TEST_P(RecordDatabaseOccasionNotes, ChoosesTheStoreByTheRecord)
{
    const OccasionNotesRow& row = GetParam();
    Data data;
    const Typical t(data);
    data.edit(t.anna, [](Person& p) { p.note = q("  \n  from the card \t\n"); });
    data.writeNotes({note(t.anna, "", "likes tea"), note(-1, "FIONA", "met in Rome"),
        note(-1, "DE_ostern", "bring cake")});
    data.set(Key::AddressBookNotes, row.addressBookNotes);
    data.set(Key::ShowFacebook, true);
    RecordDatabase& db = data.load();
    OccasionRecordPtr record = row.source == Source::Listed
        ? data.named(row.text, OccasionRecord::Birthday)
        : entry(data.calendar, "X", "X", 2000, 1, 1);
    ASSERT_TRUE(record);
    if (row.source == Source::Custom && *row.text)
        record->notes = q(row.text);
    if (row.source == Source::Holiday)
        std::tie(record->isCustomEntry, record->isHoliday, record->type, record->customID) =
            std::tuple(false, true, OccasionRecord::Holiday, q("DE_ostern"));
    if (row.contactGone)
        data.removePerson(t.anna);
    const QString notes = db.getNotesForOccasionRecord(*record);
    EXPECT_EQ(notes, q(row.expected));
    EXPECT_FALSE(notes.isNull());
}

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabaseOccasionNotes,
    ::testing::Values(
        OccasionNotesRow {"CustomEntryOwnNotes", 0, Source::Custom, " own text ", " own text "},
        OccasionNotesRow {"CustomEntryWithoutNotes", 0, Source::Custom, "", ""},
        OccasionNotesRow {
            "FacebookEntryEvenWithBookNotes", 1, Source::Listed, "Fiona Fox", "met in Rome"},
        OccasionNotesRow {"Holiday", 0, Source::Holiday, "", "bring cake"},
        OccasionNotesRow {"ContactFromMetadata", 0, Source::Listed, "Anna Berg", "likes tea"},
        OccasionNotesRow {
            "ContactFromTheBookTrimmed", 1, Source::Listed, "Anna Berg", "from the card"},
        OccasionNotesRow {"ContactWithoutNoteInTheBook", 1, Source::Listed, "Ben Cole", ""},
        OccasionNotesRow {"ContactGoneFromTheBook", 1, Source::Listed, "Anna Berg", "", true}),
    test::RowName());

// ---- Dates: recompute, badge, caches ---------------------------------------------------------

// Dora's birthday is today, Ben's tomorrow; Anna in 5 days, the office party in 3.
struct Week {
    explicit Week(Data& data) : t(data) { data.addPerson("Dora", "Diaz", QDate(1970, 3, 5)); }
    Typical t;
};

// After midnight Ben's birthday is today and Dora's is past: it moves to next year, or
// stays listed as belated while the past days keep it.
TEST(RecordDatabaseDates, UpdateDatabaseRecomputesAndResortsAfterTheClockMoves)
{
    Data data;
    const Week w(data);
    RecordDatabase& db = data.load();
    const OccasionRecordPtr dora = db.records().front();
    const OccasionRecordPtr ben = data.named("Ben Cole", OccasionRecord::Birthday);
    ASSERT_EQ(dora->name, q("Dora Diaz"));
    EXPECT_EQ(std::pair(dora->daysUntilDate, ben->daysUntilDate), std::pair(0, 1));

    data.clock.set(test::utc("2026-03-05T23:30:00Z")); // 00:30 on Friday in Berlin
    for (const auto& [pastDays, first, doraDays, doraYear] :
        {std::tuple(0, "Ben Cole", 364, 2027), std::tuple(3, "Dora Diaz", -1, 2026)}) {
        SCOPED_TRACE(pastDays);
        data.set(Key::PastDays, pastDays);
        db.updateDatabase();
        EXPECT_TRUE(ben->daysUntilDate == 0 && ben->isUpcoming);
        EXPECT_EQ(std::tuple(dora->daysUntilDate, dora->isBelated,
                      data.calendar.components(dora->sortDate).year),
            std::tuple(doraDays, doraDays < 0, doraYear));
        EXPECT_EQ(db.records().front()->name, q(first));
        EXPECT_TRUE(listConsistent(db));
        // Ben today, the party in 2 days, Anna in 4; the anniversary (14 days) has its alerts off.
        EXPECT_EQ(db.calculateUpcoming(), 3);
    }
}

// The count's rules are the calculator's (OccasionCalculatorTest); the database counts its
// shown records with the settings of the moment, and the count refreshes the flags.
TEST(RecordDatabaseDates, BadgeCountTakesTheSettingsOfTheMoment)
{
    Data data;
    const Week w(data);
    data.load();
    // Dora today, Ben tomorrow, the party in 3 days, Anna in 5; Ben's anniversary in 15 days
    // is outside the window (and its alerts are off).
    EXPECT_EQ(data.db().calculateUpcoming(), 4);
    const OccasionRecordPtr wedding = data.named("Ben Cole", OccasionRecord::Anniversary);
    EXPECT_FALSE(wedding->isUpcoming);
    data.set(Key::UpcomingWindow, 20);
    wedding->alertsOff = false;
    EXPECT_EQ(data.db().calculateUpcoming(), 5);
    EXPECT_TRUE(wedding->isUpcoming);
}

// Each flush clears its own cache only; the photo flush also renews the main-thread book
// handle, dropping an unsaved change on it.
TEST(RecordDatabaseDates, FlushesClearOnlyTheirOwnCaches)
{
    Data data;
    const Week w(data);
    RecordDatabase& db = data.load();
    const auto fill = [&] {
        for (const OccasionRecordPtr& r : db.records()) {
            r->detailedText = r->detailedTextSansType = r->dateText = q("Mar 5");
            r->photo = solid(Qt::green);
            r->abPhoto = r->cPhoto = OccasionRecord::PhotoPresent;
        }
    };
    fill();
    db.flushDetailStrings();
    for (const OccasionRecordPtr& r : db.records())
        EXPECT_EQ(std::tuple(r->detailedText.isNull(), r->detailedTextSansType.isNull(),
                      r->dateText, r->photo.isNull()),
            std::tuple(true, true, q("Mar 5"), false));
    ASSERT_NE(db.mainThreadAddressBook()->addPerson(Person()), -1);
    fill();
    db.flushRoundedPhotos();
    for (const OccasionRecordPtr& r : db.records())
        EXPECT_EQ(std::tuple(r->photo.isNull(), r->abPhoto, r->cPhoto, r->detailedText.isNull()),
            std::tuple(true, int(OccasionRecord::PhotoNotLookedUp),
                int(OccasionRecord::PhotoNotLookedUp), false));
    EXPECT_EQ(db.mainThreadAddressBook()->personCount(), 3);
}

// Day counts and dates of a load agree with the calendar's own arithmetic in zones with
// daylight saving at midnight, odd offsets and days skipped at the date line.
struct ZoneDayRow {
    std::string name;
    QString zone;
    const char* now;
};

class RecordDatabaseZoneDays : public ::testing::TestWithParam<ZoneDayRow> { };

TEST_P(RecordDatabaseZoneDays, DayCountsAgreeWithTheCalendar)
{
    Data data(GetParam().zone, GetParam().now);
    data.set(Key::PastDays, 25000); // keeps one-time entries of decades ago listed
    // Samoa skipped 30 December 2011 (Kiritimati 31 December 1994); European, southern and
    // Santiago changes; leap days; antiquity and the far future.
    const std::vector<std::tuple<int, int, int, bool>> days {{2011, 12, 29, true},
        {2011, 12, 30, true}, {2011, 12, 31, true}, {1994, 12, 31, true}, {1995, 1, 1, true},
        {2026, 3, 29, false}, {2026, 10, 25, false}, {2026, 4, 5, false}, {2026, 9, 6, false},
        {2026, 11, 1, false}, {1980, 2, 29, false}, {2000, 2, 29, false}, {1604, 2, 29, false},
        {5, 6, 7, false}, {1, 1, 1, false}, {2400, 2, 29, false}, {2099, 12, 31, false},
        {1970, 1, 1, false}, {1969, 12, 31, true}, {2026, 1, 1, false}, {2025, 12, 31, false}};
    Records entries;
    for (const auto& [y, m, d, once] : days) {
        const QByteArray id = QByteArray::number(int(entries.size()));
        entries.push_back(
            entry(data.calendar, id.constData(), ("Day " + id).constData(), y, m, d, once));
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
        EXPECT_EQ(r->daysUntilDate, data.calendar.calendarDaysBetween(todayStart, r->sortDate))
            << "calendar days, not hours";
        if (!(raw.month == 2 && raw.day == 29) && sort.day == raw.day) {
            EXPECT_EQ(sort.month, raw.month);
        }
    }
}

std::vector<ZoneDayRow> zoneDayRows()
{
    std::vector<ZoneDayRow> rows;
    for (const char* zone : {"Europe/Berlin", "Pacific/Auckland", "Pacific/Apia",
             "America/Santiago", "Australia/Lord_Howe", "Asia/Kathmandu", "Nowhere/Atlantis"}) {
        std::string name = zone;
        name.erase(0, name.find('/') + 1);
        name.erase(std::remove(name.begin(), name.end(), '_'), name.end());
        rows.push_back({name + "March", q(zone), Now});
        rows.push_back({name + "NewYear", q(zone), "2026-01-01T11:00:00Z"});
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(
    RecordDatabase, RecordDatabaseZoneDays, ::testing::ValuesIn(zoneDayRows()), test::RowName());

// A contact's record recomputes every date of that contact; a custom entry only itself.
TEST(RecordDatabaseDates, RecomputingOneRecordCoversItsContact)
{
    Data data;
    const Week w(data);
    RecordDatabase& db = data.load();
    for (const OccasionRecordPtr& r : db.records())
        r->detailedText = q("old phrase");
    const OccasionRecordPtr benBirthday = data.named("Ben Cole", OccasionRecord::Birthday);
    const OccasionRecordPtr benWedding = data.named("Ben Cole", OccasionRecord::Anniversary);
    benWedding->ignoreYear = true;
    benWedding->rawDate =
        data.calendar.date(2030, 3, 20); // a future year: kept unless the year is ignored
    db.calculateDataInArrayForRecord(benBirthday);
    EXPECT_EQ(data.calendar.components(benWedding->sortDate).year, 2026)
        << "the other date of the contact follows";
    EXPECT_TRUE(benWedding->detailedText.isNull() && benBirthday->detailedText.isNull());
    EXPECT_EQ(data.named("Anna Berg")->detailedText, q("old phrase"));

    const OccasionRecordPtr party = data.named("Office Party");
    db.calculateDataInArrayForRecord(party);
    EXPECT_TRUE(party->detailedText.isNull());
    EXPECT_EQ(data.named("Dora Diaz")->detailedText, q("old phrase"));
}

// ---- Photo state and placeholders ------------------------------------------------------------

enum class PhotoOf { WithPicture, WithoutPicture, Gone, CustomWithContactID, Friend };

struct PhotoTypeRow {
    std::string name;
    PhotoOf record;
    int expected;
};

class RecordDatabasePhotoType : public ::testing::TestWithParam<PhotoTypeRow> { };

TEST_P(RecordDatabasePhotoType, LooksUpTheContactsPicture)
{
    Data data;
    const std::int32_t withImage = data.addPerson("Ida", "Image", QDate(1990, 1, 1));
    ASSERT_TRUE(
        data.book->setImageData(withImage, SyntheticContacts::photo(3)) && data.book->save());
    data.addPerson("Noah", "Plain", QDate(1990, 1, 2));
    data.load();
    const PhotoOf kind = GetParam().record;
    OccasionRecordPtr record =
        data.named(kind == PhotoOf::WithoutPicture ? "Noah Plain" : "Ida Image");
    if (kind == PhotoOf::Gone)
        data.removePerson(withImage);
    if (kind == PhotoOf::CustomWithContactID) {
        record = entry(data.calendar, "C", "C", 2000, 1, 1);
        record->recordID = withImage;
    }
    if (kind == PhotoOf::Friend)
        record = friendEntry(data.calendar, "F", "F", "G", 2000, 1, 1);
    data.db().populateABPhotoType(*record);
    EXPECT_EQ(record->abPhoto, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabasePhotoType,
    ::testing::Values(
        PhotoTypeRow {"ContactWithPicture", PhotoOf::WithPicture, OccasionRecord::PhotoPresent},
        PhotoTypeRow {
            "ContactWithoutPicture", PhotoOf::WithoutPicture, OccasionRecord::PhotoAbsent},
        PhotoTypeRow {"ContactGone", PhotoOf::Gone, OccasionRecord::PhotoAbsent},
        PhotoTypeRow {"CustomEntryEvenWithAContactsID", PhotoOf::CustomWithContactID,
            OccasionRecord::PhotoAbsent},
        PhotoTypeRow {"FacebookEntry", PhotoOf::Friend, OccasionRecord::PhotoAbsent}),
    test::RowName());

enum class Kind { Contact, Linked, Custom, Facebook, Holiday };
enum class Pic { Absent, Own, Present, NotLookedUp }; // own picture, else the looked-up state

struct BlankRow {
    std::string name;
    Kind kind;
    bool facebookMark, contactMark; // "827B", "0977"
    Pic pic;
    bool showFacebook;
    const char* suffix; // after "BlankPhoto_<size>"; null: no placeholder
    bool largeRows = false;
};

class RecordDatabaseBlankImage : public ::testing::TestWithParam<BlankRow> { };

TEST_P(RecordDatabaseBlankImage, PlaceholderByKindAndMarks)
{
    const BlankRow& row = GetParam();
    Data data;
    data.set(Key::FacebookPhotoMark, row.facebookMark);
    data.set(Key::ContactPhotoMark, row.contactMark);
    data.set(Key::LargeRows, row.largeRows);
    data.set(Key::ShowFacebook, row.showFacebook);
    OccasionRecord r;
    const bool contact = row.kind == Kind::Contact || row.kind == Kind::Linked;
    std::tie(r.isCustomEntry, r.isFacebookEntry, r.isHoliday) =
        std::tuple(row.kind == Kind::Custom, row.kind == Kind::Facebook, row.kind == Kind::Holiday);
    r.type = r.isHoliday ? OccasionRecord::Holiday : OccasionRecord::Birthday;
    r.recordID = contact ? 5 : -1;
    r.facebookLinkID = row.kind == Kind::Linked ? q("FB1") : QString();
    const int states[] = {OccasionRecord::PhotoAbsent, OccasionRecord::PhotoAbsent,
        OccasionRecord::PhotoPresent, OccasionRecord::PhotoNotLookedUp};
    (contact ? r.abPhoto : r.cPhoto) = states[int(row.pic)];
    r.photo = row.pic == Pic::Own ? solid(Qt::red) : QImage();
    const QString size = row.largeRows ? q("Medium") : q("Small");
    EXPECT_EQ(data.db().setBlankImageForRecord(r),
        row.suffix ? QStringLiteral("BlankPhoto_%1%2.png").arg(size, q(row.suffix)) : QString());
}

std::vector<BlankRow> blankRows()
{
    const std::vector<BlankRow> table {
        {"ContactNoMarkFacebookMarkOn", Kind::Contact, true, false, Pic::Absent, true, ""},
        {"ContactMark", Kind::Contact, false, true, Pic::Absent, true, "Contact"},
        {"CustomBothMarks", Kind::Custom, true, true, Pic::Absent, true, ""},
        {"LinkedNoMarks", Kind::Linked, false, false, Pic::Absent, true, ""},
        {"LinkedContactMarkOnly", Kind::Linked, false, true, Pic::Absent, true, "Contact"},
        {"LinkedFacebookMarkOnly", Kind::Linked, true, false, Pic::Absent, true, "_Facebook"},
        {"LinkedBothMarks", Kind::Linked, true, true, Pic::Absent, true, "_FacebookContact"},
        {"LinkWhileFacebookHiddenIsAPlainContact", Kind::Linked, true, true, Pic::Absent, false,
            "Contact"},
        {"FacebookMarkOn", Kind::Facebook, true, true, Pic::Absent, true, "_Facebook"},
        {"FacebookMarkOff", Kind::Facebook, false, true, Pic::Absent, true, ""},
        {"Holiday", Kind::Holiday, true, true, Pic::Absent, true, nullptr},
        // No placeholder: the record has a picture, or its picture was not looked up yet.
        {"ContactWithPhoto", Kind::Contact, false, false, Pic::Own, true, nullptr},
        {"CustomWithPhoto", Kind::Custom, false, false, Pic::Own, true, nullptr},
        {"ContactPictureInTheBook", Kind::Contact, false, false, Pic::Present, true, nullptr},
        {"CustomPhotoFilePresent", Kind::Custom, false, false, Pic::Present, true, nullptr},
        {"ContactNotLookedUp", Kind::Contact, false, false, Pic::NotLookedUp, true, nullptr},
        {"FacebookNotLookedUp", Kind::Facebook, true, false, Pic::NotLookedUp, true, nullptr},
        // The row size only names the file.
        {"LinkedBothMarksLargeRows", Kind::Linked, true, true, Pic::Absent, true,
            "_FacebookContact", true}};
    return table;
}

INSTANTIATE_TEST_SUITE_P(
    RecordDatabase, RecordDatabaseBlankImage, ::testing::ValuesIn(blankRows()), test::RowName());

// ---- Contacts changed in the book ----------------------------------------------------------

using Choices = std::tuple<bool, bool, bool>;

Choices choicesOf(const OccasionRecordPtr& r)
{
    return {r->ignoreForUpcoming, r->alertsOff, r->ignoreYear};
}

// Anna with a birthday, an anniversary and a name day, each with a choice of the user;
// Ben as a bystander whose records must stay untouched.
struct Anna {
    const QString nameDay = q("Name day");
    std::int32_t anna = -1, ben = -1;
    OccasionRecordPtr birthday, wedding, benBirthday;

    explicit Anna(Data& data)
    {
        anna = data.addPerson("Anna", "Berg", QDate(1990, 3, 10),
            {{AnniversaryLabel, QDate(2015, 6, 20)}, {nameDay, QDate(2000, 7, 26)}});
        ben = data.addPerson("Ben", "Cole", QDate(1985, 3, 6));
    }
    void loaded(Data& data)
    {
        birthday = data.find(anna, OccasionRecord::Birthday);
        wedding = data.find(anna, OccasionRecord::Anniversary, AnniversaryLabel);
        const OccasionRecordPtr day = data.find(anna, OccasionRecord::OtherDate, nameDay);
        benBirthday = data.find(ben, OccasionRecord::Birthday);
        ASSERT_TRUE(birthday && wedding && day && benBirthday);
        birthday->ignoreForUpcoming = true;
        wedding->alertsOff = true;
        day->ignoreYear = true;
    }
};

struct ChangeRow {
    std::string name;
    std::function<void(Person&)> edit; // null: the screen was closed without edits
    bool changed;
    bool askAboutBirthday = false; // else about the anniversary
    bool rebuild = false;          // updateAddressBookRecord instead of the change check
};

class RecordDatabaseChangeCheck : public ::testing::TestWithParam<ChangeRow> { };

// The contact's records follow the book: replaced exactly when something shown changed,
// each choice carried to the date of the same type and label (a rebuild: and the same
// day) and stored with it.
TEST_P(RecordDatabaseChangeCheck, ListsExactlyTheContactsCurrentDatesAndCarriesChoices)
{
    const ChangeRow& row = GetParam();
    Data data;
    Anna a(data);
    RecordDatabase& db = data.load();
    a.loaded(data);
    const Records before = data.of(a.anna);
    if (row.edit)
        data.edit(a.anna, row.edit);

    const OccasionRecordPtr asked = row.askAboutBirthday ? a.birthday : a.wedding;
    OccasionRecordPtr added, found;
    if (row.rebuild)
        db.updateAddressBookRecord(a.anna);
    else
        EXPECT_EQ(db.hasRecordBeenUpdatedInAddressBook(asked, &added, &found), row.changed);
    EXPECT_EQ(data.occasionsOf(a.anna), data.occasionsInBook(a.anna));
    EXPECT_TRUE(contains(db.records(), a.benBirthday))
        << "another contact's records stay as they are";
    EXPECT_TRUE(listConsistent(db));
    const auto person = data.book->person(a.anna);
    const OccasionRecordPtr sameKind = data.find(a.anna, asked->type, asked->otherDateLabel);
    OccasionRecordPtr expectedAdded;
    std::vector<std::pair<Occasion, Choices>> choices;
    for (const OccasionRecordPtr& r : data.of(a.anna)) {
        SCOPED_TRACE(str(r->otherDateLabel));
        EXPECT_EQ(contains(before, r), !row.changed);
        EXPECT_EQ(r->name, person->firstName + u' ' + person->lastName);
        EXPECT_EQ(r->daysUntilDate,
            data.calendar.calendarDaysBetween(data.calendar.date(2026, 3, 5), r->sortDate));
        const auto old =
            std::find_if(before.begin(), before.end(), [&](const OccasionRecordPtr& o) {
                return o->type == r->type && o->otherDateLabel == r->otherDateLabel &&
                    (!row.rebuild || data.occasion(o) == data.occasion(r));
            });
        EXPECT_EQ(choicesOf(r), old != before.end() ? choicesOf(*old) : Choices {});
        if ((old == before.end() || data.occasion(*old) != data.occasion(r)) && r != sameKind)
            expectedAdded = r;
        choices.push_back({data.occasion(r), choicesOf(r)});
    }
    if (!row.rebuild) {
        EXPECT_EQ(found, sameKind) << "the listed record of the asked type and label";
        EXPECT_EQ(added, expectedAdded);
    }
    // The contact list used for Facebook matching has the current name.
    const OccasionRecordPtr entry = firstMatch(
        db.allContacts(), [&](const OccasionRecordPtr& c) { return c->recordID == a.anna; });
    ASSERT_TRUE(entry);
    EXPECT_EQ(std::pair(entry->firstName, entry->lastName),
        std::pair(person->firstName, person->lastName));

    db.writeStores();
    data.reload();
    for (const auto& [occasion, choice] : choices) {
        SCOPED_TRACE(str(std::get<2>(occasion)));
        const OccasionRecordPtr again =
            data.find(a.anna, std::get<0>(occasion), std::get<2>(occasion));
        ASSERT_TRUE(again);
        EXPECT_EQ(choicesOf(again), choice) << "stored with the date it now belongs to";
    }
}

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabaseChangeCheck,
    ::testing::Values(ChangeRow {"ClosedWithoutEdits", nullptr, false},
        ChangeRow {"ClosedWithoutEditsAskingAboutTheBirthday", nullptr, false, true},
        ChangeRow {"NoteChanged", [](Person& p) { p.note = q("new note"); }, false},
        ChangeRow {"HiddenMiddleNameChanged", [](Person& p) { p.middleName = q("Maria"); }, false},
        ChangeRow {"Renamed", [](Person& p) { p.lastName = q("Lind"); }, true},
        ChangeRow {"AnniversaryMovedKeepsItsChoice",
            [](Person& p) { p.dates[0].value = QDate(2016, 3, 12); }, true},
        ChangeRow {"DateAddedIsTheNewRecord",
            [](Person& p) {
                p.dates.push_back({q("Graduation"), QDate(2012, 5, 5)});
            },
            true, true},
        ChangeRow {"DateRemoved", [](Person& p) { p.dates.erase(p.dates.begin() + 1); }, true},
        ChangeRow {"LabelChanged", [](Person& p) { p.dates[1].label = q("Saint's day"); }, true},
        ChangeRow {"BirthdayRemoved", [](Person& p) { p.birthday = QDate(); }, true},
        ChangeRow {"EverythingRemoved",
            [](Person& p) {
                p.birthday = QDate();
                p.dates.clear();
            },
            true},
        ChangeRow {"RebuildKeepsChoicesOnlyOnTheSameDay",
            [](Person& p) {
                p.dates[0].value = QDate(2016, 3, 12);
                p.firstName = q("Annika");
            },
            true, false, true}),
    test::RowName());

// A deleted contact is no contact any more once rebuilt; one without name and dates is
// still a contact, with an empty (not null) name.
TEST(RecordDatabaseChangeTracking, DeletedContactReportsAChangeAndTheRebuildRemovesIt)
{
    Data data;
    Anna a(data);
    const std::int32_t nameless = data.addPerson("", "");
    RecordDatabase& db = data.load();
    a.loaded(data);
    EXPECT_TRUE(db.checkForRecordWithID(nameless));
    EXPECT_EQ(db.nameStringForRecordID(nameless), q(""));
    data.removePerson(a.anna);

    EXPECT_TRUE(db.hasRecordBeenUpdatedInAddressBook(a.birthday, nullptr, nullptr));
    EXPECT_EQ(data.of(a.anna).size(), 3u) << "the change check itself leaves the records";
    db.updateAddressBookRecord(a.anna);
    EXPECT_TRUE(data.of(a.anna).empty());
    EXPECT_TRUE(listConsistent(db));
    EXPECT_EQ(std::pair(db.checkForRecordWithID(a.anna), db.checkForRecordWithID(a.ben)),
        std::pair(false, true));
    EXPECT_TRUE(db.nameStringForRecordID(a.anna).isNull());
    EXPECT_TRUE(contains(db.records(), a.benBirthday));
}

// A contact linked to a Facebook friend loses its only birthday: the link goes, and the
// friend's birthday does not come back as a phantom, now or after a reload. A birthday
// that only moves keeps the link.
struct LinkRow {
    std::string name;
    bool viaListDelete; // removeDateFromAddressBookRecord, else an edit in the contact screen
    QDate newBirthday;  // invalid: removed
};

class RecordDatabaseLinkedBirthday : public ::testing::TestWithParam<LinkRow> { };

TEST_P(RecordDatabaseLinkedBirthday, TheLinkGoesOnlyWithTheBirthday)
{
    const LinkRow& row = GetParam();
    const bool kept = row.newBirthday.isValid();
    Data data;
    Anna a(data);
    const std::int32_t carl = data.addPerson("Carl", "Dahl");
    // The friends' birthdays differ from the contacts', so a phantom would show.
    data.writeEntries({friendEntry(data.calendar, "FB1", "Friend", "One", 1990, 4, 1, a.anna),
        friendEntry(data.calendar, "FB2", "Friend", "Two", 1991, 5, 2, carl)});
    data.set(Key::ShowFacebook, true);
    RecordDatabase& db = data.load();
    a.loaded(data);
    ASSERT_TRUE(a.birthday->facebookLinkID == q("FB1") && !a.birthday->isPhantomBirthday);
    const OccasionRecordPtr carlPhantom = data.find(carl, OccasionRecord::Birthday);
    ASSERT_TRUE(carlPhantom && carlPhantom->isPhantomBirthday)
        << "a linked contact without birthday shows the friend's";

    if (row.viaListDelete) {
        db.removeDateFromAddressBookRecord(a.birthday);
    } else {
        data.edit(a.anna, [&](Person& p) { p.birthday = row.newBirthday; });
        EXPECT_TRUE(db.hasRecordBeenUpdatedInAddressBook(a.birthday, nullptr, nullptr));
    }
    EXPECT_EQ(data.book->person(a.anna)->birthday, row.newBirthday);
    const OccasionRecordPtr birthday = data.find(a.anna, OccasionRecord::Birthday);
    ASSERT_EQ(birthday != nullptr, kept) << "no phantom birthday";
    EXPECT_TRUE(!birthday ||
        (std::get<1>(data.occasion(birthday)) == row.newBirthday && !birthday->isPhantomBirthday));
    EXPECT_EQ(data.of(a.anna).size(), kept ? 3u : 2u);
    for (const OccasionRecordPtr& r : data.of(a.anna))
        EXPECT_EQ(r->facebookLinkID, kept ? q("FB1") : QString()) << "every date of the contact";
    EXPECT_TRUE(data.find(a.anna, OccasionRecord::Anniversary, AnniversaryLabel)->alertsOff)
        << "other choices stay";
    EXPECT_TRUE(contains(db.records(), carlPhantom)) << "another contact's link stays";
    for (const OccasionRecordPtr& link : db.facebookLinkRecords())
        EXPECT_EQ(link->facebookToContactID,
            link->customID == q("FB2") ? carl
                : kept                 ? a.anna
                                       : -1);

    db.writeStores();
    data.reload();
    EXPECT_EQ(data.find(a.anna, OccasionRecord::Birthday) != nullptr, kept)
        << "still no phantom after a reload";
    const OccasionRecordPtr carlAgain = data.find(carl, OccasionRecord::Birthday);
    ASSERT_TRUE(carlAgain);
    EXPECT_TRUE(carlAgain->isPhantomBirthday && carlAgain->facebookLinkID == q("FB2"));
}

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabaseLinkedBirthday,
    ::testing::Values(LinkRow {"RemovedInTheContactScreen", false, QDate()},
        LinkRow {"RemovedFromTheList", true, QDate()},
        LinkRow {"MovedInTheContactScreen", false, QDate(1990, 3, 11)}),
    test::RowName());

TEST(RecordDatabaseRebuild, NewContactIsListedIndexedAndKnownOnce)
{
    Data data;
    Anna a(data);
    RecordDatabase& db = data.load();
    const std::int32_t dora =
        data.addPerson("Dora", "Diaz", QDate(1970, 3, 5), {{AnniversaryLabel, QDate(1999, 3, 7)}});
    EXPECT_FALSE(db.checkForRecordWithID(dora));
    for (int told = 0; told < 2;
         ++told) { // told again: still one set of records and one contact entry
        SCOPED_TRACE(told);
        db.addNewAddressBookRecord(dora);
        ASSERT_EQ(data.of(dora).size(), 2u);
        EXPECT_EQ(std::pair(db.records().front()->name, db.records().front()->daysUntilDate),
            std::pair(q("Dora Diaz"), 0));
        EXPECT_TRUE(listConsistent(db));
        EXPECT_TRUE(db.checkForRecordWithID(dora));
        EXPECT_EQ(std::count_if(db.allContacts().begin(), db.allContacts().end(),
                      [&](const OccasionRecordPtr& c) { return c->recordID == dora; }),
            1);
    }
    db.addNewAddressBookRecord(9999); // a contact that is gone is not added
    EXPECT_TRUE(data.of(9999).empty());
}

struct RemoveRow {
    std::string name;
    QDate birthday;
    std::vector<Labeled<QDate>> dates;
    Occasion remove; // the record's label is ContactLabel::Unlabelled for an unlabelled value
    std::vector<Labeled<QDate>> keptDates;
};

class RecordDatabaseRemoveDate : public ::testing::TestWithParam<RemoveRow> { };

TEST_P(RecordDatabaseRemoveDate, RemovesOnlyTheValueOfThatDayAndLabel)
{
    const RemoveRow& row = GetParam();
    Data data;
    const std::int32_t id = data.addPerson("Eva", "Eck", row.birthday, row.dates);
    RecordDatabase& db = data.load();
    OccasionRecordPtr target;
    for (const OccasionRecordPtr& r : data.of(id)) {
        r->alertsOff = true; // every date carries a choice; the kept ones must keep it
        if (data.occasion(r) == row.remove && !target)
            target = r;
    }
    ASSERT_TRUE(target) << "no record to remove";
    const std::size_t before = data.of(id).size();

    db.removeDateFromAddressBookRecord(target);
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    EXPECT_FALSE(data.book->person(id)->birthday.isValid());
    EXPECT_EQ(data.book->person(id)->dates, row.keptDates);
    EXPECT_EQ(data.of(id).size(), before - 1);
    EXPECT_EQ(data.occasionsOf(id), data.occasionsInBook(id));
    EXPECT_TRUE(listConsistent(db));
    for (const OccasionRecordPtr& r : data.of(id))
        EXPECT_TRUE(r->alertsOff) << "choices of the remaining dates stay";
}

const QString NameDay = q("Name day");
const QDate May1(2000, 5, 1);
const QDate Sep9(2000, 9, 9);
const int Other = OccasionRecord::OtherDate;

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabaseRemoveDate,
    ::testing::Values(RemoveRow {"SameLabelSecondValue", {}, {{NameDay, May1}, {NameDay, Sep9}},
                          {Other, Sep9, NameDay}, {{NameDay, May1}}},
        RemoveRow {"SameLabelFirstValue", {}, {{NameDay, May1}, {NameDay, Sep9}},
            {Other, May1, NameDay}, {{NameDay, Sep9}}},
        RemoveRow {"SameDaySameLabelTwiceRemovesOne", {}, {{NameDay, May1}, {NameDay, May1}},
            {Other, May1, NameDay}, {{NameDay, May1}}},
        RemoveRow {"SameDayOtherLabelStays", {}, {{q("Party"), May1}, {NameDay, May1}},
            {Other, May1, NameDay}, {{q("Party"), May1}}},
        RemoveRow {"UnlabelledValuesKeepNoLabel", {}, {{QString(), May1}, {QString(), Sep9}},
            {Other, Sep9, QString(ContactLabel::Unlabelled)}, {{QString(), May1}}},
        RemoveRow {"TwoAnniversaries", {}, {{AnniversaryLabel, May1}, {AnniversaryLabel, Sep9}},
            {OccasionRecord::Anniversary, May1, AnniversaryLabel}, {{AnniversaryLabel, Sep9}}},
        RemoveRow {"ValueWithoutYearBesideTheSameDayWithYear", {},
            {{NameDay, QDate(1604, 12, 24)}, {NameDay, QDate(2000, 12, 24)}},
            {Other, QDate(1604, 12, 24), NameDay}, {{NameDay, QDate(2000, 12, 24)}}},
        RemoveRow {"Birthday", QDate(1990, 3, 10), {{NameDay, May1}},
            {OccasionRecord::Birthday, QDate(1990, 3, 10), q("")}, {{NameDay, May1}}}),
    test::RowName());

// New dates are written with their labels (an unlabelled other date as "Other"), and each
// carries its ignore-year choice, kept with the stores across a reload.
TEST(RecordDatabaseAddDates, WritesTheDatesWithTheirLabelsAndCarriesTheIgnoreYearChoice)
{
    Data data;
    const QString graduation = q("Graduation");
    const QString other = QString(ContactLabel::Other);
    const std::int32_t id = data.addPerson("Finn", "Falk", {}, {{graduation, QDate(2005, 6, 15)}});
    RecordDatabase& db = data.load();
    EXPECT_TRUE(db.addDatesToAddressBookRecord(id,
        {{OccasionRecord::Birthday, QDate(1604, 2, 29), QString(), true},
            {OccasionRecord::Anniversary, QDate(2012, 8, 8), QString(), false},
            {OccasionRecord::OtherDate, QDate(2010, 6, 15), graduation, true},
            {OccasionRecord::OtherDate, QDate(2011, 1, 1), QString(), true}}));
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    EXPECT_EQ(data.book->person(id)->birthday, QDate(1604, 2, 29));
    EXPECT_EQ(data.book->person(id)->dates,
        (std::vector<Labeled<QDate>> {{graduation, QDate(2005, 6, 15)},
            {AnniversaryLabel, QDate(2012, 8, 8)}, {graduation, QDate(2010, 6, 15)},
            {other, QDate(2011, 1, 1)}}));
    EXPECT_TRUE(listConsistent(db));
    const std::vector<std::pair<Occasion, bool>> expected {
        {{OccasionRecord::Birthday, QDate(1604, 2, 29), q("")}, true},
        {{OccasionRecord::Anniversary, QDate(2012, 8, 8), AnniversaryLabel}, false},
        {{Other, QDate(2010, 6, 15), graduation}, true},
        {{Other, QDate(2005, 6, 15), graduation}, false},
        {{Other, QDate(2011, 1, 1), other}, true}};
    for (const bool reloaded : {false, true}) {
        if (reloaded) {
            db.writeStores();
            data.reload();
        }
        std::vector<std::pair<Occasion, bool>> got;
        for (const OccasionRecordPtr& r : data.of(id))
            got.push_back({data.occasion(r), r->ignoreYear});
        EXPECT_TRUE(std::is_permutation(got.begin(), got.end(), expected.begin(), expected.end()))
            << (reloaded ? "after a reload" : "");
    }
}

TEST(RecordDatabaseAddDates, ContactThatIsGoneGetsNothing)
{
    Data data;
    const std::int32_t id = data.addPerson("Finn", "Falk", QDate(1980, 1, 1));
    RecordDatabase& db = data.load();
    data.removePerson(id);
    EXPECT_FALSE(db.addDatesToAddressBookRecord(
        id, {{OccasionRecord::Anniversary, QDate(2012, 8, 8), QString(), false}}));
    EXPECT_FALSE(data.book->person(id));
}

// ---- Observers -------------------------------------------------------------------------------

using Log = std::vector<std::string>;

class Recorder : public DatabaseObserver {
public:
    Recorder(std::string name, Log& log, std::function<void()> action = nullptr)
        : m_name(std::move(name)), m_log(log), m_action(std::move(action))
    {
    }
    void databaseIsDirty() override
    {
        m_log.push_back(m_name);
        if (m_action)
            m_action();
    }

private:
    std::string m_name;
    Log& m_log;
    std::function<void()> m_action;
};

// Dirty tells every observer once, in order; clean tells none. During a round one
// observer removes and destroys a later one, one removes itself and one adds another:
// the removed ones are not told any more, the added one from the next round on.
TEST(RecordDatabaseObservers, DirtyTellsEachObserverOnceAndChangesDuringTheRoundAreSafe)
{
    Data data;
    RecordDatabase& db = data.db();
    Log log;
    auto victim = std::make_unique<Recorder>("victim", log);
    std::unique_ptr<Recorder> self;
    Recorder first("first", log, [&] {
        db.removeDatabaseObserver(victim.get());
        victim.reset();
    });
    self = std::make_unique<Recorder>("self", log, [&] { db.removeDatabaseObserver(self.get()); });
    Recorder last("last", log), added("added", log), gone("gone", log);
    Recorder adder("adder", log, [&] { db.addDatabaseObserver(&added); });
    for (Recorder* r : {&first, victim.get(), self.get(), &adder, &gone, &last, &first})
        db.addDatabaseObserver(r);
    db.removeDatabaseObserver(&gone);
    db.setDirty(false);
    db.setDirty(true);
    EXPECT_EQ(log, (Log {"first", "self", "adder", "last"}));
    self.reset();
    log.clear();
    db.setDirty(true);
    EXPECT_EQ(log, (Log {"first", "adder", "last", "added"}));
}

} // namespace
