// The reminder schedule worked out over the 10,000-person synthetic book: the day table
// and the 91-day walk with every day's alert text fitted, as each rebuild does it.
#include "LoadedBook.h"

#include "core/database/RecordDatabase.h"
#include "core/reminders/NotificationPlanner.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"

#include <benchmark/benchmark.h>

namespace {

using namespace fetemark;

void BM_NotificationSchedule(benchmark::State& state)
{
    bench::LoadedBook& b = bench::loadedBook();
    b.settings.setValue(QString(Key::AlertTimeHour), 12);
    b.settings.setValue(QString(Key::AlertTimeMinute), 0);
    const Texts texts(QStringLiteral("EN"));
    std::size_t made = 0;
    for (auto _ : state) {
        const auto schedule = wantedLocalNotifications(
            b.db->records(), b.settings, b.clock, b.db->gregorian(), texts);
        made = schedule.size();
        benchmark::DoNotOptimize(schedule.data());
    }
    state.counters["records"] = double(b.db->records().size());
    state.counters["notifications"] = double(made);
}
BENCHMARK(BM_NotificationSchedule)->Unit(benchmark::kMillisecond);

} // namespace
