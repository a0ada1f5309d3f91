// The generator of made-up people: reproducible from its seed, with the mix of values the
// benchmarks and the demo rely on, and filling a real book.
#include "platform/AddressBook.h"
#include "platform/SyntheticContacts.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QSet>

#include <sqlite3.h>

#include <functional>
#include <map>
#include <string>

namespace fetemark {
namespace {

using test::TempDir;
namespace SC = SyntheticContacts;

template <typename Row>
std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

// Failure messages name the row rather than dumping its bytes.
template <typename Row>
    requires requires(const Row& row) { row.name; }
void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.name;
}

// Generating 10,000 people takes a while; the statistics rows share them.
const std::vector<SyntheticContact>& tenThousand(quint32 seed)
{
    static std::map<quint32, std::vector<SyntheticContact>> cache;
    auto it = cache.find(seed);
    if (it == cache.end())
        it = cache.emplace(seed, SC::generate({10000, seed, 0})).first;
    return it->second;
}

// Every value of a contact as text (null strings marked), for fingerprints and diffs.
QByteArray serialized(const SyntheticContact& c)
{
    const Person& p = c.person;
    QStringList parts;
    auto add = [&parts](const QString& s) { parts << (s.isNull() ? QStringLiteral("<null>") : s); };
    for (const QString* s : {&p.uid, &p.prefix, &p.firstName, &p.middleName, &p.lastName, &p.suffix, &p.nickname, &p.organization, &p.note})
        add(*s);
    parts << p.birthday.toString(Qt::ISODate);
    for (const auto& d : p.dates) {
        add(d.label);
        parts << d.value.toString(Qt::ISODate);
    }
    for (const auto* list : {&p.phones, &p.emails, &p.urls}) {
        for (const auto& v : *list) {
            add(v.label);
            add(v.value);
        }
    }
    for (const auto& a : p.addresses) {
        add(a.label);
        for (const QString* s : {&a.value.street, &a.value.city, &a.value.state, &a.value.zip, &a.value.country})
            add(*s);
    }
    parts << c.groups.join(u'+') << QString::fromLatin1(QCryptographicHash::hash(c.photo, QCryptographicHash::Sha1).toHex());
    return parts.join(u'|').toUtf8();
}

QByteArray fingerprint(const std::vector<SyntheticContact>& contacts)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const SyntheticContact& c : contacts) {
        hash.addData(serialized(c));
        hash.addData(QByteArrayView("\n"));
    }
    return hash.result().toHex();
}

// ---- Reproducible ------------------------------------------------------------------------

struct SameSeedRow {
    std::string name;
    SC::Options options;
};

class SyntheticSameSeed : public testing::TestWithParam<SameSeedRow> {};

