#include "ProviderClient.h"

#include "core/reminders/ProviderReachability.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"

#include <QEventLoop>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace fetemark {

namespace {

Q_LOGGING_CATEGORY(lcProvider, "fetemark.provider")

QNetworkRequest makeRequest(const QByteArray& url)
{
    QNetworkRequest request(QUrl::fromEncoded(url, QUrl::StrictMode));
    request.setAttribute(
        QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    return request;
}

// An answer of any status is a completed exchange; one missing or cut short is not.
bool answered(QNetworkReply* reply)
{
    const int error = reply->error();
    const bool contentStatus = error >= QNetworkReply::ContentAccessDenied &&
        error <= QNetworkReply::UnknownContentError; // 4xx
    const bool serverStatus = error >= QNetworkReply::InternalServerError &&
        error <= QNetworkReply::UnknownServerError; // 5xx
    return error == QNetworkReply::NoError || contentStatus || serverStatus;
}

} // namespace

ProviderClient::ProviderClient(
    Settings& settings, QString serviceBase, SnapshotSource source, QObject* parent)
    : QObject(parent), m_settings(settings), m_serviceBase(std::move(serviceBase)),
      m_source(std::move(source)), m_wifiTest(&ProviderReachability::localWiFiConnectionStatus),
      m_network(new QNetworkAccessManager(this))
{
    m_requestTimer.setSingleShot(true);
    m_retryTimer.setSingleShot(true);
    connect(&m_requestTimer, &QTimer::timeout, this, [this] {
        QNetworkReply* reply = m_reply;
        if (!reply)
            return;
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        finished(reply, true);
    });
    connect(&m_retryTimer, &QTimer::timeout, this, &ProviderClient::trySendAgain);
}

ProviderClient::~ProviderClient()
{
    cancel();
}

void ProviderClient::cancel()
{
    m_requestTimer.stop();
    if (QNetworkReply* reply = m_reply) {
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
    m_reply.clear();
    m_providerRequestTry.clear();
}

void ProviderClient::reachabilityChanged()
{
    m_wifiAvailable = m_wifiTest() == ProviderReachability::ReachableViaWiFi;
}

void ProviderClient::sendProviderData(bool synchronous)
{
    setActivity(false);
    const Snapshot snapshot = m_source();
    m_quiet = ProviderRequest::srunning(snapshot.device, m_settings);
    if (m_settings.boolValue(QString(Key::WifiOnly))) {
        reachabilityChanged();
        if (!m_wifiAvailable) {
            showConnectionError();
            return;
        }
    }
    cancel();
    if (!ProviderRequest::shouldSend(snapshot.device, m_settings))
        return;
    const QByteArray url =
        ProviderRequest::url(m_serviceBase, snapshot.device, m_settings, snapshot.days);
    if (m_initialDone && url == m_providerRequest)
        return;
    m_providerRequestTry = url;
    if (synchronous)
        sendAndWait(url);
    else
        start(url, m_quiet);
}

void ProviderClient::start(const QByteArray& url, bool quiet)
{
    setActivity(!quiet);
    QNetworkReply* reply = m_network->get(makeRequest(url));
    m_reply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finished(reply, false); });
    m_requestTimer.start(m_timeout);
}

void ProviderClient::sendAndWait(const QByteArray& url)
{
    QNetworkReply* reply = m_network->get(makeRequest(url));
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(m_timeout, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    const bool completed = reply->isFinished() && answered(reply);
    reply->abort();
    reply->deleteLater();
    // Nothing is recorded for the run, but a run that ends with this request (the
    // command line) must still see its e-mail change delivered, or its failure.
    if (!completed)
        showConnectionError();
    else if (!m_settings.boolValue(QString(Key::EmailAlerts)))
        m_settings.setValue(QString(Key::EmailAlertChangePending), false);
}

void ProviderClient::finished(QNetworkReply* reply, bool timedOut)
{
    m_requestTimer.stop();
    m_reply.clear();
    reply->deleteLater();
    if (timedOut || !answered(reply)) {
        failed(timedOut);
        return;
    }
    if (!m_settings.boolValue(QString(Key::EmailAlerts)))
        m_settings.setValue(QString(Key::EmailAlertChangePending), false);
    setActivity(false);
    m_initialDone = true;
    m_providerRequest = m_providerRequestTry;
    m_providerRequestTry.clear();
    emit requestCompleted();
}

void ProviderClient::failed(bool timedOut)
{
    qCInfo(lcProvider, "the reminder service did not answer%s", timedOut ? " in time" : "");
    if (timedOut)
        m_retryCount = MaxRetries;
    if (m_retryCount < MaxRetries) {
        if (!m_retryTimer.isActive())
            m_retryTimer.start(m_retryDelay);
        return;
    }
    setActivity(false);
    showConnectionError();
}

void ProviderClient::trySendAgain()
{
    ++m_retryCount;
    sendProviderData(false);
}

void ProviderClient::showConnectionError()
{
    if (m_connectionErrorShown)
        return;
    m_connectionErrorShown = true;
    if (m_quiet || !m_settings.boolValue(QString(Key::ShowConnectionError)))
        return;
    // The front end shows it; a log line here would tell it twice.
    const bool wifiOnly = m_settings.boolValue(QString(Key::WifiOnly));
    emit connectionError(QString::fromLatin1(wifiOnly ? WifiOnlyErrorKey : ErrorKey));
}

void ProviderClient::setActivity(bool active)
{
    if (active == m_activity)
        return;
    m_activity = active;
    emit activityChanged(active);
}

} // namespace fetemark
