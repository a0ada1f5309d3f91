// Holidays: the one-time parse of the shipped date table, and the holiday records of
// every shipped holiday checked, made alone and rebuilt inside the 10,000-person book
// (the rebuild after the holiday screens walks every record of the list).
#include "LoadedBook.h"

#include "core/holidays/HolidayCatalogue.h"
#include "core/holidays/HolidayDateTable.h"
#include "core/holidays/HolidaySubscriptions.h"
#include "core/text/Texts.h"
#include "core/time/Calendar.h"

#include <benchmark/benchmark.h>

namespace {

using namespace fetemark;

const QString Resources = QStringLiteral(":/resources");

// Every holiday of every category checked.
HolidaySubscriptions everyHoliday()
{
    HolidaySubscriptions all;
    const HolidayCatalogue catalogue = HolidayCatalogue::load(Resources);
    for (const HolidayCategory& category : catalogue.categories())
        all.setCategory(category.key, category.holidayKeys);
    return all;
}

void BM_HolidayDateTableParse(benchmark::State& state)
{
    qsizetype keys = 0;
    for (auto _ : state) {
        const HolidayDateTable table = HolidayDateTable::load(Resources);
        keys = table.size();
        benchmark::DoNotOptimize(keys);
    }
    state.counters["holidays"] = double(keys);
}
BENCHMARK(BM_HolidayDateTableParse)->Unit(benchmark::kMillisecond);

void BM_ReadEveryHoliday(benchmark::State& state)
{
    const Calendar calendar(QStringLiteral("Europe/Berlin"));
    const Texts texts(QStringLiteral("DE"), Resources);
    const HolidaySubscriptions all = everyHoliday();
    size_t records = 0;
    for (auto _ : state) {
        const HolidayReader reader({HolidayDateTable::shared(Resources), texts, calendar,
            QDate(2026, 3, 5), 0, Resources});
        HolidayReader::Records target;
        reader.readHolidays(all, target);
        records = target.size();
        benchmark::DoNotOptimize(target.data());
    }
    state.counters["records"] = double(records);
}
BENCHMARK(BM_ReadEveryHoliday)->Unit(benchmark::kMillisecond);

void BM_UpdateHolidaysInBook(benchmark::State& state)
{
    bench::LoadedBook& book = bench::loadedBook();
    book.settings.setValue(QStringLiteral("04H0"), true);
    everyHoliday().storeIn(book.settings);
    for (auto _ : state) {
        book.db->updateHolidays();
        benchmark::DoNotOptimize(book.db->records().data());
    }
    state.counters["records"] = double(book.db->records().size());
    // Leave the shared book as the other benchmarks expect it.
    book.settings.setValue(QStringLiteral("04H0"), false);
    book.db->updateHolidays();
}
BENCHMARK(BM_UpdateHolidaysInBook)->Unit(benchmark::kMillisecond);

} // namespace
