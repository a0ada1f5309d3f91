#pragma once

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

// Archive graphs written out in tests, and their trip through the archiver.
namespace fetemark::test {

inline ArchiveValue arrayOf(std::vector<ArchiveValue> items)
{
    auto a = std::make_shared<ArchiveArray>();
    a->items = std::move(items);
    return ArchiveValue::array(a);
}

inline ArchiveValue dictOf(std::vector<std::pair<QString, ArchiveValue>> entries)
{
    auto d = std::make_shared<ArchiveDictionary>();
    d->entries = std::move(entries);
    return ArchiveValue::dictionary(d);
}

inline ArchiveValue objectOf(
    const QStringList& classes, std::vector<std::pair<QString, ArchiveValue>> fields = {})
{
    auto o = std::make_shared<ArchiveObject>();
    o->classes = classes;
    o->fields = std::move(fields);
    return ArchiveValue::object(o);
}

// `leaf` inside `levels` arrays of one item each.
inline ArchiveValue nested(int levels, ArchiveValue leaf)
{
    for (int i = 0; i < levels; ++i)
        leaf = arrayOf({leaf});
    return leaf;
}

inline QByteArray archive(const ArchiveValue& v)
{
    QString error;
    auto bytes = KeyedArchiver::archivedData(v, &error);
    EXPECT_TRUE(bytes.has_value()) << error.toStdString();
    return bytes.value_or(QByteArray());
}

inline ArchiveValue unarchive(const QByteArray& bytes)
{
    QString error;
    auto v = KeyedUnarchiver::unarchive(bytes, &error);
    EXPECT_TRUE(v.has_value()) << error.toStdString();
    return v.value_or(ArchiveValue());
}

} // namespace fetemark::test
