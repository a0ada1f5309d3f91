#include "VCardLabels.h"

#include <QLatin1StringView>

namespace fetemark::VCard::labels {

namespace {

const QString kMobile = QStringLiteral("_$!<Mobile>!$_");
const QString kHome = QStringLiteral("_$!<Home>!$_");
const QString kWork = QStringLiteral("_$!<Work>!$_");
const QString kMain = QStringLiteral("_$!<Main>!$_");
const QString kHomeFax = QStringLiteral("_$!<HomeFAX>!$_");
const QString kWorkFax = QStringLiteral("_$!<WorkFAX>!$_");
const QString kOtherFax = QStringLiteral("_$!<OtherFAX>!$_");
const QString kPager = QStringLiteral("_$!<Pager>!$_");
const QString kIPhone = QStringLiteral("iPhone");
const QString kOther = QStringLiteral("_$!<Other>!$_");

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
        return kIPhone;
    if (bits & Fax)
        return (bits & Home) ? kHomeFax : (bits & Work) ? kWorkFax : kOtherFax;
    if (bits & Pager)
        return kPager;
    if (bits & Cell)
        return kMobile;
    if (bits & Main)
        return kMain;
    if (bits & Home)
        return kHome;
    if (bits & Work)
        return kWork;
    if (bits & OtherType)
        return kOther;
    return {};
}

QByteArray typesForLabel(const QString& label, Kind kind)
{
    if (label == kHome)
        return "home";
    if (label == kWork)
        return "work";
    if (label == kOther)
        return "other";
    if (kind != Kind::Phone)
        return {};
    if (label == kMobile)
        return "cell";
    if (label == kMain)
        return "main";
    if (label == kHomeFax)
        return "home,fax";
    if (label == kWorkFax)
        return "work,fax";
    if (label == kOtherFax)
        return "fax";
    if (label == kPager)
        return "pager";
    if (label == kIPhone)
        return "iphone";
    return {};
}

} // namespace fetemark::VCard::labels
