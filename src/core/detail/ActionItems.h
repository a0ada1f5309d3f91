#pragma once

#include "core/records/OccasionRecord.h"

#include <QString>
#include <QUrl>

#include <vector>

namespace fetemark {

class AddressBook;
class RecordDatabase;
class Settings;
class Texts;

// What the machine can do with a phone number: with telephony, numbers can be called
// and messaged; without, they are only shown.
struct DeviceCapabilities {
    bool telephony = false;
};

// One action of an occasion's detail screen, made from its contact's card: post on the
// friend's Facebook wall, call, message, e-mail, or find an address on a map.
struct ActionItem {
    enum class Type { FacebookPost, Phone, Message, Email, Address };

    Type actionType = Type::FacebookPost;
    QString actionDetail;      // the row's main text
    QString actionDetail2;     // second line (addresses)
    QString actionShortDetail; // the bare value: number, address, postal address
    QUrl actionURL;            // empty when the value could not be made into a URL
    QString cleanEmailAddress;
    QString cleanEmailSubject; // greeting of a birthday or anniversary

    // "FACEBOOKPOST", "PHONE", "MESSAGE", "EMAIL", "ADDRESS".
    static QString typeName(Type type);
    QString typeName() const { return typeName(actionType); }
    friend bool operator==(const ActionItem&, const ActionItem&) = default;
};

// The actions of a record, in order: the Facebook post (Facebook entries and linked
// contacts), then from the contact's card its phones, messages (with telephony only),
// e-mails and postal addresses. A custom entry, or a contact missing from `book` (or no
// book), gets no card actions.
std::vector<ActionItem> updateActionItemArray(const OccasionRecord& record, const AddressBook* book,
    const Settings& settings, const Texts& texts, DeviceCapabilities device);
// The same over the database's address book, refreshed first so a card edited elsewhere
// is read as it is now.
std::vector<ActionItem> updateActionItemArray(
    RecordDatabase& database, const OccasionRecord& record, DeviceCapabilities device);

// What an action's row shows.
struct ActionRow {
    QString captionKey;     // empty for a caption that is not translated
    QString captionDefault; // English
    QString caption;        // localized
    QString detail;
    QString detail2;
    QString iconFile;        // under images/, drawn 35 points, rounded, shadow 3
    bool disclosure = false; // the theme's disclosure arrow at the right
    bool selectable = true;
};
ActionRow actionRow(const ActionItem& item, const Texts& texts, DeviceCapabilities device);

// The question asked before an action's URL is opened: a phone number is the title, the
// other values the message; the confirming button names the action ("Cancel" beside it).
struct ActionConfirmation {
    QString title;
    QString message;
    QString buttonKey;
    QString buttonDefault;
    QString button;       // localized
    QString cancelButton; // localized
};
ActionConfirmation actionConfirmation(const ActionItem& item, const Texts& texts);

// The alert after a wall post went through.
QString facebookPostSucceededText(const Texts& texts);

} // namespace fetemark