TEST_P(SyntheticSameSeed, IdenticalPeople)
{
    const SC::Options& options = GetParam().options;
    const auto first = SC::generate(options);
    const auto second = SC::generate(options);
    ASSERT_EQ(first.size(), std::size_t(std::max(options.people, 0)));
    ASSERT_EQ(second.size(), first.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(serialized(first[i]), serialized(second[i]));
        EXPECT_TRUE(first[i] == second[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(SyntheticOptions, SyntheticSameSeed,
                         testing::Values(SameSeedRow{"SeedZeroWithPhotos", {300, 0, 3}}, SameSeedRow{"LargestSeedAllPhotos", {200, 0xffffffffu, 1}},
                                         SameSeedRow{"NegativeCount", {-5, 1, 0}}),
                         rowName<SameSeedRow>);

struct SeedPairRow {
    std::string name;
    quint32 a;
    quint32 b;
};

class SyntheticDifferentSeeds : public testing::TestWithParam<SeedPairRow> {};

TEST_P(SyntheticDifferentSeeds, DifferentPeople)
{
    const auto a = SC::generate({1000, GetParam().a, 0});
    const auto b = SC::generate({1000, GetParam().b, 0});
    int sameNameAndBirthday = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const Person& x = a[i].person;
        const Person& y = b[i].person;
        EXPECT_NE(x.uid, y.uid);
        if (x.firstName == y.firstName && x.lastName == y.lastName && x.organization == y.organization && x.birthday == y.birthday)
            ++sameNameAndBirthday;
    }
    EXPECT_LT(sameNameAndBirthday, 50);
    EXPECT_NE(fingerprint(a), fingerprint(b));
}

INSTANTIATE_TEST_SUITE_P(SyntheticSeeds, SyntheticDifferentSeeds,
                         testing::Values(SeedPairRow{"ZeroAndOne", 0, 1}, SeedPairRow{"HighBitOnly", 1, 0x80000001u}),
                         rowName<SeedPairRow>);

// A smaller set is the start of a larger one, and asking for pictures changes nothing
// else: benchmarks and tests of different sizes see the same first people.
TEST(SyntheticContacts, SmallerSetIsPrefixAndPicturesChangeNothingElse)
{
    const auto large = SC::generate({1000, 11, 0});
    const struct {
        const char* what;
        SC::Options options;
    } rows[] = {{"fewer people", {100, 11, 0}}, {"with pictures", {1000, 11, 4}}, {"fewer with pictures", {10, 11, 1}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto small = SC::generate(row.options);
        ASSERT_EQ(small.size(), std::size_t(row.options.people));
        for (std::size_t i = 0; i < small.size(); ++i) {
            Person person = small[i].person;
            EXPECT_EQ(person.hasImage, !small[i].photo.isEmpty());
            person.hasImage = false;
            EXPECT_TRUE(person == large[i].person) << i;
            EXPECT_EQ(small[i].groups, large[i].groups) << i;
        }
    }
}

// Pinned output: catches a change of the people a seed gives (a new library version, a
// std:: distribution slipping in, a reordered draw), which would silently change every
// benchmark and demo built on them.
TEST(SyntheticContacts, PinnedFingerprints)
{
    const struct {
        SC::Options options;
        const char* fingerprint;
    } rows[] = {
        {{200, 7, 10}, "36c3207253019632352ba021005ed96499d98d98bb961c13f287e1c1f3b46b81"},
        {{50, 0, 0}, "5a2a439f81f4b613cb8e42397d60c967492be49299eb4bd84b7da8397e31c282"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.options.seed);
        const auto contacts = SC::generate(row.options);
        EXPECT_EQ(fingerprint(contacts).toStdString(), row.fingerprint) << serialized(contacts.front()).toStdString();
    }
}

// ---- The mix ------------------------------------------------------------------------------

bool hasScript(const QString& s, QChar::Script script)
{
    const QList<uint> codePoints = s.toUcs4();
    return std::any_of(codePoints.begin(), codePoints.end(), [script](uint c) { return QChar::script(c) == script; });
}

bool isCjk(const QString& s)
{
    return hasScript(s, QChar::Script_Han) || hasScript(s, QChar::Script_Hangul) || hasScript(s, QChar::Script_Hiragana)
           || hasScript(s, QChar::Script_Katakana);
}

bool nonAscii(const QString& s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() > 127; });
}

bool hasLabel(const std::vector<Labeled<QDate>>& dates, const char* label)
{
    return std::any_of(dates.begin(), dates.end(), [label](const auto& d) { return d.label == QLatin1StringView(label); });
}

bool hasOtherDate(const Person& p)
{
    return std::any_of(p.dates.begin(), p.dates.end(), [](const auto& d) { return d.label != QLatin1StringView("_$!<Anniversary>!$_"); });
}

struct MixRow {
    std::string name;
    std::function<bool(const SyntheticContact&)> counted;
    std::function<bool(const SyntheticContact&)> among;  // the whole set when empty
    double lowPercent;
    double highPercent;
};

class SyntheticMix : public testing::TestWithParam<MixRow> {};

TEST_P(SyntheticMix, ShareWithinTolerance)
{
    const MixRow& row = GetParam();
    for (quint32 seed : {1u, 2024u}) {
        SCOPED_TRACE(seed);
        int total = 0, counted = 0;
        for (const SyntheticContact& c : tenThousand(seed)) {
            if (row.among && !row.among(c))
                continue;
            ++total;
            counted += row.counted(c) ? 1 : 0;
        }
        ASSERT_GT(total, 0);
        const double percent = 100.0 * counted / total;
        EXPECT_GE(percent, row.lowPercent) << counted << " of " << total;
        EXPECT_LE(percent, row.highPercent) << counted << " of " << total;
    }
}

const auto withBirthday = [](const SyntheticContact& c) { return c.person.birthday.isValid(); };
const auto withOtherDate = [](const SyntheticContact& c) { return hasOtherDate(c.person); };
const auto names = [](const SyntheticContact& c) { return c.person.firstName + c.person.lastName; };

INSTANTIATE_TEST_SUITE_P(
    SyntheticTenThousand, SyntheticMix,
    testing::Values(
        MixRow{"Birthday", withBirthday, {}, 82, 88},
        MixRow{"BirthdayWithoutYear", [](const auto& c) { return c.person.birthday.year() == Person::NoYear; }, withBirthday, 12, 18},
        MixRow{"BirthdayOnLeapDay", [](const auto& c) { return c.person.birthday.month() == 2 && c.person.birthday.day() == 29; }, withBirthday, 0.2, 1.5},
        MixRow{"Anniversary", [](const auto& c) { return hasLabel(c.person.dates, "_$!<Anniversary>!$_"); }, {}, 22, 28},
        MixRow{"OtherDates", withOtherDate, {}, 8, 12},
        MixRow{"OtherDateWithMarkedLabel", [](const auto& c) { return hasLabel(c.person.dates, "_$!<Other>!$_"); }, withOtherDate, 20, 45},
        MixRow{"OtherDateWithOwnLabel",
               [](const auto& c) { return hasLabel(c.person.dates, "Name day") || hasLabel(c.person.dates, "Hochzeitstag") || hasLabel(c.person.dates, "Wedding") || hasLabel(c.person.dates, "Graduation"); },
               withOtherDate, 30, 60},
        MixRow{"OtherDateWithoutLabel",
               [](const auto& c) { return std::any_of(c.person.dates.begin(), c.person.dates.end(), [](const auto& d) { return d.label.isNull(); }); },
               withOtherDate, 8, 25},
        MixRow{"Phone", [](const auto& c) { return !c.person.phones.empty(); }, {}, 85, 95},
        MixRow{"MobilePhone",
               [](const auto& c) { return std::any_of(c.person.phones.begin(), c.person.phones.end(), [](const auto& v) { return v.label == QLatin1StringView("_$!<Mobile>!$_"); }); },
               {}, 55, 85},
        MixRow{"Email", [](const auto& c) { return !c.person.emails.empty(); }, {}, 70, 80},
        MixRow{"PostalAddress", [](const auto& c) { return !c.person.addresses.empty(); }, {}, 17, 23},
        MixRow{"Note", [](const auto& c) { return !c.person.note.isEmpty(); }, {}, 9, 15},
        MixRow{"OrganizationOnly", [](const auto& c) { return c.person.firstName.isEmpty() && c.person.lastName.isEmpty() && !c.person.organization.isEmpty(); }, {}, 2, 4.5},
        MixRow{"InAGroup", [](const auto& c) { return !c.groups.isEmpty(); }, {}, 27, 33},
        MixRow{"NonAsciiName", [](const auto& c) { return nonAscii(names(c)); }, {}, 25, 75},
        MixRow{"CjkName", [](const auto& c) { return isCjk(names(c)); }, {}, 9, 17},
        MixRow{"CyrillicName", [](const auto& c) { return hasScript(names(c), QChar::Script_Cyrillic); }, {}, 4, 8}),
    rowName<MixRow>);

TEST(SyntheticContacts, EveryValueIsUsable)
{
    for (quint32 seed : {1u, 2024u}) {
        SCOPED_TRACE(seed);
        const auto& contacts = tenThousand(seed);
        const QStringList groupNames = SC::groupNames();
        QSet<QString> uids;
        for (std::size_t i = 0; i < contacts.size(); ++i) {
            SCOPED_TRACE(i);
            const Person& p = contacts[i].person;
            EXPECT_EQ(p.uid, QStringLiteral("synthetic-%1-%2").arg(seed).arg(i));
            uids.insert(p.uid);
            EXPECT_EQ(p.recordID, -1);
            EXPECT_FALSE(p.hasImage);
            EXPECT_TRUE(contacts[i].photo.isEmpty());
            EXPECT_FALSE(p.firstName.isEmpty() && p.lastName.isEmpty() && p.organization.isEmpty()) << "someone to show";
            if (p.birthday.isValid()) {
                const int year = p.birthday.year();
                EXPECT_TRUE(year == Person::NoYear || (year >= 1930 && year <= 2020)) << year;
            } else {
                EXPECT_TRUE(p.birthday.isNull()) << "no half-made birthdays";
            }
            for (const auto& d : p.dates) {
                EXPECT_TRUE(d.value.isValid());
                EXPECT_TRUE(d.value.year() == Person::NoYear || (d.value.year() >= 1930 && d.value.year() <= 2025)) << d.value.year();
            }
            for (const auto* list : {&p.phones, &p.emails, &p.urls}) {
                for (const auto& v : *list)
                    EXPECT_FALSE(v.value.isEmpty());
            }
            for (const auto& e : p.emails) {
                EXPECT_EQ(e.value.count(u'@'), 1) << e.value.toStdString();
                EXPECT_FALSE(nonAscii(e.value)) << e.value.toStdString();
                EXPECT_FALSE(e.value.startsWith(u'.') || e.value.contains(QStringLiteral(".@"))) << e.value.toStdString();
            }
            for (const auto& a : p.addresses)
                EXPECT_FALSE(a.value.isEmpty());
            for (const QString& g : contacts[i].groups)
                EXPECT_TRUE(groupNames.contains(g)) << g.toStdString();
            EXPECT_EQ(QSet<QString>(contacts[i].groups.begin(), contacts[i].groups.end()).size(), contacts[i].groups.size());
        }
        EXPECT_EQ(uids.size(), qsizetype(contacts.size()));
    }
}

// ---- Pictures -----------------------------------------------------------------------------

// Reads the PNG structure with its own CRC (bitwise, unlike the generator's table) and
// inflates the pixels; empty when the picture is sound, else what is wrong.
std::string pngProblem(const QByteArray& png)
{
    auto be32 = [&png](qsizetype at) {
        return (quint32(quint8(png[at])) << 24) | (quint32(quint8(png[at + 1])) << 16) | (quint32(quint8(png[at + 2])) << 8) | quint8(png[at + 3]);
    };
    auto crc = [](const QByteArray& bytes) {
        quint32 c = 0xffffffffu;
        for (const char b : bytes) {
            c ^= quint8(b);
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1u)));
        }
        return ~c;
    };
    if (!png.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)))
        return "no PNG signature";
    qsizetype at = 8;
    QStringList types;
    QByteArray header, pixels;
    while (at + 12 <= png.size()) {
        const quint32 length = be32(at);
        if (at + 12 + qsizetype(length) > png.size())
            return "chunk runs past the end";
        const QByteArray typed = png.mid(at + 4, 4 + length);
        if (crc(typed) != be32(at + 8 + length))
            return "bad CRC in " + typed.left(4).toStdString();
        types << QString::fromLatin1(typed.left(4));
        if (typed.startsWith("IHDR"))
            header = typed.mid(4);
        if (typed.startsWith("IDAT"))
            pixels += typed.mid(4);
        at += 12 + length;
    }
    if (at != png.size())
        return "bytes after the last chunk";
    if (types != QStringList{QStringLiteral("IHDR"), QStringLiteral("IDAT"), QStringLiteral("IEND")})
        return "chunks " + types.join(u',').toStdString();
    if (header.size() != 13)
        return "IHDR size";
    const quint32 width = (quint32(quint8(header[0])) << 24) | (quint8(header[1]) << 16) | (quint8(header[2]) << 8) | quint8(header[3]);
    const quint32 height = (quint32(quint8(header[4])) << 24) | (quint8(header[5]) << 16) | (quint8(header[6]) << 8) | quint8(header[7]);
    if (width == 0 || height == 0 || header.mid(8) != QByteArray("\x08\x02\x00\x00\x00", 5))
        return "unexpected IHDR";
    const quint32 rowBytes = 1 + 3 * width;
    QByteArray sized(4, 0);
    const quint32 expected = rowBytes * height;
    for (int i = 0; i < 4; ++i)
        sized[i] = char(expected >> (24 - 8 * i));
    const QByteArray raw = qUncompress(sized + pixels);
    if (raw.size() != qsizetype(expected))
        return "pixels inflate to " + std::to_string(raw.size()) + " bytes, not " + std::to_string(expected);
    for (quint32 y = 0; y < height; ++y) {
        if (raw[y * rowBytes] != 0)
            return "unknown filter";
    }
    return {};
}

