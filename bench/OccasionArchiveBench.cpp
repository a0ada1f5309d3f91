// Archiving the custom entries file: 10,000 records written to and read from the keyed
// archive bytes, the work a store save or load does. Making the records themselves is
// not part of a save, so it happens before the timed loop.
#include "core/records/OccasionRecord.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <benchmark/benchmark.h>

using namespace fetemark;

namespace {

std::vector<OccasionRecordPtr> makeRecords(int count)
{
    std::vector<OccasionRecordPtr> records;
    records.reserve(count);
    const QDateTime base =
        QDateTime::fromString(QStringLiteral("1970-01-01T12:00:00Z"), Qt::ISODate);
    for (int i = 0; i < count; ++i) {
        auto record = std::make_shared<OccasionRecord>();
        OccasionRecord& r = *record;
        r.isCustomEntry = i % 3 == 0;
        r.recordID = r.isCustomEntry ? -1 : i;
        r.type = i % 3;
        r.rawDate = base.addDays(i * 7);
        r.name = QStringLiteral("Person %1 Lastname").arg(i);
        r.firstName = QStringLiteral("Person %1").arg(i);
        r.lastName = QStringLiteral("Lastname");
        r.customID = r.isCustomEntry ? OccasionRecord::GetUUID() : QString();
        r.notes = i % 10 == 0 ? QStringLiteral("Call in the morning") : QString();
        r.alertsOff = i % 5 == 0;
        records.push_back(std::move(record));
    }
    return records;
}

// The graph a save archives: every record encoded, under one key.
ArchiveValue archiveRoot(const std::vector<OccasionRecordPtr>& records)
{
    auto array = std::make_shared<ArchiveArray>();
    array->items.reserve(records.size());
    for (const OccasionRecordPtr& r : records)
        array->items.push_back(r->encodeWithCoder());
    auto root = std::make_shared<ArchiveDictionary>();
    root->entries.emplace_back(QStringLiteral("Custom Entries"), ArchiveValue::array(array));
    return ArchiveValue::dictionary(root);
}

void BM_ArchiveRecords(benchmark::State& state)
{
    const std::vector<OccasionRecordPtr> records = makeRecords(int(state.range(0)));
    for (auto _ : state) {
        const ArchiveValue root = archiveRoot(records);
        auto bytes = KeyedArchiver::archivedData(root);
        benchmark::DoNotOptimize(bytes);
        state.counters["bytes"] = double(bytes ? bytes->size() : 0);
    }
}
BENCHMARK(BM_ArchiveRecords)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_UnarchiveRecords(benchmark::State& state)
{
    const auto bytes = KeyedArchiver::archivedData(archiveRoot(makeRecords(int(state.range(0)))));
    if (!bytes) {
        state.SkipWithError("archiving failed");
        return;
    }
    for (auto _ : state) {
        const auto root = KeyedUnarchiver::unarchive(*bytes);
        std::vector<OccasionRecordPtr> records;
        if (root && root->asDictionary()) {
            if (const ArchiveValue* entries =
                    root->asDictionary()->find(QStringLiteral("Custom Entries")))
                if (const ArchiveArray* array = entries->asArray())
                    for (const ArchiveValue& item : array->items)
                        records.push_back(OccasionRecord::initWithCoder(item));
        }
        if (records.size() != size_t(state.range(0)))
            state.SkipWithError("records lost on the way");
        benchmark::DoNotOptimize(records);
    }
}
BENCHMARK(BM_UnarchiveRecords)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
