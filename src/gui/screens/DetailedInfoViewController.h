#pragma once

#include "core/records/OccasionRecord.h"
#include "gui/navigation/ViewController.h"

namespace fetemark {

class ApplicationSession;
class DetailedInfoViewController;

// Told by the occasion's page when the user leaves it (the main list).
class DetailedInfoDelegate {
public:
    virtual ~DetailedInfoDelegate() = default;
    virtual void detailedInfoViewControllerDone(DetailedInfoViewController* controller) = 0;
    // The occasion was edited so that the list must look again: `newRecord` is the
    // record to show now (none), `foundRecord` the one that stayed (none).
    virtual void detailedInfoViewControllerDoneWithBigChange(DetailedInfoViewController* controller,
        const OccasionRecordPtr& newRecord, const OccasionRecordPtr& foundRecord) = 0;
};

// One occasion's page: the header with photo, kind, date and phrase, the fun facts, the
// occasion's own settings, its notes and what can be done (call, message, mail, map).
class DetailedInfoViewController : public ViewController {
    Q_OBJECT
public:
    DetailedInfoViewController(ApplicationSession& session, OccasionRecordPtr record,
        DetailedInfoDelegate* doneDelegate, QWidget* parent = nullptr);

    const OccasionRecordPtr& record() const { return m_record; }
    void backPressed() override;

private:
    ApplicationSession& m_session;
    OccasionRecordPtr m_record;
    DetailedInfoDelegate* m_doneDelegate;
};

} // namespace fetemark
