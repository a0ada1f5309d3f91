#include "DesktopWakeSource.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <sys/timerfd.h>
#include <unistd.h>
#include <utility>

namespace fetemark {
namespace {

// With no moment asked for, the alarm still stands, this far ahead, so that the kernel
// keeps telling when the clock is set.
constexpr qint64 FarAheadMSecs = qint64(100) * 366 * 24 * 60 * 60 * 1000;

} // namespace

DesktopWakeSource::DesktopWakeSource(QObject* parent) : DesktopWakeSource(Options(), parent) { }

DesktopWakeSource::DesktopWakeSource(Options options, QObject* parent)
    : WakeSource(parent), m_options(std::move(options))
{
    m_timerFd = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_timerFd < 0) {
        m_timerError = QStringLiteral("could not make the wall-clock alarm: %1")
                           .arg(QString::fromLocal8Bit(std::strerror(errno)));
        qWarning("%s", qPrintable(m_timerError));
    } else {
        m_timerNotifier = std::make_unique<QSocketNotifier>(m_timerFd, QSocketNotifier::Read);
        connect(m_timerNotifier.get(), &QSocketNotifier::activated, this,
            &DesktopWakeSource::onTimerReadable);
        wakeAt({});
    }
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
        &DesktopWakeSource::onZoneFilesTouched);
    connect(
        &m_watcher, &QFileSystemWatcher::fileChanged, this, &DesktopWakeSource::onZoneFilesTouched);
    watchZoneFiles();
    m_zoneState = zoneFilesState();
    listenOnSystemBus();
}

DesktopWakeSource::~DesktopWakeSource()
{
    m_timerNotifier.reset();
    if (m_timerFd >= 0)
        ::close(m_timerFd);
}

bool DesktopWakeSource::isValid(QString* error) const
{
    if (error)
        *error = m_timerError;
    return m_timerFd >= 0;
}

void DesktopWakeSource::wakeAt(const QDateTime& moment)
{
    m_targetMSecs = moment.isValid() ? moment.toMSecsSinceEpoch()
                                     : QDateTime::currentMSecsSinceEpoch() + FarAheadMSecs;
    arm();
}

void DesktopWakeSource::arm()
{
    if (m_timerFd < 0)
        return;
    itimerspec spec {};
    // A moment before 1970 is simply due: the alarm fires at once.
    const qint64 msecs = qMax<qint64>(m_targetMSecs, 1);
    spec.it_value.tv_sec = time_t(msecs / 1000);
    spec.it_value.tv_nsec = long(msecs % 1000) * 1000000L;
    if (timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr) !=
        0)
        qWarning("could not set the wall-clock alarm: %s", std::strerror(errno));
}

void DesktopWakeSource::onTimerReadable()
{
    std::uint64_t expirations = 0;
    const ssize_t got = ::read(m_timerFd, &expirations, sizeof expirations);
    if (got < 0 && errno == EAGAIN)
        return;
    if (got < 0 && errno != ECANCELED) {
        qWarning("could not read the wall-clock alarm: %s", std::strerror(errno));
        return;
    }
    // Fired, or cancelled because the clock was set: the alarm stands again (the far one
    // after firing, the same moment after a clock change) before anyone looks.
    if (got > 0)
        m_targetMSecs = QDateTime::currentMSecsSinceEpoch() + FarAheadMSecs;
    arm();
    emit wake();
}

void DesktopWakeSource::watchZoneFiles()
{
    QSet<QString> directories;
    for (const QString& file : std::as_const(m_options.zoneFiles)) {
        const QFileInfo info(file);
        directories.insert(info.absolutePath());
        // A file written in place changes no folder; its watch ends when it is replaced.
        if (info.exists() && !m_watcher.files().contains(file))
            m_watcher.addPath(file);
    }
    for (const QString& directory : std::as_const(directories)) {
        if (!m_watcher.directories().contains(directory))
            m_watcher.addPath(directory);
    }
}

QByteArray DesktopWakeSource::zoneFilesState() const
{
    QByteArray state;
    for (const QString& path : std::as_const(m_options.zoneFiles)) {
        const QFileInfo info(path);
        state += QFile::encodeName(info.symLinkTarget()) + '\0';
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            state += file.read(1 << 20);
        state += '\0';
    }
    return state;
}

void DesktopWakeSource::onZoneFilesTouched()
{
    watchZoneFiles();
    // The folder (/etc) changes for many other reasons; only a change of the zone counts.
    QByteArray state = zoneFilesState();
    if (state == m_zoneState)
        return;
    m_zoneState = std::move(state);
    emit wake();
}

void DesktopWakeSource::listenOnSystemBus()
{
    QDBusConnection& bus = m_options.systemBus;
    if (!bus.isConnected())
        return;
    bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(onPrepareForSleep(bool)));
    bus.connect(QStringLiteral("org.freedesktop.timedate1"),
        QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
        this, SLOT(onTimeDatePropertiesChanged()));
}

void DesktopWakeSource::onPrepareForSleep(bool goingToSleep)
{
    if (!goingToSleep)
        emit wake();
}

void DesktopWakeSource::onTimeDatePropertiesChanged()
{
    emit wake();
}

} // namespace fetemark
