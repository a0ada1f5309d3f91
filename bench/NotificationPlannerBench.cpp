// The reminder schedule worked out over the 10,000-person synthetic book: the day table
// and the 91-day walk with every day's alert text fitted, as each rebuild does it.
#include "core/database/RecordDatabase.h"
#include "core/reminders/NotificationPlanner.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"
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

struct Book {
    QTemporaryDir dir;
    Settings settings {QDir(dir.path()).filePath(QStringLiteral("Preferences.plist"))};
    FixedClock clock {QDateTime(QDate(2026, 3, 5), QTime(9, 0), Qt::UTC)};
    DeviceEnvironment device {
        QStringLiteral("Europe/Berlin"), QStringLiteral("en_US"), {QStringLiteral("en")}};
    std::unique_ptr<RecordDatabase> db;

    Book()
    {
        settings.registerDefaults(registeredDefaults());
        settings.setValue(QString(Key::AlertTimeHour), 12);
        settings.setValue(QString(Key::AlertTimeMinute), 0);
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

Book& book()
{
    static Book b;
    return b;
}

void BM_NotificationSchedule(benchmark::State& state)
{
    Book& b = book();
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
