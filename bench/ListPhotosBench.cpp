// List photos of the 10,000-person synthetic book: preparing every row's photo as the
// list's background preparation does (one operation on a serial queue, an address book
// handle per contact record, pictures decoded, rounded and shared by a contact's rows,
// blanks for the rest), with every person pictured and with every fourth; and the
// rounding of one picture alone.
#include "core/database/RecordDatabase.h"
#include "core/list/ListImageOperation.h"
#include "core/list/ListPhotos.h"
#include "core/operations/OperationQueue.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Clock.h"
#include "core/time/DeviceEnvironment.h"
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

using namespace fetemark;

constexpr int People = 10000;

// A data directory holding the book, made once per picture frequency.
struct PicturedBook {
    QTemporaryDir dir;
    explicit PicturedBook(int photoEvery)
    {
        QString error;
        auto book = AddressBook::create(
            QDir(dir.path()).filePath(QStringLiteral("AddressBook.sqlite")), &error);
        if (!book || SyntheticContacts::fill(*book, {People, 1, photoEvery}) != People) {
            std::fprintf(stderr, "cannot make the book: %s\n", qPrintable(error));
            std::abort();
        }
    }
};

PicturedBook& pictured(int photoEvery)
{
    static std::map<int, std::unique_ptr<PicturedBook>> books;
    auto& book = books[photoEvery];
    if (!book)
        book = std::make_unique<PicturedBook>(photoEvery);
    return *book;
}

// Every row's photo made afresh, as after the list's photos were dropped: the time from
// queueing the preparation to its end.
void BM_ListPhotosPrepareAll(benchmark::State& state)
{
    const int photoEvery = int(state.range(0));
    const QString dir = pictured(photoEvery).dir.path();
    Settings settings(QDir(dir).filePath(QStringLiteral("Preferences.plist")));
    settings.registerDefaults(registeredDefaults());
    const FixedClock clock(QDateTime(QDate(2026, 3, 5), QTime(12, 0), Qt::UTC));
    RecordDatabase db({settings, clock,
        DeviceEnvironment {
            QStringLiteral("Europe/Berlin"), QStringLiteral("en_US"), {QStringLiteral("en")}},
        dir});
    db.loadDatabase();
    const auto records = db.records();

    OperationQueue queue(1);
    for (auto _ : state) {
        state.PauseTiming();
        db.flushRoundedPhotos();
        // As in the running application, the main thread's handle is open meanwhile.
        db.mainThreadAddressBook();
        state.ResumeTiming();
        queue.addOperation(std::make_shared<ListImageOperation>(db, dir, records));
        queue.waitUntilAllOperationsAreFinished();
    }

    int pictures = 0;
    int blanks = 0;
    for (const OccasionRecordPtr& r : records) {
        if (r->photo.isNull())
            state.SkipWithError("a row was left without a photo");
        pictures += r->abPhoto == OccasionRecord::PhotoPresent ? 1 : 0;
        blanks += r->abPhoto == OccasionRecord::PhotoAbsent ? 1 : 0;
    }
    state.counters["rows"] = double(records.size());
    state.counters["pictured"] = double(pictures);
    state.counters["blank"] = double(blanks);
    state.counters["perRow"] = benchmark::Counter(double(records.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(state.iterations() * std::int64_t(records.size()));
}
BENCHMARK(BM_ListPhotosPrepareAll)
    ->ArgName("photoEvery")
    ->Arg(1)
    ->Arg(4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// What every contact row pays before any drawing: its own address book handle opened,
// the picture read and the handle closed (the main thread's handle open meanwhile).
void BM_ListPhotosBookHandlePerRow(benchmark::State& state)
{
    const QString path =
        QDir(pictured(1).dir.path()).filePath(QStringLiteral("AddressBook.sqlite"));
    const auto mainThreadBook = AddressBook::create(path);
    const std::int32_t id = mainThreadBook->allPeople().front().recordID;
    for (auto _ : state) {
        const auto book = AddressBook::create(path);
        benchmark::DoNotOptimize(book->imageData(id).size());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ListPhotosBookHandlePerRow)->Unit(benchmark::kMicrosecond);

// One contact picture (a 32 x 32 PNG, as the synthetic book holds) decoded and made into
// a large list photo with both marks.
void BM_ListPhotoRoundOne(benchmark::State& state)
{
    const QByteArray picture = SyntheticContacts::photo(7);
    ListPhotos::RoundedOptions options;
    options.size = ListPhotos::LargeSize;
    options.facebookMark = true;
    options.contactMark = true;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            ListPhotos::roundedImage(ListPhotos::decodePicture(picture), options).constBits());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ListPhotoRoundOne)->Unit(benchmark::kMicrosecond);

} // namespace
