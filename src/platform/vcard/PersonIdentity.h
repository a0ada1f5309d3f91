#pragma once

#include "platform/addressbook/Person.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace fetemark {

// How an imported card finds the person it came from when it carries no UID of its own,
// and the UID every person is exported with.
//
// Most exporters (Outlook, Android, Gmail) write no UID. Such a card is stored with a
// UID made from its content, so importing the same card again finds it through the uid
// index. A card changed since (a new phone) is matched by its full name together with a
// birthday, e-mail or phone it shares with the stored person; a name alone is never
// enough, and two different birthdays mean two different people.
namespace PersonIdentity {

// The UID of a card that has none, as "urn:uuid:...": the same for the same person,
// groups and picture, different when any of them differs.
QString cardUid(const Person& person, const QStringList& groups, const QByteArray& photo);

// The UID of a person stored without one (before every person got one, or by a path
// that gives none): made from its record id and its content, so an export that cannot
// write to the book gives the same one each time and an import can store it.
QString storedUid(const Person& person);

// The person's full name as it is compared: name parts (else the organization),
// case-folded, runs of blanks as one space. Empty when it has neither.
QString nameKey(const Person& person);

// The people of a book by full name, to match cards without UID against.
class Matcher {
public:
    explicit Matcher(std::vector<Person> people);

    // The stored person with the card's full name that shares the most birthday,
    // e-mails and phones with it (the lowest record id among equals), leaving out those
    // in `taken` and those with another birthday; nullptr when there is none.
    const Person* find(const Person& card, const QSet<std::int32_t>& taken) const;

private:
    std::vector<Person> m_people;
    QMultiHash<QString, std::size_t> m_byName;
};

} // namespace PersonIdentity
} // namespace fetemark
