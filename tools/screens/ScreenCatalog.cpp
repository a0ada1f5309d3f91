#include "ScreenCatalog.h"

#include "app/ApplicationSession.h"
#include "app/DemoData.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Calendar.h"
#include "core/time/Clock.h"
#include "gui/MainWindow.h"
#include "gui/list/SearchBar.h"
#include "gui/navigation/NavigationController.h"
#include "gui/screens/MainViewController.h"
#include "platform/files/DataDirectory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QThread>

namespace fetemark::screens {
namespace {

void waitForPhotos(MainViewController& list)
{
    settle([&] { return !list.photosPending(); });
}

MainViewController& waitForList(MainWindow& window)
{
    MainViewController& list = window.mainViewController();
    settle([&] { return list.layersSettled(); });
    waitForPhotos(list);
    return list;
}

} // namespace

const std::vector<Screen>& catalogue()
{
    static const std::vector<Screen> screens {
        {QStringLiteral("main-list"), [](MainWindow& w) { waitForList(w); }},
        {QStringLiteral("main-list-searching"),
            [](MainWindow& w) {
                MainViewController& list = waitForList(w);
                if (!list.showsSearch())
                    list.toggleSearch(true);
                list.searchBar()->activeField()->setText(QStringLiteral("an"));
                list.filterButtonPressed();
                waitForPhotos(list);
            }},
        {QStringLiteral("main-list-empty"),
            [](MainWindow& w) {
                MainViewController& list = waitForList(w);
                if (!list.showsSearch())
                    list.toggleSearch(true);
                list.searchBar()->activeField()->setText(QStringLiteral("zzzz"));
            }},
        {QStringLiteral("main-list-delete-question"),
            [](MainWindow& w) {
                MainViewController& list = waitForList(w);
                const auto& records = list.list().records();
                for (std::size_t i = 0; i < records.size(); ++i) {
                    if (records[i]->isCustomEntry && !records[i]->isFacebookEntry) {
                        list.deleteRow(int(i));
                        break;
                    }
                }
            }},
        {QStringLiteral("main-list-normal-rows"),
            [](MainWindow& w) {
                MainViewController& list = waitForList(w);
                w.session().settings().setValue(QString(Key::LargeRows), false);
                list.applyThemeSetting();
                waitForPhotos(list);
            }},
    };
    return screens;
}

std::vector<Look> looks()
{
    std::vector<Look> all;
    const std::pair<QString, QSize> sizes[] = {
        {QStringLiteral("phone"), QSize(390, 780)}, {QStringLiteral("desktop"), QSize(720, 900)}};
    for (const auto& [sizeName, size] : sizes) {
        for (int theme : {101, 0}) {
            for (const char* locale : {"en_US", "de_DE"})
                all.push_back({sizeName, size, theme, QString::fromLatin1(locale)});
        }
    }
    return all;
}

QString Look::fileName(const Screen& screen) const
{
    return QStringLiteral("%1-%2-%3-%4.png")
        .arg(screen.name, sizeName,
            theme == 101 ? QStringLiteral("standard") : QStringLiteral("theme%1").arg(theme),
            locale.left(2));
}

bool settle(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

struct Stage::Private {
    QString error;
    std::unique_ptr<ApplicationSession> session;
    std::unique_ptr<MainWindow> window;
};

Stage::Stage(const QString& dataDirectory, const Look& look) : d(std::make_unique<Private>())
{
    RunEnvironment environment;
    environment.device =
        DeviceEnvironment::fromVariables({}, QString::fromLatin1(Zone), look.locale);
    environment.clock = std::make_unique<FixedClock>(FixedClock::parseLocalTime(
        QString::fromLatin1(Now), Calendar(environment.device.timeZoneId)));
    environment.dataDirectory = dataDirectory;
    if (!DataDirectory::create(dataDirectory, &d->error) ||
        !DemoData::ensureFilled(
            dataDirectory, environment.device.timeZoneId, environment.clock->now(), &d->error))
        return;
    d->session = std::make_unique<ApplicationSession>(std::move(environment));
    if (!d->session->start(&d->error)) {
        d->session.reset();
        return;
    }
    d->session->settings().setValue(QString(Key::ApplicationTheme), look.theme);
    d->window = std::make_unique<MainWindow>(*d->session);
    d->window->resize(look.size);
    d->window->show();
}

Stage::~Stage()
{
    d->window.reset();
    d->session.reset();
}

bool Stage::isReady(QString* error) const
{
    if (error)
        *error = d->error;
    return d->window != nullptr;
}

MainWindow& Stage::window()
{
    return *d->window;
}

QImage Stage::render(const Screen& screen)
{
    MainWindow& window = *d->window;
    screen.open(window);
    settle([&] { return !window.navigation().isAnimating(); });
    return window.grab().toImage();
}

} // namespace fetemark::screens
