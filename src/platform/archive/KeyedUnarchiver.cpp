#include "KeyedUnarchiver.h"

#include "platform/archive/KeyedArchiveNames.h"
#include "platform/archive/KeyedArchivePlist.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace fetemark {

using namespace keyedarchive;

namespace {

// Decoding recurses once per level of the object graph; whatever the caller allows, it
// stays within a thread's ordinary stack.
constexpr int kDepthCeiling = 1024;

// NSDate times beyond this (about 31,000 years either way) are refused as damage.
constexpr double kMaxDateSeconds = 1e12;

// An XML plist's tree, seen through the same calls as a BinaryPlist.
class XmlTree {
public:
    using Node = const PlistNode*;
    using Container = const PlistNode*;
    static constexpr std::uint32_t kNoMemo = BinaryPlist::kNoMemo;

    static bool valid(Node n) { return n != nullptr; }
    static PlistNode::Type type(Node n) { return n->type; }
    static bool boolean(Node n) { return n->boolean; }
    static std::int64_t integer(Node n) { return n->integer; }
    static double real(Node n) { return n->real; }
    static QString string(Node n) { return n->string; }
    static QByteArray data(Node n) { return n->data; }
    static Container container(Node n) { return n; }
    static std::size_t size(Container c) { return c->items.size(); }
    static Node item(Container c, std::size_t i) { return &c->items[i]; }
    static const QString& keyText(Container c, std::size_t i) { return c->keys[i]; }
    static PlistKey keyName(Container c, std::size_t i) { return plistKeyOf(c->keys[i]); }
    static std::uint32_t keyMemo(Container, std::size_t) { return kNoMemo; }
    static Node find(Node dict, PlistKey key)
    {
        return dict->find(QLatin1String(plistKeyText(key)));
    }
};

template<typename Source> class Decoder {
public:
    using Node = typename Source::Node;
    using Container = typename Source::Container;
    using Type = PlistNode::Type;

    Decoder(Source& source, int maxDepth) : m_src(source), m_maxDepth(maxDepth) { }

    std::optional<ArchiveValue> run(const Node& top, QString* error);

private:
    // A decoded value and the number of container levels it spans (0 for scalars).
    struct Decoded {
        ArchiveValue value;
        int height = 0;
    };
    struct Slot {
        enum State : std::uint8_t { Fresh, Busy, Done } state = Fresh;
        Decoded decoded;
    };
    enum class ClassKind : std::uint8_t { Array, Dictionary, Date, String, Data, Other };
    struct ClassInfo {
        QStringList classes;
        ClassKind kind = ClassKind::Other;
    };
    // An object field's key as the object sees it: "$class" is not a field, "$$x" is
    // the field "$x". Equal names get equal ids.
    struct FieldName {
        QString name;
        std::uint32_t id = 0;
        bool isClass = false;
        bool known = false;
    };

    std::optional<std::uint64_t> uidOf(const Node& n);
    std::optional<Decoded> element(const Node& n, int depth);
    std::optional<Decoded> resolve(std::uint64_t uid, int depth);
    std::optional<Decoded> decodeEntry(std::uint64_t uid, int depth);
    std::optional<Decoded> plainScalar(const Node& n);
    std::optional<Decoded> plainContainer(const Node& n, int depth);
    std::optional<Decoded> decodeArray(std::uint64_t uid, const Node& n, int depth);
    std::optional<Decoded> decodeDictionary(std::uint64_t uid, const Node& n, int depth);
    std::optional<Decoded> decodeObject(const Node& n, const QStringList& classes, int depth);
    const ClassInfo* classOf(std::uint64_t uid, const Node& n);
    std::optional<Node> scalarField(std::uint64_t uid, const Node& n, PlistKey key);
    std::optional<QDateTime> dateFromSeconds(double seconds);
    const FieldName& fieldName(const Container& c, std::size_t i);

    bool checkDepth(int depth)
    {
        if (depth <= m_maxDepth)
            return true;
        return fail(QStringLiteral("object graph nests deeper than %1 levels").arg(m_maxDepth));
    }
    bool fail(const QString& message)
    {
        if (m_error.isEmpty())
            m_error = message;
        return false;
    }
    template<typename T = Decoded> std::optional<T> failed(const QString& message)
    {
        fail(message);
        return std::nullopt;
    }
    bool is(const Node& n, Type t) const { return Source::valid(n) && m_src.type(n) == t; }

    Source& m_src;
    const int m_maxDepth;
    std::vector<Node> m_objects;
    std::vector<Slot> m_slots;
    std::unordered_map<std::uint64_t, ClassInfo> m_classes;
    QString m_error;

    std::vector<FieldName> m_fieldNames; // by the source's key memo number
    FieldName m_unmemoised;
    QHash<QString, std::uint32_t> m_fieldIds;
    // Which field ids the object being read has seen: the stamp of the last object to
    // use each, and the fields each object keeps, innermost object last.
    std::vector<std::uint32_t> m_fieldStamp;
    std::uint32_t m_stamp = 0;
    std::vector<std::uint32_t> m_kept;
};

template<typename Source>
std::optional<ArchiveValue> Decoder<Source>::run(const Node& top, QString* error)
{
    auto finish = [&]() -> std::optional<ArchiveValue> {
        if (error)
            *error = m_error;
        return std::nullopt;
    };
    if (!is(top, Type::Dict)) {
        fail(QStringLiteral("not a keyed archive: the property list is not a dictionary"));
        return finish();
    }
    const Node objects = m_src.find(top, PlistKey::Objects);
    if (!Source::valid(objects)) {
        fail(QStringLiteral("not a keyed archive: $objects is missing"));
        return finish();
    }
    if (!is(objects, Type::Array)) {
        fail(QStringLiteral("$objects is not an array"));
        return finish();
    }
    const Container items = m_src.container(objects);
    const std::size_t count = m_src.size(items);
    if (count == 0) {
        fail(QStringLiteral("$objects is empty (it should start with \"$null\")"));
        return finish();
    }
    m_objects.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        m_objects.push_back(m_src.item(items, i));
    m_slots.resize(count);

    const Node topRefs = m_src.find(top, PlistKey::Top);
    if (!Source::valid(topRefs)) {
        fail(QStringLiteral("not a keyed archive: $top is missing"));
        return finish();
    }
    if (!is(topRefs, Type::Dict)) {
        fail(QStringLiteral("$top is not a dictionary"));
        return finish();
    }
    Node root = m_src.find(topRefs, PlistKey::Root);
    if (!Source::valid(root)) {
        const Container entries = m_src.container(topRefs);
        if (m_src.size(entries) == 1)
            root = m_src.item(entries, 0);
    }
    if (!Source::valid(root)) {
        fail(QStringLiteral("$top has no \"root\" entry"));
        return finish();
    }
    auto decoded = element(root, 1);
    if (!decoded)
        return finish();
    return std::move(decoded->value);
}

template<typename Source> std::optional<std::uint64_t> Decoder<Source>::uidOf(const Node& n)
{
    if (!Source::valid(n))
        return std::nullopt;
    const Type type = m_src.type(n);
    if (type == Type::Uid)
        return static_cast<std::uint64_t>(m_src.integer(n));
    // XML property lists spell a UID as <dict><key>CF$UID</key><integer>n</integer></dict>.
    if (type == Type::Dict) {
        const Container c = m_src.container(n);
        if (m_src.size(c) == 1 && m_src.keyName(c, 0) == PlistKey::CfUid) {
            const Node value = m_src.item(c, 0);
            if (is(value, Type::Integer))
                return static_cast<std::uint64_t>(m_src.integer(value));
        }
    }
    return std::nullopt;
}

template<typename Source>
std::optional<typename Decoder<Source>::Decoded> Decoder<Source>::element(const Node& n, int depth)
{
    if (const auto uid = uidOf(n))
        return resolve(*uid, depth);
    if (is(n, Type::Array) || is(n, Type::Dict))
        return plainContainer(n, depth);
    return plainScalar(n);
}

template<typename Source>
std::optional<typename Decoder<Source>::Decoded> Decoder<Source>::resolve(
    std::uint64_t uid, int depth)
{
    if (uid >= m_objects.size())
        return failed(QStringLiteral("reference to object %1, but $objects has only %2 entries")
                          .arg(uid)
                          .arg(m_objects.size()));
    if (uid == 0) // UID 0 is "$null", i.e. nil
        return Decoded {};
    Slot& slot = m_slots[uid];
    switch (slot.state) {
    case Slot::Done:
        // Met again, perhaps deeper down: the whole shared subgraph must still fit.
        if (slot.decoded.height > 0 && !checkDepth(depth + slot.decoded.height - 1))
            return std::nullopt;
        return slot.decoded;
    case Slot::Busy:
        return failed(
            QStringLiteral("object %1 refers back to itself (cyclic reference)").arg(uid));
    case Slot::Fresh:
        break;
    }
    slot.state = Slot::Busy;
    auto decoded = decodeEntry(uid, depth);
    if (!decoded)
        return std::nullopt;
    Slot& done = m_slots[uid];
    done.state = Slot::Done;
    done.decoded = *decoded;
    return decoded;
}

template<typename Source>
std::optional<typename Decoder<Source>::Decoded> Decoder<Source>::plainScalar(const Node& n)
{
    if (!Source::valid(n))
        return failed(QStringLiteral("unexpected container or reference"));
    switch (m_src.type(n)) {
    case Type::Boolean:
        return Decoded {ArchiveValue::boolean(m_src.boolean(n))};
    case Type::Integer:
        return Decoded {ArchiveValue::integer(m_src.integer(n))};
    case Type::Real:
        return Decoded {ArchiveValue::real(m_src.real(n))};
    case Type::String:
        return Decoded {ArchiveValue::string(m_src.string(n))};
    case Type::Data:
        return Decoded {ArchiveValue::data(m_src.data(n))};
    case Type::Date: {
        auto dt = dateFromSeconds(m_src.real(n));
        if (!dt)
            return std::nullopt;
        return Decoded {ArchiveValue::date(*dt)};
    }
    default:
        return failed(QStringLiteral("unexpected container or reference"));
    }
}

template<typename Source>
std::optional<typename Decoder<Source>::Decoded> Decoder<Source>::plainContainer(
    const Node& n, int depth)
{
    // Plain plist containers inside an object: kept as arrays and dictionaries, with any
    // references in them resolved.
    if (!checkDepth(depth))
        return std::nullopt;
    int height = 0;
    const Container c = m_src.container(n);
    const std::size_t count = m_src.size(c);
    if (is(n, Type::Array)) {
        auto array = std::make_shared<ArchiveArray>();
        array->items.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            auto d = element(m_src.item(c, i), depth + 1);
            if (!d)
                return std::nullopt;
            height = std::max(height, d->height);
            array->items.push_back(std::move(d->value));
        }
        return Decoded {ArchiveValue::array(std::move(array)), height + 1};
    }
    auto dict = std::make_shared<ArchiveDictionary>();
    QSet<QString> seen;
    for (std::size_t i = 0; i < count; ++i) {
        const QString key = m_src.keyText(c, i);
        if (seen.contains(key))
            continue; // the first of duplicate keys wins
        seen.insert(key);
        auto d = element(m_src.item(c, i), depth + 1);
        if (!d)
            return std::nullopt;
        height = std::max(height, d->height);
        dict->entries.emplace_back(key, std::move(d->value));
    }
    return Decoded {ArchiveValue::dictionary(std::move(dict)), height + 1};
}

