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

// Argument 1: the texts measured as a rebuild measures them; 0: the length rule alone.
void BM_NotificationSchedule(benchmark::State& state)
{
    startGuiApplication();
    bench::LoadedBook& b = bench::loadedBook();
    b.settings.setValue(QString(Key::AlertTimeHour), 12);
    b.settings.setValue(QString(Key::AlertTimeMinute), 0);
    const Texts texts(QStringLiteral("EN"));
    std::size_t made = 0;
    std::int64_t measured = 0;
    for (auto _ : state) {
        NotificationPlanner planner(
            NotificationSettings::from(b.settings), b.db->gregorian(), texts);
        if (state.range(0) != 0) {
            auto tallerThanBox = AlertTextMeasure::plannerTest();
            if (!tallerThanBox)
                state.SkipWithError("no measure: no GUI application or no shipped font");
            planner.setTallerThanBox([&measured, tallerThanBox](const QString& text) {
                ++measured;
                return tallerThanBox(text);
            });
        }
        const auto schedule = planner.localNotifications(b.db->records(), b.clock.now());
        made = schedule.size();
        benchmark::DoNotOptimize(schedule.data());
    }
    state.counters["records"] = double(b.db->records().size());
    state.counters["notifications"] = double(made);
    state.counters["measured"] =
        benchmark::Counter(double(measured), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_NotificationSchedule)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// One height test of a six-line alert, the kind each fitting step of a smaller book
// measures (on the book above every text but the uncounted last step is over 240).
void BM_AlertTextHeight(benchmark::State& state)
{
    startGuiApplication();
    const auto tallerThanBox = AlertTextMeasure::plannerTest();
    if (!tallerThanBox)
        state.SkipWithError("no measure: no GUI application or no shipped font");
    QString text = QStringLiteral("Today: ");
    for (int i = 0; i < 6; ++i)
        text += QStringLiteral("Bartholomew's Birthday, ");
    text += QStringLiteral("\nIn 2 Weeks: Anna's Birthday");
    for (auto _ : state)
        benchmark::DoNotOptimize(tallerThanBox && tallerThanBox(text));
}
BENCHMARK(BM_AlertTextHeight)->Unit(benchmark::kMicrosecond);

} // namespace
