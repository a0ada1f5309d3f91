#include "MainWindow.h"

#include "app/ApplicationSession.h"
#include "core/theme/ApplicationTheme.h"
#include "gui/navigation/NavigationController.h"
#include "gui/screens/MainViewController.h"

#include <QVBoxLayout>

namespace fetemark {

MainWindow::MainWindow(ApplicationSession& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_main(new MainViewController(session)),
      m_navigation(new NavigationController(m_main, this))
{
    setWindowTitle(QStringLiteral("Fetemark"));
    setAccessibleName(QStringLiteral("Fetemark"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_navigation);
    ApplicationTheme& theme = session.app().sharedTheme();
    theme.loadTheme();
    m_navigation->setTheme(&theme);
    resize(DefaultSize);
    setMinimumSize(320, 480);
}

MainWindow::~MainWindow() = default;

} // namespace fetemark
