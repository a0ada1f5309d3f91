#pragma once

// Real address books, and the damage a failing disk does to their files. Header-only: only
// the binaries that link SQLite include it.
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sqlite3.h>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace fetemark::test {

// A saved book of synthetic people, every fifth with a picture.
inline std::unique_ptr<AddressBook> filledBook(const QString& path, int people)
{
    auto book = AddressBook::create(path);
    EXPECT_TRUE(book);
    EXPECT_EQ(SyntheticContacts::fill(*book, {people, 7, 5}), people);
    return book;
}

enum class Damage {
    PeopleRoot,  // the first page of the people table: no person can be read
    ValuesRoot,  // the first page of the values (dates, phones, ...) of every person
    PeopleLeaf,  // a page in the middle of the people table: the people on it, and only those
    PageSizeBit, // a bit of the page size in the file's header: nothing can be read
};

// The page `what` fills with noise, found before the damage.
inline int pageFor(const QString& path, Damage what)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db,
        what == Damage::PeopleLeaf
            ? "SELECT pageno FROM dbstat WHERE name = ?1 AND pagetype = 'leaf' ORDER BY path"
            : "SELECT rootpage FROM sqlite_master WHERE name = ?1",
        -1, &q, nullptr);
    sqlite3_bind_text(
        q, 1, what == Damage::ValuesRoot ? "person_values" : "people", -1, SQLITE_STATIC);
    std::vector<int> pages;
    while (sqlite3_step(q) == SQLITE_ROW)
        pages.push_back(sqlite3_column_int(q, 0));
    sqlite3_finalize(q);
    sqlite3_close_v2(db);
    EXPECT_GE(pages.size(), what == Damage::PeopleLeaf ? 3u : 1u);
    return pages.empty() ? 0 : pages[pages.size() / 2];
}

inline void damage(const QString& path, Damage what)
{
    const int page = what == Damage::PageSizeBit ? 0 : pageFor(path, what);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    if (what == Damage::PageSizeBit) {
        char byte = 0;
        ASSERT_TRUE(file.seek(16) && file.getChar(&byte));
        ASSERT_TRUE(file.seek(16) && file.putChar(char(byte ^ 1)));
        return;
    }
    ASSERT_GT(page, 0);
    ASSERT_TRUE(file.seek(qint64(page - 1) * 4096));
    ASSERT_EQ(file.write(QByteArray(4096, char(0xa5))), 4096);
}

} // namespace fetemark::test
