// The reminder-service request against a real HTTP server on 127.0.0.1: what arrives,
// duplicates within a run, retries, time-outs and the once-per-run connection error.
#include "core/reminders/ProviderClient.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>

using namespace fetemark;
using namespace std::chrono_literals;

namespace {

// Answers "500" after cutting short its answer to the first `failures` requests; with
// `silent` it reads requests and never answers.
class TinyServer {
public:
    explicit TinyServer(int failures = 0, bool silent = false)
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost));
        QObject::connect(&m_server, &QTcpServer::newConnection, [this, failures, silent] {
            QTcpSocket* socket = m_server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, [this, socket, failures, silent] {
                m_buffer[socket] += socket->readAll();
                if (!m_buffer[socket].contains("\r\n\r\n"))
                    return;
                targets << m_buffer[socket].split(' ').value(1);
                if (silent)
                    return;
                // Any status is an answer; one cut short is not.
                socket->write(targets.size() > failures
                        ? "HTTP/1.1 500 Oops\r\nContent-Length: 2\r\nConnection: close\r\n\r\nno"
                        : "HTTP/1.1 200 OK\r\nContent-Length: 99\r\n\r\ncut");
                socket->disconnectFromHost();
            });
        });
    }
    QString base() const
    {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
    }
    QByteArrayList targets;

private:
    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffer;
};

struct Fixture {
    test::TempDir dir;
    Settings settings {dir.file(QStringLiteral("Preferences.plist"))};
    ProviderClient::Snapshot snapshot {
        {QStringLiteral("<ab cd>"), true, 7, QStringLiteral("Test"), QStringLiteral("Think Pad"),
            QStringLiteral("12"), QStringLiteral("1.0"), QStringLiteral("UTC"),
            {QStringLiteral("en")}},
        {}};
    std::unique_ptr<ProviderClient> client;
    QStringList errors;
    int completed = 0;
    int wifiTests = 0;

    explicit Fixture(const QString& base)
    {
        settings.registerDefaults(registeredDefaults());
        settings.setValue(QString(Key::ShowConnectionError), 1);
        settings.setValue(QString(Key::ShowCount), true);
        client = std::make_unique<ProviderClient>(settings, base, [this] { return snapshot; });
        client->setRetryDelay(5ms);
        client->setTimeout(300ms);
        client->setWifiTest([this] { return ++wifiTests, 0; });
        QObject::connect(client.get(), &ProviderClient::connectionError,
            [this](const QString& key) { errors << key; });
        QObject::connect(client.get(), &ProviderClient::requestCompleted, [this] { ++completed; });
    }
    // Sends and waits until the client has nothing in flight or pending.
    void send()
    {
        client->sendProviderData(false);
        settle();
    }
    void settle()
    {
        const QDeadlineTimer deadline(5s);
        do
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        while (client->isBusy() && !deadline.hasExpired());
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
};

QByteArray target(const QByteArray& url)
{
    return url.mid(url.indexOf("/fetemark_request200.php"));
}

} // namespace

TEST(ProviderClient, SendsOnceUntilSomethingChanges)
{
    TinyServer server;
    Fixture f(server.base());
    f.settings.setValue(QString(Key::EmailAlertChangePending), true);
    f.send();
    f.send();
    ASSERT_EQ(server.targets.size(), 1);
    EXPECT_EQ(server.targets[0], target(f.client->providerRequest()));
    EXPECT_TRUE(server.targets[0].contains("?dt=%3Cabcd%3E&eb=&p=56"));
    EXPECT_TRUE(server.targets[0].contains("&devicetype=Think%20Pad&"));
    EXPECT_FALSE(f.settings.boolValue(QString(Key::EmailAlertChangePending)));
    EXPECT_EQ(f.completed, 1);

    f.snapshot.days.insert(QStringLiteral("4F2B5C80"), 1);
    f.send();
    ASSERT_EQ(server.targets.size(), 2);
    EXPECT_TRUE(server.targets[1].endsWith("&dates=4F2B5C80.1"));
    EXPECT_TRUE(f.errors.isEmpty());
}

struct FailureRow {
    const char* name;
    int failures; // requests dropped before answering; -1: never answers
    bool down;    // nothing listens
    int requests; // seen by the server
    int retries;  // retryCount afterwards
    bool completed;
};

