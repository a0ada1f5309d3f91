#include "ListImageOperation.h"

#include "core/database/RecordDatabase.h"

#include "platform/addressbook/AddressBook.h"

#include <QDir>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unordered_map>

namespace fetemark {

namespace {

// One announcement waiting for the main thread.
struct Handoff {
    std::mutex mutex;
    std::condition_variable done;
    bool delivered = false;
    bool abandoned = false;
};

} // namespace

ListImageOperation::ListImageOperation(const RecordDatabase& database, QString dataDirectory,
    std::vector<OccasionRecordPtr> records, std::vector<IndexPath> indexPaths,
    QObject* delegateContext, RecordImageUpdated recordImageUpdated, qreal scale)
    : m_database(database), m_dataDirectory(std::move(dataDirectory)),
      m_records(std::move(records)), m_indexPaths(std::move(indexPaths)),
      m_allRecords(database.records()), m_context(delegateContext),
      m_recordImageUpdated(std::move(recordImageUpdated)), m_scale(scale),
      m_contextState(std::make_shared<ContextState>())
{
    if (delegateContext) {
        m_contextConnection = QObject::connect(
            delegateContext, &QObject::destroyed, delegateContext,
            [state = m_contextState] {
                std::lock_guard lock(state->mutex);
                state->gone = true;
            },
            Qt::DirectConnection);
    }
}

void ListImageOperation::stopLoadingData(OperationQueue& queue)
{
    queue.cancelAllOperations();
    queue.waitUntilAllOperationsAreFinished();
}

ListImageOperation::~ListImageOperation()
{
    QObject::disconnect(m_contextConnection);
}

void ListImageOperation::main()
{
    // The contacts' records by record id, so that sharing a contact's picture does not
    // scan the whole list for every record.
    std::unordered_map<std::int32_t, std::vector<OccasionRecordPtr>> byContact;
    for (const OccasionRecordPtr& r : m_allRecords) {
        if (r->recordID != -1 && !r->isCustomEntry && !r->isFacebookEntry && !r->isHoliday)
            byContact[r->recordID].push_back(r);
    }
    const std::vector<OccasionRecordPtr> none;
    const QString bookPath = QDir(m_dataDirectory).filePath(QStringLiteral("AddressBook.sqlite"));
    const Settings& settings = m_database.settings();

    for (std::size_t i = 0; i < m_records.size(); ++i) {
        OccasionRecord& record = *m_records[i];
        bool hasPhoto;
        {
            std::lock_guard lock(ListPhotos::photoMutex());
            hasPhoto = !record.photo.isNull();
        }
        if (!hasPhoto) {
            // Only a contact's record reads the book, through a handle of its own that is
            // closed again right after; reading pictures never needs to write or create it.
            std::unique_ptr<AddressBook> book;
            const bool contact =
                !record.isCustomEntry && !record.isFacebookEntry && !record.isHoliday;
            if (contact)
                book = AddressBook::openReadOnly(bookPath);
            const auto sharing = byContact.find(record.recordID);
            ListPhotos::createRoundedImageForOccasionListRecord(book.get(), record,
                sharing == byContact.end() ? none : sharing->second, settings, m_dataDirectory,
                m_scale, m_database.resourceRoot());
            book.reset();
            std::lock_guard lock(ListPhotos::photoMutex());
            if (record.photo.isNull()) {
                record.abPhoto = OccasionRecord::PhotoAbsent;
                m_database.setBlankImageForRecord(record);
            }
            hasPhoto = !record.photo.isNull();
        }
        if (hasPhoto)
            tellDelegate(i);
        if (isCancelled())
            return;
    }
}

void ListImageOperation::tellDelegate(std::size_t index)
{
    if (!m_recordImageUpdated || !m_context || index >= m_indexPaths.size())
        return;
    const IndexPath path = m_indexPaths[index];

    auto handoff = std::make_shared<Handoff>();
    {
        std::unique_lock contextLock(m_contextState->mutex);
        if (m_contextState->gone)
            return;
        if (m_context->thread() == QThread::currentThread()) {
            contextLock.unlock();
            m_recordImageUpdated(path);
            return;
        }
        QMetaObject::invokeMethod(
            m_context,
            [handoff, path, callback = m_recordImageUpdated] {
                std::lock_guard lock(handoff->mutex);
                if (handoff->abandoned)
                    return;
                callback(path);
                handoff->delivered = true;
                handoff->done.notify_all();
            },
            Qt::QueuedConnection);
    }

    // Waits for the main thread, looking now and then whether the wait is still wanted:
    // a main thread that cancels and then waits for the queue must not wait on us.
    std::unique_lock lock(handoff->mutex);
    while (!handoff->delivered) {
        bool gone;
        {
            std::lock_guard contextLock(m_contextState->mutex);
            gone = m_contextState->gone;
        }
        if (isCancelled() || gone) {
            handoff->abandoned = true;
            return;
        }
        handoff->done.wait_for(lock, std::chrono::milliseconds(10));
    }
}

} // namespace fetemark
