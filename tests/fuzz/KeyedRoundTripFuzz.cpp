// Whatever KeyedUnarchiver accepts, KeyedArchiver must write again, and the second
// reading must give the same graph, sharing included.
#include "platform/archive/KeyedArchiveGraph.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

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
    using namespace fetemark;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const auto first = KeyedUnarchiver::unarchive(bytes, &error);
    if (!first)
        return 0;
    const auto archived = KeyedArchiver::archivedData(*first, &error);
    if (!archived)
        failWith("a decoded graph could not be archived again", error);
    const auto second = KeyedUnarchiver::unarchive(*archived, &error);
    if (!second)
        failWith("our own archive could not be decoded", error);
    QString where;
    if (!keyedarchive::sameGraph(*first, *second, &where))
        failWith("the graph changed on a round trip", where);
    // Our own output is a fixed point: writing the second graph gives the same bytes.
    const auto again = KeyedArchiver::archivedData(*second, &error);
    if (!again || *again != *archived)
        failWith("archiving the same graph twice gave different bytes", error);
    return 0;
}
