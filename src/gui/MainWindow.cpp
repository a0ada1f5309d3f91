#include "MainWindow.h"

#include "app/ApplicationSession.h"
#include "core/theme/ApplicationTheme.h"
#include "gui/navigation/NavigationController.h"
#include "gui/screens/HolidaySettingsViewController.h"
#include "gui/screens/MainViewController.h"
#include "gui/widgets/ChoiceSheet.h"

#include <QCloseEvent>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace fetemark {
namespace {

constexpr int LargestSide = 16384;

} // namespace

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
    setMinimumSize(MinimumSize);
    resize(parseSize(session.settings().stringValue(QString::fromLatin1(SizeKey)))
               .value_or(DefaultSize));
    m_sizeTimer.setSingleShot(true);
    m_sizeTimer.setInterval(SizeStoreDelayMilliseconds);
    connect(&m_sizeTimer, &QTimer::timeout, this, &MainWindow::storeSize);
    // Another program may have picked another theme.
    connect(&session, &ApplicationSession::problemsArrived, this, &MainWindow::showProblems);
}

void MainWindow::showProblems(const QStringList& problems)
{
    // A damaged file set aside or a change that could not be saved: the person is told,
    // as the command tells it on standard error.
    ChoiceSheet::ask(this, ChoiceSheet::Style::Alert, QStringLiteral("Fetemark"),
        problems.join(QStringLiteral("\n\n")),
        {{m_session.texts().text(QStringLiteral("OK"), QStringLiteral("OK")),
            ChoiceSheet::Role::Cancel}},
        0, nullptr);
}

HolidaySettingsViewController* MainWindow::showHolidaySettings(bool animated)
{
    auto* screen = new HolidaySettingsViewController(m_session);
    m_navigation->pushViewController(screen, animated);
    return screen;
}

MainWindow::~MainWindow()
{
    if (m_sizeTimer.isActive())
        storeSize();
}

std::optional<QSize> MainWindow::parseSize(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,5})x(\\d{1,5})\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
    if (size.width() < MinimumSize.width() || size.height() < MinimumSize.height() ||
        size.width() > LargestSide || size.height() > LargestSide)
        return std::nullopt;
    return size;
}

void MainWindow::storeSize()
{
    m_sizeTimer.stop();
    const QString key = QString::fromLatin1(SizeKey);
    const QString value = QStringLiteral("%1x%2").arg(width()).arg(height());
    Settings& settings = m_session.settings();
    if (settings.stringValue(key) == value)
        return;
    settings.setValue(key, value);
    // A failed write keeps the change pending for the next one; the size is no reason
    // to trouble the user.
    settings.synchronize();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible())
        m_sizeTimer.start();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    storeSize();
    QWidget::closeEvent(event);
}

} // namespace fetemark
