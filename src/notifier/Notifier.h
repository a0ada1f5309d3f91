#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace fetemark {

class Clock;
class DataDirectoryLock;
class NotificationPresenter;
class WakeSource;

// The agent's engine: reads the schedule the application keeps in the data directory
// ("Notifications.plist"), and when a notification's time comes shows it once through
// the presenter. A notification with a time zone fires at its wall-clock time in the zone
// the machine is in now; one without fires at its absolute moment.
class Notifier : public QObject {
    Q_OBJECT
public:
    // How late a notification may still be shown (missed while the machine slept or the
    // notifier was not running); older ones are dropped and logged.
    static constexpr int MaxLatenessSeconds = 12 * 60 * 60;

    struct Dependencies {
        QString dataDirectory;
        DataDirectoryLock* lock = nullptr; // every read and write of the data directory
        const Clock* clock = nullptr;
        // The IANA id of the zone the machine is in now, asked at every look.
        std::function<QString()> currentZoneId;
        NotificationPresenter* presenter = nullptr;
        WakeSource* wakeSource = nullptr;
    };

    explicit Notifier(Dependencies dependencies, QObject* parent = nullptr);
    ~Notifier() override;

    // Starts watching the schedule file and the wake source, and looks once.
    void start();
    // Delivers whatever is due now, drops what is too late, and asks the wake source for
    // the next moment. Called on every wake and when the schedule file changes.
    void check();

private:
    struct State;

    void filesChanged(const QStringList& names);

    Dependencies m_deps;
    std::unique_ptr<State> m_state;
};

} // namespace fetemark
