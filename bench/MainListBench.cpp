// The main list over the 10,000-person synthetic book with 500 custom entries: the
// grouped list rebuilt without search (after every change and every midnight), a
// two-word search through the prefix index (on every key stroke), the first search after
// a load (which builds that index), and one occasion looked up by its id.
#include "LoadedBook.h"

#include "core/database/RecordDatabase.h"
#include "core/list/MainListModel.h"
#include "core/records/OccasionId.h"
#include "core/time/DeviceEnvironment.h"

#include <benchmark/benchmark.h>

namespace {

using namespace fetemark;

using bench::loadedBook;

void BM_MainListRebuild(benchmark::State& state)
{
    MainListModel list(*loadedBook().db, loadedBook().device);
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
    MainListModel list(*loadedBook().db, loadedBook().device);
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
    RecordDatabase& db = *loadedBook().db;
    MainListModel list(db, loadedBook().device);
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
    MainListModel list(*loadedBook().db, loadedBook().device);
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
    const RecordDatabase& db = *loadedBook().db;
    const QString id = OccasionId::of(*db.records().back(), db.gregorian());
    for (auto _ : state)
        benchmark::DoNotOptimize(OccasionId::find(db.records(), id, db.gregorian()).get());
    state.counters["records"] = double(db.records().size());
}
BENCHMARK(BM_OccasionIdFind)->Unit(benchmark::kMicrosecond);

} // namespace
