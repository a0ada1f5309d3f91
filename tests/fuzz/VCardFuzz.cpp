// Whatever VCard::read makes of arbitrary bytes, each card it gives must write as a
// vCard 4.0 that reads back to the same person, groups and photo without any problem, in
// lines of at most 75 octets; and writing that again gives the same bytes.
#include "platform/vcard/VCard.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void failWith(const char* what, const QByteArray& detail)
{
    std::fprintf(stderr, "%s\n%s\n", what, detail.constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace fetemark;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const VCard::ReadResult first = VCard::read(bytes);
    for (const VCard::Card& card : first.cards) {
        if (card.person.hasImage != !card.photo.isEmpty())
            failWith("hasImage does not tell whether there is a photo", {});
        const QByteArray written = VCard::write(card.person, card.categories, card.photo);
        qsizetype start = 0;
        while (start < written.size()) {
            const qsizetype end = written.indexOf("\r\n", start);
            if (end < 0)
                failWith("the written card does not end its last line with CRLF", written);
            if (end - start > 75)
                failWith("a written line is longer than 75 octets", written);
            start = end + 2;
        }
        const VCard::ReadResult second = VCard::read(written);
        if (!second.problems.empty())
            failWith("our own card has problems",
                written + '\n' + second.problems.front().message.toUtf8());
        if (second.cards.size() != 1)
            failWith("our own card did not read back as one card", written);
        const VCard::Card& again = second.cards.front();
        if (!(again.person == card.person))
            failWith("the person changed on a round trip", written);
        if (again.categories != card.categories)
            failWith("the groups changed on a round trip", written);
        if (again.photo != card.photo)
            failWith("the photo changed on a round trip", written);
        if (VCard::write(again.person, again.categories, again.photo) != written)
            failWith("writing the same card twice gave different bytes", written);
    }
    return 0;
}
