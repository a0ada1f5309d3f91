// Round trips through KeyedArchiver/KeyedUnarchiver, the layout they write (checked with
// libplist) and reading an archive in the platform's XML form.
#include "platform/KeyedArchiveBinaryWriter.h"
#include "platform/KeyedArchiveGraph.h"
#include "platform/KeyedArchivePlist.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>

namespace fetemark {
namespace {

using keyedarchive::sameGraph;
using test::utc;

// --- helpers ------------------------------------------------------------------------

struct Plist {
    plist_t node = nullptr;
    Plist() = default;
    explicit Plist(plist_t n) : node(n) {}
    Plist(const Plist&) = delete;
    Plist& operator=(const Plist&) = delete;
    ~Plist()
    {
        if (node)
            plist_free(node);
    }
};

std::unique_ptr<Plist> parseBinary(const QByteArray& bytes)
{
    plist_t node = nullptr;
    plist_from_bin(bytes.constData(), static_cast<uint32_t>(bytes.size()), &node);
    return std::make_unique<Plist>(node);
}

QByteArray xmlToBinary(const QByteArray& xml)
{
    plist_t node = nullptr;
    plist_from_xml(xml.constData(), static_cast<uint32_t>(xml.size()), &node);
    if (!node)
        return {};
    Plist owner(node);
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &bin, &length);
    QByteArray out(bin, length);
    plist_to_bin_free(bin);
    return out;
}

std::vector<plist_t> children(plist_t array)
{
    std::vector<plist_t> out;
    for (uint32_t i = 0; i < plist_array_get_size(array); ++i)
        out.push_back(plist_array_get_item(array, i));
    return out;
}

std::vector<std::pair<QString, plist_t>> entries(plist_t dict)
{
    std::vector<std::pair<QString, plist_t>> out;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(dict, &it);
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dict, it, &key, &value);
        if (!value)
            break;
        out.emplace_back(QString::fromUtf8(key), value);
        std::free(key);
    }
    std::free(it);
    return out;
}

QString stringOf(plist_t node)
{
    char* s = nullptr;
    plist_get_string_val(node, &s);
    QString out = QString::fromUtf8(s ? s : "");
    std::free(s);
    return out;
}

uint64_t uidOf(plist_t node)
{
    uint64_t v = 0;
    plist_get_uid_val(node, &v);
    return v;
}

// The $classname of an archived object dictionary, or "" for anything else.
QString classNameOf(const std::vector<plist_t>& objects, plist_t node)
{
    if (plist_get_node_type(node) != PLIST_DICT)
        return {};
    plist_t cls = plist_dict_get_item(node, "$class");
    if (!cls)
        return {};
    return stringOf(plist_dict_get_item(objects.at(uidOf(cls)), "$classname"));
}

ArchiveValue arrayOf(std::vector<ArchiveValue> items)
{
    auto a = std::make_shared<ArchiveArray>();
    a->items = std::move(items);
    return ArchiveValue::array(a);
}

ArchiveValue dictOf(std::vector<std::pair<QString, ArchiveValue>> entries)
{
    auto d = std::make_shared<ArchiveDictionary>();
    d->entries = std::move(entries);
    return ArchiveValue::dictionary(d);
}

ArchiveValue person(const QString& name)
{
    ArchiveObjectWriter w({QStringLiteral("FMPerson"), QStringLiteral("NSObject")});
    w.encodeString(QStringLiteral("name"), name);
    return w.finish();
}

QByteArray archive(const ArchiveValue& v)
{
    QString error;
    auto bytes = KeyedArchiver::archivedData(v, &error);
    EXPECT_TRUE(bytes.has_value()) << error.toStdString();
    return bytes.value_or(QByteArray());
}

ArchiveValue unarchive(const QByteArray& bytes)
{
    QString error;
    auto v = KeyedUnarchiver::unarchive(bytes, &error);
    EXPECT_TRUE(v.has_value()) << error.toStdString();
    return v.value_or(ArchiveValue());
}

ArchiveValue nested(int levels, ArchiveValue leaf)
{
    ArchiveValue v = std::move(leaf);
    for (int i = 0; i < levels; ++i)
        v = arrayOf({v});
    return v;
}

// --- every kind of value, alone at the root and as an object field ------------------

struct ValueRow {
    const char* name;
    std::function<ArchiveValue()> make;
};

class ValueRoundTrip : public ::testing::TestWithParam<ValueRow> {};

TEST_P(ValueRoundTrip, ComesBackEqualAtRootAndAsField)
{
    const ArchiveValue value = GetParam().make();
    QString where;
    const ArchiveValue back = unarchive(archive(value));
    EXPECT_EQ(back.kind(), value.kind());
    EXPECT_TRUE(sameGraph(value, back, &where)) << where.toStdString();

    ArchiveObjectWriter w({QStringLiteral("FMHolder"), QStringLiteral("NSObject")});
    w.encodeValue(QStringLiteral("v"), value);
    const ArchiveValue holder = w.finish();
    const ArchiveValue holderBack = unarchive(archive(holder));
    EXPECT_TRUE(sameGraph(holder, holderBack, &where)) << where.toStdString();
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Kinds, ValueRoundTrip,
    ::testing::Values(
        ValueRow{"Null", [] { return ArchiveValue(); }},
        ValueRow{"True", [] { return ArchiveValue::boolean(true); }},
        ValueRow{"False", [] { return ArchiveValue::boolean(false); }},
        ValueRow{"IntMinusOne", [] { return ArchiveValue::integer(-1); }},
        ValueRow{"Int256", [] { return ArchiveValue::integer(256); }},
        ValueRow{"IntAbove32Bits", [] { return ArchiveValue::integer(4294967296LL); }},
        ValueRow{"IntMin", [] { return ArchiveValue::integer(std::numeric_limits<std::int64_t>::min()); }},
        ValueRow{"IntMax", [] { return ArchiveValue::integer(std::numeric_limits<std::int64_t>::max()); }},
        ValueRow{"RealTenth", [] { return ArchiveValue::real(0.1); }},
        ValueRow{"RealNegativeZero", [] { return ArchiveValue::real(-0.0); }},
        ValueRow{"RealTiny", [] { return ArchiveValue::real(4.9e-324); }},
        ValueRow{"RealInfinity", [] { return ArchiveValue::real(-kInf); }},
        ValueRow{"RealNaN", [] { return ArchiveValue::real(kNaN); }},
        ValueRow{"EmptyString", [] { return ArchiveValue::string(QStringLiteral("")); }},
        ValueRow{"UnicodeString",
                 [] { return ArchiveValue::string(QStringLiteral("Grüße, Zoë — 日本語 🎂🎉 e\u0301 مرحبا")); }},
        ValueRow{"LongString", [] { return ArchiveValue::string(QString(5000, QLatin1Char('x'))); }},
        ValueRow{"EmptyData", [] { return ArchiveValue::data(QByteArray("")); }},
        ValueRow{"BinaryData", [] { return ArchiveValue::data(QByteArray("\x00\x01\xff\x00zz", 6)); }},
        ValueRow{"Date1604", [] { return ArchiveValue::date(utc("1604-02-29T12:34:56.789Z")); }},
        ValueRow{"DateYear1", [] { return ArchiveValue::date(utc("0001-01-01T00:00:00.001Z")); }},
        ValueRow{"DateYear9999", [] { return ArchiveValue::date(utc("9999-12-31T23:59:59.999Z")); }},
        ValueRow{"DateJustBefore2001", [] { return ArchiveValue::date(utc("2000-12-31T23:59:59.999Z")); }},
        ValueRow{"DateJustBefore1970", [] { return ArchiveValue::date(utc("1969-12-31T23:59:59.999Z")); }},
        ValueRow{"EmptyArray", [] { return arrayOf({}); }},
        ValueRow{"MixedArray",
                 [] {
                     return arrayOf({ArchiveValue::integer(1), ArchiveValue(), ArchiveValue::string("a"),
                                     ArchiveValue::boolean(false), ArchiveValue::real(2.5),
                                     ArchiveValue::date(utc("1990-05-17T08:30:00Z"))});
                 }},
        ValueRow{"EmptyDictionary", [] { return dictOf({}); }},
        ValueRow{"Dictionary",
                 [] {
                     return dictOf({{"b", ArchiveValue::integer(2)},
                                    {"a", arrayOf({ArchiveValue::string("x")})},
                                    {"", ArchiveValue()},
                                    {"$class", ArchiveValue::string("not a class")}});
                 }},
        ValueRow{"ObjectWithoutFields",
                 [] { return ArchiveObjectWriter({QStringLiteral("FMEmpty")}).finish(); }},
        ValueRow{"NestedObjects",
                 [] {
                     ArchiveObjectWriter w({QStringLiteral("FMList"), QStringLiteral("NSObject")});
                     w.encodeValue(QStringLiteral("people"), arrayOf({person("Ann"), person("Bo")}));
                     w.encodeValue(QStringLiteral("byName"), dictOf({{"Ann", person("Ann")}}));
                     return w.finish();
                 }}),
    [](const ::testing::TestParamInfo<ValueRow>& info) { return std::string(info.param.name); });

