#include "VCardLabels.h"

#include "platform/addressbook/Person.h"

#include <QLatin1StringView>

namespace fetemark::VCard::labels {

namespace {

bool same(QByteArrayView a, QLatin1StringView b)
{
    return QLatin1StringView(a.data(), a.size()).compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

unsigned typeBit(QByteArrayView type)
{
    switch (type.size()) {
    case 3:
        return same(type, QLatin1StringView("FAX")) ? unsigned(Fax) : 0u;
    case 4:
        if (same(type, QLatin1StringView("HOME")))
            return Home;
        if (same(type, QLatin1StringView("WORK")))
            return Work;
        if (same(type, QLatin1StringView("CELL")))
            return Cell;
        if (same(type, QLatin1StringView("MAIN")))
            return Main;
        return 0;
    case 5:
        if (same(type, QLatin1StringView("PAGER")))
            return Pager;
        if (same(type, QLatin1StringView("OTHER")))
            return OtherType;
        return 0;
    case 6:
        if (same(type, QLatin1StringView("MOBILE")))
            return Cell;
        if (same(type, QLatin1StringView("IPHONE")))
            return IPhone;
        return 0;
    default:
        return 0;
    }
}

QString labelForTypes(unsigned bits)
{
    // iOS marks its own phones IPHONE,CELL; a fax line is a fax whoever owns it.
    if (bits & IPhone)
        return QString(ContactLabel::IPhone);
    if (bits & Fax)
        return (bits & Home) ? QString(ContactLabel::HomeFax)
            : (bits & Work)  ? QString(ContactLabel::WorkFax)
                             : QString(ContactLabel::OtherFax);
    if (bits & Pager)
        return QString(ContactLabel::Pager);
    if (bits & Cell)
        return QString(ContactLabel::Mobile);
    if (bits & Main)
        return QString(ContactLabel::Main);
    if (bits & Home)
        return QString(ContactLabel::Home);
    if (bits & Work)
        return QString(ContactLabel::Work);
    if (bits & OtherType)
        return QString(ContactLabel::Other);
    return {};
}

QString labelFromText(const QString& text)
{
    static const QLatin1StringView wellKnown[] = {ContactLabel::Anniversary, ContactLabel::Other,
        ContactLabel::Home, ContactLabel::Work, ContactLabel::Mobile, ContactLabel::Main,
        ContactLabel::HomeFax, ContactLabel::WorkFax, ContactLabel::OtherFax, ContactLabel::Pager,
        ContactLabel::HomePage};
    const QString word = text.trimmed();
    for (const QLatin1StringView marked : wellKnown) {
        // "_$!<" + name + ">!$_"
        const QLatin1StringView name = marked.sliced(4, marked.size() - 8);
        if (word.compare(name, Qt::CaseInsensitive) == 0)
            return QString(marked);
    }
    return text;
}

QByteArray typesForLabel(const QString& label, Kind kind)
{
    if (label == QString(ContactLabel::Home))
        return "home";
    if (label == QString(ContactLabel::Work))
        return "work";
    if (label == QString(ContactLabel::Other))
        return "other";
    if (kind != Kind::Phone)
        return {};
    if (label == QString(ContactLabel::Mobile))
        return "cell";
    if (label == QString(ContactLabel::Main))
        return "main";
    if (label == QString(ContactLabel::HomeFax))
        return "home,fax";
    if (label == QString(ContactLabel::WorkFax))
        return "work,fax";
    if (label == QString(ContactLabel::OtherFax))
        return "fax";
    if (label == QString(ContactLabel::Pager))
        return "pager";
    if (label == QString(ContactLabel::IPhone))
        return "iphone";
    return {};
}

} // namespace fetemark::VCard::labels
