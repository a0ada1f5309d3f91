#include "cli/VisibleTextDevice.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QTextStream>

#include <cstdio>

namespace {

using fetemark::cli::VisibleTextDevice;

TEST(VisibleTextDevice, ACharacterSplitBetweenWritesIsSeenWhole)
{
    QBuffer target;
    target.open(QIODevice::WriteOnly);
    VisibleTextDevice device(target);
    // U+202E and U+0085 in UTF-8, each cut after its first byte.
    EXPECT_EQ(device.write("a\xE2"), 2);
    EXPECT_EQ(device.write("\x80\xAE"
                           "b\xC2"),
        4);
    EXPECT_EQ(device.write("\x85"), 1);
    EXPECT_EQ(target.data().toStdString(), "a\\u202eb\\u0085");
}

TEST(VisibleTextDevice, WrittenTextIsInTheFileBeforeItIsClosed)
{
    fetemark::test::TempDir dir;
    const QString path = dir.file(QStringLiteral("out.txt"));
    FILE* file = std::fopen(path.toLocal8Bit().constData(), "w");
    ASSERT_NE(file, nullptr);
    {
        VisibleTextDevice device(file);
        QTextStream out(&device);
        out << "listed\x07\n" << Qt::flush;
        EXPECT_EQ(fetemark::test::readFile(path).toStdString(), "listed\\x07\n");
    }
    std::fclose(file);
}

TEST(VisibleTextDevice, AFailedWriteFailsTheStream)
{
    FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    {
        VisibleTextDevice device(full);
        QTextStream out(&device);
        out << "no room" << Qt::flush;
        EXPECT_EQ(out.status(), QTextStream::WriteFailed);
    }
    std::fclose(full);
}

} // namespace