class ProviderFailure : public testing::TestWithParam<FailureRow> { };

TEST_P(ProviderFailure, RetriesAndErrorOncePerRun)
{
    const FailureRow& row = GetParam();
    auto server = std::make_unique<TinyServer>(std::max(row.failures, 0), row.failures < 0);
    const QString base = server->base();
    if (row.down)
        server.reset();
    Fixture f(base);
    f.send();
    EXPECT_EQ(server ? server->targets.size() : 0, row.requests);
    EXPECT_EQ(f.client->retryCount(), row.retries);
    EXPECT_EQ(f.completed, row.completed ? 1 : 0);
    const QStringList once = row.completed ? QStringList() : QStringList {ProviderClient::ErrorKey};
    EXPECT_EQ(f.errors, once);

    f.snapshot.days.insert(QStringLiteral("4F2B5C80"), 1);
    f.send(); // a later failure in the run is not retried and not told again
    EXPECT_EQ(f.errors, once);
}

INSTANTIATE_TEST_SUITE_P(Rows, ProviderFailure,
    testing::Values(FailureRow {"ThreeFailuresThenAnswer", 3, false, 4, 3, true},
        FailureRow {"NeverAnswersTimesOutNoRetry", -1, false, 1, 4, false},
        FailureRow {"ServiceDown", 0, true, 0, 4, false}),
    test::RowName());

TEST(ProviderClient, WifiOnlyWithoutWifiSendsNothing)
{
    TinyServer server;
    Fixture f(server.base());
    f.settings.setValue(QString(Key::WifiOnly), true);
    f.send();
    f.send();
    EXPECT_TRUE(server.targets.isEmpty());
    EXPECT_EQ(f.wifiTests, 2);
    EXPECT_EQ(f.errors, QStringList {ProviderClient::WifiOnlyErrorKey});

    f.client->setWifiTest([] { return 2; });
    f.send();
    EXPECT_EQ(server.targets.size(), 1);
}

TEST(ProviderClient, QuietRequestRaisesNoErrorNorActivity)
{
    Fixture f(QStringLiteral("http://127.0.0.1:1"));
    f.settings.setValue(QString(Key::ShowCount), false);
    f.settings.setValue(QString(Key::AlertType), 0);
    int activity = 0;
    QObject::connect(f.client.get(), &ProviderClient::activityChanged, [&] { ++activity; });
    f.send();
    EXPECT_EQ(f.client->retryCount(), 4);
    EXPECT_TRUE(f.client->connectionErrorShown());
    EXPECT_TRUE(f.errors.isEmpty());
    EXPECT_EQ(activity, 0);
}

struct SynchronousRow {
    const char* name;
    bool down;
    bool emailAlerts; // "0EA3"
    bool pendingAfter;
    int errors;
};

class ProviderSynchronous : public testing::TestWithParam<SynchronousRow> { };

// The suspension send records nothing for the run, but settles the e-mail change it
// carried and tells its failure: for the command line it is the only send.
TEST_P(ProviderSynchronous, SettlesTheEmailChangeOrTellsTheFailure)
{
    const SynchronousRow& row = GetParam();
    auto server = std::make_unique<TinyServer>();
    Fixture f(server->base());
    if (row.down)
        server.reset();
    f.settings.setValue(QString(Key::EmailAlertChangePending), true);
    f.settings.setValue(QString(Key::EmailAlerts), row.emailAlerts);
    f.client->sendProviderData(true);
    EXPECT_EQ(server ? server->targets.size() : 1, 1) << "sent before returning";
    EXPECT_TRUE(f.client->providerRequest().isEmpty());
    EXPECT_EQ(f.settings.boolValue(QString(Key::EmailAlertChangePending)), row.pendingAfter);
    EXPECT_EQ(f.errors.size(), row.errors);
}

INSTANTIATE_TEST_SUITE_P(Rows, ProviderSynchronous,
    testing::Values(SynchronousRow {"AnsweredWithEmailOff", false, false, false, 0},
        SynchronousRow {"AnsweredWithEmailOn", false, true, true, 0},
        SynchronousRow {"ServiceDown", true, false, true, 1}),
    test::RowName());
