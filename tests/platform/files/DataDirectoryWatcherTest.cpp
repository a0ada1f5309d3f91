#include "platform/files/DataDirectoryWatcher.h"
#include "platform/files/AtomicFile.h"

#include "support/TestSupport.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

using namespace fetemark;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using fetemark::test::TempDir;

namespace {

// The notices of a watcher, waited for in an event loop.
class Notices : public QObject {
public:
    explicit Notices(DataDirectoryWatcher& watcher)
    {
        connect(&watcher, &DataDirectoryWatcher::filesChanged, this, [this](QStringList names) {
            names.sort();
            received << names;
            m_loop.quit();
        });
    }
    // True when a notice came within `timeout`.
    bool wait(std::chrono::milliseconds timeout)
    {
        const qsizetype before = received.size();
        QTimer limit; // dies with this wait, so it cannot end a later one
        limit.setSingleShot(true);
        connect(&limit, &QTimer::timeout, &m_loop, &QEventLoop::quit);
        limit.start(timeout);
        m_loop.exec();
        return received.size() > before;
    }
    QList<QStringList> received;

private:
    QEventLoop m_loop;
};

} // namespace

TEST(DataDirectoryWatcher, ASaveByAnotherProgramIsReportedOnceWhatElseChanges)
{
    TempDir dir;
    ASSERT_TRUE(AtomicFile::write(dir.file(u"CustomEntries.plist"_s), "old"));
    DataDirectoryWatcher watcher(dir.path());
    watcher.setSettleTime(50ms);
    Notices notices(watcher);

    // A save of two stores, then files nobody reloads.
    ASSERT_TRUE(AtomicFile::write(dir.file(u"CustomEntries.plist"_s), "new"));
    ASSERT_TRUE(AtomicFile::write(dir.file(u"ABMetadata.plist"_s), "notes"));
    ASSERT_TRUE(test::writeFile(dir.file(u"export.ics"_s), "x"));
    ASSERT_TRUE(notices.wait(5s));
    EXPECT_FALSE(notices.wait(300ms)) << "one notice for the whole save";
    EXPECT_EQ(
        notices.received.value(0), (QStringList {u"ABMetadata.plist"_s, u"CustomEntries.plist"_s}));

    // A file written in place, as the address book's log is.
    ASSERT_TRUE(test::writeFile(dir.file(u"AddressBook.sqlite-wal"_s), "log"));
    ASSERT_TRUE(notices.wait(5s));
    QFile wal(dir.file(u"AddressBook.sqlite-wal"_s));
    ASSERT_TRUE(wal.open(QIODevice::Append));
    wal.write("more");
    wal.close();
    ASSERT_TRUE(notices.wait(5s));
    EXPECT_EQ(notices.received.last(), QStringList {u"AddressBook.sqlite-wal"_s});
    EXPECT_FALSE(notices.wait(300ms)) << "nothing changed since";
}
