#pragma once

// How TYPE parameters of vCard properties map to the address book's labels and back;
// shared by reading and writing so that a written label reads back as itself.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace fetemark::VCard::labels {

inline constexpr const char16_t* Anniversary = u"_$!<Anniversary>!$_";
inline constexpr const char16_t* Other = u"_$!<Other>!$_";

// The TYPE values that make a label; every other TYPE (PREF, VOICE, INTERNET, X-...)
// carries no label and maps to 0.
enum TypeBit : unsigned {
    Home = 1u << 0,
    Work = 1u << 1,
    Cell = 1u << 2,
    Main = 1u << 3,
    Fax = 1u << 4,
    Pager = 1u << 5,
    IPhone = 1u << 6,
    OtherType = 1u << 7,
};

unsigned typeBit(QByteArrayView type); // case-insensitive
QString labelForTypes(unsigned bits);  // empty when the bits make no label

// The label an X-ABLabel names: a well-known word written plainly ("Anniversary",
// "home"), as some address-book services write it, means the same as its marked form
// ("_$!<Anniversary>!$_"); any other text is the user's own label, kept as it is.
QString labelFromText(const QString& text);

enum class Kind { Phone, Email, Url, Address };

// The TYPE parameter value ("cell", "home,fax") under which `label` reads back as
// itself for that kind of value; empty when the label needs an X-ABLabel.
QByteArray typesForLabel(const QString& label, Kind kind);

} // namespace fetemark::VCard::labels
