// Damaged and hostile input for KeyedUnarchiver: each hand-made case checks that the right
// guard fires, or that the value other readers read comes out. Inputs that need only be
// refused without a crash live in the fuzz corpora (tests/fuzz/corpus), which every fuzz
// run replays, next to the inputs the fuzzers once crashed on.
#include "platform/archive/KeyedArchiveGraph.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "support/ArchiveValues.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <QtEndian>

#include <cstring>
#include <functional>

namespace fetemark {
namespace {

using keyedarchive::sameGraph;
using namespace test;

// --- building inputs -----------------------------------------------------------------

// A binary plist assembled by hand, so that trailer, offsets and references can be
// anything at all.
class RawBplist {
public:
    int refSize = 1;
    std::uint64_t root = 0;
    std::optional<std::uint64_t> firstOffset; // of object 0, as written in the offset table

    std::uint64_t add(const QByteArray& encoded)
    {
        m_objects.push_back(encoded);
        return m_objects.size() - 1;
    }

    static QByteArray bigEndian(std::uint64_t v, int width)
    {
        const quint64 big = qToBigEndian(quint64(v));
        return QByteArray(reinterpret_cast<const char*>(&big), 8).right(width);
    }
    // A marker whose low nibble is a count, spilling into an integer when it is 15+.
    static QByteArray marker(unsigned type, std::uint64_t count)
    {
        if (count < 15)
            return QByteArray(1, static_cast<char>((type << 4) | count));
        return QByteArray(1, static_cast<char>((type << 4) | 0xF)) + '\x13' + bigEndian(count, 8);
    }
    static QByteArray ascii(const QByteArray& s) { return marker(0x5, s.size()) + s; }
    static QByteArray uid(std::uint32_t v) { return '\x83' + bigEndian(v, 4); }
    QByteArray refs(const std::vector<std::uint64_t>& r) const
    {
        QByteArray out;
        for (auto x : r)
            out += bigEndian(x, refSize);
        return out;
    }
    QByteArray array(const std::vector<std::uint64_t>& items) const
    {
        return marker(0xA, items.size()) + refs(items);
    }
    QByteArray dict(
        const std::vector<std::uint64_t>& keys, const std::vector<std::uint64_t>& values) const
    {
        return marker(0xD, keys.size()) + refs(keys) + refs(values);
    }
    std::uint64_t key(const char* name) { return add(ascii(name)); }

    QByteArray build() const
    {
        QByteArray out("bplist00"), table;
        for (const QByteArray& o : m_objects) {
            table += bigEndian(table.isEmpty() && firstOffset ? *firstOffset : out.size(), 4);
            out += o;
        }
        return out + table + QByteArray(6, '\0') + char(4) + char(refSize) +
            bigEndian(m_objects.size(), 8) + bigEndian(root, 8) + bigEndian(out.size(), 8);
    }