// --- dates are NSDate objects with a real NS.time ----------------------------------

struct DateRow {
    const char* name;
    const char* iso;
    double seconds; // since 2001-01-01T00:00:00Z
};

class DateLayout : public ::testing::TestWithParam<DateRow> {};

TEST_P(DateLayout, IsAnNSDateWithRealSecondsSince2001)
{
    const QByteArray bytes = archive(ArchiveValue::date(utc(GetParam().iso)));
    auto top = parseBinary(bytes);
    ASSERT_TRUE(top->node);
    const auto objects = children(plist_dict_get_item(top->node, "$objects"));
    plist_t root = objects.at(uidOf(plist_dict_get_item(plist_dict_get_item(top->node, "$top"), "root")));
    EXPECT_EQ(classNameOf(objects, root), QStringLiteral("NSDate"));
    plist_t time = plist_dict_get_item(root, "NS.time");
    ASSERT_TRUE(time);
    ASSERT_EQ(plist_get_node_type(time), PLIST_REAL);
    double seconds = 0;
    plist_get_real_val(time, &seconds);
    EXPECT_DOUBLE_EQ(seconds, GetParam().seconds);
    const ArchiveValue back = unarchive(bytes);
    ASSERT_TRUE(back.asDate());
    EXPECT_EQ(back.asDate()->toMSecsSinceEpoch(), utc(GetParam().iso).toMSecsSinceEpoch());
}

INSTANTIATE_TEST_SUITE_P(
    Moments, DateLayout,
    ::testing::Values(DateRow{"ReferenceDate", "2001-01-01T00:00:00Z", 0.0},
                      DateRow{"UnixEpoch", "1970-01-01T00:00:00Z", -978307200.0},
                      DateRow{"WithMilliseconds", "2001-01-01T00:00:01.250Z", 1.25},
                      DateRow{"Year1900", "1900-01-01T00:00:00Z", -3187296000.0},
                      DateRow{"Year2100", "2100-01-01T00:00:00Z", 3124137600.0}),
    [](const ::testing::TestParamInfo<DateRow>& info) { return std::string(info.param.name); });

// --- object fields: order, inline scalars, references, nil ---------------------------

TEST(KeyedArchiveObject, FieldsKeepOrderScalarsInlineOthersByReference)
{
    ArchiveObjectWriter w({QStringLiteral("FMOccasion"), QStringLiteral("FMRecord"), QStringLiteral("NSObject")});
    w.encodeString(QStringLiteral("zeta"), QStringLiteral("last letter first"));
    w.encodeBool(QStringLiteral("alpha"), true);
    w.encodeInt(QStringLiteral("mid"), -7);
    w.encodeDouble(QStringLiteral("beta"), 2.5);
    w.encodeDate(QStringLiteral("when"), utc("1990-05-17T08:30:00.250Z"));
    w.encodeData(QStringLiteral("blob"), QByteArray("\x01\x02", 2));
    w.encodeString(QStringLiteral("none"), QString());
    w.encodeString(QStringLiteral("empty"), QStringLiteral(""));
    w.encodeValue(QStringLiteral("$tricky"), ArchiveValue::integer(5));
    w.encodeInt(QStringLiteral("mid"), 11); // encoding a key again replaces it in place
    const ArchiveValue object = w.finish();

    const QByteArray bytes = archive(object);
    auto top = parseBinary(bytes);
    ASSERT_TRUE(top->node);
    EXPECT_EQ(stringOf(plist_dict_get_item(top->node, "$archiver")), QStringLiteral("NSKeyedArchiver"));
    uint64_t version = 0;
    plist_get_uint_val(plist_dict_get_item(top->node, "$version"), &version);
    EXPECT_EQ(version, 100000u);
    const auto objects = children(plist_dict_get_item(top->node, "$objects"));
    EXPECT_EQ(stringOf(objects.at(0)), QStringLiteral("$null"));
    plist_t root = objects.at(uidOf(plist_dict_get_item(plist_dict_get_item(top->node, "$top"), "root")));
    plist_t cls = objects.at(uidOf(plist_dict_get_item(root, "$class")));
    EXPECT_EQ(stringOf(plist_dict_get_item(cls, "$classname")), QStringLiteral("FMOccasion"));
    std::vector<QString> chain;
    for (plist_t c : children(plist_dict_get_item(cls, "$classes")))
        chain.push_back(stringOf(c));
    EXPECT_EQ(chain, (std::vector<QString>{"FMOccasion", "FMRecord", "NSObject"}));

    struct FieldRow {
        const char* key;
        plist_type type;
        const char* referencedClassOrString; // for UIDs: what the entry is
    };
    const FieldRow rows[] = {
        {"zeta", PLIST_UID, "last letter first"}, {"alpha", PLIST_BOOLEAN, nullptr},
        {"mid", PLIST_UINT, nullptr},             {"beta", PLIST_REAL, nullptr},
        {"when", PLIST_UID, "NSDate"},            {"blob", PLIST_UID, nullptr},
        {"none", PLIST_UID, "$null"},             {"empty", PLIST_UID, ""},
        {"$$tricky", PLIST_UINT, nullptr},        {"$class", PLIST_UID, nullptr},
    };
    const auto written = entries(root);
    ASSERT_EQ(written.size(), std::size(rows));
    for (size_t i = 0; i < written.size(); ++i) {
        SCOPED_TRACE(rows[i].key);
        EXPECT_EQ(written[i].first, QString::fromLatin1(rows[i].key));
        EXPECT_EQ(plist_get_node_type(written[i].second), rows[i].type);
        if (rows[i].type == PLIST_UID && rows[i].referencedClassOrString) {
            plist_t target = objects.at(uidOf(written[i].second));
            const QString expected = QString::fromUtf8(rows[i].referencedClassOrString);
            if (plist_get_node_type(target) == PLIST_STRING)
                EXPECT_EQ(stringOf(target), expected);
            else
                EXPECT_EQ(classNameOf(objects, target), expected);
        }
    }
    uint64_t mid = 0;
    plist_get_uint_val(plist_dict_get_item(root, "mid"), &mid);
    EXPECT_EQ(mid, 11u);
    EXPECT_EQ(uidOf(plist_dict_get_item(root, "none")), 0u);

    const ArchiveValue back = unarchive(bytes);
    ASSERT_TRUE(back.asObject());
    QStringList order;
    for (const auto& [key, value] : back.asObject()->fields)
        order << key;
    EXPECT_EQ(order, QStringList({"zeta", "alpha", "mid", "beta", "when", "blob", "none", "empty", "$tricky"}));
    QString where;
    EXPECT_TRUE(sameGraph(object, back, &where)) << where.toStdString();

    // An empty string and nil stay apart.
    ArchiveObjectReader reader(*back.asObject());
    EXPECT_TRUE(reader.contains(QStringLiteral("none")));
    EXPECT_TRUE(reader.value(QStringLiteral("none"))->isNull());
    EXPECT_TRUE(reader.decodeString(QStringLiteral("none")).isNull());
    EXPECT_FALSE(reader.decodeString(QStringLiteral("empty")).isNull());
    EXPECT_TRUE(reader.decodeString(QStringLiteral("empty")).isEmpty());
    EXPECT_EQ(reader.decodeInt(QStringLiteral("$tricky")), 5);
}

