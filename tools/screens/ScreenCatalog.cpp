#include "ScreenCatalog.h"

#include "app/ApplicationSession.h"
#include "app/DemoData.h"
#include "core/database/RecordDatabase.h"
#include "core/holidays/HolidaySubscriptions.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Calendar.h"
#include "core/time/Clock.h"
#include "gui/MainWindow.h"
#include "gui/detail/DetailRow.h"
#include "gui/detail/DetailedInfoCells.h"
#include "gui/detail/NotesViewController.h"
#include "gui/list/SearchBar.h"
#include "gui/navigation/NavigationController.h"
#include "gui/screens/DetailedInfoViewController.h"
#include "gui/screens/HolidaySelectionViewController.h"
#include "gui/screens/HolidaySettingsViewController.h"
#include "gui/screens/MainViewController.h"
#include "platform/addressbook/AddressBook.h"
#include "platform/files/DataDirectory.h"
#include "platform/vcard/ContactsTransfer.h"

#include <QPainter>
#include <QRadialGradient>
#include <QScrollArea>

#include <QCoreApplication>
#include <QCursor>
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

namespace {

// A stand-in portrait: the demo data has no pictures of its own.
QImage portrait()
{
    QImage image(400, 400, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient sky(200, 120, 380);
    sky.setColorAt(0, QColor(0xff, 0xe0, 0xb2));
    sky.setColorAt(1, QColor(0xe5, 0x73, 0x73));
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x5d, 0x40, 0x37));
    painter.drawEllipse(QPointF(200, 165), 85, 95);
    painter.drawEllipse(QPointF(200, 430), 170, 150);
    return image;
}

// The occasion page of the demo birthday that is three days off, with a picture.
DetailedInfoViewController* openBirthday(MainWindow& window)
{
    ApplicationSession& session = window.session();
    waitForList(window);
    OccasionRecordPtr record;
    for (const OccasionRecordPtr& candidate : session.database().records()) {
        if (candidate->name == QLatin1String("Grandma Rose"))
            record = candidate;
    }
    if (!record)
        return nullptr;
    record->customPhoto = portrait();
    auto* page = new DetailedInfoViewController(session, record, nullptr);
    page->setDeviceCapabilities(DeviceCapabilities {false});
    window.navigation().pushViewController(page, false);
    return page;
}

// A contact's birthday with every kind of action, scrolled to the actions: the demo data
// has no contacts, so one card is added to the stage's address book first.
void openContact(MainWindow& window)
{
    waitForList(window);
    RecordDatabase& database = window.session().database();
    AddressBook* book = database.mainThreadAddressBook();
    if (!book)
        return;
    ContactsTransfer::importVCards(*book,
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Okafor;Chidi;;;\r\nFN:Chidi Okafor\r\nUID:chidi-1\r\n"
        "BDAY:1985-03-20\r\nTEL;TYPE=CELL:+49 170 1234567\r\nTEL;TYPE=HOME:030 987654\r\n"
        "EMAIL;TYPE=HOME:chidi@example.org\r\n"
        "ADR;TYPE=HOME:;;Lindenstra\u00dfe 12;Berlin;;10969;Germany\r\nEND:VCARD\r\n",
        QStringLiteral("chidi.vcf"));
    book->save();
    database.loadDatabase();
    for (const OccasionRecordPtr& record : database.records()) {
        if (record->name != QLatin1String("Chidi Okafor"))
            continue;
        auto* page = new DetailedInfoViewController(window.session(), record, nullptr);
        page->setDeviceCapabilities(DeviceCapabilities {true});
        window.navigation().pushViewController(page, false);
        settle([&] { return !window.navigation().isAnimating(); });
        page->scrollArea()->ensureWidgetVisible(page->actionCells().back());
        return;
    }
}

// Holidays shown: four of Germany's checked, and two of the Jewish ones.
void chooseHolidays(MainWindow& window)
{
    waitForList(window);
    ApplicationSession& session = window.session();
    session.settings().setValue(QString(Key::ShowHolidays), true);
    session.settings().synchronize();
    HolidaySubscriptions::update(
        session.settings(), &session.lock(), [](HolidaySubscriptions& subscriptions) {
            subscriptions.setCategory(QStringLiteral("DE"),
                {QStringLiteral("good-friday"), QStringLiteral("easter-monday"),
                    QStringLiteral("labour-day"), QStringLiteral("christmas-day")});
            subscriptions.setCategory(
                QStringLiteral("JEWISH"), {QStringLiteral("purim"), QStringLiteral("passover")});
        });
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
        {QStringLiteral("detail"), [](MainWindow& window) { openBirthday(window); }},
        {QStringLiteral("detail-contact"), openContact},
        {QStringLiteral("detail-extra"),
            [](MainWindow& window) {
                if (DetailedInfoViewController* page = openBirthday(window))
                    emit page->settingsRow()->activated();
            }},
        {QStringLiteral("detail-notes-editor"),
            [](MainWindow& window) {
                DetailedInfoViewController* page = openBirthday(window);
                if (page && page->notesRow())
                    emit page->notesRow()->activated();
            }},
        {QStringLiteral("notes-settings"),
            [](MainWindow& window) {
                window.navigation().pushViewController(
                    new NotesViewController(window.session()), false);
            }},
        {QStringLiteral("main-list-holidays"),
            [](MainWindow& window) {
                chooseHolidays(window);
                window.session().database().updateHolidays();
                MainViewController& list = waitForList(window);
                list.refreshLocalDatabase(false, true);
                for (int i = 0; i < 6 && list.list().filterMode() != MainListModel::Holidays; ++i)
                    list.filterButtonPressed();
                waitForPhotos(list);
            }},
        {QStringLiteral("detail-holiday"),
            [](MainWindow& window) {
                chooseHolidays(window);
                ApplicationSession& session = window.session();
                session.database().updateHolidays();
                for (const OccasionRecordPtr& record : session.database().records()) {
                    if (record->customID == QLatin1String("DE_good-friday")) {
                        window.navigation().pushViewController(
                            new DetailedInfoViewController(session, record, nullptr), false);
                        break;
                    }
                }
            }},
        {QStringLiteral("holiday-settings"),
            [](MainWindow& window) {
                chooseHolidays(window);
                window.showHolidaySettings(false);
            }},
        {QStringLiteral("holiday-selection"),
            [](MainWindow& window) {
                chooseHolidays(window);
                window.navigation().pushViewController(
                    new HolidaySelectionViewController(window.session(), QStringLiteral("DE")),
                    false);
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
        // Outside a running event loop, widgets closed with deleteLater() go only here.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
    // The offscreen pointer rests at the screen's corner, over the Back button: a person
    // looking at the screen has it elsewhere.
    QCursor::setPos(window.mapToGlobal(QPoint(window.width() + 100, window.height() + 100)));
    for (QWidget* hovered : window.findChildren<QWidget*>()) {
        if (hovered->underMouse()) {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(hovered, &leave);
            hovered->setAttribute(Qt::WA_UnderMouse, false);
        }
    }
    QCoreApplication::processEvents();
    return window.grab().toImage();
}

} // namespace fetemark::screens
