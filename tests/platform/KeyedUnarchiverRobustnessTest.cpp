// Damaged and hostile input for KeyedUnarchiver: every case must end in a value or an
// error text, quickly, and never crash. Hand-made cases check that the right guard
// fires; a seeded mutation run covers what nobody thought of; files under
// data/archives/regressions are inputs the fuzzers once crashed on.
#include "platform/KeyedArchiveGraph.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <QDir>
#include <QElapsedTimer>

#include <cstring>
#include <functional>
#include <random>

namespace fetemark {
namespace {

using keyedarchive::sameGraph;

// --- building inputs -----------------------------------------------------------------

// A binary plist assembled by hand, so that trailer, offsets and references can be
// anything at all.
class RawBplist {
public:
    int refSize = 1;
    int offsetSize = 4;
    std::uint64_t root = 0;
    std::optional<std::uint64_t> objectCount;  // as written in the trailer
    std::optional<std::uint64_t> tableOffset;  // as written in the trailer
    std::vector<std::uint64_t> offsetOverrides; // index → offset, where set (non-zero)

    std::uint64_t add(const QByteArray& encoded)
    {
        m_objects.push_back(encoded);
        return m_objects.size() - 1;
    }

    static QByteArray bigEndian(std::uint64_t v, int width)
    {
        QByteArray out(width, '\0');
        for (int i = width - 1; i >= 0; --i, v >>= 8)
            out[i] = static_cast<char>(v & 0xFF);
        return out;
    }
    // A marker whose low nibble is a count, spilling into an integer when it is 15+.
    static QByteArray marker(unsigned type, std::uint64_t count)
    {
        if (count < 15)
            return QByteArray(1, static_cast<char>((type << 4) | count));
        QByteArray out(1, static_cast<char>((type << 4) | 0xF));
        out += static_cast<char>(0x13);
        out += bigEndian(count, 8);
        return out;
    }
    static QByteArray ascii(const QByteArray& s) { return marker(0x5, s.size()) + s; }
    static QByteArray integer(std::uint64_t v) { return QByteArray(1, '\x13') + bigEndian(v, 8); }
    static QByteArray uid(std::uint32_t v) { return QByteArray(1, '\x83') + bigEndian(v, 4); }
    QByteArray array(const std::vector<std::uint64_t>& refs) const
    {
        QByteArray out = marker(0xA, refs.size());
        for (auto r : refs)
            out += bigEndian(r, refSize);
        return out;
    }
    QByteArray dict(const std::vector<std::uint64_t>& keys, const std::vector<std::uint64_t>& values) const
    {
        QByteArray out = marker(0xD, keys.size());
        for (auto r : keys)
            out += bigEndian(r, refSize);
        for (auto r : values)
            out += bigEndian(r, refSize);
        return out;
    }

    QByteArray build() const
    {
        QByteArray out("bplist00");
        std::vector<std::uint64_t> offsets;
        for (const QByteArray& o : m_objects) {
            offsets.push_back(out.size());
            out += o;
        }
        for (size_t i = 0; i < offsetOverrides.size() && i < offsets.size(); ++i) {
            if (offsetOverrides[i])
                offsets[i] = offsetOverrides[i];
        }
        const std::uint64_t table = out.size();
        for (auto o : offsets)
            out += bigEndian(o, offsetSize);
        out += QByteArray(6, '\0');
        out += static_cast<char>(offsetSize);
        out += static_cast<char>(refSize);
        out += bigEndian(objectCount.value_or(m_objects.size()), 8);
        out += bigEndian(root, 8);
        out += bigEndian(tableOffset.value_or(table), 8);
        return out;
    }

private:
    std::vector<QByteArray> m_objects;
};

QByteArray cfuid(qint64 n) { return "<dict><key>CF$UID</key><integer>" + QByteArray::number(n) + "</integer></dict>"; }

// A keyed archive in the platform's XML form around the given $objects entries (after
// "$null") and $top.
QByteArray keyedXml(const QByteArray& objects, const QByteArray& top = "<key>root</key>" + cfuid(1))
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>$archiver</key><string>NSKeyedArchiver</string>"
           "<key>$version</key><integer>100000</integer>"
           "<key>$objects</key><array><string>$null</string>"
        + objects + "</array><key>$top</key><dict>" + top + "</dict></dict></plist>";
}

QByteArray classXml(const char* name)
{
    return QByteArray("<dict><key>$classname</key><string>") + name + "</string><key>$classes</key><array><string>"
        + name + "</string><string>NSObject</string></array></dict>";
}

// Well-formed XML (written by this test) rendered as a binary plist by libplist.
QByteArray xmlToBinary(const QByteArray& xml)
{
    plist_t node = nullptr;
    plist_from_xml(xml.constData(), static_cast<uint32_t>(xml.size()), &node);
    if (!node)
        return {};
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &bin, &length);
    plist_free(node);
    QByteArray out(bin, length);
    plist_to_bin_free(bin);
    return out;
}

ArchiveValue arrayOf(std::vector<ArchiveValue> items)
{
    auto a = std::make_shared<ArchiveArray>();
    a->items = std::move(items);
    return ArchiveValue::array(a);
}