// --- sharing --------------------------------------------------------------------------

TEST(KeyedArchiveSharing, SameNodeIsOneEntryAndComesBackAsOnePointer)
{
    const ArchiveValue ann = person(QStringLiteral("Ann"));
    const ArchiveValue tags = arrayOf({ArchiveValue::string("x")});
    const ArchiveValue root = arrayOf({ann, ann, person(QStringLiteral("Bo")), dictOf({{"again", ann}, {"t", tags}}), tags,
                                       ArchiveValue::string("dup"), ArchiveValue::string("dup"),
                                       ArchiveValue::integer(7), ArchiveValue::integer(7),
                                       ArchiveValue::data("zz"), ArchiveValue::data("zz")});
    const QByteArray bytes = archive(root);
    auto top = parseBinary(bytes);
    ASSERT_TRUE(top->node);
    const auto objects = children(plist_dict_get_item(top->node, "$objects"));

    int persons = 0, personClasses = 0, dups = 0, sevens = 0, blobs = 0;
    for (plist_t o : objects) {
        if (classNameOf(objects, o) == QLatin1String("FMPerson"))
            ++persons;
        if (plist_get_node_type(o) == PLIST_DICT && plist_dict_get_item(o, "$classname")
            && stringOf(plist_dict_get_item(o, "$classname")) == QLatin1String("FMPerson"))
            ++personClasses;
        if (plist_get_node_type(o) == PLIST_STRING && stringOf(o) == QLatin1String("dup"))
            ++dups;
        if (plist_get_node_type(o) == PLIST_UINT) {
            uint64_t v = 0;
            plist_get_uint_val(o, &v);
            sevens += v == 7;
        }
        blobs += plist_get_node_type(o) == PLIST_DATA;
    }
    EXPECT_EQ(persons, 2);       // Ann once, Bo once
    EXPECT_EQ(personClasses, 1); // one class description for both
    EXPECT_EQ(dups, 1);
    EXPECT_EQ(sevens, 1);
    EXPECT_EQ(blobs, 1);

    const ArchiveValue back = unarchive(bytes);
    const ArchiveArray* items = back.asArray();
    ASSERT_TRUE(items);
    ASSERT_EQ(items->items.size(), 11u);
    EXPECT_EQ(items->items[0].identity(), items->items[1].identity());
    EXPECT_NE(items->items[0].identity(), items->items[2].identity());
    EXPECT_EQ(items->items[3].asDictionary()->find("again")->identity(), items->items[0].identity());
    EXPECT_EQ(items->items[3].asDictionary()->find("t")->identity(), items->items[4].identity());
    QString where;
    EXPECT_TRUE(sameGraph(root, back, &where)) << where.toStdString();
}

TEST(KeyedArchiveSharing, DoublingGraphStaysSmallAndShared)
{
    // Each level holds the one below twice: 2^60 paths, 61 nodes.
    ArchiveValue level = arrayOf({ArchiveValue::string("leaf")});
    for (int i = 0; i < 60; ++i)
        level = arrayOf({level, level});
    const QByteArray bytes = archive(level);
    EXPECT_LT(bytes.size(), 4000);
    const ArchiveValue back = unarchive(bytes);
    const ArchiveValue* v = &back;
    for (int i = 0; i < 60; ++i) {
        ASSERT_TRUE(v->asArray());
        ASSERT_EQ(v->asArray()->items.size(), 2u);
        ASSERT_EQ(v->asArray()->items[0].identity(), v->asArray()->items[1].identity());
        v = &v->asArray()->items[0];
    }
    EXPECT_TRUE(sameGraph(level, back));
}

// --- what the archiver refuses ---------------------------------------------------------

struct RefusalRow {
    const char* name;
    std::function<ArchiveValue()> make;
    const char* error;
};

class ArchiverRefuses : public ::testing::TestWithParam<RefusalRow> {};

TEST_P(ArchiverRefuses, WithAnError)
{
    // Cyclic graphs leak by design of shared_ptr; the test holds them and breaks them here.
    const ArchiveValue v = GetParam().make();
    QString error;
    EXPECT_FALSE(KeyedArchiver::archivedData(v, &error).has_value());
    EXPECT_TRUE(error.contains(QLatin1String(GetParam().error))) << error.toStdString();
    if (auto* a = const_cast<ArchiveArray*>(v.asArray()))
        a->items.clear();
    if (auto* o = const_cast<ArchiveObject*>(v.asObject()))
        o->fields.clear();
    if (auto* d = const_cast<ArchiveDictionary*>(v.asDictionary()))
        d->entries.clear();
}

