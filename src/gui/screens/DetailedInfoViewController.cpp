#include "DetailedInfoViewController.h"

#include "app/ApplicationSession.h"
#include "core/database/RecordDatabase.h"
#include "core/detail/DetailedInfoExtra.h"
#include "core/detail/NotesOptions.h"
#include "core/phrases/FunFacts.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/theme/ApplicationTheme.h"
#include "gui/detail/DetailedInfoCells.h"
#include "gui/detail/TextEntryViewController.h"
#include "gui/navigation/NavigationController.h"
#include "gui/widgets/ChoiceSheet.h"
#include "gui/widgets/ThemeIcons.h"
#include "platform/desktop/MailComposer.h"
#include "platform/desktop/Telephony.h"

#include <QDesktopServices>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

namespace fetemark {
namespace {

// A mail program that has not answered by then has opened the draft.
constexpr int MailGraceMilliseconds = 1500;

} // namespace

DetailedInfoViewController::DetailedInfoViewController(ApplicationSession& session,
    OccasionRecordPtr record, DetailedInfoDelegate* doneDelegate, QWidget* parent)
    : DetailScreen(session, parent), m_record(std::move(record)), m_doneDelegate(doneDelegate),
      m_urlOpener([](const QUrl& url) { QDesktopServices::openUrl(url); }),
      m_mailComposer(
          std::make_unique<XdgEmailComposer>(QStringLiteral("xdg-email"), MailGraceMilliseconds))
{
    setTitle(m_record->name);
    // The list fills a record's phrases as it draws it; a page opened otherwise fills its own.
    if (m_record->detailedTextSansType.isEmpty())
        session.database().populateStrings(*m_record);
    updateDetailedInfoTop();
    connect(&session, &ApplicationSession::significantTimeChange, this,
        &DetailedInfoViewController::dateChanged);
}

DetailedInfoViewController::~DetailedInfoViewController() = default;

void DetailedInfoViewController::setMailComposer(std::unique_ptr<MailComposer> composer)
{
    m_mailComposer = std::move(composer);
}

DeviceCapabilities DetailedInfoViewController::device()
{
    if (!m_device) {
        // Asking the desktop runs a program: once per run is enough.
        static const bool telephony = hasTelephonyHandler();
        m_device = DeviceCapabilities {telephony};
    }
    return *m_device;
}

void DetailedInfoViewController::backPressed()
{
    if (m_doneDelegate)
        m_doneDelegate->detailedInfoViewControllerDone(this);
    else
        DetailScreen::backPressed();
}

void DetailedInfoViewController::viewWillAppear(bool)
{
    updateActionItemArray();
    rebuildRows();
    scrollArea()->verticalScrollBar()->setValue(0);
}

void DetailedInfoViewController::dateChanged()
{
    RecordDatabase& database = m_session.database();
    database.updateDatabase();
    database.calculateUpcoming();
    database.flushDetailStrings();
    database.populateStrings(*m_record);
    updateDetailedInfoTop();
    rebuildRows();
}

// The header's texts and photo and the fun facts, made again after every edit.
void DetailedInfoViewController::updateDetailedInfoTop()
{
    RecordDatabase& database = m_session.database();
    m_header = detailedInfoHeader(*m_record, m_session.texts(), m_session.device());
    setTitle(m_header.navigationTitle);
    m_photo = headerPhoto(database, *m_record);
    m_funFacts.clear();
    if (FunFacts::showFunFacts(*m_record, m_session.settings())) {
        m_funFacts =
            FunFacts(m_session.texts(), m_session.calendar(), m_session.device().countryCode())
                .createViewForFunFacts(*m_record);
    }
}

void DetailedInfoViewController::updateActionItemArray()
{
    m_actions = fetemark::updateActionItemArray(m_session.database(), *m_record, device());
}

void DetailedInfoViewController::rebuildRows()
{
    const Settings& settings = m_session.settings();
    const Texts& texts = m_session.texts();
    std::vector<Section> sections(2);
    sections[0].upcomingBorder = true;
    m_topCell = new DetailedInfoTopCell;
    m_topCell->setHeader(m_header, m_photo, settings.boolValue(QString(Key::ShowPhotos)));
    sections[0].rows.push_back(m_topCell);
    m_funFactsRow = new TextBlockRow(QString());
    m_funFactsRow->setText(m_funFacts);
    m_funFactsRow->setVisible(!m_funFacts.isEmpty());
    sections[0].rows.push_back(m_funFactsRow);

    m_settingsRow = new SettingsRow(QString(),
        texts.text(
            QStringLiteral("IndividualSettings"), QStringLiteral("Settings for This Occasion")));
    auto* arrow = new QLabel;
    arrow->setPixmap(ThemeIcons::pixmap(theme(), ThemeImage::disclosureImage));
    m_settingsRow->setAccessory(arrow);
    m_settingsRow->setSelectable(true);
    connect(m_settingsRow, &DetailRow::activated, this, &DetailedInfoViewController::openExtra);
    sections[1].rows.push_back(m_settingsRow);
    m_notesRow = nullptr;
    if (settings.boolValue(QString(Key::ShowNotes))) {
        m_notesRow = new TextBlockRow(QStringLiteral("Notes.png"));
        const QString notes = m_session.database().getNotes(*m_record);
        const bool empty = notes.trimmed().isEmpty();
        m_notesRow->setText(
            empty ? NotesOptions::editorTexts(*m_record, settings, texts).placeholder : notes,
            empty);
        m_notesRow->setSelectable(true);
        connect(
            m_notesRow, &DetailRow::activated, this, &DetailedInfoViewController::openNotesEditor);
        sections[1].rows.push_back(m_notesRow);
    }

    m_actionCells.clear();
    if (!m_actions.empty()) {
        Section actions;
        for (std::size_t i = 0; i < m_actions.size(); ++i) {
            ActionRow row = actionRow(m_actions[i], texts, device());
            // Posting to a wall needs the Facebook client, which this window does not have.
            row.selectable =
                row.selectable && m_actions[i].actionType != ActionItem::Type::FacebookPost;
            auto* cell = new DetailedInfoTableViewCell(row);
            connect(cell, &DetailRow::activated, this, [this, i] { actionSelected(i); });
            m_actionCells.push_back(cell);
            actions.rows.push_back(cell);
        }
        sections.push_back(std::move(actions));
    }
    setSections(std::move(sections));
}

void DetailedInfoViewController::openExtra()
{
    navigationController()->pushViewController(
        new DetailedInfoExtraController(
            m_session, m_record, this, DetailedInfoExtra::navigationTitle(*m_record)),
        true);
}

void DetailedInfoViewController::openNotesEditor()
{
    const NotesOptions::EditorTexts editorTexts =
        NotesOptions::editorTexts(*m_record, m_session.settings(), m_session.texts());
    auto* editor = new TextEntryViewController(theme(), editorTexts.title,
        m_session.database().getNotes(*m_record), editorTexts.placeholder,
        [this](TextEntryViewController&, const QString& text) {
            QString error;
            if (!m_session.database().setNotes(*m_record, text, &error)) {
                tell(error);
                return;
            }
            rebuildRows();
            navigationController()->popViewController(true);
        });
    navigationController()->pushViewController(editor, true);
}

void DetailedInfoViewController::detailedInfoExtraControllerDone(
    DetailedInfoExtraController*, const OccasionRecordPtr& record)
{
    m_actions.clear();
    QString error;
    const bool stored =
        DetailedInfoExtra::detailedInfoExtraControllerDone(m_session.database(), record, &error);
    updateActionItemArray();
    updateDetailedInfoTop();
    rebuildRows();
    navigationController()->popViewController(true);
    if (!stored)
        tell(error);
}

void DetailedInfoViewController::actionSelected(std::size_t index)
{
    if (index >= m_actions.size())
        return;
    const ActionItem item = m_actions[index];
    if (item.actionType == ActionItem::Type::Email && composeMail(item))
        return;
    confirmAndOpen(item);
}

bool DetailedInfoViewController::composeMail(const ActionItem& item)
{
    if (!m_mailComposer)
        return false;
    MailDraft draft;
    draft.subject = item.cleanEmailSubject;
    if (!item.cleanEmailAddress.isEmpty())
        draft.recipients << item.cleanEmailAddress;
    QString error;
    return m_mailComposer->compose(draft, &error);
}

void DetailedInfoViewController::confirmAndOpen(const ActionItem& item)
{
    const ActionConfirmation question = actionConfirmation(item, m_session.texts());
    const QUrl url = item.actionURL;
    ChoiceSheet::ask(this, ChoiceSheet::Style::Alert, question.title, question.message,
        {{question.cancelButton, ChoiceSheet::Role::Cancel},
            {question.button, ChoiceSheet::Role::Normal}},
        0, [this, url](ChoiceSheet&, int button) {
            if (button == 1 && url.isValid() && !url.isEmpty() && m_urlOpener)
                m_urlOpener(url);
        });
}

void DetailedInfoViewController::tell(const QString& message)
{
    ChoiceSheet::ask(this, ChoiceSheet::Style::Alert, message, QString(),
        {{m_session.texts().text(QStringLiteral("OK"), QStringLiteral("OK")),
            ChoiceSheet::Role::Cancel}},
        0, {});
}

} // namespace fetemark
