#include "WindowInstance.h"

#include <QCryptographicHash>
#include <QLocalSocket>

#include <unistd.h>

namespace fetemark::gui {
namespace {

constexpr int ConnectTimeoutMs = 1000;
// A window still loading answers once its event loop runs.
constexpr int AnswerTimeoutMs = 10000;
constexpr char Activate[] = "activate\n";

} // namespace

WindowInstance::WindowInstance(const QString& dataDirectory, QObject* parent)
    : QObject(parent), m_name(socketName(dataDirectory))
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &WindowInstance::onNewConnection);
}

QString WindowInstance::socketName(const QString& dataDirectory)
{
    // A path could be longer than a socket address may be: the name carries its hash.
    const QByteArray hash =
        QCryptographicHash::hash(dataDirectory.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("fetemark-%1-%2").arg(::getuid()).arg(QLatin1String(hash.left(24)));
}

bool WindowInstance::activateRunning()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return false;
    socket.write(Activate);
    if (!socket.waitForBytesWritten(AnswerTimeoutMs))
        return false;
    // The window answers once it has taken the request.
    return socket.waitForReadyRead(AnswerTimeoutMs) && socket.readAll().startsWith("ok");
}

bool WindowInstance::listen()
{
    if (m_server.listen(m_name))
        return true;
    if (m_server.serverError() != QAbstractSocket::AddressInUseError)
        return false;
    // Only a socket left by a window that was killed is taken over, never a live one.
    QLocalSocket probe;
    probe.connectToServer(m_name);
    if (probe.waitForConnected(ConnectTimeoutMs))
        return false;
    QLocalServer::removeServer(m_name);
    return m_server.listen(m_name);
}

void WindowInstance::onNewConnection()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->readAll().startsWith("activate"))
                return;
            socket->write("ok\n");
            socket->flush();
            emit activationRequested();
        });
    }
}

} // namespace fetemark::gui
