#pragma once

#include "DetailScreen.h"

#include "core/records/OccasionRecord.h"

namespace fetemark {

class DetailedInfoExtraController;
class ThemedSwitch;

// Told when the occasion's own settings are left; it stores them.
class DetailedInfoExtraDelegate {
public:
    virtual ~DetailedInfoExtraDelegate() = default;
    virtual void detailedInfoExtraControllerDone(
        DetailedInfoExtraController* controller, const OccasionRecordPtr& record) = 0;
};

// One occasion's own settings: whether its year is shown and counted, whether reminders
// are sent for it. The record is changed in place and stored when the screen is left.
class DetailedInfoExtraController : public DetailScreen {
    Q_OBJECT
public:
    DetailedInfoExtraController(ApplicationSession& session, OccasionRecordPtr record,
        DetailedInfoExtraDelegate* delegate, const QString& navigationTitle,
        QWidget* parent = nullptr);

    const OccasionRecordPtr& record() const { return m_record; }
    // Null when the row is left out (holidays).
    ThemedSwitch* showYearSwitch() const { return m_showYear; }
    ThemedSwitch* alertsSwitch() const { return m_alertsOn; }
    void backPressed() override;

private:
    void showYearChanged(bool on);
    void alertsOnChanged(bool on);

    OccasionRecordPtr m_record;
    DetailedInfoExtraDelegate* m_delegate;
    ThemedSwitch* m_showYear = nullptr;
    ThemedSwitch* m_alertsOn = nullptr;
};

} // namespace fetemark