struct PhotoRow {
    std::string name;
    int people;
    int photoEvery;
    int expectedPhotos;
};

class SyntheticPhotos : public testing::TestWithParam<PhotoRow> {};

TEST_P(SyntheticPhotos, EveryNthPersonHasASoundPng)
{
    const PhotoRow& row = GetParam();
    const auto contacts = SC::generate({row.people, 5, row.photoEvery});
    QSet<QByteArray> distinct;
    int photos = 0;
    for (std::size_t i = 0; i < contacts.size(); ++i) {
        SCOPED_TRACE(i);
        const SyntheticContact& c = contacts[i];
        EXPECT_EQ(c.person.hasImage, !c.photo.isEmpty());
        EXPECT_EQ(!c.photo.isEmpty(), row.photoEvery > 0 && (i + 1) % std::size_t(row.photoEvery) == 0);
        if (c.photo.isEmpty())
            continue;
        ++photos;
        distinct.insert(c.photo);
        EXPECT_EQ(pngProblem(c.photo), "");
        EXPECT_LT(c.photo.size(), 4096);
    }
    EXPECT_EQ(photos, row.expectedPhotos);
    EXPECT_EQ(distinct.size(), photos) << "pictures tell people apart";
}

INSTANTIATE_TEST_SUITE_P(SyntheticEvery, SyntheticPhotos,
                         testing::Values(PhotoRow{"None", 100, 0, 0}, PhotoRow{"Everyone", 100, 1, 100},
                                         PhotoRow{"EveryTenthOfNinetyFive", 95, 10, 9}, PhotoRow{"NegativeStep", 10, -3, 0}),
                         rowName<PhotoRow>);

