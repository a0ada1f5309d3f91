// The window over the 10,000-person synthetic book (every third person with a picture):
// from making the session to the first painted list, every frame while scrolling the
// whole list with photos being prepared, and the memory held afterwards.
#include "app/ApplicationSession.h"
#include "core/database/RecordDatabase.h"
#include "demo/SyntheticContacts.h"
#include "gui/MainWindow.h"
#include "gui/screens/MainViewController.h"
#include "platform/addressbook/AddressBook.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fetemark::bench {
namespace {

constexpr int People = 10000;

// The book, made once per run.
const QString& bookDirectory()
{
    static QTemporaryDir dir;
    static const bool filled = [] {
        QString error;
        auto book = AddressBook::create(
            QDir(dir.path()).filePath(QStringLiteral("AddressBook.sqlite")), &error);
        SyntheticContacts::Options options;
        options.people = People;
        options.photoEvery = 3;
        return book && SyntheticContacts::fill(*book, options) == People;
    }();
    if (!filled) {
        std::fprintf(stderr, "cannot make the book\n");
        std::abort();
    }
    static const QString path = dir.path();
    return path;
}

std::unique_ptr<ApplicationSession> openSession()
{
    RunEnvironment environment;
    environment.device = DeviceEnvironment::fromVariables(
        {}, QStringLiteral("Europe/Berlin"), QStringLiteral("en_US"));
    environment.clock =
        std::make_unique<FixedClock>(QDateTime(QDate(2026, 3, 5), QTime(11, 0), Qt::UTC));
    environment.dataDirectory = bookDirectory();
    auto session = std::make_unique<ApplicationSession>(std::move(environment));
    QString error;
    if (!session->start(&error)) {
        std::fprintf(stderr, "cannot start: %s\n", qPrintable(error));
        std::abort();
    }
    return session;
}

bool settle(const std::function<bool()>& done, int timeoutMs = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

QAbstractItemView* listOf(MainWindow& window)
{
    return window.mainViewController().findChild<QAbstractItemView*>();
}

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// From nothing to the list's first picture: the session, the window, the load of the
// book and one paint of the list with its rows.
void BM_WindowFirstPaintedList(benchmark::State& state)
{
    bookDirectory();
    for (auto _ : state) {
        auto session = openSession();
        auto window = std::make_unique<MainWindow>(*session);
        window->show();
        const bool painted = settle([&] {
            QAbstractItemView* list = listOf(*window);
            return session->database().isLoaded() && list && list->model() &&
                list->model()->rowCount() > 0;
        });
        if (!painted) {
            state.SkipWithError("the list never showed rows");
            break;
        }
        listOf(*window)->viewport()->repaint();
        state.PauseTiming();
        window.reset();
        session.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WindowFirstPaintedList)->Unit(benchmark::kMillisecond)->UseRealTime();

// Page by page through the whole list, photos being prepared meanwhile; each frame is
// one synchronous repaint after the scroll. Reports the slowest 1 % and the memory.
void BM_WindowScrollWholeList(benchmark::State& state)
{
    auto session = openSession();
    MainWindow window(*session);
    window.show();
    settle([&] {
        QAbstractItemView* list = listOf(window);
        return session->database().isLoaded() && list && list->model() &&
            list->model()->rowCount() > 0;
    });
    QAbstractItemView* list = listOf(window);
    if (!list) {
        state.SkipWithError("no list");
        return;
    }
    std::vector<double> frames;
    for (auto _ : state) {
        QScrollBar* bar = list->verticalScrollBar();
        bar->setValue(0);
        while (true) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
            QElapsedTimer frame;
            frame.start();
            list->viewport()->repaint();
            frames.push_back(double(frame.nsecsElapsed()) / 1e6);
            if (bar->value() >= bar->maximum())
                break;
            bar->setValue(bar->value() + std::max(1, bar->pageStep() / 2));
        }
    }
    std::sort(frames.begin(), frames.end());
    if (!frames.empty()) {
        state.counters["frames"] = double(frames.size());
        state.counters["p50_ms"] = frames[frames.size() / 2];
        state.counters["p99_ms"] = frames[std::min(frames.size() - 1, frames.size() * 99 / 100)];
        state.counters["max_ms"] = frames.back();
        state.counters["over_16ms"] =
            double(frames.end() - std::upper_bound(frames.begin(), frames.end(), 16.0));
    }
    state.counters["rss_MB"] = double(residentKilobytes()) / 1024.0;
}
BENCHMARK(BM_WindowScrollWholeList)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace
} // namespace fetemark::bench

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