    // A keyed archive around the given $objects entries (after "$null"), rooted at one.
    QByteArray keyed(std::vector<std::uint64_t> objects, std::uint32_t rootEntry = 1)
    {
        objects.insert(objects.begin(), key("$null"));
        const auto top = add(dict({key("root")}, {add(uid(rootEntry))}));
        const auto list = add(array(objects));
        root = add(dict({key("$objects"), key("$top")}, {list, top}));
        return build();
    }

private:
    std::vector<QByteArray> m_objects;
};

QByteArray raw(const std::function<void(RawBplist&)>& fill)
{
    RawBplist b;
    fill(b);
    return b.build();
}

QByteArray oneObject(const QByteArray& encoded)
{
    return raw([&](RawBplist& b) { b.root = b.add(encoded); });
}

// An FMThing object whose field "f" holds `encoded` inline, as another writer may put it.
QByteArray objectWithField(const QByteArray& encoded)
{
    RawBplist b;
    const auto name = b.add(RawBplist::ascii("FMThing"));
    const auto cls =
        b.add(b.dict({b.key("$classname"), b.key("$classes")}, {name, b.add(b.array({name}))}));
    const auto value = b.add(encoded);
    const auto object =
        b.add(b.dict({b.key("f"), b.key("$class")}, {value, b.add(RawBplist::uid(2))}));
    return b.keyed({object, cls});
}

// An array of `count` NSArray objects, each holding the next by UID.
QByteArray uidChain(int count)
{
    RawBplist b;
    b.refSize = 4;
    const auto kNsObjects = b.key("NS.objects"), kClass = b.key("$class");
    const auto classUid = b.add(RawBplist::uid(1));
    std::vector<std::uint64_t> entries = {b.add(b.dict({b.key("$classname")}, {b.key("NSArray")}))};
    for (int i = 0; i < count; ++i) {
        const auto items = b.add(b.array({b.add(RawBplist::uid(i + 1 < count ? i + 3 : 0))}));
        entries.push_back(b.add(b.dict({kNsObjects, kClass}, {items, classUid})));
    }
    return b.keyed(entries, 2);
}

QByteArray cfuid(qint64 n)
{
    return "<dict><key>CF$UID</key><integer>" + QByteArray::number(n) + "</integer></dict>";
}

// A keyed archive in the platform's XML form around the given $objects entries (after
// "$null") and $top.
QByteArray keyedXml(const QByteArray& objects, const QByteArray& top = "<key>root</key>" + cfuid(1))
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>$archiver</key><string>NSKeyedArchiver</string>"
           "<key>$version</key><integer>100000</integer>"
           "<key>$objects</key><array><string>$null</string>" +
        objects + "</array><key>$top</key><dict>" + top + "</dict></dict></plist>";
}

QByteArray classXml(const char* name)
{
    return QByteArray("<dict><key>$classname</key><string>") + name +
        "</string><key>$classes</key><array><string>" + name +
        "</string><string>NSObject</string></array></dict>";
}

// An XML archive whose root object, of class `cls` (entry 2), has the given fields;
// `more` follows as entries 3 on.
QByteArray rootObject(const char* cls, const QByteArray& fields, const QByteArray& more = {})
{
    return keyedXml(
        "<dict>" + fields + "<key>$class</key>" + cfuid(2) + "</dict>" + classXml(cls) + more);
}

// Well-formed XML (written by this test) rendered as a binary plist by libplist.
QByteArray xmlToBinary(const QByteArray& xml)
{
    plist_t node = nullptr;
    char* bin = nullptr;
    uint32_t length = 0;
    plist_from_xml(xml.constData(), static_cast<uint32_t>(xml.size()), &node);
    if (!node)
        return {};
    plist_to_bin(node, &bin, &length);
    const QByteArray out(bin, length);
    plist_free(node);
    plist_to_bin_free(bin);
    return out;
}

QByteArray smallArchive()
{
    return archive(arrayOf({ArchiveValue::string("a"), ArchiveValue::integer(7)}));
}

QString hexHead(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.left(96).toHex(' '));
}

// Decodes and checks the outcome is sane: an error text on failure; on success a graph
// that survives another trip through the archiver unchanged.
struct Outcome {
    std::optional<ArchiveValue> value;
    QString error;
};

Outcome decodeChecked(const QByteArray& bytes)
{
    Outcome out;
    out.value = KeyedUnarchiver::unarchive(bytes, &out.error);
    QString error, where;
    const auto again = out.value ? KeyedArchiver::archivedData(*out.value, &error) : std::nullopt;
    const auto second = again ? KeyedUnarchiver::unarchive(*again, &error) : std::nullopt;
    EXPECT_TRUE(out.value ? second && sameGraph(*out.value, *second, &where) : !out.error.isEmpty())
        << error.toStdString() << where.toStdString() << " for " << hexHead(bytes).toStdString();
    return out;
}

// --- unusual input: the right error, or the value other readers read ------------------------

struct InputRow {
    const char* name;
    std::function<QByteArray()> make;
    const char* error;          // a part of the expected error text, "" for any; nullptr: accepted
    ArchiveValue expected = {}; // when accepted
    bool alsoAsBinary = false;  // XML that libplist renders as binary for a second run
};

class UnusualInput : public ::testing::TestWithParam<InputRow> { };