INSTANTIATE_TEST_SUITE_P(
    Graphs, ArchiverRefuses,
    ::testing::Values(
        RefusalRow{"ArrayContainingItself",
                   [] {
                       auto a = std::make_shared<ArchiveArray>();
                       a->items.push_back(ArchiveValue::array(a));
                       return ArchiveValue::array(a);
                   },
                   "cycle"},
        RefusalRow{"ObjectFieldPointingBack",
                   [] {
                       auto o = std::make_shared<ArchiveObject>();
                       o->classes = QStringList{"FMNode"};
                       o->fields.emplace_back("self", arrayOf({ArchiveValue::string("x"), ArchiveValue::object(o)}));
                       return ArchiveValue::object(o);
                   },
                   "cycle"},
        RefusalRow{"DictionaryThroughArray",
                   [] {
                       auto d = std::make_shared<ArchiveDictionary>();
                       d->entries.emplace_back("inner", arrayOf({ArchiveValue::dictionary(d)}));
                       return ArchiveValue::dictionary(d);
                   },
                   "cycle"},
        RefusalRow{"TooDeep", [] { return nested(513, ArchiveValue::integer(1)); }, "deeper than 512"},
        RefusalRow{"SharedSubgraphTooDeepWhenMetAgain",
                   [] {
                       const ArchiveValue deep = nested(300, ArchiveValue::integer(1));
                       return arrayOf({deep, nested(250, deep)});
                   },
                   "deeper than 512"},
        RefusalRow{"NulInString", [] { return ArchiveValue::string(QString::fromUtf8("a\0b", 3)); }, "NUL"},
        RefusalRow{"NulInFieldName",
                   [] {
                       ArchiveObjectWriter w({"FMThing"});
                       w.encodeInt(QString::fromUtf8("k\0", 2), 1);
                       return w.finish();
                   },
                   "NUL"},
        RefusalRow{"ObjectWithoutClass", [] { return ArchiveObjectWriter({}).finish(); }, "without a class"},
        RefusalRow{"FoundationClassName", [] { return ArchiveObjectWriter({"NSArray"}).finish(); }, "reserved"},
        RefusalRow{"DuplicateDictionaryKey",
                   [] { return dictOf({{"k", ArchiveValue::integer(1)}, {"k", ArchiveValue::integer(2)}}); },
                   "appears twice"},
        RefusalRow{"DuplicateField",
                   [] {
                       auto o = std::make_shared<ArchiveObject>();
                       o->classes = QStringList{"FMThing"};
                       o->fields.emplace_back("k", ArchiveValue::integer(1));
                       o->fields.emplace_back("k", ArchiveValue::integer(2));
                       return ArchiveValue::object(o);
                   },
                   "appears twice"}),
    [](const ::testing::TestParamInfo<RefusalRow>& info) { return std::string(info.param.name); });

TEST(KeyedArchiveDepth, DeepestAllowedGraphRoundTrips)
{
    const ArchiveValue v = nested(512, ArchiveValue::string("bottom"));
    const ArchiveValue back = unarchive(archive(v));
    EXPECT_TRUE(sameGraph(v, back));
}

struct DepthLimitRow {
    const char* name;
    int maxDepth;
    bool accepted;
};

class UnarchiverDepthLimit : public ::testing::TestWithParam<DepthLimitRow> {};

TEST_P(UnarchiverDepthLimit, CountsSharedSubgraphsAtTheirDeepestUse)
{
    // 29 levels shared, met first just under the root and again under 30 more: the root,
    // 30 wrappers and the shared 29 make 60.
    const ArchiveValue shared = nested(29, ArchiveValue::integer(1));
    const ArchiveValue root = arrayOf({shared, nested(30, shared)});
    const QByteArray bytes = archive(root);
    KeyedUnarchiver::Limits limits;
    limits.maxDepth = GetParam().maxDepth;
    QString error;
    const auto back = KeyedUnarchiver::unarchive(bytes, limits, &error);
    EXPECT_EQ(back.has_value(), GetParam().accepted) << error.toStdString();
    if (!GetParam().accepted) {
        EXPECT_TRUE(error.contains(QLatin1String("deeper"))) << error.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Limits, UnarchiverDepthLimit,
                         ::testing::Values(DepthLimitRow{"OneShort", 59, false}, DepthLimitRow{"Exact", 60, true},
                                           DepthLimitRow{"Default", 512, true}, DepthLimitRow{"Tiny", 1, false}),
                         [](const ::testing::TestParamInfo<DepthLimitRow>& info) {
                             return std::string(info.param.name);
                         });

TEST(KeyedArchiveLimits, InputLargerThanMaxBytesIsRefused)
{
    const QByteArray bytes = archive(ArchiveValue::string(QString(100, QLatin1Char('a'))));
    KeyedUnarchiver::Limits limits;
    limits.maxBytes = bytes.size() - 1;
    QString error;
    EXPECT_FALSE(KeyedUnarchiver::unarchive(bytes, limits, &error).has_value());
    EXPECT_TRUE(error.contains(QLatin1String("exceeds"))) << error.toStdString();
    limits.maxBytes = bytes.size();
    EXPECT_TRUE(KeyedUnarchiver::unarchive(bytes, limits, &error).has_value()) << error.toStdString();
}

// --- an archive as the platform writes it in XML -------------------------------------

QByteArray occasionXml()
{
    return test::readFile(QStringLiteral(FETEMARK_TEST_DATA_DIR "/archives/occasion-cfuid.plist"));
}

void expectOccasion(const ArchiveValue& root)
{
    const ArchiveObject* o = root.asObject();
    ASSERT_TRUE(o);
    EXPECT_EQ(o->classes, QStringList({"FMOccasion", "NSObject"}));
    QStringList order;
    for (const auto& [key, value] : o->fields)
        order << key;
    EXPECT_EQ(order, QStringList({"name", "isFavourite", "remindDays", "weight", "when", "tags", "alsoTags", "extra",
                                  "note", "photo", "nothing", "flag", "$weird"}));
    ArchiveObjectReader r(*o);
    EXPECT_EQ(r.decodeString("name"), QStringLiteral("Zoë & Jürgen 🎂"));
    EXPECT_TRUE(r.decodeBool("isFavourite"));
    EXPECT_EQ(r.decodeInt("remindDays"), 3);
    EXPECT_EQ(r.decodeDouble("weight"), 1.5);
    EXPECT_EQ(r.decodeDate("when"), utc("1990-05-17T08:30:00.250Z"));
    EXPECT_EQ(r.decodeString("note"), QStringLiteral("call in the morning"));
    EXPECT_EQ(r.decodeData("photo"), QByteArray("\x00\x01\x02\xff", 4));
    EXPECT_TRUE(r.contains("nothing"));
    EXPECT_TRUE(r.value("nothing")->isNull());
    EXPECT_TRUE(r.decodeBool("flag")); // a referenced integer 1 read as a boolean
    EXPECT_EQ(r.decodeString("$weird"), QStringLiteral("dollar"));

    const ArchiveArray* tags = r.value("tags")->asArray();
    ASSERT_TRUE(tags);
    ASSERT_EQ(tags->items.size(), 2u);
    EXPECT_EQ(*tags->items[0].asString(), QStringLiteral("family"));
    EXPECT_EQ(*tags->items[1].asString(), QStringLiteral("birthday"));
    EXPECT_EQ(r.value("alsoTags")->identity(), r.value("tags")->identity());
    const ArchiveDictionary* extra = r.value("extra")->asDictionary();
    ASSERT_TRUE(extra);
    ASSERT_EQ(extra->entries.size(), 2u);
    EXPECT_EQ(extra->entries[0].first, QStringLiteral("source"));
    EXPECT_EQ(*extra->entries[0].second.asString(), QStringLiteral("contacts"));
    EXPECT_EQ(extra->entries[1].first, QStringLiteral("labels"));
    EXPECT_EQ(extra->entries[1].second.identity(), r.value("tags")->identity());
}

TEST(KeyedArchivePlatformFiles, ReadsXmlArchiveWithCfUidReferences)
{
    const QByteArray xml = occasionXml();
    ASSERT_FALSE(xml.isEmpty());
    const ArchiveValue root = unarchive(xml);
    expectOccasion(root);

    // The same archive as a binary plist, and again after our own round trip.
    const QByteArray binary = xmlToBinary(xml);
    ASSERT_TRUE(binary.startsWith("bplist00"));
    const ArchiveValue fromBinary = unarchive(binary);
    expectOccasion(fromBinary);
    QString where;
    EXPECT_TRUE(sameGraph(root, fromBinary, &where)) << where.toStdString();
    const ArchiveValue again = unarchive(archive(root));
    expectOccasion(again);
    EXPECT_TRUE(sameGraph(root, again, &where)) << where.toStdString();
}

struct TopRow {
    const char* name;
    const char* topEntries;
    bool accepted;
};

class TopKey : public ::testing::TestWithParam<TopRow> {};

TEST_P(TopKey, RootOrTheOnlyEntry)
{
    const QByteArray xml = QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>$archiver</key><string>NSKeyedArchiver</string><key>$version</key><integer>100000</integer>
<key>$objects</key><array><string>$null</string><string>first</string><string>second</string></array>
<key>$top</key><dict>)") + GetParam().topEntries + "</dict></dict></plist>";
    QString error;
    const auto v = KeyedUnarchiver::unarchive(xml, &error);
    ASSERT_EQ(v.has_value(), GetParam().accepted) << error.toStdString();
    if (v)
        EXPECT_EQ(*v->asString(), QStringLiteral("second"));
    else
        EXPECT_TRUE(error.contains(QLatin1String("root"))) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Entries, TopKey,
    ::testing::Values(
        TopRow{"Root", "<key>other</key><dict><key>CF$UID</key><integer>1</integer></dict>"
                       "<key>root</key><dict><key>CF$UID</key><integer>2</integer></dict>",
               true},
        TopRow{"OnlyOtherKey", "<key>object</key><dict><key>CF$UID</key><integer>2</integer></dict>", true},
        TopRow{"TwoOtherKeys", "<key>a</key><dict><key>CF$UID</key><integer>1</integer></dict>"
                               "<key>b</key><dict><key>CF$UID</key><integer>2</integer></dict>",
               false},
        TopRow{"Empty", "", false}),
    [](const ::testing::TestParamInfo<TopRow>& info) { return std::string(info.param.name); });