template<typename Source>
std::optional<typename Decoder<Source>::Decoded> Decoder<Source>::decodeEntry(
    std::uint64_t uid, int depth)
{
    const Node n = m_objects[uid];
    if (uidOf(n))
        return failed(QStringLiteral("$objects[%1] is a bare reference, not an object").arg(uid));
    if (is(n, Type::Array))
        return failed(
            QStringLiteral("$objects[%1] is a plain array, not an archived object").arg(uid));
    if (!is(n, Type::Dict))
        return plainScalar(n);

    const ClassInfo* info = classOf(uid, n);
    if (!info)
        return std::nullopt;
    const QString& name = info->classes.first();
    switch (info->kind) {
    case ClassKind::Array:
        return decodeArray(uid, n, depth);
    case ClassKind::Dictionary:
        return decodeDictionary(uid, n, depth);
    case ClassKind::Date: {
        const auto time = scalarField(uid, n, PlistKey::NsTime);
        if (!time)
            return std::nullopt;
        double seconds = 0;
        if (is(*time, Type::Real))
            seconds = m_src.real(*time);
        else if (is(*time, Type::Integer))
            seconds = static_cast<double>(m_src.integer(*time));
        else
            return failed(QStringLiteral("NSDate $objects[%1]: NS.time is not a number").arg(uid));
        auto dt = dateFromSeconds(seconds);
        if (!dt)
            return std::nullopt;
        return Decoded {ArchiveValue::date(*dt)};
    }
    case ClassKind::String: {
        const auto s = scalarField(uid, n, PlistKey::NsString);
        if (!s)
            return std::nullopt;
        if (!is(*s, Type::String))
            return failed(
                QStringLiteral("%1 $objects[%2]: NS.string is not a string").arg(name).arg(uid));
        return Decoded {ArchiveValue::string(m_src.string(*s))};
    }
    case ClassKind::Data: {
        const auto b = scalarField(uid, n, PlistKey::NsBytes);
        if (!b)
            return std::nullopt;
        if (!is(*b, Type::Data))
            return failed(
                QStringLiteral("%1 $objects[%2]: NS.bytes is not data").arg(name).arg(uid));
        return Decoded {ArchiveValue::data(m_src.data(*b))};
    }
    case ClassKind::Other:
        break;
    }
    return decodeObject(n, info->classes, depth);
}

