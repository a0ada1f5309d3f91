#pragma once

#include "core/records/OccasionRecord.h"
#include "core/time/Calendar.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace fetemark {

// The identifier the command line prints for an occasion and accepts back: the same
// for the same data across runs. "custom-<uuid>", "facebook-<id>", "holiday-<key>";
// a contact's birthday "contact-<recordID>-birthday", its other dates
// "contact-<recordID>-<hash>" of their type, stored label and day, never of a translation
// (an unlabelled date is hashed as "date").
namespace OccasionId {

QString of(const OccasionRecord& record, const Calendar& calendar);

// The other ids earlier versions gave the record, when they made its id from a
// translated word (an unlabelled date, in a language other than English); else none.
QStringList formerIds(const OccasionRecord& record, const Calendar& calendar);

// The record with that identifier among `records`, or one that had it as a former id;
// nullptr when none.
OccasionRecordPtr find(
    const std::vector<OccasionRecordPtr>& records, const QString& id, const Calendar& calendar);

} // namespace OccasionId
} // namespace fetemark