QByteArray archive(const ArchiveValue& v)
{
    QString error;
    auto bytes = KeyedArchiver::archivedData(v, &error);
    EXPECT_TRUE(bytes) << error.toStdString();
    return bytes.value_or(QByteArray());
}

QString hexHead(const QByteArray& bytes) { return QString::fromLatin1(bytes.left(96).toHex(' ')); }

// Decodes and checks the outcome is sane: an error text on failure; on success a graph
// that survives another trip through the archiver unchanged.
struct Outcome {
    bool accepted = false;
    QString error;
    qint64 elapsedMs = 0;
};

Outcome decodeChecked(const QByteArray& bytes)
{
    Outcome out;
    QElapsedTimer timer;
    timer.start();
    const auto v = KeyedUnarchiver::unarchive(bytes, &out.error);
    out.elapsedMs = timer.elapsed();
    out.accepted = v.has_value();
    if (!v) {
        EXPECT_FALSE(out.error.isEmpty()) << hexHead(bytes).toStdString();
        return out;
    }
    QString error;
    const auto again = KeyedArchiver::archivedData(*v, &error);
    EXPECT_TRUE(again) << error.toStdString() << " for " << hexHead(bytes).toStdString();
    if (!again)
        return out;
    const auto second = KeyedUnarchiver::unarchive(*again, &error);
    EXPECT_TRUE(second) << error.toStdString();
    QString where;
    if (second) {
        EXPECT_TRUE(sameGraph(*v, *second, &where)) << where.toStdString();
    }
    return out;
}

// --- hand-made hostile cases -----------------------------------------------------------

struct HostileRow {
    const char* name;
    std::function<QByteArray()> make;
    const char* error; // a part of the expected error text; "" for any
};

class HostileInput : public ::testing::TestWithParam<HostileRow> {};

TEST_P(HostileInput, IsRefusedWithTheRightError)
{
    const QByteArray bytes = GetParam().make();
    const Outcome o = decodeChecked(bytes);
    EXPECT_FALSE(o.accepted) << hexHead(bytes).toStdString();
    EXPECT_TRUE(o.error.contains(QLatin1String(GetParam().error))) << o.error.toStdString();
    EXPECT_LT(o.elapsedMs, 2000);
}

std::string rowName(const ::testing::TestParamInfo<HostileRow>& info) { return info.param.name; }

// Keyed-archive damage, written as XML; each row runs as XML and as binary.
struct KeyedRow {
    const char* name;
    QByteArray xml;
    const char* error;
};

