#include "platform/archive/KeyedArchivePlist.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>

namespace fetemark::keyedarchive {

namespace {

constexpr std::uint64_t kHeaderSize = 8; // "bplist00"
constexpr std::uint64_t kTrailerSize = 32;
constexpr std::uint8_t kVisitMask = 0x3;
constexpr std::uint8_t kKeyChecked = 0x4;

std::uint64_t readBigEndian(const unsigned char* p, unsigned n)
{
    switch (n) { // the usual widths of references and offsets, spelled out
    case 1:
        return p[0];
    case 2:
        return (std::uint64_t(p[0]) << 8) | p[1];
    case 3:
        return (std::uint64_t(p[0]) << 16) | (std::uint64_t(p[1]) << 8) | p[2];
    case 4:
        return (std::uint64_t(p[0]) << 24) | (std::uint64_t(p[1]) << 16) |
            (std::uint64_t(p[2]) << 8) | p[3];
    default: {
        std::uint64_t v = 0;
        for (unsigned i = 0; i < n; ++i)
            v = (v << 8) | p[i];
        return v;
    }
    }
}

QString hex(unsigned v)
{
    return QStringLiteral("0x%1").arg(v, 2, 16, QLatin1Char('0'));
}

enum class ObjectKind : std::uint8_t {
    Boolean,
    Integer,
    Real,
    Date,
    Data,
    Ascii,
    Utf16,
    Uid,
    Array,
    Dict
};

struct ObjectHeader {
    ObjectKind kind = ObjectKind::Boolean;
    std::uint8_t marker = 0;
    std::uint64_t count = 0;        // entries of a container; bytes or units of data/strings
    std::uint64_t payload = 0;      // offset of the first byte after marker and length
    std::uint64_t payloadBytes = 0; // what a tree reader would allocate for it beyond the node
};

std::optional<QString> readLength(const BinaryPlistLayout& l, std::uint64_t index,
    unsigned lowNibble, std::uint64_t* pos, std::uint64_t* count)
{
    if (lowNibble != 0xF) {
        *count = lowNibble;
        return std::nullopt;
    }
    if (*pos >= l.tableOffset)
        return QStringLiteral("object %1: length marker runs into the offset table").arg(index);
    const unsigned m = l.data[*pos];
    if ((m >> 4) != 0x1 || (m & 0xF) > 3)
        return QStringLiteral("object %1: length marker %2 is not a 1- to 8-byte integer")
            .arg(index)
            .arg(hex(m));
    const unsigned n = 1u << (m & 0xF);
    if (l.tableOffset - *pos - 1 < n)
        return QStringLiteral("object %1: length runs into the offset table").arg(index);
    *count = readBigEndian(l.data + *pos + 1, n);
    *pos += 1 + n;
    return std::nullopt;
}

// One object's header as it is read: its place in the file, and how far its bytes go.
struct HeaderCursor {
    const BinaryPlistLayout& l;
    std::uint64_t index;
    std::uint64_t pos; // the first byte not read yet

