#include "KeyedArchiver.h"

#include "platform/archive/KeyedArchiveBinaryWriter.h"
#include "platform/archive/KeyedArchiveNames.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QHash>
#include <QSet>

#include <array>
#include <cstring>
#include <limits>
#include <map>

namespace fetemark {

using namespace keyedarchive;

namespace {

class Writer {
public:
    std::optional<QByteArray> run(const ArchiveValue& root, QString* error);

private:
    using PlistRef = BinaryPlistWriter::Ref;

    // Where a value went in $objects, and how many container levels it spans (0 for a
    // scalar), so that a shared subgraph met again deeper down is still depth-checked.
    struct Ref {
        std::uint64_t uid = 0;
        int height = 0;
    };
    struct Visit {
        Ref ref;
        bool inProgress = true;
    };
    // Field names seen lately, by where their text lies: the graph is not changed while
    // it is written, so the same characters at the same place are the same name.
    struct KeyCacheSlot {
        const QChar* text = nullptr;
        qsizetype size = -1;
        PlistRef ref = 0;
    };
    // Keys the archive format itself uses, each written once.
    enum class Key {
        Class,
        ClassName,
        Classes,
        NsObjects,
        NsKeys,
        NsTime,
        Root,
        Version,
        Archiver,
        Top,
        Objects,
        Count
    };

    std::optional<Ref> encode(const ArchiveValue& v, int depth);
    std::optional<Ref> encodeContainer(const ArchiveValue& v, int depth);
    bool encodeArray(const ArchiveArray& a, PlistRef node, int depth, int* height);
    bool encodeDictionary(const ArchiveDictionary& d, PlistRef node, int depth, int* height);
    bool encodeObject(const ArchiveObject& o, PlistRef node, int depth, int* height);
    std::optional<std::uint64_t> classUid(const QStringList& classes);
    std::optional<std::uint64_t> foundationClassUid(
        std::optional<std::uint64_t>& cache, const QStringList& classes);
    std::optional<PlistRef> fieldKey(const QString& key);

    PlistRef key(Key k)
    {
        static const char* const names[] = {"$class", "$classname", "$classes", "NS.objects",
            "NS.keys", "NS.time", "root", "$version", "$archiver", "$top", "$objects"};
        PlistRef& slot = m_keys[static_cast<int>(k)];
        if (slot == kNoRef)
            slot = m_plist.string(QString::fromLatin1(names[static_cast<int>(k)]));
        return slot;
    }
    PlistRef uidRef(std::uint64_t uid) { return m_plist.uid(static_cast<std::uint32_t>(uid)); }
    std::uint64_t append(PlistRef node)
    {
        m_objects.push_back(node);
        return m_objects.size() - 1;
    }
    // A scalar's UID from `table`, appending `makeNode()` to $objects on first sight.
    template<typename MakeNode>
    Ref sharedScalar(FlatMap64& table, std::uint64_t key, MakeNode makeNode)
    {
        bool inserted = false;
        std::uint32_t& slot = table.findOrInsert(key, 0, &inserted);
        if (!inserted)
            return Ref {slot, 0};
        const std::uint64_t uid = append(makeNode());
        table.findOrInsert(key, 0, &inserted) = static_cast<std::uint32_t>(uid);
        return Ref {uid, 0};
    }
    std::optional<Ref> stringUid(const QString& s);
    // Strings end at a NUL when read back; refuse rather than lose the rest.
    bool checkText(const QString& s, const char* what)
    {
        if (!s.contains(QChar(0)))
            return true;
        return fail(
            QStringLiteral("%1 \"%2\" contains a NUL character, which a property list cannot hold")
                .arg(QLatin1String(what), s.left(40)));
    }
    bool fail(const QString& message)
    {
        if (m_error.isEmpty())
            m_error = message;
        return false;
    }

    static constexpr PlistRef kNoRef = std::numeric_limits<PlistRef>::max();
    const int m_maxDepth = KeyedUnarchiver::Limits {}.maxDepth;
    BinaryPlistWriter m_plist;
    std::vector<PlistRef> m_objects; // $objects, as plist references
    std::vector<PlistRef> m_scratch; // contents of the containers being written, innermost last
    QString m_error;
    PlistRef m_keys[static_cast<int>(Key::Count)];

