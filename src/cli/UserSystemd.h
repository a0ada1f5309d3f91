#pragma once

#include <QString>
#include <QStringList>

namespace fetemark::cli {

// The user's service manager through `systemctl --user`, found on PATH. Where there is
// none (no systemd, or a session without a user manager) nothing is asked of it.
class UserSystemd {
public:
    // Whether the user manager answers; else `why` says what stood in the way.
    bool isAvailable(QString* why);
    // `systemctl --user ARGS`; false with `error` set (systemctl's own words) on failure.
    bool run(const QStringList& args, QString* error);
    // A quiet question answered by the exit status (is-enabled, is-active).
    bool holds(const QString& question, const QString& unit);
};

} // namespace fetemark::cli
