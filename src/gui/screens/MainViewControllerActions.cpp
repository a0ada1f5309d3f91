// The main list's row actions: deleting (hiding, removing), the row menu and keys, and
// showing a record again after its page closed.
#include "MainViewController.h"

#include "app/ApplicationSession.h"
#include "core/list/ListRows.h"
#include "gui/list/OccasionListModel.h"
#include "gui/list/OccasionTableViewCell.h"
#include "gui/list/SearchBar.h"
#include "gui/navigation/NavigationController.h"
#include "gui/widgets/ChoiceSheet.h"

#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QTimer>

namespace fetemark {
namespace {

constexpr int DeleteTagBase = 1000;
constexpr int ScrollDelayMs = 750;

} // namespace

void MainViewController::deleteRow(int flatIndex)
{
    const auto& records = m_list->records();
    if (flatIndex < 0 || flatIndex >= int(records.size()) || m_actionSheet)
        return;
    const OccasionRecordPtr record = records[std::size_t(flatIndex)];
    const ListRows::DeleteDecision decision = ListRows::deleteDecision(*record, m_database);
    if (decision.action == ListRows::DeleteDecision::Action::UnsubscribeHoliday) {
        hideHoliday(flatIndex);
        return;
    }
    m_rowToDelete = m_list->indexPathForRecordAtIndex(flatIndex);
    stopLoadingData();
    m_searchBar->clearFocusOfFields();
    if (decision.action == ListRows::DeleteDecision::Action::IgnoreFacebookEntry) {
        m_database.ignoreFacebookEntry(record);
        m_rowToDelete.reset();
        refreshLocalDatabase(true, true);
        m_session.app().sendProviderData(false);
        return;
    }
    m_cell->setEditingRow(flatIndex);
    m_view->viewport()->update();
    const QString cancel =
        m_session.texts().text(QStringLiteral("Cancel"), QStringLiteral("Cancel"));
    m_actionSheet = ChoiceSheet::ask(window(), ChoiceSheet::Style::Sheet,
        ListRows::deleteQuestion(decision, m_session.texts()), QString(),
        {{ListRows::deleteButton(decision, m_session.texts()), ChoiceSheet::Role::Destructive},
            {cancel, ChoiceSheet::Role::Cancel}},
        DeleteTagBase + flatIndex, [this](ChoiceSheet& sheet, int index) {
            deleteAnswered(
                sheet.tag(), index == sheet.indexOf(ChoiceSheet::Role::Destructive) ? index : -1);
        });
}

void MainViewController::deleteAnswered(int tag, int buttonIndex)
{
    m_actionSheet = nullptr;
    m_cell->setEditingRow(-1);
    m_view->viewport()->update();
    const bool confirmed = buttonIndex >= 0 && tag >= DeleteTagBase && m_rowToDelete;
    m_rowToDelete.reset();
    const auto& records = m_list->records();
    const int flat = tag - DeleteTagBase;
    if (!confirmed || flat >= int(records.size())) {
        startLoadingData();
        return;
    }
    ListRows::confirmDelete(records[std::size_t(flat)], m_database);
    refreshLocalDatabase(true, true);
    selectFlat(std::min(flat, int(m_list->records().size()) - 1), true);
    m_session.app().sendProviderData(false);
}

void MainViewController::hideHoliday(int flatIndex)
{
    const OccasionRecordPtr record = m_list->records()[std::size_t(flatIndex)];
    QString error;
    if (!m_database.unsubscribeHoliday(record, &error)) {
        ChoiceSheet::ask(window(), ChoiceSheet::Style::Alert, record->name, error,
            {{m_session.texts().text(QStringLiteral("OK"), QStringLiteral("OK")),
                ChoiceSheet::Role::Cancel}},
            0, {});
        return;
    }
    refreshLocalDatabase(true, true);
    if (!m_list->records().empty())
        selectFlat(std::min(flatIndex, int(m_list->records().size()) - 1), true);
    m_session.app().sendProviderData(false);
}

int MainViewController::findOrClear(const OccasionRecordPtr& record)
{
    if (!record)
        return -1;
    const int before = m_list->scrollNewIntoView(record, false);
    if (before >= 0)
        return before;
    m_searchBar->setText(QString());
    const int found = m_list->scrollNewIntoView(record, true);
    updateFilterButton();
    refreshLocalDatabase(true, true);
    return found;
}

void MainViewController::scrollAndFlash(const OccasionRecordPtr& record, int delayMs)
{
    QTimer::singleShot(delayMs, m_delayed, [this, record] {
        const auto& records = m_list->records();
        const auto it = std::find(records.begin(), records.end(), record);
        if (it == records.end())
            return;
        const int flat = int(it - records.begin());
        const bool onScreen = m_view->viewport()->rect().intersects(visualRectOfRow(flat));
        m_view->scrollTo(m_model->index(m_model->modelRowOfFlatIndex(flat)),
            QAbstractItemView::PositionAtCenter);
        QTimer::singleShot(onScreen ? 250 : 1500, m_delayed, [this, flat] {
            selectFlat(flat, false);
            QTimer::singleShot(500, m_delayed, [this] {
                m_view->clearSelection();
                m_selectedRecord.reset();
            });
        });
    });
}

void MainViewController::scrollNewIntoView(const OccasionRecordPtr& record)
{
    m_view->clearSelection();
    m_selectedRecord.reset();
    if (findOrClear(record) >= 0)
        scrollAndFlash(record, ScrollDelayMs);
}

void MainViewController::scrollIntoViewAndFlashDeselect(const OccasionRecordPtr& record)
{
    const auto& records = m_list->records();
    const auto it = std::find(records.begin(), records.end(), record);
    if (it != records.end()) {
        selectFlat(int(it - records.begin()), false);
        return;
    }
    if (findOrClear(record) >= 0)
        scrollAndFlash(record, ScrollDelayMs);
}

void MainViewController::detailedInfoViewControllerDone(DetailedInfoViewController* controller)
{
    const OccasionRecordPtr record = controller->record();
    refreshLocalDatabase(true, true);
    scrollIntoViewAndFlashDeselect(record);
    if (navigationController())
        navigationController()->popToRootViewController(true);
}

void MainViewController::detailedInfoViewControllerDoneWithBigChange(DetailedInfoViewController*,
    const OccasionRecordPtr& newRecord, const OccasionRecordPtr& foundRecord)
{
    refreshLocalDatabase(true, true);
    if (newRecord)
        scrollNewIntoView(newRecord);
    else if (foundRecord)
        scrollIntoViewAndFlashDeselect(foundRecord);
    if (navigationController())
        navigationController()->popToRootViewController(true);
}

void MainViewController::showRowMenu(const QModelIndex& index, const QPoint& globalPos)
{
    const OccasionRecordPtr record = m_model->recordAt(index.row());
    if (!record)
        return;
    const int flat = index.data(OccasionListModel::FlatIndexRole).toInt();
    selectFlat(flat, false);
    QString title = ListRows::swipeTitle(*record, m_session.texts());
    if (title.isEmpty())
        title = m_session.texts().text(QStringLiteral("Delete"), QStringLiteral("Delete"));
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(record->name);
    menu->addAction(title, this, [this, flat] { deleteRow(flat); });
    menu->popup(globalPos);
}

bool MainViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (handleListKey(key))
            return true;
    }
    return ViewController::eventFilter(watched, event);
}

bool MainViewController::handleListKey(QKeyEvent* event)
{
    const int selected = selectedFlatIndex();
    const int flat = selected >= 0 ? selected : currentFlatIndex();
    const int count = int(m_list->records().size());
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (count == 0)
            return true;
        // Without a selection the first arrow marks the row the keyboard is on.
        const int step = selected < 0 ? 0 : (event->key() == Qt::Key_Up ? -1 : 1);
        selectFlat(std::clamp(std::max(flat, 0) + step, 0, count - 1), true);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        openRow(flat);
        return true;
    case Qt::Key_Delete:
        deleteRow(flat);
        return true;
    case Qt::Key_Menu: {
        const int row = m_model->modelRowOfFlatIndex(flat);
        if (row >= 0) {
            const QRect rect = visualRectOfRow(flat);
            showRowMenu(m_model->index(row), m_view->viewport()->mapToGlobal(rect.center()));
        }
        return true;
    }
    default:
        return false;
    }
}

} // namespace fetemark
