#pragma once

#include "core/reminders/ProviderRequest.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace fetemark {

class Settings;

// Sends the registration request to the reminder service and keeps one run's
// bookkeeping: a request equal to the last completed one is not sent again, a failed one
// is retried at most four times in the run one second apart (never after a time-out),
// and the connection error is raised at most once per run. Lives on the main thread;
// the answer's status and body are never read: any completed exchange counts.
class ProviderClient : public QObject {
    Q_OBJECT
public:
    // What a request is made of, asked for at each send.
    struct Snapshot {
        ProviderDevice device;
        DayCounts days;
    };
    using SnapshotSource = std::function<Snapshot()>;

    static constexpr int MaxRetries = 4;
    static constexpr std::chrono::milliseconds DefaultTimeout {20000};
    static constexpr std::chrono::milliseconds DefaultRetryDelay {1000};
    static constexpr char ErrorKey[] = "ServerConnectionError";
    static constexpr char WifiOnlyErrorKey[] = "ServerConnectionErrorWiFiOnly";

    ProviderClient(
        Settings& settings, QString serviceBase, SnapshotSource source, QObject* parent = nullptr);
    ~ProviderClient() override;

    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    void setRetryDelay(std::chrono::milliseconds delay) { m_retryDelay = delay; }
    // The Wi-Fi test asked before each request while "1100" is on; by default
    // ProviderReachability::localWiFiConnectionStatus. Returns 2 for Wi-Fi.
    void setWifiTest(std::function<int()> test) { m_wifiTest = std::move(test); }

    // Sends the request when the device should be heard and something changed since the
    // last completed one. Synchronously (suspension) it waits up to the time-out and
    // neither records nor retries anything; a completed exchange still settles the
    // pending e-mail change, and a failed one raises the connection error.
    void sendProviderData(bool synchronous);
    // Drops the request in flight and any pending retry (the application goes inactive).
    void cancel();

    QByteArray providerRequest() const { return m_providerRequest; }
    QByteArray providerRequestTry() const { return m_providerRequestTry; }
    bool initialProviderRequestDone() const { return m_initialDone; }
    int retryCount() const { return m_retryCount; }
    bool connectionErrorShown() const { return m_connectionErrorShown; }
    bool wifiAvailable() const { return m_wifiAvailable; }
    // A request in flight or a retry pending.
    bool isBusy() const { return !m_reply.isNull() || m_retryTimer.isActive(); }

signals:
    // The network activity indicator: shown while a request that is not quiet runs.
    void activityChanged(bool active);
    // A request completed (whatever the answer said).
    void requestCompleted();
    // The connection error for the user, at most once per run: the text key of the
    // message ("ServerConnectionError", or "ServerConnectionErrorWiFiOnly" while "1100" is on).
    void connectionError(const QString& textKey);

private:
    void reachabilityChanged();
    void start(const QByteArray& url, bool quiet);
    void sendAndWait(const QByteArray& url);
    void finished(QNetworkReply* reply, bool timedOut);
    void failed(bool timedOut);
    void trySendAgain();
    void showConnectionError();
    void setActivity(bool active);

    Settings& m_settings;
    QString m_serviceBase;
    SnapshotSource m_source;
    std::function<int()> m_wifiTest;
    std::chrono::milliseconds m_timeout = DefaultTimeout;
    std::chrono::milliseconds m_retryDelay = DefaultRetryDelay;
    QNetworkAccessManager* m_network;
    QPointer<QNetworkReply> m_reply;
    QTimer m_requestTimer;
    QTimer m_retryTimer;
    bool m_quiet = false; // the last request's srunning
    bool m_activity = false;
    QByteArray m_providerRequest;
    QByteArray m_providerRequestTry;
    bool m_initialDone = false;
    int m_retryCount = 0;
    bool m_connectionErrorShown = false;
    bool m_wifiAvailable = false;
};

} // namespace fetemark
