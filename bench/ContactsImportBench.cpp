// Importing an address book exported by another program: 10,000 vCards read and stored
// in a fresh book in one transaction, and exporting them again.
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"
#include "platform/vcard/ContactsTransfer.h"
#include "platform/vcard/VCard.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace fetemark;

namespace {

QByteArray syntheticVCards(int people)
{
    QByteArray bytes;
    for (const SyntheticContact& c : SyntheticContacts::generate({people, 7, 0}))
        bytes += VCard::write(c.person, c.groups, c.photo);
    return bytes;
}

void BM_ReadVCards(benchmark::State& state)
{
    const QByteArray bytes = syntheticVCards(int(state.range(0)));
    for (auto _ : state) {
        const VCard::ReadResult result = VCard::read(bytes);
        if (result.cards.size() != size_t(state.range(0)))
            state.SkipWithError("cards lost");
        benchmark::DoNotOptimize(result);
    }
    state.counters["MB"] = double(bytes.size()) / 1e6;
}
BENCHMARK(BM_ReadVCards)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ImportVCards(benchmark::State& state)
{
    const QByteArray bytes = syntheticVCards(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        auto book = AddressBook::create(dir.filePath(QStringLiteral("AddressBook.sqlite")));
        state.ResumeTiming();
        const auto report =
            ContactsTransfer::importVCards(*book, bytes, QStringLiteral("bench.vcf"));
        if (!book->save() || report.added != state.range(0))
            state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_ImportVCards)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ExportVCards(benchmark::State& state)
{
    QTemporaryDir dir;
    auto book = AddressBook::create(dir.filePath(QStringLiteral("AddressBook.sqlite")));
    SyntheticContacts::fill(*book, {int(state.range(0)), 7, 0});
    for (auto _ : state) {
        const QByteArray out = ContactsTransfer::exportVCards(*book);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_ExportVCards)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
