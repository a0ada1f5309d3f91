#pragma once

#include "core/records/OccasionRecord.h"
#include "core/time/Calendar.h"

#include <QString>

#include <vector>

namespace fetemark {

// The identifier the command line prints for an occasion and accepts back: the same
// for the same data across runs. "custom-<uuid>", "facebook-<id>", "holiday-<key>";
// a contact's birthday "contact-<recordID>-birthday", its other dates
// "contact-<recordID>-<hash>" of their type, label and day.
namespace OccasionId {

QString of(const OccasionRecord& record, const Calendar& calendar);

// The record with that identifier among `records`, or nullptr.
OccasionRecordPtr find(
    const std::vector<OccasionRecordPtr>& records, const QString& id, const Calendar& calendar);

} // namespace OccasionId
} // namespace fetemark
