// PropertyList::read on what a settings file may hold: both forms read the same values,
// and hostile bytes end in an error, never in an abort inside libplist.
#include "platform/archive/PropertyList.h"

#include "support/TestSupport.h"

#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <cstdlib>

using namespace fetemark;
using namespace Qt::StringLiterals;

namespace {

const QByteArray XmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\">";

QByteArray xml(const QByteArray& body)
{
    return XmlHead + body + "</plist>";
}

// A binary plist of one dictionary {key: value}; both come encoded, marker first.
QByteArray bplistDict(const QByteArray& key, const QByteArray& value)
{
    QByteArray out("bplist00");
    QByteArray offsets;
    for (const QByteArray& object : {"\xD1\x01\x02"_ba, key, value}) {
        offsets += static_cast<char>(out.size());
        out += object;
    }
    const auto table = static_cast<char>(out.size());
    out += offsets;
    out += QByteArray(6, '\0') + "\x01\x01"; // offset and reference sizes
    out += QByteArray(7, '\0') + "\x03" + QByteArray(8, '\0') + QByteArray(7, '\0') + table;
    return out;
}

QByteArray ascii(const QByteArray& s)
{
    return static_cast<char>(0x50 | s.size()) + s;
}

// UTF-16 big endian; the units come as pairs of bytes.
QByteArray utf16(const QByteArray& units)
{
    return static_cast<char>(0x60 | (units.size() / 2)) + units;
}

// The XML form converted to binary by libplist, as another writer would store it.
QByteArray binaryOf(const QByteArray& xmlBytes)
{
    plist_t root = nullptr;
    plist_from_xml(xmlBytes.constData(), static_cast<uint32_t>(xmlBytes.size()), &root);
    char* bin = nullptr;
    uint32_t length = 0;
    if (root)
        plist_to_bin(root, &bin, &length);
    QByteArray out(bin, static_cast<qsizetype>(length));
    std::free(bin);
    plist_free(root);
    return out;
}

TEST(PropertyList, BinaryAndXmlFormsReadAsWritten)
{
    const QVariantMap values {{u"flag"_s, true}, {u"off"_s, false}, {u"negative"_s, qint64(-1)},
        {u"large"_s, qint64(1) << 40}, {u"ratio"_s, 2.5}, {u"text"_s, u"zoë@example.org ✓"_s},
        {u"empty"_s, u""_s}, {u"when"_s, test::utc("2031-05-06T07:08:09Z")},
        {u"bytes"_s, QByteArray("\x00\x01\xFF", 3)},
        {u"nested"_s,
            QVariantMap {{u"list"_s, QVariantList {u"a"_s, qint64(2), QVariantList {}}},
                {u"none"_s, QVariantMap {}}}}};
    QString error;
    const auto xmlBytes = PropertyList::writeXml(values, &error);
    ASSERT_TRUE(xmlBytes) << error.toStdString();
    const QByteArray binary = binaryOf(*xmlBytes);
    ASSERT_TRUE(binary.startsWith("bplist00"));
    for (const QByteArray& bytes : {*xmlBytes, binary}) {
        const auto read = PropertyList::read(bytes, &error);
        ASSERT_TRUE(read) << error.toStdString();
        EXPECT_EQ(*read, QVariant(values)) << bytes.left(8).toStdString();
    }
}

struct HostileRow {
    const char* name;
    QByteArray bytes;
    const char* errorPart;
};

class PropertyListHostile : public ::testing::TestWithParam<HostileRow> { };

TEST_P(PropertyListHostile, IsRefusedWithAnError)
{
    QString error;
    EXPECT_FALSE(PropertyList::read(GetParam().bytes, &error));
    EXPECT_TRUE(error.startsWith(u"not a property list"_s)) << error.toStdString();
    EXPECT_TRUE(error.contains(QLatin1String(GetParam().errorPart))) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(PropertyList, PropertyListHostile,
    ::testing::Values(HostileRow {"XmlNulInString",
                          xml("<dict><key>k</key><string>a\0b</string></dict>"_ba), "NUL byte"},
        HostileRow {
            "XmlNulInKey", xml("<dict><key>a\0b</key><string>x</string></dict>"_ba), "NUL byte"},
        HostileRow {
            "XmlReferenceToNul", xml("<dict><key>k</key><string>a&#0;b</string></dict>"), ""},
        HostileRow {
            "BinaryAsciiStringWithNul", bplistDict(ascii("k"), ascii("a\0b"_ba)), "NUL character"},
        HostileRow {"BinaryUtf16StringWithNul",
            bplistDict(ascii("k"), utf16("\x00\xE9\x00\x00\x00\x62"_ba)), "NUL character"},
        HostileRow {
            "BinaryUtf16KeyWithNul", bplistDict(utf16("\x00\xE9\x00\x00"_ba), ascii("x")), "NUL"},
        HostileRow {"XmlNestedDeeperThanLibplistCanFree",
            xml("<array>"_ba.repeated(300000) + "</array>"_ba.repeated(300000)),
            "more than 4096 arrays"},
        HostileRow {"BinaryUid", bplistDict(ascii("k"), "\x80\x01"_ba), "unsupported kind"}),
    test::RowName());

} // namespace
