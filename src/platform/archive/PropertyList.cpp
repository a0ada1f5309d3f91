#include "PropertyList.h"

#include "platform/archive/KeyedArchivePlist.h"

#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

namespace fetemark::PropertyList {
namespace {

// Seconds from 1970-01-01 to 2001-01-01, the reference date of property-list dates.
constexpr qint64 ReferenceDateOffset = 978307200;
constexpr int MaxDepth = 256;
// Far more than settings hold, and far fewer levels than overflow libplist's stack.
constexpr qsizetype MaxXmlContainers = 4096;

struct PlistDeleter {
    void operator()(plist_t p) const
    {
        if (p)
            plist_free(p);
    }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

std::optional<QVariant> toVariant(plist_t node, int depth, QString* error);

QVariant stringToVariant(plist_t node)
{
    char* s = nullptr;
    plist_get_string_val(node, &s);
    QString text = QString::fromUtf8(s ? s : "");
    std::free(s);
    return QVariant(text);
}

QVariant dataToVariant(plist_t node)
{
    char* bytes = nullptr;
    uint64_t length = 0;
    plist_get_data_val(node, &bytes, &length);
    QByteArray data(bytes ? bytes : "", static_cast<qsizetype>(length));
    std::free(bytes);
    return QVariant(data);
}

QVariant dateToVariant(plist_t node)
{
    int32_t sec = 0, usec = 0;
    plist_get_date_val(node, &sec, &usec);
    const qint64 ms = (static_cast<qint64>(sec) + ReferenceDateOffset) * 1000 + usec / 1000;
    return QVariant(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC));
}

std::optional<QVariant> arrayToVariant(plist_t node, int depth, QString* error)
{
    QVariantList list;
    const uint32_t n = plist_array_get_size(node);
    for (uint32_t i = 0; i < n; ++i) {
        auto item = toVariant(plist_array_get_item(node, i), depth + 1, error);
        if (!item)
            return std::nullopt;
        list.append(*item);
    }
    return QVariant(list);
}

std::optional<QVariant> dictToVariant(plist_t node, int depth, QString* error)
{
    QVariantMap map;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(node, &it);
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, it, &key, &value);
        if (!value) {
            std::free(key);
            break;
        }
        auto item = toVariant(value, depth + 1, error);
        const QString name = QString::fromUtf8(key ? key : "");
        std::free(key);
        if (!item) {
            std::free(it);
            return std::nullopt;
        }
        map.insert(name, *item);
    }
    std::free(it);
    return QVariant(map);
}

std::optional<QVariant> toVariant(plist_t node, int depth, QString* error)
{
    if (depth > MaxDepth) {
        if (error)
            *error = QStringLiteral("property list nested too deeply");
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t v = 0;
        plist_get_bool_val(node, &v);
        return QVariant(v != 0);
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return QVariant(static_cast<qint64>(v));
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        return QVariant(v);
    }
    case PLIST_STRING:
        return stringToVariant(node);
    case PLIST_DATA:
        return dataToVariant(node);
    case PLIST_DATE:
        return dateToVariant(node);
    case PLIST_ARRAY:
        return arrayToVariant(node, depth, error);
    case PLIST_DICT:
        return dictToVariant(node, depth, error);
    default:
        if (error)
            *error = QStringLiteral("property list holds a value of an unsupported kind");
        return std::nullopt;
    }
}

plist_t fromVariant(const QVariant& value, QString* error)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::Short:
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QString:
        return plist_new_string(value.toString().toUtf8().constData());
    case QMetaType::QByteArray: {
        const QByteArray data = value.toByteArray();
        return plist_new_data(data.constData(), static_cast<uint64_t>(data.size()));
    }
    case QMetaType::QDateTime: {
        const QDateTime moment = value.toDateTime();
        if (!moment.isValid()) {
            if (error)
                *error = QStringLiteral("invalid date");
            return nullptr;
        }
        const qint64 ms = moment.toMSecsSinceEpoch() - ReferenceDateOffset * 1000;
        const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        if (sec < std::numeric_limits<int32_t>::min() ||
            sec > std::numeric_limits<int32_t>::max()) {
            if (error)
                *error = QStringLiteral("date %1 is outside the range a property list can store")
                             .arg(moment.toString(Qt::ISODate));
            return nullptr;
        }
        return plist_new_date(
            static_cast<int32_t>(sec), static_cast<int32_t>((ms - sec * 1000) * 1000));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        plist_t array = plist_new_array();
        for (const QVariant& item : value.toList()) {
            plist_t node = fromVariant(item, error);
            if (!node) {
                plist_free(array);
                return nullptr;
            }
            plist_array_append_item(array, node);
        }
        return array;
    }
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) {
            plist_t node = fromVariant(it.value(), error);
            if (!node) {
                plist_free(dict);
                return nullptr;
            }
            plist_dict_set_item(dict, it.key().toUtf8().constData(), node);
        }
        return dict;
    }
    default:
        if (error)
            *error = QStringLiteral("a value of type %1 cannot be stored in a property list")
                         .arg(QString::fromLatin1(value.typeName() ? value.typeName() : "null"));
        return nullptr;
    }
}

