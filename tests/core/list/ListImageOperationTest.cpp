// The background preparation of list photos: rows announced on the main thread in order,
// cancellation after the current record, and waits for the main thread that stopping or
// losing the receiver ends.
#include "core/list/ListPhotosFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <chrono>
#include <functional>
#include <future>

using namespace fetemark;
using namespace fetemark::test;
using namespace std::chrono_literals;

namespace {

std::vector<IndexPath> pathsFor(std::size_t count)
{
    std::vector<IndexPath> paths;
    for (std::size_t i = 0; i < count; ++i)
        paths.push_back({int(i % 2), int(i)});
    return paths;
}

// Until `done` holds, running the main thread's events or not; false after 20 s.
bool waitUntil(const std::function<bool()>& done, bool runEvents = true)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 20000) {
        if (runEvents)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return done();
}

// abPhoto, plus 10 once the record has a photo.
int photoState(const OccasionRecord& r)
{
    std::lock_guard lock(ListPhotos::photoMutex());
    return r.abPhoto + (r.photo.isNull() ? 0 : 10);
}

// Four contacts with pictures being prepared, each row announced to `announced` on the
// main thread.
struct FourRows {
    explicit FourRows(const ListImageOperation::RecordImageUpdated& announced)
    {
        for (int i = 0; i < 4; ++i)
            data.addPerson(QStringLiteral("P%1").arg(i), encoded(solid(Magenta)));
        records = data.load().records();
        EXPECT_EQ(records.size(), 4u);
        op = std::make_shared<ListImageOperation>(
            *data.database, data.dir.path(), records, pathsFor(4), context.get(), announced);
        queue.addOperation(op);
    }
    PhotoData data;
    std::vector<OccasionRecordPtr> records;
    std::unique_ptr<QObject> context = std::make_unique<QObject>();
    OperationQueue queue {1};
    std::shared_ptr<ListImageOperation> op;
};

TEST(ListImageOperation, AnnouncesEveryReadyRowOnTheMainThreadInOrder)
{
    PhotoData data;
    data.addPerson(QStringLiteral("Ida"), encoded(solid(Magenta)));
    data.addPerson(QStringLiteral("Ben"), encoded(solid(Teal)));
    data.writeEntries({data.entry(QStringLiteral("PARTY"), false)});
    RecordDatabase& db = data.load();
    const std::vector<OccasionRecordPtr> records = db.records();
    ASSERT_EQ(records.size(), 3u);
    // A row that has its photo already is announced, not made again.
    const OccasionRecordPtr ready = data.named(QStringLiteral("Ben"));
    ready->photo = solid(Qt::green);
    const qint64 readyKey = ready->photo.cacheKey();

    QObject context;
    std::vector<IndexPath> told;
    bool onMainThreadWithPhotos = true;
    auto op = std::make_shared<ListImageOperation>(
        db, data.dir.path(), records, pathsFor(3), &context, [&](const IndexPath& p) {
            told.push_back(p);
            onMainThreadWithPhotos &=
                QThread::currentThread() == QCoreApplication::instance()->thread() &&
                !records[std::size_t(p.row)]->photo.isNull();
        });
    OperationQueue queue(1);
    queue.addOperation(op);
    ASSERT_TRUE(waitUntil([&] { return op->isFinished(); }));

    EXPECT_EQ(told, pathsFor(3));
    EXPECT_TRUE(onMainThreadWithPhotos);
    EXPECT_EQ(ready->photo.cacheKey(), readyKey);
    EXPECT_EQ(
        data.named(QStringLiteral("PARTY"))->photo, blank(QStringLiteral("BlankPhoto_Medium.png")));
}

TEST(ListImageOperation, CancelledItStopsAfterTheCurrentRecord)
{
    std::vector<IndexPath> told;
    FourRows rows([&](const IndexPath& p) {
        told.push_back(p);
        rows.op->cancel(); // as the list does when scrolling starts
    });
    ASSERT_TRUE(waitUntil([&] { return rows.op->isFinished(); }));
    EXPECT_EQ(told, pathsFor(1));
    EXPECT_EQ(photoState(*rows.records[0]), 10 + OccasionRecord::PhotoPresent);
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_EQ(photoState(*rows.records[i]), int(OccasionRecord::PhotoNotLookedUp)) << i;
}

// The operation waits to announce a row while the main thread does not run its events;
// stopping it there, or destroying the receiver, must end that wait.
struct Release {
    std::string name;
    bool stop; // ListImageOperation::stopLoadingData; else the receiver is destroyed
};

class ListImageOperationWait : public ::testing::TestWithParam<Release> { };

TEST_P(ListImageOperationWait, EndsWithoutTheMainThreadAndNothingChangesAfter)
{
    int told = 0;
    FourRows rows([&](const IndexPath&) { ++told; });
    // The first photo is set just before the operation waits to announce it.
    ASSERT_TRUE(waitUntil([&] { return photoState(*rows.records[0]) >= 10; }, false));
    if (GetParam().stop) {
        ListImageOperation::stopLoadingData(rows.queue);
        EXPECT_TRUE(rows.op->isFinished());
    } else {
        rows.context.reset();
        auto finished =
            std::async(std::launch::async, [&] { rows.queue.waitUntilAllOperationsAreFinished(); });
        const bool ended = finished.wait_for(10s) == std::future_status::ready;
        if (!ended)
            waitUntil([&] { return rows.op->isFinished(); });
        EXPECT_TRUE(ended) << "the operation kept waiting for the main thread";
    }
    std::vector<int> before;
    for (const OccasionRecordPtr& r : rows.records)
        before.push_back(photoState(*r));
    std::this_thread::sleep_for(50ms);
    QCoreApplication::processEvents();
    for (std::size_t i = 0; i < rows.records.size(); ++i)
        EXPECT_EQ(photoState(*rows.records[i]), before[i]) << i;
    EXPECT_EQ(told, 0); // the abandoned announcement is not made late
}

INSTANTIATE_TEST_SUITE_P(ListImageOperation, ListImageOperationWait,
    ::testing::Values(Release {"StopLoadingData", true}, Release {"ReceiverDestroyed", false}),
    test::RowName());

} // namespace
