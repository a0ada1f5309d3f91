// The record database over a large data directory: 10,000 synthetic people (the
// generator's mix: about 85 % with a birthday, a quarter with an anniversary, some other
// dates) and 500 custom entries. Measures the full synchronous load up to the published
// arrays, the midnight recompute, and the heap the loaded database holds per record.
#include "core/database/RecordDatabase.h"
#include "core/export/CalendarExport.h"
#include "core/export/CsvExport.h"
#include "core/records/CustomEntriesStore.h"
#include "core/records/OccasionRecord.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Calendar.h"
#include "core/time/Clock.h"
#include "core/time/DeviceEnvironment.h"
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using namespace fetemark;

constexpr int People = 10000;
constexpr int CustomEntries = 500;
const QString Zone = QStringLiteral("Europe/Berlin");

DeviceEnvironment device()
{
    return DeviceEnvironment {Zone, QStringLiteral("en_US"), {QStringLiteral("en")}};
}

QDateTime benchNow()
{
    return QDateTime(QDate(2026, 3, 5), QTime(12, 0), Qt::UTC);
}

// A data directory with the book and the custom entries file, made once and shared by
// every benchmark of this file (each opens its own database over it).
struct DataDirectory {
    QTemporaryDir dir;
    int birthdays = 0;
    int anniversaries = 0;
    int otherDates = 0;

    DataDirectory()
    {
        QString error;
        auto book = AddressBook::create(
            QDir(dir.path()).filePath(QStringLiteral("AddressBook.sqlite")), &error);
        if (!book || SyntheticContacts::fill(*book, {People, 1, 0}) != People) {
            std::fprintf(stderr, "cannot make the book: %s\n", qPrintable(error));
            std::abort();
        }
        for (const Person& p : book->allPeople()) {
            birthdays += p.birthday.isValid() ? 1 : 0;
            for (const auto& d : p.dates) {
                if (d.label == QLatin1String("_$!<Anniversary>!$_"))
                    ++anniversaries;
                else
                    ++otherDates;
            }
        }

        // Custom entries spread over the year, a tenth of them one-time, written once.
        const Calendar calendar(Zone);
        std::vector<OccasionRecordPtr> entries;
        for (int i = 0; i < CustomEntries; ++i) {
            auto r = std::make_shared<OccasionRecord>();
            r->isCustomEntry = true;
            r->customID = QStringLiteral("BENCH-%1").arg(i, 4, 10, QLatin1Char('0'));
            r->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
            r->name = QStringLiteral("Entry %1 Someone").arg(i);
            r->type = i % 3;
            r->otherDateLabel = r->type == OccasionRecord::OtherDate ? QStringLiteral("Name day")
                                                                     : QStringLiteral("");
            r->rawDate = calendar.date(1950 + i % 70, 1 + i % 12, 1 + (i * 7) % 28);
            if (i % 10 == 0) {
                r->onetime = true;
                r->oneTimeYear = 2026;
                r->rawDate = calendar.date(2026, 1 + i % 12, 1 + (i * 7) % 28);
            }
            r->notes = QStringLiteral("note %1").arg(i);
            entries.push_back(r);
        }
        const CustomEntriesStore store(dir.path());
        if (!store.writeCustomEntries(entries, {}, calendar, &error)) {
            std::fprintf(stderr, "cannot write the custom entries: %s\n", qPrintable(error));
            std::abort();
        }
    }
};

DataDirectory& data()
{
    static DataDirectory d;
    return d;
}

// Settings at their registered defaults, in the data directory.
struct Environment {
    Settings settings;
    FixedClock clock {benchNow()};

    Environment() : settings(QDir(data().dir.path()).filePath(QStringLiteral("Preferences.plist")))
    {
        settings.registerDefaults(registeredDefaults());
    }

    std::unique_ptr<RecordDatabase> database()
    {
        return std::make_unique<RecordDatabase>(
            RecordDatabase::Dependencies {settings, clock, device(), data().dir.path()});
    }
};

void countRecords(benchmark::State& state, const RecordDatabase& db)
{
    int custom = 0;
    for (const OccasionRecordPtr& r : db.records())
        custom += r->isCustomEntry ? 1 : 0;
    state.counters["records"] = double(db.records().size());
    state.counters["contacts"] = double(db.allContacts().size());
    state.counters["birthdays"] = double(data().birthdays);
    state.counters["anniversaries"] = double(data().anniversaries);
    state.counters["otherDates"] = double(data().otherDates);
    state.counters["customShown"] = double(custom);
    state.counters["holdovers"] = double(db.holdoverRecords().size());
}