TEST_P(UnusualInput, EndsInTheRightErrorOrValue)
{
    const InputRow& row = GetParam();
    std::vector<QByteArray> forms = {row.make()};
    if (row.alsoAsBinary)
        forms.push_back(xmlToBinary(forms[0]));
    for (const QByteArray& bytes : forms) {
        const Outcome o = decodeChecked(bytes);
        QString where;
        EXPECT_EQ(o.value.has_value(), !row.error)
            << o.error.toStdString() << " for " << hexHead(bytes).toStdString();
        EXPECT_TRUE(row.error ? o.error.contains(QLatin1String(row.error))
                              : o.value && sameGraph(row.expected, *o.value, &where))
            << o.error.toStdString() << where.toStdString();
    }
}

// Keyed-archive damage, written as XML; each runs as XML and as binary.
InputRow keyed(const char* name, const QByteArray& xml, const char* error)
{
    return {name, [xml] { return xml; }, error, {}, true};
}

std::vector<InputRow> keyedRows()
{
    const QByteArray x = "<string>x</string>",
                     objectsX = "<key>$objects</key><array>" + x + "</array>";
    const QByteArray withClass = "<dict><key>$class</key>" + cfuid(2) + "</dict>";
    const QByteArray thing =
        "<dict><key>$classname</key><string>FMThing</string><key>$classes</key>";
    const QByteArray keys =
        "<key>NS.keys</key><array>" + cfuid(3) + "</array><key>NS.objects</key>";
    const auto plistDict = [](const QByteArray& body) {
        return "<plist><dict>" + body + "</dict></plist>";
    };
    const auto objectWith = [](const QByteArray& fields) {
        return keyedXml("<dict>" + fields + "</dict>");
    };
    return {
        keyed("SelfReferencingArray",
            rootObject("NSArray", "<key>NS.objects</key><array>" + cfuid(1) + "</array>"),
            "cyclic"),
        keyed("ObjectFieldReferringBack",
            rootObject("FMNode", "<key>child</key>" + cfuid(3),
                "<dict><key>$class</key>" + cfuid(2) + "<key>parent</key>" + cfuid(1) + "</dict>"),
            "cyclic"),
        keyed("UidPastTheEnd", keyedXml(x, "<key>root</key>" + cfuid(99)), "only 2 entries"),
        keyed("NegativeUid", keyedXml(x, "<key>root</key>" + cfuid(-1)), "reference to object"),
        keyed("ObjectsNotAnArray", plistDict("<key>$objects</key><dict/><key>$top</key><dict/>"),
            "$objects is not an array"),
        keyed("ObjectsMissing", plistDict("<key>$top</key><dict/>"), "$objects is missing"),
        keyed("ObjectsEmpty", plistDict("<key>$objects</key><array/><key>$top</key><dict/>"),
            "$objects is empty"),
        keyed("TopMissing", plistDict(objectsX), "$top is missing"),
        keyed("TopNotADictionary", plistDict(objectsX + "<key>$top</key><array/>"),
            "$top is not a dictionary"),
        keyed("TopWithTwoOtherKeys",
            keyedXml(x, "<key>a</key>" + cfuid(1) + "<key>b</key>" + cfuid(1)), "no \"root\""),
        keyed("PlistNotADictionary", "<plist><array>" + x + "</array></plist>", "not a dictionary"),
        keyed("NsObjectsNotAnArray", rootObject("NSArray", "<key>NS.objects</key>" + x),
            "NS.objects is missing or not an"),
        keyed("ClassesNotAnArray", keyedXml(withClass + thing + "<string>FMThing</string></dict>"),
            "$classes is not an array"),
        keyed("ClassesHoldANumber",
            keyedXml(withClass + thing + "<array><integer>1</integer></array></dict>"),
            "non-string"),
        keyed("ClassIsAString", keyedXml(withClass + "<string>FMThing</string>"),
            "not a class description"),
        keyed("ClassIsTheObjectItself", objectWith("<key>$class</key>" + cfuid(1)),
            "not a class description"),
        keyed("ClassIsNil", objectWith("<key>$class</key>" + cfuid(0)), "missing object 0"),
        keyed(
            "ClassNotAReference", objectWith("<key>$class</key>" + x), "$class is not a reference"),
        keyed("NoClass", objectWith("<key>name</key>" + cfuid(0)), "without $class"),
        keyed("DictionaryCountsDiffer",
            rootObject("NSDictionary", keys + "<array/>", "<string>k</string>"), "1 keys but 0"),
        keyed("DictionaryKeyNotAString",
            rootObject(
                "NSDictionary", keys + "<array>" + cfuid(3) + "</array>", "<integer>5</integer>"),
            "key 0 is not a"),
        keyed("DateNotANumber", rootObject("NSDate", "<key>NS.time</key>" + x),
            "NS.time is not a number"),
        keyed("DateOutOfRange", rootObject("NSDate", "<key>NS.time</key><real>1e300</real>"),
            "out of range"),
        keyed("DateWithoutTime", rootObject("NSDate", ""), "has no NS.time"),
        keyed("StringWrapperChain",
            rootObject("NSString", "<key>NS.string</key>" + cfuid(3),
                "<dict><key>NS.string</key>" + x + "<key>$class</key>" + cfuid(2) + "</dict>"),
            "not a plain value"),
        keyed("DataWrapperHoldsString", rootObject("NSMutableData", "<key>NS.bytes</key>" + x),
            "NS.bytes is not data"),
        keyed("BareReferenceEntry", keyedXml(cfuid(1)), "bare reference"),
        keyed("PlainArrayEntry", keyedXml("<array>" + x + "</array>"), "plain array"),
    };
}

