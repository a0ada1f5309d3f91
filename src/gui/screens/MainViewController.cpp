#include "MainViewController.h"

#include "app/ApplicationSession.h"
#include "core/list/ListImageOperation.h"
#include "core/settings/SettingsKeys.h"
#include "core/theme/ApplicationTheme.h"
#include "gui/list/OccasionListModel.h"
#include "gui/list/OccasionTableViewCell.h"
#include "gui/list/SearchBar.h"
#include "gui/navigation/NavigationController.h"
#include "gui/widgets/ChoiceSheet.h"
#include "gui/widgets/ThemeIcons.h"

#include <QAction>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QScroller>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

namespace fetemark {
namespace {

constexpr int ApsRetryLimit = 40;
constexpr int ApsRetryMs = 100;
constexpr int StripHeight = 24;

// A layer that only paints: the startup picture, or the updating shade.
class PaintedLayer : public QWidget {
public:
    PaintedLayer(QWidget* parent, std::function<void(QPainter&, const QRect&)> painter)
        : QWidget(parent), m_painter(std::move(painter))
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        m_painter(p, rect());
    }

private:
    std::function<void(QPainter&, const QRect&)> m_painter;
};

void paintSpinner(QPainter& p, QPointF centre, int phase, const QColor& colour)
{
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(30.0 * (i + phase));
        QColor c = colour;
        c.setAlphaF(float(0.15 + 0.85 * i / 11.0));
        p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, -9), QPointF(0, -16));
        p.restore();
    }
}

// Fades `layer` to `visible` over `ms`; a fade still running on it is dropped first.
void fade(QWidget* layer, bool visible, int ms)
{
    qDeleteAll(layer->findChildren<QPropertyAnimation*>(Qt::FindDirectChildrenOnly));
    if (ms <= 0 || (!visible && !layer->isVisible())) {
        layer->setGraphicsEffect(nullptr);
        layer->setVisible(visible);
        return;
    }
    auto* effect = new QGraphicsOpacityEffect(layer);
    layer->setGraphicsEffect(effect);
    auto* animation = new QPropertyAnimation(effect, "opacity", layer);
    animation->setDuration(ms);
    animation->setStartValue(visible ? 0.0 : 1.0);
    animation->setEndValue(visible ? 1.0 : 0.0);
    QObject::connect(animation, &QPropertyAnimation::finished, layer, [layer, visible] {
        layer->setGraphicsEffect(nullptr);
        layer->setVisible(visible);
    });
    layer->show();
    animation->start();
}

} // namespace

MainViewController::MainViewController(ApplicationSession& session, QWidget* parent)
    : ViewController(parent), m_session(session), m_database(session.database()),
      m_list(std::make_unique<MainListModel>(session.database(), session.device())),
      m_delayed(new QObject(this))
{
    setTitle(QStringLiteral("Fetemark"));
    setAccessibleName(tr("Occasions"));
    m_largeRows = m_session.settings().boolValue(QString(Key::LargeRows));
    buildLayers();
    buildList();
    buildBarActions();
    applyThemeSetting();
    connectSession();
    m_database.addDatabaseObserver(this);
    if (m_database.isLoaded()) {
        refreshLocalDatabase(true, true);
        showMainLayer();
        m_loadedOnce = true;
    } else {
        m_database.startLoadingDatabase(this, [this] { handleInitialDatabaseLoad(); });
    }
}

MainViewController::~MainViewController()
{
    m_session.app().setUpdatingNotificationsSignal(nullptr);
    m_database.removeDatabaseObserver(this);
    ListImageOperation::stopLoadingData(m_queue);
    if (m_actionSheet)
        m_actionSheet->cancelSilently();
}

const ApplicationTheme& MainViewController::theme() const
{
    return m_session.app().sharedTheme();
}

bool MainViewController::isUpdating() const
{
    return m_updatingLayer->isVisible();
}

bool MainViewController::layersSettled() const
{
    return m_mainShown && !m_loadingLayer->isVisible() && !m_updatingLayer->isVisible();
}

