#pragma once

#include "core/records/OccasionRecord.h"

#include <QString>

#include <optional>
#include <vector>

namespace fetemark {

class RecordDatabase;
class Settings;
class Texts;

// The per-occasion settings screen apart from drawing: whether the occasion's year is
// shown and counted, and whether reminders are sent for it. The record is changed in
// place; it is stored when the screen is left (detailedInfoExtraControllerDone).
namespace DetailedInfoExtra {

// The detail screen's row that opens these settings, and the screen's title (the name
// the detail screen shows).
QString settingsRowTitle(const Texts& texts);
QString navigationTitle(const OccasionRecord& record);

struct SwitchRow {
    enum class Kind { IncludeYear, Alerts };
    Kind kind = Kind::Alerts;
    QString titleKey;
    QString title; // localized
    QString iconFile;
    bool on = false;
    bool enabled = true;
    friend bool operator==(const SwitchRow&, const SwitchRow&) = default;
};
// In order: the include-year switch (not for holidays; disabled for a date stored
// without a year), then the alerts switch.
std::vector<SwitchRow> rows(const OccasionRecord& record, const Texts& texts);

// The footer under the rows: for a holiday while holiday reminders ("0378") are off, the
// help that says where to turn them on; none otherwise.
std::optional<QString> helpFooter(
    const OccasionRecord& record, const Settings& settings, const Texts& texts);

// The include-year switch turned `on` or off. A one-time entry whose date lies before
// today cannot get its year back: refused, the record untouched, `refusal` (when given)
// holds the alert's text and the switch must go back off. Otherwise the record's dates
// and texts are made again.
bool includeYearChanged(
    OccasionRecord& record, bool on, RecordDatabase& database, QString* refusal = nullptr);

// The alerts switch turned `on` or off. The caller then has the reminders rebuilt
// (AppDelegate::sendProviderData(false)).
void alertsChanged(OccasionRecord& record, bool on);

// Leaving the screen: the change is stored by the record's kind (a custom entry updated,
// a Facebook entry's or holiday's choices written with the custom entries; a contact's
// go there at the next write, its list picture is made again), then the record's texts
// are made again. False with `error` when the store could not be written.
bool detailedInfoExtraControllerDone(
    RecordDatabase& database, const OccasionRecordPtr& record, QString* error = nullptr);

} // namespace DetailedInfoExtra
} // namespace fetemark
