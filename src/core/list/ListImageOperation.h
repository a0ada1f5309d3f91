#pragma once

#include "core/list/IndexPath.h"
#include "core/list/ListPhotos.h"
#include "core/operations/OperationQueue.h"
#include "core/records/OccasionRecord.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace fetemark {

class RecordDatabase;

// Prepares the list photos of some records in the background, one record after another:
// a record that has its photo already is only announced; otherwise its photo is made
// (ListPhotos::createRoundedImageForOccasionListRecord against the database's whole
// list, with an address book handle opened for that record alone) or, failing that, the
// database's blank is set. Cancelling stops it after the current record.
//
// When index paths are given (one per record), each record whose photo is ready is
// announced through `recordImageUpdated` on the thread of `delegateContext` (the main
// thread), and the operation waits until that call returned: the main thread then reads
// the record's photo. A wait ends early when the operation is cancelled or the context
// is destroyed. So the main thread cancels a running preparation before it waits for
// it (stopLoadingData), and does so before it changes records, links or photos.
//
// Run it on a queue of one operation at a time. The database and the records must
// outlive the operation; the database's record list is taken when it is made.
class ListImageOperation final : public Operation {
public:
    using RecordImageUpdated = std::function<void(const IndexPath&)>;

    ListImageOperation(const RecordDatabase& database, QString dataDirectory,
        std::vector<OccasionRecordPtr> records, std::vector<IndexPath> indexPaths = {},
        QObject* delegateContext = nullptr, RecordImageUpdated recordImageUpdated = nullptr,
        qreal scale = ListPhotos::ArtworkScale);
    ~ListImageOperation() override;

    // Stops every preparation on `queue` and returns once none runs any more, so that
    // the caller may then change records, links and photos. Safe on the main thread: a
    // preparation waiting for it gives up when cancelled.
    static void stopLoadingData(OperationQueue& queue);

    const std::vector<OccasionRecordPtr>& records() const { return m_records; }
    const std::vector<IndexPath>& indexPaths() const { return m_indexPaths; }

protected:
    void main() override;

private:
    void tellDelegate(std::size_t index);

    const RecordDatabase& m_database;
    const QString m_dataDirectory;
    const std::vector<OccasionRecordPtr> m_records;
    const std::vector<IndexPath> m_indexPaths;
    const std::vector<OccasionRecordPtr> m_allRecords;
    QObject* const m_context;
    RecordImageUpdated m_recordImageUpdated;
    const qreal m_scale;
    // Whether the context still exists, told by its destruction; posting to it happens
    // under the same lock, so never to an object being destroyed.
    struct ContextState {
        std::mutex mutex;
        bool gone = false;
    };
    std::shared_ptr<ContextState> m_contextState;
    QMetaObject::Connection m_contextConnection;
};

} // namespace fetemark