QWidget* MainViewController::updatingNotificationsStrip() const
{
    return m_notificationsStrip;
}

int MainViewController::rowHeight() const
{
    return m_largeRows ? OccasionCellLayout::LargeHeight : OccasionCellLayout::NormalHeight;
}

void MainViewController::buildLayers()
{
    m_mainLayer = new QWidget(this);
    m_mainLayer->hide();
    m_loadingLayer = new PaintedLayer(this, [this](QPainter& p, const QRect& r) {
        const ApplicationTheme& t = theme();
        p.fillRect(r, t.colors.rowColor2.isValid() ? t.colors.rowColor2 : QColor(Qt::white));
        if (!t.backgroundImage.isNull())
            p.drawImage(r, t.backgroundImage);
        const QImage& top = t.backgroundStartupTopImage;
        if (!top.isNull())
            p.drawImage(QRectF(0, 0, r.width(), r.width() * top.height() / top.width()), top);
    });
    m_updatingLayer = new PaintedLayer(this, [this](QPainter& p, const QRect& r) {
        p.fillRect(r, QColor(0, 0, 0, 150));
        paintSpinner(p, QPointF(r.center().x(), r.center().y() - 30), m_spinnerPhase, Qt::white);
    });
    m_updatingLayer->hide();
    m_updatingLabel = new QLabel(m_updatingLayer);
    m_updatingLabel->setAlignment(Qt::AlignCenter);
    m_updatingLabel->setWordWrap(true);
    m_updatingLabel->setStyleSheet(QStringLiteral("color: white; font-weight: bold;"));
    m_notificationsStrip =
        new QLabel(m_session.texts().text(QStringLiteral("UpdatingNotifications"),
                       QStringLiteral("Updating Notifications...")),
            this);
    auto* strip = static_cast<QLabel*>(m_notificationsStrip);
    strip->setAlignment(Qt::AlignCenter);
    strip->setStyleSheet(QStringLiteral("background: rgba(0,0,0,170); color: white;"));
    strip->setAccessibleName(strip->text());
    strip->setGraphicsEffect(new QGraphicsOpacityEffect(strip));
    strip->hide();
    m_spinnerTimer = new QTimer(this);
    m_spinnerTimer->setInterval(100);
    connect(m_spinnerTimer, &QTimer::timeout, this, [this] {
        m_spinnerPhase = (m_spinnerPhase + 1) % 12;
        m_cell->setSpinnerPhase(m_spinnerPhase);
        if (m_updatingLayer->isVisible())
            m_updatingLayer->update();
        if (m_mainShown && m_cell->takeSpinnerShown())
            m_view->viewport()->update();
    });
    m_spinnerTimer->start();
}

void MainViewController::buildList()
{
    m_searchBar = new SearchBar(m_mainLayer);
    m_searchBar->hide();
    m_view = new QListView(m_mainLayer);
    m_view->setAccessibleName(tr("Occasions"));
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setUniformItemSizes(false);
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_view->setAutoFillBackground(false);
    m_view->viewport()->setAutoFillBackground(false);
    m_view->setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    m_model = new OccasionListModel(*m_list, m_database, this);
    m_cell = new OccasionTableViewCell(*m_model, m_database, m_session.settings(), this);
    m_view->setModel(m_model);
    m_view->setItemDelegate(m_cell);
    m_view->installEventFilter(this);
    QScroller::grabGesture(m_view->viewport(), QScroller::TouchGesture);
    auto* layout = new QVBoxLayout(m_mainLayer);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_searchBar);
    layout->addWidget(m_view);

    connect(m_cell, &OccasionTableViewCell::toggleClicked, this,
        &MainViewController::typeButtonPressed);
    connect(m_view, &QListView::activated, this, [this](const QModelIndex& index) {
        openRow(index.data(OccasionListModel::FlatIndexRole).toInt());
    });
    connect(m_view, &QListView::customContextMenuRequested, this, [this](const QPoint& pos) {
        showRowMenu(m_view->indexAt(pos), m_view->viewport()->mapToGlobal(pos));
    });
    m_photoRestart = new QTimer(this);
    m_photoRestart->setSingleShot(true);
    m_photoRestart->setInterval(250);
    connect(m_photoRestart, &QTimer::timeout, this, &MainViewController::startLoadingData);
    // Photo work waits while the list moves and goes on once it rests.
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this,
        &MainViewController::restartPhotosSoon);
    connect(m_searchBar, &SearchBar::textEdited, this, &MainViewController::searchValueChanged);
    connect(m_searchBar, &SearchBar::filterPressed, this, &MainViewController::filterButtonPressed);
    connect(m_searchBar, &SearchBar::clearPressed, this, &MainViewController::clearSearchText);
}

