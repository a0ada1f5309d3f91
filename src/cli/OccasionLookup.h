#pragma once

#include "core/records/OccasionRecord.h"

#include <QString>

namespace fetemark {
class RecordDatabase;
}

namespace fetemark::cli {

// The occasion with that id among the shown and held-over records.
OccasionRecordPtr findOccasion(RecordDatabase& db, const QString& id);

} // namespace fetemark::cli
