#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace fetemark {

// A unit of background work that can be cancelled: queued, it never starts; running,
// it sees isCancelled() and stops at its next check.
class Operation {
public:
    virtual ~Operation() = default;

    void cancel() { m_cancelled.store(true); }
    bool isCancelled() const { return m_cancelled.load(); }
    bool isFinished() const { return m_finished.load(); }

protected:
    virtual void main() = 0;

private:
    friend class OperationQueue;
    std::atomic<bool> m_cancelled {false};
    std::atomic<bool> m_finished {false};
};

// An operation made of a function; the function receives the operation so it can ask
// whether it was cancelled.
class BlockOperation final : public Operation {
public:
    explicit BlockOperation(std::function<void(const Operation&)> body)
        : m_body(std::move(body)) { }

protected:
    void main() override { m_body(*this); }

private:
    std::function<void(const Operation&)> m_body;
};

// Runs operations on its own worker threads, at most `maxConcurrentOperationCount` at a
// time, in the order they were added. Destroying the queue cancels what is left and
// waits for what is running.
class OperationQueue {
public:
    explicit OperationQueue(int maxConcurrentOperationCount = 1);
    ~OperationQueue();
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    void addOperation(std::shared_ptr<Operation> operation);
    std::shared_ptr<Operation> addOperation(std::function<void(const Operation&)> body);

    // Cancels every queued and running operation; queued ones are dropped.
    void cancelAllOperations();
    void waitUntilAllOperationsAreFinished();
    // Queued plus running operations.
    int operationCount() const;

private:
    void work();

    const int m_maxConcurrent;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::shared_ptr<Operation>> m_queued;
    std::vector<std::shared_ptr<Operation>> m_running;
    std::vector<std::thread> m_workers;
    bool m_stopping = false;
};

} // namespace fetemark
