#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

namespace fetemark {

// Property lists (XML or binary) as QVariant trees: dict ↔ QVariantMap, array ↔
// QVariantList, string ↔ QString, integer ↔ qint64, real ↔ double, boolean ↔ bool,
// date ↔ QDateTime (UTC), data ↔ QByteArray. Used for the settings file and the
// resource tables.
namespace PropertyList {

// The root value, or nullopt with `error` set when the bytes are not a property list.
// A NUL inside a string or key makes them damaged too: the XML form cannot hold one.
std::optional<QVariant> read(const QByteArray& bytes, QString* error = nullptr);

// XML form of `value`. Fails (nullopt, `error` set) for values a property list cannot
// hold: null or unsupported QVariant types, and dates outside 1901..2038, which the
// property list library stores as 32-bit seconds around 2001.
std::optional<QByteArray> writeXml(const QVariant& value, QString* error = nullptr);

} // namespace PropertyList
} // namespace fetemark