    // Room left for this object's bytes; every size is checked against it without
    // overflowing.
    bool fits(std::uint64_t units, std::uint64_t unitSize) const
    {
        const std::uint64_t room = l.tableOffset - pos;
        return units <= room / unitSize;
    }
    QString tooLong(const char* what, std::uint64_t count) const
    {
        return QStringLiteral("object %1: %2 of %3 entries runs into the offset table")
            .arg(index)
            .arg(QLatin1String(what))
            .arg(count);
    }
    QString unsupported(unsigned marker) const
    {
        return QStringLiteral("object %1: unsupported marker %2").arg(index).arg(hex(marker));
    }
};

std::optional<QString> readBoolean(const HeaderCursor& c, unsigned marker, ObjectHeader& h)
{
    const unsigned low = marker & 0xF;
    if (low != 0x8 && low != 0x9)
        return c.unsupported(marker);
    h.kind = ObjectKind::Boolean;
    return std::nullopt;
}

std::optional<QString> readInteger(const HeaderCursor& c, unsigned low, ObjectHeader& h)
{
    if (low > 4)
        return QStringLiteral("object %1: integer of 2^%2 bytes").arg(c.index).arg(low);
    if (!c.fits(1u << low, 1))
        return QStringLiteral("object %1: integer runs into the offset table").arg(c.index);
    h.kind = ObjectKind::Integer;
    h.count = 1u << low;
    return std::nullopt;
}

std::optional<QString> readReal(const HeaderCursor& c, unsigned low, ObjectHeader& h)
{
    if (low != 2 && low != 3)
        return QStringLiteral("object %1: real of 2^%2 bytes").arg(c.index).arg(low);
    if (!c.fits(1u << low, 1))
        return QStringLiteral("object %1: real runs into the offset table").arg(c.index);
    h.kind = ObjectKind::Real;
    h.count = 1u << low;
    return std::nullopt;
}

std::optional<QString> readDate(const HeaderCursor& c, unsigned low, ObjectHeader& h)
{
    if (low != 3)
        return QStringLiteral("object %1: date of 2^%2 bytes").arg(c.index).arg(low);
    if (!c.fits(8, 1))
        return QStringLiteral("object %1: date runs into the offset table").arg(c.index);
    // Refused since archives were first read through libplist, which holds dates as
    // 32-bit seconds; what was damage then stays damage.
    const std::uint64_t bits = readBigEndian(c.l.data + c.pos, 8);
    double seconds;
    std::memcpy(&seconds, &bits, sizeof seconds);
    if (!(seconds > -2147483648.0 && seconds < 2147483647.0))
        return QStringLiteral("object %1: plist date out of range").arg(c.index);
    h.kind = ObjectKind::Date;
    h.count = 8;
    return std::nullopt;
}

// Data (0x4), ASCII (0x5) and UTF-16 (0x6) strings: a length, then the bytes or units.
std::optional<QString> readDataOrString(
    HeaderCursor& c, unsigned high, unsigned low, ObjectHeader& h)
{
    if (auto e = readLength(c.l, c.index, low, &c.pos, &h.count))
        return e;
    h.kind = high == 0x4 ? ObjectKind::Data : high == 0x5 ? ObjectKind::Ascii : ObjectKind::Utf16;
    if (!c.fits(h.count, high == 0x6 ? 2 : 1))
        return c.tooLong(high == 0x4 ? "data" : "string", h.count);
    if (h.kind == ObjectKind::Utf16 && h.count == 0)
        return QStringLiteral("object %1: empty UTF-16 string").arg(c.index);
    // UTF-16 becomes up to 4 UTF-8 bytes per unit in a tree reader's buffer.
    h.payloadBytes = h.kind == ObjectKind::Utf16 ? h.count * 4 : h.count;
    return std::nullopt;
}

std::optional<QString> readUid(const HeaderCursor& c, unsigned low, ObjectHeader& h)
{
    if (low != 0 && low != 1 && low != 3 && low != 7)
        return QStringLiteral("object %1: UID of %2 bytes").arg(c.index).arg(low + 1);
    if (!c.fits(low + 1, 1))
        return QStringLiteral("object %1: UID runs into the offset table").arg(c.index);
    if (readBigEndian(c.l.data + c.pos, low + 1) > std::numeric_limits<std::uint32_t>::max())
        return QStringLiteral("object %1: UID value too large").arg(c.index);
    h.kind = ObjectKind::Uid;
    h.count = low + 1;
    return std::nullopt;
}

// Arrays (0xA) and dictionaries (0xD): a length, then one reference per entry, two for a
// dictionary's (its keys, then its values).
std::optional<QString> readContainer(HeaderCursor& c, unsigned high, unsigned low, ObjectHeader& h)
{
    if (auto e = readLength(c.l, c.index, low, &c.pos, &h.count))
        return e;
    h.kind = high == 0xA ? ObjectKind::Array : ObjectKind::Dict;
    if (!c.fits(h.count, (high == 0xD ? 2 : 1) * c.l.refSize))
        return c.tooLong(high == 0xA ? "array" : "dictionary", h.count);
    return std::nullopt;
}

// The header of object `index`, checked against the object area; `index` must be below
// the object count.
std::optional<QString> readHeader(
    const BinaryPlistLayout& l, std::uint64_t index, ObjectHeader* out)
{
    const std::uint64_t offset =
        readBigEndian(l.data + l.tableOffset + index * l.offsetSize, l.offsetSize);
    if (offset < kHeaderSize || offset >= l.tableOffset)
        return QStringLiteral("object %1 starts at %2, outside the object area")
            .arg(index)
            .arg(offset);
    const unsigned marker = l.data[offset];
    const unsigned high = marker >> 4;
    const unsigned low = marker & 0xF;
    HeaderCursor c {l, index, offset + 1};
    ObjectHeader& h = *out;
    h = ObjectHeader {};
    h.marker = static_cast<std::uint8_t>(marker);
    std::optional<QString> error;
    switch (high) {
    case 0x0:
        error = readBoolean(c, marker, h);
        break;
    case 0x1:
        error = readInteger(c, low, h);
        break;
    case 0x2:
        error = readReal(c, low, h);
        break;
    case 0x3:
        error = readDate(c, low, h);
        break;
    case 0x4:
    case 0x5:
    case 0x6:
        error = readDataOrString(c, high, low, h);
        break;
    case 0x8:
        error = readUid(c, low, h);
        break;
    case 0xA:
    case 0xD:
        error = readContainer(c, high, low, h);
        break;
    default:
        return c.unsupported(marker);
    }
    if (error)
        return error;
    h.payload = c.pos;
    return std::nullopt;
}

class BinaryChecker {
public:
    BinaryChecker(const QByteArray& bytes, int maxNesting, const BinaryPlistBudget& budget)
        : m_maxNesting(maxNesting), m_budget(budget)
    {
        m_layout.data = reinterpret_cast<const unsigned char*>(bytes.constData());
        m_layout.size = static_cast<std::uint64_t>(bytes.size());
    }

