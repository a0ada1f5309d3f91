#include "ContactsTransfer.h"

#include "platform/addressbook/AddressBook.h"
#include "platform/vcard/PersonIdentity.h"
#include "platform/vcard/VCard.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <optional>

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

// What one card of a file does to the book.
struct Plan {
    QString key;                  // the card's UID, else the one made from its content
    std::optional<Person> stored; // the person it updates; none: it adds one
    int sameAs = -1;              // an earlier card of the file with the same key
};

// People stored without a uid get the one their export carries, so that importing
// that export finds them and every person keeps one identity from now on.
void giveUidsToEveryone(AddressBook& book, ImportReport& report, const QString& source)
{
    const std::vector<std::int32_t> ids = book.peopleWithoutUid();
    bool failed = book.lastCallFailed();
    for (std::int32_t id : ids) {
        const std::optional<Person> person = book.person(id);
        failed = !person || !book.setUid(id, PersonIdentity::storedUid(*person));
        if (failed)
            break;
    }
    if (failed)
        report.problems << QStringLiteral("%1: people stored without a UID could not be given "
                                          "one, so their exported cards may be added again: %2")
                               .arg(source, book.lastError());
}

// Cards without UID that their content did not find: by full name and what they share.
void matchByName(const AddressBook& book, const std::vector<VCard::Card>& cards,
    std::vector<Plan>& plans, QSet<std::int32_t>& taken)
{
    const PersonIdentity::Matcher matcher(book.allPeople());
    for (std::size_t i = 0; i < cards.size(); ++i) {
        Plan& plan = plans[i];
        if (plan.stored || plan.sameAs >= 0 || !cards[i].person.uid.isEmpty())
            continue;
        if (const Person* match = matcher.find(cards[i].person, taken)) {
            plan.stored = *match;
            taken.insert(match->recordID);
        }
    }
}

// Exact matches first, through the uid index, so that a changed card matched by name
// never takes the person an unchanged card of the same file belongs to.
std::vector<Plan> planCards(const AddressBook& book, const std::vector<VCard::Card>& cards)
{
    std::vector<Plan> plans(cards.size());
    QHash<QString, int> firstWithKey;
    QSet<std::int32_t> taken;
    bool unmatched = false;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        Plan& plan = plans[i];
        const VCard::Card& card = cards[i];
        const Person& person = card.person;
        plan.key = person.uid.isEmpty()
            ? PersonIdentity::cardUid(person, card.categories, card.photo)
            : person.uid;
        if (const auto it = firstWithKey.constFind(plan.key); it != firstWithKey.cend()) {
            plan.sameAs = it.value();
            continue;
        }
        firstWithKey.insert(plan.key, int(i));
        plan.stored = book.personWithUid(plan.key);
        if (plan.stored)
            taken.insert(plan.stored->recordID);
        else if (person.uid.isEmpty())
            unmatched = true;
    }
    if (unmatched)
        matchByName(book, cards, plans, taken);
    return plans;
}

bool sameCard(const VCard::Card& a, const VCard::Card& b)
{
    QStringList groupsA = a.categories;
    QStringList groupsB = b.categories;
    groupsA.sort();
    groupsB.sort();
    return a.person == b.person && groupsA == groupsB && a.photo == b.photo;
}

class Import {
public:
    Import(AddressBook& book, const QString& source) : m_book(book), m_source(source)
    {
        for (const Group& group : book.allGroups())
            m_groupIds.insert(group.name, group.recordID);
    }

    // The record id the card was stored as; -1 when it was not.
    std::int32_t store(const VCard::Card& card, const Plan& plan)
    {
        Person person = card.person;
        std::int32_t id = -1;
        if (plan.stored) {
            person.recordID = plan.stored->recordID;
            // A card without UID leaves the person the identity it has.
            if (person.uid.isEmpty())
                person.uid = plan.stored->uid.isEmpty() ? plan.key : plan.stored->uid;
            keepUnreadDates(person, card, *plan.stored);
            if (m_book.updatePerson(person)) {
                id = person.recordID;
                ++report.updated;
            }
        } else {
            person.recordID = -1;
            person.uid = plan.key;
            id = m_book.addPerson(person);
            if (id >= 0)
                ++report.added;
        }
        if (id < 0) {
            ++report.skippedCards;
            problem(card, QStringLiteral("could not be stored: %1").arg(m_book.lastError()));
            return -1;
        }
        addPhotoAndGroups(card, id, plan.stored.has_value());
        return id;
    }

