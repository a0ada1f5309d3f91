#include "KeyedArchiveBinaryWriter.h"

#include <algorithm>
#include <cstring>

namespace fetemark::keyedarchive {

namespace {

// The fewest of 1, 2, 4 or 8 bytes that hold `v`, as Apple's writer chooses them.
unsigned bytesFor(std::uint64_t v)
{
    if (v < (1ull << 8))
        return 1;
    if (v < (1ull << 16))
        return 2;
    if (v < (1ull << 32))
        return 4;
    return 8;
}

// The fewest bytes, 1 to 8, that hold `v`: the width of object references and offsets,
// which the trailer states (any width, as Apple's writer picks it).
unsigned significantBytes(std::uint64_t v)
{
    unsigned n = 1;
    while (n < 8 && (v >> (8 * n)) != 0)
        ++n;
    return n;
}

unsigned log2Of(unsigned bytes)
{
    return bytes == 1 ? 0 : bytes == 2 ? 1 : bytes == 4 ? 2 : 3;
}

void putBigEndian(unsigned char* p, std::uint64_t v, unsigned bytes)
{
    switch (bytes) {
    case 1:
        p[0] = static_cast<unsigned char>(v);
        return;
    case 2:
        p[0] = static_cast<unsigned char>(v >> 8);
        p[1] = static_cast<unsigned char>(v);
        return;
    case 3:
        p[0] = static_cast<unsigned char>(v >> 16);
        p[1] = static_cast<unsigned char>(v >> 8);
        p[2] = static_cast<unsigned char>(v);
        return;
    default:
        for (unsigned i = 0; i < bytes; ++i)
            p[i] = static_cast<unsigned char>(v >> (8 * (bytes - 1 - i)));
        return;
    }
}

void appendBigEndian(std::string& out, std::uint64_t v, unsigned bytes)
{
    unsigned char buf[8];
    putBigEndian(buf, v, bytes);
    out.append(reinterpret_cast<const char*>(buf), bytes);
}

} // namespace

BinaryPlistWriter::BinaryPlistWriter()
{
    m_out.append("bplist00", 8);
}

BinaryPlistWriter::Ref BinaryPlistWriter::addScalar()
{
    if (m_scalarOffsets.size() >= kContainerBit)
        m_overflow = true;
    m_scalarOffsets.push_back(m_out.size());
    return static_cast<Ref>(m_scalarOffsets.size() - 1);
}

void BinaryPlistWriter::putInt(std::uint64_t v, unsigned bytes)
{
    m_out.push_back(static_cast<char>(0x10 | log2Of(bytes)));
    appendBigEndian(m_out, v, bytes);
}

void BinaryPlistWriter::putMarker(unsigned type, std::uint64_t count)
{
    if (count < 15) {
        m_out.push_back(static_cast<char>(type | count));
        return;
    }
    m_out.push_back(static_cast<char>(type | 0xF));
    putInt(count, bytesFor(count));
}

BinaryPlistWriter::Ref BinaryPlistWriter::boolean(bool v)
{
    Ref& slot = m_bool[v ? 1 : 0];
    if (slot == kNone) {
        slot = addScalar();
        m_out.push_back(static_cast<char>(v ? 0x09 : 0x08));
    }
    return slot;
}

BinaryPlistWriter::Ref BinaryPlistWriter::integer(std::int64_t v)
{
    bool inserted = false;
    Ref& slot = m_integers.findOrInsert(static_cast<std::uint64_t>(v), kNone, &inserted);
    if (!inserted)
        return slot;
    const Ref ref = addScalar();
    slot = ref;
    const auto u = static_cast<std::uint64_t>(v);
    putInt(u, v < 0 ? 8 : bytesFor(u));
    return ref;
}

BinaryPlistWriter::Ref BinaryPlistWriter::real(double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    bool inserted = false;
    Ref& slot = m_reals.findOrInsert(bits, kNone, &inserted);
    if (!inserted)
        return slot;
    const Ref ref = addScalar();
    slot = ref;
    m_out.push_back(static_cast<char>(0x23));
    appendBigEndian(m_out, bits, 8);
    return ref;
}

BinaryPlistWriter::Ref BinaryPlistWriter::string(const QString& v)
{
    const std::uint64_t hash = hashText(v);
    if (const StringTable::Entry* e = m_strings.find(v, hash))
        return e->first;
    return addString(v, hash).first;
}

StringTable::Entry& BinaryPlistWriter::addString(const QString& v, std::uint64_t hash)
{
    const Ref ref = addScalar();
    writeString(v);
    return m_strings.add(v, hash, ref, 0);
}

void BinaryPlistWriter::writeString(const QString& v)
{
    const char16_t* units = reinterpret_cast<const char16_t*>(v.constData());
    const auto n = static_cast<std::size_t>(v.size());
    bool ascii = true;
    for (std::size_t i = 0; i < n && ascii; ++i)
        ascii = units[i] < 0x80;
    if (ascii) {
        putMarker(0x50, n);
        const std::size_t start = m_out.size();
        m_out.resize(start + n);
        char* p = m_out.data() + start;
        for (std::size_t i = 0; i < n; ++i)
            p[i] = static_cast<char>(units[i]);
    } else {
        putMarker(0x60, n); // counted in UTF-16 units
        const std::size_t start = m_out.size();
        m_out.resize(start + 2 * n);
        char* p = m_out.data() + start;
        for (std::size_t i = 0; i < n; ++i) {
            p[2 * i] = static_cast<char>(units[i] >> 8);
            p[2 * i + 1] = static_cast<char>(units[i] & 0xFF);
        }
    }
}

BinaryPlistWriter::Ref BinaryPlistWriter::data(const QByteArray& v)
{
    auto it = m_data.constFind(v);
    if (it != m_data.constEnd())
        return *it;
    const Ref ref = addScalar();
    m_data.insert(v, ref);
    putMarker(0x40, static_cast<std::uint64_t>(v.size()));
    m_out.append(v.constData(), static_cast<std::size_t>(v.size()));
    return ref;
}

BinaryPlistWriter::Ref BinaryPlistWriter::uid(std::uint32_t v)
{
    // UIDs count up from 0 in a keyed archive: a plain table for those, a map past it.
    Ref* slot;
    if (v < kDenseUids) {
        if (v >= m_denseUids.size())
            m_denseUids.resize(
                std::min<std::size_t>(
                    std::max<std::size_t>(2 * m_denseUids.size(), v + 1), kDenseUids),
                kNone);
        slot = &m_denseUids[v];
    } else {
        bool inserted = false;
        slot = &m_uids.findOrInsert(v, kNone, &inserted);
    }
    if (*slot != kNone)
        return *slot;
    *slot = addScalar();
    const unsigned bytes = bytesFor(v); // 1, 2 or 4: a UID is 32 bits at most
    m_out.push_back(static_cast<char>(0x80 | (bytes - 1)));
    appendBigEndian(m_out, v, bytes);
    return *slot;
}

BinaryPlistWriter::Ref BinaryPlistWriter::reserveContainer()
{
    if (m_containers.size() >= kContainerBit)
        m_overflow = true;
    m_containers.emplace_back();
    return static_cast<Ref>(m_containers.size() - 1) | kContainerBit;
}

void BinaryPlistWriter::setArray(Ref container, const Ref* items, std::size_t count)
{
    Container& c = m_containers[container & ~kContainerBit];
    c.marker = 0xA0;
    c.firstRef = static_cast<std::uint32_t>(m_refs.size());
    c.count = static_cast<std::uint32_t>(count);
    if (m_refs.size() + count >= kContainerBit)
        m_overflow = true;
    m_refs.insert(m_refs.end(), items, items + count);
}

void BinaryPlistWriter::setDictionary(Ref container, const Ref* pairs, std::size_t count)
{
    Container& c = m_containers[container & ~kContainerBit];
    c.marker = 0xD0;
    c.firstRef = static_cast<std::uint32_t>(m_refs.size());
    c.count = static_cast<std::uint32_t>(count);
    if (m_refs.size() + 2 * count >= kContainerBit)
        m_overflow = true;
    // All keys, then all values.
    const std::size_t base = m_refs.size();
    m_refs.resize(base + 2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        m_refs[base + i] = pairs[2 * i];
        m_refs[base + count + i] = pairs[2 * i + 1];
    }
}

std::optional<QByteArray> BinaryPlistWriter::finish(Ref top)
{
    if (m_overflow)
        return std::nullopt;
    // Scalars are numbered first, containers after them, all in the order written, so
    // the table's order is the file's order.
    const std::uint64_t scalars = m_scalarOffsets.size();
    const std::uint64_t total = scalars + m_containers.size();
    // References must be able to name the object count itself, as Apple's reader requires.
    const unsigned refSize = significantBytes(total);
    auto index = [&](Ref r) -> std::uint64_t {
        return (r & kContainerBit) ? scalars + (r & ~kContainerBit) : r;
    };

    std::vector<std::uint64_t> containerOffsets;
    containerOffsets.reserve(m_containers.size());
    for (const Container& c : m_containers) {
        if (!c.marker)
            return std::nullopt; // a place was taken and never filled
        containerOffsets.push_back(m_out.size());
        putMarker(c.marker, c.count);
        const std::size_t refs = c.marker == 0xD0 ? 2 * std::size_t(c.count) : c.count;
        const std::size_t start = m_out.size();
        m_out.resize(start + refs * refSize);
        unsigned char* p = reinterpret_cast<unsigned char*>(m_out.data() + start);
        const Ref* in = m_refs.data() + c.firstRef;
        for (std::size_t i = 0; i < refs; ++i, p += refSize)
            putBigEndian(p, index(in[i]), refSize);
    }

    const std::uint64_t tableOffset = m_out.size();
    const unsigned offsetSize = significantBytes(tableOffset);
    m_out.resize(tableOffset + total * offsetSize);
    unsigned char* table = reinterpret_cast<unsigned char*>(m_out.data() + tableOffset);
    for (std::uint64_t o : m_scalarOffsets) {
        putBigEndian(table, o, offsetSize);
        table += offsetSize;
    }
    for (std::uint64_t o : containerOffsets) {
        putBigEndian(table, o, offsetSize);
        table += offsetSize;
    }

    // Trailer: five unused bytes, the sort version, then the sizes and counts.
    m_out.append(6, '\0');
    m_out.push_back(static_cast<char>(offsetSize));
    m_out.push_back(static_cast<char>(refSize));
    appendBigEndian(m_out, total, 8);
    appendBigEndian(m_out, index(top), 8);
    appendBigEndian(m_out, tableOffset, 8);
    return QByteArray(m_out.data(), static_cast<qsizetype>(m_out.size()));
}

} // namespace fetemark::keyedarchive
