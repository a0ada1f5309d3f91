#include "core/operations/OperationQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

using namespace fetemark;
using namespace std::chrono_literals;

namespace {

// Lets a test hold an operation inside its body until released.
struct Gate {
    std::mutex mutex;
    std::condition_variable cv;
    bool open = false;
    bool entered = false;
    void enterAndWait()
    {
        std::unique_lock lock(mutex);
        entered = true;
        cv.notify_all();
        cv.wait(lock, [this] { return open; });
    }
    void waitUntilEntered()
    {
        std::unique_lock lock(mutex);
        cv.wait(lock, [this] { return entered; });
    }
    void release()
    {
        std::lock_guard lock(mutex);
        open = true;
        cv.notify_all();
    }
};

} // namespace

TEST(OperationQueue, ASerialQueueRunsOperationsInOrderOneAtATime)
{
    OperationQueue queue(1);
    std::mutex mutex;
    std::vector<int> order;
    std::atomic<int> running {0};
    std::atomic<int> maxRunning {0};
    for (int i = 0; i < 20; ++i) {
        queue.addOperation([&, i](const Operation&) {
            maxRunning = std::max(maxRunning.load(), ++running);
            std::this_thread::sleep_for(1ms);
            {
                std::lock_guard lock(mutex);
                order.push_back(i);
            }
            --running;
        });
    }
    queue.waitUntilAllOperationsAreFinished();
    ASSERT_EQ(order.size(), 20u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_EQ(maxRunning.load(), 1);
    EXPECT_EQ(queue.operationCount(), 0);
}

TEST(OperationQueue, CancellingDropsQueuedOperationsAndTellsTheRunningOne)
{
    OperationQueue queue(1);
    Gate gate;
    std::atomic<bool> sawCancel {false};
    std::atomic<int> laterRuns {0};
    auto first = queue.addOperation([&](const Operation& self) {
        gate.enterAndWait();
        sawCancel = self.isCancelled();
    });
    std::vector<std::shared_ptr<Operation>> later;
    for (int i = 0; i < 5; ++i)
        later.push_back(queue.addOperation([&](const Operation&) { ++laterRuns; }));
    gate.waitUntilEntered();
    EXPECT_EQ(queue.operationCount(), 6);

    queue.cancelAllOperations();
    gate.release();
    queue.waitUntilAllOperationsAreFinished();

    EXPECT_TRUE(sawCancel.load());
    EXPECT_EQ(laterRuns.load(), 0);
    for (const auto& op : later) {
        EXPECT_TRUE(op->isCancelled());
        EXPECT_TRUE(op->isFinished());
    }
    EXPECT_TRUE(first->isFinished());
}

TEST(OperationQueue, AConcurrentQueueRunsUpToItsLimitAtOnce)
{
    OperationQueue queue(2);
    Gate a, b;
    std::atomic<int> third {0};
    queue.addOperation([&](const Operation&) { a.enterAndWait(); });
    queue.addOperation([&](const Operation&) { b.enterAndWait(); });
    queue.addOperation([&](const Operation&) { ++third; });
    a.waitUntilEntered();
    b.waitUntilEntered(); // both run together
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(third.load(), 0) << "the third waits for a free place";
    a.release();
    b.release();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(third.load(), 1);
}

TEST(OperationQueue, DestroyingTheQueueCancelsAndWaits)
{
    std::atomic<bool> finished {false};
    std::atomic<int> started {0};
    {
        OperationQueue queue(1);
        queue.addOperation([&](const Operation& self) {
            ++started;
            while (!self.isCancelled())
                std::this_thread::sleep_for(1ms);
            finished = true;
        });
        queue.addOperation([&](const Operation&) { ++started; });
        while (started.load() == 0)
            std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(finished.load());
    EXPECT_EQ(started.load(), 1);
}
