#include "platform/AddressBook.h"
#include "platform/ContactsTransfer.h"
#include "platform/SyntheticContacts.h"
#include "platform/VCard.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fetemark;
using fetemark::test::TempDir;

namespace {

std::unique_ptr<AddressBook> openBook(const TempDir& dir)
{
    QString error;
    auto book = AddressBook::create(dir.file(QStringLiteral("AddressBook.sqlite")), &error);
    EXPECT_NE(book, nullptr) << error.toStdString();
    return book;
}

QByteArray card(const char* uid, const char* name, const char* extra = "")
{
    return QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:") + name + ";;;;\r\nUID:" + uid + "\r\n" + extra + "END:VCARD\r\n";
}

} // namespace

TEST(ContactsTransfer, ACardWithAKnownUidUpdatesThatPerson)
{
    TempDir dir;
    auto book = openBook(dir);
    const QByteArray photo = SyntheticContacts::photo(3);
    auto report = ContactsTransfer::importVCards(*book, card("u-1", "Berg;Anna", "BDAY:1990-03-05\r\nCATEGORIES:Family\r\n"),
                                                 QStringLiteral("a.vcf"));
    ASSERT_EQ(report.added, 1);
    const std::int32_t id = book->allPeople().at(0).recordID;
    ASSERT_TRUE(book->setImageData(id, photo));
    ASSERT_TRUE(book->save());

    report = ContactsTransfer::importVCards(*book, card("u-1", "Berg;Anna-Lena", "BDAY:1991-04-06\r\nCATEGORIES:Friends\r\n"),
                                            QStringLiteral("b.vcf"));
    ASSERT_TRUE(book->save());
    EXPECT_EQ(report.added, 0);
    EXPECT_EQ(report.updated, 1);
    const auto people = book->allPeople();
    ASSERT_EQ(people.size(), 1u);
    EXPECT_EQ(people[0].recordID, id) << "the same person, not a new one";
    EXPECT_EQ(people[0].firstName, QStringLiteral("Anna-Lena"));
    EXPECT_EQ(people[0].birthday, QDate(1991, 4, 6));
    EXPECT_EQ(book->imageData(id), photo) << "a card without a picture keeps the stored one";
    QStringList groups;
    for (std::int32_t g : book->groupsOf(id))
        groups << book->group(g)->name;
    groups.sort();
    EXPECT_EQ(groups, (QStringList{QStringLiteral("Family"), QStringLiteral("Friends")}));
}

TEST(ContactsTransfer, CardsWithoutUidAreAlwaysAdded)
{
    TempDir dir;
    auto book = openBook(dir);
    const QByteArray noUid = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Solo;Han;;;\r\nEND:VCARD\r\n";
    ContactsTransfer::importVCards(*book, noUid, QStringLiteral("a.vcf"));
    const auto report = ContactsTransfer::importVCards(*book, noUid, QStringLiteral("a.vcf"));
    EXPECT_EQ(report.added, 1);
    EXPECT_EQ(book->personCount(), 2);
}

TEST(ContactsTransfer, MalformedCardsAreCountedAndNamedWhileTheRestIsRead)
{
    TempDir dir;
    auto book = openBook(dir);
    const QByteArray bytes = card("u-1", "One;A") + "BEGIN:VCARD\r\nVERSION:3.0\r\nno colon here\r\nEND:VCARD\r\n"
        + card("u-3", "Three;C") + "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Four;D;;;\r\n";
    const auto report = ContactsTransfer::importVCards(*book, bytes, QStringLiteral("mixed.vcf"));
    EXPECT_EQ(report.added, 2);
    EXPECT_EQ(report.skippedCards, 2);
    ASSERT_FALSE(report.problems.isEmpty());
    EXPECT_TRUE(report.problems.join(QLatin1Char('\n')).contains(QStringLiteral("mixed.vcf: card 2"))) << report.problems.join(QLatin1Char('\n')).toStdString();
}

TEST(ContactsTransfer, AnUnsavedImportLeavesTheBookAsItWas)
{
    TempDir dir;
    {
        auto book = openBook(dir);
        ContactsTransfer::importVCards(*book, card("u-1", "Kept;Anna"), QStringLiteral("a.vcf"));
        ASSERT_TRUE(book->save());
        ContactsTransfer::importVCards(*book, card("u-1", "Changed;Anna") + card("u-2", "New;Bob"), QStringLiteral("b.vcf"));
        book->revert();
    }
    auto reopened = openBook(dir);
    const auto people = reopened->allPeople();
    ASSERT_EQ(people.size(), 1u);
    EXPECT_EQ(people[0].lastName, QStringLiteral("Kept"));
}

TEST(ContactsTransfer, ExportThenImportReproducesASyntheticBook)
{
    TempDir a, b;
    auto source = openBook(a);
    ASSERT_EQ(SyntheticContacts::fill(*source, {300, 11, 10}), 300);
    auto target = openBook(b);
    const auto report = ContactsTransfer::importVCards(*target, ContactsTransfer::exportVCards(*source), QStringLiteral("export.vcf"));
    ASSERT_TRUE(target->save());
    EXPECT_TRUE(report.problems.isEmpty()) << report.problems.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(report.added, 300);

    const auto before = source->allPeople();
    const auto after = target->allPeople();
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(before[i].uid.toStdString());
        Person expected = before[i];
        expected.recordID = after[i].recordID;
        EXPECT_EQ(after[i], expected);
        EXPECT_EQ(target->imageData(after[i].recordID), source->imageData(before[i].recordID));
        EXPECT_EQ(target->groupsOf(after[i].recordID).size(), source->groupsOf(before[i].recordID).size());
    }
}
