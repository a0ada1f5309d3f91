#include "KeyedArchiver.h"

#include "KeyedArchiveNames.h"
#include "KeyedUnarchiver.h"

#include <plist/plist.h>

#include <QHash>
#include <QSet>

#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace fetemark {

using namespace keyedarchive;

namespace {

struct PlistFree {
    void operator()(void* p) const { plist_free(static_cast<plist_t>(p)); }
};
using OwnedPlist = std::unique_ptr<void, PlistFree>;

class Writer {
public:
    std::optional<QByteArray> run(const ArchiveValue& root, QString* error);

private:
    // Where a value went in $objects, and how many container levels it spans (0 for a
    // scalar), so that a shared subgraph met again deeper down is still depth-checked.
    struct Ref {
        std::uint64_t uid = 0;
        int height = 0;
    };

    std::optional<Ref> encode(const ArchiveValue& v, int depth);
    std::optional<Ref> encodeContainer(const ArchiveValue& v, int depth);
    bool encodeArray(const ArchiveArray& a, plist_t node, int depth, int* height);
    bool encodeDictionary(const ArchiveDictionary& d, plist_t node, int depth, int* height);
    bool encodeObject(const ArchiveObject& o, plist_t node, int depth, int* height);
    std::optional<std::uint64_t> classUid(const QStringList& classes);

    std::uint64_t append(plist_t node)
    {
        plist_array_append_item(m_objects, node);
        return m_count++;
    }
    // plist strings are C strings: a NUL would silently cut the text short.
    bool checkText(const QString& s, const char* what)
    {
        if (!s.contains(QChar(0)))
            return true;
        return fail(QStringLiteral("%1 \"%2\" contains a NUL character, which a property list cannot hold")
                        .arg(QLatin1String(what), s.left(40)));
    }
    bool fail(const QString& message)
    {
        if (m_error.isEmpty())
            m_error = message;
        return false;
    }
    static plist_t newString(const QString& s) { return plist_new_string(s.toUtf8().constData()); }

    const int m_maxDepth = KeyedUnarchiver::Limits{}.maxDepth;
    plist_t m_objects = nullptr; // owned by the top dictionary
    std::uint64_t m_count = 0;
    QString m_error;

