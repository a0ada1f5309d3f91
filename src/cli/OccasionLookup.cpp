#include "OccasionLookup.h"

#include "core/database/RecordDatabase.h"
#include "core/records/OccasionId.h"

namespace fetemark::cli {

OccasionRecordPtr findOccasion(RecordDatabase& db, const QString& id)
{
    if (auto r = OccasionId::find(db.records(), id, db.gregorian()))
        return r;
    return OccasionId::find(db.holdoverRecords(), id, db.gregorian());
}

} // namespace fetemark::cli
