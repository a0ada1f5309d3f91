#include "TerminationSignals.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace fetemark {
namespace {

// One pipe per process: signal handlers are process-wide.
int g_pipe[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(
        QLatin1StringView(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) { }

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    m_notifier.reset();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

bool TerminationSignals::install(QString* error)
{
    if (m_notifier)
        return true;
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error)
            *error = g_pipe[0] >= 0 ? QStringLiteral("termination signals are watched already")
                                    : systemError("could not make the signal pipe");
        return false;
    }
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (sigaction(SIGTERM, &action, nullptr) != 0 || sigaction(SIGINT, &action, nullptr) != 0) {
        if (error)
            *error = systemError("could not handle SIGTERM and SIGINT");
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGINT, SIG_DFL);
        ::close(g_pipe[0]);
        ::close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
        return false;
    }
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminationSignals::onReadable);
    return true;
}

void TerminationSignals::onReadable()
{
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        emit received(byte);
}

} // namespace fetemark
