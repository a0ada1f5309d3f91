#include "KeyedArchivePlist.h"

#include <plist/plist.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace fetemark::keyedarchive {

namespace {

constexpr std::uint64_t kHeaderSize = 8;  // "bplist00"
constexpr std::uint64_t kTrailerSize = 32;
constexpr std::uint8_t kVisitMask = 0x3;
constexpr std::uint8_t kKeyChecked = 0x4;

std::uint64_t readBigEndian(const unsigned char* p, unsigned n)
{
    std::uint64_t v = 0;
    for (unsigned i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

QString hex(unsigned v) { return QStringLiteral("0x%1").arg(v, 2, 16, QLatin1Char('0')); }

enum class ObjectKind : std::uint8_t { Boolean, Integer, Real, Date, Data, Ascii, Utf16, Uid, Array, Dict };

struct ObjectHeader {
    ObjectKind kind = ObjectKind::Boolean;
    std::uint64_t count = 0;    // entries of a container; bytes or units of data/strings
    std::uint64_t payload = 0;  // offset of the first byte after marker and length
    std::uint64_t payloadBytes = 0; // what libplist allocates for it beyond the node
};

class BinaryChecker {
public:
    BinaryChecker(const QByteArray& bytes, int maxNesting, const BinaryPlistBudget& budget)
        : m_data(reinterpret_cast<const unsigned char*>(bytes.constData())),
          m_size(static_cast<std::uint64_t>(bytes.size())), m_maxNesting(maxNesting), m_budget(budget)
    {
    }

    std::optional<QString> run();

private:
    std::optional<QString> readTrailer();
    std::optional<QString> readHeader(std::uint64_t index, ObjectHeader* out) const;
    std::optional<QString> checkKey(std::uint64_t dict, std::uint64_t key) const;
    std::optional<QString> readLength(std::uint64_t index, unsigned lowNibble, std::uint64_t* pos,
                                      std::uint64_t* count) const;
    static std::uint64_t childCount(const ObjectHeader& h)
    {
        if (h.kind == ObjectKind::Array)
            return h.count;
        if (h.kind == ObjectKind::Dict)
            return h.count * 2; // keys, then values, one reference each
        return 0;
    }
    std::uint64_t childAt(const ObjectHeader& h, std::uint64_t k) const
    {
        return readBigEndian(m_data + h.payload + k * m_refSize, m_refSize);
    }

    const unsigned char* m_data;
    std::uint64_t m_size;
    int m_maxNesting;
    BinaryPlistBudget m_budget;

    unsigned m_offsetSize = 0;
    unsigned m_refSize = 0;
    std::uint64_t m_objectCount = 0;
    std::uint64_t m_root = 0;
    std::uint64_t m_tableOffset = 0; // objects live in [kHeaderSize, m_tableOffset)
};

std::optional<QString> BinaryChecker::readTrailer()
{
    if (m_size < kHeaderSize + kTrailerSize + 1)
        return QStringLiteral("binary plist of %1 bytes is too short to hold header and trailer").arg(m_size);
    if (std::memcmp(m_data, "bplist00", kHeaderSize) != 0)
        return QStringLiteral("not a \"bplist00\" binary plist");
    const unsigned char* t = m_data + m_size - kTrailerSize;
    m_offsetSize = t[6];
    m_refSize = t[7];
    m_objectCount = readBigEndian(t + 8, 8);
    m_root = readBigEndian(t + 16, 8);
    m_tableOffset = readBigEndian(t + 24, 8);
    if (m_offsetSize < 1 || m_offsetSize > 8)
        return QStringLiteral("binary plist trailer gives an offset size of %1 bytes").arg(m_offsetSize);
    if (m_refSize < 1 || m_refSize > 8)
        return QStringLiteral("binary plist trailer gives a reference size of %1 bytes").arg(m_refSize);
    if (m_objectCount == 0)
        return QStringLiteral("binary plist has no objects");
    if (m_root >= m_objectCount)
        return QStringLiteral("binary plist root object %1 is past the last object (%2)").arg(m_root).arg(m_objectCount);
    const std::uint64_t tableEndLimit = m_size - kTrailerSize;
    if (m_tableOffset <= kHeaderSize || m_tableOffset >= tableEndLimit)
        return QStringLiteral("binary plist offset table at %1 lies outside the file").arg(m_tableOffset);
    if (m_objectCount > (tableEndLimit - m_tableOffset) / m_offsetSize)
        return QStringLiteral("binary plist claims %1 objects but its offset table has room for fewer")
            .arg(m_objectCount);
    return std::nullopt;
}

std::optional<QString> BinaryChecker::readLength(std::uint64_t index, unsigned lowNibble,
                                                 std::uint64_t* pos, std::uint64_t* count) const
{
    if (lowNibble != 0xF) {
        *count = lowNibble;
        return std::nullopt;
    }
    if (*pos >= m_tableOffset)
        return QStringLiteral("object %1: length marker runs into the offset table").arg(index);
    const unsigned m = m_data[*pos];
    if ((m >> 4) != 0x1 || (m & 0xF) > 3)
        return QStringLiteral("object %1: length marker %2 is not a 1- to 8-byte integer").arg(index).arg(hex(m));
    const unsigned n = 1u << (m & 0xF);
    if (m_tableOffset - *pos - 1 < n)
        return QStringLiteral("object %1: length runs into the offset table").arg(index);
    *count = readBigEndian(m_data + *pos + 1, n);
    *pos += 1 + n;
    return std::nullopt;
}

std::optional<QString> BinaryChecker::readHeader(std::uint64_t index, ObjectHeader* out) const
{
    const std::uint64_t offset = readBigEndian(m_data + m_tableOffset + index * m_offsetSize, m_offsetSize);
    if (offset < kHeaderSize || offset >= m_tableOffset)
        return QStringLiteral("object %1 starts at %2, outside the object area").arg(index).arg(offset);
    const unsigned marker = m_data[offset];
    const unsigned high = marker >> 4;
    const unsigned low = marker & 0xF;
    std::uint64_t pos = offset + 1;
    // Room left for this object's bytes; every size below is checked against it without
    // overflowing.
    auto fits = [&](std::uint64_t units, std::uint64_t unitSize) {
        const std::uint64_t room = m_tableOffset - pos;
        return units <= room / unitSize;
    };
    auto tooLong = [&](const char* what) {
        return QStringLiteral("object %1: %2 of %3 entries runs into the offset table")
            .arg(index).arg(QLatin1String(what)).arg(out->count);
    };
    ObjectHeader& h = *out;
    h = ObjectHeader{};
    switch (high) {
    case 0x0:
        if (low != 0x8 && low != 0x9)
            return QStringLiteral("object %1: unsupported marker %2").arg(index).arg(hex(marker));
        h.kind = ObjectKind::Boolean;
        break;
    case 0x1:
        if (low > 4)
            return QStringLiteral("object %1: integer of 2^%2 bytes").arg(index).arg(low);
        if (!fits(1u << low, 1))
            return QStringLiteral("object %1: integer runs into the offset table").arg(index);
        h.kind = ObjectKind::Integer;
        break;
    case 0x2:
        if (low != 2 && low != 3)
            return QStringLiteral("object %1: real of 2^%2 bytes").arg(index).arg(low);
        if (!fits(1u << low, 1))
            return QStringLiteral("object %1: real runs into the offset table").arg(index);
        h.kind = ObjectKind::Real;
        break;
    case 0x3: {
        if (low != 3)
            return QStringLiteral("object %1: date of 2^%2 bytes").arg(index).arg(low);
        if (!fits(8, 1))
            return QStringLiteral("object %1: date runs into the offset table").arg(index);
        // libplist hands dates out as 32-bit seconds; a value it cannot convert is refused.
        const std::uint64_t bits = readBigEndian(m_data + pos, 8);
        double seconds;
        std::memcpy(&seconds, &bits, sizeof seconds);
        if (!(seconds > -2147483648.0 && seconds < 2147483647.0))
            return QStringLiteral("object %1: plist date out of range").arg(index);
        h.kind = ObjectKind::Date;
        break;
    }
    case 0x4:
    case 0x5:
    case 0x6:
        if (auto e = readLength(index, low, &pos, &h.count))
            return e;
        h.kind = high == 0x4 ? ObjectKind::Data : high == 0x5 ? ObjectKind::Ascii : ObjectKind::Utf16;
        if (!fits(h.count, high == 0x6 ? 2 : 1))
            return tooLong(high == 0x4 ? "data" : "string");
        if (h.kind == ObjectKind::Utf16 && h.count == 0)
            return QStringLiteral("object %1: empty UTF-16 string").arg(index);
        // UTF-16 becomes up to 4 UTF-8 bytes per unit in libplist's buffer.
        h.payloadBytes = h.kind == ObjectKind::Utf16 ? h.count * 4 : h.count;
        break;
    case 0x8: {
        if (low != 0 && low != 1 && low != 3 && low != 7)
            return QStringLiteral("object %1: UID of %2 bytes").arg(index).arg(low + 1);
        if (!fits(low + 1, 1))
            return QStringLiteral("object %1: UID runs into the offset table").arg(index);
        if (readBigEndian(m_data + pos, low + 1) > std::numeric_limits<std::uint32_t>::max())
            return QStringLiteral("object %1: UID value too large").arg(index);
        h.kind = ObjectKind::Uid;
        break;
    }
    case 0xA:
    case 0xD:
        if (auto e = readLength(index, low, &pos, &h.count))
            return e;
        h.kind = high == 0xA ? ObjectKind::Array : ObjectKind::Dict;
        if (!fits(h.count, (high == 0xD ? 2 : 1) * m_refSize))
            return tooLong(high == 0xA ? "array" : "dictionary");
        break;
    default:
        return QStringLiteral("object %1: unsupported marker %2").arg(index).arg(hex(marker));
    }
    h.payload = pos;
    return std::nullopt;
}

// libplist 2.2 asserts (and so aborts) when reading back a dictionary key that holds a
// NUL character: keys must be strings without one.
std::optional<QString> BinaryChecker::checkKey(std::uint64_t dict, std::uint64_t key) const
{
    ObjectHeader h;
    if (auto e = readHeader(key, &h))
        return e;
    if (h.kind != ObjectKind::Ascii && h.kind != ObjectKind::Utf16)
        return QStringLiteral("object %1: dictionary key %2 is not a string").arg(dict).arg(key);
    const unsigned char* p = m_data + h.payload;
    if (h.kind == ObjectKind::Ascii) {
        if (std::memchr(p, 0, h.count))
            return QStringLiteral("object %1: dictionary key %2 contains a NUL character").arg(dict).arg(key);
    } else {
        for (std::uint64_t i = 0; i < h.count; ++i) {
            if (p[2 * i] == 0 && p[2 * i + 1] == 0)
                return QStringLiteral("object %1: dictionary key %2 contains a NUL character").arg(dict).arg(key);
        }
    }
    return std::nullopt;
}

std::optional<QString> BinaryChecker::run()
{
    if (auto e = readTrailer())
        return e;

    // Per object: 0 unseen, 1 on the current path, 2 done, plus whether it passed as a
    // dictionary key; for done ones, what the object expands to.
    std::vector<std::uint8_t> state(m_objectCount, 0);
    std::vector<std::uint32_t> nodes(m_objectCount, 0);
    std::vector<std::uint32_t> payload(m_objectCount, 0);
    const std::uint64_t nodeBudget = std::min<std::uint64_t>(m_budget.nodes, 0xFFFFFFFEu);
    const std::uint64_t payloadBudget = std::min<std::uint64_t>(m_budget.payloadBytes, 0xFFFFFFFEu);

    struct Frame {
        std::uint64_t index;
        ObjectHeader header;
        std::uint64_t next = 0;
        std::uint64_t nodes = 1;
        std::uint64_t payload = 0;
    };
    std::vector<Frame> stack;
    stack.reserve(static_cast<size_t>(m_maxNesting) + 1);
    auto push = [&](std::uint64_t index) -> std::optional<QString> {
        if (static_cast<qsizetype>(stack.size()) >= m_maxNesting)
            return QStringLiteral("binary plist nests deeper than %1 levels").arg(m_maxNesting);
        Frame f{index, {}};
        if (auto e = readHeader(index, &f.header))
            return e;
        f.payload = f.header.payloadBytes;
        state[index] = (state[index] & kKeyChecked) | 1;
        stack.push_back(f);
        return std::nullopt;
    };
    auto overBudget = [&](const Frame& f) -> std::optional<QString> {
        if (f.nodes > nodeBudget)
            return QStringLiteral("binary plist expands to more than %1 nodes through shared references")
                .arg(nodeBudget);
        if (f.payload > payloadBudget)
            return QStringLiteral("binary plist expands to more than %1 bytes through shared references")
                .arg(payloadBudget);
        return std::nullopt;
    };

    if (auto e = push(m_root))
        return e;
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next < childCount(f.header)) {
            const std::uint64_t k = f.next++;
            const std::uint64_t child = childAt(f.header, k);
            if (child >= m_objectCount)
                return QStringLiteral("object %1 refers to object %2, past the last (%3)")
                    .arg(f.index).arg(child).arg(m_objectCount);
            if (f.header.kind == ObjectKind::Dict && k < f.header.count && !(state[child] & kKeyChecked)) {
                if (auto e = checkKey(f.index, child))
                    return e;
                state[child] |= kKeyChecked;
            }
            const std::uint8_t visit = state[child] & kVisitMask;
            if (visit == 1)
                return QStringLiteral("object %1 contains itself (cyclic reference through object %2)")
                    .arg(child).arg(f.index);
            if (visit == 2) {
                f.nodes += nodes[child];
                f.payload += payload[child];
                if (auto e = overBudget(f))
                    return e;
                continue;
            }
            if (auto e = push(child)) // may reallocate: `f` is not used past this point
                return e;
            continue;
        }
        if (auto e = overBudget(f))
            return e;
        const Frame done = f;
        stack.pop_back();
        state[done.index] = (state[done.index] & kKeyChecked) | 2;
        nodes[done.index] = static_cast<std::uint32_t>(done.nodes);
        payload[done.index] = static_cast<std::uint32_t>(done.payload);
        if (!stack.empty()) {
            Frame& parent = stack.back();
            parent.nodes += done.nodes;
            parent.payload += done.payload;
            if (auto e = overBudget(parent))
                return e;
        }
    }
    return std::nullopt;
}

struct PlistFree {
    void operator()(void* p) const { plist_free(static_cast<plist_t>(p)); }
};
using OwnedPlist = std::unique_ptr<void, PlistFree>;

struct MallocFree {
    void operator()(void* p) const { std::free(p); }
};

std::optional<PlistNode> convert(plist_t node, int depth, QString* error)
{
    if (depth > kMaxPlistNesting) { // the checker already refused this; belt and braces
        *error = QStringLiteral("property list nests too deeply");
        return std::nullopt;
    }
    PlistNode out;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        out.type = PlistNode::Type::Boolean;
        out.boolean = b != 0;
        break;
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        out.type = PlistNode::Type::Integer;
        out.integer = static_cast<std::int64_t>(v); // negative numbers are stored two's complement
        break;
    }
    case PLIST_REAL: {
        out.type = PlistNode::Type::Real;
        plist_get_real_val(node, &out.real);
        break;
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        uint64_t len = 0;
        const char* p = plist_get_string_ptr(node, &len);
        // libplist's C strings end at the first NUL; read them the same way everywhere.
        out.type = PlistNode::Type::String;
        out.string = p ? QString::fromUtf8(p, qstrnlen(p, len)) : QString(QLatin1String(""));
        break;
    }
    case PLIST_DATA: {
        uint64_t len = 0;
        const char* p = plist_get_data_ptr(node, &len);
        out.type = PlistNode::Type::Data;
        out.data = p && len ? QByteArray(p, static_cast<qsizetype>(len)) : QByteArray("");
        break;
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        out.type = PlistNode::Type::Date;
        out.real = sec + usec / 1e6;
        break;
    }
    case PLIST_UID: {
        uint64_t v = 0;
        plist_get_uid_val(node, &v);
        out.type = PlistNode::Type::Uid;
        out.integer = static_cast<std::int64_t>(v); // at most 32 bits, checked before parsing
        break;
    }
    case PLIST_ARRAY: {
        out.type = PlistNode::Type::Array;
        out.items.reserve(plist_array_get_size(node));
        plist_array_iter it = nullptr;
        plist_array_new_iter(node, &it);
        std::unique_ptr<void, MallocFree> iterGuard(it);
        for (;;) {
            plist_t item = nullptr;
            plist_array_next_item(node, it, &item);
            if (!item)
                break;
            auto v = convert(item, depth + 1, error);
            if (!v)
                return std::nullopt;
            out.items.push_back(std::move(*v));
        }
        break;
    }
    case PLIST_DICT: {
        out.type = PlistNode::Type::Dict;
        out.items.reserve(plist_dict_get_size(node));
        out.keys.reserve(plist_dict_get_size(node));
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        std::unique_ptr<void, MallocFree> iterGuard(it);
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, it, &key, &item);
            std::unique_ptr<char, MallocFree> keyGuard(key);
            if (!item)
                break;
            auto v = convert(item, depth + 1, error);
            if (!v)
                return std::nullopt;
            out.keys.push_back(QString::fromUtf8(key ? key : ""));
            out.items.push_back(std::move(*v));
        }
        break;
    }
    default:
        *error = QStringLiteral("property list holds a node of unsupported type");
        return std::nullopt;
    }
    return out;
}

} // namespace

