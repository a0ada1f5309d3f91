// Writing commands with reminders delivered by the service: each change reaches a real
// HTTP server on 127.0.0.1 once, while the command runs; local delivery asks nothing.
#include "support/TestSupport.h"

#include <QEventLoop>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <semaphore>

using namespace fetemark;
using namespace Qt::StringLiterals;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

// Answers on a thread of its own while the test waits for the command; or, made `down`,
// leaves its port with nothing listening.
class ServiceThread {
public:
    explicit ServiceThread(bool down = false)
    {
        std::binary_semaphore ready(0);
        m_thread.reset(QThread::create([this, down, &ready] {
            QTcpServer server;
            server.listen(QHostAddress::LocalHost);
            m_port = server.serverPort();
            if (down)
                server.close();
            QObject::connect(&server, &QTcpServer::newConnection, [this, &server] {
                QTcpSocket* socket = server.nextPendingConnection();
                QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] {
                    const QByteArray head = socket->peek(1 << 16);
                    if (!head.contains("\r\n\r\n"))
                        return;
                    socket->readAll();
                    record(head.split(' ').value(1));
                    socket->write(
                        "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                    socket->disconnectFromHost();
                });
            });
            ready.release();
            QEventLoop().exec();
        }));
        m_thread->start();
        ready.acquire();
    }
    ~ServiceThread()
    {
        m_thread->quit();
        m_thread->wait();
    }
    QString url() const { return u"http://127.0.0.1:%1"_s.arg(m_port); }
    QByteArrayList targets() const
    {
        const QMutexLocker locker(&m_mutex);
        return m_targets;
    }

private:
    void record(const QByteArray& target)
    {
        const QMutexLocker locker(&m_mutex);
        m_targets << target;
    }
    std::unique_ptr<QThread> m_thread;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QByteArrayList m_targets;
};

struct Step {
    const char* command; // split at "|"
    int requests;        // the server has seen after it
};

struct DeliveryRow {
    const char* name;
    const char* reminders; // FETEMARK_REMINDERS; null: unset
    std::vector<Step> steps;
};

class ReminderDelivery : public testing::TestWithParam<DeliveryRow> { };

} // namespace

TEST_P(ReminderDelivery, EachChangeAsksTheServiceOnce)
{
    const DeliveryRow& row = GetParam();
    TempDir dir;
    ServiceThread service;
    test::RunOptions options("2026-03-05T10:00", "UTC", "en_GB");
    options.environment << u"FETEMARK_SERVICE_URL="_s + service.url();
    if (row.reminders)
        options.environment << u"FETEMARK_REMINDERS="_s + QLatin1String(row.reminders);
    for (const Step& step : row.steps) {
        SCOPED_TRACE(step.command);
        const CommandResult r =
            test::runFetemarkIn(dir, QString::fromLatin1(step.command).split(u'|'), options);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        // The run waited for its request: it has arrived once the command has ended.
        EXPECT_EQ(service.targets().size(), step.requests);
    }
    const bool local = QFile::exists(dir.file(u"Notifications.plist"_s));
    EXPECT_EQ(local, row.reminders == nullptr);
}

INSTANTIATE_TEST_SUITE_P(Rows, ReminderDelivery,
    testing::Values(
        DeliveryRow {"Service", "service",
            {{"settings|set|email-alerts|YES", 1},
                {"custom|add|--name|Anna|--date|1980-03-12|--type|birthday", 2}, {"list", 2},
                {"settings|set|show-photos|NO", 2}, {"settings|set|email-alerts|NO", 3},
                {"custom|add|--name|Bo|--date|1981-03-12|--type|birthday", 3}}},
        DeliveryRow {"Local", nullptr,
            {{"settings|set|email-alerts|YES", 0},
                {"custom|add|--name|Anna|--date|1980-03-12|--type|birthday", 0}}}),
    test::RowName());

TEST(ReminderDelivery, AnUnreachableServiceIsOneWarningWithoutItsAddress)
{
    TempDir dir;
    ServiceThread service(true);
    test::RunOptions options("2026-03-05T10:00", "UTC", "en_GB");
    options.environment << u"FETEMARK_SERVICE_URL="_s + service.url()
                        << u"FETEMARK_REMINDERS=service"_s;
    const CommandResult r =
        test::runFetemarkIn(dir, {u"settings"_s, u"set"_s, u"email-alerts"_s, u"YES"_s}, options);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err.count(u'\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith(u"fetemark: warning: "_s)) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(u"127.0.0.1"_s)) << r.err.toStdString();
}

TEST(ReminderDelivery, AnUnknownDeliveryIsRefused)
{
    TempDir dir;
    test::RunOptions options("2026-03-05T10:00", "UTC");
    options.environment << u"FETEMARK_REMINDERS=push"_s;
    const CommandResult r = test::runFetemarkIn(dir, {u"list"_s}, options);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(u"FETEMARK_REMINDERS: 'push'"_s)) << r.err.toStdString();
}
