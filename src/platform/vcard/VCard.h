#pragma once

#include "platform/addressbook/Person.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace fetemark {

// vCard 2.1, 3.0 and 4.0 as phones, web address books and mail clients export them,
// read into people of the address book; and vCard 4.0 written from them.
//
// Reading, in short:
// - Names come from N. FN fills them only when N has none and FN is neither the
//   organization (a company card) nor the nickname: it is split at its last space into
//   first and last name. ORG gives its first component.
// - BDAY, ANNIVERSARY, X-ANNIVERSARY, X-EVOLUTION-ANNIVERSARY, X-MS-ANNIVERSARY,
//   X-KADDRESSBOOK-X-ANNIVERSARY, Android's X-ANDROID-CUSTOM events and itemN.X-ABDATE
//   (labelled by the itemN.X-ABLabel of the same group) give the dates. An anniversary
//   already present as an X-ABDATE with the same day and the anniversary label is not
//   added twice (write() emits both forms). A year-less date gets Person::NoYear.
// - TEL, EMAIL, URL and ADR take their label from the X-ABLabel of their group, else
//   from their TYPE (see VCardLabels.h), else none. Empty values are dropped. Names,
//   nickname, organization, phones, e-mails and web addresses are trimmed. ADR's post
//   office box and extended address follow the street on lines of their own.
// - CATEGORIES gives the groups: trimmed, empty ones dropped, first occurrence kept.
// - Line ends inside values become "\n".
// - Properties no field of the person holds (TITLE, ROLE, IMPP, RELATED, X-..., an ORG
//   with a department) are kept as unfolded vCard 4.0 lines: their text as written,
//   with CHARSET and ENCODING resolved (base64 becomes a data: URI) and vCard 2.1's bare
//   types written as TYPE=. VERSION, PRODID, REV and LABEL are not kept (they describe
//   the file or repeat ADR), nor the properties of a group that holds a value read into
//   the person (its X-ABLabel, Apple's X-ABADR).
// - 8-bit text with no CHARSET that is not UTF-8 is read in the charset ICU detects from
//   all such text of the file (a name alone is too short to tell), with a Problem naming
//   the guess once per file; when nothing is detected, Windows-1252.
//
// What cannot be read is left out with a Problem naming the card and line, and the rest
// of the card is kept: a line that is no property (no ':'), a value that cannot be
// decoded (bad base64, unknown ENCODING), a PHOTO whose base64 is cut off or a JPEG
// without its end, a BDAY that is not a date, a photo over MaxPhotoBytes. A card
// without END:VCARD is read up to the next BEGIN:VCARD or the end of the file. Only a
// card with no name, nickname or organization is skipped.
// The limits below keep memory bounded on hostile files. A file over one of them is
// refused as a whole, with a Problem saying why and no cards, never read in part.
namespace VCard {

inline constexpr qsizetype MaxFileBytes = 256 * 1024 * 1024;
inline constexpr qsizetype MaxPhotoBytes = 20 * 1024 * 1024; // decoded
inline constexpr int MaxCards = 1'000'000;
// Phones, e-mails, ..., groups and kept properties of all cards.
inline constexpr qint64 MaxValues = 20'000'000;
inline constexpr int MaxProblems = 1000; // one more says that others were not listed

struct Limits {
    qsizetype fileBytes = MaxFileBytes;
    int cards = MaxCards;
    qint64 values = MaxValues;
};

struct Card {
    Person person;               // recordID stays -1; uid from UID; hasImage = !photo.isEmpty()
    QStringList categories;      // CATEGORIES: the groups the person belongs to
    QByteArray photo;            // PHOTO, decoded (JPEG/PNG bytes); empty when none
    QStringList extraProperties; // what no field holds, as unfolded vCard 4.0 lines
    int number = 0;              // 1-based position of the card in its file
    // Dates the card has but in a form that is not a day ("circa 1980", "20x5"): the
    // birthday, and the labels of the other dates.
    bool birthdayLeftOut = false;
    QStringList dateLabelsLeftOut;
    // Lines of the card could not be read (any of them might have been a date), or it
    // had no END:VCARD: what it lacks must not be taken for removed.
    bool incomplete = false;
};

struct Problem {
    int cardNumber = 0; // 1-based; 0 when the problem is outside any card
    int line = 0;       // 1-based line where the card (or the problem) starts; 0 when
                        // it concerns the whole file
    QString message;
};

struct ReadResult {
    std::vector<Card> cards;       // the cards that could be read, in file order
    std::vector<Problem> problems; // the cards that were skipped and the values left out, and why
};

// Reads every card of a file. What cannot be read is left out and reported; a file over
// the limits gives no cards. Never crashes or hangs on hostile input.
ReadResult read(const QByteArray& bytes, const Limits& limits = {});

// One vCard 4.0 of a person; reading it back gives the same person, groups and photo.
// What reading normalises does not come back as it was: "\r" in values, blanks around
// phones, e-mails, web addresses and groups, empty values and addresses, duplicate
// groups, dates outside the years 1 to 9999, and a person without name, nickname or
// organization (such a card is reported as nameless).
// `extraProperties` are Card::extraProperties as read: they are written back, an ORG line
// with a department in place of ORG while its first part is still the organization.
QByteArray write(const Person& person, const QStringList& groups, const QByteArray& photo,
    const QStringList& extraProperties = {});

} // namespace VCard
} // namespace fetemark
