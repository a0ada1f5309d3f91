// The main list's rows: building and showing them, search and filter, the reminder
// toggle, deleting, scrolling to a record, and the photo preparation behind the rows.
#include "MainViewController.h"

#include "app/ApplicationSession.h"
#include "core/list/ListImageOperation.h"
#include "core/list/ListRows.h"
#include "core/settings/SettingsKeys.h"
#include "core/theme/ApplicationTheme.h"
#include "gui/list/OccasionListModel.h"
#include "gui/list/OccasionTableViewCell.h"
#include "gui/list/SearchBar.h"
#include "gui/navigation/NavigationController.h"
#include "gui/widgets/ChoiceSheet.h"

#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

namespace fetemark {
namespace {

std::pair<ThemeImage, ThemeImage> filterImages(int mode)
{
    switch (mode) {
    case MainListModel::Birthdays:
        return {ThemeImage::filterBirthdaysUp, ThemeImage::filterBirthdaysDown};
    case MainListModel::Anniversaries:
        return {ThemeImage::filterAnniversariesUp, ThemeImage::filterAnniversariesDown};
    case MainListModel::Others:
        return {ThemeImage::filterOthersUp, ThemeImage::filterOthersDown};
    case MainListModel::Holidays:
        return {ThemeImage::filterHolidaysUp, ThemeImage::filterHolidaysDown};
    case MainListModel::Facebook:
        return {ThemeImage::filterFacebookUp, ThemeImage::filterFacebookDown};
    default:
        return {ThemeImage::filterNoneUp, ThemeImage::filterNoneDown};
    }
}

} // namespace

void MainViewController::refreshLocalDatabase(bool startPhotos, bool reload)
{
    stopLoadingData();
    m_list->setSearchText(m_showSearch ? m_searchBar->text() : QString());
    m_list->refreshLocalDatabase();
    if (reload) {
        const OccasionRecordPtr selected = m_selectedRecord;
        m_model->reload(rowHeight());
        if (selected) {
            const auto& records = m_list->records();
            const auto it = std::find(records.begin(), records.end(), selected);
            if (it != records.end())
                selectFlat(int(it - records.begin()), false);
        }
    }
    if (startPhotos)
        startLoadingData();
}

int MainViewController::selectedFlatIndex() const
{
    const QModelIndexList selected = m_view->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1
                              : selected.first().data(OccasionListModel::FlatIndexRole).toInt();
}

int MainViewController::currentFlatIndex() const
{
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? current.data(OccasionListModel::FlatIndexRole).toInt() : -1;
}

QRect MainViewController::visualRectOfRow(int flatIndex) const
{
    const int row = m_model->modelRowOfFlatIndex(flatIndex);
    return row < 0 ? QRect() : m_view->visualRect(m_model->index(row));
}

void MainViewController::selectFlat(int flatIndex, bool scroll)
{
    const int row = m_model->modelRowOfFlatIndex(flatIndex);
    if (row < 0) {
        m_view->clearSelection();
        m_selectedRecord.reset();
        return;
    }
    const QModelIndex index = m_model->index(row);
    m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_selectedRecord = m_model->recordAt(row);
    if (scroll)
        m_view->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void MainViewController::updateFilterButton()
{
    const auto [up, down] = filterImages(m_list->filterMode());
    m_searchBar->setTheme(theme(), theme().image(up), theme().image(down));
    m_searchBar->setPlaceholder(m_list->placeholder());
    m_searchBar->filterButton()->setToolTip(m_list->placeholder());
}

void MainViewController::scrollToTop()
{
    if (!m_list->isEmpty())
        m_view->scrollToTop();
}

void MainViewController::filterButtonPressed()
{
    m_list->filterButtonPressed();
    updateFilterButton();
    refreshLocalDatabase(true, true);
    scrollToTop();
}

void MainViewController::searchValueChanged()
{
    // Photos wait while the user types; they go on once typing rests.
    refreshLocalDatabase(false, true);
    scrollToTop();
    restartPhotosSoon();
}

void MainViewController::clearSearchText()
{
    m_searchBar->setText(QString());
    refreshLocalDatabase(true, true);
    scrollToTop();
}

void MainViewController::toggleSearch(bool startPhotos)
{
    m_searchBar->setText(QString());
    m_list->setFilterMode(MainListModel::All);
    updateFilterButton();
    m_showSearch = !m_showSearch;
    m_session.settings().setValue(QString(Key::ShowSearch), m_showSearch);
    m_searchBar->setVisible(m_showSearch);
    refreshLocalDatabase(startPhotos, true);
    if (m_showSearch)
        m_searchBar->focusField();
}

void MainViewController::restartPhotosSoon()
{
    stopLoadingData();
    m_photoRestart->start();
}

void MainViewController::typeButtonPressed(int flatIndex)
{
    const auto& records = m_list->records();
    if (flatIndex < 0 || flatIndex >= int(records.size()))
        return;
    OccasionRecord& record = *records[std::size_t(flatIndex)];
    if (!ListRows::setWithRecord(record, m_session.settings()).enabled)
        return;
    record.ignoreForUpcoming = !record.ignoreForUpcoming;
    m_view->viewport()->update(visualRectOfRow(flatIndex));
    m_session.app().sendProviderData(false);
}

void MainViewController::openRow(int flatIndex)
{
    const auto& records = m_list->records();
    if (flatIndex < 0 || flatIndex >= int(records.size()) || !navigationController())
        return;
    m_searchBar->clearFocusOfFields();
    stopLoadingData();
    selectFlat(flatIndex, false);
    navigationController()->pushViewController(
        new DetailedInfoViewController(m_session, records[std::size_t(flatIndex)], this), true);
}

void MainViewController::viewWillAppear(bool animated)
{
    Q_UNUSED(animated)
    if (!m_database.isLoaded() || !m_mainShown)
        return;
    refreshLocalDatabase(true, true);
    if (const int flat = selectedFlatIndex(); flat >= 0)
        deselectSoon(flat);
}

void MainViewController::deselectSoon(int flatIndex)
{
    // The row the user came back from flashes; one off screen is scrolled to first.
    const bool onScreen = m_view->viewport()->rect().intersects(visualRectOfRow(flatIndex));
    QTimer::singleShot(onScreen ? 300 : 750, m_delayed, [this, flatIndex, onScreen] {
        const int row = m_model->modelRowOfFlatIndex(flatIndex);
        if (!onScreen && row >= 0)
            m_view->scrollTo(m_model->index(row), QAbstractItemView::PositionAtCenter);
        m_view->selectionModel()->clearSelection();
        m_selectedRecord.reset();
    });
}

void MainViewController::viewWillDisappear(bool animated)
{
    Q_UNUSED(animated)
    delete m_delayed;
    m_delayed = new QObject(this);
    stopLoadingData();
}

void MainViewController::startLoadingData()
{
    m_photoRestart->stop();
    ListImageOperation::stopLoadingData(m_queue);
    if (m_list->isEmpty() || !m_mainShown ||
        !m_session.settings().boolValue(QString(Key::ShowPhotos)))
        return;
    std::vector<OccasionRecordPtr> visible;
    std::vector<IndexPath> paths;
    const QRect area = m_view->viewport()->rect();
    const QModelIndex first = m_view->indexAt(area.topLeft());
    for (int row = first.isValid() ? first.row() : 0; row < m_model->rowCount(); ++row) {
        const QModelIndex index = m_model->index(row);
        if (!m_view->visualRect(index).intersects(area))
            break;
        const int flat = index.data(OccasionListModel::FlatIndexRole).toInt();
        const OccasionRecordPtr record = m_model->recordAt(row);
        if (record && record->photo.isNull()) {
            visible.push_back(record);
            paths.push_back(m_list->indexPathForRecordAtIndex(flat));
        }
    }
    const auto updated = [this](const IndexPath& path) { recordImageUpdated(path); };
    const QString dir = m_session.dataDirectory();
    const qreal scale = std::max<qreal>(2.0, devicePixelRatioF());
    if (!visible.empty())
        m_queue.addOperation(std::make_shared<ListImageOperation>(
            m_database, dir, std::move(visible), std::move(paths), this, updated, scale));
    std::vector<OccasionRecordPtr> rest;
    for (const OccasionRecordPtr& record : m_list->records())
        if (record->photo.isNull())
            rest.push_back(record);
    if (!rest.empty())
        m_queue.addOperation(std::make_shared<ListImageOperation>(
            m_database, dir, std::move(rest), std::vector<IndexPath> {}, nullptr, nullptr, scale));
}

void MainViewController::stopLoadingData()
{
    ListImageOperation::stopLoadingData(m_queue);
}

void MainViewController::recordImageUpdated(const IndexPath& path)
{
    const QRect rect = visualRectOfRow(m_list->flatIndex(path));
    if (!rect.isEmpty())
        m_view->viewport()->update(rect);
}

} // namespace fetemark
