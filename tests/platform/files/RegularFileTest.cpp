// RegularFile::read on what can stand at a store's path: only a regular file is read,
// and the rest is refused without blocking.
#include "platform/files/RegularFile.h"

#include "support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace fetemark;
using fetemark::RegularFile::ReadStatus;

namespace {

enum class Put : std::uint8_t { Bytes, Nothing, Fifo };

struct ReadRow {
    const char* name;
    Put put;
    QByteArray bytes;
    const char* readPath; // below the folder; "store" is where `put` went
    ReadStatus status;
    const char* errorPart;
};

bool put(const test::TempDir& dir, const ReadRow& row)
{
    const QString path = dir.file(QStringLiteral("store"));
    switch (row.put) {
    case Put::Bytes:
        return test::writeFile(path, row.bytes);
    case Put::Nothing:
        return true;
    case Put::Fifo:
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    }
    return false;
}

class RegularFileRead : public ::testing::TestWithParam<ReadRow> { };

TEST_P(RegularFileRead, ReadsOnlyRegularFiles)
{
    const test::TempDir dir;
    ASSERT_TRUE(put(dir, GetParam()));
    QByteArray bytes;
    QString error;
    const QString path = dir.file(QString::fromLatin1(GetParam().readPath));
    EXPECT_EQ(RegularFile::read(path, &bytes, &error), GetParam().status);
    if (GetParam().status == ReadStatus::Read) {
        EXPECT_EQ(bytes, GetParam().bytes);
    }
    EXPECT_TRUE(error.contains(QLatin1String(GetParam().errorPart))) << error.toStdString();
}

// Larger than one read of the reader, and not a multiple of it.
const QByteArray Large = QByteArray(200 * 1024, 'x') + "tail";

INSTANTIATE_TEST_SUITE_P(RegularFile, RegularFileRead,
    ::testing::Values(ReadRow {"Small", Put::Bytes, "<plist/>", "store", ReadStatus::Read, ""},
        ReadRow {"Large", Put::Bytes, Large, "store", ReadStatus::Read, ""},
        ReadRow {"Missing", Put::Nothing, {}, "store", ReadStatus::Missing, "No such file"},
        ReadRow {"Fifo", Put::Fifo, {}, "store", ReadStatus::NotRegular, "it is a FIFO"},
        // A file where a folder belongs: the open fails even for root.
        ReadRow {
            "FileAsFolder", Put::Bytes, "x", "store/inner", ReadStatus::Failed, "Not a directory"}),
    test::RowName());

} // namespace
