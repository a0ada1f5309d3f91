#pragma once

#include "core/database/RecordDatabase.h"
#include "core/list/IndexPath.h"
#include "core/list/MainListModel.h"
#include "core/operations/OperationQueue.h"
#include "gui/navigation/ViewController.h"
#include "gui/screens/DetailedInfoViewController.h"

#include <QPointer>

#include <memory>
#include <optional>

class QAction;
class QLabel;
class QListView;
class QModelIndex;
class QKeyEvent;
class QTimer;

namespace fetemark {

class ApplicationSession;
class ApplicationTheme;
class ChoiceSheet;
class OccasionListModel;
class OccasionTableViewCell;
class SearchBar;

// The main list: every occasion, soonest first, grouped by month and by state, with the
// search bar, the reminder toggles, deleting, and the occasion's page behind each row.
// While the database (re)loads it shows the startup picture or the updating shade.
class MainViewController : public ViewController,
                           public DatabaseObserver,
                           public DetailedInfoDelegate {
    Q_OBJECT
public:
    explicit MainViewController(ApplicationSession& session, QWidget* parent = nullptr);
    ~MainViewController() override;

    // ---- State the tests and the screen catalogue look at ----
    MainListModel& list() { return *m_list; }
    OccasionListModel& model() const { return *m_model; }
    QListView* listView() const { return m_view; }
    SearchBar* searchBar() const { return m_searchBar; }
    bool isLoaded() const { return m_mainShown; }
    // The updating shade shows (or still fades out).
    bool isUpdating() const;
    // Neither the startup picture nor the updating shade shows any more.
    bool layersSettled() const;
    bool showsSearch() const { return m_showSearch; }
    // Photos are still being prepared.
    bool photosPending() const { return m_queue.operationCount() > 0; }
    QWidget* updatingNotificationsStrip() const;
    // The item rectangle (in the list's viewport) of a flat row, empty when not laid out.
    QRect visualRectOfRow(int flatIndex) const;
    int selectedFlatIndex() const;
    // The row the keyboard is on (kept after a selection flashed off), or -1.
    int currentFlatIndex() const;

    // ---- Actions ----
    void refreshLocalDatabase(bool startPhotos, bool reload);
    void filterButtonPressed();
    void clearSearchText();
    void toggleSearch(bool startPhotos = true);
    void typeButtonPressed(int flatIndex);
    void openRow(int flatIndex);
    void deleteRow(int flatIndex);
    void scrollNewIntoView(const OccasionRecordPtr& record);
    void scrollIntoViewAndFlashDeselect(const OccasionRecordPtr& record);
    void reloadOccasionsDatabase(bool databaseChanged);
    void startLoadingData();
    void stopLoadingData();
    // The theme the setting names now: bars, search field, rows and photos follow it.
    void applyThemeSetting();

    // ---- ViewController ----
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void themeChanged() override;

    // ---- DatabaseObserver, DetailedInfoDelegate ----
    void databaseIsDirty() override;
    void detailedInfoViewControllerDone(DetailedInfoViewController* controller) override;
    void detailedInfoViewControllerDoneWithBigChange(DetailedInfoViewController* controller,
        const OccasionRecordPtr& newRecord, const OccasionRecordPtr& foundRecord) override;

public slots:
    // Midnight passed or the zone changed: dates, upcoming window and phrases again.
    void dateChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayers();
    void buildList();
    void buildBarActions();
    void connectSession();
    bool handleListKey(QKeyEvent* event);
    void layoutLayers();
    int rowHeight() const;
    void handleInitialDatabaseLoad();
    void showMainLayer(int fadeMs = 0);
    void takeDownUpdatingView();
    void setControlsEnabled(bool enabled);
    void searchValueChanged();
    void updateFilterButton();
    void scrollToTop();
    void selectFlat(int flatIndex, bool scroll);
    void deselectSoon(int flatIndex);
    void scrollAndFlash(const OccasionRecordPtr& record, int delayMs);
    int findOrClear(const OccasionRecordPtr& record);
    // A holiday goes without a question: its subscription is dropped.
    void hideHoliday(int flatIndex);
    void deleteAnswered(int tag, int buttonIndex);
    void recordImageUpdated(const IndexPath& path);
    void showRowMenu(const QModelIndex& index, const QPoint& globalPos);
    void setUpdatingNotifications(bool shown);
    void restartPhotosSoon();
    const ApplicationTheme& theme() const;

    ApplicationSession& m_session;
    RecordDatabase& m_database;
    std::unique_ptr<MainListModel> m_list;
    OccasionListModel* m_model = nullptr;
    OccasionTableViewCell* m_cell = nullptr;
    QListView* m_view = nullptr;
    SearchBar* m_searchBar = nullptr;
    QWidget* m_mainLayer = nullptr;
    QWidget* m_loadingLayer = nullptr;
    QWidget* m_updatingLayer = nullptr;
    QLabel* m_updatingLabel = nullptr;
    QWidget* m_notificationsStrip = nullptr;
    QAction* m_settingsAction = nullptr;
    QAction* m_addAction = nullptr;
    QAction* m_searchAction = nullptr;
    QTimer* m_spinnerTimer = nullptr;
    QTimer* m_photoRestart = nullptr;
    OperationQueue m_queue {1};
    QPointer<ChoiceSheet> m_actionSheet;
    std::optional<IndexPath> m_rowToDelete;
    QPointer<QObject> m_delayed; // parent of pending delayed calls; replaced to cancel them
    bool m_mainShown = false;
    bool m_loadedOnce = false;
    bool m_showSearch = false;
    bool m_largeRows = false;
    // The row painter has been given a theme: the first call must give it one even when
    // nothing seems to have changed.
    bool m_cellThemed = false;
    int m_apsLoadingRetryCount = 0;
    int m_spinnerPhase = 0;
    int m_theme = -1;
    bool m_standardTheme = true;
    OccasionRecordPtr m_selectedRecord;
};

} // namespace fetemark