template<typename Source>
std::optional<typename Decoder<Source>::Node> Decoder<Source>::scalarField(
    std::uint64_t uid, const Node& n, PlistKey key)
{
    const QLatin1String keyText(plistKeyText(key));
    const Node field = m_src.find(n, key);
    if (!Source::valid(field))
        return failed<Node>(QStringLiteral("$objects[%1] has no %2").arg(uid).arg(keyText));
    const auto ref = uidOf(field);
    if (!ref)
        return field;
    // Held by reference: follow one step, to a plain value only, so that wrappers cannot
    // chain into deep recursion.
    if (*ref == 0 || *ref >= m_objects.size())
        return failed<Node>(QStringLiteral("$objects[%1]: %2 refers to missing object %3")
                                .arg(uid)
                                .arg(keyText)
                                .arg(*ref));
    const Node target = m_objects[*ref];
    if (!Source::valid(target) || is(target, Type::Dict) || is(target, Type::Array) ||
        is(target, Type::Uid))
        return failed<Node>(
            QStringLiteral("$objects[%1]: %2 refers to $objects[%3], which is not a plain value")
                .arg(uid)
                .arg(keyText)
                .arg(*ref));
    return target;
}

template<typename Source>
std::optional<typename Decoder<Source>::Decoded> Decoder<Source>::decodeArray(
    std::uint64_t uid, const Node& n, int depth)
{
    if (!checkDepth(depth))
        return std::nullopt;
    const Node objects = m_src.find(n, PlistKey::NsObjects);
    if (!is(objects, Type::Array))
        return failed(
            QStringLiteral("NSArray $objects[%1]: NS.objects is missing or not an array").arg(uid));
    const Container items = m_src.container(objects);
    const std::size_t count = m_src.size(items);
    auto array = std::make_shared<ArchiveArray>();
    array->items.reserve(count);
    int height = 0;
    for (std::size_t i = 0; i < count; ++i) {
        auto d = element(m_src.item(items, i), depth + 1);
        if (!d)
            return std::nullopt;
        height = std::max(height, d->height);
        array->items.push_back(std::move(d->value));
    }
    return Decoded {ArchiveValue::array(std::move(array)), height + 1};
}

