#pragma once

// Private to the keyed archive code: writes a "bplist00" binary property list straight
// from a table of objects, without building a libplist tree first.

#include "platform/archive/KeyedArchiveHash.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fetemark::keyedarchive {

// Builds the object table of a binary plist. Scalars (booleans, integers, reals, strings,
// data, UIDs) are written once per distinct value and shared by every reference, as
// Apple's writer and libplist do. Containers take a place first and get their contents
// later, so that a container can be referenced before everything in it is written.
//
// The file follows Apple's layout: "bplist00", the objects, a table of their offsets,
// and a 32-byte trailer. Numbers are big-endian; integers, lengths and UIDs use the
// fewest of 1, 2, 4 or 8 bytes that hold them, object references the fewest bytes that
// hold the object count, offsets the fewest that hold the offset table's own offset.
class BinaryPlistWriter {
public:
    // An object's place in the table. Opaque: only for passing back to this writer.
    using Ref = std::uint32_t;

    BinaryPlistWriter();

    Ref boolean(bool v);
    Ref integer(std::int64_t v); // negative values take 8 bytes, two's complement
    Ref real(double v);          // always 8 bytes, so every bit pattern survives
    // ASCII when every character is, UTF-16BE otherwise (surrogate pairs as they are).
    Ref string(const QString& v);
    // The same, in two steps, for a caller that keeps a number of its own with each
    // string (StringTable::Entry::second, 0 until the caller sets it). An entry lasts
    // until the next string is added.
    StringTable::Entry* findString(const QString& v, std::uint64_t hash)
    {
        return m_strings.find(v, hash);
    }
    StringTable::Entry& addString(const QString& v, std::uint64_t hash);
    Ref data(const QByteArray& v);
    Ref uid(std::uint32_t v);

    // A container's place, to be filled by exactly one setArray or setDictionary call.
    Ref reserveContainer();
    void setArray(Ref container, const Ref* items, std::size_t count);
    // `pairs` holds key, value, key, value, ...: `count` pairs in all.
    void setDictionary(Ref container, const Ref* pairs, std::size_t count);

    // The whole file, with `top` as its root object; nullopt when the table grew past
    // what this writer can index (2^31 scalars or containers).
    std::optional<QByteArray> finish(Ref top);

private:
    static constexpr Ref kContainerBit = 0x80000000u;
    static constexpr Ref kNone = 0xFFFFFFFFu;

    struct Container {
        std::uint32_t firstRef = 0; // into m_refs
        std::uint32_t count = 0;    // items, or key/value pairs
        std::uint8_t marker = 0;    // 0xA0 array, 0xD0 dictionary, 0 not yet set
    };

    Ref addScalar();
    void putMarker(unsigned type, std::uint64_t count);
    void putInt(std::uint64_t v, unsigned bytes);

    std::string m_out; // "bplist00" and the scalars, in table order
    std::vector<std::uint64_t> m_scalarOffsets;
    std::vector<Container> m_containers;
    std::vector<Ref> m_refs; // container contents, as handed in
    bool m_overflow = false;

    Ref m_bool[2] = {kNone, kNone};
    FlatMap64 m_integers;
    FlatMap64 m_reals;     // by bit pattern
    StringTable m_strings; // first: the object
    void writeString(const QString& v);
    QHash<QByteArray, Ref> m_data;
    static constexpr std::uint32_t kDenseUids = 1u << 20;
    std::vector<Ref> m_denseUids; // by value, below kDenseUids
    FlatMap64 m_uids;             // by value, from kDenseUids on
};

} // namespace fetemark::keyedarchive
