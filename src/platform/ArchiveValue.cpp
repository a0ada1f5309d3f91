#include "ArchiveValue.h"

#include <QTimeZone>

#include <cmath>
#include <limits>

namespace fetemark {

namespace {

template <typename Entries>
const ArchiveValue* findEntry(const Entries& entries, const QString& key)
{
    for (const auto& [k, v] : entries) {
        if (k == key)
            return &v;
    }
    return nullptr;
}

// A keyed coder keeps one value per key: encoding a key again replaces its value where
// it stands, so the field order stays that of the first encoding.
void setField(ArchiveObject& object, const QString& key, ArchiveValue v)
{
    for (auto& [k, existing] : object.fields) {
        if (k == key) {
            existing = std::move(v);
            return;
        }
    }
    object.fields.emplace_back(key, std::move(v));
}

} // namespace

const ArchiveValue* ArchiveDictionary::find(const QString& key) const { return findEntry(entries, key); }

const ArchiveValue* ArchiveObject::find(const QString& key) const { return findEntry(fields, key); }

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

ArchiveObjectWriter::ArchiveObjectWriter(QStringList classes)
    : m_object(std::make_shared<ArchiveObject>())
{
    m_object->classes = std::move(classes);
}

void ArchiveObjectWriter::encodeBool(const QString& key, bool v) { setField(*m_object, key, ArchiveValue::boolean(v)); }

void ArchiveObjectWriter::encodeInt(const QString& key, std::int64_t v)
{
    setField(*m_object, key, ArchiveValue::integer(v));
}

void ArchiveObjectWriter::encodeDouble(const QString& key, double v) { setField(*m_object, key, ArchiveValue::real(v)); }

void ArchiveObjectWriter::encodeString(const QString& key, const QString& v)
{
    setField(*m_object, key, v.isNull() ? ArchiveValue() : ArchiveValue::string(v));
}

void ArchiveObjectWriter::encodeDate(const QString& key, const QDateTime& v)
{
    setField(*m_object, key, ArchiveValue::date(v));
}

void ArchiveObjectWriter::encodeData(const QString& key, const QByteArray& v)
{
    setField(*m_object, key, v.isNull() ? ArchiveValue() : ArchiveValue::data(v));
}

void ArchiveObjectWriter::encodeValue(const QString& key, ArchiveValue v) { setField(*m_object, key, std::move(v)); }

ArchiveValue ArchiveObjectWriter::finish() { return ArchiveValue::object(m_object); }

bool ArchiveObjectReader::contains(const QString& key) const { return m_object.find(key) != nullptr; }

const ArchiveValue* ArchiveObjectReader::value(const QString& key) const { return m_object.find(key); }

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
