// Writing one person as a vCard 4.0 that this reader reads back to the same person and
// that other readers understand: standard properties and TYPEs where they say enough,
// Apple's itemN.X-ABLabel groups for every other label, all dates as X-ABDATE so that
// labels and order survive.
#include "platform/vcard/VCard.h"

#include "platform/vcard/VCardLabels.h"
#include "platform/vcard/VCardText.h"

#include <QHash>

namespace fetemark::VCard {
namespace {

using text::escape;

class Lines {
public:
    // Folded at 75 octets, never inside a UTF-8 sequence.
    void add(QByteArrayView line)
    {
        qsizetype limit = 75;
        while (line.size() > limit) {
            qsizetype cut = limit;
            while (cut > 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
                --cut;
            m_out += line.first(cut);
            m_out += "\r\n ";
            line = line.sliced(cut);
            limit = 74; // the continuation's leading space counts
        }
        m_out += line;
        m_out += "\r\n";
    }

    QByteArray take() { return std::move(m_out); }

private:
    QByteArray m_out;
};

bool writable(const QDate& d)
{
    return d.isValid() && d.year() >= 1 && d.year() <= 9999;
}

QByteArray number(int value, int width)
{
    return QByteArray::number(value).rightJustified(width, '0');
}

// RFC 6350's basic form: 19850315, or --0315 without a year.
QByteArray basicDate(const QDate& d)
{
    const QByteArray monthDay = number(d.month(), 2) + number(d.day(), 2);
    return d.year() == Person::NoYear ? "--" + monthDay : number(d.year(), 4) + monthDay;
}

QByteArray joinEscaped(std::initializer_list<const QString*> parts)
{
    QByteArray out;
    bool first = true;
    for (const QString* p : parts) {
        if (!first)
            out += ';';
        out += escape(*p);
        first = false;
    }
    return out;
}

QByteArray mediaType(const QByteArray& photo)
{
    if (photo.startsWith("\xFF\xD8\xFF"))
        return "image/jpeg";
    if (photo.startsWith("\x89PNG\r\n\x1A\n"))
        return "image/png";
    if (photo.startsWith("GIF87a") || photo.startsWith("GIF89a"))
        return "image/gif";
    return "application/octet-stream";
}

// A kept line split at its name: "item1.X-ABLabel;TYPE=x:v" gives group "item1", name
// "X-ABLabel" and rest ";TYPE=x:v".
struct KeptLine {
    QByteArray group;
    QByteArray name;
    QByteArray rest;
};

KeptLine split(const QString& line)
{
    const QByteArray utf8 = line.toUtf8();
    qsizetype end = 0;
    while (end < utf8.size() && utf8[end] != ';' && utf8[end] != ':')
        ++end;
    const QByteArray fullName = utf8.first(end);
    const qsizetype dot = fullName.lastIndexOf('.');
    return {
        dot < 0 ? QByteArray() : fullName.first(dot), fullName.sliced(dot + 1), utf8.sliced(end)};
}

// The kept ORG line (it has a department) while its organization is still the person's.
const QString* keptOrganization(const QStringList& kept, const QString& organization)
{
    for (const QString& line : kept) {
        const KeptLine k = split(line);
        if (!k.group.isEmpty() || !text::equalsCI(k.name, "ORG"))
            continue;
        const qsizetype colon = line.indexOf(u':');
        const QString value = colon < 0 ? QString() : line.sliced(colon + 1);
        if (text::unescape(text::splitUnescaped(value, u';').value(0)).trimmed() == organization)
            return &line;
    }
    return nullptr;
}

class Writer {
public:
    QByteArray finish() { return m_lines.take(); }

    void add(QByteArrayView line) { m_lines.add(line); }

    // A labelled value: TYPE when it says the label, else an item group with X-ABLabel.
    void labelled(
        const QByteArray& name, const QString& label, labels::Kind kind, const QByteArray& value)
    {
        if (label.isEmpty()) {
            add(name + ':' + value);
            return;
        }
        const QByteArray types = labels::typesForLabel(label, kind);
        if (!types.isEmpty()) {
            add(name + ";TYPE=" + types + ':' + value);
            return;
        }
        const QByteArray group = nextGroup();
        add(group + name + ':' + value);
        add(group + "X-ABLabel:" + escape(label));
    }