void MainViewController::buildBarActions()
{
    m_settingsAction = new QAction(tr("Settings"), this);
    m_settingsAction->setEnabled(false); // the settings screen is not part of the window yet
    m_addAction = new QAction(tr("Add"), this);
    m_addAction->setEnabled(false); // nor is adding an occasion
    m_searchAction = new QAction(tr("Search"), this);
    connect(m_searchAction, &QAction::triggered, this, [this] { toggleSearch(true); });
    setLeftBarAction(m_settingsAction);
    setRightBarActions({m_searchAction, m_addAction});
    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        if (!m_showSearch)
            toggleSearch(true);
        m_searchBar->focusField();
    });
}

void MainViewController::connectSession()
{
    connect(&m_session, &ApplicationSession::dataChangedElsewhere, this,
        &MainViewController::databaseIsDirty);
    m_session.app().setUpdatingNotificationsSignal(
        [this](bool shown) { setUpdatingNotifications(shown); }, this);
    connect(&m_session, &ApplicationSession::significantTimeChange, this,
        &MainViewController::dateChanged);
    connect(&m_session, &ApplicationSession::willResignActive, this,
        &MainViewController::stopLoadingData);
    connect(&m_session, &ApplicationSession::didBecomeActive, this, [this] {
        if (navigationController() && navigationController()->topViewController() == this)
            startLoadingData();
    });
    connect(
        qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state != Qt::ApplicationActive)
                stopLoadingData();
        });
}

void MainViewController::resizeEvent(QResizeEvent* event)
{
    ViewController::resizeEvent(event);
    layoutLayers();
}

void MainViewController::layoutLayers()
{
    for (QWidget* layer : {m_mainLayer, m_loadingLayer, m_updatingLayer})
        layer->setGeometry(rect());
    m_updatingLabel->setGeometry(20, height() / 2, width() - 40, 60);
    m_notificationsStrip->setGeometry(0, height() - StripHeight, width(), StripHeight);
    m_notificationsStrip->raise();
}

void MainViewController::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const ApplicationTheme& t = theme();
    if (t.isStandardTheme || t.backgroundImage.isNull())
        p.fillRect(rect(), t.isStandardTheme ? QColor(0xc5, 0xcc, 0xd4) : t.colors.rowColor2);
    if (!t.backgroundImage.isNull())
        p.drawImage(rect(), t.backgroundImage);
}

void MainViewController::handleInitialDatabaseLoad()
{
    if (m_session.app().processingAPNSRegistration && m_apsLoadingRetryCount < ApsRetryLimit) {
        QTimer::singleShot(ApsRetryMs, this, [this] {
            ++m_apsLoadingRetryCount;
            handleInitialDatabaseLoad();
        });
        return;
    }
    m_session.app().sendProviderData(false);
    applyThemeSetting();
    refreshLocalDatabase(false, true);
    if (m_updatingLayer->isVisible()) {
        QTimer::singleShot(1000, m_delayed, [this] { takeDownUpdatingView(); });
        startLoadingData();
        return;
    }
    showMainLayer(m_session.settings().boolValue(QString(Key::ShowSearch)) ? 350 : 100);
    if (!m_loadedOnce && m_session.settings().boolValue(QString(Key::ShowSearch)))
        toggleSearch(true);
    else
        startLoadingData();
    m_loadedOnce = true;
}

