// The window's main list over the 10,000-person synthetic book (every fifth person with a
// picture), offscreen: the time from making the window to its first painted list, and
// the paint time of each frame while scrolling through the whole list with photos on
// (p50 and p99 as counters), with the process's resident memory after the scroll.
#include "app/ApplicationSession.h"
#include "demo/SyntheticContacts.h"
#include "gui/MainWindow.h"
#include "gui/screens/MainViewController.h"
#include "platform/addressbook/AddressBook.h"
#include "platform/files/DataDirectory.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace fetemark;

QApplication& application()
{
    static int argc = 1;
    static char name[] = "fetemark_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

struct WindowBook {
    QTemporaryDir dir;
    WindowBook()
    {
        QString error;
        DataDirectory::create(dir.path(), &error);
        auto book = AddressBook::create(
            QDir(dir.path()).filePath(QStringLiteral("AddressBook.sqlite")), &error);
        if (!book || SyntheticContacts::fill(*book, {10000, 1, 5}) != 10000) {
            std::fprintf(stderr, "cannot make the book: %s\n", qPrintable(error));
            std::abort();
        }
    }
};

WindowBook& windowBook()
{
    static WindowBook book;
    return book;
}

std::unique_ptr<ApplicationSession> makeSession()
{
    RunEnvironment environment;
    environment.device = DeviceEnvironment::fromVariables(
        {}, QStringLiteral("Europe/Berlin"), QStringLiteral("en_US"));
    environment.clock =
        std::make_unique<FixedClock>(QDateTime(QDate(2026, 3, 1), QTime(11, 0), Qt::UTC));
    environment.dataDirectory = windowBook().dir.path();
    auto session = std::make_unique<ApplicationSession>(std::move(environment));
    QString error;
    if (!session->start(&error)) {
        std::fprintf(stderr, "cannot start: %s\n", qPrintable(error));
        std::abort();
    }
    return session;
}

void waitForList(MainViewController& list)
{
    while (!list.isLoaded() || list.isUpdating())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

void BM_MainWindowFirstPaintedList(benchmark::State& state)
{
    application();
    windowBook();
    for (auto _ : state) {
        auto session = makeSession();
        QElapsedTimer timer;
        timer.start();
        MainWindow window(*session);
        window.show();
        waitForList(window.mainViewController());
        QImage picture = window.grab().toImage();
        benchmark::DoNotOptimize(picture.bits());
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_MainWindowFirstPaintedList)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void BM_MainListScrollFrames(benchmark::State& state)
{
    application();
    auto session = makeSession();
    MainWindow window(*session);
    window.show();
    MainViewController& list = window.mainViewController();
    waitForList(list);
    QWidget* viewport = list.listView()->viewport();
    QScrollBar* bar = list.listView()->verticalScrollBar();
    std::vector<double> frames;
    for (auto _ : state) {
        frames.clear();
        bar->setValue(0);
        for (int y = 0; y <= bar->maximum(); y += 40) {
            bar->setValue(y);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            QElapsedTimer timer;
            timer.start();
            QPixmap frame = viewport->grab();
            frames.push_back(double(timer.nsecsElapsed()) / 1e6);
            benchmark::DoNotOptimize(frame.cacheKey());
        }
    }
    std::sort(frames.begin(), frames.end());
    const auto at = [&](double q) { return frames[std::size_t(q * double(frames.size() - 1))]; };
    state.counters["frames"] = double(frames.size());
    state.counters["p50_ms"] = at(0.50);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = frames.back();
    state.counters["rss_MB"] = residentMegabytes();
}
BENCHMARK(BM_MainListScrollFrames)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
