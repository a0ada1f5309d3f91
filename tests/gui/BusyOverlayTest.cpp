#include "gui/widgets/BusyOverlay.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

namespace fetemark {
namespace {

struct OverlayRow {
    const char* name;
    bool now;        // startNow instead of start
    int stopAfter;   // ms after the start; -1: never
    bool shownAt[3]; // at 500, 1300 and 2300 ms
};

class BusyOverlayTiming : public ::testing::TestWithParam<OverlayRow> { };

// Quick work shows no shade; long work shows it after the delay and fades it in; a
// stopped overlay fades away.
TEST_P(BusyOverlayTiming, ShowsAfterItsDelayAndFades)
{
    const OverlayRow& row = GetParam();
    QWidget screen;
    screen.resize(390, 700);
    screen.show();
    auto* overlay = new BusyOverlay(&screen);
    QElapsedTimer clock;
    clock.start();
    if (row.now)
        overlay->startNow(QStringLiteral("Updating"));
    else
        overlay->start(QStringLiteral("Updating"));
    const int samples[] = {500, 1300, 2300};
    for (int i = 0; i < 3; ++i) {
        while (clock.elapsed() < samples[i]) {
            if (row.stopAfter >= 0 && clock.elapsed() >= row.stopAfter && overlay->isActive())
                overlay->stop();
            QTest::qWait(10);
        }
        EXPECT_EQ(overlay->isVisible(), row.shownAt[i]) << "at " << samples[i] << " ms";
    }
    if (row.shownAt[2]) {
        EXPECT_EQ(overlay->opacity(), 1.0);
        EXPECT_EQ(overlay->geometry(), screen.rect());
    }
}

const OverlayRow OverlayRows[] = {
    {"DelayedShowsAfterASecond", false, -1, {false, true, true}},
    {"StoppedBeforeTheDelayNeverShows", false, 300, {false, false, false}},
    {"StartNowShowsAtOnce", true, -1, {true, true, true}},
    {"StopFadesOut", true, 300, {true, false, false}},
};
INSTANTIATE_TEST_SUITE_P(Overlay, BusyOverlayTiming, ::testing::ValuesIn(OverlayRows),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace fetemark
