#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace fetemark {

// SIGTERM and SIGINT turned into a Qt signal on the event loop: the handler only writes
// the number into a pipe that the loop reads, so the agent stops between two events.
// Handlers, unlike a blocked signal mask, are not inherited by the programs it starts.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False, with `error`, when the pipe or the handlers could not be set up.
    bool install(QString* error);

signals:
    void received(int signalNumber);

private:
    void onReadable();

    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace fetemark
