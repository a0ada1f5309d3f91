#include "OccasionNotes.h"

#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"

namespace fetemark {
namespace {

QString nonNull(const QString& text)
{
    return text.isNull() ? QString::fromLatin1("") : text;
}

} // namespace

OccasionNotes::OccasionNotes(const Settings& settings) : m_settings(settings) { }

bool OccasionNotes::EntryKey::matches(const OccasionABMetadata& entry) const
{
    if (customID.isEmpty())
        return entry.customID.isEmpty() && entry.recordID == recordID;
    return entry.customID == customID;
}

QString OccasionNotes::forRecord(
    const OccasionRecord& record, const AddressBookNote& addressBookNote) const
{
    if (record.isCustomEntry)
        return nonNull(record.notes);
    if (record.isFacebookEntry || record.isHoliday)
        return forCustomID(record.customID);
    if (m_settings.integerValue(QString(Key::AddressBookNotes)) != 0)
        return nonNull(addressBookNote(record.recordID));
    return forContact(record.recordID);
}

QString OccasionNotes::forContact(std::int32_t recordID) const
{
    return notesFor({recordID, QString()});
}

void OccasionNotes::setForContact(const QString& notes, std::int32_t recordID)
{
    setNotesFor({recordID, QString()}, notes);
}

QString OccasionNotes::forCustomID(const QString& customID) const
{
    return notesFor({-1, customID});
}

void OccasionNotes::setForCustomID(const QString& notes, const QString& customID)
{
    setNotesFor({-1, customID}, notes);
}

QString OccasionNotes::notesFor(const EntryKey& key) const
{
    const OccasionABMetadata* entry = key.isValid() ? find(key) : nullptr;
    return entry ? nonNull(entry->notes) : QString::fromLatin1("");
}

void OccasionNotes::setNotesFor(const EntryKey& key, const QString& notes)
{
    if (key.isValid())
        findOrCreate(key).notes = notes;
}

OccasionABMetadata* OccasionNotes::find(const EntryKey& key) const
{
    for (const OccasionABMetadataPtr& entry : m_entries) {
        if (key.matches(*entry))
            return entry.get();
    }
    return nullptr;
}

OccasionABMetadata& OccasionNotes::findOrCreate(const EntryKey& key)
{
    if (OccasionABMetadata* entry = find(key))
        return *entry;
    auto entry = std::make_shared<OccasionABMetadata>();
    entry->recordID = key.recordID;
    entry->customID = key.customID;
    m_entries.push_back(entry);
    return *entry;
}

} // namespace fetemark
