#include "core/time/Calendar.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// The daily refresh: every occasion's day is normalised and its distance from today
// counted, with one Calendar reused for the whole list.
void BM_StartOfDayAndDaysBetween(benchmark::State& state)
{
    const fetemark::Calendar calendar(QStringLiteral("Europe/Berlin"));
    const QDateTime today = calendar.startOfDay(calendar.date(2026, 3, 5, 9, 30));
    std::vector<QDateTime> moments;
    moments.reserve(10000);
    // Spread over ~40 years at odd hours so DST changes and both directions are hit.
    for (int i = 0; i < 10000; ++i)
        moments.push_back(calendar.date(2006, 1, 1 + i * 3 / 2, (i * 7) % 24, (i * 13) % 60));

    for (auto _ : state) {
        long long total = 0;
        for (const QDateTime& moment : moments)
            total += calendar.daysBetween(today, calendar.startOfDay(moment));
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(moments.size()));
}
BENCHMARK(BM_StartOfDayAndDaysBetween)->Unit(benchmark::kMillisecond);

// A load's dates: every person's day made a moment at local midnight, over two centuries
// so that days before, between and after the zone's transitions are all met.
void BM_MomentOfLocalMidnight(benchmark::State& state)
{
    const fetemark::Calendar calendar(QStringLiteral("Europe/Berlin"));
    for (auto _ : state) {
        long long total = 0;
        for (int i = 0; i < 10000; ++i)
            total += calendar.date(1900 + i % 200, 1 + i % 12, 1 + i % 28).toMSecsSinceEpoch();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_MomentOfLocalMidnight)->Unit(benchmark::kMillisecond);

} // namespace
