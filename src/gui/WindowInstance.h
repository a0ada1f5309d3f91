#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace fetemark::gui {

// One window per data directory. The first window listens on a local socket named after
// its data directory; a later `fetemark --gui` over the same directory (the notifier's
// default action, a second click on the launcher) asks it to come to the front and ends.
// A local socket works without a session bus.
class WindowInstance : public QObject {
    Q_OBJECT
public:
    explicit WindowInstance(const QString& dataDirectory, QObject* parent = nullptr);

    // True when a window over the directory answered and was asked to come forward.
    bool activateRunning();
    // Listens for later starts; false (and they open windows of their own) when the
    // socket cannot be made.
    bool listen();

    static QString socketName(const QString& dataDirectory);

signals:
    void activationRequested();

private:
    void onNewConnection();

    QString m_name;
    QLocalServer m_server;
};

} // namespace fetemark::gui
