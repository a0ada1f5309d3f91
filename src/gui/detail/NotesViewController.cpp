#include "NotesViewController.h"

#include "DetailRow.h"
#include "ThemedSwitch.h"

#include "app/ApplicationSession.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/theme/ApplicationTheme.h"
#include "gui/widgets/ThemeIcons.h"

#include <QLabel>

namespace fetemark {

NotesViewController::NotesViewController(ApplicationSession& session, QWidget* parent)
    : DetailScreen(session, parent)
{
    const Texts& texts = session.texts();
    const NotesOptions::ScreenTexts screenTexts = NotesOptions::screenTexts(texts);
    QString problem;
    m_list = NotesOptions::addressBookNotesOptions(QStringLiteral(":/resources"), &problem);
    setTitle(m_list ? m_list->title(texts) : screenTexts.showNotes);

    std::vector<Section> sections(1);
    auto* showRow = new SettingsRow(QString(), screenTexts.showNotes);
    m_showNotes = new ThemedSwitch(screenTexts.showNotes);
    m_showNotes->setChecked(session.settings().boolValue(QString(Key::ShowNotes)));
    connect(m_showNotes, &ThemedSwitch::toggled, this, &NotesViewController::showNotesChanged);
    showRow->setAccessory(m_showNotes);
    sections[0].rows.push_back(showRow);

    Section options;
    options.header = screenTexts.optionHeader;
    options.footer = m_list ? screenTexts.optionFooter : problem;
    for (int i = 0; m_list && i < int(m_list->values.size()); ++i) {
        const QString icon = i < m_list->images.size() ? m_list->images.at(i) : QString();
        auto* row = new SettingsRow(icon, m_list->optionTitle(i, texts));
        row->setAccessory(new QLabel);
        row->setSelectable(true);
        connect(row, &DetailRow::activated, this, [this, i] { optionChosen(i); });
        m_options.push_back(row);
        options.rows.push_back(row);
    }
    sections.push_back(std::move(options));
    setSections(std::move(sections));
    if (m_list) {
        m_selectedIndex = m_list->indexOfValue(
            int(session.settings().integerValue(QString(Key::AddressBookNotes))));
    }
    showCheckmark();
}

void NotesViewController::themeChanged()
{
    DetailScreen::themeChanged();
    showCheckmark();
}

void NotesViewController::showNotesChanged(bool on)
{
    m_session.settings().setValue(QString(Key::ShowNotes), on);
    store();
}

void NotesViewController::optionChosen(int index)
{
    if (!m_list || index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    m_session.settings().setValue(
        QString(Key::AddressBookNotes), m_list->values.at(std::size_t(index)));
    store();
    showCheckmark();
}

void NotesViewController::showCheckmark()
{
    const QPixmap check = ThemeIcons::pixmap(theme(), ThemeImage::checkmarkImage);
    for (int i = 0; i < int(m_options.size()); ++i) {
        auto* mark = static_cast<QLabel*>(m_options[std::size_t(i)]->accessory());
        mark->setPixmap(i == m_selectedIndex ? check : QPixmap());
        mark->setFixedSize(20, 20);
        m_options[std::size_t(i)]->setAccessibleDescription(
            i == m_selectedIndex ? tr("selected") : QString());
    }
}

void NotesViewController::store()
{
    QString error;
    if (!m_session.settings().synchronize(&error))
        qWarning("fetemark: the settings could not be saved: %s", qPrintable(error));
}

} // namespace fetemark
