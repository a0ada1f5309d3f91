#include "MainViewController.h"

#include "app/ApplicationSession.h"

namespace fetemark {

MainViewController::MainViewController(ApplicationSession& session, QWidget* parent)
    : ViewController(parent), m_session(session)
{
    setTitle(QStringLiteral("Fetemark"));
}

} // namespace fetemark
