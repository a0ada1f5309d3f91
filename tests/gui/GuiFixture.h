#pragma once

#include "support/TestSupport.h"

#include "app/ApplicationSession.h"
#include "core/database/RecordDatabase.h"
#include "core/time/Clock.h"
#include "gui/MainWindow.h"
#include "screens/ScreenCatalog.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace fetemark::test {

// A window over a data directory of its own, at a fixed moment in a fixed zone and
// locale, as a person would see it; `fetemark` runs against the same directory.
class GuiFixture : public ::testing::Test {
protected:
    // 1 March 2026, noon, in Berlin, English.
    static constexpr const char* Now = "2026-03-01T12:00";
    static constexpr const char* Zone = "Europe/Berlin";
    static constexpr const char* Locale = "en_US";

    // The `fetemark` command against the window's data directory, at the same moment.
    CommandResult fetemark(const QStringList& args) const
    {
        RunOptions options;
        options.now = QString::fromLatin1(Now);
        options.zone = QString::fromLatin1(Zone);
        options.locale = QString::fromLatin1(Locale);
        return runFetemarkIn(m_dir, args, options);
    }

    // Starts (or starts again, as after a restart) the session and its window.
    void openWindow(const char* locale = Locale)
    {
        closeWindow();
        RunEnvironment environment;
        environment.device = DeviceEnvironment::fromVariables(
            {}, QString::fromLatin1(Zone), QString::fromLatin1(locale));
        environment.clock = std::make_unique<FixedClock>(FixedClock::parseLocalTime(
            QString::fromLatin1(Now), Calendar(environment.device.timeZoneId)));
        environment.dataDirectory = m_dir.path();
        m_session = std::make_unique<ApplicationSession>(std::move(environment));
        QString error;
        ASSERT_TRUE(m_session->start(&error)) << error.toStdString();
        m_window = std::make_unique<MainWindow>(*m_session);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }

    // Quits as the application does: the termination steps run.
    void closeWindow()
    {
        m_window.reset();
        if (m_session)
            m_session->terminate();
        m_session.reset();
    }

    void TearDown() override { closeWindow(); }

    // Waits (processing events) until `done` holds; false after `timeoutMs`.
    static bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000)
    {
        return screens::settle(done, timeoutMs);
    }

    TempDir m_dir;
    std::unique_ptr<ApplicationSession> m_session;
    std::unique_ptr<MainWindow> m_window;
};

} // namespace fetemark::test
