#include "AddressBookChanges.h"

#include "platform/addressbook/AddressBook.h"

#include <QFile>

#include <sqlite3.h>
#include <sys/stat.h>

namespace fetemark {
namespace {

std::uint64_t inodeOf(const QString& path)
{
    struct stat info { };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return std::uint64_t(info.st_ino);
}

} // namespace

AddressBookChanges::AddressBookChanges(QString path) : m_path(std::move(path))
{
    {
        const std::lock_guard lock(m_mutex);
        m_seen = currentLocked();
    }
    m_listenerId = AddressBook::addCommitListener([this] {
        const std::lock_guard lock(m_mutex);
        m_seen = currentLocked();
    });
}

AddressBookChanges::~AddressBookChanges()
{
    AddressBook::removeCommitListener(m_listenerId);
    const std::lock_guard lock(m_mutex);
    closeLocked();
}

bool AddressBookChanges::changedElsewhere()
{
    const std::lock_guard lock(m_mutex);
    const State now = currentLocked();
    const bool changed = now != m_seen;
    m_seen = now;
    return changed;
}

AddressBookChanges::State AddressBookChanges::currentLocked()
{
    const std::uint64_t inode = inodeOf(m_path);
    if (inode != m_openInode)
        closeLocked();
    if (!m_db && inode != 0) {
        // Never creates the file: an absent book is simply not open yet.
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db, flags, nullptr) !=
            SQLITE_OK)
            closeLocked();
        else
            m_openInode = inode;
    }
    State state;
    if (!m_db)
        return state;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, "PRAGMA data_version", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        state.open = true;
        state.inode = m_openInode;
        state.dataVersion = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
    return state;
}

void AddressBookChanges::closeLocked()
{
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_openInode = 0;
}

} // namespace fetemark
