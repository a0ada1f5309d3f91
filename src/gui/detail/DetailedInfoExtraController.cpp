#include "DetailedInfoExtraController.h"

#include "DetailRow.h"
#include "ThemedSwitch.h"

#include "app/ApplicationSession.h"
#include "core/detail/DetailedInfoExtra.h"
#include "gui/widgets/ChoiceSheet.h"

namespace fetemark {

DetailedInfoExtraController::DetailedInfoExtraController(ApplicationSession& session,
    OccasionRecordPtr record, DetailedInfoExtraDelegate* delegate, const QString& navigationTitle,
    QWidget* parent)
    : DetailScreen(session, parent), m_record(std::move(record)), m_delegate(delegate)
{
    setTitle(navigationTitle);
    Section section;
    for (const DetailedInfoExtra::SwitchRow& item :
        DetailedInfoExtra::rows(*m_record, session.texts())) {
        auto* row = new SettingsRow(item.iconFile, item.title);
        auto* toggle = new ThemedSwitch(item.title);
        toggle->setChecked(item.on);
        toggle->setEnabled(item.enabled);
        row->setAccessory(toggle);
        if (item.kind == DetailedInfoExtra::SwitchRow::Kind::IncludeYear) {
            m_showYear = toggle;
            connect(toggle, &ThemedSwitch::toggled, this,
                &DetailedInfoExtraController::showYearChanged);
        } else {
            m_alertsOn = toggle;
            connect(toggle, &ThemedSwitch::toggled, this,
                &DetailedInfoExtraController::alertsOnChanged);
        }
        section.rows.push_back(row);
    }
    section.footer = DetailedInfoExtra::helpFooter(*m_record, session.settings(), session.texts())
                         .value_or(QString());
    std::vector<Section> sections;
    sections.push_back(std::move(section));
    setSections(std::move(sections));
}

void DetailedInfoExtraController::showYearChanged(bool on)
{
    QString refusal;
    if (DetailedInfoExtra::includeYearChanged(*m_record, on, m_session.database(), &refusal))
        return;
    // A one-time date in the past cannot count its years: the switch goes back off.
    const QSignalBlocker quiet(m_showYear);
    m_showYear->setChecked(false);
    ChoiceSheet::ask(this, ChoiceSheet::Style::Alert, refusal, QString(),
        {{m_session.texts().text(QStringLiteral("OK"), QStringLiteral("OK")),
            ChoiceSheet::Role::Cancel}},
        0, {});
}

void DetailedInfoExtraController::alertsOnChanged(bool on)
{
    DetailedInfoExtra::alertsChanged(*m_record, on);
    m_session.app().sendProviderData(false);
}

void DetailedInfoExtraController::backPressed()
{
    if (m_delegate)
        m_delegate->detailedInfoExtraControllerDone(this, m_record);
    else
        DetailScreen::backPressed();
}

} // namespace fetemark