TEST(SyntheticContacts, PhotoCheckCatchesDamage)
{
    const QByteArray good = SC::photo(99);
    ASSERT_EQ(pngProblem(good), "");
    const struct {
        const char* what;
        std::function<QByteArray(QByteArray)> damage;
    } rows[] = {
        {"signature", [](QByteArray b) { b[1] = 'X'; return b; }},
        {"pixel byte", [](QByteArray b) { b[b.indexOf("IDAT") + 10] ^= 0x40; return b; }},
        {"truncated", [](QByteArray b) { return b.left(b.size() - 5); }},
        {"trailing bytes", [](QByteArray b) { return b + "x"; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_NE(pngProblem(row.damage(good)), "");
    }
}

// ---- Filling a book -----------------------------------------------------------------------

struct FillRow {
    std::string name;
    SC::Options options;
    bool familyExists;  // the book already has a "Family" group and one person
};

class SyntheticFill : public testing::TestWithParam<FillRow> {};

TEST_P(SyntheticFill, AddsEveryoneWithGroupsAndPicturesAndSaves)
{
    const FillRow& row = GetParam();
    TempDir dir;
    const QString path = dir.file(QStringLiteral("AddressBook.sqlite"));
    auto book = AddressBook::create(path);
    ASSERT_TRUE(book);
    std::int32_t family = -1;
    if (row.familyExists) {
        book->addPerson(Person{});
        family = book->addGroup(QStringLiteral("Family"));
        ASSERT_TRUE(book->save());
    }
    const int before = book->personCount();
    ASSERT_EQ(SC::fill(*book, row.options), row.options.people) << book->lastError().toStdString();
    EXPECT_FALSE(book->hasUnsavedChanges());

    auto other = AddressBook::create(path);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->personCount(), before + row.options.people);

    const auto contacts = SC::generate(row.options);
    std::map<QString, int> members;
    int photos = 0;
    for (const SyntheticContact& c : contacts) {
        for (const QString& g : c.groups)
            ++members[g];
        photos += c.photo.isEmpty() ? 0 : 1;
    }
    std::vector<Group> groups = other->allGroups();
    EXPECT_EQ(groups.size(), members.size() + (row.familyExists && !members.count(QStringLiteral("Family")) ? 1 : 0));
    for (const Group& g : groups) {
        SCOPED_TRACE(g.name.toStdString());
        EXPECT_EQ(int(other->groupMembers(g.recordID).size()), members[g.name]);
        if (g.name == QStringLiteral("Family") && row.familyExists) {
            EXPECT_EQ(g.recordID, family) << "existing group reused";
        }
    }
    int stored = 0;
    for (const Person& p : other->allPeople())
        stored += p.hasImage ? 1 : 0;
    EXPECT_EQ(stored, photos);
}

INSTANTIATE_TEST_SUITE_P(SyntheticBooks, SyntheticFill,
                         testing::Values(FillRow{"Nobody", {0, 1, 0}, false}, FillRow{"OnePerson", {1, 1, 1}, false},
                                         FillRow{"ThousandWithPhotos", {1000, 3, 10}, false},
                                         FillRow{"IntoBookWithFamily", {500, 4, 0}, true}),
                         rowName<FillRow>);

TEST(SyntheticContacts, FillRefusedLeavesBookAsItWas)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("AddressBook.sqlite"));
    {
        auto book = AddressBook::create(path);
        ASSERT_TRUE(book);
        book->addPerson(Person{});
        ASSERT_TRUE(book->save());
    }
    {
        // Only five more ids are left: the sixth person is refused.
        sqlite3* db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_exec(db, "UPDATE sqlite_sequence SET seq = 2147483642 WHERE name = 'people'", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    auto book = AddressBook::create(path);
    ASSERT_TRUE(book);
    const struct {
        const char* what;
        int people;
        int result;
        int count;
    } rows[] = {{"too many", 6, -1, 1}, {"just enough", 5, 5, 6}, {"none left", 1, -1, 6}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(SC::fill(*book, {row.people, 1, 2}), row.result);
        EXPECT_FALSE(book->hasUnsavedChanges());
        EXPECT_EQ(AddressBook::create(path)->personCount(), row.count);
        EXPECT_EQ(book->personCount(), row.count);
        if (row.result < 0) {
            EXPECT_FALSE(book->lastError().isEmpty());
        }
    }
}

} // namespace
} // namespace fetemark
