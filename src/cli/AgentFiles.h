#pragma once

#include <QByteArray>
#include <QString>

// The two files that start the notifier agent at login: an XDG autostart entry, read by
// every desktop, and a systemd user unit, which also restarts the agent when it fails.
namespace fetemark::cli::AgentFiles {

inline constexpr char UnitName[] = "fetemark-notifier.service";
inline constexpr char ProgramName[] = "fetemark-notifier";

// $XDG_CONFIG_HOME when absolute, else $HOME/.config; empty when neither is known.
QString configHome();
QString autostartPath(const QString& configHome);
QString unitPath(const QString& configHome);

// The files for the agent at `program` (an absolute path).
QByteArray autostartEntry(const QString& program);
QByteArray userUnit(const QString& program);

// Whether a file holds what install-agent writes (its first line says so), so it may be
// replaced or removed without asking.
bool isOurs(const QByteArray& contents);

// `path` as one argument of a desktop entry's Exec key, and of a unit's ExecStart.
QString desktopExecArgument(const QString& path);
QString systemdExecArgument(const QString& path);

} // namespace fetemark::cli::AgentFiles
