#pragma once

#include <QByteArray>
#include <QDate>
#include <QLatin1StringView>
#include <QString>

#include <cstdint>
#include <vector>

namespace fetemark {

// The well-known labels of address book values. They are stored in this marked form so
// that they stay language-neutral; core's ContactLabel::localizedLabel gives the word
// shown to the user.
namespace ContactLabel {
inline constexpr QLatin1StringView Anniversary {"_$!<Anniversary>!$_"};
inline constexpr QLatin1StringView Other {"_$!<Other>!$_"};
inline constexpr QLatin1StringView Home {"_$!<Home>!$_"};
inline constexpr QLatin1StringView Work {"_$!<Work>!$_"};
inline constexpr QLatin1StringView Mobile {"_$!<Mobile>!$_"};
inline constexpr QLatin1StringView Main {"_$!<Main>!$_"};
inline constexpr QLatin1StringView HomeFax {"_$!<HomeFAX>!$_"};
inline constexpr QLatin1StringView WorkFax {"_$!<WorkFAX>!$_"};
inline constexpr QLatin1StringView OtherFax {"_$!<OtherFAX>!$_"};
inline constexpr QLatin1StringView Pager {"_$!<Pager>!$_"};
inline constexpr QLatin1StringView HomePage {"_$!<HomePage>!$_"};
inline constexpr QLatin1StringView IPhone {"iPhone"};
} // namespace ContactLabel

// A value with its label, as address books keep phones, e-mails, dates and addresses.
// Well-known labels are stored in their marked form ("_$!<Home>!$_"); any other text is
// the user's own label. An empty label means the value has none.
template<typename T> struct Labeled {
    QString label;
    T value;
    friend bool operator==(const Labeled&, const Labeled&) = default;
};

struct PostalAddress {
    QString street;
    QString city;
    QString state;
    QString zip;
    QString country;
    bool isEmpty() const
    {
        return street.isEmpty() && city.isEmpty() && state.isEmpty() && zip.isEmpty() &&
            country.isEmpty();
    }
    friend bool operator==(const PostalAddress&, const PostalAddress&) = default;
};

// One person of the address book. Dates are calendar days; a day whose year is unknown
// carries the year 1604 (a leap year, so 29 February without a year is kept).
struct Person {
    static constexpr int NoYear = 1604;
    // The years a date may have: from the first whole year of the Gregorian calendar to
    // the last whose next year calendar programs still read (an event ends a day later).
    static constexpr int FirstYear = 1583;
    static constexpr int LastYear = 9998;

    std::int32_t recordID = -1; // -1 until the person is added to a book
    QString uid;                // identity of the card it was imported from; empty when none

    QString prefix;
    QString firstName;
    QString middleName;
    QString lastName;
    QString suffix;
    QString nickname;
    QString organization;
    QString note;

    QDate birthday; // invalid when none
    std::vector<Labeled<QDate>> dates;
    std::vector<Labeled<QString>> phones;
    std::vector<Labeled<QString>> emails;
    std::vector<Labeled<QString>> urls;
    std::vector<Labeled<PostalAddress>> addresses;

    bool hasImage = false; // the book holds a picture (read it with AddressBook::imageData)

    friend bool operator==(const Person&, const Person&) = default;
};

struct Group {
    std::int32_t recordID = -1;
    QString name;
    friend bool operator==(const Group&, const Group&) = default;
};

} // namespace fetemark