std::vector<KeyedRow> keyedRows()
{
    const QByteArray arrayClass = classXml("NSArray");
    return {
        {"SelfReferencingArray",
         keyedXml("<dict><key>NS.objects</key><array>" + cfuid(1) + "</array><key>$class</key>" + cfuid(2)
                  + "</dict>" + arrayClass),
         "cyclic"},
        {"ObjectFieldReferringBack",
         keyedXml("<dict><key>$class</key>" + cfuid(2) + "<key>child</key>" + cfuid(3) + "</dict>" + classXml("FMNode")
                  + "<dict><key>$class</key>" + cfuid(2) + "<key>parent</key>" + cfuid(1) + "</dict>"),
         "cyclic"},
        {"UidPastTheEnd", keyedXml("<string>x</string>", "<key>root</key>" + cfuid(99)), "only 2 entries"},
        {"FieldUidPastTheEnd",
         keyedXml("<dict><key>$class</key>" + cfuid(2) + "<key>f</key>" + cfuid(4000000000) + "</dict>"
                  + classXml("FMThing")),
         "reference to object 4000000000"},
        {"NegativeUid", keyedXml("<string>x</string>", "<key>root</key>" + cfuid(-1)), "reference to object"},
        {"ObjectsNotAnArray",
         "<plist><dict><key>$objects</key><dict/><key>$top</key><dict><key>root</key>" + cfuid(0)
             + "</dict></dict></plist>",
         "$objects is not an array"},
        {"ObjectsMissing", "<plist><dict><key>$top</key><dict/></dict></plist>", "$objects is missing"},
        {"ObjectsEmpty", "<plist><dict><key>$objects</key><array/><key>$top</key><dict/></dict></plist>",
         "$objects is empty"},
        {"TopMissing", "<plist><dict><key>$objects</key><array><string>$null</string></array></dict></plist>",
         "$top is missing"},
        {"TopNotADictionary",
         "<plist><dict><key>$objects</key><array><string>$null</string></array><key>$top</key><array/>"
         "</dict></plist>",
         "$top is not a dictionary"},
        {"PlistNotADictionary", "<plist><array><string>$null</string></array></plist>", "not a dictionary"},
        {"NsObjectsNotAnArray",
         keyedXml("<dict><key>NS.objects</key><string>oops</string><key>$class</key>" + cfuid(2) + "</dict>"
                  + arrayClass),
         "NS.objects is missing or not an array"},
        {"NsObjectsMissing", keyedXml("<dict><key>$class</key>" + cfuid(2) + "</dict>" + arrayClass),
         "NS.objects is missing"},
        {"ClassesNotAnArray",
         keyedXml("<dict><key>$class</key>" + cfuid(2)
                  + "</dict><dict><key>$classname</key><string>FMThing</string>"
                    "<key>$classes</key><string>FMThing</string></dict>"),
         "$classes is not an array"},
        {"ClassesHoldANumber",
         keyedXml("<dict><key>$class</key>" + cfuid(2)
                  + "</dict><dict><key>$classname</key><string>FMThing</string>"
                    "<key>$classes</key><array><integer>1</integer></array></dict>"),
         "non-string"},
        {"ClassIsAString", keyedXml("<dict><key>$class</key>" + cfuid(2) + "</dict><string>FMThing</string>"),
         "not a class description"},
        {"ClassIsTheObjectItself", keyedXml("<dict><key>$class</key>" + cfuid(1) + "</dict>"),
         "not a class description"},
        {"ClassIsNil", keyedXml("<dict><key>$class</key>" + cfuid(0) + "</dict>"), "missing object 0"},
        {"ClassNotAReference", keyedXml("<dict><key>$class</key><string>FMThing</string></dict>"),
         "$class is not a reference"},
        {"NoClass", keyedXml("<dict><key>name</key>" + cfuid(0) + "</dict>"), "without $class"},
        {"DictionaryCountsDiffer",
         keyedXml("<dict><key>NS.keys</key><array>" + cfuid(3) + "</array><key>NS.objects</key><array/>"
                  "<key>$class</key>" + cfuid(2) + "</dict>" + classXml("NSDictionary") + "<string>k</string>"),
         "1 keys but 0 values"},
        {"DictionaryKeyNotAString",
         keyedXml("<dict><key>NS.keys</key><array>" + cfuid(3) + "</array><key>NS.objects</key><array>" + cfuid(3)
                  + "</array><key>$class</key>" + cfuid(2) + "</dict>" + classXml("NSDictionary")
                  + "<integer>5</integer>"),
         "key 0 is not a string"},
        {"DateNotANumber",
         keyedXml("<dict><key>NS.time</key><string>soon</string><key>$class</key>" + cfuid(2) + "</dict>"
                  + classXml("NSDate")),
         "NS.time is not a number"},
        {"DateOutOfRange",
         keyedXml("<dict><key>NS.time</key><real>1e300</real><key>$class</key>" + cfuid(2) + "</dict>"
                  + classXml("NSDate")),
         "out of range"},
        {"DateWithoutTime", keyedXml("<dict><key>$class</key>" + cfuid(2) + "</dict>" + classXml("NSDate")),
         "has no NS.time"},
        {"StringWrapperChain",
         keyedXml("<dict><key>NS.string</key>" + cfuid(3) + "<key>$class</key>" + cfuid(2) + "</dict>"
                  + classXml("NSString") + "<dict><key>NS.string</key><string>x</string><key>$class</key>"
                  + cfuid(2) + "</dict>"),
         "not a plain value"},
        {"DataWrapperHoldsString",
         keyedXml("<dict><key>NS.bytes</key><string>x</string><key>$class</key>" + cfuid(2) + "</dict>"
                  + classXml("NSMutableData")),
         "NS.bytes is not data"},
        {"BareReferenceEntry", keyedXml(cfuid(1)), "bare reference"},
        {"PlainArrayEntry", keyedXml("<array><string>x</string></array>"), "plain array"},
        {"TopWithTwoOtherKeys", keyedXml("<string>x</string>", "<key>a</key>" + cfuid(1) + "<key>b</key>" + cfuid(1)),
         "no \"root\""},
    };
}

TEST(KeyedArchiveDamage, EachIsRefusedAsXmlAndAsBinary)
{
    for (const KeyedRow& row : keyedRows()) {
        SCOPED_TRACE(row.name);
        const Outcome xml = decodeChecked(row.xml);
        EXPECT_FALSE(xml.accepted);
        EXPECT_TRUE(xml.error.contains(QLatin1String(row.error))) << xml.error.toStdString();
        const QByteArray binary = xmlToBinary(row.xml);
        ASSERT_TRUE(binary.startsWith("bplist00"));
        const Outcome bin = decodeChecked(binary);
        EXPECT_FALSE(bin.accepted);
        EXPECT_TRUE(bin.error.contains(QLatin1String(row.error))) << bin.error.toStdString();
    }
}