INSTANTIATE_TEST_SUITE_P(Archives, UnusualInput, ::testing::ValuesIn(keyedRows()), test::RowName());

QByteArray withTrailerField(int offsetFromEnd, std::uint64_t value, int width = 8)
{
    QByteArray b = smallArchive();
    return b.replace(b.size() - offsetFromEnd, width, RawBplist::bigEndian(value, width));
}

// A real or a date of 4 or 8 bytes.
template<typename Real> QByteArray realObject(unsigned marker, Real r)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &r, sizeof r);
    return char(marker) + RawBplist::bigEndian(bits, sizeof r);
}

// Arrays each holding the next `refs` times, `levels` deep, above one string.
QByteArray arrayChain(int levels, int refs, qsizetype leafBytes = 4)
{
    return raw([&](RawBplist& b) {
        b.refSize = 4;
        for (std::uint64_t i = 0; i < std::uint64_t(levels); ++i)
            b.add(b.array(std::vector<std::uint64_t>(refs, i + 1)));
        b.add(RawBplist::ascii(QByteArray(leafBytes, 'x')));
    });
}

// A dictionary whose one key (and value) is `key`.
QByteArray dictWithKey(const QByteArray& key)
{
    return raw([&](RawBplist& b) { b.add(b.dict({1}, {1})), b.add(key); });
}

const char* const IntoTable = "runs into the offset table";