void MainViewController::showMainLayer(int fadeMs)
{
    m_mainShown = true;
    m_mainLayer->show();
    fade(m_loadingLayer, false, fadeMs);
    fade(m_updatingLayer, false, fadeMs);
    m_notificationsStrip->raise();
}

void MainViewController::takeDownUpdatingView()
{
    setControlsEnabled(true);
    showMainLayer(500);
    startLoadingData();
}

void MainViewController::setControlsEnabled(bool enabled)
{
    m_searchBar->setControlsEnabled(enabled);
    m_view->setEnabled(enabled);
}

void MainViewController::reloadOccasionsDatabase(bool databaseChanged)
{
    stopLoadingData();
    setControlsEnabled(false);
    m_updatingLabel->setText(
        m_session.texts().text(databaseChanged ? QStringLiteral("DatabaseHasChanged")
                                               : QStringLiteral("ChangeContactsGroup")));
    m_updatingLayer->raise();
    fade(m_updatingLayer, true, databaseChanged ? 0 : 500);
    m_database.startLoadingDatabase(this, [this] { handleInitialDatabaseLoad(); });
}

void MainViewController::databaseIsDirty()
{
    if (m_actionSheet)
        m_actionSheet->cancelSilently();
    m_rowToDelete.reset();
    m_cell->setEditingRow(-1);
    if (NavigationController* navigation = navigationController()) {
        navigation->dismissModalViewController(false);
        navigation->popToRootViewController(false);
    }
    reloadOccasionsDatabase(true);
}

void MainViewController::dateChanged()
{
    if (!m_database.isLoaded())
        return;
    stopLoadingData();
    m_database.updateDatabase();
    m_database.calculateUpcoming();
    m_database.flushDetailStrings();
    refreshLocalDatabase(true, true);
}

void MainViewController::setUpdatingNotifications(bool shown)
{
    auto* effect = static_cast<QGraphicsOpacityEffect*>(m_notificationsStrip->graphicsEffect());
    auto* fade = new QPropertyAnimation(effect, "opacity", m_notificationsStrip);
    fade->setDuration(300);
    fade->setStartValue(effect->opacity());
    fade->setEndValue(shown ? 1.0 : 0.0);
    if (shown) {
        m_notificationsStrip->show();
        m_notificationsStrip->raise();
    } else {
        connect(fade, &QPropertyAnimation::finished, m_notificationsStrip, &QWidget::hide);
    }
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void MainViewController::applyThemeSetting()
{
    ApplicationTheme& t = m_session.app().sharedTheme();
    t.loadTheme();
    const bool themeChangedNow = t.currentTheme() != m_theme;
    const bool standardChanged = t.isStandardTheme != m_standardTheme;
    if (m_theme >= 0 && standardChanged) {
        stopLoadingData();
        m_database.flushRoundedPhotos();
    }
    m_theme = t.currentTheme();
    m_standardTheme = t.isStandardTheme;
    const bool large = m_session.settings().boolValue(QString(Key::LargeRows));
    if (!themeChangedNow && large == m_largeRows && m_cellThemed)
        return;
    m_largeRows = large;
    m_cellThemed = true;
    if (themeChangedNow && navigationController())
        navigationController()->themeChanged(); // comes back through themeChanged()
    else
        themeChanged();
}

void MainViewController::themeChanged()
{
    const ApplicationTheme& t = theme();
    m_cell->setTheme(&t);
    updateFilterButton();
    m_settingsAction->setIcon(
        ThemeIcons::icon(t, ThemeImage::menuSettingsUp, ThemeImage::menuSettingsDown));
    m_addAction->setIcon(ThemeIcons::icon(t, ThemeImage::menuAddUp, ThemeImage::menuAddDown));
    m_searchAction->setIcon(QIcon(ThemeIcons::pixmap(t, ThemeImage::searchIconHelp)));
    if (m_database.isLoaded() && m_mainShown)
        refreshLocalDatabase(true, true);
    update();
}

} // namespace fetemark