// An array of `count` NSArray objects, each holding the next by UID.
QByteArray uidChain(int count)
{
    RawBplist b;
    b.refSize = 4;
    // 0 top, 1 "$objects" array, then keys and the class, then the chain.
    std::vector<std::uint64_t> chain;
    const std::uint64_t null = b.add(RawBplist::ascii("$null"));
    const std::uint64_t kObjects = b.add(RawBplist::ascii("$objects"));
    const std::uint64_t kTop = b.add(RawBplist::ascii("$top"));
    const std::uint64_t kRoot = b.add(RawBplist::ascii("root"));
    const std::uint64_t kNsObjects = b.add(RawBplist::ascii("NS.objects"));
    const std::uint64_t kClass = b.add(RawBplist::ascii("$class"));
    const std::uint64_t kClassname = b.add(RawBplist::ascii("$classname"));
    const std::uint64_t sArray = b.add(RawBplist::ascii("NSArray"));
    const std::uint64_t classUid = b.add(RawBplist::uid(1));
    const std::uint64_t rootUid = b.add(RawBplist::uid(2));
    const std::uint64_t classDict = b.add(b.dict({kClassname}, {sArray}));
    std::vector<std::uint64_t> entries = {null, classDict};
    for (int i = 0; i < count; ++i) {
        const std::uint64_t next = b.add(RawBplist::uid(i + 1 < count ? i + 3 : 0));
        const std::uint64_t items = b.add(b.array({next}));
        entries.push_back(b.add(b.dict({kNsObjects, kClass}, {items, classUid})));
    }
    const std::uint64_t objects = b.add(b.array(entries));
    const std::uint64_t top = b.add(b.dict({kRoot}, {rootUid}));
    b.root = b.add(b.dict({kObjects, kTop}, {objects, top}));
    return b.build();
}

// Arrays nested `depth` deep at the plist level (no UIDs).
QByteArray plistNesting(int depth)
{
    RawBplist b;
    b.refSize = 4;
    std::uint64_t inner = b.add(RawBplist::integer(1));
    for (int i = 0; i < depth; ++i)
        inner = b.add(b.array({inner}));
    b.root = inner;
    return b.build();
}

// Each array holds the previous one twice: small on disk, 2^levels nodes once copied.
QByteArray plistDoubling(int levels)
{
    RawBplist b;
    std::uint64_t prev = b.add(RawBplist::ascii("leaf"));
    for (int i = 0; i < levels; ++i)
        prev = b.add(b.array({prev, prev}));
    b.root = prev;
    return b.build();
}

QByteArray smallArchive() { return archive(arrayOf({ArchiveValue::string("a"), ArchiveValue::integer(7)})); }

QByteArray withTrailerByte(int offsetFromEnd, char value)
{
    QByteArray b = smallArchive();
    b[b.size() - offsetFromEnd] = value;
    return b;
}

QByteArray withTrailerField(int offsetFromEnd, std::uint64_t value)
{
    QByteArray b = smallArchive();
    const QByteArray field = RawBplist::bigEndian(value, 8);
    std::memcpy(b.data() + b.size() - offsetFromEnd, field.constData(), 8);
    return b;
}

QByteArray oneObject(const QByteArray& encoded)
{
    RawBplist b;
    b.root = b.add(encoded);
    return b.build();
}

QByteArray arrayOfRefsTo(const QByteArray& encoded, int references)
{
    RawBplist b;
    b.refSize = 1;
    const std::uint64_t target = b.add(encoded);
    b.root = b.add(b.array(std::vector<std::uint64_t>(references, target)));
    return b.build();
}

QByteArray xmlNesting(int depth)
{
    QByteArray x = "<plist>";
    for (int i = 0; i < depth; ++i)
        x += "<array>";
    for (int i = 0; i < depth; ++i)
        x += "</array>";
    return x + "</plist>";
}

