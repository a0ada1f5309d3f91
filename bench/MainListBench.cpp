// The main list over the 10,000-person synthetic book with 500 custom entries: the
// grouped list rebuilt without search (after every change and every midnight), a
// two-word search through the prefix index (on every key stroke), the first search after
// a load (which builds that index), and one occasion looked up by its id.
#include "core/database/RecordDatabase.h"
#include "core/list/MainListModel.h"
#include "core/records/OccasionId.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Clock.h"
#include "core/time/DeviceEnvironment.h"
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using namespace fetemark;

struct Loaded {
    QTemporaryDir dir;
    Settings settings {QDir(dir.path()).filePath(QStringLiteral("Preferences.plist"))};
    FixedClock clock {QDateTime(QDate(2026, 3, 5), QTime(12, 0), Qt::UTC)};
    DeviceEnvironment device {
        QStringLiteral("Europe/Berlin"), QStringLiteral("en_US"), {QStringLiteral("en")}};
    std::unique_ptr<RecordDatabase> db;

    Loaded()
    {
        settings.registerDefaults(registeredDefaults());
        QString error;
        auto book = AddressBook::create(
            QDir(dir.path()).filePath(QStringLiteral("AddressBook.sqlite")), &error);
        if (!book || SyntheticContacts::fill(*book, {10000, 1, 0}) != 10000) {
            std::fprintf(stderr, "cannot make the book: %s\n", qPrintable(error));
            std::abort();
        }
        db = std::make_unique<RecordDatabase>(
            RecordDatabase::Dependencies {settings, clock, device, dir.path()});
        db->loadDatabase();
    }
};

Loaded& loaded()
{
    static Loaded l;
    return l;
}

void BM_MainListRebuild(benchmark::State& state)
{
    MainListModel list(*loaded().db, loaded().device);
    for (auto _ : state) {
        list.refreshLocalDatabase();
        benchmark::DoNotOptimize(list.groupsArray().data());
    }
    state.counters["records"] = double(list.records().size());
    state.counters["groups"] = double(list.groupsArray().size());
}
BENCHMARK(BM_MainListRebuild)->Unit(benchmark::kMicrosecond);

// Two common name beginnings, so the index hands over a realistic candidate set.
void BM_MainListTwoWordSearch(benchmark::State& state)
{
    MainListModel list(*loaded().db, loaded().device);
    list.setSearchText(QStringLiteral("ol sm"));
    for (auto _ : state) {
        list.refreshLocalDatabase();
        benchmark::DoNotOptimize(list.records().data());
    }
    state.counters["found"] = double(list.records().size());
}
BENCHMARK(BM_MainListTwoWordSearch)->Unit(benchmark::kMicrosecond);

// The first search after a load, which indexes the names then.
void BM_MainListFirstSearchAfterLoad(benchmark::State& state)
{
    RecordDatabase& db = *loaded().db;
    MainListModel list(db, loaded().device);
    list.setSearchText(QStringLiteral("ol sm"));
    for (auto _ : state) {
        state.PauseTiming();
        db.loadDatabase();
        state.ResumeTiming();
        list.refreshLocalDatabase();
        benchmark::DoNotOptimize(list.records().data());
    }
    state.counters["found"] = double(list.records().size());
}
BENCHMARK(BM_MainListFirstSearchAfterLoad)->Unit(benchmark::kMillisecond);

void BM_MainListFilterBirthdays(benchmark::State& state)
{
    MainListModel list(*loaded().db, loaded().device);
    list.setFilterMode(MainListModel::Birthdays);
    for (auto _ : state) {
        list.refreshLocalDatabase();
        benchmark::DoNotOptimize(list.records().data());
    }
    state.counters["found"] = double(list.records().size());
}
BENCHMARK(BM_MainListFilterBirthdays)->Unit(benchmark::kMicrosecond);

// One occasion looked up by its id, as `show` and the other commands on one occasion do:
// the last record's, so that every record is passed over.
void BM_OccasionIdFind(benchmark::State& state)
{
    const RecordDatabase& db = *loaded().db;
    const QString id = OccasionId::of(*db.records().back(), db.gregorian());
    for (auto _ : state)
        benchmark::DoNotOptimize(OccasionId::find(db.records(), id, db.gregorian()).get());
    state.counters["records"] = double(db.records().size());
}
BENCHMARK(BM_OccasionIdFind)->Unit(benchmark::kMicrosecond);

} // namespace
