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
    int skippedCards = 0;
    QStringList problems; // one line each: "<source>: card N (line L): what was wrong"
};

// Reads the cards of one file into the book. A card whose UID is already in the book
// updates that person (its values are replaced, its picture only when the card has
// one, its groups added to); any other card adds a person. Groups are made by name
// as needed. Changes stay unsaved on the handle: the caller saves once for a whole
// import, so a failure leaves the book as it was.
ImportReport importVCards(AddressBook& book, const QByteArray& bytes, const QString& sourceName);

// Every person of the book as vCard 4.0, in record id order. When a read of the book
// fails, `error` (when given) says why and the cards are incomplete.
QByteArray exportVCards(const AddressBook& book, QString* error = nullptr);

} // namespace ContactsTransfer
} // namespace fetemark
