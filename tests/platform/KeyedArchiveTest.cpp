// Round trips through KeyedArchiver/KeyedUnarchiver, the layout they write (checked with
// libplist) and reading an archive in the platform's XML form.
#include "platform/KeyedArchiveGraph.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
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
        ValueRow{"IntZero", [] { return ArchiveValue::integer(0); }},
        ValueRow{"IntMinusOne", [] { return ArchiveValue::integer(-1); }},
        ValueRow{"Int256", [] { return ArchiveValue::integer(256); }},
        ValueRow{"IntAbove32Bits", [] { return ArchiveValue::integer(4294967296LL); }},
        ValueRow{"IntMin", [] { return ArchiveValue::integer(std::numeric_limits<std::int64_t>::min()); }},
        ValueRow{"IntMax", [] { return ArchiveValue::integer(std::numeric_limits<std::int64_t>::max()); }},
        ValueRow{"RealHalf", [] { return ArchiveValue::real(0.5); }},
        ValueRow{"RealTenth", [] { return ArchiveValue::real(0.1); }},
        ValueRow{"RealNegativeZero", [] { return ArchiveValue::real(-0.0); }},
        ValueRow{"RealTiny", [] { return ArchiveValue::real(4.9e-324); }},
        ValueRow{"RealHuge", [] { return ArchiveValue::real(1.7976931348623157e308); }},
        ValueRow{"RealInfinity", [] { return ArchiveValue::real(-kInf); }},
        ValueRow{"RealNaN", [] { return ArchiveValue::real(kNaN); }},
        ValueRow{"EmptyString", [] { return ArchiveValue::string(QStringLiteral("")); }},
        ValueRow{"AsciiString", [] { return ArchiveValue::string(QStringLiteral("Happy birthday")); }},
        ValueRow{"UnicodeString",
                 [] { return ArchiveValue::string(QStringLiteral("Grüße, Zoë — 日本語 🎂🎉 e\u0301 مرحبا")); }},
        ValueRow{"LongString", [] { return ArchiveValue::string(QString(5000, QLatin1Char('x'))); }},
        ValueRow{"EmptyData", [] { return ArchiveValue::data(QByteArray("")); }},
        ValueRow{"BinaryData", [] { return ArchiveValue::data(QByteArray("\x00\x01\xff\x00zz", 6)); }},
        ValueRow{"Date1604", [] { return ArchiveValue::date(utc("1604-02-29T12:34:56.789Z")); }},
        ValueRow{"Date1900", [] { return ArchiveValue::date(utc("1900-01-01T00:00:00Z")); }},
        ValueRow{"Date2100", [] { return ArchiveValue::date(utc("2100-12-31T23:59:59.999Z")); }},
        ValueRow{"DateYear1", [] { return ArchiveValue::date(utc("0001-01-01T00:00:00.001Z")); }},
        ValueRow{"DateYear9999", [] { return ArchiveValue::date(utc("9999-12-31T23:59:59.999Z")); }},
        ValueRow{"DateJustBefore2001", [] { return ArchiveValue::date(utc("2000-12-31T23:59:59.999Z")); }},
        ValueRow{"DateJustBefore1970", [] { return ArchiveValue::date(utc("1969-12-31T23:59:59.999Z")); }},
        ValueRow{"DateMilliseconds", [] { return ArchiveValue::date(utc("2026-03-05T12:00:00.123Z")); }},
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

} // namespace
} // namespace fetemark