// The whole load as the command line and the first screen run it: the book read on a
// fresh handle, the custom entries decoded and merged, dates computed, sorted, indexed
// and published (the previous load's arrays are released on publication, as in use).
void BM_RecordDatabaseLoad(benchmark::State& state)
{
    Environment env;
    auto db = env.database();
    for (auto _ : state) {
        db->loadDatabase();
        benchmark::DoNotOptimize(db->records().data());
    }
    if (!db->takeLoadWarnings().isEmpty())
        state.SkipWithError("the load reported problems");
    countRecords(state, *db);
    state.SetItemsProcessed(state.iterations() * std::int64_t(db->records().size()));
}
BENCHMARK(BM_RecordDatabaseLoad)->Unit(benchmark::kMillisecond);

// The recompute after midnight or a clock change: every record's dates, then the sort.
// The clock moves a day per run so the sort has real work (the order changes).
void BM_RecordDatabaseUpdate(benchmark::State& state)
{
    Environment env;
    auto db = env.database();
    db->loadDatabase();
    QDateTime now = benchNow();
    for (auto _ : state) {
        now = now.addDays(1);
        env.clock.set(now);
        db->updateDatabase();
        benchmark::DoNotOptimize(db->records().front()->daysUntilDate);
    }
    countRecords(state, *db);
    state.SetItemsProcessed(state.iterations() * std::int64_t(db->records().size()));
}
BENCHMARK(BM_RecordDatabaseUpdate)->Unit(benchmark::kMillisecond);

// Every row's phrase and date texts made afresh, as after a change of the phrase
// settings or the language (the list makes them lazily, a screenful at a time).
void BM_RecordDatabasePhrases(benchmark::State& state)
{
    Environment env;
    auto db = env.database();
    db->loadDatabase();
    for (auto _ : state) {
        db->flushDetailStrings();
        for (const OccasionRecordPtr& r : db->records())
            db->ensureStrings(*r);
        benchmark::DoNotOptimize(db->records().front()->detailedText.size());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(db->records().size()));
}
BENCHMARK(BM_RecordDatabasePhrases)->Unit(benchmark::kMillisecond);

// The CSV and iCalendar exports of the whole database, phrases already made.
void BM_ExportCsv(benchmark::State& state)
{
    Environment env;
    auto db = env.database();
    db->loadDatabase();
    const CsvExport csv(*db);
    for (auto _ : state)
        benchmark::DoNotOptimize(CsvExport::encode(csv.text()).size());
    state.SetItemsProcessed(state.iterations() * std::int64_t(db->records().size()));
}
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond);

void BM_ExportIcs(benchmark::State& state)
{
    Environment env;
    auto db = env.database();
    db->loadDatabase();
    const CalendarExport ics(*db);
    for (auto _ : state)
        benchmark::DoNotOptimize(ics.text().size());
    state.SetItemsProcessed(state.iterations() * std::int64_t(db->records().size()));
}
BENCHMARK(BM_ExportIcs)->Unit(benchmark::kMillisecond);

// Heap held by a loaded database (records, holdovers, contact list, search index, notes)
// per shown record: mallinfo2's bytes in use before and after one load of a fresh
// database, after a warm-up load so that caches of Qt, ICU and the string tables are
// already counted in the baseline.
void BM_RecordDatabaseMemory(benchmark::State& state)
{
    Environment env;
    {
        auto warm = env.database();
        warm->loadDatabase();
    }
    malloc_trim(0);
    double perRecord = 0;
    double total = 0;
    std::size_t records = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::size_t before = mallinfo2().uordblks;
        auto db = env.database();
        state.ResumeTiming();
        db->loadDatabase();
        state.PauseTiming();
        const std::size_t after = mallinfo2().uordblks;
        records = db->records().size();
        total = double(after) - double(before);
        perRecord = records ? total / double(records) : 0;
        db.reset();
        state.ResumeTiming();
    }
    state.counters["records"] = double(records);
    state.counters["heapMB"] = total / (1024.0 * 1024.0);
    state.counters["bytesPerRecord"] = perRecord;
}
BENCHMARK(BM_RecordDatabaseMemory)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
