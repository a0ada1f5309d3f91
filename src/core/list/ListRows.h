#pragma once

#include "core/records/OccasionRecord.h"

#include <QString>

namespace fetemark {

class RecordDatabase;
class Settings;
class Texts;

// What one row of the main list shows and what its actions do, apart from drawing:
// the reminder toggle, the type icon, the colour of the phrase, the swipe title and the
// delete that follows it.
namespace ListRows {

// The reminder toggle beside the phrase.
struct ReminderToggle {
    enum class Image { None, UpcomingOff, UpcomingOn };
    bool enabled = false;
    Image image = Image::None;
    friend bool operator==(const ReminderToggle&, const ReminderToggle&) = default;
};
ReminderToggle setWithRecord(const OccasionRecord& record, const Settings& settings);

enum class TypeIcon { None, Birthday, Anniversary, Other, Holiday };
TypeIcon typeIcon(const OccasionRecord& record);

// The phrase is drawn in the "today" colour on the day and the day before; bold on the
// day itself.
struct DetailStyle {
    bool todayColour = false;
    bool bold = false;
    friend bool operator==(const DetailStyle&, const DetailStyle&) = default;
};
DetailStyle detailStyle(const OccasionRecord& record);

// The date beside the name: the long date on large rows.
QString dateLabelText(const OccasionRecord& record, const Settings& settings);

// The title of the swipe button: holidays are hidden, Facebook friends' entries removed,
// everything else deleted.
QString swipeTitle(const OccasionRecord& record, const Texts& texts);

// What a delete of the row does: some rows go at once, the others ask first.
struct DeleteDecision {
    enum class Action { IgnoreFacebookEntry, UnsubscribeHoliday, Ask };
    Action action = Action::Ask;
    QString titleKey;       // the question, when one is asked
    QString destructiveKey; // its button
    friend bool operator==(const DeleteDecision&, const DeleteDecision&) = default;
};
DeleteDecision deleteDecision(const OccasionRecord& record, const RecordDatabase& database);
// The localized question and button of a decision that asks.
QString deleteQuestion(const DeleteDecision& decision, const Texts& texts);
QString deleteButton(const DeleteDecision& decision, const Texts& texts);

// Carries out a delete the user confirmed: a custom entry is removed, a phantom birthday
// goes with its Facebook link, a contact's date is taken out of the address book (and a
// birthday's Facebook link with it).
void confirmDelete(const OccasionRecordPtr& record, RecordDatabase& database);

} // namespace ListRows
} // namespace fetemark
