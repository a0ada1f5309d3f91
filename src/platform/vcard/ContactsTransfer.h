#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace fetemark {

class AddressBook;

// Moving people between vCard files and the address book.
namespace ContactsTransfer {

struct ImportReport {
    int added = 0;
    int updated = 0;
    int skippedCards = 0; // malformed, not stored, or the same as an earlier card of the file
    QStringList problems; // one line each: "<source>: card N (line L): what was wrong"
};

// Reads the cards of one file into the book. A card finds the person it came from by its
// UID; a card without UID by the UID stored for its content when it was first imported,
// else by its full name together with a shared birthday, e-mail or phone (see
// PersonIdentity.h). That person is updated (its values are replaced, dates the card
// spells unreadably kept, its picture replaced only when the card has one, its groups
// added to); any other card adds a person, with the card's UID or one made from its
// content. A card the same as an earlier one of the file is skipped. People stored
// without a uid are given the one their export carries. Groups are made by name as
// needed. Changes stay unsaved on the handle: the caller saves once for a whole
// import, so a failure leaves the book as it was.
ImportReport importVCards(AddressBook& book, const QByteArray& bytes, const QString& sourceName);

// Every person of the book as vCard 4.0, in record id order, each with a UID (for a
// person stored without one, the UID the next import gives it). When a read of the book
// fails, `error` (when given) says why and the cards are incomplete.
QByteArray exportVCards(const AddressBook& book, QString* error = nullptr);

} // namespace ContactsTransfer
} // namespace fetemark