    // Scalars already in $objects, by value; strings keep their UID (plus one) with
    // their plist object, in the plist writer's table.
    std::uint64_t m_boolUid[2] = {0, 0};
    FlatMap64 m_integers;
    FlatMap64 m_reals; // by bit pattern
    QHash<QByteArray, std::uint64_t> m_data;
    FlatMap64 m_dates; // by milliseconds
    std::map<QStringList, std::uint64_t> m_classes;
    std::optional<std::uint64_t> m_arrayClass, m_dictionaryClass, m_dateClass;
    StringTable m_fieldKeys; // field name → its escaped key, checked once
    std::array<KeyCacheSlot, 256> m_keyCache;
    FlatMap64 m_visitOf; // container identity → index in m_visits
    std::vector<Visit> m_visits;
    // Duplicate field names: the stamp of the object that last used each key.
    std::vector<std::uint32_t> m_keyStamp;
    std::uint32_t m_stamp = 0;
};

std::optional<QByteArray> Writer::run(const ArchiveValue& root, QString* error)
{
    std::fill(std::begin(m_keys), std::end(m_keys), kNoRef);
    append(m_plist.string(QStringLiteral("$null")));
    auto finish = [&]() -> std::optional<QByteArray> {
        if (error)
            *error = m_error;
        return std::nullopt;
    };
    const auto rootRef = encode(root, 1);
    if (!rootRef)
        return finish();
    if (m_objects.size() > std::numeric_limits<std::uint32_t>::max()) {
        fail(QStringLiteral("graph of %1 objects is too large for an archive")
                 .arg(m_objects.size()));
        return finish();
    }

    const PlistRef topRefs = m_plist.reserveContainer();
    const PlistRef rootPair[] = {key(Key::Root), uidRef(rootRef->uid)};
    m_plist.setDictionary(topRefs, rootPair, 1);
    const PlistRef objects = m_plist.reserveContainer();
    m_plist.setArray(objects, m_objects.data(), m_objects.size());
    const PlistRef top = m_plist.reserveContainer();
    const PlistRef topPairs[] = {key(Key::Version),
        m_plist.integer(static_cast<std::int64_t>(kArchiveVersion)), key(Key::Archiver),
        m_plist.string(QStringLiteral("NSKeyedArchiver")), key(Key::Top), topRefs,
        key(Key::Objects), objects};
    m_plist.setDictionary(top, topPairs, 4);
    auto bytes = m_plist.finish(top);
    if (!bytes) {
        fail(QStringLiteral("graph is too large for a binary property list"));
        return finish();
    }
    return bytes;
}

std::optional<Writer::Ref> Writer::encode(const ArchiveValue& v, int depth)
{
    using Kind = ArchiveValue::Kind;
    // Scalars are written once per distinct value and referenced wherever they recur.
    auto shared = [&](auto& table, const auto& key, auto makeNode) -> std::optional<Ref> {
        auto it = table.find(key);
        if (it != table.end())
            return Ref {*it, 0};
        const std::uint64_t uid = append(makeNode());
        table.insert(key, uid);
        return Ref {uid, 0};
    };
    switch (v.kind()) {
    case Kind::Null:
        return Ref {0, 0};
    case Kind::Boolean: {
        const bool b = *v.asBoolean();
        if (!m_boolUid[b])
            m_boolUid[b] = append(m_plist.boolean(b));
        return Ref {m_boolUid[b], 0};
    }
    case Kind::Integer:
        return sharedScalar(m_integers, static_cast<std::uint64_t>(*v.asInteger()),
            [&] { return m_plist.integer(*v.asInteger()); });
    case Kind::Real: {
        std::uint64_t bits;
        std::memcpy(&bits, v.asReal(), sizeof bits);
        return sharedScalar(m_reals, bits, [&] { return m_plist.real(*v.asReal()); });
    }
    case Kind::String:
        return stringUid(*v.asString());
    case Kind::Data:
        return shared(m_data, *v.asData(), [&] { return m_plist.data(*v.asData()); });
    case Kind::Date: {
        const qint64 ms = v.asDate()->toMSecsSinceEpoch();
        bool fresh = false;
        if (const std::uint32_t uid =
                m_dates.findOrInsert(static_cast<std::uint64_t>(ms), 0, &fresh);
            !fresh)
            return Ref {uid, 0};
        const auto cls = foundationClassUid(m_dateClass, dateClasses());
        if (!cls)
            return std::nullopt;
        const PlistRef node = m_plist.reserveContainer();
        // Milliseconds fit a double exactly; reading multiplies back and rounds.
        const PlistRef pairs[] = {key(Key::NsTime),
            m_plist.real(static_cast<double>(ms - kEpoch2001Ms) / 1000.0), key(Key::Class),
            uidRef(*cls)};
        m_plist.setDictionary(node, pairs, 2);
        const std::uint64_t uid = append(node);
        m_dates.findOrInsert(static_cast<std::uint64_t>(ms), 0, &fresh) =
            static_cast<std::uint32_t>(uid);
        return Ref {uid, 0};
    }
    case Kind::Array:
    case Kind::Dictionary:
    case Kind::Object:
        return encodeContainer(v, depth);
    }
    fail(QStringLiteral("value of unknown kind"));
    return std::nullopt;
}

std::optional<Writer::Ref> Writer::encodeContainer(const ArchiveValue& v, int depth)
{
    const void* id = v.identity();
    if (!id) // a container without storage is nil
        return Ref {0, 0};
    bool fresh = false;
    const std::uint32_t visit = m_visitOf.findOrInsert(
        reinterpret_cast<std::uintptr_t>(id), static_cast<std::uint32_t>(m_visits.size()), &fresh);
    if (!fresh) {
        const Visit& seen = m_visits[visit];
        if (seen.inProgress) {
            fail(QStringLiteral(
                "graph contains a cycle: an array, dictionary or object contains itself"));
            return std::nullopt;
        }
        if (depth + seen.ref.height - 1 > m_maxDepth) {
            fail(QStringLiteral("graph nests deeper than %1 levels").arg(m_maxDepth));
            return std::nullopt;
        }
        return seen.ref;
    }
    m_visits.push_back(Visit {});
    if (depth > m_maxDepth) {
        fail(QStringLiteral("graph nests deeper than %1 levels").arg(m_maxDepth));
        return std::nullopt;
    }
    // The node takes its place before its contents, as the platform's archiver does.
    const PlistRef node = m_plist.reserveContainer();
    const std::uint64_t uid = append(node);
    int height = 0;
    bool ok = false;
    if (const ArchiveArray* a = v.asArray())
        ok = encodeArray(*a, node, depth, &height);
    else if (const ArchiveDictionary* d = v.asDictionary())
        ok = encodeDictionary(*d, node, depth, &height);
    else
        ok = encodeObject(*v.asObject(), node, depth, &height);
    if (!ok)
        return std::nullopt; // the archive is abandoned: its bookkeeping no longer matters
    const Ref ref {uid, height + 1};
    m_visits[visit] = Visit {ref, false};
    return ref;
}

bool Writer::encodeArray(const ArchiveArray& a, PlistRef node, int depth, int* height)
{
    const std::size_t base = m_scratch.size();
    for (const ArchiveValue& item : a.items) {
        const auto ref = encode(item, depth + 1);
        if (!ref)
            return false;
        *height = std::max(*height, ref->height);
        m_scratch.push_back(uidRef(ref->uid));
    }
    const auto cls = foundationClassUid(m_arrayClass, arrayClasses());
    if (!cls)
        return false;
    const PlistRef items = m_plist.reserveContainer();
    m_plist.setArray(items, m_scratch.data() + base, m_scratch.size() - base);
    m_scratch.resize(base);
    const PlistRef pairs[] = {key(Key::NsObjects), items, key(Key::Class), uidRef(*cls)};
    m_plist.setDictionary(node, pairs, 2);
    return true;
}

bool Writer::encodeDictionary(const ArchiveDictionary& d, PlistRef node, int depth, int* height)
{
    // Keys, then values, each as a run of references in the scratch space.
    const std::size_t base = m_scratch.size();
    const std::size_t n = d.entries.size();
    m_scratch.resize(base + 2 * n);
    QSet<QString> seen;
    for (std::size_t i = 0; i < n; ++i) {
        const auto& [key, value] = d.entries[i];
        // The reader keeps the first of two equal keys; refuse rather than lose one.
        if (seen.contains(key))
            return fail(QStringLiteral("dictionary key \"%1\" appears twice").arg(key.left(40)));
        seen.insert(key);
        const auto keyRef = encode(ArchiveValue::string(key), depth + 1);
        if (!keyRef)
            return false;
        const auto valueRef = encode(value, depth + 1);
        if (!valueRef)
            return false;
        *height = std::max(*height, valueRef->height);
        m_scratch[base + i] = uidRef(keyRef->uid);
        m_scratch[base + n + i] = uidRef(valueRef->uid);
    }
    const auto cls = foundationClassUid(m_dictionaryClass, dictionaryClasses());
    if (!cls)
        return false;
    const PlistRef keys = m_plist.reserveContainer();
    m_plist.setArray(keys, m_scratch.data() + base, n);
    const PlistRef values = m_plist.reserveContainer();
    m_plist.setArray(values, m_scratch.data() + base + n, n);
    m_scratch.resize(base);
    const PlistRef pairs[] = {
        key(Key::NsKeys), keys, key(Key::NsObjects), values, key(Key::Class), uidRef(*cls)};
    m_plist.setDictionary(node, pairs, 3);
    return true;
}

std::optional<Writer::PlistRef> Writer::fieldKey(const QString& key)
{
    KeyCacheSlot& cached =
        m_keyCache[(reinterpret_cast<std::uintptr_t>(key.constData()) / sizeof(QChar) ^
                       std::size_t(key.size())) %
            m_keyCache.size()];
    if (cached.text == key.constData() && cached.size == key.size())
        return cached.ref;
    const std::uint64_t hash = hashText(key);
    PlistRef ref;
    if (const StringTable::Entry* e = m_fieldKeys.find(key, hash)) {
        ref = e->first;
    } else {
        if (!checkText(key, "field name"))
            return std::nullopt;
        ref = m_plist.string(escapeFieldName(key));
        m_fieldKeys.add(key, hash, ref, 0);
    }
    cached = KeyCacheSlot {key.constData(), key.size(), ref};
    return ref;
}

std::optional<Writer::Ref> Writer::stringUid(const QString& s)
{
    const std::uint64_t hash = hashText(s);
    StringTable::Entry* e = m_plist.findString(s, hash);
    if (e && e->second)
        return Ref {e->second - 1u, 0};
    // Every string in the table passed this check on its way in.
    if (!e && !checkText(s, "string"))
        return std::nullopt;
    if (!e)
        e = &m_plist.addString(s, hash);
    const std::uint64_t uid = append(e->first);
    e->second = static_cast<std::uint32_t>(uid + 1);
    return Ref {uid, 0};
}

bool Writer::encodeObject(const ArchiveObject& o, PlistRef node, int depth, int* height)
{
    if (o.classes.isEmpty())
        return fail(QStringLiteral("object without a class name"));
    if (isFoundationClass(o.classes.first()))
        return fail(QStringLiteral("class name %1 is reserved for the value kind it names")
                        .arg(o.classes.first()));
    // Keys first: equal names get equal references, so duplicates show as a repeated
    // stamp. Values are written after, since writing them stamps nested objects' keys.
    const std::size_t base = m_scratch.size();
    const std::size_t n = o.fields.size();
    m_scratch.resize(base + 2 * (n + 1));
    const std::uint32_t stamp = ++m_stamp;
    for (std::size_t i = 0; i < n; ++i) {
        const QString& name = o.fields[i].first;
        const auto keyRef = fieldKey(name);
        if (!keyRef)
            return false;
        if (*keyRef >= m_keyStamp.size())
            m_keyStamp.resize(
                std::max<std::size_t>(std::size_t(*keyRef) + 1, 2 * m_keyStamp.size()), 0);
        if (m_keyStamp[*keyRef] == stamp)
            return fail(QStringLiteral("object field \"%1\" appears twice").arg(name.left(40)));
        m_keyStamp[*keyRef] = stamp;
        m_scratch[base + 2 * i] = *keyRef;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const ArchiveValue& value = o.fields[i].second;
        PlistRef item;
        // Booleans and numbers go inline, as encodeBool:/encodeInt:/encodeDouble: write
        // them; anything else (nil included) by reference, as encodeObject: does.
        if (const bool* b = value.asBoolean()) {
            item = m_plist.boolean(*b);
        } else if (const std::int64_t* v = value.asInteger()) {
            item = m_plist.integer(*v);
        } else if (const double* r = value.asReal()) {
            item = m_plist.real(*r);
        } else {
            const auto ref = encode(value, depth + 1);
            if (!ref)
                return false;
            *height = std::max(*height, ref->height);
            item = uidRef(ref->uid);
        }
        m_scratch[base + 2 * i + 1] = item;
    }
    const auto cls = classUid(o.classes);
    if (!cls)
        return false;
    m_scratch[base + 2 * n] = key(Key::Class);
    m_scratch[base + 2 * n + 1] = uidRef(*cls);
    m_plist.setDictionary(node, m_scratch.data() + base, n + 1);
    m_scratch.resize(base);
    return true;
}

std::optional<std::uint64_t> Writer::foundationClassUid(
    std::optional<std::uint64_t>& cache, const QStringList& classes)
{
    if (!cache)
        cache = classUid(classes);
    return cache;
}

std::optional<std::uint64_t> Writer::classUid(const QStringList& classes)
{
    if (auto it = m_classes.find(classes); it != m_classes.end())
        return it->second;
    const std::size_t base = m_scratch.size();
    for (const QString& c : classes) {
        if (!checkText(c, "class name"))
            return std::nullopt;
        m_scratch.push_back(m_plist.string(c));
    }
    const PlistRef names = m_plist.reserveContainer();
    m_plist.setArray(names, m_scratch.data() + base, m_scratch.size() - base);
    m_scratch.resize(base);
    const PlistRef node = m_plist.reserveContainer();
    const PlistRef pairs[] = {
        key(Key::ClassName), m_plist.string(classes.first()), key(Key::Classes), names};
    m_plist.setDictionary(node, pairs, 2);
    const std::uint64_t uid = append(node);
    m_classes.emplace(classes, uid);
    return uid;
}

} // namespace

std::optional<QByteArray> KeyedArchiver::archivedData(const ArchiveValue& root, QString* error)
{
    return Writer().run(root, error);
}

} // namespace fetemark
