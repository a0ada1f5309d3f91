// Round trips through KeyedArchiver/KeyedUnarchiver, the layout they write (checked with
// libplist, an independent reader) and an archive in the platform's XML form.
#include "platform/archive/KeyedArchiveBinaryWriter.h"
#include "platform/archive/KeyedArchiveGraph.h"
#include "platform/archive/KeyedArchivePlist.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "support/ArchiveValues.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <tuple>

// gtest prints a QString as its text.
static void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace fetemark {
namespace {

using keyedarchive::BinaryPlistWriter;
using keyedarchive::sameGraph;
using namespace test;

// --- libplist ----------------------------------------------------------------------------

using PlistPtr = std::unique_ptr<void, decltype(&plist_free)>;

PlistPtr parsed(const QByteArray& bytes, bool xml = false)
{
    plist_t node = nullptr;
    (xml ? plist_from_xml : plist_from_bin)(bytes.constData(), uint32_t(bytes.size()), &node);
    return PlistPtr(node, &plist_free);
}

QByteArray rendered(plist_t node, bool xml)
{
    char* out = nullptr;
    uint32_t length = 0;
    (xml ? plist_to_xml : plist_to_bin)(node, &out, &length);
    const QByteArray bytes(out, length);
    std::free(out);
    return bytes;
}

// A container's items in order, with their keys in a dictionary. By iterator: libplist's
// indexed access walks the list from the start each time.
std::vector<std::pair<QString, plist_t>> children(plist_t node)
{
    std::vector<std::pair<QString, plist_t>> out;
    const bool dict = plist_get_node_type(node) == PLIST_DICT;
    void* it = nullptr;
    dict ? plist_dict_new_iter(node, &it) : plist_array_new_iter(node, &it);
    for (;;) {
        char* key = nullptr;
        plist_t item = nullptr;
        dict ? plist_dict_next_item(node, it, &key, &item) : plist_array_next_item(node, it, &item);
        if (!item)
            break;
        out.emplace_back(QString::fromUtf8(key ? key : ""), item);
        std::free(key);
    }
    std::free(it);
    return out;
}

QString stringOf(plist_t node)
{
    char* s = nullptr;
    plist_get_string_val(node, &s);
    const QString out = QString::fromUtf8(s ? s : "");
    std::free(s);
    return out;
}

uint64_t uidOf(plist_t node)
{
    uint64_t v = 0;
    plist_get_uid_val(node, &v);
    return v;
}

// An $objects entry or field in short: "->" and its target for a reference, "class N" for
// a class description, the class name for an object, libplist's XML for anything else.
QString describe(const std::vector<plist_t>& objects, plist_t node)
{
    if (plist_get_node_type(node) == PLIST_UID)
        return QStringLiteral("->") + describe(objects, objects.at(uidOf(node)));
    if (plist_get_node_type(node) == PLIST_DICT) {
        if (plist_t name = plist_dict_get_item(node, "$classname"))
            return QStringLiteral("class ") + stringOf(name);
        if (plist_t cls = plist_dict_get_item(node, "$class"))
            return stringOf(plist_dict_get_item(objects.at(uidOf(cls)), "$classname"));
    }
    const QString xml = QString::fromUtf8(rendered(node, true)).simplified();
    const qsizetype from = xml.indexOf(QLatin1String("<plist version=\"1.0\">")) + 22;
    return xml.mid(from, xml.lastIndexOf(QLatin1String("</plist>")) - from).trimmed();
}

struct ParsedArchive {
    PlistPtr top {nullptr, &plist_free};
    std::vector<plist_t> objects;
    plist_t root = nullptr;
};

ParsedArchive parseArchive(const QByteArray& bytes)
{
    ParsedArchive a;
    a.top = parsed(bytes);
    EXPECT_TRUE(a.top) << "libplist cannot read the archive";
    if (!a.top)
        return a;
    for (const auto& [index, object] : children(plist_dict_get_item(a.top.get(), "$objects")))
        a.objects.push_back(object);
    a.root =
        a.objects.at(uidOf(plist_dict_get_item(plist_dict_get_item(a.top.get(), "$top"), "root")));
    return a;
}

// --- graphs ------------------------------------------------------------------------------

ArchiveValue person(const QString& name)
{
    return objectOf({"FMPerson", "NSObject"}, {{"name", ArchiveValue::string(name)}});
}

void expectSame(const ArchiveValue& expected, const ArchiveValue& actual, const char* how = "")
{
    QString where;
    EXPECT_TRUE(sameGraph(expected, actual, &where))
        << how << ": differs at " << where.toStdString();
}

// --- the binary plist as Apple's reader checks it -----------------------------------------

std::uint64_t bigEndianAt(const QByteArray& b, qsizetype at, unsigned n)
{
    std::uint64_t v = 0;
    for (unsigned i = 0; i < n; ++i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

unsigned fewestBytes(std::uint64_t v)
{
    return std::max(1u, unsigned(std::bit_width(v) + 7) / 8);
}

struct Trailer {
    unsigned offsetSize = 0, refSize = 0;
    std::uint64_t count = 0, top = 0, table = 0;
};

// The trailer, after the checks Apple's reader makes, with the widths Apple's writer picks.
Trailer checkedTrailer(const QByteArray& b)
{
    Trailer t;
    EXPECT_TRUE(b.startsWith("bplist00") && b.size() >= 8 + 1 + 32) << b.size() << " bytes";
    if (b.size() < 8 + 1 + 32)
        return t;
    const qsizetype at = b.size() - 32;
    EXPECT_EQ(bigEndianAt(b, at, 6), 0u) << "unused trailer bytes";
    t.offsetSize = static_cast<unsigned char>(b[at + 6]);
    t.refSize = static_cast<unsigned char>(b[at + 7]);
    t.count = bigEndianAt(b, at + 8, 8);
    t.top = bigEndianAt(b, at + 16, 8);
    t.table = bigEndianAt(b, at + 24, 8);
    EXPECT_LT(t.top, t.count);
    EXPECT_EQ(std::uint64_t(b.size()), t.table + t.count * t.offsetSize + 32)
        << "nothing before or after";
    EXPECT_EQ(t.refSize, fewestBytes(t.count)) << "references hold the object count";
    EXPECT_EQ(t.offsetSize, fewestBytes(t.table)) << "offsets hold the table's offset";
    for (std::uint64_t i = 0; i < t.count && !::testing::Test::HasFailure(); ++i) {
        const std::uint64_t offset =
            bigEndianAt(b, qsizetype(t.table + i * t.offsetSize), t.offsetSize);
        EXPECT_GE(offset, 8u);
        EXPECT_LT(offset, t.table);
    }
    return t;
}

// --- every kind of value ------------------------------------------------------------------

// What the lenient field reader makes of a value; nullopt: the fallback.
struct Conversions {
    std::optional<bool> asBool;
    std::optional<std::int64_t> asInt;
    std::optional<double> asDouble;
};

struct ValueRow {
    const char* name;
    ArchiveValue value;
    Conversions read = {};
    bool viaLibplistXml = true; // libplist's XML writes -0 as 0
};

class ValueRoundTrip : public ::testing::TestWithParam<ValueRow> { };

// Alone and as an object field; read by us, and again from libplist's XML and binary
// renderings of what libplist read; then the field through the lenient reader.
TEST_P(ValueRoundTrip, ComesBackTheSameThroughEveryReader)
{
    const ValueRow& row = GetParam();
    ArchiveObjectWriter holder({QStringLiteral("FMHolder"), QStringLiteral("NSObject")});
    holder.encodeValue(QStringLiteral("v"), row.value);
    ArchiveValue back;
    for (const ArchiveValue& graph : {row.value, holder.finish()}) {
        const QByteArray bytes = archive(graph);
        checkedTrailer(bytes);
        back = unarchive(bytes);
        expectSame(graph, back, "ours");
        EXPECT_EQ(archive(back), bytes) << "the same graph gives the same bytes";
        const PlistPtr node = parsed(bytes);
        ASSERT_TRUE(node);
        if (row.viaLibplistXml)
            expectSame(graph, unarchive(rendered(node.get(), true)), "libplist XML");
        expectSame(graph, unarchive(rendered(node.get(), false)), "libplist binary");
    }
    ASSERT_TRUE(back.asObject());
    const ArchiveObjectReader r(*back.asObject());
    for (int sign : {1, -1}) { // two fallbacks, so that a constant cannot pass for one
        EXPECT_EQ(r.decodeBool("v", sign > 0), row.read.asBool.value_or(sign > 0));
        EXPECT_EQ(r.decodeInt("v", sign * 42), row.read.asInt.value_or(sign * 42));
        const double got = r.decodeDouble("v", sign * 4.5),
                     want = row.read.asDouble.value_or(sign * 4.5);
        EXPECT_TRUE(got == want || (std::isnan(got) && std::isnan(want))) << got << " vs " << want;
    }
    EXPECT_EQ(!r.decodeString("v").isNull(), row.value.kind() == ArchiveValue::Kind::String);
    EXPECT_EQ(r.decodeDate("v").isValid(), row.value.kind() == ArchiveValue::Kind::Date);
    EXPECT_EQ(!r.decodeData("v").isNull(), row.value.kind() == ArchiveValue::Kind::Data);
}

using V = ArchiveValue;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const std::int64_t kMin = std::numeric_limits<std::int64_t>::min(),
                   kMax = std::numeric_limits<std::int64_t>::max();

INSTANTIATE_TEST_SUITE_P(Kinds, ValueRoundTrip, ::testing::Values(
    ValueRow{"Null", V()}, ValueRow{"True", V::boolean(true), {true, 1, 1.0}},
    ValueRow{"False", V::boolean(false), {false, 0, 0.0}}, ValueRow{"IntZero", V::integer(0), {false, 0, 0.0}},
    ValueRow{"IntMinusOne", V::integer(-1), {true, -1, -1.0}},
    ValueRow{"IntMin", V::integer(kMin), {true, kMin, double(kMin)}},
    ValueRow{"IntMax", V::integer(kMax), {true, kMax, double(kMax)}},
    ValueRow{"RealTenthTruncates", V::real(0.1), {true, 0, 0.1}},
    ValueRow{"RealNegativeTruncatesUp", V::real(-2.9), {true, -2, -2.9}},
    ValueRow{"RealNegativeZero", V::real(-0.0), {false, 0, -0.0}, false},
    ValueRow{"RealHugeSaturates", V::real(1e30), {true, kMax, 1e30}},
    ValueRow{"RealInfinity", V::real(-kInf), {true, kMin, -kInf}},
    ValueRow{"RealNaN", V::real(kNaN), {true, std::nullopt, kNaN}},
    ValueRow{"EmptyString", V::string(QStringLiteral(""))}, ValueRow{"DigitString", V::string("1")},
    ValueRow{"UnicodeString", V::string(QStringLiteral("Grüße, Zoë — 日本語 🎂𝄞 e\u0301 مرحبا"))},
    ValueRow{"LongString", V::string(QString(70000, QChar(0x00E9)))},
    ValueRow{"EmptyData", V::data(QByteArray(""))}, ValueRow{"BinaryData", V::data(QByteArray("\x00\x01\xff\x00zz", 6))},
    ValueRow{"Date1604", V::date(utc("1604-02-29T12:34:56.789Z"))},
    ValueRow{"DateYear1", V::date(utc("0001-01-01T00:00:00.001Z"))},
    ValueRow{"DateYear9999", V::date(utc("9999-12-31T23:59:59.999Z"))},
    ValueRow{"DateJustBefore2001", V::date(utc("2000-12-31T23:59:59.999Z"))},
    ValueRow{"EmptyArray", arrayOf({})},
    ValueRow{"MixedArray", arrayOf({V::integer(1), V(), V::string("a"), V::boolean(false), V::real(2.5),
                                    V::date(utc("1990-05-17T08:30:00Z"))})},
    ValueRow{"EmptyDictionary", dictOf({})},
    ValueRow{"Dictionary", dictOf({{"b", V::integer(2)}, {"a", arrayOf({V::string("x")})}, {"", V()},
                                   {"ünï", V::boolean(false)}, {"$class", V::string("not a class")}})},
    ValueRow{"ObjectWithoutFields", ArchiveObjectWriter({QStringLiteral("FMEmpty")}).finish()},
    ValueRow{"NestedObjectsSharingOne", [ann = person("Ann")] {
                 return objectOf({"FMList", "FMShelf", "NSObject"},
                                 {{"people", arrayOf({ann, person("Bo")})}, {"byName", dictOf({{"Ann", ann}})}});
             }()}), test::RowName());

// --- the layout other readers expect -------------------------------------------------------

TEST(KeyedArchiveLayout, FieldsKeepOrderScalarsInlineOthersByReference)
{
    ArchiveObjectWriter w(
        {QStringLiteral("FMOccasion"), QStringLiteral("FMRecord"), QStringLiteral("NSObject")});
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
    const ParsedArchive a = parseArchive(bytes);
    ASSERT_TRUE(a.root);
    EXPECT_EQ(
        stringOf(plist_dict_get_item(a.top.get(), "$archiver")), QStringLiteral("NSKeyedArchiver"));
    EXPECT_EQ(plist_uint_val_compare(plist_dict_get_item(a.top.get(), "$version"), 100000), 0);
    EXPECT_EQ(stringOf(a.objects.at(0)), QStringLiteral("$null"));
    QStringList fields;
    for (const auto& [key, value] : children(a.root))
        fields << key + QLatin1Char('=') + describe(a.objects, value);
    EXPECT_EQ(fields,
        QStringList({"zeta=-><string>last letter first</string>", "alpha=<true/>",
            "mid=<integer>11</integer>", "beta=<real>2.5</real>", "when=->NSDate",
            "blob=-><data> AQI= </data>", "none=-><string>$null</string>",
            "empty=-><string></string>", "$$tricky=<integer>5</integer>",
            "$class=->class FMOccasion"}));
    const plist_t when = a.objects.at(uidOf(plist_dict_get_item(a.root, "when")));
    EXPECT_EQ(describe(a.objects, plist_dict_get_item(when, "NS.time")),
        QStringLiteral("<real>-335374199.75</real>"))
        << "an NSDate holds real seconds since 2001";
    const plist_t cls = a.objects.at(uidOf(plist_dict_get_item(a.root, "$class")));
    EXPECT_EQ(describe(a.objects, plist_dict_get_item(cls, "$classes")).simplified(),
        QStringLiteral("<array> <string>FMOccasion</string> <string>FMRecord</string> "
                       "<string>NSObject</string> </array>"));

    const ArchiveValue back = unarchive(bytes);
    expectSame(object, back);
    ASSERT_TRUE(back.asObject());
    const ArchiveObjectReader reader(*back.asObject());
    EXPECT_TRUE(reader.decodeString(QStringLiteral("none")).isNull()) << "nil and empty stay apart";
    EXPECT_FALSE(reader.decodeString(QStringLiteral("empty")).isNull());
    EXPECT_TRUE(reader.decodeBool(QStringLiteral("absent"), true) &&
        !reader.decodeBool(QStringLiteral("absent"), false));
    EXPECT_EQ(reader.decodeInt(QStringLiteral("absent"), 42), 42);
    EXPECT_EQ(reader.decodeDouble(QStringLiteral("absent"), 4.5), 4.5);
}

// Equal scalars are one object too, but an integer and an equal real, or -0 and 0, stay apart.
TEST(KeyedArchiveSharing, SharedNodesAndEqualScalarsAreWrittenOnceAndComeBackShared)
{
    const ArchiveValue ann = person(QStringLiteral("Ann"));
    const ArchiveValue tags = arrayOf({ArchiveValue::string("x")});
    std::vector<ArchiveValue> items = {
        ann, ann, person(QStringLiteral("Bo")), dictOf({{"again", ann}, {"t", tags}}), tags};
    for (const ArchiveValue& scalar : {ArchiveValue::string("dup"), ArchiveValue::string("é"),
             ArchiveValue::integer(7), ArchiveValue::real(7.0), ArchiveValue::real(-0.0),
             ArchiveValue::real(0.0), ArchiveValue::boolean(true), ArchiveValue::data("zz")})
        items.insert(items.end(), {scalar, scalar});
    const ArchiveValue root = arrayOf(items);
    const QByteArray bytes = archive(root);
    const ParsedArchive a = parseArchive(bytes);
    QStringList seen;
    for (plist_t o : a.objects)
        seen << describe(a.objects, o);
    EXPECT_EQ(seen.count(QStringLiteral("FMPerson")), 2) << "Ann once, Bo once";
    for (const char* once : {"class FMPerson", "<string>dup</string>", "<string>é</string>",
             "<integer>7</integer>", "<real>7</real>", "<true/>", "<data> eno= </data>"})
        EXPECT_EQ(seen.count(QString::fromUtf8(once)), 1) << once;
    EXPECT_EQ(seen.count(QStringLiteral("<real>0.0</real>")), 2)
        << "-0 and 0, told apart by their bits";

    const ArchiveValue back = unarchive(bytes);
    QString where;
    ASSERT_TRUE(sameGraph(root, back, &where)) << where.toStdString();
    const auto& got = back.asArray()->items;
    EXPECT_EQ(got[0].identity(), got[1].identity());
    EXPECT_NE(got[0].identity(), got[2].identity());
    EXPECT_EQ(got[3].asDictionary()->find("again")->identity(), got[0].identity());
    EXPECT_EQ(got[3].asDictionary()->find("t")->identity(), got[4].identity());
}

TEST(KeyedArchiveSharing, DoublingGraphStaysSmallAndSharedBothWays)
{
    // Each level holds the one below twice: 2^200 paths, 201 nodes.
    ArchiveValue level = arrayOf({ArchiveValue::string("leaf")});
    for (int i = 0; i < 200; ++i)
        level = arrayOf({level, level});
    const QByteArray bytes = archive(level);
    EXPECT_LT(bytes.size(), 20000);
    const ArchiveValue back = unarchive(bytes);
    expectSame(level, back);
    const ArchiveValue* v = &back;
    for (int i = 0; i < 200; v = &v->asArray()->items[0], ++i) {
        ASSERT_TRUE(v->asArray() && v->asArray()->items.size() == 2u) << i;
        ASSERT_EQ(v->asArray()->items[0].identity(), v->asArray()->items[1].identity()) << i;
    }
}

// --- what the archiver refuses ---------------------------------------------------------

struct RefusalRow {
    const char* name;
    std::function<ArchiveValue()> make;
    const char* error; // nullptr: archived, and back the same
};

class ArchiverGraphs : public ::testing::TestWithParam<RefusalRow> { };

TEST_P(ArchiverGraphs, AreRefusedWithAnErrorOrComeBack)
{
    const ArchiveValue v = GetParam().make();
    QString error;
    const auto bytes = KeyedArchiver::archivedData(v, &error);
    if (GetParam().error) {
        EXPECT_FALSE(bytes.has_value());
        EXPECT_TRUE(error.contains(QLatin1String(GetParam().error))) << error.toStdString();
    } else {
        ASSERT_TRUE(bytes) << error.toStdString();
        expectSame(v, unarchive(*bytes));
    }
    // shared_ptr cycles would leak: the test breaks them.
    if (auto* a = const_cast<ArchiveArray*>(v.asArray()))
        a->items.clear();
    if (auto* o = const_cast<ArchiveObject*>(v.asObject()))
        o->fields.clear();
}

INSTANTIATE_TEST_SUITE_P(Graphs, ArchiverGraphs,
    ::testing::Values(RefusalRow {"ArrayContainingItself",
                          [] {
                              auto a = std::make_shared<ArchiveArray>();
                              a->items = {V::array(a)};
                              return V::array(a);
                          },
                          "cycle"},
        RefusalRow {"ObjectFieldPointingBack",
            [] {
                V o = objectOf({"FMNode"});
                const_cast<ArchiveObject*>(o.asObject())->fields = {
                    {"self", arrayOf({V::string("x"), o})}};
                return o;
            },
            "cycle"},
        RefusalRow {"DeepestAllowed", [] { return nested(512, V::string("bottom")); }, nullptr},
        RefusalRow {"TooDeep", [] { return nested(513, V::integer(1)); }, "deeper than 512"},
        RefusalRow {"SharedSubgraphTooDeepWhenMetAgain",
            [] {
                const V deep = nested(300, V::integer(1));
                return arrayOf({deep, nested(250, deep)});
            },
            "deeper than 512"},
        RefusalRow {"NulInString", [] { return V::string(QString::fromUtf8("a\0b", 3)); }, "NUL"},
        RefusalRow {"NulInFieldName",
            [] {
                return objectOf({"FMThing"}, {{QString::fromUtf8("k\0", 2), {}}});
            },
            "NUL"},
        RefusalRow {"ObjectWithoutClass", [] { return objectOf({}); }, "without a class"},
        RefusalRow {"FoundationClassName", [] { return objectOf({"NSArray"}); }, "reserved"},
        RefusalRow {"DuplicateDictionaryKey",
            [] {
                return dictOf({{"k", {}}, {"k", V::integer(2)}});
            },
            "appears twice"},
        RefusalRow {"DuplicateField",
            [] {
                return objectOf({"FMThing"}, {{"k", {}}, {"k", V::integer(2)}});
            },
            "appears twice"}),
    test::RowName());

// --- an archive as the platform writes it, in XML with CF$UID references ----------------

ArchiveValue expectedOccasion()
{
    const ArchiveValue tags = arrayOf({V::string("family"), V::string("birthday")});
    ArchiveObjectWriter w({QStringLiteral("FMOccasion"), QStringLiteral("NSObject")});
    w.encodeString("name", QStringLiteral("Zoë & Jürgen 🎂"));
    w.encodeBool("isFavourite", true);
    w.encodeInt("remindDays", 3);
    w.encodeDouble("weight", 1.5);
    w.encodeDate("when", utc("1990-05-17T08:30:00.250Z"));
    w.encodeValue("tags", tags);
    w.encodeValue("alsoTags", tags);
    w.encodeValue("extra", dictOf({{"source", V::string("contacts")}, {"labels", tags}}));
    w.encodeString("note", QStringLiteral("call in the morning")); // an NSMutableString wrapper
    w.encodeData("photo", QByteArray("\x00\x01\x02\xff", 4));      // an NSMutableData wrapper
    w.encodeValue("nothing", ArchiveValue());
    w.encodeInt("flag", 1); // a number by reference
    w.encodeString("$weird", QStringLiteral("dollar"));
    return w.finish();
}

TEST(KeyedArchivePlatformFiles, XmlArchiveReadsAsXmlAsBinaryAndAfterOurRoundTrip)
{
    const QByteArray xml =
        test::readFile(QStringLiteral(FETEMARK_TEST_DATA_DIR "/archives/occasion-cfuid.plist"));
    ASSERT_FALSE(xml.isEmpty());
    const ArchiveValue expected = expectedOccasion();
    const ArchiveValue root = unarchive(xml);
    expectSame(expected, root, "XML");
    const PlistPtr node = parsed(xml, true);
    ASSERT_TRUE(node);
    expectSame(expected, unarchive(rendered(node.get(), false)), "binary");
    expectSame(expected, unarchive(archive(root)), "ours");
    ASSERT_TRUE(root.asObject());
    EXPECT_TRUE(ArchiveObjectReader(*root.asObject()).decodeBool("flag"));
}

// --- the binary plist writer ----------------------------------------------------------

using Write = std::function<BinaryPlistWriter::Ref(BinaryPlistWriter&)>;

QByteArray fromHex(const char* hex)
{
    return QByteArray::fromHex(QByteArray(hex));
}

struct EncodingRow {
    const char* name;
    Write write;
    QByteArray object; // the one object's bytes, marker first
};

class BinaryWriterEncoding : public ::testing::TestWithParam<EncodingRow> { };

TEST_P(BinaryWriterEncoding, WritesTheSmallestFormAppleDefines)
{
    BinaryPlistWriter w;
    const auto bytes = w.finish(GetParam().write(w));
    ASSERT_TRUE(bytes);
    const QByteArray& object = GetParam().object;
    EXPECT_TRUE(bytes->mid(8, object.size()) == object)
        << bytes->mid(8, 40).toHex(' ').toStdString();
    const Trailer t = checkedTrailer(*bytes);
    EXPECT_EQ(t.count, 1u);
    EXPECT_EQ(t.table, std::uint64_t(8 + object.size()));
    EXPECT_TRUE(parsed(*bytes)) << "libplist reads it";
}

#define ENCODES(name, call, bytes)                                                                 \
    EncodingRow                                                                                    \
    {                                                                                              \
        name, [](BinaryPlistWriter& w) { return w.call; }, bytes                                   \
    }

INSTANTIATE_TEST_SUITE_P(Objects, BinaryWriterEncoding,
    ::testing::Values(ENCODES("False", boolean(false), fromHex("08")),
        ENCODES("True", boolean(true), fromHex("09")),
        ENCODES("Int255", integer(255), fromHex("10ff")),
        ENCODES("Int256", integer(256), fromHex("110100")),
        ENCODES("Int65535", integer(65535), fromHex("11ffff")),
        ENCODES("Int65536", integer(65536), fromHex("1200010000")),
        ENCODES("IntMax32", integer(4294967295LL), fromHex("12ffffffff")),
        ENCODES("IntAbove32", integer(4294967296LL), fromHex("130000000100000000")),
        ENCODES("IntMinusOne", integer(-1), fromHex("13ffffffffffffffff")),
        ENCODES("RealHalf", real(0.5), fromHex("233fe0000000000000")),
        ENCODES("Uid255", uid(255), fromHex("80ff")),
        ENCODES("Uid256", uid(256), fromHex("810100")),
        ENCODES("Uid65536", uid(65536), fromHex("8300010000")),
        ENCODES("UidMax", uid(0xFFFFFFFFu), fromHex("83ffffffff")),
        ENCODES("AsciiOf14", string(QString(14, u'x')), fromHex("5e") + QByteArray(14, 'x')),
        ENCODES("AsciiOf15", string(QString(15, u'x')), fromHex("5f100f") + QByteArray(15, 'x')),
        ENCODES("Latin1IsUtf16", string(QStringLiteral("é")), fromHex("6100e9")),
        ENCODES("NonBmpIsASurrogatePair", string(QStringLiteral("🎂")), fromHex("62d83cdf82")),
        ENCODES("Utf16Of70000", string(QString(70000, QChar(0x00E9))),
            fromHex("6f1200011170") + fromHex("00e9").repeated(70000)),
        ENCODES("DataOf256", data(QByteArray(256, '\x7f')),
            fromHex("4f110100") + QByteArray(256, '\x7f')),
        EncodingRow {"EmptyArray",
            [](auto& w) {
                const auto a = w.reserveContainer();
                w.setArray(a, nullptr, 0);
                return a;
            },
            fromHex("a0")},
        EncodingRow {"EmptyDictionary",
            [](auto& w) {
                const auto d = w.reserveContainer();
                w.setDictionary(d, nullptr, 0);
                return d;
            },
            fromHex("d0")}),
    test::RowName());

#undef ENCODES

struct WidthRow {
    const char* name;
    int distinctIntegers;
    qsizetype blobBytes; // one data object besides, to push the offsets wide
    unsigned refSize, offsetSize;
};

class BinaryWriterWidths : public ::testing::TestWithParam<WidthRow> { };

TEST_P(BinaryWriterWidths, ReferencesAndOffsetsGrowWithTheFileAndBothReadersFollow)
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
    EXPECT_EQ(std::tuple(t.count, t.refSize, t.offsetSize),
        std::tuple(refs.size() + 1, row.refSize, row.offsetSize));

    const PlistPtr node = parsed(*bytes);
    QString error;
    auto plist = keyedarchive::BinaryPlist::open(*bytes, keyedarchive::kMaxPlistNesting, &error);
    ASSERT_TRUE(node && plist) << error.toStdString();
    const auto items = children(node.get());
    const auto root = plist->container(plist->root());
    ASSERT_TRUE(items.size() == refs.size() && plist->size(root) == refs.size());
    for (int i = 0; i < row.distinctIntegers; ++i) {
        ASSERT_EQ(plist_uint_val_compare(items[i].second, std::uint64_t(i) * 1000003u), 0) << i;
        ASSERT_EQ(plist->integer(plist->item(root, i)), i * 1000003LL) << i;
    }
}

// With the array, 255 objects: one-byte references still name them all.
INSTANTIATE_TEST_SUITE_P(Sizes, BinaryWriterWidths,
    ::testing::Values(WidthRow {"LastOneByteReference", 254, 0, 1, 2},
        WidthRow {"FirstTwoByteReference", 255, 0, 2, 2},
        WidthRow {"LastTwoByteReference", 65534, 0, 2, 3},
        WidthRow {"FirstThreeByteReference", 65535, 0, 3, 3},
        WidthRow {"FourByteOffsets", 100, 17 * 1024 * 1024, 1, 4}),
    test::RowName());

} // namespace
} // namespace fetemark