    // A card whose key an earlier card of the file had: one person for both.
    std::int32_t storeAgain(
        const VCard::Card& card, const VCard::Card& first, Plan plan, std::int32_t firstID)
    {
        if (firstID >= 0 && sameCard(card, first)) {
            ++report.skippedCards;
            problem(card, QStringLiteral("the same as card %1; imported once").arg(first.number));
            return firstID;
        }
        if (firstID >= 0)
            problem(card,
                QStringLiteral("has the same UID as card %1; the later card is kept")
                    .arg(first.number));
        plan.stored = firstID >= 0 ? m_book.person(firstID) : std::nullopt;
        return store(card, plan);
    }

    ImportReport report;

private:
    void problem(const VCard::Card& card, const QString& text)
    {
        report.problems
            << QStringLiteral("%1: card %2: %3").arg(m_source).arg(card.number).arg(text);
    }

    void addPhotoAndGroups(const VCard::Card& card, std::int32_t id, bool updated)
    {
        if (!card.photo.isEmpty())
            m_book.setImageData(id, card.photo);
        if (!card.extraProperties.isEmpty() || updated)
            m_book.setCardProperties(id, card.extraProperties);
        for (const QString& category : card.categories) {
            auto it = m_groupIds.find(category);
            if (it == m_groupIds.end())
                it = m_groupIds.insert(category, m_book.addGroup(category));
            if (it.value() >= 0)
                m_book.addGroupMember(it.value(), id);
        }
    }

    AddressBook& m_book;
    QString m_source;
    QHash<QString, std::int32_t> m_groupIds;
};

// Malformed cards were left out by the reader; each has problems naming its number.
int malformedCards(const VCard::ReadResult& result)
{
    QSet<int> readNumbers;
    for (const VCard::Card& card : result.cards)
        readNumbers.insert(card.number);
    QSet<int> skippedNumbers;
    for (const VCard::Problem& problem : result.problems) {
        if (problem.cardNumber > 0 && !readNumbers.contains(problem.cardNumber))
            skippedNumbers.insert(problem.cardNumber);
    }
    return int(skippedNumbers.size());
}

} // namespace

ImportReport importVCards(AddressBook& book, const QByteArray& bytes, const QString& sourceName)
{
    const VCard::ReadResult result = VCard::read(bytes);
    Import import(book, sourceName);
    for (const VCard::Problem& problem : result.problems)
        import.report.problems << problemLine(sourceName, problem);
    if (!result.cards.empty())
        giveUidsToEveryone(book, import.report, sourceName);

    const std::vector<Plan> plans = planCards(book, result.cards);
    std::vector<std::int32_t> ids(result.cards.size(), -1);
    for (std::size_t i = 0; i < result.cards.size(); ++i) {
        const Plan& plan = plans[i];
        if (plan.sameAs < 0)
            ids[i] = import.store(result.cards[i], plan);
        else
            ids[i] = import.storeAgain(result.cards[i], result.cards[std::size_t(plan.sameAs)],
                plan, ids[std::size_t(plan.sameAs)]);
    }
    import.report.skippedCards += malformedCards(result);
    return import.report;
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
        if (person.uid.isEmpty()) {
            // The book is only read here; the next import stores this same uid.
            Person withUid = person;
            withUid.uid = PersonIdentity::storedUid(person);
            out += VCard::write(withUid, groups, photo, kept);
        } else {
            out += VCard::write(person, groups, photo, kept);
        }
    }
    return out;
}

} // namespace fetemark::ContactsTransfer
