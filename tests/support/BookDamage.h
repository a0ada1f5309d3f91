#pragma once

// Damage done to a real address book file the way a failing disk does it: a page
// overwritten with noise, a header byte flipped. Header-only: only the binaries that link
// SQLite include it.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <sqlite3.h>

#include <vector>

#include <gtest/gtest.h>

namespace fetemark::test {

// The page a table or index starts on (its b-tree root), read before the damage.
inline int rootPageOf(const QString& path, const char* name)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE name = ?1", -1, &q, nullptr);
    sqlite3_bind_text(q, 1, name, -1, SQLITE_STATIC);
    const int page = sqlite3_step(q) == SQLITE_ROW ? sqlite3_column_int(q, 0) : 0;
    sqlite3_finalize(q);
    sqlite3_close_v2(db);
    EXPECT_GT(page, 0) << name;
    return page;
}

// A leaf page in the middle of a table: the rows on it, and only those, become
// unreadable. Read from SQLite's dbstat table before the damage.
inline int middleLeafPageOf(const QString& path, const char* table)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db,
        "SELECT pageno FROM dbstat WHERE name = ?1 AND pagetype = 'leaf' ORDER BY path", -1, &q,
        nullptr);
    sqlite3_bind_text(q, 1, table, -1, SQLITE_STATIC);
    std::vector<int> pages;
    while (sqlite3_step(q) == SQLITE_ROW)
        pages.push_back(sqlite3_column_int(q, 0));
    sqlite3_finalize(q);
    sqlite3_close_v2(db);
    EXPECT_GE(pages.size(), 3u) << table;
    return pages.empty() ? 0 : pages[pages.size() / 2];
}

inline void overwriteAt(const QString& path, qint64 offset, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(offset));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Fills page `page` (numbered from 1, as SQLite does) with noise that is no valid page.
inline void overwritePage(const QString& path, int page, int pageSize = 4096)
{
    overwriteAt(path, qint64(page - 1) * pageSize, QByteArray(pageSize, char(0xa5)));
}

// Flips one bit of the byte at `offset`.
inline void flipBit(const QString& path, qint64 offset, int bit)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(offset));
    char byte = 0;
    ASSERT_TRUE(file.getChar(&byte));
    ASSERT_TRUE(file.seek(offset));
    ASSERT_TRUE(file.putChar(char(byte ^ (1 << bit))));
}

} // namespace fetemark::test
