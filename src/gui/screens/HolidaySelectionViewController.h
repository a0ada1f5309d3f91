#pragma once

#include "core/holidays/HolidayChoices.h"
#include "gui/detail/DetailScreen.h"

#include <optional>

class QAbstractButton;
class QLabel;

namespace fetemark {

class HolidayValueRow;

// The holidays of one category, soonest first, each checked or not. Every change is
// stored at once; Back stores the choice once more and leaves.
class HolidaySelectionViewController : public DetailScreen {
    Q_OBJECT
public:
    HolidaySelectionViewController(
        ApplicationSession& session, const QString& category, QWidget* parent = nullptr);

    const QString& category() const { return m_category; }
    const HolidaySelection& selection() const { return *m_selection; }
    const std::vector<HolidayValueRow*>& rows() const { return m_rows; }
    QAbstractButton* checkAllButton() const { return m_checkAll; }
    QAbstractButton* uncheckAllButton() const { return m_uncheckAll; }

    void toggleRow(int index);
    void checkAll();
    void uncheckAll();
    void backPressed() override;
    void themeChanged() override;

private:
    void loadSelection();
    QWidget* makeHeader();
    QAbstractButton* headerButton(const QString& key, const QString& english, const QString& icon);
    std::vector<DetailRow*> makeRows();
    // Stores the category's choice; on failure the person is told and the rows show
    // the choice as it is stored.
    bool store(HolidaySelection::Mode mode);
    void showStates();

    QString m_category;
    std::optional<HolidaySelection> m_selection;
    std::vector<HolidayValueRow*> m_rows;
    QLabel* m_headerLabel = nullptr;
    QAbstractButton* m_checkAll = nullptr;
    QAbstractButton* m_uncheckAll = nullptr;
};

} // namespace fetemark