std::optional<QVariant> refuse(const QString& why, QString* error)
{
    if (error)
        *error = QStringLiteral("not a property list: %1").arg(why);
    return std::nullopt;
}

// A binary property list, already checked completely by our own reader, as a QVariant
// tree. Nesting, cycles and what shared references expand to were bounded by the check.
class BinaryToVariant {
public:
    using Node = keyedarchive::BinaryPlist::Node;
    using Type = keyedarchive::PlistNode::Type;

    BinaryToVariant(keyedarchive::BinaryPlist& plist, QString* error)
        : m_plist(plist), m_error(error)
    {
    }

    std::optional<QVariant> value(const Node& node)
    {
        switch (m_plist.type(node)) {
        case Type::Boolean:
            return QVariant(m_plist.boolean(node));
        case Type::Integer:
            return QVariant(static_cast<qint64>(m_plist.integer(node)));
        case Type::Real:
            return QVariant(m_plist.real(node));
        case Type::String:
            return string(node);
        case Type::Data:
            return QVariant(m_plist.data(node));
        case Type::Date:
            return date(node);
        case Type::Array:
        case Type::Dict:
            return container(node);
        case Type::Uid:
            break;
        }
        return refuse(QStringLiteral("it holds a value of an unsupported kind"), m_error);
    }

private:
    // The XML form cannot carry a NUL either, and a string cut short there would be
    // written back shorter without a word.
    std::optional<QVariant> string(const Node& node)
    {
        if (m_plist.stringHasNul(node))
            return refuse(QStringLiteral("a string holds a NUL character"), m_error);
        return QVariant(m_plist.string(node));
    }

    // The check took only dates of 32-bit seconds, which writeXml can store again.
    std::optional<QVariant> date(const Node& node)
    {
        const auto ms = static_cast<qint64>(std::llround(m_plist.real(node) * 1000));
        return QVariant(QDateTime::fromMSecsSinceEpoch(ms + ReferenceDateOffset * 1000, Qt::UTC));
    }

    std::optional<QVariant> container(const Node& node)
    {
        const auto c = m_plist.container(node);
        QVariantList list;
        QVariantMap map;
        for (std::size_t i = 0; i < keyedarchive::BinaryPlist::size(c); ++i) {
            auto item = value(m_plist.item(c, i));
            if (!item)
                return std::nullopt;
            if (m_plist.type(node) == Type::Dict)
                map.insert(m_plist.keyText(c, i), *item);
            else
                list.append(*item);
        }
        return m_plist.type(node) == Type::Dict ? QVariant(map) : QVariant(list);
    }

    keyedarchive::BinaryPlist& m_plist;
    QString* m_error;
};

// libplist's binary reader aborts the process on a UTF-16 string or key holding a NUL
// (its getters assert that the length matches strlen), so binary input goes to our own
// checked reader.
std::optional<QVariant> readBinary(const QByteArray& bytes, QString* error)
{
    QString why;
    auto plist = keyedarchive::BinaryPlist::open(bytes, keyedarchive::kMaxPlistNesting, &why);
    if (!plist)
        return refuse(why, error);
    return BinaryToVariant(*plist, error).value(plist->root());
}

qsizetype occurrences(const QByteArray& bytes, const char* text)
{
    qsizetype n = 0;
    for (qsizetype at = bytes.indexOf(text); at >= 0; at = bytes.indexOf(text, at + 1))
        ++n;
    return n;
}

// The same assertion fires on a NUL inside an XML string. No well-formed XML document
// holds a NUL, so such bytes are refused before libplist sees them. libplist also nests
// without a limit and frees recursively, so a deep enough file overflows the stack; as
// every array and dictionary opens with one of two tags, counting those bounds the depth.
std::optional<QVariant> readXml(const QByteArray& bytes, QString* error)
{
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0)
        return refuse(QStringLiteral("a NUL byte at offset %1").arg(nul), error);
    if (occurrences(bytes, "<array") + occurrences(bytes, "<dict") > MaxXmlContainers)
        return refuse(
            QStringLiteral("more than %1 arrays and dictionaries").arg(MaxXmlContainers), error);
    plist_t root = nullptr;
    plist_from_xml(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    PlistPtr guard(root);
    if (!root) {
        if (error)
            *error = QStringLiteral("not a property list");
        return std::nullopt;
    }
    return toVariant(root, 0, error);
}

} // namespace

std::optional<QVariant> read(const QByteArray& bytes, QString* error)
{
    if (bytes.isEmpty() || bytes.size() > std::numeric_limits<int32_t>::max()) {
        if (error)
            *error =
                bytes.isEmpty() ? QStringLiteral("empty file") : QStringLiteral("file too large");
        return std::nullopt;
    }
    if (bytes.startsWith("bplist"))
        return readBinary(bytes, error);
    return readXml(bytes, error);
}

std::optional<QByteArray> writeXml(const QVariant& value, QString* error)
{
    PlistPtr root(fromVariant(value, error));
    if (!root)
        return std::nullopt;
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    if (!xml) {
        if (error)
            *error = QStringLiteral("the property list could not be serialised");
        return std::nullopt;
    }
    QByteArray out(xml, static_cast<qsizetype>(length));
    plist_to_xml_free(xml);
    return out;
}

} // namespace fetemark::PropertyList
