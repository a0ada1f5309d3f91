#include "SearchIndex.h"

#include <algorithm>

namespace fetemark {

namespace {

// Length in UTF-16 units of the character starting at `i`: a surrogate pair is one
// character, so a key never ends in half of one.
qsizetype charLength(QStringView text, qsizetype i)
{
    if (i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate())
        return 2;
    return 1;
}

template<typename Visit> void forEachWord(QStringView text, Visit&& visit)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && text[i].isSpace())
            ++i;
        const qsizetype start = i;
        while (i < n && !text[i].isSpace())
            ++i;
        if (i > start)
            visit(text.mid(start, i - start));
    }
}

} // namespace

QStringList SearchIndex::words(QStringView text)
{
    QStringList out;
    forEachWord(text, [&](QStringView word) { out << word.toString(); });
    return out;
}

QStringList SearchIndex::keysForWord(QStringView word)
{
    if (word.isEmpty())
        return {};
    const qsizetype first = charLength(word, 0);
    QStringList keys {word.left(first).toString().toLower()};
    if (first < word.size())
        keys.append(word.left(first + charLength(word, first)).toString().toLower());
    return keys;
}

QString SearchIndex::lookupKey(QStringView word)
{
    const QStringList keys = keysForWord(word);
    return keys.isEmpty() ? QString() : keys.constLast();
}

void SearchIndex::add(const OccasionRecordPtr& record, const QString& indexedText)
{
    if (!record)
        return;
    forEachWord(indexedText, [&](QStringView word) {
        for (const QString& key : keysForWord(word))
            m_lists[key].push_back(record);
    });
}

void SearchIndex::remove(const OccasionRecordPtr& record)
{
    if (!record)
        return;
    for (auto it = m_lists.begin(); it != m_lists.end();) {
        Records& list = it.value();
        std::erase(list, record);
        it = list.empty() ? m_lists.erase(it) : std::next(it);
    }
}

void SearchIndex::removeContact(std::int32_t recordID)
{
    if (recordID == -1)
        return;
    for (auto it = m_lists.begin(); it != m_lists.end();) {
        Records& list = it.value();
        std::erase_if(
            list, [recordID](const OccasionRecordPtr& r) { return r && r->recordID == recordID; });
        it = list.empty() ? m_lists.erase(it) : std::next(it);
    }
}

void SearchIndex::clear()
{
    m_lists.clear();
}

const SearchIndex::Records& SearchIndex::recordsFor(const QString& key) const
{
    static const Records none;
    const auto it = m_lists.constFind(key);
    return it == m_lists.constEnd() ? none : it.value();
}

} // namespace fetemark
