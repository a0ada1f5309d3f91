#pragma once

// Private to the keyed archive code: reading property lists for the unarchiver. A binary
// plist is checked completely first and then read in place (BinaryPlist); an XML plist
// is read into a plain tree with QXmlStreamReader (PlistNode).

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

// Dictionary keys the unarchiver looks for, recognised once per key string.
enum class PlistKey : std::uint8_t {
    Other,
    Objects,
    Top,
    Root,
    Class,
    ClassName,
    Classes,
    NsObjects,
    NsKeys,
    NsTime,
    NsString,
    NsBytes,
    CfUid
};
PlistKey plistKeyOf(const QString& text);
const char* plistKeyText(PlistKey key);

// Property-list containers may nest this deep at most. Keyed archives are flat (about
// four levels); the object graph's own depth lives in UID references, not here.
constexpr int kMaxPlistNesting = 32;

// What a binary plist may expand to were shared references copied, as a tree reader
// such as libplist does: nodes and payload bytes, in proportion to the input. Reading in
// place copies nothing, but the bound still caps the work of decoding what is shared.
struct BinaryPlistBudget {
    std::uint64_t nodes = 0;
    std::uint64_t payloadBytes = 0;
    static BinaryPlistBudget forInput(std::uint64_t size);
};

// Checks a "bplist00" byte string completely — trailer, offset table, every reachable
// object's marker and extent, references in range, dictionary keys being strings
// without NUL, no cycles, nesting and expanded size. Returns an error text, or nothing
// when the bytes are safe to read.
std::optional<QString> checkBinaryPlist(
    const QByteArray& bytes, int maxNesting, const BinaryPlistBudget& budget);

// Where the parts of a binary plist lie, from its trailer.
struct BinaryPlistLayout {
    const unsigned char* data = nullptr;
    std::uint64_t size = 0;
    unsigned offsetSize = 0;
    unsigned refSize = 0;
    std::uint64_t objectCount = 0;
    std::uint64_t root = 0;
    std::uint64_t tableOffset = 0; // objects live in [8, tableOffset)
};

// A binary plist that passed checkBinaryPlist, read where it lies. Only objects the check
// reached can be read; strings are decoded once each and then shared. The bytes must
// outlive this object.
class BinaryPlist {
public:
    static constexpr std::uint32_t kNoIndex = 0xFFFFFFFFu;
    static constexpr std::uint32_t kNoMemo = 0xFFFFFFFFu;

    // An object and what its header says, read once.
    struct Node {
        std::uint32_t index = kNoIndex;
        std::uint32_t payload = 0; // offset of the first byte after marker and length
        std::uint32_t count = 0;   // entries, bytes or UTF-16 units
        PlistNode::Type type = PlistNode::Type::Boolean;
        std::uint8_t marker = 0;
    };
    struct Container {
        const unsigned char* refs = nullptr;
        std::uint32_t count = 0;
        bool dict = false;
    };

    static std::optional<BinaryPlist> open(const QByteArray& bytes, int maxNesting, QString* error);

    Node root() const { return node(m_layout.root); }
    static bool valid(const Node& n) { return n.index != kNoIndex; }
    PlistNode::Type type(const Node& n) const { return n.type; }
    bool boolean(const Node& n) const { return (n.marker & 0xF) == 0x9; }
    std::int64_t integer(const Node& n) const; // integers and UIDs
    double real(const Node& n) const;          // reals and dates
    QString string(const Node& n) { return m_memos[memoSlot(n.index)].text; }
    // Whether a string holds a NUL, where string() ends it.
    bool stringHasNul(const Node& n) const;
    QByteArray data(const Node& n) const;

    Container container(const Node& n) const;
    static std::size_t size(const Container& c) { return c.count; }
    Node item(const Container& c, std::size_t i) const; // array item or dictionary value
    const QString& keyText(const Container& c, std::size_t i)
    {
        return m_memos[keyMemo(c, i)].text;
    }
    PlistKey keyName(const Container& c, std::size_t i) { return m_memos[keyMemo(c, i)].key; }
    // A small number standing for the key's text object, for the caller's own memos.
    std::uint32_t keyMemo(const Container& c, std::size_t i)
    {
        return i < c.count ? memoSlot(ref(c.refs + i * m_layout.refSize)) : 0;
    }
    Node find(const Node& dict, PlistKey key);

private:
    struct Memo {
        QString text;
        PlistKey key = PlistKey::Other;
    };

    BinaryPlist() = default;
    Node node(std::uint64_t index) const;
    std::uint64_t ref(const unsigned char* p) const;
    // The memo of string object `index`, made on first use; slot 0 (an empty text) for
    // anything that is not a string.
    std::uint32_t memoSlot(std::uint64_t index)
    {
        if (index < m_memoOf.size() && m_memoOf[index] != kNoMemo)
            return m_memoOf[index];
        return makeMemo(index);
    }
    std::uint32_t makeMemo(std::uint64_t index);
    QString decodeString(const Node& n) const;

    BinaryPlistLayout m_layout;
    std::vector<std::uint8_t> m_checked; // per object: whether the check reached it
    std::vector<std::uint32_t> m_memoOf; // per object: its memo slot, or kNoMemo
    std::vector<Memo> m_memos;
};

// XML property list → tree. nullopt with `error` set when the bytes are damaged.
std::optional<PlistNode> readXmlPropertyList(
    const QByteArray& bytes, int maxNesting, QString* error);

} // namespace fetemark::keyedarchive
