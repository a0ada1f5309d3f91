// The background preparation of list photos on a serial queue over a real data
// directory: rows announced on the main thread in order, records that already have a
// photo only announced, a contact prepared once for all its rows, cancellation after the
// current record, and waits for the main thread that cancelling or losing the receiver
// ends.
#include "ListPhotosFixture.h"

#include "core/ListImageOperation.h"

#include <chrono>
#include <future>
#include <string>
#include <vector>

using namespace fetemark;
using namespace fetemark::test;
using namespace std::chrono_literals;

namespace {

const QColor Magenta(0xd0, 0x20, 0xb0);

std::vector<IndexPath> pathsFor(std::size_t count)
{
    std::vector<IndexPath> paths;
    for (std::size_t i = 0; i < count; ++i)
        paths.push_back({int(i % 2), int(i)});
    return paths;
}

// What the main thread was told.
struct Announcements {
    std::vector<IndexPath> paths;
    bool allOnMainThread = true;
    bool allHadPhotos = true;
};

bool hasPhoto(const OccasionRecord& r)
{
    std::lock_guard lock(ListPhotos::photoMutex());
    return !r.photo.isNull();
}

int photoState(const OccasionRecord& r)
{
    std::lock_guard lock(ListPhotos::photoMutex());
    return r.abPhoto;
}

TEST(ListImageOperation, AnnouncesEveryReadyRowOnTheMainThreadInOrder)
{
    PhotoData data;
    data.addPerson(QStringLiteral("Ida"), QStringLiteral("Image"), QDate(1990, 3, 20), encoded(solid(Magenta)));
    data.addPerson(QStringLiteral("Noah"), QStringLiteral("Plain"), QDate(1990, 3, 21));
    data.addPerson(QStringLiteral("Ben"), QStringLiteral("Cole"), QDate(1985, 3, 22), encoded(solid(Qt::blue)));
    data.writeEntries({data.entry(QStringLiteral("PARTY"), false)});
    RecordDatabase& db = data.load();
    const std::vector<OccasionRecordPtr> records = db.records();
    ASSERT_EQ(records.size(), 4u);
    // One row already has its photo: it is announced, not made again.
    const OccasionRecordPtr ready = data.named(QStringLiteral("Ben Cole"));
    ready->photo = solid(Qt::green);
    const qint64 readyKey = ready->photo.cacheKey();

    QObject context;
    Announcements told;
    const std::vector<IndexPath> paths = pathsFor(records.size());
    auto op = std::make_shared<ListImageOperation>(db, data.dir.path(), records, paths, &context, [&](const IndexPath& p) {
        told.paths.push_back(p);
        told.allOnMainThread &= QThread::currentThread() == QCoreApplication::instance()->thread();
        told.allHadPhotos &= !records[std::size_t(p.row)]->photo.isNull();
    });
    OperationQueue queue(1);
    queue.addOperation(op);
    ASSERT_TRUE(processEventsUntil([&] { return op->isFinished(); }));

    EXPECT_EQ(told.paths, paths);
    EXPECT_TRUE(told.allOnMainThread);
    EXPECT_TRUE(told.allHadPhotos);
    EXPECT_EQ(ready->photo.cacheKey(), readyKey);
    EXPECT_TRUE(colourNear(data.named(QStringLiteral("Ida Image"))->photo.pixel(63, 63), Magenta));
    // Without a picture: the blank, and the row shows a blank.
    const OccasionRecordPtr noah = data.named(QStringLiteral("Noah Plain"));
    EXPECT_EQ(noah->photo, QImage(QStringLiteral(":/resources/images/BlankPhoto_Medium.png")));
    EXPECT_EQ(ListPhotos::rowPhoto(*noah, data.settings).show, ListPhotos::RowPhoto::Show::Blank);
    const OccasionRecordPtr party = data.named(QStringLiteral("PARTY"));
    EXPECT_EQ(party->cPhoto, int(OccasionRecord::PhotoAbsent));
    EXPECT_EQ(party->photo, QImage(QStringLiteral(":/resources/images/BlankPhoto_Medium.png")));
}

TEST(ListImageOperation, BothRowsOfAContactShowTheOnePhotoMadeForIt)
{
    PhotoData data;
    data.addPerson(QStringLiteral("Ida"), QStringLiteral("Image"), QDate(1990, 3, 20), encoded(solid(Magenta)),
                   {{QString(ContactLabel::Anniversary), QDate(2015, 3, 25)}});
    RecordDatabase& db = data.load();
    const std::vector<OccasionRecordPtr> records = db.records();
    ASSERT_EQ(records.size(), 2u);

    QObject context;
    std::vector<IndexPath> told;
    auto op = std::make_shared<ListImageOperation>(db, data.dir.path(), records, pathsFor(2), &context,
                                                   [&](const IndexPath& p) { told.push_back(p); });
    OperationQueue queue(1);
    queue.addOperation(op);
    ASSERT_TRUE(processEventsUntil([&] { return op->isFinished(); }));

    EXPECT_EQ(told, pathsFor(2));
    ASSERT_FALSE(records[0]->photo.isNull());
    EXPECT_EQ(records[0]->photo.cacheKey(), records[1]->photo.cacheKey());
    for (const OccasionRecordPtr& r : records)
        EXPECT_EQ(ListPhotos::rowPhoto(*r, data.settings).show, ListPhotos::RowPhoto::Show::Photo);
}

TEST(ListImageOperation, WithoutIndexPathsPreparesEverythingAndAnnouncesNothing)
{
    PhotoData data;
    data.addPerson(QStringLiteral("Ida"), QStringLiteral("Image"), QDate(1990, 3, 20), encoded(solid(Magenta)));
    data.addPerson(QStringLiteral("Noah"), QStringLiteral("Plain"), QDate(1990, 3, 21));
    RecordDatabase& db = data.load();
    QObject context;
    int told = 0;
    OperationQueue queue(1);
    queue.addOperation(std::make_shared<ListImageOperation>(db, data.dir.path(), db.records(), std::vector<IndexPath>{},
                                                            &context, [&](const IndexPath&) { ++told; }));
    queue.waitUntilAllOperationsAreFinished();
    QCoreApplication::processEvents();
    EXPECT_EQ(told, 0);
    for (const OccasionRecordPtr& r : db.records())
        EXPECT_FALSE(r->photo.isNull()) << str(r->name);
}

// Four contacts with pictures, in list order.
struct FourContacts {
    explicit FourContacts(PhotoData& data)
    {
        for (int i = 0; i < 4; ++i)
            data.addPerson(QStringLiteral("Person"), QStringLiteral("N%1").arg(i), QDate(1990, 3, 20 + i),
                           encoded(solid(Magenta)));
        records = data.load().records();
        EXPECT_EQ(records.size(), 4u);
    }
    std::vector<OccasionRecordPtr> records;
};

TEST(ListImageOperation, CancelledItStopsAfterTheCurrentRecord)
{
    PhotoData data;
    const FourContacts four(data);
    QObject context;
    std::vector<IndexPath> told;
    std::shared_ptr<ListImageOperation> op;
    op = std::make_shared<ListImageOperation>(data.db(), data.dir.path(), four.records, pathsFor(4), &context,
                                              [&](const IndexPath& p) {
                                                  told.push_back(p);
                                                  op->cancel();  // as the list does when scrolling starts
                                              });
    OperationQueue queue(1);
    queue.addOperation(op);
    ASSERT_TRUE(processEventsUntil([&] { return op->isFinished(); }));

    EXPECT_EQ(told, pathsFor(1));
    EXPECT_TRUE(hasPhoto(*four.records[0]));
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_FALSE(hasPhoto(*four.records[i])) << i;
        EXPECT_EQ(photoState(*four.records[i]), int(OccasionRecord::PhotoNotLookedUp)) << i;
    }
}

