#include "PersonIdentity.h"

#include <QCryptographicHash>
#include <QUuid>

#include <algorithm>

namespace fetemark::PersonIdentity {
namespace {

// Fetemark's own namespace for name-based (version 5) UUIDs.
const QUuid UidNamespace(QStringLiteral("a9316936-185d-4172-be5b-06f9aa3ae25c"));

// Each value with its length in front, so no two different people give the same bytes.
void put(QByteArray& out, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    out += QByteArray::number(utf8.size());
    out += ':';
    out += utf8;
}

void put(QByteArray& out, const QDate& date)
{
    put(out, date.isValid() ? date.toString(Qt::ISODate) : QString());
}

template<typename T, typename F>
void putAll(QByteArray& out, const std::vector<Labeled<T>>& values, F&& putValue)
{
    out += QByteArray::number(qsizetype(values.size()));
    out += '[';
    for (const Labeled<T>& v : values) {
        put(out, v.label);
        putValue(v.value);
    }
}

QByteArray content(const Person& p)
{
    QByteArray out;
    for (const QString* text : {&p.prefix, &p.firstName, &p.middleName, &p.lastName, &p.suffix,
             &p.nickname, &p.organization, &p.note})
        put(out, *text);
    put(out, p.birthday);
    putAll(out, p.dates, [&](const QDate& d) { put(out, d); });
    auto text = [&](const QString& s) { put(out, s); };
    putAll(out, p.phones, text);
    putAll(out, p.emails, text);
    putAll(out, p.urls, text);
    putAll(out, p.addresses, [&](const PostalAddress& a) {
        for (const QString* part : {&a.street, &a.city, &a.state, &a.zip, &a.country})
            put(out, *part);
    });
    return out;
}

QString uidFrom(const QByteArray& bytes)
{
    return QStringLiteral("urn:uuid:") +
        QUuid::createUuidV5(UidNamespace, bytes).toString(QUuid::WithoutBraces);
}

// Phones compare by their digits: "+1 (555) 010-2030" and "+1 555 0102030" are one.
QString phoneKey(const QString& phone)
{
    QString digits;
    for (const QChar c : phone) {
        if (c.isDigit())
            digits += c;
    }
    return digits;
}

QSet<QString> keys(const std::vector<Labeled<QString>>& values, QString (*key)(const QString&))
{
    QSet<QString> result;
    for (const auto& v : values) {
        if (QString k = key(v.value); !k.isEmpty())
            result.insert(k);
    }
    return result;
}

QString emailKey(const QString& email)
{
    return email.trimmed().toCaseFolded();
}

// Days without a year agree with any year.
bool sameDay(const QDate& a, const QDate& b)
{
    return a.month() == b.month() && a.day() == b.day() &&
        (a.year() == b.year() || a.year() == Person::NoYear || b.year() == Person::NoYear);
}

// How much the card shares with a stored person of the same name; -1 when they differ in
// a way that makes them two people.
int sharedKeys(const Person& card, const Person& stored)
{
    int shared = 0;
    if (card.birthday.isValid() && stored.birthday.isValid()) {
        if (!sameDay(card.birthday, stored.birthday))
            return -1;
        ++shared;
    }
    shared += int(keys(card.emails, emailKey).intersect(keys(stored.emails, emailKey)).size());
    shared += int(keys(card.phones, phoneKey).intersect(keys(stored.phones, phoneKey)).size());
    return shared;
}

} // namespace

QString cardUid(const Person& person, const QStringList& groups, const QByteArray& photo)
{
    QByteArray bytes = "card\n" + content(person);
    QStringList sorted = groups;
    sorted.sort();
    for (const QString& group : sorted)
        put(bytes, group);
    bytes += QCryptographicHash::hash(photo, QCryptographicHash::Sha256).toHex();
    return uidFrom(bytes);
}

QString storedUid(const Person& person)
{
    return uidFrom("person\n" + QByteArray::number(person.recordID) + '\n' + content(person));
}

QString nameKey(const Person& p)
{
    QStringList parts;
    for (const QString& part : {p.prefix, p.firstName, p.middleName, p.lastName, p.suffix}) {
        if (!part.trimmed().isEmpty())
            parts << part;
    }
    const QString name = parts.isEmpty() ? p.organization : parts.join(QLatin1Char(' '));
    return name.simplified().toCaseFolded();
}

Matcher::Matcher(std::vector<Person> people) : m_people(std::move(people))
{
    for (std::size_t i = 0; i < m_people.size(); ++i) {
        if (QString key = nameKey(m_people[i]); !key.isEmpty())
            m_byName.insert(key, i);
    }
}

const Person* Matcher::find(const Person& card, const QSet<std::int32_t>& taken) const
{
    const QString key = nameKey(card);
    if (key.isEmpty())
        return nullptr;
    const Person* best = nullptr;
    int bestShared = 0;
    for (auto it = m_byName.constFind(key); it != m_byName.cend() && it.key() == key; ++it) {
        const Person& stored = m_people[it.value()];
        if (taken.contains(stored.recordID))
            continue;
        const int shared = sharedKeys(card, stored);
        if (shared <= 0)
            continue;
        if (shared > bestShared || (shared == bestShared && stored.recordID < best->recordID)) {
            best = &stored;
            bestShared = shared;
        }
    }
    return best;
}

} // namespace fetemark::PersonIdentity
