#pragma once

#include "gui/navigation/ViewController.h"

namespace fetemark {

class ApplicationSession;

// The main list: every occasion, soonest first.
class MainViewController : public ViewController {
    Q_OBJECT
public:
    explicit MainViewController(ApplicationSession& session, QWidget* parent = nullptr);

private:
    ApplicationSession& m_session;
};

} // namespace fetemark
