#include "core/database/SearchIndex.h"

#include "core/records/OccasionRecord.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Failure messages name the row instead of dumping its bytes.
template<typename Row>
requires requires(const Row& r)
{
    r.name;
}
void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.name;
}

using Expected = std::vector<std::pair<const char*, std::vector<std::string>>>;

struct IndexRow {
    std::string name;
    std::vector<Entry> entries = {};
    const char* removeTag = nullptr; // then remove() of this record ("X": one never added)
    std::int32_t removeContact = 0;  // or else removeContact() of this id, unless 0
    qsizetype keyCount = 0;
    Expected expected = {}; // keys absent from the index are listed with no tags
};

class SearchIndexLists : public testing::TestWithParam<IndexRow> { };

TEST_P(SearchIndexLists, ByFirstOneAndTwoCharactersOfEveryWord)
{
    const IndexRow& row = GetParam();
    SearchIndex index;
    std::map<std::string, OccasionRecordPtr> records {{"X", std::make_shared<OccasionRecord>()}};
    for (const Entry& e : row.entries) {
        OccasionRecordPtr& r = records[e.tag];
        if (!r) {
            r = std::make_shared<OccasionRecord>();
            r->recordID = e.recordID;
        }
        index.add(r, u(e.text));
    }
    if (row.removeTag)
        index.remove(records.at(row.removeTag));
    else if (row.removeContact != 0)
        index.removeContact(row.removeContact);

    for (const auto& [key, tags] : row.expected) {
        SCOPED_TRACE(testing::Message() << "key '" << key << "'");
        std::vector<std::string> listed;
        for (const OccasionRecordPtr& r : index.recordsFor(u(key))) {
            const auto it = std::find_if(
                records.begin(), records.end(), [&](const auto& kv) { return kv.second == r; });
            listed.push_back(it == records.end() ? "?" : it->first);
        }
        EXPECT_EQ(listed, tags);
    }
    EXPECT_EQ(index.keyCount(), row.keyCount);
    // No key holds an empty list, and every key is lower case.
    for (auto it = index.lists().begin(); it != index.lists().end(); ++it) {
        EXPECT_FALSE(it.value().empty()) << it.key().toStdString();
        EXPECT_EQ(it.key(), it.key().toLower());
    }
}