BinaryPlistBudget BinaryPlistBudget::forInput(std::uint64_t size)
{
    // A keyed archive shares only small scalars (keys, UIDs, numbers) between references,
    // so it expands to about one node per input byte at most.
    BinaryPlistBudget b;
    b.nodes = size + 65536;
    b.payloadBytes = std::min<std::uint64_t>(size * 64 + (16u << 20), 0xFFFFFFFEu);
    return b;
}

std::optional<QString> checkBinaryPlist(const QByteArray& bytes, int maxNesting,
                                        const BinaryPlistBudget& budget)
{
    return BinaryChecker(bytes, maxNesting, budget).run();
}

std::optional<PlistNode> readBinaryPropertyList(const QByteArray& bytes, int maxNesting, QString* error)
{
    if (static_cast<std::uint64_t>(bytes.size()) >= std::numeric_limits<std::uint32_t>::max()) {
        *error = QStringLiteral("binary plist too large");
        return std::nullopt;
    }
    const int nesting = std::clamp(maxNesting, 1, kMaxPlistNesting);
    if (auto e = checkBinaryPlist(bytes, nesting, BinaryPlistBudget::forInput(bytes.size()))) {
        *error = *e;
        return std::nullopt;
    }
    plist_t raw = nullptr;
    plist_from_bin(bytes.constData(), static_cast<uint32_t>(bytes.size()), &raw);
    OwnedPlist root(raw);
    if (!raw) {
        *error = QStringLiteral("libplist could not parse the binary plist");
        return std::nullopt;
    }
    return convert(raw, 1, error);
}

std::optional<PlistNode> readPropertyList(const QByteArray& bytes, int maxNesting, QString* error)
{
    if (bytes.startsWith("bplist"))
        return readBinaryPropertyList(bytes, maxNesting, error);
    return readXmlPropertyList(bytes, maxNesting, error);
}

const PlistNode* PlistNode::find(const QString& key) const
{
    if (type != Type::Dict)
        return nullptr;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] == key)
            return &items[i];
    }
    return nullptr;
}

} // namespace fetemark::keyedarchive
