#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

namespace {

using fetemark::AddressBook;
namespace SyntheticContacts = fetemark::SyntheticContacts;

constexpr int People = 10000;

std::unique_ptr<AddressBook> openOrDie(const QString& path)
{
    QString error;
    auto book = AddressBook::create(path, &error);
    if (!book) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(path), qPrintable(error));
        std::abort();
    }
    return book;
}

// The read benchmarks share one book of 10,000 people, every tenth with a picture, made
// on first use.
const QString& filledBookPath()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("AddressBook.sqlite"));
        auto book = openOrDie(p);
        if (SyntheticContacts::fill(*book, {People, 1, 10}) != People)
            std::abort();
        return p;
    }();
    return path;
}

// Making the people alone, to tell it apart from storing them below.
void BM_SyntheticGenerate(benchmark::State& state)
{
    for (auto _ : state) {
        auto contacts = SyntheticContacts::generate({People, 1, int(state.range(0))});
        benchmark::DoNotOptimize(contacts.data());
    }
    state.SetItemsProcessed(state.iterations() * People);
}
BENCHMARK(BM_SyntheticGenerate)->Arg(0)->Arg(10)->Unit(benchmark::kMillisecond);

// Generating and adding 10,000 people (argument: every n-th with a picture) in one
// transaction, and saving, into a new file.
void BM_AddressBookFill(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto dir = std::make_unique<QTemporaryDir>();
        auto book = openOrDie(dir->filePath(QStringLiteral("AddressBook.sqlite")));
        state.ResumeTiming();

        if (SyntheticContacts::fill(*book, {People, 1, int(state.range(0))}) != People)
            state.SkipWithError("fill failed");

        state.PauseTiming();
        book.reset();
        dir.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * People);
}
BENCHMARK(BM_AddressBookFill)->Arg(0)->Arg(10)->Unit(benchmark::kMillisecond);

// The list the app shows and the reminders are computed from: everyone with all values.
void BM_AddressBookAllPeople(benchmark::State& state)
{
    auto book = openOrDie(filledBookPath());
    for (auto _ : state) {
        auto people = book->allPeople();
        if (people.size() != std::size_t(People))
            state.SkipWithError("wrong number of people");
        benchmark::DoNotOptimize(people.data());
    }
    state.SetItemsProcessed(state.iterations() * People);
}
BENCHMARK(BM_AddressBookAllPeople)->Unit(benchmark::kMillisecond);

// What the occasions are made of: everyone with names and dates only.
void BM_AddressBookAllPeopleNamesAndDates(benchmark::State& state)
{
    auto book = openOrDie(filledBookPath());
    for (auto _ : state) {
        auto people = book->allPeopleNamesAndDates();
        if (people.size() != std::size_t(People))
            state.SkipWithError("wrong number of people");
        benchmark::DoNotOptimize(people.data());
    }
    state.SetItemsProcessed(state.iterations() * People);
}
BENCHMARK(BM_AddressBookAllPeopleNamesAndDates)->Unit(benchmark::kMillisecond);

// As at application start: opening the file, then reading everyone on a cold handle.
void BM_AddressBookOpenAndAllPeople(benchmark::State& state)
{
    const QString& path = filledBookPath();
    for (auto _ : state) {
        auto book = openOrDie(path);
        auto people = book->allPeople();
        benchmark::DoNotOptimize(people.data());
    }
    state.SetItemsProcessed(state.iterations() * People);
}
BENCHMARK(BM_AddressBookOpenAndAllPeople)->Unit(benchmark::kMillisecond);

// One person by record id, ids drawn at random over the whole book.
void BM_AddressBookPersonLookup(benchmark::State& state)
{
    auto book = openOrDie(filledBookPath());
    std::mt19937 engine(42);
    for (auto _ : state) {
        const auto id = std::int32_t(engine() % People) + 1;
        auto person = book->person(id);
        if (!person)
            state.SkipWithError("person missing");
        benchmark::DoNotOptimize(person);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddressBookPersonLookup)->Unit(benchmark::kMicrosecond);

// One person by the uid of the card it came from, as an import does for every card.
void BM_AddressBookPersonWithUid(benchmark::State& state)
{
    auto book = openOrDie(filledBookPath());
    std::mt19937 engine(42);
    for (auto _ : state) {
        const QString uid = QStringLiteral("synthetic-1-%1").arg(engine() % People);
        auto person = book->personWithUid(uid);
        if (!person)
            state.SkipWithError("person missing");
        benchmark::DoNotOptimize(person);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddressBookPersonWithUid)->Unit(benchmark::kMicrosecond);

} // namespace