    std::uint64_t m_boolUid[2] = {0, 0};
    std::unordered_map<std::int64_t, std::uint64_t> m_integers;
    std::unordered_map<std::uint64_t, std::uint64_t> m_reals; // by bit pattern
    QHash<QString, std::uint64_t> m_strings;
    QHash<QByteArray, std::uint64_t> m_data;
    std::unordered_map<qint64, std::uint64_t> m_dates;
    std::map<QStringList, std::uint64_t> m_classes;
    std::unordered_map<const void*, Ref> m_done;
    std::unordered_set<const void*> m_inProgress;
};

std::optional<QByteArray> Writer::run(const ArchiveValue& root, QString* error)
{
    OwnedPlist top(plist_new_dict());
    plist_dict_set_item(top.get(), "$version", plist_new_uint(kArchiveVersion));
    plist_dict_set_item(top.get(), "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_t topRef = plist_new_dict();
    plist_dict_set_item(top.get(), "$top", topRef);
    m_objects = plist_new_array();
    plist_dict_set_item(top.get(), "$objects", m_objects);
    append(plist_new_string("$null"));

    const auto rootRef = encode(root, 1);
    if (!rootRef) {
        if (error)
            *error = m_error;
        return std::nullopt;
    }
    plist_dict_set_item(topRef, "root", plist_new_uid(rootRef->uid));

    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(top.get(), &bin, &length);
    if (!bin) {
        if (error)
            *error = QStringLiteral("libplist could not write the binary plist");
        return std::nullopt;
    }
    QByteArray out(bin, static_cast<qsizetype>(length));
    plist_to_bin_free(bin);
    return out;
}

std::optional<Writer::Ref> Writer::encode(const ArchiveValue& v, int depth)
{
    using Kind = ArchiveValue::Kind;
    // Scalars are written once per distinct value and referenced wherever they recur.
    auto shared = [&](auto& table, const auto& key, auto makeNode) -> std::optional<Ref> {
        auto it = table.find(key);
        if (it != table.end())
            return Ref{*it, 0};
        const std::uint64_t uid = append(makeNode());
        table.insert(key, uid);
        return Ref{uid, 0};
    };
    auto sharedStd = [&](auto& table, const auto& key, auto makeNode) -> std::optional<Ref> {
        auto it = table.find(key);
        if (it != table.end())
            return Ref{it->second, 0};
        const std::uint64_t uid = append(makeNode());
        table.emplace(key, uid);
        return Ref{uid, 0};
    };

    switch (v.kind()) {
    case Kind::Null:
        return Ref{0, 0};
    case Kind::Boolean: {
        const bool b = *v.asBoolean();
        if (!m_boolUid[b])
            m_boolUid[b] = append(plist_new_bool(b));
        return Ref{m_boolUid[b], 0};
    }
    case Kind::Integer:
        return sharedStd(m_integers, *v.asInteger(),
                         [&] { return plist_new_uint(static_cast<uint64_t>(*v.asInteger())); });
    case Kind::Real: {
        std::uint64_t bits;
        std::memcpy(&bits, v.asReal(), sizeof bits);
        return sharedStd(m_reals, bits, [&] { return plist_new_real(*v.asReal()); });
    }
    case Kind::String:
        if (!checkText(*v.asString(), "string"))
            return std::nullopt;
        return shared(m_strings, *v.asString(), [&] { return newString(*v.asString()); });
    case Kind::Data:
        return shared(m_data, *v.asData(), [&] {
            const QByteArray& d = *v.asData();
            return plist_new_data(d.constData(), static_cast<uint64_t>(d.size()));
        });
    case Kind::Date: {
        const qint64 ms = v.asDate()->toMSecsSinceEpoch();
        auto it = m_dates.find(ms);
        if (it != m_dates.end())
            return Ref{it->second, 0};
        const auto cls = classUid(dateClasses());
        if (!cls)
            return std::nullopt;
        plist_t node = plist_new_dict();
        // Milliseconds fit a double exactly; reading multiplies back and rounds.
        plist_dict_set_item(node, "NS.time", plist_new_real(static_cast<double>(ms - kEpoch2001Ms) / 1000.0));
        plist_dict_set_item(node, "$class", plist_new_uid(*cls));
        const std::uint64_t uid = append(node);
        m_dates.emplace(ms, uid);
        return Ref{uid, 0};
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
        return Ref{0, 0};
    if (auto it = m_done.find(id); it != m_done.end()) {
        if (depth + it->second.height - 1 > m_maxDepth) {
            fail(QStringLiteral("graph nests deeper than %1 levels").arg(m_maxDepth));
            return std::nullopt;
        }
        return it->second;
    }
    if (m_inProgress.count(id)) {
        fail(QStringLiteral("graph contains a cycle: an array, dictionary or object contains itself"));
        return std::nullopt;
    }
    if (depth > m_maxDepth) {
        fail(QStringLiteral("graph nests deeper than %1 levels").arg(m_maxDepth));
        return std::nullopt;
    }
    // The node takes its place before its contents, as the platform's archiver does.
    plist_t node = plist_new_dict();
    const std::uint64_t uid = append(node);
    m_inProgress.insert(id);
    int height = 0;
    bool ok = false;
    if (const ArchiveArray* a = v.asArray())
        ok = encodeArray(*a, node, depth, &height);
    else if (const ArchiveDictionary* d = v.asDictionary())
        ok = encodeDictionary(*d, node, depth, &height);
    else
        ok = encodeObject(*v.asObject(), node, depth, &height);
    m_inProgress.erase(id);
    if (!ok)
        return std::nullopt;
    const Ref ref{uid, height + 1};
    m_done.emplace(id, ref);
    return ref;
}

bool Writer::encodeArray(const ArchiveArray& a, plist_t node, int depth, int* height)
{
    plist_t items = plist_new_array();
    plist_dict_set_item(node, "NS.objects", items);
    for (const ArchiveValue& item : a.items) {
        const auto ref = encode(item, depth + 1);
        if (!ref)
            return false;
        *height = std::max(*height, ref->height);
        plist_array_append_item(items, plist_new_uid(ref->uid));
    }
    const auto cls = classUid(arrayClasses());
    if (!cls)
        return false;
    plist_dict_set_item(node, "$class", plist_new_uid(*cls));
    return true;
}

bool Writer::encodeDictionary(const ArchiveDictionary& d, plist_t node, int depth, int* height)
{
    plist_t keys = plist_new_array();
    plist_t values = plist_new_array();
    plist_dict_set_item(node, "NS.keys", keys);
    plist_dict_set_item(node, "NS.objects", values);
    QSet<QString> seen;
    for (const auto& [key, value] : d.entries) {
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
        plist_array_append_item(keys, plist_new_uid(keyRef->uid));
        plist_array_append_item(values, plist_new_uid(valueRef->uid));
    }
    const auto cls = classUid(dictionaryClasses());
    if (!cls)
        return false;
    plist_dict_set_item(node, "$class", plist_new_uid(*cls));
    return true;
}

bool Writer::encodeObject(const ArchiveObject& o, plist_t node, int depth, int* height)
{
    if (o.classes.isEmpty())
        return fail(QStringLiteral("object without a class name"));
    if (isFoundationClass(o.classes.first()))
        return fail(QStringLiteral("class name %1 is reserved for the value kind it names").arg(o.classes.first()));
    QSet<QString> seen;
    for (const auto& [key, value] : o.fields) {
        if (!checkText(key, "field name"))
            return false;
        if (seen.contains(key))
            return fail(QStringLiteral("object field \"%1\" appears twice").arg(key.left(40)));
        seen.insert(key);
        plist_t item = nullptr;
        // Booleans and numbers go inline, as encodeBool:/encodeInt:/encodeDouble: write
        // them; anything else (nil included) by reference, as encodeObject: does.
        if (const bool* b = value.asBoolean()) {
            item = plist_new_bool(*b);
        } else if (const std::int64_t* i = value.asInteger()) {
            item = plist_new_uint(static_cast<uint64_t>(*i));
        } else if (const double* r = value.asReal()) {
            item = plist_new_real(*r);
        } else {
            const auto ref = encode(value, depth + 1);
            if (!ref)
                return false;
            *height = std::max(*height, ref->height);
            item = plist_new_uid(ref->uid);
        }
        plist_dict_set_item(node, escapeFieldName(key).toUtf8().constData(), item);
    }
    const auto cls = classUid(o.classes);
    if (!cls)
        return false;
    plist_dict_set_item(node, "$class", plist_new_uid(*cls));
    return true;
}

std::optional<std::uint64_t> Writer::classUid(const QStringList& classes)
{
    if (auto it = m_classes.find(classes); it != m_classes.end())
        return it->second;
    plist_t names = plist_new_array();
    for (const QString& c : classes) {
        if (!checkText(c, "class name")) {
            plist_free(names);
            return std::nullopt;
        }
        plist_array_append_item(names, newString(c));
    }
    plist_t node = plist_new_dict();
    plist_dict_set_item(node, "$classname", newString(classes.first()));
    plist_dict_set_item(node, "$classes", names);
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
