#pragma once

#include <QTimer>
#include <QWidget>

#include <optional>

namespace fetemark {

class ApplicationSession;
class HolidaySettingsViewController;
class MainViewController;
class NavigationController;

// Fetemark's window: phone-shaped by default, one navigation stack whose root is the
// main list. It opens at the size it had when it was last closed.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize DefaultSize {390, 780};
    static constexpr QSize MinimumSize {320, 480};
    // The setting that keeps the window's size, "WxH" in points.
    static constexpr const char* SizeKey = "windowsize";
    // How long resizing rests before the size is stored.
    static constexpr int SizeStoreDelayMilliseconds = 500;

    explicit MainWindow(ApplicationSession& session, QWidget* parent = nullptr);
    ~MainWindow() override;

    NavigationController& navigation() const { return *m_navigation; }
    MainViewController& mainViewController() const { return *m_main; }
    ApplicationSession& session() const { return m_session; }

    // Pushes the holiday settings over the list, as the settings screen opens them.
    HolidaySettingsViewController* showHolidaySettings(bool animated = true);

    // What went wrong on the way, in an alert over the window.
    void showProblems(const QStringList& problems);

    // A stored "WxH" as a window size; none for anything a window cannot be.
    static std::optional<QSize> parseSize(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void storeSize();

    ApplicationSession& m_session;
    MainViewController* m_main;
    NavigationController* m_navigation;
    QTimer m_sizeTimer;
};

} // namespace fetemark
