#pragma once

#include "cli/UserSystemd.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace fetemark::cli {

// `notifications install-agent` and `uninstall-agent`: the autostart entry and the
// systemd user unit of `fetemark-notifier` written or removed, and the unit enabled and
// started, or stopped and disabled, when the user's service manager answers. Running
// either twice changes nothing the second time. A file in their place that install-agent
// did not write is left alone unless `force` is given.
class AgentInstaller {
public:
    enum class FileAction { Written, Updated, Replaced, Unchanged, Removed, Absent };
    enum class ServiceAction { Started, Stopped, Unchanged, Unavailable };
    struct FileOutcome {
        QString path;
        FileAction action = FileAction::Unchanged;
    };
    struct Outcome {
        FileOutcome autostart;
        FileOutcome unit;
        ServiceAction service = ServiceAction::Unchanged;
        QString unavailableBecause; // why the service manager was not asked
        bool changed() const;
    };

    // `configHome` from AgentFiles::configHome(), `program` the agent's absolute path.
    AgentInstaller(QString configHome, bool force);

    // nullopt with `error` set when something stood in the way; files already written
    // stay (a second run finishes the job).
    std::optional<Outcome> install(const QString& program, QString* error);
    std::optional<Outcome> uninstall(QString* error);

private:
    QString m_autostartPath;
    QString m_unitPath;
    bool m_force;
    UserSystemd m_systemd;

    // Refuses a file in the way: one that is not a regular file, or one not ours.
    bool mayReplace(const QString& path, QString* error) const;
    std::optional<FileOutcome> put(const QString& path, const QByteArray& contents, QString* error);
    std::optional<FileOutcome> remove(const QString& path, QString* error);
    bool startService(Outcome& outcome, QString* error);
    bool stopService(Outcome& outcome, QString* error);
    // The link `systemctl enable` makes, when it points at our unit.
    void removeEnableLink() const;
};

} // namespace fetemark::cli