INSTANTIATE_TEST_SUITE_P(Binary, UnusualInput,
    ::testing::Values(InputRow {"HeaderOnly", [] { return QByteArray("bplist00"); }, "too short"},
        InputRow {"OtherVersion", [] { return "bplist01" + smallArchive().mid(8); },
            "not a \"bplist00\""},
        InputRow {"OffsetSizeZero", [] { return withTrailerField(26, 0, 1); }, "offset size of 0"},
        InputRow {
            "ReferenceSizeNine", [] { return withTrailerField(25, 9, 1); }, "reference size of 9"},
        InputRow {"NoObjects", [] { return withTrailerField(24, 0); }, "no objects"},
        InputRow {"HugeObjectCount", [] { return withTrailerField(24, 0x4000000000000000ull); },
            "claims"},
        InputRow {"RootPastTheEnd", [] { return withTrailerField(16, 1000); }, "root object 1000"},
        InputRow {"TableOffsetPastTheEnd", [] { return withTrailerField(8, 0xFFFFFFFFFFFFull); },
            "offset table"},
        InputRow {"TableOffsetInHeader", [] { return withTrailerField(8, 3); }, "offset table"},
        InputRow {"ObjectOffsetIntoTrailer",
            [] {
                return raw([](RawBplist& b) { b.add(RawBplist::ascii("x")), b.firstOffset = 60; });
            },
            "outside the object area"},
        InputRow {"HugeArrayCount",
            [] { return oneObject(RawBplist::marker(0xA, 0x7FFFFFFFFFFFFFFFull)); }, IntoTable},
        InputRow {"HugeDictionaryCount",
            [] { return oneObject(RawBplist::marker(0xD, 0xFFFFFFFFFFFFFFFFull)); }, IntoTable},
        InputRow {"HugeUtf16Count",
            [] { return oneObject(RawBplist::marker(0x6, 0x8000000000000000ull)); }, IntoTable},
        InputRow {
            "LengthMarkerNotAnInteger", [] { return oneObject("\x5F\x55xxxxx"); }, "length marker"},
        InputRow {"ReferencePastTheEnd",
            [] { return raw([](RawBplist& b) {
                     b.add(b.array({1, 200})), b.add("\x51x");
                 }); },
            "past the last"},
        InputRow {"ArrayContainingItself",
            [] { return raw([](RawBplist& b) { b.add(b.array({0})); }); }, "contains itself"},
        InputRow {"TwoArraysInACycle",
            [] { return raw([](RawBplist& b) { b.add(b.array({1})), b.add(b.array({0})); }); },
            "contains itself"},
        InputRow {"DictionaryKeyIsAnInteger",
            [] { return dictWithKey('\x13' + RawBplist::bigEndian(1, 8)); }, "is not a string"},
        InputRow {"DictionaryKeyWithNul",
            [] { return dictWithKey(RawBplist::ascii(QByteArray("$cla\0ss", 7))); }, "NUL"},
        InputRow {"Utf16DictionaryKeyWithNul",
            [] { return dictWithKey(QByteArray("\x62\x00\x41\x00\x00", 5)); }, "NUL"},
        InputRow {"DepthBomb", [] { return arrayChain(100000, 1); }, "nests deeper than"},
        InputRow {
            "ExpansionBomb", [] { return arrayChain(30, 2); }, "nodes through shared references"},
        InputRow {"PayloadBomb", [] { return arrayChain(1, 250000, 60000); },
            "bytes through shared references"},
        InputRow {"UnsupportedMarker", [] { return oneObject("\x70"); }, "unsupported marker 0x70"},
        InputRow {
            "NullMarker", [] { return oneObject(QByteArray(1, '\0')); }, "unsupported marker 0x00"},
        InputRow {"IntegerOf32Bytes", [] { return oneObject("\x15" + QByteArray(32, 'x')); },
            "integer of 2^5"},
        InputRow {"RealOfOneByte", [] { return oneObject("\x20\x01"); }, "real of 2^0"},
        InputRow {
            "UidOfThreeBytes", [] { return oneObject("\x82\x01\x02\x03"); }, "UID of 3 bytes"},
        InputRow {"UidAbove32Bits",
            [] { return oneObject("\x87" + RawBplist::bigEndian(1ull << 40, 8)); },
            "UID value too large"},
        InputRow {"DateOutOfRange", [] { return oneObject(realObject(0x33, 1e300)); },
            "plist date out of range"},
        InputRow {"EmptyUtf16String", [] { return oneObject("\x60"); }, "empty UTF-16"},
        InputRow {"UidDepthBomb", [] { return uidChain(100000); }, "deeper than 512"}),
    test::RowName());

InputRow xml(const char* name, const char* body, const char* error)
{
    return {name, [body] { return "<plist>" + QByteArray(body) + "</plist>"; }, error};
}

INSTANTIATE_TEST_SUITE_P(Xml, UnusualInput,
    ::testing::Values(InputRow {"DepthBomb",
                          [] {
                              return "<plist>" + QByteArray("<array>").repeated(100000) +
                                  QByteArray("</array>").repeated(100000);
                          },
                          "nests deeper than"},
        xml("BadBase64", "<data>!!!!</data>", "base64"),
        xml("UnknownElement", "<set/>", "unknown element <set>"),
        xml("IntegerTooLarge", "<integer>99999999999999999999999</integer>", "64-bit"),
        xml("RealNotANumber", "<real>one</real>", "not a number"),
        xml("BadDate", "<date>yesterday</date>", "ISO 8601"),
        xml("KeyWithoutValue", "<dict><key>a</key></dict>", "without a value"),
        xml("ValueWithoutKey", "<dict><string>a</string></dict>", "where a <key> belongs")),
    test::RowName());

