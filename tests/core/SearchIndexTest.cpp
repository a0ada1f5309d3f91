#include "core/SearchIndex.h"

#include "core/OccasionRecord.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using fetemark::OccasionRecord;
using fetemark::OccasionRecordPtr;
using fetemark::SearchIndex;

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// Records of a row are named by a tag ("A", "B" ...) so the expected lists read as tags.
struct Entry {
    const char* tag;
    const char* text;
    std::int32_t recordID = -1;
};

using Expected = std::vector<std::pair<const char*, std::vector<std::string>>>;

struct Fixture {
    SearchIndex index;
    std::map<std::string, OccasionRecordPtr> records;

    void add(const std::vector<Entry>& entries)
    {
        for (const Entry& e : entries) {
            OccasionRecordPtr& r = records[e.tag];
            if (!r) {
                r = std::make_shared<OccasionRecord>();
                r->recordID = e.recordID;
                r->name = u(e.text);
            }
            index.add(r, u(e.text));
        }
    }

    std::vector<std::string> tagsUnder(const QString& key) const
    {
        std::vector<std::string> tags;
        for (const OccasionRecordPtr& r : index.recordsFor(key)) {
            std::string tag = "?";
            for (const auto& [t, record] : records) {
                if (record == r)
                    tag = t;
            }
            tags.push_back(tag);
        }
        return tags;
    }

    void expectLists(const Expected& expected, qsizetype keyCount) const
    {
        for (const auto& [key, tags] : expected) {
            SCOPED_TRACE(testing::Message() << "key '" << key << "'");
            EXPECT_EQ(tagsUnder(u(key)), tags);
        }
        EXPECT_EQ(index.keyCount(), keyCount);
        // No key holds an empty list, and every key is lower case.
        for (auto it = index.lists().begin(); it != index.lists().end(); ++it) {
            EXPECT_FALSE(it.value().empty()) << it.key().toStdString();
            EXPECT_EQ(it.key(), it.key().toLower());
        }
    }
};

template <typename Row>
std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

// Failure messages name the row instead of dumping its bytes.
template <typename Row>
    requires requires(const Row& r) { r.name; }
void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.name;
}

// ---------------------------------------------------------------------------------------
// Building the index.

struct AddRow {
    std::string name;
    std::vector<Entry> entries;
    Expected expected;  // keys absent from the index are listed with no tags
    qsizetype keyCount;
};

class SearchIndexAdd : public testing::TestWithParam<AddRow> {};

TEST_P(SearchIndexAdd, ListsByFirstOneAndTwoCharacters)
{
    const AddRow& row = GetParam();
    Fixture f;
    f.add(row.entries);
    f.expectLists(row.expected, row.keyCount);
}

