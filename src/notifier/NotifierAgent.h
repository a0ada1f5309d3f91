#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

namespace fetemark {

class Clock;
class DataDirectoryLock;
class DesktopPresenter;
class DesktopWakeSource;
class Notifier;

// The running `fetemark-notifier`: waits for the session bus, makes sure it is the only
// one in the session (it owns the bus name), then runs the notifier over the desktop's
// presenter and wake source.
class NotifierAgent : public QObject {
    Q_OBJECT
public:
    static constexpr const char* BusName = "org.fetemark.Notifier";
    static constexpr std::chrono::seconds RetryInterval {30};

    struct Dependencies {
        QString dataDirectory;
        DataDirectoryLock* lock = nullptr;
        const Clock* clock = nullptr;
        std::function<QString()> currentZoneId;
    };

    explicit NotifierAgent(Dependencies dependencies, QObject* parent = nullptr);
    ~NotifierAgent() override;

    // Connects to the session bus, now or, while there is none, every RetryInterval.
    void start();

signals:
    // The agent has nothing more to do (another one runs in this session).
    void finished(int exitCode);

private:
    void connectToSession();
    bool ownBusName();

    Dependencies m_deps;
    int m_attempt = 0;
    QString m_connectionName;
    std::unique_ptr<QDBusConnection> m_bus;
    std::unique_ptr<DesktopPresenter> m_presenter;
    std::unique_ptr<DesktopWakeSource> m_wakeSource;
    std::unique_ptr<Notifier> m_notifier;
};

} // namespace fetemark
