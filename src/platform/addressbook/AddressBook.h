#pragma once

#include "platform/addressbook/Person.h"

#include <QString>
#include <QStringList>

#include <functional>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

namespace fetemark {

// The contacts database: people with their names, dated fields, phones, e-mails, postal
// addresses, notes and pictures, and groups of people, kept in one SQLite file
// ("AddressBook.sqlite" in the data directory).
//
// A handle is one connection. Each thread opens its own handle; handles are never
// shared. Changes made through a handle are visible to that handle at once and to other
// handles once save() commits them; revert() drops them. Record ids are stable and
// never reused, even after a person is removed.
class AddressBook {
public:
    enum class AuthorizationStatus {
        NotDetermined = 0,
        Restricted = 1,
        Denied = 2,
        Authorized = 3
    };
    // Fetemark's own book needs no permission.
    static AuthorizationStatus authorizationStatus() { return AuthorizationStatus::Authorized; }

    // Opens the book at `path`, creating it when missing. nullptr with `error` set when
    // the file cannot be opened or is not an address book.
    // A new file is made readable by its owner only (0600), and so are SQLite's files
    // beside it. `damaged` (when given) tells whether a refusal is for a damaged file.
    static std::unique_ptr<AddressBook> create(
        const QString& path, QString* error = nullptr, bool* damaged = nullptr);
    // Opens the book at `path` for reading only: nothing is ever written to the file or
    // created beside it when its folder cannot be written to. nullptr with `error` empty
    // when there is no book yet (the file is missing or empty), with `error` set when it
    // cannot be read; changes through the handle fail.
    static std::unique_ptr<AddressBook> openReadOnly(
        const QString& path, QString* error = nullptr, bool* damaged = nullptr);
    // Layout version kept in the file (PRAGMA user_version). A file written by a later
    // layout is refused rather than misread.
    // Layout 1 books are brought up to date when opened for writing; read-only handles
    // read them as they are (without card properties).
    static constexpr int SchemaVersion = 2;
    // Marks the file as ours in its header (PRAGMA application_id), so a stranger's SQLite
    // file is never taken for an empty book and written to.
    static constexpr std::int32_t ApplicationID = 0x46746d6b; // "Ftmk"
    ~AddressBook();
    AddressBook(const AddressBook&) = delete;
    AddressBook& operator=(const AddressBook&) = delete;

    QString path() const { return m_path; }
    bool isReadOnly() const { return m_readOnly; }

    // ---- Reading ----
    // A read that fails gives what an empty book gives; lastCallFailed() tells the two
    // apart and lastError() says why.
    std::vector<Person> allPeople() const;                     // in record id order
    std::optional<Person> person(std::int32_t recordID) const; // none once removed
    std::optional<Person> personWithUid(const QString& uid) const;
    int personCount() const;
    std::vector<Group> allGroups() const;
    std::optional<Group> group(std::int32_t recordID) const;
    std::optional<Group> groupNamed(const QString& name) const;
    std::vector<std::int32_t> groupMembers(
        std::int32_t groupID) const; // in the order added; empty for a missing group
    std::vector<std::int32_t> groupsOf(std::int32_t personID) const; // in group id order
    bool hasImageData(std::int32_t personID) const;
    QByteArray imageData(std::int32_t personID) const; // empty when none
    // The properties of the vCard a person was imported from that no other value holds,
    // as unfolded vCard 4.0 lines in card order, for export to write back; empty when none.
    QStringList cardProperties(std::int32_t personID) const;
    // Every person with only the record id, name parts, organization, birthday and dates
    // (the rest empty, hasImage false), in record id order: what the occasions are made
    // of, read without the phones, addresses and notes of a large book.
    std::vector<Person> allPeopleNamesAndDates() const;
    // Record ids of the people stored without a uid (added before every person got one,
    // or by a path that gave none), in record id order.
    std::vector<std::int32_t> peopleWithoutUid() const;

    // ---- Changing (kept on this handle until save()) ----
    // The new person's record id, or -1 on failure (also once ids would pass 2^31-1).
    // recordID and hasImage of `person` are ignored; dates that are invalid or outside
    // the years 1-9999 are left out.
    std::int32_t addPerson(const Person& person);
    // Replaces every value of the person with this record id, keeping its picture and
    // groups; false when it is gone.
    bool updatePerson(const Person& person);
    bool removePerson(std::int32_t recordID);
    std::int32_t addGroup(const QString& name);
    // false when the group or the person is missing; adding a member twice keeps its
    // first place.
    bool addGroupMember(std::int32_t groupID, std::int32_t personID);
    // false when the group or the person is missing; true when it was no member.
    bool removeGroupMember(std::int32_t groupID, std::int32_t personID);
    // false when the person is missing. Empty data removes the picture.
    bool setImageData(std::int32_t personID, const QByteArray& data);
    // false when the person is missing; true when it had no picture.
    bool removeImageData(std::int32_t personID);
    // Gives the person a new uid and changes nothing else; false when the person is
    // missing. An empty uid means none.
    bool setUid(std::int32_t recordID, const QString& uid);
    // Replaces the person's card properties; false when the person is missing.
    bool setCardProperties(std::int32_t personID, const QStringList& lines);

    bool hasUnsavedChanges() const;
    // Commits the changes; false with `error` set when they could not be written (they
    // are then dropped).
    bool save(QString* error = nullptr);

    // Called, on the committing thread, after every commit a handle of this process made
    // (a save, or the tables a new file got), so that a watcher of the file can tell
    // this program's changes from another's. Returns the id to remove it with.
    static int addCommitListener(std::function<void()> listener);
    static void removeCommitListener(int id);
    void revert();

    // Text of the last failed operation.
    QString lastError() const { return m_lastError; }
    // The last call to this handle (a read or a change) failed.
    bool lastCallFailed() const;
    // A call found the file damaged (SQLite says it is corrupt or no database); it stays
    // so for the handle's life. The file itself is left as it is.
    bool isDamaged() const;

private:
    AddressBook(QString path, sqlite3* db, bool readOnly);

    QString m_path;
    sqlite3* m_db = nullptr;
    bool m_readOnly = false;
    mutable QString m_lastError;

    struct Impl; // cached prepared statements and the state of the open transaction
    std::unique_ptr<Impl> d;
};

} // namespace fetemark