    std::optional<QString> run();

    const BinaryPlistLayout& layout() const { return m_layout; }
    // Per object, after a successful run: whether the check reached (and so passed) it.
    std::vector<std::uint8_t> takeReached();

private:
    std::optional<QString> readTrailer();
    std::optional<QString> readHeader(std::uint64_t index, ObjectHeader* out) const
    {
        return keyedarchive::readHeader(m_layout, index, out);
    }
    std::optional<QString> checkKey(std::uint64_t dict, std::uint64_t key) const;
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
        return readBigEndian(m_layout.data + h.payload + k * m_layout.refSize, m_layout.refSize);
    }

    // An object on the path from the root down to the one being checked.
    struct Frame {
        std::uint64_t index;
        ObjectHeader header;
        std::uint64_t next = 0;    // the child to check next
        std::uint64_t nodes = 1;   // what the object expands to so far
        std::uint64_t payload = 0; // what its strings and data take so far
    };
    // The steps of run().
    void startWalk();
    std::optional<QString> push(std::uint64_t index);
    std::optional<QString> checkNextChild(Frame& f);
    std::optional<QString> finishTop();
    std::optional<QString> overBudget(const Frame& f) const;

    BinaryPlistLayout m_layout;
    int m_maxNesting;
    BinaryPlistBudget m_budget;
    // Per object: 0 unseen, 1 on the current path, 2 done, plus whether it passed as a
    // dictionary key; for done ones, what the object expands to.
    std::vector<std::uint8_t> m_state;
    std::vector<std::uint32_t> m_nodes;
    std::vector<std::uint32_t> m_payload;
    std::uint64_t m_nodeBudget = 0;
    std::uint64_t m_payloadBudget = 0;
    std::vector<Frame> m_stack;
};

std::optional<QString> BinaryChecker::readTrailer()
{
    if (m_layout.size < kHeaderSize + kTrailerSize + 1)
        return QStringLiteral("binary plist of %1 bytes is too short to hold header and trailer")
            .arg(m_layout.size);
    if (std::memcmp(m_layout.data, "bplist00", kHeaderSize) != 0)
        return QStringLiteral("not a \"bplist00\" binary plist");
    const unsigned char* t = m_layout.data + m_layout.size - kTrailerSize;
    m_layout.offsetSize = t[6];
    m_layout.refSize = t[7];
    m_layout.objectCount = readBigEndian(t + 8, 8);
    m_layout.root = readBigEndian(t + 16, 8);
    m_layout.tableOffset = readBigEndian(t + 24, 8);
    if (m_layout.offsetSize < 1 || m_layout.offsetSize > 8)
        return QStringLiteral("binary plist trailer gives an offset size of %1 bytes")
            .arg(m_layout.offsetSize);
    if (m_layout.refSize < 1 || m_layout.refSize > 8)
        return QStringLiteral("binary plist trailer gives a reference size of %1 bytes")
            .arg(m_layout.refSize);
    if (m_layout.objectCount == 0)
        return QStringLiteral("binary plist has no objects");
    if (m_layout.root >= m_layout.objectCount)
        return QStringLiteral("binary plist root object %1 is past the last object (%2)")
            .arg(m_layout.root)
            .arg(m_layout.objectCount);
    const std::uint64_t tableEndLimit = m_layout.size - kTrailerSize;
    if (m_layout.tableOffset <= kHeaderSize || m_layout.tableOffset >= tableEndLimit)
        return QStringLiteral("binary plist offset table at %1 lies outside the file")
            .arg(m_layout.tableOffset);
    if (m_layout.objectCount > (tableEndLimit - m_layout.tableOffset) / m_layout.offsetSize)
        return QStringLiteral(
            "binary plist claims %1 objects but its offset table has room for fewer")
            .arg(m_layout.objectCount);
    return std::nullopt;
}

// Keys must be strings without a NUL: C-string readers cut such a key short, and libplist
// 2.2 asserts (and so aborts) on one.
std::optional<QString> BinaryChecker::checkKey(std::uint64_t dict, std::uint64_t key) const
{
    ObjectHeader h;
    if (auto e = readHeader(key, &h))
        return e;
    if (h.kind != ObjectKind::Ascii && h.kind != ObjectKind::Utf16)
        return QStringLiteral("object %1: dictionary key %2 is not a string").arg(dict).arg(key);
    const unsigned char* p = m_layout.data + h.payload;
    if (h.kind == ObjectKind::Ascii) {
        if (std::memchr(p, 0, h.count))
            return QStringLiteral("object %1: dictionary key %2 contains a NUL character")
                .arg(dict)
                .arg(key);
    } else {
        for (std::uint64_t i = 0; i < h.count; ++i) {
            if (p[2 * i] == 0 && p[2 * i + 1] == 0)
                return QStringLiteral("object %1: dictionary key %2 contains a NUL character")
                    .arg(dict)
                    .arg(key);
        }
    }
    return std::nullopt;
}

void BinaryChecker::startWalk()
{
    m_state.assign(m_layout.objectCount, 0);
    m_nodes.assign(m_layout.objectCount, 0);
    m_payload.assign(m_layout.objectCount, 0);
    m_nodeBudget = std::min<std::uint64_t>(m_budget.nodes, 0xFFFFFFFEu);
    m_payloadBudget = std::min<std::uint64_t>(m_budget.payloadBytes, 0xFFFFFFFEu);
    m_stack.reserve(static_cast<size_t>(m_maxNesting) + 1);
}

std::optional<QString> BinaryChecker::push(std::uint64_t index)
{
    if (static_cast<qsizetype>(m_stack.size()) >= m_maxNesting)
        return QStringLiteral("binary plist nests deeper than %1 levels").arg(m_maxNesting);
    Frame f {index, {}};
    if (auto e = readHeader(index, &f.header))
        return e;
    f.payload = f.header.payloadBytes;
    m_state[index] = (m_state[index] & kKeyChecked) | 1;
    m_stack.push_back(f);
    return std::nullopt;
}

std::optional<QString> BinaryChecker::overBudget(const Frame& f) const
{
    if (f.nodes > m_nodeBudget)
        return QStringLiteral(
            "binary plist expands to more than %1 nodes through shared references")
            .arg(m_nodeBudget);
    if (f.payload > m_payloadBudget)
        return QStringLiteral(
            "binary plist expands to more than %1 bytes through shared references")
            .arg(m_payloadBudget);
    return std::nullopt;
}

// The next child of the object `f` on top of the stack: a key is checked as one, a child
// checked before only adds what it expands to, any other is pushed.
std::optional<QString> BinaryChecker::checkNextChild(Frame& f)
{
    const std::uint64_t k = f.next++;
    const std::uint64_t child = childAt(f.header, k);
    if (child >= m_layout.objectCount)
        return QStringLiteral("object %1 refers to object %2, past the last (%3)")
            .arg(f.index)
            .arg(child)
            .arg(m_layout.objectCount);
    if (f.header.kind == ObjectKind::Dict && k < f.header.count &&
        !(m_state[child] & kKeyChecked)) {
        if (auto e = checkKey(f.index, child))
            return e;
        m_state[child] |= kKeyChecked;
    }
    const std::uint8_t visit = m_state[child] & kVisitMask;
    if (visit == 1)
        return QStringLiteral("object %1 contains itself (cyclic reference through object %2)")
            .arg(child)
            .arg(f.index);
    if (visit == 2) {
        f.nodes += m_nodes[child];
        f.payload += m_payload[child];
        return overBudget(f);
    }
    return push(child); // may reallocate: `f` is not used past this point
}

// The object on top of the stack has all its children checked: it is done, and what it
// expands to is added to its parent's.
std::optional<QString> BinaryChecker::finishTop()
{
    if (auto e = overBudget(m_stack.back()))
        return e;
    const Frame done = m_stack.back();
    m_stack.pop_back();
    m_state[done.index] = (m_state[done.index] & kKeyChecked) | 2;
    m_nodes[done.index] = static_cast<std::uint32_t>(done.nodes);
    m_payload[done.index] = static_cast<std::uint32_t>(done.payload);
    if (m_stack.empty())
        return std::nullopt;
    Frame& parent = m_stack.back();
    parent.nodes += done.nodes;
    parent.payload += done.payload;
    return overBudget(parent);
}

// Walks every object reachable from the root, depth first without recursion, checking
// each header once, every dictionary key, cycles, and what shared references expand to.
std::optional<QString> BinaryChecker::run()
{
    if (auto e = readTrailer())
        return e;
    startWalk();
    if (auto e = push(m_layout.root))
        return e;
    while (!m_stack.empty()) {
        Frame& f = m_stack.back();
        auto e = f.next < childCount(f.header) ? checkNextChild(f) : finishTop();
        if (e)
            return e;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> BinaryChecker::takeReached()
{
    return std::move(m_state);
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

std::optional<QString> checkBinaryPlist(
    const QByteArray& bytes, int maxNesting, const BinaryPlistBudget& budget)
{
    return BinaryChecker(bytes, maxNesting, budget).run();
}

std::optional<BinaryPlist> BinaryPlist::open(
    const QByteArray& bytes, int maxNesting, QString* error)
{
    // Offsets, counts and object numbers are held in 32 bits below.
    if (static_cast<std::uint64_t>(bytes.size()) >= std::numeric_limits<std::uint32_t>::max()) {
        *error = QStringLiteral("binary plist too large");
        return std::nullopt;
    }
    const int nesting = std::clamp(maxNesting, 1, kMaxPlistNesting);
    BinaryChecker checker(bytes, nesting, BinaryPlistBudget::forInput(bytes.size()));
    if (auto e = checker.run()) {
        *error = *e;
        return std::nullopt;
    }
    BinaryPlist plist;
    plist.m_layout = checker.layout();
    plist.m_checked = checker.takeReached();
    return plist;
}

std::uint64_t BinaryPlist::ref(const unsigned char* p) const
{
    return readBigEndian(p, m_layout.refSize);
}

BinaryPlist::Node BinaryPlist::node(std::uint64_t index) const
{
    // Every object reachable from the root passed readHeader in the check, and nothing
    // else is read: so the header is decoded here without checking it again.
    if (index >= m_layout.objectCount || (m_checked[index] & kVisitMask) != 2) {
        assert(false && "object not covered by the check");
        return Node {};
    }
    const unsigned char* d = m_layout.data;
    const std::uint64_t offset =
        readBigEndian(d + m_layout.tableOffset + index * m_layout.offsetSize, m_layout.offsetSize);
    const unsigned marker = d[offset];
    const unsigned low = marker & 0xF;
    Node n;
    n.index = static_cast<std::uint32_t>(index);
    n.marker = static_cast<std::uint8_t>(marker);
    std::uint64_t pos = offset + 1;
    std::uint64_t count = 0;
    auto length = [&] {
        if (low != 0xF)
            return std::uint64_t(low);
        const unsigned bytes = 1u << (d[pos] & 0xF);
        const std::uint64_t v = readBigEndian(d + pos + 1, bytes);
        pos += 1 + bytes;
        return v;
    };
    switch (marker >> 4) {
    case 0x0:
        n.type = PlistNode::Type::Boolean;
        break;
    case 0x1:
        n.type = PlistNode::Type::Integer;
        count = 1u << low;
        break;
    case 0x2:
        n.type = PlistNode::Type::Real;
        count = 1u << low;
        break;
    case 0x3:
        n.type = PlistNode::Type::Date;
        count = 8;
        break;
    case 0x4:
        n.type = PlistNode::Type::Data;
        count = length();
        break;
    case 0x5:
    case 0x6:
        n.type = PlistNode::Type::String;
        count = length();
        break;
    case 0x8:
        n.type = PlistNode::Type::Uid;
        count = low + 1;
        break;
    case 0xA:
        n.type = PlistNode::Type::Array;
        count = length();
        break;
    case 0xD:
        n.type = PlistNode::Type::Dict;
        count = length();
        break;
    default: // refused by the check
        assert(false && "marker the check refuses");
        return Node {};
    }
    n.payload = static_cast<std::uint32_t>(pos);
    n.count = static_cast<std::uint32_t>(count);
    return n;
}

std::int64_t BinaryPlist::integer(const Node& n) const
{
    const unsigned char* p = m_layout.data + n.payload;
    if (n.type == PlistNode::Type::Uid)
        return static_cast<std::int64_t>(readBigEndian(p, n.count));
    if (n.type != PlistNode::Type::Integer)
        return 0;
    // Up to 8 bytes as written (8 bytes are two's complement); of 16, the low 8.
    if (n.count == 16)
        return static_cast<std::int64_t>(readBigEndian(p + 8, 8));
    return static_cast<std::int64_t>(readBigEndian(p, n.count));
}

double BinaryPlist::real(const Node& n) const
{
    if (n.type != PlistNode::Type::Real && n.type != PlistNode::Type::Date)
        return 0;
    const unsigned char* p = m_layout.data + n.payload;
    if (n.count == 4) {
        const auto bits = static_cast<std::uint32_t>(readBigEndian(p, 4));
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    const std::uint64_t bits = readBigEndian(p, 8);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

QByteArray BinaryPlist::data(const Node& n) const
{
    if (n.type != PlistNode::Type::Data || n.count == 0)
        return QByteArray(""); // empty, but not null: null stands for nil
    return QByteArray(
        reinterpret_cast<const char*>(m_layout.data + n.payload), static_cast<qsizetype>(n.count));
}

BinaryPlist::Container BinaryPlist::container(const Node& n) const
{
    if (n.type != PlistNode::Type::Array && n.type != PlistNode::Type::Dict)
        return {};
    return Container {m_layout.data + n.payload, n.count, n.type == PlistNode::Type::Dict};
}

BinaryPlist::Node BinaryPlist::item(const Container& c, std::size_t i) const
{
    if (i >= c.count)
        return Node {};
    const std::size_t at = c.dict ? c.count + i : i;
    return node(ref(c.refs + at * m_layout.refSize));
}

BinaryPlist::Node BinaryPlist::find(const Node& dict, PlistKey key)
{
    if (dict.type != PlistNode::Type::Dict)
        return Node {};
    const Container c = container(dict);
    for (std::size_t i = 0; i < c.count; ++i) {
        if (keyName(c, i) == key)
            return item(c, i);
    }
    return Node {};
}

bool BinaryPlist::stringHasNul(const Node& n) const
{
    if (n.type != PlistNode::Type::String)
        return false;
    const unsigned char* p = m_layout.data + n.payload;
    if ((n.marker >> 4) == 0x5)
        return std::memchr(p, 0, n.count) != nullptr;
    for (std::size_t i = 0; i < n.count; ++i) {
        if (p[2 * i] == 0 && p[2 * i + 1] == 0)
            return true;
    }
    return false;
}

QString BinaryPlist::decodeString(const Node& n) const
{
    const char* p = reinterpret_cast<const char*>(m_layout.data + n.payload);
    QString out;
    // A string ends at its first NUL, as it always did when read through C strings.
    if ((n.marker >> 4) == 0x5) {
        out = QString::fromUtf8(p, static_cast<qsizetype>(qstrnlen(p, n.count)));
    } else {
        std::size_t units = 0;
        while (units < n.count && (p[2 * units] || p[2 * units + 1]))
            ++units;
        out = QString(static_cast<qsizetype>(units), Qt::Uninitialized);
        char16_t* d = reinterpret_cast<char16_t*>(out.data());
        const auto* b = reinterpret_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < units; ++i)
            d[i] = static_cast<char16_t>((b[2 * i] << 8) | b[2 * i + 1]);
    }
    if (out.isNull())
        out = QStringLiteral(""); // empty, but not null: null stands for nil
    return out;
}

std::uint32_t BinaryPlist::makeMemo(std::uint64_t index)
{
    if (m_memos.empty()) {
        m_memoOf.assign(m_layout.objectCount, kNoMemo);
        m_memos.push_back(Memo {QStringLiteral(""), PlistKey::Other});
    }
    const Node n = node(index);
    if (n.type != PlistNode::Type::String) {
        assert(false && "memo of an object that is not a string");
        return 0;
    }
    QString text = decodeString(n);
    const PlistKey key = plistKeyOf(text);
    const auto slot = static_cast<std::uint32_t>(m_memos.size());
    m_memos.push_back(Memo {std::move(text), key});
    m_memoOf[index] = slot;
    return slot;
}

namespace {

struct KeyText {
    PlistKey key;
    const char* text;
};
constexpr KeyText kKeyTexts[] = {
    {PlistKey::Objects, "$objects"},
    {PlistKey::Top, "$top"},
    {PlistKey::Root, "root"},
    {PlistKey::Class, "$class"},
    {PlistKey::ClassName, "$classname"},
    {PlistKey::Classes, "$classes"},
    {PlistKey::NsObjects, "NS.objects"},
    {PlistKey::NsKeys, "NS.keys"},
    {PlistKey::NsTime, "NS.time"},
    {PlistKey::NsString, "NS.string"},
    {PlistKey::NsBytes, "NS.bytes"},
    {PlistKey::CfUid, "CF$UID"},
};

} // namespace

PlistKey plistKeyOf(const QString& text)
{
    for (const KeyText& k : kKeyTexts) {
        if (text == QLatin1String(k.text))
            return k.key;
    }
    return PlistKey::Other;
}

const char* plistKeyText(PlistKey key)
{
    for (const KeyText& k : kKeyTexts) {
        if (k.key == key)
            return k.text;
    }
    return "";
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
