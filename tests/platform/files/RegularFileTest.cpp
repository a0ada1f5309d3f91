// RegularFile::read on what can stand at a store's path: files, links, and the things
// that are not files at all, which must be refused without blocking.
#include "platform/files/RegularFile.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

using namespace fetemark;
using fetemark::RegularFile::ReadStatus;
using fetemark::test::TempDir;

namespace {

struct ReadRow {
    const char* name;
    // Puts something at `path` (inside `dir`); false when that failed.
    std::function<bool(const TempDir& dir, const QString& path)> make;
    const char* relativePath; // what is read, inside `dir`
    ReadStatus status;
    QByteArray bytes; // when Read
    const char* errorPart;
};

bool makeFifo(const QString& path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// Larger than one read of the reader and not a multiple of it.
QByteArray large()
{
    QByteArray bytes(200 * 1024 + 7, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 % 251);
    return bytes;
}

class RegularFileRead : public ::testing::TestWithParam<ReadRow> { };

TEST_P(RegularFileRead, ReadsOnlyRegularFiles)
{
    TempDir dir;
    ASSERT_TRUE(GetParam().make(dir, dir.file(QStringLiteral("store.plist"))));
    const QString path = dir.file(QString::fromLatin1(GetParam().relativePath));
    QByteArray bytes("left over");
    QString error;
    EXPECT_EQ(RegularFile::read(path, &bytes, &error), GetParam().status);
    if (GetParam().status == ReadStatus::Read) {
        EXPECT_EQ(bytes, GetParam().bytes);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    } else {
        EXPECT_TRUE(error.contains(QLatin1String(GetParam().errorPart))) << error.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(RegularFile, RegularFileRead,
    ::testing::Values(
        ReadRow {"Small",
            [](const TempDir&, const QString& p) { return test::writeFile(p, "<plist/>"); },
            "store.plist", ReadStatus::Read, "<plist/>", ""},
        ReadRow {"Empty", [](const TempDir&, const QString& p) { return test::writeFile(p, ""); },
            "store.plist", ReadStatus::Read, "", ""},
        ReadRow {"LargerThanOneRead",
            [](const TempDir&, const QString& p) { return test::writeFile(p, large()); },
            "store.plist", ReadStatus::Read, large(), ""},
        ReadRow {"LinkToAFile",
            [](const TempDir& d, const QString& p) {
                return test::writeFile(d.file(QStringLiteral("real")), "x") &&
                    QFile::link(d.file(QStringLiteral("real")), p);
            },
            "store.plist", ReadStatus::Read, "x", ""},
        ReadRow {"Missing", [](const TempDir&, const QString&) { return true; }, "store.plist",
            ReadStatus::Missing, {}, "No such file"},
        ReadRow {"DanglingLink",
            [](const TempDir& d, const QString& p) {
                return QFile::link(d.file(QStringLiteral("gone")), p);
            },
            "store.plist", ReadStatus::Missing, {}, "No such file"},
        ReadRow {"Fifo", [](const TempDir&, const QString& p) { return makeFifo(p); },
            "store.plist", ReadStatus::NotRegular, {}, "a FIFO"},
        ReadRow {"LinkToAFifo",
            [](const TempDir& d, const QString& p) {
                return makeFifo(d.file(QStringLiteral("fifo"))) &&
                    QFile::link(d.file(QStringLiteral("fifo")), p);
            },
            "store.plist", ReadStatus::NotRegular, {}, "a FIFO"},
        ReadRow {"Directory",
            [](const TempDir& d, const QString&) {
                return QDir(d.path()).mkdir(QStringLiteral("store.plist"));
            },
            "store.plist", ReadStatus::NotRegular, {}, "a directory"},
        ReadRow {"Device",
            [](const TempDir&, const QString& p) {
                return QFile::link(QStringLiteral("/dev/zero"), p);
            },
            "store.plist", ReadStatus::NotRegular, {}, "a device"},
        // A file where a folder belongs: the open fails even for root.
        ReadRow {"FolderIsAFile",
            [](const TempDir&, const QString& p) { return test::writeFile(p, "x"); },
            "store.plist/inner", ReadStatus::Failed, {}, "Not a directory"}),
    test::RowName());

} // namespace