// The main thread busy elsewhere (here: not running its events) while the operation
// waits to announce a row; `release` must end that wait without the main thread.
struct StuckAnnouncement {
    std::string name;
    std::function<void(OperationQueue&, std::unique_ptr<QObject>&)> release;
};

class ListImageOperationWait : public ::testing::TestWithParam<StuckAnnouncement> {};

TEST_P(ListImageOperationWait, EndsWithoutTheMainThread)
{
    PhotoData data;
    const FourContacts four(data);
    auto context = std::make_unique<QObject>();
    int told = 0;
    OperationQueue queue(1);
    auto op = std::make_shared<ListImageOperation>(data.db(), data.dir.path(), four.records, pathsFor(4), context.get(),
                                                   [&](const IndexPath&) { ++told; });
    queue.addOperation(op);
    // The first photo is set just before the operation waits to announce it.
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (!hasPhoto(*four.records[0]) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(hasPhoto(*four.records[0]));

    GetParam().release(queue, context);
    auto finished = std::async(std::launch::async, [&] { queue.waitUntilAllOperationsAreFinished(); });
    const bool ended = finished.wait_for(10s) == std::future_status::ready;
    if (!ended)
        processEventsUntil([&] { return op->isFinished(); });
    EXPECT_TRUE(ended) << "the operation kept waiting for the main thread";
    // The abandoned announcement is not made late.
    QCoreApplication::processEvents();
    EXPECT_EQ(told, 0);
}

// What the list does before it changes anything: stop the preparation on the main
// thread, which the preparation may be waiting for. Afterwards nothing is written.
TEST(ListImageOperation, StoppingOnTheMainThreadReturnsAndNothingChangesAfter)
{
    PhotoData data;
    const FourContacts four(data);
    QObject context;
    int told = 0;
    OperationQueue queue(1);
    auto op = std::make_shared<ListImageOperation>(data.db(), data.dir.path(), four.records, pathsFor(4), &context,
                                                   [&](const IndexPath&) { ++told; });
    queue.addOperation(op);
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (!hasPhoto(*four.records[0]) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);

    ListImageOperation::stopLoadingData(queue);
    EXPECT_TRUE(op->isFinished());
    std::vector<int> states;
    for (const OccasionRecordPtr& r : four.records)
        states.push_back(photoState(*r));
    std::this_thread::sleep_for(50ms);
    QCoreApplication::processEvents();
    for (std::size_t i = 0; i < four.records.size(); ++i)
        EXPECT_EQ(photoState(*four.records[i]), states[i]) << i;
    EXPECT_EQ(told, 0);
}

INSTANTIATE_TEST_SUITE_P(
    ListImageOperation, ListImageOperationWait,
    ::testing::Values(StuckAnnouncement{"Cancelled", [](OperationQueue& q, std::unique_ptr<QObject>&) { q.cancelAllOperations(); }},
                      StuckAnnouncement{"ReceiverDestroyed", [](OperationQueue&, std::unique_ptr<QObject>& c) { c.reset(); }}),
    [](const testing::TestParamInfo<StuckAnnouncement>& info) { return info.param.name; });

} // namespace
