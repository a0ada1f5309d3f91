#include "support/TestSupport.h"

#include "platform/time/DesktopWakeSource.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>

#include <cstdio>
#include <functional>

namespace fetemark {
namespace {

// Generous: the machine running the tests may be busy.
constexpr int WaitLimitMs = 15000;

// As tools change the zone: a new link renamed over the old one.
void linkLocaltime(const QString& folder, const char* zone)
{
    const QString fresh = folder + QStringLiteral("/localtime.new");
    ASSERT_TRUE(
        QFile::link(QStringLiteral("/usr/share/zoneinfo/") + QLatin1StringView(zone), fresh));
    ASSERT_EQ(std::rename(QFile::encodeName(fresh).constData(),
                  QFile::encodeName(folder + QStringLiteral("/localtime")).constData()),
        0);
}

class DesktopWakeSourceTest : public testing::Test {
protected:
    DesktopWakeSource::Options options() const
    {
        // No system bus here: only the alarm and the zone files wake.
        return {{m_dir.file(QStringLiteral("localtime")), m_dir.file(QStringLiteral("timezone"))},
            QDBusConnection(QStringLiteral("no system bus"))};
    }

    test::TempDir m_dir;
};

TEST_F(DesktopWakeSourceTest, WakesAtTheWallClockMomentAskedFor)
{
    DesktopWakeSource source(options());
    ASSERT_TRUE(source.isValid());
    QSignalSpy wakes(&source, &WakeSource::wake);
    QElapsedTimer elapsed;
    elapsed.start();
    source.wakeAt(QDateTime::currentDateTimeUtc().addMSecs(1500));
    ASSERT_TRUE(wakes.wait(WaitLimitMs));
    EXPECT_GE(elapsed.elapsed(), 1400);
    EXPECT_FALSE(wakes.wait(500)); // once

    // A moment already past is due at once; a later request replaces an earlier one.
    source.wakeAt(QDateTime::currentDateTimeUtc().addSecs(-60));
    EXPECT_TRUE(wakes.wait(WaitLimitMs));
    source.wakeAt(QDateTime::currentDateTimeUtc().addMSecs(500));
    source.wakeAt({});
    EXPECT_FALSE(wakes.wait(1500));
}

struct ZoneRow {
    const char* name;
    std::function<void(const QString& folder)> change;
    bool wakes;
};

void PrintTo(const ZoneRow& row, std::ostream* os)
{
    *os << row.name;
}

class DesktopWakeSourceZoneTest : public DesktopWakeSourceTest,
                                  public testing::WithParamInterface<ZoneRow> { };

TEST_P(DesktopWakeSourceZoneTest, WakesWhenTheZoneChanges)
{
    linkLocaltime(m_dir.path(), "Europe/Berlin");
    ASSERT_TRUE(test::writeFile(m_dir.file(QStringLiteral("timezone")), "Europe/Berlin\n"));
    DesktopWakeSource source(options());
    QSignalSpy wakes(&source, &WakeSource::wake);
    GetParam().change(m_dir.path());
    EXPECT_EQ(wakes.wait(GetParam().wakes ? WaitLimitMs : 1500), GetParam().wakes);
}

INSTANTIATE_TEST_SUITE_P(Rows, DesktopWakeSourceZoneTest,
    testing::Values(ZoneRow {"LocaltimeLinkReplaced",
                        [](const QString& folder) { linkLocaltime(folder, "Asia/Tokyo"); }, true},
        ZoneRow {"TimezoneWrittenInPlace",
            [](const QString& folder) {
                QFile file(folder + QStringLiteral("/timezone"));
                ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
                file.write("Asia/Tokyo\n");
            },
            true},
        ZoneRow {"LinkReplacedBySameZone",
            [](const QString& folder) { linkLocaltime(folder, "Europe/Berlin"); }, false},
        ZoneRow {"OtherFileInTheFolder",
            [](const QString& folder) {
                ASSERT_TRUE(test::writeFile(folder + QStringLiteral("/hostname"), "box\n"));
            },
            false}),
    test::RowName());

} // namespace
} // namespace fetemark