INSTANTIATE_TEST_SUITE_P(
    Binary, HostileInput,
    ::testing::Values(
        HostileRow{"Empty", [] { return QByteArray(); }, "XML property list"},
        HostileRow{"HeaderOnly", [] { return QByteArray("bplist00"); }, "too short"},
        HostileRow{"OtherVersion", [] { return "bplist01" + smallArchive().mid(8); }, "not a \"bplist00\""},
        HostileRow{"TruncatedTrailer", [] { return smallArchive().chopped(5); }, ""},
        HostileRow{"TruncatedToHalf", [] { const QByteArray a = smallArchive(); return a.left(a.size() / 2); }, ""},
        HostileRow{"OffsetSizeZero", [] { return withTrailerByte(26, 0); }, "offset size of 0"},
        HostileRow{"ReferenceSizeNine", [] { return withTrailerByte(25, 9); }, "reference size of 9"},
        HostileRow{"NoObjects", [] { return withTrailerField(24, 0); }, "no objects"},
        HostileRow{"HugeObjectCount", [] { return withTrailerField(24, 0x4000000000000000ull); }, "claims"},
        HostileRow{"RootPastTheEnd", [] { return withTrailerField(16, 1000); }, "root object 1000"},
        HostileRow{"TableOffsetPastTheEnd", [] { return withTrailerField(8, 0xFFFFFFFFFFFFull); }, "offset table"},
        HostileRow{"TableOffsetInHeader", [] { return withTrailerField(8, 3); }, "offset table"},
        HostileRow{"ObjectOffsetIntoTrailer",
                   [] {
                       RawBplist b;
                       b.add(RawBplist::ascii("x"));
                       b.offsetOverrides = {60};
                       return b.build();
                   },
                   "outside the object area"},
        HostileRow{"HugeArrayCount", [] { return oneObject(RawBplist::marker(0xA, 0x7FFFFFFFFFFFFFFFull)); },
                   "runs into the offset table"},
        HostileRow{"HugeDictionaryCount", [] { return oneObject(RawBplist::marker(0xD, 0xFFFFFFFFFFFFFFFFull)); },
                   "runs into the offset table"},
        HostileRow{"HugeStringCount", [] { return oneObject(RawBplist::marker(0x6, 0x8000000000000000ull)); },
                   "runs into the offset table"},
        HostileRow{"LengthMarkerNotAnInteger", [] { return oneObject(QByteArray("\x5F\x55xxxxx")); },
                   "length marker"},
        HostileRow{"ReferencePastTheEnd",
                   [] {
                       RawBplist b;
                       b.add(RawBplist::ascii("x"));
                       b.root = b.add(b.array({0, 200}));
                       return b.build();
                   },
                   "past the last"},
        HostileRow{"ArrayContainingItself",
                   [] {
                       RawBplist b;
                       b.add(b.array({0}));
                       return b.build();
                   },
                   "contains itself"},
        HostileRow{"TwoArraysInACycle",
                   [] {
                       RawBplist b;
                       b.add(b.array({1}));
                       b.add(b.array({0}));
                       return b.build();
                   },
                   "contains itself"},
        HostileRow{"DictionaryKeyIsAnInteger",
                   [] {
                       RawBplist b;
                       const auto k = b.add(RawBplist::integer(1));
                       b.root = b.add(b.dict({k}, {k}));
                       return b.build();
                   },
                   "is not a string"},
        HostileRow{"DictionaryKeyWithNul",
                   [] {
                       RawBplist b;
                       const auto k = b.add(RawBplist::ascii(QByteArray("$cla\0ss", 7)));
                       b.root = b.add(b.dict({k}, {k}));
                       return b.build();
                   },
                   "NUL"},
        HostileRow{"Utf16DictionaryKeyWithNul",
                   [] {
                       RawBplist b;
                       const auto k = b.add(QByteArray("\x62\x00\x41\x00\x00", 5));
                       b.root = b.add(b.dict({k}, {k}));
                       return b.build();
                   },
                   "NUL"},
        HostileRow{"DepthBomb", [] { return plistNesting(100000); }, "nests deeper than"},
        HostileRow{"ExpansionBomb", [] { return plistDoubling(30); }, "nodes through shared references"},
        HostileRow{"PayloadBomb", [] { return arrayOfRefsTo(RawBplist::ascii(QByteArray(60000, 'x')), 250000); },
                   "bytes through shared references"},
        HostileRow{"UnsupportedMarker", [] { return oneObject(QByteArray("\x70")); }, "unsupported marker 0x70"},
        HostileRow{"NullMarker", [] { return oneObject(QByteArray(1, '\0')); }, "unsupported marker 0x00"},
        HostileRow{"SetMarker", [] { return oneObject(QByteArray("\xC0")); }, "unsupported marker 0xc0"},
        HostileRow{"IntegerOf32Bytes", [] { return oneObject(QByteArray("\x15") + QByteArray(32, 'x')); },
                   "integer of 2^5"},
        HostileRow{"RealOfOneByte", [] { return oneObject(QByteArray("\x20\x01")); }, "real of 2^0"},
        HostileRow{"UidOfThreeBytes", [] { return oneObject(QByteArray("\x82\x01\x02\x03")); }, "UID of 3 bytes"},
        HostileRow{"UidAbove32Bits",
                   [] { return oneObject(QByteArray("\x87") + RawBplist::bigEndian(1ull << 40, 8)); },
                   "UID value too large"},
        HostileRow{"DateOutOfRange",
                   [] {
                       double d = 1e300;
                       std::uint64_t bits;
                       std::memcpy(&bits, &d, 8);
                       return oneObject(QByteArray("\x33") + RawBplist::bigEndian(bits, 8));
                   },
                   "plist date out of range"},
        HostileRow{"EmptyUtf16String", [] { return oneObject(QByteArray("\x60")); }, "empty UTF-16"},
        HostileRow{"UidDepthBomb", [] { return uidChain(100000); }, "deeper than 512"},
        HostileRow{"NotAPlistAtAll", [] { return QByteArray("hello, world"); }, "XML property list"}),
    rowName);