template<typename Source>
std::optional<typename Decoder<Source>::Decoded> Decoder<Source>::decodeDictionary(
    std::uint64_t uid, const Node& n, int depth)
{
    if (!checkDepth(depth))
        return std::nullopt;
    const Node keysNode = m_src.find(n, PlistKey::NsKeys);
    const Node objectsNode = m_src.find(n, PlistKey::NsObjects);
    if (!is(keysNode, Type::Array) || !is(objectsNode, Type::Array))
        return failed(QStringLiteral(
            "NSDictionary $objects[%1]: NS.keys or NS.objects is missing or not an array")
                          .arg(uid));
    const Container keys = m_src.container(keysNode);
    const Container values = m_src.container(objectsNode);
    const std::size_t count = m_src.size(keys);
    if (count != m_src.size(values))
        return failed(QStringLiteral("NSDictionary $objects[%1]: %2 keys but %3 values")
                          .arg(uid)
                          .arg(count)
                          .arg(m_src.size(values)));
    auto dict = std::make_shared<ArchiveDictionary>();
    dict->entries.reserve(count);
    QSet<QString> seen;
    int height = 0;
    for (std::size_t i = 0; i < count; ++i) {
        auto key = element(m_src.item(keys, i), depth + 1);
        if (!key)
            return std::nullopt;
        const QString* name = key->value.asString();
        if (!name)
            return failed(QStringLiteral("NSDictionary $objects[%1]: key %2 is not a string")
                              .arg(uid)
                              .arg(i));
        if (seen.contains(*name))
            continue; // the first of duplicate keys wins
        seen.insert(*name);
        auto value = element(m_src.item(values, i), depth + 1);
        if (!value)
            return std::nullopt;
        height = std::max(height, value->height);
        dict->entries.emplace_back(*name, std::move(value->value));
    }
    return Decoded {ArchiveValue::dictionary(std::move(dict)), height + 1};
}

