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
//
// A card is skipped, with a Problem naming its number and first line, when it has no
// END:VCARD, when one of its lines is not a property (no ':'), when a value it needs
// cannot be decoded (bad base64, unknown ENCODING), or when it has no name, nickname or
// organization. A single property that cannot be used (a BDAY that is not a date, a
// photo over MaxPhotoBytes) is left out with a Problem that names it; the card is kept.
// The limits below keep memory bounded on hostile files; what is cut off is reported.
namespace VCard {

inline constexpr qsizetype MaxFileBytes = 256 * 1024 * 1024;
inline constexpr qsizetype MaxPhotoBytes = 20 * 1024 * 1024; // decoded
inline constexpr int MaxCards = 200'000;
inline constexpr int MaxValues = 2'000'000; // phones, e-mails, ... and groups of all cards
inline constexpr int MaxProblems = 1000;    // one more says that others were not listed

struct Card {
    Person person;          // recordID stays -1; uid from UID; hasImage = !photo.isEmpty()
    QStringList categories; // CATEGORIES: the groups the person belongs to
    QByteArray photo;       // PHOTO, decoded (JPEG/PNG bytes); empty when none
    int number = 0;         // 1-based position of the card in its file
    // Dates the card has but in a form that is not a day ("circa 1980", "20x5"): the
    // birthday, and the labels of the other dates.
    bool birthdayLeftOut = false;
    QStringList dateLabelsLeftOut;
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

// Reads every card of a file. A malformed card is skipped and reported; the others are
// read. Never crashes or hangs on hostile input.
ReadResult read(const QByteArray& bytes);

// One vCard 4.0 of a person; reading it back gives the same person, groups and photo.
// What reading normalises does not come back as it was: "\r" in values, blanks around
// phones, e-mails, web addresses and groups, empty values and addresses, duplicate
// groups, dates outside the years 1 to 9999, and a person without name, nickname or
// organization (such a card is reported as nameless).
QByteArray write(const Person& person, const QStringList& groups, const QByteArray& photo);

} // namespace VCard
} // namespace fetemark
