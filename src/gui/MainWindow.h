#pragma once

#include <QWidget>

namespace fetemark {

class ApplicationSession;
class MainViewController;
class NavigationController;

// Fetemark's window: phone-shaped by default, one navigation stack whose root is the
// main list.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize DefaultSize {390, 780};

    explicit MainWindow(ApplicationSession& session, QWidget* parent = nullptr);
    ~MainWindow() override;

    NavigationController& navigation() const { return *m_navigation; }
    MainViewController& mainViewController() const { return *m_main; }
    ApplicationSession& session() const { return m_session; }

private:
    ApplicationSession& m_session;
    MainViewController* m_main;
    NavigationController* m_navigation;
};

} // namespace fetemark