INSTANTIATE_TEST_SUITE_P(
    SearchIndex, SearchIndexAdd,
    testing::Values(
        AddRow{"FirstAndLastName",
               {{"A", "Anna Smith"}},
               {{"a", {"A"}}, {"an", {"A"}}, {"s", {"A"}}, {"sm", {"A"}}, {"ann", {}}, {"n", {}}, {"A", {}}},
               4},
        AddRow{"SameStartTwiceListsTheRecordTwice", {{"A", "an an"}}, {{"a", {"A", "A"}}, {"an", {"A", "A"}}}, 2},
        AddRow{"SameFirstLetterDifferentSecond",
               {{"A", "Anna Albers"}},
               {{"a", {"A", "A"}}, {"an", {"A"}}, {"al", {"A"}}},
               3},
        AddRow{"InsertionOrderAcrossRecords",
               {{"B", "Bob Brown"}, {"A", "Ann Berg"}, {"C", "Carl"}},
               {{"b", {"B", "B", "A"}}, {"bo", {"B"}}, {"br", {"B"}}, {"be", {"A"}}, {"a", {"A"}}, {"c", {"C"}}},
               8},
        AddRow{"UpperCaseIsFolded", {{"A", "ANNA McDONALD"}}, {{"a", {"A"}}, {"an", {"A"}}, {"mc", {"A"}}}, 4},
        AddRow{"OneLetterWordOnlyUnderOneCharacter",
               {{"A", "J Smith"}},
               {{"j", {"A"}}, {"s", {"A"}}, {"sm", {"A"}}, {"j ", {}}, {"js", {}}},
               3},
        AddRow{"AccentedLetters",
               {{"A", "Åsa Öberg"}, {"B", "Émile"}},
               {{"å", {"A"}}, {"ås", {"A"}}, {"ö", {"A"}}, {"öb", {"A"}}, {"é", {"B"}}, {"ém", {"B"}}, {"a", {}}},
               6},
        AddRow{"Cyrillic",
               {{"A", "Юлия ЁЛКИНА"}},
               {{"ю", {"A"}}, {"юл", {"A"}}, {"ё", {"A"}}, {"ёл", {"A"}}, {"Ю", {}}},
               4},
        AddRow{"Greek", {{"A", "ΣΩΚΡΑΤΗΣ"}}, {{"σ", {"A"}}, {"σω", {"A"}}}, 2},
        AddRow{"AnyUnicodeWhiteSpaceSplits",
               // tab, no-break space, em space, ideographic space, line separator, newline
               {{"A", "Ann\tBo\u00A0Cy\u2003Di\u3000Ed\u2028Fa\nGu"}},
               {{"an", {"A"}}, {"bo", {"A"}}, {"cy", {"A"}}, {"di", {"A"}}, {"ed", {"A"}}, {"fa", {"A"}},
                {"gu", {"A"}}},
               14},
        AddRow{"RunsOfSpaceMakeNoEmptyWords",
               {{"A", "  Anna   Smith  "}},
               {{"a", {"A"}}, {"an", {"A"}}, {"s", {"A"}}, {"sm", {"A"}}, {" ", {}}, {"", {}}},
               4},
        AddRow{"EmptyText", {{"A", ""}}, {{"", {}}}, 0},
        AddRow{"BlankText", {{"A", " \t "}}, {{" ", {}}}, 0},
        AddRow{"CharacterOutsideBasicPlaneIsOneCharacter",
               {{"A", "😀 Party"}, {"B", "😀x"}},
               {{"😀", {"A", "B"}}, {"😀x", {"B"}}, {"p", {"A"}}, {"pa", {"A"}}},
               4},
        AddRow{"DigitsAndPunctuationAreCharactersToo",
               {{"A", "4th (Club)"}},
               {{"4", {"A"}}, {"4t", {"A"}}, {"(", {"A"}}, {"(c", {"A"}}},
               4}),
    rowName<AddRow>);

// ---------------------------------------------------------------------------------------
// Taking records out.

struct RemoveRow {
    std::string name;
    std::vector<Entry> entries;
    const char* removeTag = nullptr;  // remove() of this record
    std::int32_t removeContact = 0;   // else removeContact() of this id
    Expected expected;
    qsizetype keyCount;
};

class SearchIndexRemove : public testing::TestWithParam<RemoveRow> {};

TEST_P(SearchIndexRemove, TakesRecordsOutOfEveryList)
{
    const RemoveRow& row = GetParam();
    Fixture f;
    f.add(row.entries);
    if (row.removeTag) {
        const auto it = f.records.find(row.removeTag);
        f.index.remove(it == f.records.end() ? std::make_shared<OccasionRecord>() : it->second);
    } else {
        f.index.removeContact(row.removeContact);
    }
    f.expectLists(row.expected, row.keyCount);
}