// --- lenient field reading ---------------------------------------------------------------

struct ReaderRow {
    const char* name;
    std::function<ArchiveValue()> make; // nullptr: the field is absent
    std::optional<bool> asBool;          // nullopt: the fallback comes back
    std::optional<std::int64_t> asInt;
    std::optional<double> asDouble;
};

class ObjectReaderConversions : public ::testing::TestWithParam<ReaderRow> {};

TEST_P(ObjectReaderConversions, NumbersAndBooleansConvertOthersFallBack)
{
    const ReaderRow& row = GetParam();
    ArchiveObjectWriter w({"FMThing"});
    if (row.make)
        w.encodeValue("f", row.make());
    const ArchiveValue v = w.finish();
    ArchiveObjectReader r(*v.asObject());
    for (bool fallback : {true, false})
        EXPECT_EQ(r.decodeBool("f", fallback), row.asBool.value_or(fallback));
    for (std::int64_t fallback : {42, -42})
        EXPECT_EQ(r.decodeInt("f", fallback), row.asInt.value_or(fallback));
    for (double fallback : {4.5, -4.5}) {
        const double got = r.decodeDouble("f", fallback);
        const double want = row.asDouble.value_or(fallback);
        EXPECT_TRUE(got == want || (std::isnan(got) && std::isnan(want))) << got << " vs " << want;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, ObjectReaderConversions,
    ::testing::Values(
        ReaderRow{"True", [] { return ArchiveValue::boolean(true); }, true, 1, 1.0},
        ReaderRow{"False", [] { return ArchiveValue::boolean(false); }, false, 0, 0.0},
        ReaderRow{"IntZero", [] { return ArchiveValue::integer(0); }, false, 0, 0.0},
        ReaderRow{"IntSeven", [] { return ArchiveValue::integer(7); }, true, 7, 7.0},
        ReaderRow{"IntNegative", [] { return ArchiveValue::integer(-3); }, true, -3, -3.0},
        ReaderRow{"RealTruncates", [] { return ArchiveValue::real(2.9); }, true, 2, 2.9},
        ReaderRow{"RealNegativeTruncates", [] { return ArchiveValue::real(-2.9); }, true, -2, -2.9},
        ReaderRow{"RealZero", [] { return ArchiveValue::real(0.0); }, false, 0, 0.0},
        ReaderRow{"RealHugeSaturates", [] { return ArchiveValue::real(1e30); }, true,
                  std::numeric_limits<std::int64_t>::max(), 1e30},
        ReaderRow{"RealNaN", [] { return ArchiveValue::real(kNaN); }, true, std::nullopt, kNaN},
        ReaderRow{"String", [] { return ArchiveValue::string("1"); }, std::nullopt, std::nullopt, std::nullopt},
        ReaderRow{"Null", [] { return ArchiveValue(); }, std::nullopt, std::nullopt, std::nullopt},
        ReaderRow{"Array", [] { return arrayOf({ArchiveValue::integer(1)}); }, std::nullopt, std::nullopt,
                  std::nullopt},
        ReaderRow{"Absent", nullptr, std::nullopt, std::nullopt, std::nullopt}),
    [](const ::testing::TestParamInfo<ReaderRow>& info) { return std::string(info.param.name); });

struct TypedReaderRow {
    const char* name;
    std::function<ArchiveValue()> make;
    bool string, date, data; // which typed getter returns a value
};

class ObjectReaderTypedGetters : public ::testing::TestWithParam<TypedReaderRow> {};

TEST_P(ObjectReaderTypedGetters, GiveNullForOtherKinds)
{
    const TypedReaderRow& row = GetParam();
    ArchiveObjectWriter w({"FMThing"});
    w.encodeValue("f", row.make());
    const ArchiveValue v = w.finish();
    ArchiveObjectReader r(*v.asObject());
    EXPECT_EQ(!r.decodeString("f").isNull(), row.string);
    EXPECT_EQ(r.decodeDate("f").isValid(), row.date);
    EXPECT_EQ(!r.decodeData("f").isNull(), row.data);
    EXPECT_TRUE(r.decodeString("absent").isNull());
    EXPECT_FALSE(r.decodeDate("absent").isValid());
    EXPECT_TRUE(r.decodeData("absent").isNull());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ObjectReaderTypedGetters,
    ::testing::Values(TypedReaderRow{"String", [] { return ArchiveValue::string("s"); }, true, false, false},
                      TypedReaderRow{"Date", [] { return ArchiveValue::date(utc("2020-01-01T00:00:00Z")); }, false,
                                     true, false},
                      TypedReaderRow{"Data", [] { return ArchiveValue::data("d"); }, false, false, true},
                      TypedReaderRow{"Integer", [] { return ArchiveValue::integer(1); }, false, false, false},
                      TypedReaderRow{"Null", [] { return ArchiveValue(); }, false, false, false},
                      TypedReaderRow{"InvalidDateIsNull", [] { return ArchiveValue::date(QDateTime()); }, false,
                                     false, false}),
    [](const ::testing::TestParamInfo<TypedReaderRow>& info) { return std::string(info.param.name); });


// --- the binary plist writer ----------------------------------------------------------

using keyedarchive::BinaryPlistWriter;

std::uint64_t bigEndianAt(const QByteArray& b, qsizetype at, unsigned n)
{
    std::uint64_t v = 0;
    for (unsigned i = 0; i < n; ++i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

unsigned fewestBytes(std::uint64_t v)
{
    unsigned n = 1;
    while (n < 8 && (v >> (8 * n)))
        ++n;
    return n;
}

struct Trailer {
    unsigned offsetSize = 0;
    unsigned refSize = 0;
    std::uint64_t count = 0;
    std::uint64_t top = 0;
    std::uint64_t table = 0;
};

// The trailer, after the checks Apple's reader makes before it trusts one, and the
// widths Apple's writer would choose.
Trailer checkedTrailer(const QByteArray& b)
{
    Trailer t;
    EXPECT_TRUE(b.startsWith("bplist00"));
    if (b.size() < 8 + 1 + 32) {
        ADD_FAILURE() << "only " << b.size() << " bytes";
        return t;
    }
    const qsizetype at = b.size() - 32;
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(b[at + i], '\0') << "unused trailer byte " << i;
    t.offsetSize = static_cast<unsigned char>(b[at + 6]);
    t.refSize = static_cast<unsigned char>(b[at + 7]);
    t.count = bigEndianAt(b, at + 8, 8);
    t.top = bigEndianAt(b, at + 16, 8);
    t.table = bigEndianAt(b, at + 24, 8);
    EXPECT_LT(t.top, t.count);
    EXPECT_EQ(std::uint64_t(b.size()), t.table + t.count * t.offsetSize + 32) << "nothing before or after";
    EXPECT_EQ(t.refSize, fewestBytes(t.count)) << "references hold the object count";
    EXPECT_EQ(t.offsetSize, fewestBytes(t.table)) << "offsets hold the table's offset";
    for (std::uint64_t i = 0; i < t.count && !::testing::Test::HasFailure(); ++i) {
        const std::uint64_t offset = bigEndianAt(b, qsizetype(t.table + i * t.offsetSize), t.offsetSize);
        EXPECT_GE(offset, 8u);
        EXPECT_LT(offset, t.table);
    }
    return t;
}

QByteArray fromHex(const char* hex) { return QByteArray::fromHex(QByteArray(hex)); }

struct EncodingRow {
    const char* name;
    std::function<BinaryPlistWriter::Ref(BinaryPlistWriter&)> make;
    QByteArray object; // the one object's bytes, marker first
};

class BinaryWriterEncoding : public ::testing::TestWithParam<EncodingRow> {};

TEST_P(BinaryWriterEncoding, WritesTheSmallestFormAppleDefines)
{
    BinaryPlistWriter w;
    const auto top = GetParam().make(w);
    const auto bytes = w.finish(top);
    ASSERT_TRUE(bytes);
    const QByteArray& object = GetParam().object;
    EXPECT_EQ(bytes->mid(8, object.size()).toHex(' '), object.toHex(' '));
    const Trailer t = checkedTrailer(*bytes);
    EXPECT_EQ(t.count, 1u);
    EXPECT_EQ(t.top, 0u);
    EXPECT_EQ(t.table, std::uint64_t(8 + object.size()));
    EXPECT_EQ(bytes->size(), 8 + object.size() + qsizetype(t.offsetSize) + 32);
    // libplist reads it too.
    auto parsed = parseBinary(*bytes);
    EXPECT_TRUE(parsed->node);
}

QByteArray repeated(const char* hexUnit, int times)
{
    QByteArray out;
    for (int i = 0; i < times; ++i)
        out += fromHex(hexUnit);
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Objects, BinaryWriterEncoding,
    ::testing::Values(
        EncodingRow{"False", [](BinaryPlistWriter& w) { return w.boolean(false); }, fromHex("08")},
        EncodingRow{"IntZero", [](BinaryPlistWriter& w) { return w.integer(0); }, fromHex("1000")},
        EncodingRow{"Int255", [](BinaryPlistWriter& w) { return w.integer(255); }, fromHex("10ff")},
        EncodingRow{"Int256", [](BinaryPlistWriter& w) { return w.integer(256); }, fromHex("110100")},
        EncodingRow{"Int65535", [](BinaryPlistWriter& w) { return w.integer(65535); }, fromHex("11ffff")},
        EncodingRow{"Int65536", [](BinaryPlistWriter& w) { return w.integer(65536); }, fromHex("1200010000")},
        EncodingRow{"IntMax32", [](BinaryPlistWriter& w) { return w.integer(4294967295LL); }, fromHex("12ffffffff")},
        EncodingRow{"IntAbove32", [](BinaryPlistWriter& w) { return w.integer(4294967296LL); },
                    fromHex("130000000100000000")},
        EncodingRow{"IntMax", [](BinaryPlistWriter& w) { return w.integer(std::numeric_limits<std::int64_t>::max()); },
                    fromHex("137fffffffffffffff")},
        EncodingRow{"IntMinusOne", [](BinaryPlistWriter& w) { return w.integer(-1); }, fromHex("13ffffffffffffffff")},
        EncodingRow{"IntMin", [](BinaryPlistWriter& w) { return w.integer(std::numeric_limits<std::int64_t>::min()); },
                    fromHex("138000000000000000")},
        EncodingRow{"RealHalf", [](BinaryPlistWriter& w) { return w.real(0.5); }, fromHex("233fe0000000000000")},
        EncodingRow{"RealMinusZero", [](BinaryPlistWriter& w) { return w.real(-0.0); }, fromHex("238000000000000000")},
        EncodingRow{"UidZero", [](BinaryPlistWriter& w) { return w.uid(0); }, fromHex("8000")},
        EncodingRow{"Uid255", [](BinaryPlistWriter& w) { return w.uid(255); }, fromHex("80ff")},
        EncodingRow{"Uid256", [](BinaryPlistWriter& w) { return w.uid(256); }, fromHex("810100")},
        EncodingRow{"Uid65536", [](BinaryPlistWriter& w) { return w.uid(65536); }, fromHex("8300010000")},
        EncodingRow{"UidMax", [](BinaryPlistWriter& w) { return w.uid(0xFFFFFFFFu); }, fromHex("83ffffffff")},
        EncodingRow{"EmptyString", [](BinaryPlistWriter& w) { return w.string(QStringLiteral("")); }, fromHex("50")},
        EncodingRow{"AsciiOf14", [](BinaryPlistWriter& w) { return w.string(QString(14, QLatin1Char('x'))); },
                    fromHex("5e") + QByteArray(14, 'x')},
        EncodingRow{"AsciiOf15", [](BinaryPlistWriter& w) { return w.string(QString(15, QLatin1Char('x'))); },
                    fromHex("5f100f") + QByteArray(15, 'x')},
        EncodingRow{"AsciiOf300", [](BinaryPlistWriter& w) { return w.string(QString(300, QLatin1Char('x'))); },
                    fromHex("5f11012c") + QByteArray(300, 'x')},
        EncodingRow{"Latin1IsUtf16", [](BinaryPlistWriter& w) { return w.string(QStringLiteral("é")); },
                    fromHex("6100e9")},
        EncodingRow{"NonBmpIsASurrogatePair", [](BinaryPlistWriter& w) { return w.string(QStringLiteral("🎂")); },
                    fromHex("62d83cdf82")},
        EncodingRow{"Utf16Of20", [](BinaryPlistWriter& w) { return w.string(QString(20, QChar(0x263A))); },
                    fromHex("6f1014") + repeated("263a", 20)},
        EncodingRow{"EmptyData", [](BinaryPlistWriter& w) { return w.data(QByteArray("")); }, fromHex("40")},
        EncodingRow{"DataOf256", [](BinaryPlistWriter& w) { return w.data(QByteArray(256, '\x7f')); },
                    fromHex("4f110100") + QByteArray(256, '\x7f')},
        EncodingRow{"EmptyArray",
                    [](BinaryPlistWriter& w) {
                        const auto a = w.reserveContainer();
                        w.setArray(a, nullptr, 0);
                        return a;
                    },
                    fromHex("a0")},
        EncodingRow{"EmptyDictionary",
                    [](BinaryPlistWriter& w) {
                        const auto d = w.reserveContainer();
                        w.setDictionary(d, nullptr, 0);
                        return d;
                    },
                    fromHex("d0")}),
    [](const ::testing::TestParamInfo<EncodingRow>& info) { return std::string(info.param.name); });

std::vector<plist_t> arrayItems(plist_t array)
{
    // By iterator: libplist's indexed access walks the list from the start each time.
    std::vector<plist_t> out;
    plist_array_iter it = nullptr;
    plist_array_new_iter(array, &it);
    for (;;) {
        plist_t item = nullptr;
        plist_array_next_item(array, it, &item);
        if (!item)
            break;
        out.push_back(item);
    }
    std::free(it);
    return out;
}

TEST(BinaryWriterInterop, EveryKindReadsBackThroughLibplist)
{
    const std::vector<std::int64_t> ints = {0, 1, 14, 15, 255, 256, 65535, 65536, 4294967295LL, 4294967296LL,
                                            std::numeric_limits<std::int64_t>::max(), -1, -255, -65536,
                                            std::numeric_limits<std::int64_t>::min()};
    const std::vector<double> reals = {0.0, -0.0, 0.1, -2.5, 1e300, -1e-300, 4.9e-324,
                                       std::numeric_limits<double>::infinity(),
                                       -std::numeric_limits<double>::infinity(),
                                       std::numeric_limits<double>::quiet_NaN()};
    const std::vector<QString> strings = {QStringLiteral(""), QStringLiteral("plain"), QString(40, QLatin1Char('a')),
                                          QStringLiteral("Grüße"), QStringLiteral("🎂🎉 party"),
                                          QStringLiteral("𝄞 clef, 𠀀 ideograph"), QStringLiteral("日本語"),
                                          QString(70000, QChar(0x00E9))};
    const std::vector<QByteArray> blobs = {QByteArray(""), QByteArray("\x00\x01", 2), QByteArray(70000, '\xAB')};
    const std::vector<std::uint32_t> uids = {0, 1, 255, 256, 65535, 65536, 0xFFFFFFFFu};

    BinaryPlistWriter w;
    std::vector<BinaryPlistWriter::Ref> refs;
    auto array = [&](auto&& fill) {
        const auto a = w.reserveContainer();
        refs.clear();
        fill();
        w.setArray(a, refs.data(), refs.size());
        return a;
    };
    const auto boolArray = array([&] { refs = {w.boolean(true), w.boolean(false), w.boolean(true)}; });
    const auto intArray = array([&] { for (auto v : ints) refs.push_back(w.integer(v)); });
    const auto realArray = array([&] { for (auto v : reals) refs.push_back(w.real(v)); });
    const auto stringArray = array([&] { for (const auto& v : strings) refs.push_back(w.string(v)); });
    const auto dataArray = array([&] { for (const auto& v : blobs) refs.push_back(w.data(v)); });
    const auto uidArray = array([&] { for (auto v : uids) refs.push_back(w.uid(v)); });
    const auto top = w.reserveContainer();
    const BinaryPlistWriter::Ref pairs[] = {
        w.string("bools"), boolArray,     w.string("ints"), intArray, w.string("reals"), realArray,
        w.string("strings"), stringArray, w.string("data"), dataArray, w.string("uids"),  uidArray,
    };
    w.setDictionary(top, pairs, 6);
    const auto bytes = w.finish(top);
    ASSERT_TRUE(bytes);
    checkedTrailer(*bytes);

    auto parsed = parseBinary(*bytes);
    ASSERT_TRUE(parsed->node);
    ASSERT_EQ(plist_get_node_type(parsed->node), PLIST_DICT);
    const auto keys = entries(parsed->node);
    ASSERT_EQ(keys.size(), 6u);
    EXPECT_EQ(keys[0].first, QStringLiteral("bools"));
    EXPECT_EQ(keys[5].first, QStringLiteral("uids"));

    const auto b = arrayItems(plist_dict_get_item(parsed->node, "bools"));
    ASSERT_EQ(b.size(), 3u);
    for (size_t i = 0; i < b.size(); ++i) {
        uint8_t v = 2;
        ASSERT_EQ(plist_get_node_type(b[i]), PLIST_BOOLEAN);
        plist_get_bool_val(b[i], &v);
        EXPECT_EQ(v != 0, i != 1);
    }
    const auto in = arrayItems(plist_dict_get_item(parsed->node, "ints"));
    ASSERT_EQ(in.size(), ints.size());
    for (size_t i = 0; i < ints.size(); ++i) {
        uint64_t v = 0;
        ASSERT_EQ(plist_get_node_type(in[i]), PLIST_UINT);
        plist_get_uint_val(in[i], &v);
        EXPECT_EQ(static_cast<std::int64_t>(v), ints[i]);
    }
    const auto re = arrayItems(plist_dict_get_item(parsed->node, "reals"));
    ASSERT_EQ(re.size(), reals.size());
    for (size_t i = 0; i < reals.size(); ++i) {
        double v = 0;
        ASSERT_EQ(plist_get_node_type(re[i]), PLIST_REAL);
        plist_get_real_val(re[i], &v);
        EXPECT_EQ(std::memcmp(&v, &reals[i], sizeof v), 0) << reals[i] << " came back as " << v;
    }
    const auto st = arrayItems(plist_dict_get_item(parsed->node, "strings"));
    ASSERT_EQ(st.size(), strings.size());
    for (size_t i = 0; i < strings.size(); ++i) {
        ASSERT_EQ(plist_get_node_type(st[i]), PLIST_STRING);
        EXPECT_EQ(stringOf(st[i]), strings[i]) << i;
    }
    const auto da = arrayItems(plist_dict_get_item(parsed->node, "data"));
    ASSERT_EQ(da.size(), blobs.size());
    for (size_t i = 0; i < blobs.size(); ++i) {
        char* p = nullptr;
        uint64_t length = 0;
        ASSERT_EQ(plist_get_node_type(da[i]), PLIST_DATA);
        plist_get_data_val(da[i], &p, &length);
        EXPECT_EQ(QByteArray(p, qsizetype(length)), blobs[i]);
        std::free(p);
    }
    const auto ui = arrayItems(plist_dict_get_item(parsed->node, "uids"));
    ASSERT_EQ(ui.size(), uids.size());
    for (size_t i = 0; i < uids.size(); ++i) {
        ASSERT_EQ(plist_get_node_type(ui[i]), PLIST_UID);
        EXPECT_EQ(uidOf(ui[i]), uids[i]);
    }
}

TEST(BinaryWriterInterop, EqualScalarsAreOneObject)
{
    BinaryPlistWriter w;
    std::vector<BinaryPlistWriter::Ref> refs = {
        w.integer(7),       w.integer(7),       w.real(7.0),          w.real(7.0), w.string("7"), w.string("7"),
        w.uid(7),           w.uid(7),           w.boolean(true),      w.boolean(true), w.data("7"), w.data("7"),
        w.real(-0.0),       w.real(0.0),        w.string("é"),        w.string("é")};
    EXPECT_EQ(refs[0], refs[1]);
    EXPECT_EQ(refs[2], refs[3]);
    EXPECT_NE(refs[0], refs[2]); // an integer and a real stay apart
    EXPECT_EQ(refs[4], refs[5]);
    EXPECT_EQ(refs[6], refs[7]);
    EXPECT_NE(refs[0], refs[6]);
    EXPECT_EQ(refs[8], refs[9]);
    EXPECT_EQ(refs[10], refs[11]);
    EXPECT_NE(refs[12], refs[13]); // by bit pattern
    EXPECT_EQ(refs[14], refs[15]);
    const auto a = w.reserveContainer();
    w.setArray(a, refs.data(), refs.size());
    const auto bytes = w.finish(a);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(checkedTrailer(*bytes).count, 10u); // nine scalars and the array
}

struct WidthRow {
    const char* name;
    int distinctIntegers;
    qsizetype blobBytes; // one data object besides, to push the offsets wide
    unsigned refSize;
    unsigned offsetSize;
};

class BinaryWriterWidths : public ::testing::TestWithParam<WidthRow> {};

TEST_P(BinaryWriterWidths, ReferencesAndOffsetsGrowWithTheFile)
{
    const WidthRow& row = GetParam();
    BinaryPlistWriter w;
    std::vector<BinaryPlistWriter::Ref> refs;
    for (int i = 0; i < row.distinctIntegers; ++i)
        refs.push_back(w.integer(i * 1000003LL));
    if (row.blobBytes)
        refs.push_back(w.data(QByteArray(row.blobBytes, 'z')));
    const auto top = w.reserveContainer();
    w.setArray(top, refs.data(), refs.size());
    const auto bytes = w.finish(top);
    ASSERT_TRUE(bytes);
    const Trailer t = checkedTrailer(*bytes);
    EXPECT_EQ(t.count, refs.size() + 1);
    EXPECT_EQ(t.refSize, row.refSize);
    EXPECT_EQ(t.offsetSize, row.offsetSize);

    auto parsed = parseBinary(*bytes);
    ASSERT_TRUE(parsed->node);
    const auto items = arrayItems(parsed->node);
    ASSERT_EQ(items.size(), refs.size());
    for (int i = 0; i < row.distinctIntegers; ++i) {
        uint64_t v = 0;
        plist_get_uint_val(items[i], &v);
        ASSERT_EQ(v, std::uint64_t(i) * 1000003u) << i;
    }
    if (row.blobBytes) {
        uint64_t length = 0;
        plist_get_data_ptr(items.back(), &length);
        EXPECT_EQ(length, std::uint64_t(row.blobBytes));
    }

    // And our own reader, through its checks.
    QString error;
    auto plist = keyedarchive::BinaryPlist::open(*bytes, keyedarchive::kMaxPlistNesting, &error);
    ASSERT_TRUE(plist) << error.toStdString();
    const auto root = plist->container(plist->root());
    ASSERT_EQ(plist->size(root), refs.size());
    for (int i = 0; i < row.distinctIntegers; ++i)
        ASSERT_EQ(plist->integer(plist->item(root, i)), i * 1000003LL) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BinaryWriterWidths,
    ::testing::Values(WidthRow{"OneByteEach", 10, 0, 1, 1},
                      // 255 objects: one-byte references still name them all.
                      WidthRow{"LastOneByteReference", 254, 0, 1, 2},
                      WidthRow{"FirstTwoByteReference", 255, 0, 2, 2},
                      WidthRow{"LastTwoByteReference", 65534, 0, 2, 3},
                      WidthRow{"FirstThreeByteReference", 65535, 0, 3, 3},
                      WidthRow{"FourByteOffsets", 100, 17 * 1024 * 1024, 1, 4}),
    [](const ::testing::TestParamInfo<WidthRow>& info) { return std::string(info.param.name); });

// --- archives as other readers see them ------------------------------------------------

ArchiveValue richGraph()
{
    const ArchiveValue ann = person(QStringLiteral("Ann 🎂"));
    ArchiveObjectWriter w({QStringLiteral("FMBook"), QStringLiteral("FMShelf"), QStringLiteral("NSObject")});
    w.encodeString("title", QStringLiteral("Grüße — 日本語 𝄞"));
    w.encodeInt("negative", -42);
    w.encodeInt("large", std::numeric_limits<std::int64_t>::max());
    w.encodeDouble("ratio", 0.1);
    w.encodeBool("flag", true);
    w.encodeDate("when", utc("1604-02-29T12:34:56.789Z"));
    w.encodeData("blob", QByteArray("\x00\x01\xff", 3));
    w.encodeString("none", QString());
    w.encodeValue("$dollar", ArchiveValue::integer(1));
    w.encodeValue("owner", ann);
    w.encodeValue("people", arrayOf({ann, person("Bo"), ArchiveValue(), ArchiveValue::integer(-7),
                                     ArchiveValue::real(-2.5), ArchiveValue::string(QString(300, QChar(0x263A)))}));
    w.encodeValue("index", dictOf({{"ann", ann}, {"ünïcode", ArchiveValue::boolean(false)}}));
    return w.finish();
}

TEST(KeyedArchiveInterop, LibplistReadsTheSameArchive)
{
    const ArchiveValue graph = richGraph();
    const QByteArray bytes = archive(graph);
    checkedTrailer(bytes);
    plist_t node = nullptr;
    plist_from_bin(bytes.constData(), static_cast<uint32_t>(bytes.size()), &node);
    ASSERT_TRUE(node);
    Plist owner(node);

    // libplist's XML, read by our XML reader (which shares nothing with the binary one).
    char* xml = nullptr;
    uint32_t xmlLength = 0;
    plist_to_xml(node, &xml, &xmlLength);
    ASSERT_TRUE(xml);
    const QByteArray xmlBytes(xml, xmlLength);
    std::free(xml);
    QString where;
    EXPECT_TRUE(sameGraph(graph, unarchive(xmlBytes), &where)) << where.toStdString();

    // libplist's own binary writing of what it read.
    char* bin = nullptr;
    uint32_t binLength = 0;
    plist_to_bin(node, &bin, &binLength);
    ASSERT_TRUE(bin);
    const QByteArray rewritten(bin, binLength);
    plist_to_bin_free(bin);
    EXPECT_TRUE(sameGraph(graph, unarchive(rewritten), &where)) << where.toStdString();
}

TEST(KeyedArchiveInterop, SameGraphGivesTheSameBytes)
{
    const QByteArray first = archive(richGraph());
    const QByteArray second = archive(richGraph());
    EXPECT_EQ(first, second);
    EXPECT_EQ(archive(unarchive(first)), first);
}

TEST(KeyedArchiveInterop, LargeArchiveWithThreeByteReferences)
{
    std::vector<ArchiveValue> items;
    for (int i = 0; i < 70000; ++i)
        items.push_back(i % 2 ? ArchiveValue::integer(-i) : ArchiveValue::string(QStringLiteral("item %1").arg(i)));
    const ArchiveValue graph = arrayOf(std::move(items));
    const QByteArray bytes = archive(graph);
    const Trailer t = checkedTrailer(bytes);
    EXPECT_EQ(t.refSize, 3u);
    EXPECT_EQ(t.offsetSize, 3u);
    QString where;
    EXPECT_TRUE(sameGraph(graph, unarchive(bytes), &where)) << where.toStdString();
    auto parsed = parseBinary(bytes);
    ASSERT_TRUE(parsed->node);
    EXPECT_EQ(arrayItems(plist_dict_get_item(parsed->node, "$objects")).size(), 70001u + 2u);
}

} // namespace
} // namespace fetemark
