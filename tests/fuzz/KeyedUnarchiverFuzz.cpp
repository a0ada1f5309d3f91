// Arbitrary bytes into KeyedUnarchiver: it must return a graph or an error text, within
// its limits, and never crash, hang or run out of memory.
#include "platform/archive/ArchiveValue.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>

namespace {

// Reads every field of every object the way application code would, so that lenient
// conversions run on hostile values too. Shared nodes are visited once.
void touch(const fetemark::ArchiveValue& v, std::unordered_set<const void*>& seen)
{
    using namespace fetemark;
    if (v.identity() && !seen.insert(v.identity()).second)
        return;
    if (const ArchiveArray* a = v.asArray()) {
        for (const ArchiveValue& item : a->items)
            touch(item, seen);
    } else if (const ArchiveDictionary* d = v.asDictionary()) {
        for (const auto& entry : d->entries)
            touch(entry.second, seen);
    } else if (const ArchiveObject* o = v.asObject()) {
        ArchiveObjectReader r(*o);
        for (const auto& [key, value] : o->fields) {
            (void)r.decodeBool(key);
            (void)r.decodeInt(key);
            (void)r.decodeDouble(key);
            (void)r.decodeString(key);
            (void)r.decodeDate(key);
            (void)r.decodeData(key);
            touch(value, seen);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const auto value = fetemark::KeyedUnarchiver::unarchive(bytes, &error);
    if (!value && error.isEmpty()) {
        std::fprintf(stderr, "unarchive failed without an error text\n");
        std::abort();
    }
    if (value) {
        std::unordered_set<const void*> seen;
        touch(*value, seen);
    }
    return 0;
}