    void date(const Labeled<QDate>& d)
    {
        // Apple's form, which Apple's readers and ours know; the year-less form keeps a
        // real date so that readers unaware of the parameter still see a valid value.
        const QDate& day = d.value;
        const bool yearless = day.year() == Person::NoYear;
        const QByteArray value =
            number(day.year(), 4) + '-' + number(day.month(), 2) + '-' + number(day.day(), 2);
        const QByteArray params = yearless ? ";X-APPLE-OMIT-YEAR=1604" : "";
        if (d.label.isEmpty()) {
            add("X-ABDATE" + params + ':' + value);
            return;
        }
        const QByteArray group = nextGroup();
        add(group + "X-ABDATE" + params + ':' + value);
        add(group + "X-ABLabel:" + escape(d.label));
    }

    // A kept line; its group is renamed so that it cannot meet one of ours.
    void kept(const QString& line)
    {
        KeptLine k = split(line);
        if (k.group.isEmpty() && text::equalsCI(k.name, "ORG"))
            return; // in place of ORG, or out of date
        if (k.group.isEmpty()) {
            add(line.toUtf8());
            return;
        }
        auto it = m_keptGroups.find(k.group.toUpper());
        if (it == m_keptGroups.end())
            it = m_keptGroups.insert(k.group.toUpper(), nextGroup());
        add(*it + k.name + k.rest);
    }

private:
    QByteArray nextGroup() { return "item" + QByteArray::number(++m_item) + '.'; }
    QHash<QByteArray, QByteArray> m_keptGroups;

    Lines m_lines;
    int m_item = 0;
};

// Phones, e-mails, web and postal addresses.
void writeContactValues(Writer& w, const Person& person)
{
    for (const auto& p : person.phones) {
        if (!p.value.isEmpty())
            w.labelled("TEL", p.label, labels::Kind::Phone, escape(p.value));
    }
    for (const auto& e : person.emails) {
        if (!e.value.isEmpty())
            w.labelled("EMAIL", e.label, labels::Kind::Email, escape(e.value));
    }
    for (const auto& u : person.urls) {
        if (!u.value.isEmpty())
            w.labelled("URL", u.label, labels::Kind::Url, escape(u.value, false));
    }
    for (const auto& a : person.addresses) {
        if (a.value.isEmpty())
            continue;
        const QString none;
        const PostalAddress& v = a.value;
        w.labelled("ADR", a.label, labels::Kind::Address,
            joinEscaped({&none, &none, &v.street, &v.city, &v.state, &v.zip, &v.country}));
    }
}

} // namespace

QByteArray write(const Person& person, const QStringList& groups, const QByteArray& photo,
    const QStringList& extraProperties)
{
    Writer w;
    w.add("BEGIN:VCARD");
    w.add("VERSION:4.0");

    QStringList nameParts;
    for (const QString* part :
        {&person.prefix, &person.firstName, &person.middleName, &person.lastName, &person.suffix}) {
        if (!part->isEmpty())
            nameParts.append(*part);
    }
    QString display = nameParts.join(u' ');
    if (display.isEmpty())
        display = !person.organization.isEmpty() ? person.organization : person.nickname;
    w.add("FN:" + escape(display));
    w.add("N:" +
        joinEscaped({&person.lastName, &person.firstName, &person.middleName, &person.prefix,
            &person.suffix}));
    if (!person.nickname.isEmpty())
        w.add("NICKNAME:" + escape(person.nickname));
    if (const QString* org = keptOrganization(extraProperties, person.organization))
        w.add(org->toUtf8());
    else if (!person.organization.isEmpty())
        w.add("ORG:" + escape(person.organization));
    if (!person.uid.isEmpty())
        w.add("UID:" + escape(person.uid, false));
    if (writable(person.birthday))
        w.add("BDAY:" + basicDate(person.birthday));

    const QString anniversary = QString::fromUtf16(labels::Anniversary);
    for (const auto& d : person.dates) {
        if (d.label == anniversary && writable(d.value)) {
            // For readers that know no X-ABDATE; ours drops it as a copy.
            w.add("ANNIVERSARY:" + basicDate(d.value));
            break;
        }
    }
    for (const auto& d : person.dates) {
        if (writable(d.value))
            w.date(d);
    }

    writeContactValues(w, person);
    if (!person.note.isEmpty())
        w.add("NOTE:" + escape(person.note));

    QByteArray categories;
    for (const QString& g : groups) {
        if (g.trimmed().isEmpty())
            continue;
        if (!categories.isEmpty())
            categories += ',';
        categories += escape(g);
    }
    if (!categories.isEmpty())
        w.add("CATEGORIES:" + categories);

    if (!photo.isEmpty())
        w.add("PHOTO:data:" + mediaType(photo) + ";base64," + photo.toBase64());
    for (const QString& line : extraProperties)
        w.kept(line);

    w.add("END:VCARD");
    return w.finish();
}

} // namespace fetemark::VCard
