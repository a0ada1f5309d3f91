#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace fetemark {

// Looking an address book file over for damage, and saving what can still be read from a
// damaged one. A damaged file is never deleted or written to: recovery reads it, builds a
// new book beside it and moves the damaged one aside.
class AddressBookRepair {
public:
    struct CheckResult {
        bool found = false;   // there is a book at the path (missing or empty: none)
        QStringList problems; // empty when the book is sound
        bool damaged = false; // SQLite finds the file damaged (else it is no readable book)
    };
    // SQLite's integrity check, the foreign keys and the book's layout, read-only.
    static CheckResult check(const QString& path);

    struct Recovery {
        int people = 0;
        int groups = 0;
        int pictures = 0;
        QString damagedCopy; // where the damaged book now is
    };
    // Copies every person, value, group, member and picture that can be read from the
    // book at `path` into a new book with the same record ids, checks it, moves the
    // damaged book (with its -wal, -shm and -journal files) aside as
    // "<file>.damaged-<UTC yyyyMMdd-HHmmss>" and puts the new one in its place. nullopt
    // with `error` set when it was refused or failed; the book is then as it was.
    static std::optional<Recovery> recover(
        const QString& path, const QDateTime& now, QString* error = nullptr);
};

} // namespace fetemark
