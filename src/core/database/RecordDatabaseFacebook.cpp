// The record database's operations on Facebook friends' entries that the list's delete
// action uses.
#include "core/database/RecordDatabase.h"

#include <algorithm>

namespace fetemark {

bool RecordDatabase::isRecordFacebookLinked(const OccasionRecord& record) const
{
    if (record.recordID < 0)
        return false;
    auto linked = [&](const Records& list) {
        return std::any_of(list.begin(), list.end(), [&](const OccasionRecordPtr& r) {
            return r->isFacebookEntry && !r->isIgnoredFacebook &&
                r->facebookToContactID == record.recordID;
        });
    };
    return linked(m_records) || linked(m_holdoverRecords);
}

bool RecordDatabase::areOtherDatesForRecord(const OccasionRecord& record) const
{
    if (record.recordID < 0 || record.isCustomEntry || record.isFacebookEntry || record.isHoliday)
        return false;
    return std::any_of(m_records.begin(), m_records.end(), [&](const OccasionRecordPtr& r) {
        return r->recordID == record.recordID && !r->isCustomEntry && !r->isFacebookEntry &&
            !r->isHoliday && r->type != OccasionRecord::Birthday;
    });
}

void RecordDatabase::ignoreFacebookEntry(const OccasionRecordPtr& record)
{
    auto unlist = [this](const OccasionRecordPtr& r) {
        m_records.erase(std::remove(m_records.begin(), m_records.end(), r), m_records.end());
        m_recordDictionary.remove(r);
    };
    if (record->isFacebookEntry) {
        // The shown entry of that friend; the one given may be a copy from a screen.
        const auto shown =
            std::find_if(m_records.begin(), m_records.end(), [&](const OccasionRecordPtr& r) {
                return r->isFacebookEntry && r->customID == record->customID;
            });
        const auto held = std::find_if(
            m_holdoverRecords.begin(), m_holdoverRecords.end(), [&](const OccasionRecordPtr& r) {
                return r->isFacebookEntry && r->customID == record->customID;
            });
        const OccasionRecordPtr entry = shown != m_records.end() ? *shown
            : held != m_holdoverRecords.end()                    ? *held
                                                                 : record;
        unlist(entry);
        entry->isIgnoredFacebook = true;
        // One stored entry per friend, however often it is removed.
        if (held == m_holdoverRecords.end())
            m_holdoverRecords.push_back(entry);
        if (entry->facebookToContactID >= 0)
            removeFacebookLinksForRecord(entry->facebookToContactID);
    } else if (record->isPhantomBirthday) {
        for (const Records* list : {&m_holdoverRecords, &m_facebookLinkRecords}) {
            for (const OccasionRecordPtr& r : *list) {
                if (r->isFacebookEntry && r->facebookToContactID == record->recordID) {
                    r->isIgnoredFacebook = true;
                    r->facebookToContactID = -1;
                }
            }
        }
        unlist(record);
    } else {
        return;
    }
    sortDatabase();
    writeCustomEntries();
}

} // namespace fetemark
