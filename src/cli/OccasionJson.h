#pragma once

#include "core/records/OccasionRecord.h"

#include <QJsonObject>
#include <QJsonValue>

namespace fetemark {
class Calendar;
class FunFacts;
class RecordDatabase;
class Settings;
} // namespace fetemark

namespace fetemark::cli {

class CommandContext;
class JsonWriter;

// An occasion's fields as `list --json` and `show --json` give them.
QJsonObject recordJson(RecordDatabase& db, const OccasionRecordPtr& r);
// The fun facts block of an occasion's page, null when the page shows none.
QJsonValue funFactsJson(CommandContext& context, RecordDatabase& db, const OccasionRecord& r);
// The same with the fun facts' tables made once, for a list of many occasions.
QJsonValue funFactsJson(const Settings& settings, const FunFacts& facts, const OccasionRecord& r);
// One row of `list --json` (recordJson with its place in the group and its fun facts),
// written straight out; the record's texts must be made.
void writeRecordJson(JsonWriter& json, const Calendar& calendar, const OccasionRecord& r,
    int location, const QJsonValue& funFacts);

} // namespace fetemark::cli
