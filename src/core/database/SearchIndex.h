#pragma once

#include "core/records/OccasionRecord.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace fetemark {

// The search index of the list: records under the first one and first two characters
// (lower-cased) of every word of their shown name. A list keeps insertion order and may
// hold a record more than once (a name with two words of the same start).
class SearchIndex {
public:
    using Records = std::vector<OccasionRecordPtr>;

    // Adds the record under the words of `indexedText` (its shown name; see
    // ContactReader::indexedText for dates named by a smart label).
    void add(const OccasionRecordPtr& record, const QString& indexedText);
    // Takes the record out of every list.
    void remove(const OccasionRecordPtr& record);
    // Takes every record of one contact out of every list. -1 (no contact) takes nothing:
    // custom, Facebook and holiday records carry it.
    void removeContact(std::int32_t recordID);
    void clear();

    // The list under a one- or two-character key (lower case); empty when none.
    const Records& recordsFor(const QString& key) const;
    qsizetype keyCount() const { return m_lists.size(); } // keys with a non-empty list
    const QHash<QString, Records>& lists() const { return m_lists; }

    // The keys one word is listed under: its first character, and its first two when it
    // has two (lower-cased; a surrogate pair counts as one character).
    static QStringList keysForWord(QStringView word);
    // The key a search word is looked up by: the two-character key, or the one-character
    // key of a one-character word; empty for an empty word.
    static QString lookupKey(QStringView word);
    // The words of a name or a search text, cut at any white space as the index cuts them.
    static QStringList words(QStringView text);

private:
    QHash<QString, Records> m_lists;
};

} // namespace fetemark
