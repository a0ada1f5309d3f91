#include "core/database/OccasionCalculator.h"
#include "core/records/OccasionRecord.h"
#include "core/time/Calendar.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using fetemark::Calendar;
using fetemark::OccasionCalculator;
using fetemark::OccasionRecord;
using fetemark::OccasionRecordPtr;

// A large address book: birthdays over every day of the year and birth years over
// eighty years, every 50th on 29 February, every 7th without its year, a few one-time
// custom entries and anniversaries set in the future.
std::vector<OccasionRecordPtr> makeRecords(const Calendar& calendar, int count)
{
    std::vector<OccasionRecordPtr> records;
    records.reserve(count);
    for (int i = 0; i < count; ++i) {
        auto r = std::make_shared<OccasionRecord>();
        const int year = 1940 + (i * 37) % 80;
        if (i % 50 == 0) {
            r->rawDate = calendar.date(1960 + 4 * (i % 10), 2, 29);
        } else {
            // Day i of the year, spread by a stride coprime to 365.
            r->rawDate = calendar.date(year, 1, 1 + (i * 97) % 365);
        }
        r->ignoreYear = i % 7 == 0;
        if (i % 101 == 0) {
            r->isCustomEntry = true;
            r->onetime = true;
            r->oneTimeYear = 2026 + i % 2;
        }
        if (i % 89 == 0)
            r->rawDate = calendar.date(2028, 1 + i % 12, 1 + i % 28);
        records.push_back(std::move(r));
    }
    return records;
}

// The record database's midnight recompute: one calculator for the pass, then every
// record's dates and flags.
void BM_MidnightRecompute(benchmark::State& state)
{
    const Calendar calendar(QStringLiteral("Europe/Berlin"));
    const auto records = makeRecords(calendar, int(state.range(0)));
    const QDateTime midnight = calendar.date(2026, 3, 5, 0, 0, 1);
    for (auto _ : state) {
        const OccasionCalculator calculator(calendar, midnight, 14, 3);
        calculator.calculate(records);
        benchmark::DoNotOptimize(records.front()->daysUntilDate);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MidnightRecompute)->Arg(10000)->Unit(benchmark::kMillisecond);

// Early January with past days reaching into last year: every yearly record also tries
// last year's occurrence.
void BM_MidnightRecomputeNewYear(benchmark::State& state)
{
    const Calendar calendar(QStringLiteral("Pacific/Auckland"));
    const auto records = makeRecords(calendar, int(state.range(0)));
    const QDateTime midnight = calendar.date(2027, 1, 2, 0, 0, 1);
    for (auto _ : state) {
        const OccasionCalculator calculator(calendar, midnight, 14, 7);
        calculator.calculate(records);
        benchmark::DoNotOptimize(records.front()->daysUntilDate);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MidnightRecomputeNewYear)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
