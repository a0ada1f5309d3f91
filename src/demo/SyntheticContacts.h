#pragma once

#include "platform/addressbook/Person.h"

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>

#include <vector>

namespace fetemark {

class AddressBook;

struct SyntheticContact {
    Person person;      // recordID -1; hasImage is true when `photo` is set
    QStringList groups; // names of the groups the person belongs to
    QByteArray photo;   // PNG bytes; empty when none
    friend bool operator==(const SyntheticContact&, const SyntheticContact&) = default;
};

// Made-up but realistic people for tests, benchmarks and the demo book: names of several
// cultures and scripts, birthdays (some without a year, some on 29 February),
// anniversaries and other dates with labels, phones, e-mails, addresses, notes, groups
// and pictures.
//
// The same seed gives the same people on every machine and library version: the
// numbers come straight from std::mt19937, whose output the C++ standard fixes, and
// not from std:: distributions, whose results it does not. Person i does not depend on
// how many people are asked for, so a smaller set is a prefix of a larger one.
namespace SyntheticContacts {

struct Options {
    int people = 10000;
    quint32 seed = 1;
    int photoEvery = 0; // every n-th person gets a picture; 0 = none
};

// The names of the groups people are put in.
QStringList groupNames();

std::vector<SyntheticContact> generate(const Options& options);

// Adds the generated people to `book` with their groups (reusing groups of the same
// name) and pictures, in one transaction, and saves, together with any changes the
// handle already held. The number of people added, or -1 when the book refused a change
// (everything unsaved is then dropped; book.lastError() tells why).
int fill(AddressBook& book, const Options& options);

// A small PNG (RGB, 32 x 32, about 3 KB) drawn from `key`: different keys give different
// pictures. Written by hand because this layer does not link QtGui.
QByteArray photo(quint32 key);

} // namespace SyntheticContacts
} // namespace fetemark
