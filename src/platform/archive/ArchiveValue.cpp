#include "ArchiveValue.h"

#include <QTimeZone>

#include <cmath>
#include <limits>

namespace fetemark {

namespace {

template<typename Entries> const ArchiveValue* findEntry(const Entries& entries, const QString& key)
{
    // Length and first character inline before the full comparison: names of one
    // object mostly differ in one or the other.
    const qsizetype length = key.size();
    const QChar first = length ? key.front() : QChar();
    for (const auto& [k, v] : entries) {
        if (k.size() == length && (!length || k.front() == first) && k == key)
            return &v;
    }
    return nullptr;
}

} // namespace

const ArchiveValue* ArchiveDictionary::find(const QString& key) const
{
    return findEntry(entries, key);
}

const ArchiveValue* ArchiveObject::find(const QString& key) const
{
    return findEntry(fields, key);
}

ArchiveValue ArchiveValue::date(const QDateTime& v)
{
    if (!v.isValid())
        return {};
    return ArchiveValue(Storage(std::in_place_index<5>, v.toUTC()));
}

const void* ArchiveValue::identity() const
{
    switch (kind()) {
    case Kind::Array:
        return asArray();
    case Kind::Dictionary:
        return asDictionary();
    case Kind::Object:
        return asObject();
    default:
        return nullptr;
    }
}

namespace {

std::uint64_t keyBit(const QString& key)
{
    const qsizetype length = key.size();
    const unsigned first = length ? key.front().unicode() : 0;
    const unsigned last = length ? key.back().unicode() : 0;
    return std::uint64_t(1) << ((std::size_t(length) * 7 + first * 3 + last) & 63);
}

} // namespace

// A keyed coder keeps one value per key: encoding a key again replaces its value where
// it stands, so the field order stays that of the first encoding.
void ArchiveObjectWriter::setField(const QString& key, ArchiveValue v)
{
    auto& fields = m_object->fields;
    if (m_keyBitsCover != fields.size()) {
        m_keyBits = 0;
        for (const auto& field : fields)
            m_keyBits |= keyBit(field.first);
    }
    const std::uint64_t bit = keyBit(key);
    if (m_keyBits & bit) {
        const qsizetype length = key.size();
        for (auto& [k, existing] : fields) {
            if (k.size() == length && k == key) {
                existing = std::move(v);
                m_keyBitsCover = fields.size();
                return;
            }
        }
    }
    m_keyBits |= bit;
    fields.emplace_back(key, std::move(v));
    m_keyBitsCover = fields.size();
}

ArchiveObjectWriter::ArchiveObjectWriter(QStringList classes)
    : m_object(std::make_shared<ArchiveObject>())
{
    m_object->classes = std::move(classes);
}

void ArchiveObjectWriter::encodeBool(const QString& key, bool v)
{
    setField(key, ArchiveValue::boolean(v));
}

void ArchiveObjectWriter::encodeInt(const QString& key, std::int64_t v)
{
    setField(key, ArchiveValue::integer(v));
}

void ArchiveObjectWriter::encodeDouble(const QString& key, double v)
{
    setField(key, ArchiveValue::real(v));
}

void ArchiveObjectWriter::encodeString(const QString& key, const QString& v)
{
    setField(key, v.isNull() ? ArchiveValue() : ArchiveValue::string(v));
}

void ArchiveObjectWriter::encodeDate(const QString& key, const QDateTime& v)
{
    setField(key, ArchiveValue::date(v));
}

void ArchiveObjectWriter::encodeData(const QString& key, const QByteArray& v)
{
    setField(key, v.isNull() ? ArchiveValue() : ArchiveValue::data(v));
}

void ArchiveObjectWriter::encodeValue(const QString& key, ArchiveValue v)
{
    setField(key, std::move(v));
}

ArchiveValue ArchiveObjectWriter::finish()
{
    return ArchiveValue::object(m_object);
}

bool ArchiveObjectReader::contains(const QString& key) const
{
    return m_object.find(key) != nullptr;
}

const ArchiveValue* ArchiveObjectReader::value(const QString& key) const
{
    return m_object.find(key);
}

bool ArchiveObjectReader::decodeBool(const QString& key, bool fallback) const
{
    const ArchiveValue* v = m_object.find(key);
    if (!v)
        return fallback;
    if (const bool* b = v->asBoolean())
        return *b;
    if (const std::int64_t* i = v->asInteger())
        return *i != 0;
    if (const double* d = v->asReal())
        return *d != 0; // NaN is true, as for a C conversion
    return fallback;
}

std::int64_t ArchiveObjectReader::decodeInt(const QString& key, std::int64_t fallback) const
{
    const ArchiveValue* v = m_object.find(key);
    if (!v)
        return fallback;
    if (const std::int64_t* i = v->asInteger())
        return *i;
    if (const bool* b = v->asBoolean())
        return *b ? 1 : 0;
    if (const double* d = v->asReal()) {
        // Truncation toward zero as for a C cast, but without its undefined behaviour
        // for NaN and out-of-range values.
        if (std::isnan(*d))
            return fallback;
        if (*d >= 9223372036854775808.0)
            return std::numeric_limits<std::int64_t>::max();
        if (*d < -9223372036854775808.0)
            return std::numeric_limits<std::int64_t>::min();
        return static_cast<std::int64_t>(*d);
    }
    return fallback;
}

double ArchiveObjectReader::decodeDouble(const QString& key, double fallback) const
{
    const ArchiveValue* v = m_object.find(key);
    if (!v)
        return fallback;
    if (const double* d = v->asReal())
        return *d;
    if (const std::int64_t* i = v->asInteger())
        return static_cast<double>(*i);
    if (const bool* b = v->asBoolean())
        return *b ? 1.0 : 0.0;
    return fallback;
}

QString ArchiveObjectReader::decodeString(const QString& key) const
{
    const ArchiveValue* v = m_object.find(key);
    const QString* s = v ? v->asString() : nullptr;
    return s ? *s : QString();
}

QDateTime ArchiveObjectReader::decodeDate(const QString& key) const
{
    const ArchiveValue* v = m_object.find(key);
    const QDateTime* d = v ? v->asDate() : nullptr;
    return d ? *d : QDateTime();
}

QByteArray ArchiveObjectReader::decodeData(const QString& key) const
{
    const ArchiveValue* v = m_object.find(key);
    const QByteArray* d = v ? v->asData() : nullptr;
    return d ? *d : QByteArray();
}

} // namespace fetemark