// Forms other writers use, read as libplist reads them, inline as an object's field "f".
InputRow field(const char* name, const QByteArray& encoded, const ArchiveValue& expected)
{
    ArchiveObjectWriter w({QStringLiteral("FMThing")});
    w.encodeValue(QStringLiteral("f"), expected);
    return {name, [encoded] { return objectWithField(encoded); }, nullptr, w.finish()};
}

const QByteArray firstAndSecond = "<string>first</string><string>second</string>";

INSTANTIATE_TEST_SUITE_P(Accepted, UnusualInput,
    ::testing::Values(field("SixteenByteIntegerByItsLowBytes",
                          '\x14' + RawBplist::bigEndian(1, 8) + RawBplist::bigEndian(5, 8),
                          ArchiveValue::integer(5)),
        field("OneByteIntegerIsUnsigned", "\x10\xff", ArchiveValue::integer(255)),
        field("FourByteIntegerIsUnsigned", "\x12\xff\xff\xff\xfe",
            ArchiveValue::integer(4294967294LL)),
        field("FourByteReal", realObject(0x22, 1.5f), ArchiveValue::real(1.5)),
        field("PlainDate", realObject(0x33, -1.5),
            ArchiveValue::date(test::utc("2000-12-31T23:59:58.500Z"))),
        field("Utf8InAsciiString", "\x54Zo\xc3\xab", ArchiveValue::string(QStringLiteral("Zoë"))),
        field("Utf16EndsAtNul", QByteArray("\x63\x00\x61\x00\x00\x00\x62", 7),
            ArchiveValue::string("a")),
        InputRow {"AsciiEndsAtNul",
            [] {
                RawBplist b;
                return b.keyed({b.add(RawBplist::ascii(QByteArray("ab\0cd", 5)))});
            },
            nullptr, ArchiveValue::string("ab")},
        InputRow {"TopRootAmongOtherKeys",
            [] {
                return keyedXml(
                    firstAndSecond, "<key>other</key>" + cfuid(1) + "<key>root</key>" + cfuid(2));
            },
            nullptr, ArchiveValue::string("second"), true},
        InputRow {"TopWithOnlyAnotherKey",
            [] { return keyedXml(firstAndSecond, "<key>object</key>" + cfuid(2)); }, nullptr,
            ArchiveValue::string("second"), true}),
    test::RowName());

// --- limits the caller sets, and the ceiling above them ------------------------------------

struct LimitRow {
    const char* name;
    std::function<QByteArray()> make;
    int maxDepth;
    qsizetype byteSlack; // maxBytes is the input's size plus this
    const char* error;   // nullptr: accepted
};

class UnarchiverLimits : public ::testing::TestWithParam<LimitRow> { };

TEST_P(UnarchiverLimits, HoldExactly)
{
    const QByteArray bytes = GetParam().make();
    QString error;
    const auto v = KeyedUnarchiver::unarchive(
        bytes, {bytes.size() + GetParam().byteSlack, GetParam().maxDepth}, &error);
    EXPECT_EQ(v.has_value(), !GetParam().error) << error.toStdString();
    EXPECT_TRUE(error.contains(QLatin1String(GetParam().error ? GetParam().error : "")))
        << error.toStdString();
}

// 29 levels shared, met under the root and again under 30 wrappers: 60 levels at its deepest use.
QByteArray sharedDeep()
{
    const ArchiveValue shared = nested(29, ArchiveValue::integer(1));
    return archive(arrayOf({shared, nested(30, shared)}));
}

INSTANTIATE_TEST_SUITE_P(Limits, UnarchiverLimits,
    ::testing::Values(
        LimitRow {"SharedSubgraphCountsAtItsDeepestUse", sharedDeep, 59, 0, "deeper than 59"},
        LimitRow {"SharedSubgraphFitsExactly", sharedDeep, 60, 0, nullptr},
        LimitRow {"OneByteTooMany", smallArchive, 512, -1, "exceeds"},
        LimitRow {"DepthCeilingReached", [] { return uidChain(1024); }, 1000000, 0, nullptr},
        LimitRow {
            "DepthCeilingPassed", [] { return uidChain(1025); }, 1000000, 0, "deeper than 1024"}),
    test::RowName());

} // namespace
} // namespace fetemark
