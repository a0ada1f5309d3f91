#include "HolidaySelectionViewController.h"

#include "HolidayCells.h"

#include "app/ApplicationSession.h"
#include "core/database/RecordDatabase.h"
#include "core/holidays/HolidayCatalogue.h"
#include "gui/widgets/ChoiceSheet.h"
#include "gui/widgets/ThemeIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace fetemark {
namespace {

const QString SettingsTable = QStringLiteral("Settings");

} // namespace

HolidaySelectionViewController::HolidaySelectionViewController(
    ApplicationSession& session, const QString& category, QWidget* parent)
    : DetailScreen(session, parent), m_category(category)
{
    const Texts& texts = session.texts();
    setTitle(HolidayTexts::categoryName(texts, category));
    loadSelection();

    Section section;
    section.headerWidget = makeHeader();
    section.rows = makeRows();
    std::vector<Section> sections;
    sections.push_back(std::move(section));
    setSections(std::move(sections));
    DetailRow::colourLabel(m_headerLabel, DetailScreen::theme());
    showStates();
}

void HolidaySelectionViewController::loadSelection()
{
    const std::shared_ptr<const HolidayCatalogue> catalogue =
        HolidayCatalogue::shared(m_session.database().resourceRoot());
    const HolidayReader reader = m_session.database().holidayReader();
    const DateParts today = m_session.calendar().components(m_session.clock().now());
    m_selection.emplace(m_category, *catalogue,
        HolidaySubscriptions::fromSettings(m_session.settings()), reader, m_session.texts(),
        QDate(today.year, today.month, today.day));
}

QWidget* HolidaySelectionViewController::makeHeader()
{
    auto* header = new QWidget;
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(Margin, 0, 0, 0);
    layout->setSpacing(6);
    m_headerLabel = new QLabel(m_session.texts().text(
        QStringLiteral("HolidayList"), QStringLiteral("Holidays"), SettingsTable));
    m_headerLabel->setWordWrap(true);
    layout->addWidget(m_headerLabel, 1);
    m_checkAll = headerButton(QStringLiteral("CheckAll"), QStringLiteral("Check All"),
        QStringLiteral("Check_All_Up.png"));
    m_uncheckAll = headerButton(QStringLiteral("UncheckAll"), QStringLiteral("Uncheck All"),
        QStringLiteral("Uncheck_All_Up.png"));
    connect(m_checkAll, &QAbstractButton::clicked, this, &HolidaySelectionViewController::checkAll);
    connect(
        m_uncheckAll, &QAbstractButton::clicked, this, &HolidaySelectionViewController::uncheckAll);
    layout->addWidget(m_checkAll);
    layout->addWidget(m_uncheckAll);
    return header;
}

QAbstractButton* HolidaySelectionViewController::headerButton(
    const QString& key, const QString& english, const QString& icon)
{
    auto* button = new QToolButton;
    const QString text = m_session.texts().text(key, english, SettingsTable);
    button->setText(text);
    button->setAccessibleName(text);
    const QPixmap image = ThemeIcons::resourcePixmap(icon);
    if (!image.isNull()) {
        button->setIcon(QIcon(image));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    } else {
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

std::vector<DetailRow*> HolidaySelectionViewController::makeRows()
{
    const HolidayDayText dateText(m_session.texts().language(), m_session.device());
    std::vector<DetailRow*> rows;
    const std::vector<HolidayItem>& items = m_selection->items();
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto* row = new HolidayValueRow(QString(), items[i].title);
        row->setValue(HolidaySelection::valueText(items[i], m_session.texts(), dateText));
        row->setSelectable(true);
        connect(row, &DetailRow::activated, this, [this, i] { toggleRow(int(i)); });
        m_rows.push_back(row);
        rows.push_back(row);
    }
    return rows;
}

void HolidaySelectionViewController::toggleRow(int index)
{
    if (index < 0 || index >= int(m_rows.size()))
        return;
    m_selection->toggle(std::size_t(index));
    store(HolidaySelection::KeepEach);
    showStates();
}

void HolidaySelectionViewController::checkAll()
{
    store(HolidaySelection::CheckAll);
    showStates();
}

void HolidaySelectionViewController::uncheckAll()
{
    store(HolidaySelection::UncheckAll);
    showStates();
}

void HolidaySelectionViewController::backPressed()
{
    store(HolidaySelection::KeepEach);
    DetailScreen::backPressed();
}

bool HolidaySelectionViewController::store(HolidaySelection::Mode mode)
{
    QString error;
    const bool stored = HolidaySubscriptions::update(
        m_session.settings(), &m_session.lock(),
        [&](HolidaySubscriptions& subscriptions) {
            m_selection->setSubscriptionValues(mode, subscriptions);
        },
        &error);
    if (stored)
        return true;
    loadSelection();
    ChoiceSheet::ask(window(), ChoiceSheet::Style::Alert, title(), error,
        {{m_session.texts().text(QStringLiteral("OK"), QStringLiteral("OK")),
            ChoiceSheet::Role::Cancel}},
        0, {});
    return false;
}

void HolidaySelectionViewController::showStates()
{
    const std::vector<HolidayItem>& items = m_selection->items();
    for (std::size_t i = 0; i < items.size() && i < m_rows.size(); ++i) {
        m_rows[i]->setMark(items[i].subscribed ? HolidayValueRow::Mark::Checked
                                               : HolidayValueRow::Mark::Unchecked);
    }
}

void HolidaySelectionViewController::themeChanged()
{
    DetailScreen::themeChanged();
    DetailRow::colourLabel(m_headerLabel, DetailScreen::theme());
}

} // namespace fetemark
