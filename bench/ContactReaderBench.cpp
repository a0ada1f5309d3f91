#include "core/database/ContactReader.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"
#include "core/time/Calendar.h"
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using namespace fetemark;

constexpr int People = 10000;

// One book of 10,000 people, made on first use and shared by the runs below.
const QString& readerBookPath()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("AddressBook.sqlite"));
        QString error;
        auto book = AddressBook::create(p, &error);
        if (!book || SyntheticContacts::fill(*book, {People, 1, 0}) != People) {
            std::fprintf(stderr, "cannot make the book: %s\n", qPrintable(error));
            std::abort();
        }
        return p;
    }();
    return path;
}

// The contacts part of a load: every person of the book read into records (argument:
// smart labels off/on), on a warm handle, as the load reads it.
void BM_ContactReaderReadAddressBook(benchmark::State& state)
{
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("Preferences.plist")));
    settings.registerDefaults(registeredDefaults());
    settings.setValue(QString(Key::SmartLabels), state.range(0) != 0);
    const Texts texts(QStringLiteral("EN"));
    const Calendar calendar(QStringLiteral("Europe/Berlin"));
    auto book = AddressBook::create(readerBookPath());
    if (!book) {
        state.SkipWithError("cannot open the book");
        return;
    }
    const ContactReader reader(settings, texts, calendar);

    std::size_t records = 0;
    std::vector<OccasionRecordPtr> database;
    std::vector<OccasionRecordPtr> contacts;
    for (auto _ : state) {
        reader.readAddressBook(*book, {}, {database, &contacts});
        benchmark::DoNotOptimize(database.data());

        // The previous records are dropped outside the measure: a load keeps what it
        // reads, and the old arrays go when the new ones are published.
        state.PauseTiming();
        if (contacts.size() != std::size_t(People))
            state.SkipWithError("wrong number of people");
        records = database.size();
        database = {};
        contacts = {};
        state.ResumeTiming();
    }
    state.counters["records"] = double(records);
    state.SetItemsProcessed(state.iterations() * People);
}
BENCHMARK(BM_ContactReaderReadAddressBook)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
