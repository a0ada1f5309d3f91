// Arbitrary bytes into PropertyList::read, as a settings file may hold them: a value or
// an error text, never an abort inside libplist. A value read must write as XML that
// reads again, or the next run would find the settings it wrote damaged.
#include "platform/archive/PropertyList.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void failWith(const char* what, const QString& detail)
{
    std::fprintf(stderr, "%s: %s\n", what, detail.toUtf8().constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const auto value = fetemark::PropertyList::read(bytes, &error);
    if (!value) {
        if (error.isEmpty())
            failWith("read failed without an error text", {});
        return 0;
    }
    const auto xml = fetemark::PropertyList::writeXml(*value, &error);
    if (!xml)
        return 0; // values a property list cannot hold are refused, not written
    if (!fetemark::PropertyList::read(*xml, &error))
        failWith("what was written does not read again", error);
    return 0;
}