INSTANTIATE_TEST_SUITE_P(
    SearchIndex, SearchIndexRemove,
    testing::Values(
        RemoveRow{"EveryOccurrence",
                  {{"A", "an an"}, {"B", "Anna"}},
                  "A",
                  0,
                  {{"a", {"B"}}, {"an", {"B"}}},
                  2},
        RemoveRow{"EmptiedKeysGo",
                  {{"A", "Zoe Young"}, {"B", "Anna"}},
                  "A",
                  0,
                  {{"z", {}}, {"yo", {}}, {"a", {"B"}}},
                  2},
        RemoveRow{"SameNameOtherRecordStays",
                  {{"A", "Anna"}, {"B", "Anna"}, {"C", "Anna"}},
                  "B",
                  0,
                  {{"a", {"A", "C"}}, {"an", {"A", "C"}}},
                  2},
        RemoveRow{"RecordAddedTwice", {{"A", "Anna"}, {"A", "Smith"}}, "A", 0, {{"a", {}}, {"s", {}}}, 0},
        RemoveRow{"UnknownRecordChangesNothing", {{"A", "Anna"}}, "X", 0, {{"a", {"A"}}, {"an", {"A"}}}, 2},
        RemoveRow{"AllDatesOfOneContact",
                  {{"A", "Anna Smith", 7}, {"B", "Anna Berg", 8}, {"C", "Anna Smith", 7}},
                  nullptr,
                  7,
                  {{"a", {"B"}}, {"an", {"B"}}, {"b", {"B"}}, {"s", {}}, {"sm", {}}},
                  4},
        RemoveRow{"UnknownContactChangesNothing",
                  {{"A", "Anna", 7}},
                  nullptr,
                  9,
                  {{"a", {"A"}}, {"an", {"A"}}},
                  2},
        RemoveRow{"NoContactIdKeepsEntriesWithoutContact",
                  {{"A", "Anna", -1}, {"B", "Anna", 7}},
                  nullptr,
                  -1,
                  {{"a", {"A", "B"}}, {"an", {"A", "B"}}},
                  2}),
    rowName<RemoveRow>);

TEST(SearchIndexLifecycle, ClearAndReuse)
{
    struct Row {
        const char* name;
        const char* before;
        const char* after;
    };
    const Row rows[] = {{"refill with other names", "Anna Smith", "Bob"}, {"refill with the same", "Anna", "Anna"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SearchIndex index;
        auto r = std::make_shared<OccasionRecord>();
        index.add(r, u(row.before));
        index.clear();
        EXPECT_EQ(index.keyCount(), 0);
        EXPECT_TRUE(index.recordsFor(u(row.before).left(1).toLower()).empty());
        index.add(r, u(row.after));
        ASSERT_EQ(index.recordsFor(u(row.after).left(1).toLower()).size(), 1u);
        EXPECT_EQ(index.recordsFor(u(row.after).left(1).toLower()).front(), r);
        index.add(nullptr, u(row.after));  // nothing to list
        EXPECT_EQ(index.recordsFor(u(row.after).left(1).toLower()).size(), 1u);
    }
}

// ---------------------------------------------------------------------------------------
// The keys of one word, shared with the list's search.

struct KeyRow {
    std::string name;
    const char* word;
    std::vector<const char*> keys;
    const char* lookup;
};

class SearchIndexKeys : public testing::TestWithParam<KeyRow> {};

TEST_P(SearchIndexKeys, KeysOfAWord)
{
    const KeyRow& row = GetParam();
    QStringList expected;
    for (const char* k : row.keys)
        expected.append(u(k));
    EXPECT_EQ(SearchIndex::keysForWord(u(row.word)), expected);
    EXPECT_EQ(SearchIndex::lookupKey(u(row.word)), u(row.lookup));

    // A word typed into the search field finds a record whose name begins with it.
    if (!expected.isEmpty()) {
        SearchIndex index;
        auto r = std::make_shared<OccasionRecord>();
        index.add(r, u(row.word) + u("zz other"));
        EXPECT_EQ(index.recordsFor(SearchIndex::lookupKey(u(row.word))).size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    SearchIndex, SearchIndexKeys,
    testing::Values(KeyRow{"LongWord", "Smith", {"s", "sm"}, "sm"},
                    KeyRow{"TwoLetters", "Al", {"a", "al"}, "al"},
                    KeyRow{"OneLetter", "J", {"j"}, "j"},
                    KeyRow{"Empty", "", {}, ""},
                    KeyRow{"Accented", "Åsa", {"å", "ås"}, "ås"},
                    KeyRow{"Cyrillic", "Ёлка", {"ё", "ёл"}, "ёл"},
                    KeyRow{"Emoji", "😀x", {"😀", "😀x"}, "😀x"},
                    KeyRow{"EmojiAlone", "😀", {"😀"}, "😀"}),
    rowName<KeyRow>);

} // namespace
