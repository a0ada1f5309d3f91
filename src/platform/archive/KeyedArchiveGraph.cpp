#include "KeyedArchiveGraph.h"

#include <cstring>
#include <unordered_map>

namespace fetemark::keyedarchive {

namespace {

class GraphComparer {
public:
    // On a mismatch `path` collects the way down to it, innermost segment last.
    bool same(const ArchiveValue& a, const ArchiveValue& b, int depth)
    {
        if (depth > kMaxDepth)
            return fail(QStringLiteral("(deeper than %1 levels)").arg(kMaxDepth));
        const Kind ka = effectiveKind(a);
        const Kind kb = effectiveKind(b);
        if (ka != kb)
            return fail(QStringLiteral("(kind %1 vs %2)").arg(int(ka)).arg(int(kb)));
        switch (ka) {
        case Kind::Null:
            return true;
        case Kind::Boolean:
            return *a.asBoolean() == *b.asBoolean() || fail(QStringLiteral("(boolean)"));
        case Kind::Integer:
            return *a.asInteger() == *b.asInteger() ||
                fail(QStringLiteral("(%1 vs %2)").arg(*a.asInteger()).arg(*b.asInteger()));
        case Kind::Real:
            return std::memcmp(a.asReal(), b.asReal(), sizeof(double)) == 0 ||
                fail(QStringLiteral("(%1 vs %2)").arg(*a.asReal()).arg(*b.asReal()));
        case Kind::String:
            return *a.asString() == *b.asString() ||
                fail(QStringLiteral("(\"%1\" vs \"%2\")")
                         .arg(a.asString()->left(40), b.asString()->left(40)));
        case Kind::Date:
            return a.asDate()->toMSecsSinceEpoch() == b.asDate()->toMSecsSinceEpoch() ||
                fail(QStringLiteral("(%1 vs %2)")
                         .arg(a.asDate()->toString(Qt::ISODateWithMs),
                             b.asDate()->toString(Qt::ISODateWithMs)));
        case Kind::Data:
            return *a.asData() == *b.asData() || fail(QStringLiteral("(data)"));
        default:
            break;
        }
        // Containers: the pairing of shared nodes must be one to one.
        const void* ia = a.identity();
        const void* ib = b.identity();
        auto fa = m_aToB.find(ia);
        auto fb = m_bToA.find(ib);
        if (fa != m_aToB.end() || fb != m_bToA.end()) {
            return (fa != m_aToB.end() && fa->second == ib && fb != m_bToA.end() &&
                       fb->second == ia) ||
                fail(QStringLiteral("(sharing differs)"));
        }
        m_aToB.emplace(ia, ib);
        m_bToA.emplace(ib, ia);
        if (ka == Kind::Array)
            return sameList(a.asArray()->items, b.asArray()->items, depth);
        if (ka == Kind::Dictionary)
            return sameEntries(a.asDictionary()->entries, b.asDictionary()->entries, depth);
        const ArchiveObject& oa = *a.asObject();
        const ArchiveObject& ob = *b.asObject();
        if (oa.classes != ob.classes)
            return fail(QStringLiteral("(classes %1 vs %2)")
                            .arg(oa.classes.join(u','), ob.classes.join(u',')));
        return sameEntries(oa.fields, ob.fields, depth);
    }

    QString path() const
    {
        QString out = QStringLiteral("root");
        for (auto it = m_path.rbegin(); it != m_path.rend(); ++it)
            out += *it;
        return out;
    }

private:
    using Kind = ArchiveValue::Kind;
    static constexpr int kMaxDepth = 4096;

    static Kind effectiveKind(const ArchiveValue& v)
    {
        const Kind k = v.kind();
        if ((k == Kind::Array || k == Kind::Dictionary || k == Kind::Object) && !v.identity())
            return Kind::Null;
        return k;
    }

    bool fail(const QString& what)
    {
        m_path.push_back(QLatin1Char(' ') + what);
        return false;
    }

    bool sameList(const std::vector<ArchiveValue>& a, const std::vector<ArchiveValue>& b, int depth)
    {
        if (a.size() != b.size())
            return fail(QStringLiteral(" (%1 vs %2 items)").arg(a.size()).arg(b.size()));
        for (size_t i = 0; i < a.size(); ++i) {
            if (!same(a[i], b[i], depth + 1)) {
                m_path.push_back(QStringLiteral("[%1]").arg(i));
                return false;
            }
        }
        return true;
    }

    bool sameEntries(const std::vector<std::pair<QString, ArchiveValue>>& a,
        const std::vector<std::pair<QString, ArchiveValue>>& b, int depth)
    {
        if (a.size() != b.size())
            return fail(QStringLiteral(" (%1 vs %2 entries)").arg(a.size()).arg(b.size()));
        for (size_t i = 0; i < a.size(); ++i) {
            if (a[i].first != b[i].first)
                return fail(QStringLiteral(" (key \"%1\" vs \"%2\" at %3)")
                                .arg(a[i].first, b[i].first)
                                .arg(i));
            if (!same(a[i].second, b[i].second, depth + 1)) {
                m_path.push_back(QLatin1Char('.') + a[i].first);
                return false;
            }
        }
        return true;
    }

    std::unordered_map<const void*, const void*> m_aToB;
    std::unordered_map<const void*, const void*> m_bToA;
    std::vector<QString> m_path;
};

} // namespace

bool sameGraph(const ArchiveValue& a, const ArchiveValue& b, QString* where)
{
    GraphComparer c;
    const bool equal = c.same(a, b, 0);
    if (!equal && where)
        *where = c.path();
    return equal;
}

} // namespace fetemark::keyedarchive
