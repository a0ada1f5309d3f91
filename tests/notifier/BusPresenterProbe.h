#pragma once

#include "NotifierFixture.h"
#include "NotifierTestSupport.h"

#include "notifier/DesktopPresenter.h"

#include <memory>

namespace fetemark::test {

// The desktop presenter on the test's session bus, before the stand-in notification
// server: the alerts shown are the Notify calls the server recorded, the badges the
// launcher entry's Update signals a listener heard. Taking the service away stops the
// server; bringing it back starts a new one.
class BusPresenterProbe final : public QObject,
                                public PresenterProbe,
                                private NotificationPresenter {
    Q_OBJECT
public:
    BusPresenterProbe()
    {
        static int connections = 0;
        m_bus = ownSessionConnection(QStringLiteral("probe-%1").arg(++connections));
        m_presenter = std::make_unique<DesktopPresenter>(m_bus, DesktopPresenter::Options {{}, {}});
        m_listening = QDBusConnection::sessionBus().connect(m_bus.baseService(),
            QString::fromLatin1(LauncherEntry::ObjectPath),
            QString::fromLatin1(LauncherEntry::Interface), QStringLiteral("Update"), this,
            SLOT(onUpdate(QString, QVariantMap)));
        EXPECT_TRUE(m_listening);
        setReachable(true);
    }
    ~BusPresenterProbe() override
    {
        QDBusConnection::sessionBus().disconnect(m_bus.baseService(),
            QString::fromLatin1(LauncherEntry::ObjectPath),
            QString::fromLatin1(LauncherEntry::Interface), QStringLiteral("Update"), this,
            SLOT(onUpdate(QString, QVariantMap)));
        m_presenter.reset();
        QDBusConnection::disconnectFromBus(m_bus.name());
    }

    NotificationPresenter& presenter() override { return *this; }
    QStringList alertsShown() const override
    {
        QStringList bodies;
        for (const QJsonObject& call : m_server.calls(QStringLiteral("Notify")))
            bodies << call[QStringLiteral("args")][4].toString();
        return bodies;
    }
    // Every badge announced is heard, later: waits for as many as were announced.
    std::vector<int> badgesShown() const override
    {
        EXPECT_TRUE(QTest::qWaitFor([this] { return m_heard.size() >= m_announced; }, 15000));
        return m_heard;
    }
    void setReachable(bool reachable) override
    {
        // Plain text: the bodies come back as they were written.
        EXPECT_TRUE(reachable ? m_server.start(QStringLiteral("actions,body")) : m_server.stop());
    }

private slots:
    void onUpdate(const QString&, const QVariantMap& properties)
    {
        m_heard.push_back(properties.value(QStringLiteral("count")).toInt());
    }

private:
    bool showAlert(const LocalNotification& notification, QString* error) override
    {
        return m_presenter->showAlert(notification, error);
    }
    bool showBadge(int count, QString* error) override
    {
        const bool announced = m_presenter->showBadge(count, error);
        m_announced += announced ? 1 : 0;
        return announced;
    }

    TempDir m_dir;
    StandInServer m_server {m_dir.file(QStringLiteral("calls.jsonl"))};
    QDBusConnection m_bus {QString()};
    std::unique_ptr<DesktopPresenter> m_presenter;
    bool m_listening = false;
    size_t m_announced = 0;
    std::vector<int> m_heard;
};

} // namespace fetemark::test
