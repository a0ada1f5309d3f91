#pragma once

#include "core/records/OccasionRecord.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace fetemark {

class Settings;
class Texts;

// A setting chosen from a list, as the settings resource "Settings.plist" describes it
// (the entry of its "PreferenceSpecifiers" with the setting's "Key"; the file's header
// gives the shape). Texts are keys of the "Settings" string table.
struct OptionList {
    QString key;
    QString titleKey;
    QStringList titleKeys;
    std::vector<int> values;
    QStringList images; // may be shorter than the options
    QString helpKey;

    // The row holding `value`, or -1.
    int indexOfValue(int value) const;
    QString title(const Texts& texts) const;
    QString optionTitle(int index, const Texts& texts) const;
};
// The list of `key`; none with `error` when the resource is missing or damaged, has no
// such entry, or an entry whose titles and values do not pair up.
std::optional<OptionList> readOptionList(const QString& key,
    const QString& resourceRoot = QStringLiteral(":/resources"), QString* error = nullptr);

// The notes settings screen and the notes row of the detail screen.
namespace NotesOptions {

inline constexpr const char* SettingsTable = "Settings";

// The "addressbooknotes" list: where a contact's notes are kept.
std::optional<OptionList> addressBookNotesOptions(
    const QString& resourceRoot = QStringLiteral(":/resources"), QString* error = nullptr);

struct ScreenTexts {
    QString showNotes;    // the "shownotes" switch row
    QString optionHeader; // above the options
    QString optionFooter; // below them
};
ScreenTexts screenTexts(const Texts& texts);

// The notes editor of a record: titled after the store the notes are kept in.
struct EditorTexts {
    QString titleKey;
    QString title;
    QString placeholder; // also shown in the notes row while the notes are empty
};
EditorTexts editorTexts(const OccasionRecord& record, const Settings& settings, const Texts& texts);

} // namespace NotesOptions
} // namespace fetemark
