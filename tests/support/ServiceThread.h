#pragma once

#include <QByteArrayList>
#include <QEventLoop>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <memory>
#include <semaphore>

namespace fetemark::test {

// A reminder service stand-in on 127.0.0.1 that answers every request at once, on a
// thread of its own, so a test may wait for a command or a synchronous send; or, made
// `down`, leaves its port with nothing listening. Keeps each request's target.
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
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
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

} // namespace fetemark::test
