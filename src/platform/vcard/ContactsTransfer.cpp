#include "ContactsTransfer.h"

#include "platform/addressbook/AddressBook.h"
#include "platform/vcard/VCard.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace fetemark::ContactsTransfer {
namespace {

QString problemLine(const QString& source, const VCard::Problem& problem)
{
    if (problem.cardNumber > 0)
        return QStringLiteral("%1: card %2 (line %3): %4")
            .arg(source)
            .arg(problem.cardNumber)
            .arg(problem.line)
            .arg(problem.message);
    if (problem.line == 0) // the whole file
        return QStringLiteral("%1: %2").arg(source, problem.message);
    return QStringLiteral("%1: line %2: %3").arg(source).arg(problem.line).arg(problem.message);
}

// A date the card spells so that it cannot be read must not erase the one stored:
// the birthday, and stored dates under a label whose new value could not be read (any
// label when lines of the card could not be read).
void keepUnreadDates(Person& person, const VCard::Card& card, const Person& stored)
{
    if ((card.birthdayLeftOut || card.incomplete) && !person.birthday.isValid())
        person.birthday = stored.birthday;
    for (const auto& date : stored.dates) {
        const bool unread = card.incomplete || card.dateLabelsLeftOut.contains(date.label);
        const bool replaced = std::any_of(person.dates.begin(), person.dates.end(),
            [&](const auto& d) { return d.label == date.label; });
        if (unread && !replaced)
            person.dates.push_back(date);
    }
}

} // namespace

ImportReport importVCards(AddressBook& book, const QByteArray& bytes, const QString& sourceName)
{
    ImportReport report;
    const VCard::ReadResult result = VCard::read(bytes);
    for (const VCard::Problem& problem : result.problems)
        report.problems << problemLine(sourceName, problem);

    QHash<QString, std::int32_t> groupIds;
    for (const Group& group : book.allGroups())
        groupIds.insert(group.name, group.recordID);

    for (const VCard::Card& card : result.cards) {
        Person person = card.person;
        std::int32_t id = -1;
        const auto existing =
            card.person.uid.isEmpty() ? std::nullopt : book.personWithUid(card.person.uid);
        if (existing) {
            person.recordID = existing->recordID;
            keepUnreadDates(person, card, *existing);
            if (book.updatePerson(person)) {
                id = person.recordID;
                ++report.updated;
            }
        } else {
            person.recordID = -1;
            id = book.addPerson(person);
            if (id >= 0)
                ++report.added;
        }
        if (id < 0) {
            ++report.skippedCards;
            report.problems << QStringLiteral("%1: card %2: could not be stored: %3")
                                   .arg(sourceName)
                                   .arg(card.number)
                                   .arg(book.lastError());
            continue;
        }
        if (!card.photo.isEmpty())
            book.setImageData(id, card.photo);
        if (!card.extraProperties.isEmpty() || existing)
            book.setCardProperties(id, card.extraProperties);
        for (const QString& category : card.categories) {
            auto it = groupIds.find(category);
            if (it == groupIds.end())
                it = groupIds.insert(category, book.addGroup(category));
            if (it.value() >= 0)
                book.addGroupMember(it.value(), id);
        }
    }
    // Malformed cards were left out by the reader; each has problems naming its number.
    QSet<int> readNumbers;
    for (const VCard::Card& card : result.cards)
        readNumbers.insert(card.number);
    QSet<int> skippedNumbers;
    for (const VCard::Problem& problem : result.problems) {
        if (problem.cardNumber > 0 && !readNumbers.contains(problem.cardNumber))
            skippedNumbers.insert(problem.cardNumber);
    }
    report.skippedCards += int(skippedNumbers.size());
    return report;
}

QByteArray exportVCards(const AddressBook& book, QString* error)
{
    // The first failed read is the one worth telling.
    auto check = [&book, error] {
        if (book.lastCallFailed() && error && error->isEmpty())
            *error = book.lastError();
    };
    QHash<std::int32_t, QString> groupNames;
    for (const Group& group : book.allGroups())
        groupNames.insert(group.recordID, group.name);
    check();

    QByteArray out;
    const std::vector<Person> people = book.allPeople();
    check();
    for (const Person& person : people) {
        QStringList groups;
        for (std::int32_t groupID : book.groupsOf(person.recordID))
            groups << groupNames.value(groupID);
        check();
        const QByteArray photo = person.hasImage ? book.imageData(person.recordID) : QByteArray();
        check();
        const QStringList kept = book.cardProperties(person.recordID);
        check();
        out += VCard::write(person, groups, photo, kept);
    }
    return out;
}

} // namespace fetemark::ContactsTransfer