INSTANTIATE_TEST_SUITE_P(
    Xml, HostileInput,
    ::testing::Values(
        HostileRow{"DepthBomb", [] { return xmlNesting(100000); }, "nests deeper than"},
        HostileRow{"EntityExpansion",
                   [] {
                       QByteArray x = "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY a0 \"ha\">";
                       for (int i = 1; i < 30; ++i)
                           x += "<!ENTITY a" + QByteArray::number(i) + " \"&a" + QByteArray::number(i - 1) + ";&a"
                               + QByteArray::number(i - 1) + ";\">";
                       return x + "]><plist><string>&a29;</string></plist>";
                   },
                   "XML property list"},
        HostileRow{"BadBase64", [] { return QByteArray("<plist><data>!!!!</data></plist>"); }, "base64"},
        HostileRow{"UnknownElement", [] { return QByteArray("<plist><set/></plist>"); }, "unknown element <set>"},
        HostileRow{"IntegerTooLarge", [] { return QByteArray("<plist><integer>99999999999999999999999</integer></plist>"); },
                   "64-bit"},
        HostileRow{"RealNotANumber", [] { return QByteArray("<plist><real>one</real></plist>"); }, "not a number"},
        HostileRow{"BadDate", [] { return QByteArray("<plist><date>yesterday</date></plist>"); }, "ISO 8601"},
        HostileRow{"KeyWithoutValue", [] { return QByteArray("<plist><dict><key>a</key></dict></plist>"); },
                   "without a value"},
        HostileRow{"ValueWithoutKey", [] { return QByteArray("<plist><dict><string>a</string></dict></plist>"); },
                   "where a <key> belongs"},
        HostileRow{"Truncated", [] { return QByteArray("<plist><dict><key>$objects</key><array><stri"); },
                   "XML property list"},
        HostileRow{"MarkupInsideString", [] { return QByteArray("<plist><string>a<b/>c</string></plist>"); },
                   "XML property list"}),
    rowName);

// --- odd but acceptable input ------------------------------------------------------------

TEST(KeyedArchiveOddities, DoublingOfUidsDecodesToSharedNodesQuickly)
{
    ArchiveValue level = arrayOf({ArchiveValue::string("leaf")});
    for (int i = 0; i < 200; ++i)
        level = arrayOf({level, level});
    const QByteArray bytes = archive(level);
    const Outcome o = decodeChecked(bytes);
    EXPECT_TRUE(o.accepted) << o.error.toStdString();
    EXPECT_LT(o.elapsedMs, 2000);
}

TEST(KeyedArchiveOddities, StringValueEndsAtNul)
{
    // Strings end at a NUL, as they did when read through C strings; the rest is not kept.
    RawBplist b;
    const auto kObjects = b.add(RawBplist::ascii("$objects"));
    const auto kTop = b.add(RawBplist::ascii("$top"));
    const auto kRoot = b.add(RawBplist::ascii("root"));
    const auto null = b.add(RawBplist::ascii("$null"));
    const auto text = b.add(RawBplist::ascii(QByteArray("ab\0cd", 5)));
    const auto rootUid = b.add(RawBplist::uid(1));
    const auto objects = b.add(b.array({null, text}));
    const auto top = b.add(b.dict({kRoot}, {rootUid}));
    b.root = b.add(b.dict({kObjects, kTop}, {objects, top}));
    QString error;
    const auto v = KeyedUnarchiver::unarchive(b.build(), &error);
    ASSERT_TRUE(v) << error.toStdString();
    ASSERT_TRUE(v->asString());
    EXPECT_EQ(*v->asString(), QStringLiteral("ab"));
}

TEST(KeyedArchiveOddities, ScalarFormsOtherWritersUse)
{
    // Forms our writer never produces but the binary format allows, read as libplist
    // read them: 16-byte integers by their low 8 bytes, 1- to 4-byte ones unsigned,
    // 4-byte reals, plain dates, UTF-8 in "ASCII" strings, UTF-16 cut at a NUL.
    RawBplist b;
    b.refSize = 1;
    const auto kObjects = b.add(RawBplist::ascii("$objects"));
    const auto kTop = b.add(RawBplist::ascii("$top"));
    const auto kRoot = b.add(RawBplist::ascii("root"));
    const auto kClass = b.add(RawBplist::ascii("$class"));
    const auto kClassName = b.add(RawBplist::ascii("$classname"));
    const auto kClasses = b.add(RawBplist::ascii("$classes"));
    const auto null = b.add(RawBplist::ascii("$null"));
    const auto name = b.add(RawBplist::ascii("FMThing"));
    const auto nsObject = b.add(RawBplist::ascii("NSObject"));
    const auto classDict = b.add(b.dict({kClassName, kClasses}, {name, b.add(b.array({name, nsObject}))}));
    float oneAndAHalf = 1.5f;
    std::uint32_t floatBits;
    std::memcpy(&floatBits, &oneAndAHalf, 4);
    double minusOneAndAHalf = -1.5;
    std::uint64_t dateBits;
    std::memcpy(&dateBits, &minusOneAndAHalf, 8);
    const std::vector<std::pair<QByteArray, QByteArray>> fields = {
        {"big", QByteArray("\x14") + RawBplist::bigEndian(1, 8) + RawBplist::bigEndian(5, 8)},
        {"byte", QByteArray("\x10\xff")},
        {"word", QByteArray("\x12\xff\xff\xff\xfe")},
        {"float", QByteArray("\x22") + RawBplist::bigEndian(floatBits, 4)},
        {"when", QByteArray("\x33") + RawBplist::bigEndian(dateBits, 8)},
        {"utf8", QByteArray("\x54Zo\xc3\xab")},
        {"cut", QByteArray("\x63\x00\x61\x00\x00\x00\x62", 7)},
        {"pair", QByteArray("\x62\xd8\x3c\xdf\x82")},
    };
    std::vector<std::uint64_t> keys, values;
    for (const auto& [key, encoded] : fields) {
        keys.push_back(b.add(RawBplist::ascii(key)));
        values.push_back(b.add(encoded));
    }
    keys.push_back(kClass);
    values.push_back(b.add(RawBplist::uid(2)));
    const auto object = b.add(b.dict(keys, values));
    const auto objects = b.add(b.array({null, object, classDict}));
    const auto top = b.add(b.dict({kRoot}, {b.add(RawBplist::uid(1))}));
    b.root = b.add(b.dict({kObjects, kTop}, {objects, top}));

    const Outcome o = decodeChecked(b.build());
    ASSERT_TRUE(o.accepted) << o.error.toStdString();
    const auto v = KeyedUnarchiver::unarchive(b.build());
    ASSERT_TRUE(v && v->asObject());
    EXPECT_EQ(v->asObject()->classes, QStringList({"FMThing", "NSObject"}));
    ArchiveObjectReader r(*v->asObject());
    EXPECT_EQ(r.decodeInt("big"), 5);
    EXPECT_EQ(r.decodeInt("byte"), 255);
    EXPECT_EQ(r.decodeInt("word"), 4294967294LL);
    EXPECT_EQ(r.decodeDouble("float"), 1.5);
    EXPECT_EQ(r.decodeDate("when"), test::utc("2000-12-31T23:59:58.500Z"));
    EXPECT_EQ(r.decodeString("utf8"), QStringLiteral("Zoë"));
    EXPECT_EQ(r.decodeString("cut"), QStringLiteral("a"));
    EXPECT_EQ(r.decodeString("pair"), QStringLiteral("🎂"));
}

