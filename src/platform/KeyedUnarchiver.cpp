#include "KeyedUnarchiver.h"

#include "KeyedArchiveNames.h"
#include "KeyedArchivePlist.h"

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

class Decoder {
public:
    explicit Decoder(int maxDepth) : m_maxDepth(maxDepth) {}

    std::optional<ArchiveValue> run(const PlistNode& top, QString* error);

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

    static std::optional<std::uint64_t> uidOf(const PlistNode& n);
    std::optional<Decoded> element(const PlistNode& n, int depth);
    std::optional<Decoded> resolve(std::uint64_t uid, int depth);
    std::optional<Decoded> decodeEntry(std::uint64_t uid, int depth);
    std::optional<Decoded> plainScalar(const PlistNode& n);
    std::optional<Decoded> plainContainer(const PlistNode& n, int depth);
    std::optional<Decoded> decodeArray(std::uint64_t uid, const PlistNode& n, int depth);
    std::optional<Decoded> decodeDictionary(std::uint64_t uid, const PlistNode& n, int depth);
    std::optional<Decoded> decodeObject(std::uint64_t uid, const PlistNode& n, QStringList classes, int depth);
    const QStringList* classOf(std::uint64_t uid, const PlistNode& n);
    const PlistNode* scalarField(std::uint64_t uid, const PlistNode& n, const char* key);
    std::optional<QDateTime> dateFromSeconds(double seconds);

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
    template <typename T = Decoded> std::optional<T> failed(const QString& message)
    {
        fail(message);
        return std::nullopt;
    }

    const int m_maxDepth;
    std::vector<const PlistNode*> m_objects;
    std::vector<Slot> m_slots;
    std::unordered_map<std::uint64_t, QStringList> m_classes;
    QString m_error;
};

std::optional<ArchiveValue> Decoder::run(const PlistNode& top, QString* error)
{
    auto finish = [&]() -> std::optional<ArchiveValue> {
        if (error)
            *error = m_error;
        return std::nullopt;
    };
    if (!top.is(PlistNode::Type::Dict)) {
        fail(QStringLiteral("not a keyed archive: the property list is not a dictionary"));
        return finish();
    }
    const PlistNode* objects = top.find(QStringLiteral("$objects"));
    if (!objects) {
        fail(QStringLiteral("not a keyed archive: $objects is missing"));
        return finish();
    }
    if (!objects->is(PlistNode::Type::Array)) {
        fail(QStringLiteral("$objects is not an array"));
        return finish();
    }
    if (objects->items.empty()) {
        fail(QStringLiteral("$objects is empty (it should start with \"$null\")"));
        return finish();
    }
    m_objects.reserve(objects->items.size());
    for (const PlistNode& n : objects->items)
        m_objects.push_back(&n);
    m_slots.resize(objects->items.size());

    const PlistNode* topRefs = top.find(QStringLiteral("$top"));
    if (!topRefs) {
        fail(QStringLiteral("not a keyed archive: $top is missing"));
        return finish();
    }
    if (!topRefs->is(PlistNode::Type::Dict)) {
        fail(QStringLiteral("$top is not a dictionary"));
        return finish();
    }
    const PlistNode* root = topRefs->find(QStringLiteral("root"));
    if (!root && topRefs->items.size() == 1)
        root = &topRefs->items.front();
    if (!root) {
        fail(QStringLiteral("$top has no \"root\" entry"));
        return finish();
    }
    auto decoded = element(*root, 1);
    if (!decoded)
        return finish();
    return std::move(decoded->value);
}

std::optional<std::uint64_t> Decoder::uidOf(const PlistNode& n)
{
    if (n.is(PlistNode::Type::Uid))
        return static_cast<std::uint64_t>(n.integer);
    // XML property lists spell a UID as <dict><key>CF$UID</key><integer>n</integer></dict>.
    if (n.is(PlistNode::Type::Dict) && n.keys.size() == 1 && n.keys.front() == QLatin1String("CF$UID")
        && n.items.front().is(PlistNode::Type::Integer))
        return static_cast<std::uint64_t>(n.items.front().integer);
    return std::nullopt;
}

std::optional<Decoder::Decoded> Decoder::element(const PlistNode& n, int depth)
{
    if (const auto uid = uidOf(n))
        return resolve(*uid, depth);
    if (n.is(PlistNode::Type::Array) || n.is(PlistNode::Type::Dict))
        return plainContainer(n, depth);
    return plainScalar(n);
}