INSTANTIATE_TEST_SUITE_P(SearchIndex, SearchIndexLists,
    testing::Values(IndexRow {.name = "FirstAndLastName",
                        .entries = {{"A", "Anna Smith"}},
                        .keyCount = 4,
                        .expected = {{"a", {"A"}}, {"an", {"A"}}, {"s", {"A"}}, {"sm", {"A"}},
                            {"ann", {}}, {"n", {}}}},
        // A name with two words of the same start is listed twice.
        IndexRow {.name = "SameStartsListTheRecordAgain",
            .entries = {{"A", "Anna Albers Ann"}},
            .keyCount = 3,
            .expected = {{"a", {"A", "A", "A"}}, {"an", {"A", "A"}}, {"al", {"A"}}}},
        IndexRow {.name = "InsertionOrderAcrossRecords",
            .entries = {{"B", "Bob Brown"}, {"A", "Ann Berg"}, {"C", "Carl"}},
            .keyCount = 8,
            .expected = {{"b", {"B", "B", "A"}}, {"bo", {"B"}}, {"be", {"A"}}, {"a", {"A"}},
                {"c", {"C"}}}},
        // Lower-cased in any script, accents kept.
        IndexRow {.name = "UpperCaseIsFolded",
            .entries = {{"A", "McDONALD Öberg ЁЛКИНА ΣΩΚΡΑΤΗΣ"}},
            .keyCount = 8,
            .expected = {{"mc", {"A"}}, {"öb", {"A"}}, {"ё", {"A"}}, {"ёл", {"A"}}, {"σω", {"A"}},
                {"o", {}}, {"Ё", {}}}},
        IndexRow {.name = "OneLetterWordOnlyUnderOneCharacter",
            .entries = {{"A", "J Smith"}},
            .keyCount = 3,
            .expected = {{"j", {"A"}}, {"j ", {}}, {"js", {}}}},
        // Tab, no-break space, em space, ideographic space, line separator, newline; and runs of them.
        IndexRow {.name = "AnyUnicodeWhiteSpaceSplits",
            .entries = {{"A", "  Ann\tBo\u00A0Cy\u2003Di\u3000Ed\u2028Fa\n  Gu "}},
            .keyCount = 14,
            .expected = {{"an", {"A"}}, {"bo", {"A"}}, {"cy", {"A"}}, {"di", {"A"}}, {"ed", {"A"}},
                {"fa", {"A"}}, {"gu", {"A"}}, {" ", {}}, {"", {}}}},
        IndexRow {
            .name = "EmptyAndBlankText", .entries = {{"A", ""}, {"B", " \t "}}, .keyCount = 0},
        // A surrogate pair is one character.
        IndexRow {.name = "CharacterOutsideBasicPlane",
            .entries = {{"A", "😀 Party"}, {"B", "😀x"}},
            .keyCount = 4,
            .expected = {{"😀", {"A", "B"}}, {"😀x", {"B"}}, {"p", {"A"}}, {"pa", {"A"}}}},
        IndexRow {.name = "RemoveEveryOccurrence",
            .entries = {{"A", "an an"}, {"B", "Anna"}},
            .removeTag = "A",
            .keyCount = 2,
            .expected = {{"a", {"B"}}, {"an", {"B"}}}},
        // Identity, not name, decides.
        IndexRow {.name = "RemoveLeavesSameNameOfOtherRecord",
            .entries = {{"A", "Anna"}, {"B", "Anna"}, {"C", "Anna"}},
            .removeTag = "B",
            .keyCount = 2,
            .expected = {{"a", {"A", "C"}}, {"an", {"A", "C"}}}},
        IndexRow {.name = "RemoveRecordAddedTwiceEmptiesItsKeys",
            .entries = {{"A", "Anna"}, {"A", "Smith"}},
            .removeTag = "A",
            .expected = {{"a", {}}, {"s", {}}}},
        IndexRow {.name = "RemoveUnknownRecordChangesNothing",
            .entries = {{"A", "Anna"}},
            .removeTag = "X",
            .keyCount = 2,
            .expected = {{"a", {"A"}}, {"an", {"A"}}}},
        IndexRow {.name = "RemoveContactTakesAllItsDates",
            .entries = {{"A", "Anna Smith", 7}, {"B", "Anna Berg", 8}, {"C", "Anna Smith", 7}},
            .removeContact = 7,
            .keyCount = 4,
            .expected = {{"a", {"B"}}, {"an", {"B"}}, {"b", {"B"}}, {"s", {}}, {"sm", {}}}},
        IndexRow {.name = "RemoveUnknownContactChangesNothing",
            .entries = {{"A", "Anna", 7}},
            .removeContact = 9,
            .keyCount = 2,
            .expected = {{"a", {"A"}}}},
        // -1 is "no contact": custom, Facebook and holiday records carry it.
        IndexRow {.name = "RemoveNoContactTakesNothing",
            .entries = {{"A", "Anna", -1}, {"B", "Anna", 7}},
            .removeContact = -1,
            .keyCount = 2,
            .expected = {{"a", {"A", "B"}}}}),
    fetemark::test::RowName());

TEST(SearchIndexLifecycle, ClearThenReuse)
{
    SearchIndex index;
    auto r = std::make_shared<OccasionRecord>();
    index.add(r, u("Anna Smith"));
    index.clear();
    EXPECT_EQ(index.keyCount(), 0);
    EXPECT_TRUE(index.recordsFor(u("a")).empty());
    index.add(r, u("Anna"));
    index.add(nullptr, u("Anna")); // nothing to list
    ASSERT_EQ(index.recordsFor(u("a")).size(), 1u);
    EXPECT_EQ(index.recordsFor(u("a")).front(), r);
}

// The keys of one word, shared with the list's search.

struct KeyRow {
    std::string name;
    const char* word;
    QStringList keys;
    const char* lookup;
};

class SearchIndexKeys : public testing::TestWithParam<KeyRow> { };

TEST_P(SearchIndexKeys, KeysOfAWord)
{
    const KeyRow& row = GetParam();
    EXPECT_EQ(SearchIndex::keysForWord(u(row.word)), row.keys);
    EXPECT_EQ(SearchIndex::lookupKey(u(row.word)), u(row.lookup));
    // A word typed into the search field finds a record whose name begins with it.
    if (!row.keys.isEmpty()) {
        SearchIndex index;
        index.add(std::make_shared<OccasionRecord>(), u(row.word) + u("zz other"));
        EXPECT_EQ(index.recordsFor(SearchIndex::lookupKey(u(row.word))).size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(SearchIndex, SearchIndexKeys,
    testing::Values(KeyRow {"LongWord", "Smith", {u("s"), u("sm")}, "sm"},
        KeyRow {"OneLetter", "J", {u("j")}, "j"}, KeyRow {"Empty", "", {}, ""},
        KeyRow {"Cyrillic", "Ёлка", {u("ё"), u("ёл")}, "ёл"},
        KeyRow {"Emoji", "😀x", {u("😀"), u("😀x")}, "😀x"}, KeyRow {"EmojiAlone", "😀", {u("😀")}, "😀"}),
    fetemark::test::RowName());

} // namespace
