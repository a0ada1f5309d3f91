#pragma once

#include "core/records/OccasionABMetadata.h"
#include "core/records/OccasionRecord.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace fetemark {

class Settings;

// The user's notes on occasions that cannot hold their own: contacts (unless the notes
// come from the address book) and Facebook entries and holidays, kept as the list of
// metadata entries the stores beside the address book write.
//
// An entry is keyed either by a contact's record id (customID empty) or by the customID
// of a Facebook entry or holiday (record id -1). Neither key may reach the other kind:
// an empty customID would otherwise "equal" every contact's entry, and -1 every Facebook
// entry's.
class OccasionNotes {
public:
    using Entries = std::vector<OccasionABMetadataPtr>;
    // A contact's note in the address book.
    using AddressBookNote = std::function<QString(std::int32_t recordID)>;

    explicit OccasionNotes(const Settings& settings);

    const Entries& entries() const { return m_entries; }
    void replaceEntries(Entries entries) { m_entries = std::move(entries); }
    void clear() { m_entries.clear(); }

    // The notes shown for a record (never null): a custom entry's own, a contact's from the
    // address book when the settings say so, else the entry's in the list.
    QString forRecord(const OccasionRecord& record, const AddressBookNote& addressBookNote) const;
    QString forContact(std::int32_t recordID) const;
    void setForContact(const QString& notes, std::int32_t recordID);
    // A Facebook entry's or holiday's.
    QString forCustomID(const QString& customID) const;
    void setForCustomID(const QString& notes, const QString& customID);

private:
    struct EntryKey {
        std::int32_t recordID = -1;
        QString customID;
        bool isValid() const { return !customID.isEmpty() || recordID != -1; }
        bool matches(const OccasionABMetadata& entry) const;
    };
    QString notesFor(const EntryKey& key) const;
    void setNotesFor(const EntryKey& key, const QString& notes);
    OccasionABMetadata* find(const EntryKey& key) const;
    OccasionABMetadata& findOrCreate(const EntryKey& key);

    const Settings& m_settings;
    Entries m_entries;
};

} // namespace fetemark
