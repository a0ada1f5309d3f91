#pragma once

// Private to the keyed archive code: a plain property-list tree that the unarchiver
// reads from, filled either from a binary plist (checked here first, then parsed by
// libplist) or from an XML plist (read here with QXmlStreamReader).

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace fetemark::keyedarchive {

// One node of a property list. A plain struct rather than a variant: a vector of the
// type itself is fine as a member, but not inside a variant (clang instantiates the
// constexpr destructor before the type is complete).
struct PlistNode {
    enum class Type : std::uint8_t { Boolean, Integer, Real, String, Data, Date, Uid, Array, Dict };

    Type type = Type::Boolean;
    bool boolean = false;
    std::int64_t integer = 0; // also a UID's value
    double real = 0;          // also a date: seconds since 2001-01-01 UTC
    QString string;
    QByteArray data;
    std::vector<PlistNode> items; // array items, or dictionary values
    std::vector<QString> keys;    // dictionary keys, in file order, duplicates kept

    bool is(Type t) const { return type == t; }
    // First value stored under `key` in a dictionary node, or nullptr.
    const PlistNode* find(const QString& key) const;
};

// Property-list containers may nest this deep at most. Keyed archives are flat (about
// four levels); the object graph's own depth lives in UID references, not here.
constexpr int kMaxPlistNesting = 32;

// What a binary plist may expand to once shared references are copied, as libplist
// does: nodes and payload bytes, in proportion to the input.
struct BinaryPlistBudget {
    std::uint64_t nodes = 0;
    std::uint64_t payloadBytes = 0;
    static BinaryPlistBudget forInput(std::uint64_t size);
};

// Checks a "bplist00" byte string completely — trailer, offset table, every reachable
// object's marker and extent, references in range, dictionary keys being strings, no
// cycles, nesting and expanded size — so that libplist only ever parses sane input.
// Returns an error text, or nothing when the bytes are safe to hand to libplist.
std::optional<QString> checkBinaryPlist(const QByteArray& bytes, int maxNesting,
                                        const BinaryPlistBudget& budget);

// Binary (by its "bplist" magic) or XML property list → tree. nullopt with `error` set
// when the bytes are neither or are damaged.
std::optional<PlistNode> readPropertyList(const QByteArray& bytes, int maxNesting, QString* error);

std::optional<PlistNode> readBinaryPropertyList(const QByteArray& bytes, int maxNesting,
                                                QString* error);
std::optional<PlistNode> readXmlPropertyList(const QByteArray& bytes, int maxNesting,
                                             QString* error);

} // namespace fetemark::keyedarchive