struct CeilingRow {
    const char* name;
    int chain;
    bool accepted;
};

class DepthCeiling : public ::testing::TestWithParam<CeilingRow> {};

TEST_P(DepthCeiling, HoldsWhateverDepthTheCallerAllows)
{
    // Decoding recurses per level; the ceiling keeps that within an ordinary stack.
    KeyedUnarchiver::Limits limits;
    limits.maxDepth = 1000000;
    QString error;
    const auto v = KeyedUnarchiver::unarchive(uidChain(GetParam().chain), limits, &error);
    EXPECT_EQ(v.has_value(), GetParam().accepted) << error.toStdString();
    if (!GetParam().accepted) {
        EXPECT_TRUE(error.contains(QLatin1String("deeper than 1024"))) << error.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Chains, DepthCeiling,
                         ::testing::Values(CeilingRow{"AtTheCeiling", 1024, true},
                                           CeilingRow{"PastTheCeiling", 1025, false},
                                           CeilingRow{"FarPast", 50000, false}),
                         [](const ::testing::TestParamInfo<CeilingRow>& info) { return std::string(info.param.name); });

// --- regressions: inputs that once crashed ---------------------------------------------------

TEST(KeyedArchiveRegressions, FuzzerFindingsAreRefusedCleanly)
{
    const QDir dir(QStringLiteral(FETEMARK_TEST_DATA_DIR "/archives/regressions"));
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const Outcome o = decodeChecked(test::readFile(dir.filePath(name)));
        EXPECT_LT(o.elapsedMs, 2000);
        // Files named "accept-*" are valid archives; the rest are damaged.
        EXPECT_EQ(o.accepted, name.startsWith(QLatin1String("accept-"))) << o.error.toStdString();
    }
}

// --- seeded random damage ---------------------------------------------------------------------

std::vector<std::pair<const char*, QByteArray>> seeds()
{
    ArchiveObjectWriter p({"FMPerson", "NSObject"});
    p.encodeString("name", QStringLiteral("Zoë 🎂"));
    p.encodeBool("favourite", true);
    p.encodeInt("days", -3);
    p.encodeDouble("weight", 0.25);
    p.encodeDate("born", test::utc("1604-02-29T12:34:56.789Z"));
    p.encodeData("photo", QByteArray("\x00\x01\x02", 3));
    p.encodeString("none", QString());
    const ArchiveValue ann = p.finish();
    auto d = std::make_shared<ArchiveDictionary>();
    d->entries = {{"ann", ann}, {"list", arrayOf({ann, ArchiveValue::date(test::utc("2100-01-01T00:00:00Z"))})}};
    ArchiveObjectWriter book({"FMBook", "NSObject"});
    book.encodeValue("owner", ann);
    book.encodeValue("index", ArchiveValue::dictionary(d));
    book.encodeValue("again", ArchiveValue::dictionary(d));
    ArchiveValue doubling = arrayOf({ArchiveValue::integer(1)});
    for (int i = 0; i < 8; ++i)
        doubling = arrayOf({doubling, doubling});
    ArchiveValue deep = ArchiveValue::string("bottom");
    for (int i = 0; i < 20; ++i)
        deep = arrayOf({deep, ArchiveValue::integer(i)});
    const QByteArray platformXml =
        test::readFile(QStringLiteral(FETEMARK_TEST_DATA_DIR "/archives/occasion-cfuid.plist"));
    return {
        {"objects", archive(book.finish())},
        {"doubling", archive(doubling)},
        {"deep", archive(deep)},
        {"scalars", archive(arrayOf({ArchiveValue::real(-0.5), ArchiveValue::integer(1LL << 40), ArchiveValue(),
                                     ArchiveValue::boolean(false), ArchiveValue::string(QString(40, QChar(0x263A)))}))},
        {"platformBinary", xmlToBinary(platformXml)},
        {"platformXml", platformXml},
    };
}

