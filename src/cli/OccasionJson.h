#pragma once

#include "core/records/OccasionRecord.h"

#include <QJsonObject>
#include <QJsonValue>

namespace fetemark {
class RecordDatabase;
}

namespace fetemark::cli {

class CommandContext;

// An occasion's fields as `list --json` and `show --json` give them.
QJsonObject recordJson(RecordDatabase& db, const OccasionRecordPtr& r);
// The fun facts block of an occasion's page, null when the page shows none.
QJsonValue funFactsJson(CommandContext& context, RecordDatabase& db, const OccasionRecord& r);

} // namespace fetemark::cli
