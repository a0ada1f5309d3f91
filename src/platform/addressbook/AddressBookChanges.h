#pragma once

#include <QString>

#include <cstdint>
#include <mutex>

struct sqlite3;

namespace fetemark {

// Tells whether another program committed to the address book since it last looked.
// SQLite's data_version, read on a connection of its own, moves with every commit of any
// other connection; the commits of this process's own handles (AddressBook's commit
// listeners) move the baseline with them, so only the others count. A file replaced by
// another one (a restore, a repair) counts as changed.
class AddressBookChanges {
public:
    explicit AddressBookChanges(QString path);
    ~AddressBookChanges();
    AddressBookChanges(const AddressBookChanges&) = delete;
    AddressBookChanges& operator=(const AddressBookChanges&) = delete;

    // True when another program changed the file since the last call (or since this was
    // made); the change is then taken as seen.
    bool changedElsewhere();

private:
    struct State {
        bool open = false;
        std::uint64_t inode = 0;
        std::int64_t dataVersion = 0;
        friend bool operator==(const State&, const State&) = default;
    };
    State currentLocked();
    void closeLocked();

    QString m_path;
    std::mutex m_mutex; // own commits are reported on the committing thread
    sqlite3* m_db = nullptr;
    std::uint64_t m_openInode = 0;
    State m_seen;
    int m_listenerId = 0;
};

} // namespace fetemark