template<typename Source>
const typename Decoder<Source>::FieldName& Decoder<Source>::fieldName(
    const Container& c, std::size_t i)
{
    const std::uint32_t memo = m_src.keyMemo(c, i);
    FieldName* slot = &m_unmemoised;
    if (memo != Source::kNoMemo) {
        if (memo >= m_fieldNames.size())
            m_fieldNames.resize(
                std::max<std::size_t>(std::size_t(memo) + 1, 2 * m_fieldNames.size()));
        slot = &m_fieldNames[memo];
        if (slot->known)
            return *slot;
    }
    const QString& key = m_src.keyText(c, i);
    slot->isClass = key == QLatin1String("$class");
    slot->name = key.startsWith(QLatin1String("$$")) ? key.mid(1) : key;
    auto id = m_fieldIds.constFind(slot->name);
    if (id == m_fieldIds.constEnd())
        id = m_fieldIds.insert(slot->name, static_cast<std::uint32_t>(m_fieldIds.size()));
    slot->id = *id;
    if (static_cast<std::size_t>(m_fieldIds.size()) > m_fieldStamp.size())
        m_fieldStamp.resize(2 * m_fieldIds.size(), 0);
    slot->known = true;
    return *slot;
}

template<typename Source>
std::optional<typename Decoder<Source>::Decoded> Decoder<Source>::decodeObject(
    const Node& n, const QStringList& classes, int depth)
{
    if (!checkDepth(depth))
        return std::nullopt;
    const Container c = m_src.container(n);
    const std::size_t count = m_src.size(c);
    // Which keys make fields: not "$class", and the first of equal names only. Settled
    // before any value is read, since reading values reads nested objects' keys too.
    const std::size_t base = m_kept.size();
    const std::uint32_t stamp = ++m_stamp;
    for (std::size_t i = 0; i < count; ++i) {
        const FieldName& f = fieldName(c, i);
        if (f.isClass || m_fieldStamp[f.id] == stamp)
            continue;
        m_fieldStamp[f.id] = stamp;
        m_kept.push_back(static_cast<std::uint32_t>(i));
    }
    auto object = std::make_shared<ArchiveObject>();
    object->classes = classes;
    object->fields.reserve(m_kept.size() - base);
    int height = 0;
    for (std::size_t k = base; k < m_kept.size(); ++k) {
        const std::size_t i = m_kept[k];
        auto d = element(m_src.item(c, i), depth + 1);
        if (!d) {
            m_kept.resize(base);
            return std::nullopt;
        }
        height = std::max(height, d->height);
        object->fields.emplace_back(fieldName(c, i).name, std::move(d->value));
    }
    m_kept.resize(base);
    return Decoded {ArchiveValue::object(std::move(object)), height + 1};
}

