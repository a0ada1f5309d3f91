#include "DetailedInfoViewController.h"

#include "app/ApplicationSession.h"

namespace fetemark {

DetailedInfoViewController::DetailedInfoViewController(ApplicationSession& session,
    OccasionRecordPtr record, DetailedInfoDelegate* doneDelegate, QWidget* parent)
    : ViewController(parent), m_session(session), m_record(std::move(record)),
      m_doneDelegate(doneDelegate)
{
    setTitle(m_record->name);
}

void DetailedInfoViewController::backPressed()
{
    if (m_doneDelegate)
        m_doneDelegate->detailedInfoViewControllerDone(this);
    else
        ViewController::backPressed();
}

} // namespace fetemark
