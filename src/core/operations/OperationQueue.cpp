#include "OperationQueue.h"

#include <algorithm>

namespace fetemark {

OperationQueue::OperationQueue(int maxConcurrentOperationCount)
    : m_maxConcurrent(std::max(1, maxConcurrentOperationCount))
{
}

OperationQueue::~OperationQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        for (auto& op : m_queued)
            op->cancel();
        for (auto& op : m_queued)
            op->m_finished.store(true);
        m_queued.clear();
        for (auto& op : m_running)
            op->cancel();
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void OperationQueue::addOperation(std::shared_ptr<Operation> operation)
{
    {
        std::lock_guard lock(m_mutex);
        m_queued.push_back(std::move(operation));
        // Workers are started on demand and then stay for the queue's life.
        if (int(m_workers.size()) < m_maxConcurrent)
            m_workers.emplace_back([this] { work(); });
    }
    m_changed.notify_all();
}

std::shared_ptr<Operation> OperationQueue::addOperation(std::function<void(const Operation&)> body)
{
    auto operation = std::make_shared<BlockOperation>(std::move(body));
    addOperation(operation);
    return operation;
}

void OperationQueue::cancelAllOperations()
{
    {
        std::lock_guard lock(m_mutex);
        for (auto& op : m_queued) {
            op->cancel();
            op->m_finished.store(true);
        }
        m_queued.clear();
        for (auto& op : m_running)
            op->cancel();
    }
    m_changed.notify_all();
}

void OperationQueue::waitUntilAllOperationsAreFinished()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queued.empty() && m_running.empty(); });
}

int OperationQueue::operationCount() const
{
    std::lock_guard lock(m_mutex);
    return int(m_queued.size() + m_running.size());
}

void OperationQueue::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_queued.empty(); });
        if (m_stopping)
            return;
        std::shared_ptr<Operation> op = std::move(m_queued.front());
        m_queued.pop_front();
        m_running.push_back(op);
        lock.unlock();
        if (!op->isCancelled())
            op->main();
        op->m_finished.store(true);
        lock.lock();
        m_running.erase(std::find(m_running.begin(), m_running.end(), op));
        m_changed.notify_all();
    }
}

} // namespace fetemark