template<typename Source>
const typename Decoder<Source>::ClassInfo* Decoder<Source>::classOf(
    std::uint64_t uid, const Node& n)
{
    const Node classRef = m_src.find(n, PlistKey::Class);
    if (!Source::valid(classRef)) {
        fail(QStringLiteral("$objects[%1] is a dictionary without $class").arg(uid));
        return nullptr;
    }
    const auto classUid = uidOf(classRef);
    if (!classUid) {
        fail(QStringLiteral("$objects[%1]: $class is not a reference").arg(uid));
        return nullptr;
    }
    if (*classUid == 0 || *classUid >= m_objects.size()) {
        fail(QStringLiteral("$objects[%1]: $class refers to missing object %2")
                 .arg(uid)
                 .arg(*classUid));
        return nullptr;
    }
    if (auto it = m_classes.find(*classUid); it != m_classes.end())
        return &it->second;

    const Node description = m_objects[*classUid];
    const Node className =
        is(description, Type::Dict) ? m_src.find(description, PlistKey::ClassName) : Node {};
    if (!is(className, Type::String)) {
        fail(QStringLiteral(
            "$objects[%1]: $class refers to $objects[%2], which is not a class description")
                 .arg(uid)
                 .arg(*classUid));
        return nullptr;
    }
    QStringList classes;
    const Node chain = m_src.find(description, PlistKey::Classes);
    if (Source::valid(chain)) {
        if (!is(chain, Type::Array)) {
            fail(QStringLiteral("class description $objects[%1]: $classes is not an array")
                     .arg(*classUid));
            return nullptr;
        }
        const Container names = m_src.container(chain);
        for (std::size_t i = 0; i < m_src.size(names); ++i) {
            const Node c = m_src.item(names, i);
            if (!is(c, Type::String)) {
                fail(QStringLiteral("class description $objects[%1]: $classes holds a non-string")
                         .arg(*classUid));
                return nullptr;
            }
            classes.append(m_src.string(c));
        }
    }
    const QString name = m_src.string(className);
    if (classes.isEmpty() || classes.first() != name)
        classes.prepend(name);
    ClassInfo info;
    if (name == QLatin1String("NSArray") || name == QLatin1String("NSMutableArray"))
        info.kind = ClassKind::Array;
    else if (name == QLatin1String("NSDictionary") || name == QLatin1String("NSMutableDictionary"))
        info.kind = ClassKind::Dictionary;
    else if (name == QLatin1String("NSDate"))
        info.kind = ClassKind::Date;
    else if (name == QLatin1String("NSString") || name == QLatin1String("NSMutableString"))
        info.kind = ClassKind::String;
    else if (name == QLatin1String("NSData") || name == QLatin1String("NSMutableData"))
        info.kind = ClassKind::Data;
    info.classes = std::move(classes);
    return &m_classes.emplace(*classUid, std::move(info)).first->second;
}

template<typename Source> std::optional<QDateTime> Decoder<Source>::dateFromSeconds(double seconds)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > kMaxDateSeconds) {
        fail(QStringLiteral("date of %1 seconds after 2001 is out of range").arg(seconds));
        return std::nullopt;
    }
    const qint64 ms = std::llround(seconds * 1000.0) + kEpoch2001Ms;
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

} // namespace

std::optional<ArchiveValue> KeyedUnarchiver::unarchive(const QByteArray& bytes, QString* error)
{
    return unarchive(bytes, Limits {}, error);
}

std::optional<ArchiveValue> KeyedUnarchiver::unarchive(
    const QByteArray& bytes, const Limits& limits, QString* error)
{
    if (bytes.size() > limits.maxBytes) {
        if (error)
            *error = QStringLiteral("archive of %1 bytes exceeds the limit of %2")
                         .arg(bytes.size())
                         .arg(limits.maxBytes);
        return std::nullopt;
    }
    const int maxDepth = std::clamp(limits.maxDepth, 1, kDepthCeiling);
    QString plistError;
    if (bytes.startsWith("bplist")) {
        auto plist = BinaryPlist::open(bytes, kMaxPlistNesting, &plistError);
        if (!plist) {
            if (error)
                *error = plistError;
            return std::nullopt;
        }
        return Decoder<BinaryPlist>(*plist, maxDepth).run(plist->root(), error);
    }
    const auto tree = readXmlPropertyList(bytes, kMaxPlistNesting, &plistError);
    if (!tree) {
        if (error)
            *error = plistError;
        return std::nullopt;
    }
    XmlTree source;
    return Decoder<XmlTree>(source, maxDepth).run(&*tree, error);
}

} // namespace fetemark