enum class Damage { FlipBit, SetByte, Insert, Delete, Truncate, Duplicate, BigNumber, TrailerField, Reference, Count };

class Mutator {
public:
    explicit Mutator(std::uint64_t seed) : m_rng(seed) {}

    QByteArray damage(QByteArray b)
    {
        const int rounds = 1 + pick(3);
        for (int i = 0; i < rounds; ++i)
            b = once(b);
        return b;
    }

private:
    int pick(int n) { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    int position(const QByteArray& b) { return pick(static_cast<int>(b.size())); }

    QByteArray once(QByteArray b)
    {
        if (b.isEmpty())
            return QByteArray(1 + pick(8), static_cast<char>(pick(256)));
        switch (static_cast<Damage>(pick(static_cast<int>(Damage::Count)))) {
        case Damage::FlipBit: {
            const int at = position(b);
            b[at] = static_cast<char>(b[at] ^ (1 << pick(8)));
            break;
        }
        case Damage::SetByte:
            b[position(b)] = static_cast<char>(pick(256));
            break;
        case Damage::Insert: {
            QByteArray extra(1 + pick(8), '\0');
            for (auto& c : extra)
                c = static_cast<char>(pick(256));
            b.insert(position(b), extra);
            break;
        }
        case Damage::Delete:
            b.remove(position(b), 1 + pick(16));
            break;
        case Damage::Truncate:
            b.truncate(position(b));
            break;
        case Damage::Duplicate: {
            const int at = position(b);
            b.insert(position(b), b.mid(at, 1 + pick(32)));
            break;
        }
        case Damage::BigNumber: {
            static const std::uint64_t values[] = {0, 1, 0x7F, 0xFF, 0x7FFF, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF,
                                                   0x7FFFFFFFFFFFFFFFull, 0xFFFFFFFFFFFFFFFFull, 0x8000000000000000ull};
            const int width = 1 << pick(4);
            const QByteArray v = RawBplist::bigEndian(values[pick(std::size(values))], 8).right(width);
            const int at = position(b);
            b.replace(at, std::min<int>(width, static_cast<int>(b.size()) - at), v);
            break;
        }
        case Damage::TrailerField:
            if (b.size() > 40) {
                static const int fields[] = {26, 25, 24, 17, 16, 9, 8, 1};
                b[b.size() - fields[pick(std::size(fields))]] = static_cast<char>(pick(2) ? 0xFF : pick(256));
            }
            break;
        case Damage::Reference: {
            // Point a UID, or a container's count, somewhere else.
            std::vector<int> markers;
            for (int i = 8; i + 1 < b.size(); ++i) {
                const unsigned char m = static_cast<unsigned char>(b[i]);
                if ((m & 0xF0) == 0x80 || (m & 0xF0) == 0xA0 || (m & 0xF0) == 0xD0)
                    markers.push_back(i);
            }
            if (markers.empty())
                break;
            const int at = markers[pick(static_cast<int>(markers.size()))];
            if ((static_cast<unsigned char>(b[at]) & 0xF0) == 0x80)
                b[at + 1] = static_cast<char>(pick(2) ? 0xFF : pick(64));
            else
                b[at] = static_cast<char>((b[at] & 0xF0) | pick(16));
            break;
        }
        case Damage::Count:
            break;
        }
        return b;
    }

    std::mt19937_64 m_rng;
};

TEST(KeyedArchiveMutations, RandomDamageNeverCrashesAndWhatDecodesRoundTrips)
{
    constexpr std::uint64_t kSeed = 20240917;
    constexpr int kPerSeed = 2500;
    Mutator mutator(kSeed);
    int accepted = 0, refused = 0;
    qint64 slowest = 0;
    QElapsedTimer total;
    total.start();
    for (const auto& [name, seed] : seeds()) {
        ASSERT_FALSE(seed.isEmpty()) << name;
        ASSERT_TRUE(decodeChecked(seed).accepted) << name;
        for (int i = 0; i < kPerSeed; ++i) {
            const QByteArray damaged = mutator.damage(seed);
            const Outcome o = decodeChecked(damaged);
            (o.accepted ? accepted : refused)++;
            slowest = std::max(slowest, o.elapsedMs);
            if (::testing::Test::HasFailure()) {
                ADD_FAILURE() << "seed " << name << " case " << i << ": " << hexHead(damaged).toStdString();
                return;
            }
        }
    }
    // Both outcomes must occur, or the damage is too mild or too blunt to test anything.
    EXPECT_GT(accepted, 200);
    EXPECT_GT(refused, 2000);
    EXPECT_LT(slowest, 1000);
    RecordProperty("accepted", accepted);
    RecordProperty("refused", refused);
    RecordProperty("elapsed_ms", static_cast<int>(total.elapsed()));
}

} // namespace
} // namespace fetemark
