#include "AgentInstaller.h"

#include "cli/AgentFiles.h"

#include "platform/files/AtomicFile.h"
#include "platform/files/RegularFile.h"

#include <QFile>
#include <QFileInfo>

namespace fetemark::cli {
namespace {

const QString Unit = QLatin1String(AgentFiles::UnitName);

bool hasControlCharacter(const QString& text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

} // namespace

bool AgentInstaller::Outcome::changed() const
{
    const auto fileChanged = [](const FileOutcome& file) {
        return file.action != FileAction::Unchanged && file.action != FileAction::Absent;
    };
    return fileChanged(autostart) || fileChanged(unit) || service == ServiceAction::Started ||
        service == ServiceAction::Stopped;
}

AgentInstaller::AgentInstaller(QString configHome, bool force)
    : m_autostartPath(AgentFiles::autostartPath(configHome)),
      m_unitPath(AgentFiles::unitPath(configHome)), m_force(force)
{
}

bool AgentInstaller::mayReplace(const QString& path, QString* error) const
{
    QByteArray bytes;
    QString why;
    switch (RegularFile::read(path, &bytes, &why)) {
    case RegularFile::ReadStatus::Missing:
        return true;
    case RegularFile::ReadStatus::NotRegular:
        *error = QStringLiteral("%1 is not a regular file: move it away").arg(path);
        return false;
    case RegularFile::ReadStatus::Failed:
        *error = QStringLiteral("cannot read %1: %2").arg(path, why);
        return false;
    case RegularFile::ReadStatus::Read:
        break;
    }
    if (m_force || AgentFiles::isOurs(bytes))
        return true;
    *error =
        QStringLiteral("%1 was not written by fetemark: move it away, or pass --force").arg(path);
    return false;
}

std::optional<AgentInstaller::FileOutcome> AgentInstaller::put(
    const QString& path, const QByteArray& contents, QString* error)
{
    QByteArray before;
    const bool existed = RegularFile::read(path, &before) == RegularFile::ReadStatus::Read;
    if (existed && before == contents)
        return FileOutcome {path, FileAction::Unchanged};
    if (!AtomicFile::write(path, contents, error))
        return std::nullopt;
    if (!existed)
        return FileOutcome {path, FileAction::Written};
    return FileOutcome {
        path, AgentFiles::isOurs(before) ? FileAction::Updated : FileAction::Replaced};
}

std::optional<AgentInstaller::FileOutcome> AgentInstaller::remove(
    const QString& path, QString* error)
{
    if (const QFileInfo info(path); !info.exists() && !info.isSymLink())
        return FileOutcome {path, FileAction::Absent};
    QFile file(path);
    if (!file.remove()) {
        *error = QStringLiteral("cannot remove %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return FileOutcome {path, FileAction::Removed};
}

void AgentInstaller::removeEnableLink() const
{
    const QString link =
        QFileInfo(m_unitPath).path() + QStringLiteral("/graphical-session.target.wants/") + Unit;
    if (const QFileInfo info(link); info.isSymLink() && info.symLinkTarget() == m_unitPath)
        QFile::remove(link);
}

bool AgentInstaller::startService(Outcome& outcome, QString* error)
{
    if (!m_systemd.isAvailable(&outcome.unavailableBecause)) {
        outcome.service = ServiceAction::Unavailable;
        return true;
    }
    if (outcome.unit.action != FileAction::Unchanged &&
        !m_systemd.run({QStringLiteral("daemon-reload")}, error))
        return false;
    if (m_systemd.holds(QStringLiteral("is-enabled"), Unit) &&
        m_systemd.holds(QStringLiteral("is-active"), Unit)) {
        outcome.service = ServiceAction::Unchanged;
        return true;
    }
    if (!m_systemd.run({QStringLiteral("enable"), QStringLiteral("--now"), Unit}, error))
        return false;
    outcome.service = ServiceAction::Started;
    return true;
}

bool AgentInstaller::stopService(Outcome& outcome, QString* error)
{
    if (!m_systemd.isAvailable(&outcome.unavailableBecause)) {
        outcome.service = ServiceAction::Unavailable;
        return true;
    }
    if (!m_systemd.holds(QStringLiteral("is-enabled"), Unit) &&
        !m_systemd.holds(QStringLiteral("is-active"), Unit)) {
        outcome.service = ServiceAction::Unchanged;
        return true;
    }
    if (!m_systemd.run({QStringLiteral("disable"), QStringLiteral("--now"), Unit}, error))
        return false;
    outcome.service = ServiceAction::Stopped;
    return true;
}

std::optional<AgentInstaller::Outcome> AgentInstaller::install(
    const QString& program, QString* error)
{
    if (hasControlCharacter(program)) {
        *error = QStringLiteral("the path of %1 holds a control character").arg(program);
        return std::nullopt;
    }
    if (!mayReplace(m_autostartPath, error) || !mayReplace(m_unitPath, error))
        return std::nullopt;
    Outcome outcome;
    const auto autostart = put(m_autostartPath, AgentFiles::autostartEntry(program), error);
    if (!autostart)
        return std::nullopt;
    outcome.autostart = *autostart;
    const auto unit = put(m_unitPath, AgentFiles::userUnit(program), error);
    if (!unit)
        return std::nullopt;
    outcome.unit = *unit;
    if (!startService(outcome, error))
        return std::nullopt;
    return outcome;
}

std::optional<AgentInstaller::Outcome> AgentInstaller::uninstall(QString* error)
{
    if (!mayReplace(m_autostartPath, error) || !mayReplace(m_unitPath, error))
        return std::nullopt;
    Outcome outcome;
    // Stopped while systemd still knows the unit.
    if (!stopService(outcome, error))
        return std::nullopt;
    const auto autostart = remove(m_autostartPath, error);
    if (!autostart)
        return std::nullopt;
    outcome.autostart = *autostart;
    const auto unit = remove(m_unitPath, error);
    if (!unit)
        return std::nullopt;
    outcome.unit = *unit;
    // Without a manager to disable it, the link an earlier enable made would be left
    // pointing at nothing.
    if (outcome.service == ServiceAction::Unavailable)
        removeEnableLink();
    if (outcome.unit.action == FileAction::Removed &&
        outcome.service != ServiceAction::Unavailable &&
        !m_systemd.run({QStringLiteral("daemon-reload")}, error))
        return std::nullopt;
    return outcome;
}

} // namespace fetemark::cli
