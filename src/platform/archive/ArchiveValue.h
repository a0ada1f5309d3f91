#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <utility>
#include <variant>
#include <vector>

namespace fetemark {

class ArchiveValue;

// An ordered list of values; held by shared pointer so that one array placed in two
// spots of a graph is archived once and comes back as one array.
struct ArchiveArray {
    std::vector<ArchiveValue> items;
};

// Keys are strings, as in every archive this application writes.
struct ArchiveDictionary {
    std::vector<std::pair<QString, ArchiveValue>> entries;
    const ArchiveValue* find(const QString& key) const;
};

// An instance of an archived class: its class chain (most derived first, e.g.
// {"OccasionRecord", "NSObject"}) and its fields in the order they were encoded.
// Booleans and numbers among the fields are written inline, everything else by
// reference, as the keyed archiver does.
struct ArchiveObject {
    QStringList classes;
    std::vector<std::pair<QString, ArchiveValue>> fields;

    QString className() const { return classes.isEmpty() ? QString() : classes.first(); }
    const ArchiveValue* find(const QString& key) const;
};

// One node of an archived object graph. Scalars are held by value; arrays, dictionaries
// and objects by shared pointer, whose identity decides what is written once and
// referenced (the same pointer twice is one object in the archive).
class ArchiveValue {
public:
    using ArrayPtr = std::shared_ptr<ArchiveArray>;
    using DictionaryPtr = std::shared_ptr<ArchiveDictionary>;
    using ObjectPtr = std::shared_ptr<ArchiveObject>;

    ArchiveValue() = default; // null
    static ArchiveValue boolean(bool v) { return ArchiveValue(Storage(std::in_place_index<1>, v)); }
    static ArchiveValue integer(std::int64_t v)
    {
        return ArchiveValue(Storage(std::in_place_index<2>, v));
    }
    static ArchiveValue real(double v) { return ArchiveValue(Storage(std::in_place_index<3>, v)); }
    static ArchiveValue string(const QString& v)
    {
        return ArchiveValue(Storage(std::in_place_index<4>, v));
    }
    // A moment in time, archived as an NSDate (seconds since 2001-01-01 UTC). An invalid
    // QDateTime is archived as null.
    static ArchiveValue date(const QDateTime& v);
    static ArchiveValue data(const QByteArray& v)
    {
        return ArchiveValue(Storage(std::in_place_index<6>, v));
    }
    static ArchiveValue array(ArrayPtr v)
    {
        return ArchiveValue(Storage(std::in_place_index<7>, std::move(v)));
    }
    static ArchiveValue dictionary(DictionaryPtr v)
    {
        return ArchiveValue(Storage(std::in_place_index<8>, std::move(v)));
    }
    static ArchiveValue object(ObjectPtr v)
    {
        return ArchiveValue(Storage(std::in_place_index<9>, std::move(v)));
    }

    enum class Kind { Null, Boolean, Integer, Real, String, Date, Data, Array, Dictionary, Object };
    Kind kind() const { return static_cast<Kind>(m_value.index()); }
    bool isNull() const { return kind() == Kind::Null; }

    // Typed access; each returns nullptr when the value is of another kind.
    const bool* asBoolean() const { return std::get_if<1>(&m_value); }
    const std::int64_t* asInteger() const { return std::get_if<2>(&m_value); }
    const double* asReal() const { return std::get_if<3>(&m_value); }
    const QString* asString() const { return std::get_if<4>(&m_value); }
    const QDateTime* asDate() const { return std::get_if<5>(&m_value); }
    const QByteArray* asData() const { return std::get_if<6>(&m_value); }
    const ArchiveArray* asArray() const
    {
        auto p = std::get_if<7>(&m_value);
        return p ? p->get() : nullptr;
    }
    const ArchiveDictionary* asDictionary() const
    {
        auto p = std::get_if<8>(&m_value);
        return p ? p->get() : nullptr;
    }
    const ArchiveObject* asObject() const
    {
        auto p = std::get_if<9>(&m_value);
        return p ? p->get() : nullptr;
    }

    // The shared pointer behind an array, dictionary or object (null for scalars): the
    // identity the archiver uses for sharing.
    const void* identity() const;

private:
    using Storage = std::variant<std::monostate, bool, std::int64_t, double, QString, QDateTime,
        QByteArray, ArrayPtr, DictionaryPtr, ObjectPtr>;
    explicit ArchiveValue(Storage v) : m_value(std::move(v)) { }
    Storage m_value;
};

// Building an object field by field, in the manner of a keyed coder.
class ArchiveObjectWriter {
public:
    explicit ArchiveObjectWriter(QStringList classes);

    void encodeBool(const QString& key, bool v);
    void encodeInt(const QString& key, std::int64_t v);
    void encodeDouble(const QString& key, double v);
    void encodeString(const QString& key, const QString& v);  // null QString → null
    void encodeDate(const QString& key, const QDateTime& v);  // invalid → null
    void encodeData(const QString& key, const QByteArray& v); // null QByteArray → null
    void encodeValue(const QString& key, ArchiveValue v);

    ArchiveValue finish();

private:
    void setField(const QString& key, ArchiveValue v);

    std::shared_ptr<ArchiveObject> m_object;
    // One bit per key encoded so far, by a small hash: a key whose bit is clear is new,
    // and needs no search through the fields. Valid for the first m_keyBitsCover fields
    // (a copy of this writer may add fields too).
    std::uint64_t m_keyBits = 0;
    std::size_t m_keyBitsCover = 0;
};

// Reading an object's fields leniently: an absent key, a null or a value of the wrong
// kind gives the fallback; numbers and booleans convert into each other as the keyed
// unarchiver does.
class ArchiveObjectReader {
public:
    explicit ArchiveObjectReader(const ArchiveObject& object) : m_object(object) { }

    bool contains(const QString& key) const;
    bool decodeBool(const QString& key, bool fallback = false) const;
    std::int64_t decodeInt(const QString& key, std::int64_t fallback = 0) const;
    double decodeDouble(const QString& key, double fallback = 0) const;
    QString decodeString(const QString& key) const;  // null QString when absent
    QDateTime decodeDate(const QString& key) const;  // invalid when absent
    QByteArray decodeData(const QString& key) const; // null when absent
    const ArchiveValue* value(const QString& key) const;

private:
    const ArchiveObject& m_object;
};

} // namespace fetemark
