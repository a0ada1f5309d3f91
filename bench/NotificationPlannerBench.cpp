// The reminder schedule worked out over the 10,000-person synthetic book: the day table
// and the 91-day walk with every day's alert text fitted and measured, as each rebuild
// does it.
#include "LoadedBook.h"

#include "core/database/RecordDatabase.h"
#include "core/reminders/AlertTextMeasure.h"
#include "core/reminders/NotificationPlanner.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

namespace {

using namespace fetemark;

// The texts are measured as `fetemark` measures them: under a GUI application on the
// offscreen platform. Left to the end of the process, as the benchmark main owns none.
void startGuiApplication()
{
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fetemark_bench";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
}

void BM_NotificationSchedule(benchmark::State& state)
{
    startGuiApplication();
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
    state.counters["measured"] = AlertTextMeasure::create() ? 1 : 0;
}
BENCHMARK(BM_NotificationSchedule)->Unit(benchmark::kMillisecond);

} // namespace