std::optional<Decoder::Decoded> Decoder::resolve(std::uint64_t uid, int depth)
{
    if (uid >= m_objects.size())
        return failed(QStringLiteral("reference to object %1, but $objects has only %2 entries")
                          .arg(uid).arg(m_objects.size()));
    if (uid == 0) // UID 0 is "$null", i.e. nil
        return Decoded{};
    Slot& slot = m_slots[uid];
    switch (slot.state) {
    case Slot::Done:
        // Met again, perhaps deeper down: the whole shared subgraph must still fit.
        if (slot.decoded.height > 0 && !checkDepth(depth + slot.decoded.height - 1))
            return std::nullopt;
        return slot.decoded;
    case Slot::Busy:
        return failed(QStringLiteral("object %1 refers back to itself (cyclic reference)").arg(uid));
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

std::optional<Decoder::Decoded> Decoder::plainScalar(const PlistNode& n)
{
    switch (n.type) {
    case PlistNode::Type::Boolean:
        return Decoded{ArchiveValue::boolean(n.boolean)};
    case PlistNode::Type::Integer:
        return Decoded{ArchiveValue::integer(n.integer)};
    case PlistNode::Type::Real:
        return Decoded{ArchiveValue::real(n.real)};
    case PlistNode::Type::String:
        return Decoded{ArchiveValue::string(n.string)};
    case PlistNode::Type::Data:
        return Decoded{ArchiveValue::data(n.data)};
    case PlistNode::Type::Date: {
        auto dt = dateFromSeconds(n.real);
        if (!dt)
            return std::nullopt;
        return Decoded{ArchiveValue::date(*dt)};
    }
    default:
        return failed(QStringLiteral("unexpected container or reference"));
    }
}

std::optional<Decoder::Decoded> Decoder::plainContainer(const PlistNode& n, int depth)
{
    // Plain plist containers inside an object: kept as arrays and dictionaries, with any
    // references in them resolved.
    if (!checkDepth(depth))
        return std::nullopt;
    int height = 0;
    if (n.is(PlistNode::Type::Array)) {
        auto array = std::make_shared<ArchiveArray>();
        array->items.reserve(n.items.size());
        for (const PlistNode& item : n.items) {
            auto d = element(item, depth + 1);
            if (!d)
                return std::nullopt;
            height = std::max(height, d->height);
            array->items.push_back(std::move(d->value));
        }
        return Decoded{ArchiveValue::array(std::move(array)), height + 1};
    }
    auto dict = std::make_shared<ArchiveDictionary>();
    QSet<QString> seen;
    for (size_t i = 0; i < n.keys.size(); ++i) {
        const QString& key = n.keys[i];
        if (seen.contains(key))
            continue; // the first of duplicate keys wins
        seen.insert(key);
        auto d = element(n.items[i], depth + 1);
        if (!d)
            return std::nullopt;
        height = std::max(height, d->height);
        dict->entries.emplace_back(key, std::move(d->value));
    }
    return Decoded{ArchiveValue::dictionary(std::move(dict)), height + 1};
}

std::optional<Decoder::Decoded> Decoder::decodeEntry(std::uint64_t uid, int depth)
{
    const PlistNode& n = *m_objects[uid];
    if (uidOf(n))
        return failed(QStringLiteral("$objects[%1] is a bare reference, not an object").arg(uid));
    if (n.is(PlistNode::Type::Array))
        return failed(QStringLiteral("$objects[%1] is a plain array, not an archived object").arg(uid));
    if (!n.is(PlistNode::Type::Dict))
        return plainScalar(n);

    const QStringList* classes = classOf(uid, n);
    if (!classes)
        return std::nullopt;
    const QString& name = classes->first();
    if (name == QLatin1String("NSArray") || name == QLatin1String("NSMutableArray"))
        return decodeArray(uid, n, depth);
    if (name == QLatin1String("NSDictionary") || name == QLatin1String("NSMutableDictionary"))
        return decodeDictionary(uid, n, depth);
    if (name == QLatin1String("NSDate")) {
        const PlistNode* time = scalarField(uid, n, "NS.time");
        if (!time)
            return std::nullopt;
        double seconds = 0;
        if (time->is(PlistNode::Type::Real))
            seconds = time->real;
        else if (time->is(PlistNode::Type::Integer))
            seconds = static_cast<double>(time->integer);
        else
            return failed(QStringLiteral("NSDate $objects[%1]: NS.time is not a number").arg(uid));
        auto dt = dateFromSeconds(seconds);
        if (!dt)
            return std::nullopt;
        return Decoded{ArchiveValue::date(*dt)};
    }
    if (name == QLatin1String("NSString") || name == QLatin1String("NSMutableString")) {
        const PlistNode* s = scalarField(uid, n, "NS.string");
        if (!s)
            return std::nullopt;
        if (!s->is(PlistNode::Type::String))
            return failed(QStringLiteral("%1 $objects[%2]: NS.string is not a string").arg(name).arg(uid));
        return Decoded{ArchiveValue::string(s->string)};
    }
    if (name == QLatin1String("NSData") || name == QLatin1String("NSMutableData")) {
        const PlistNode* b = scalarField(uid, n, "NS.bytes");
        if (!b)
            return std::nullopt;
        if (!b->is(PlistNode::Type::Data))
            return failed(QStringLiteral("%1 $objects[%2]: NS.bytes is not data").arg(name).arg(uid));
        return Decoded{ArchiveValue::data(b->data)};
    }
    return decodeObject(uid, n, *classes, depth);
}

const PlistNode* Decoder::scalarField(std::uint64_t uid, const PlistNode& n, const char* key)
{
    const PlistNode* field = n.find(QLatin1String(key));
    if (!field) {
        fail(QStringLiteral("$objects[%1] has no %2").arg(uid).arg(QLatin1String(key)));
        return nullptr;
    }
    const auto ref = uidOf(*field);
    if (!ref)
        return field;
    // Held by reference: follow one step, to a plain value only, so that wrappers cannot
    // chain into deep recursion.
    if (*ref == 0 || *ref >= m_objects.size()) {
        fail(QStringLiteral("$objects[%1]: %2 refers to missing object %3").arg(uid).arg(QLatin1String(key)).arg(*ref));
        return nullptr;
    }
    const PlistNode* target = m_objects[*ref];
    if (target->is(PlistNode::Type::Dict) || target->is(PlistNode::Type::Array) || target->is(PlistNode::Type::Uid)) {
        fail(QStringLiteral("$objects[%1]: %2 refers to $objects[%3], which is not a plain value")
                 .arg(uid).arg(QLatin1String(key)).arg(*ref));
        return nullptr;
    }
    return target;
}

std::optional<Decoder::Decoded> Decoder::decodeArray(std::uint64_t uid, const PlistNode& n, int depth)
{
    if (!checkDepth(depth))
        return std::nullopt;
    const PlistNode* objects = n.find(QStringLiteral("NS.objects"));
    const std::vector<PlistNode>* items = objects && objects->is(PlistNode::Type::Array) ? &objects->items : nullptr;
    if (!items)
        return failed(QStringLiteral("NSArray $objects[%1]: NS.objects is missing or not an array").arg(uid));
    auto array = std::make_shared<ArchiveArray>();
    array->items.reserve(items->size());
    int height = 0;
    for (const PlistNode& item : *items) {
        auto d = element(item, depth + 1);
        if (!d)
            return std::nullopt;
        height = std::max(height, d->height);
        array->items.push_back(std::move(d->value));
    }
    return Decoded{ArchiveValue::array(std::move(array)), height + 1};
}

std::optional<Decoder::Decoded> Decoder::decodeDictionary(std::uint64_t uid, const PlistNode& n, int depth)
{
    if (!checkDepth(depth))
        return std::nullopt;
    const PlistNode* keysNode = n.find(QStringLiteral("NS.keys"));
    const PlistNode* objectsNode = n.find(QStringLiteral("NS.objects"));
    const std::vector<PlistNode>* keys = keysNode && keysNode->is(PlistNode::Type::Array) ? &keysNode->items : nullptr;
    const std::vector<PlistNode>* values = objectsNode && objectsNode->is(PlistNode::Type::Array) ? &objectsNode->items : nullptr;
    if (!keys || !values)
        return failed(QStringLiteral("NSDictionary $objects[%1]: NS.keys or NS.objects is missing or not an array")
                          .arg(uid));
    if (keys->size() != values->size())
        return failed(QStringLiteral("NSDictionary $objects[%1]: %2 keys but %3 values")
                          .arg(uid).arg(keys->size()).arg(values->size()));
    auto dict = std::make_shared<ArchiveDictionary>();
    dict->entries.reserve(keys->size());
    QSet<QString> seen;
    int height = 0;
    for (size_t i = 0; i < keys->size(); ++i) {
        auto key = element((*keys)[i], depth + 1);
        if (!key)
            return std::nullopt;
        const QString* name = key->value.asString();
        if (!name)
            return failed(QStringLiteral("NSDictionary $objects[%1]: key %2 is not a string").arg(uid).arg(i));
        if (seen.contains(*name))
            continue; // the first of duplicate keys wins
        seen.insert(*name);
        auto value = element((*values)[i], depth + 1);
        if (!value)
            return std::nullopt;
        height = std::max(height, value->height);
        dict->entries.emplace_back(*name, std::move(value->value));
    }
    return Decoded{ArchiveValue::dictionary(std::move(dict)), height + 1};
}

std::optional<Decoder::Decoded> Decoder::decodeObject(std::uint64_t uid, const PlistNode& n, QStringList classes,
                                                      int depth)
{
    if (!checkDepth(depth))
        return std::nullopt;
    auto object = std::make_shared<ArchiveObject>();
    object->classes = std::move(classes);
    QSet<QString> seen;
    int height = 0;
    for (size_t i = 0; i < n.keys.size(); ++i) {
        const QString& key = n.keys[i];
        const PlistNode& item = n.items[i];
        if (key == QLatin1String("$class"))
            continue;
        const QString name = key.startsWith(QLatin1String("$$")) ? key.mid(1) : key;
        if (seen.contains(name))
            continue;
        seen.insert(name);
        auto d = element(item, depth + 1);
        if (!d)
            return std::nullopt;
        height = std::max(height, d->height);
        object->fields.emplace_back(name, std::move(d->value));
    }
    return Decoded{ArchiveValue::object(std::move(object)), height + 1};
}

const QStringList* Decoder::classOf(std::uint64_t uid, const PlistNode& n)
{
    const PlistNode* classRef = n.find(QStringLiteral("$class"));
    if (!classRef) {
        fail(QStringLiteral("$objects[%1] is a dictionary without $class").arg(uid));
        return nullptr;
    }
    const auto classUid = uidOf(*classRef);
    if (!classUid) {
        fail(QStringLiteral("$objects[%1]: $class is not a reference").arg(uid));
        return nullptr;
    }
    if (*classUid == 0 || *classUid >= m_objects.size()) {
        fail(QStringLiteral("$objects[%1]: $class refers to missing object %2").arg(uid).arg(*classUid));
        return nullptr;
    }
    if (auto it = m_classes.find(*classUid); it != m_classes.end())
        return &it->second;

    const PlistNode& description = *m_objects[*classUid];
    const PlistNode* className = description.find(QStringLiteral("$classname"));
    if (!className || !className->is(PlistNode::Type::String)) {
        fail(QStringLiteral("$objects[%1]: $class refers to $objects[%2], which is not a class description")
                 .arg(uid).arg(*classUid));
        return nullptr;
    }
    QStringList classes;
    if (const PlistNode* chain = description.find(QStringLiteral("$classes"))) {
        if (!chain->is(PlistNode::Type::Array)) {
            fail(QStringLiteral("class description $objects[%1]: $classes is not an array").arg(*classUid));
            return nullptr;
        }
        for (const PlistNode& c : chain->items) {
            if (!c.is(PlistNode::Type::String)) {
                fail(QStringLiteral("class description $objects[%1]: $classes holds a non-string").arg(*classUid));
                return nullptr;
            }
            classes.append(c.string);
        }
    }
    if (classes.isEmpty() || classes.first() != className->string)
        classes.prepend(className->string);
    return &m_classes.emplace(*classUid, std::move(classes)).first->second;
}

std::optional<QDateTime> Decoder::dateFromSeconds(double seconds)
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
    return unarchive(bytes, Limits{}, error);
}

std::optional<ArchiveValue> KeyedUnarchiver::unarchive(const QByteArray& bytes, const Limits& limits,
                                                       QString* error)
{
    if (bytes.size() > limits.maxBytes) {
        if (error)
            *error = QStringLiteral("archive of %1 bytes exceeds the limit of %2").arg(bytes.size()).arg(limits.maxBytes);
        return std::nullopt;
    }
    QString plistError;
    const auto plist = readPropertyList(bytes, kMaxPlistNesting, &plistError);
    if (!plist) {
        if (error)
            *error = plistError;
        return std::nullopt;
    }
    return Decoder(std::clamp(limits.maxDepth, 1, kDepthCeiling)).run(*plist, error);
}

} // namespace fetemark
