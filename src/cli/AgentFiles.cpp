#include "AgentFiles.h"

#include <QDir>

namespace fetemark::cli::AgentFiles {
namespace {

const QByteArray Marker =
    "# Written by `fetemark notifications install-agent`; `fetemark notifications "
    "uninstall-agent` removes it.\n";

bool needsQuotes(const QString& path)
{
    for (const QChar c : path) {
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && !QStringLiteral("/._+-").contains(c))
            return true;
    }
    return false;
}

} // namespace

QString configHome()
{
    // Relative values are invalid by the XDG base directory rules and are ignored.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(xdg))
        return QDir::cleanPath(xdg);
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(home))
        return QDir::cleanPath(home + QStringLiteral("/.config"));
    return {};
}

QString autostartPath(const QString& configHome)
{
    return configHome + QStringLiteral("/autostart/org.fetemark.Notifier.desktop");
}

QString unitPath(const QString& configHome)
{
    return configHome + QStringLiteral("/systemd/user/") + QLatin1String(UnitName);
}

QString desktopExecArgument(const QString& path)
{
    // The Exec rules: reserved characters inside double quotes, where " ` $ \ take a
    // backslash, and % is doubled; then the backslashes of the string value are doubled.
    QString argument = path;
    argument.replace(u'%', QStringLiteral("%%"));
    if (needsQuotes(path)) {
        QString quoted;
        for (const QChar c : argument) {
            if (QStringLiteral("\"`$\\").contains(c))
                quoted += u'\\';
            quoted += c;
        }
        argument = u'"' + quoted + u'"';
    }
    return argument.replace(u'\\', QStringLiteral("\\\\"));
}

QString systemdExecArgument(const QString& path)
{
    QString argument;
    for (const QChar c : path) {
        if (c == u'"' || c == u'\\')
            argument += u'\\';
        else if (c == u'%' || c == u'$')
            argument += c; // %% and $$ stand for themselves
        argument += c;
    }
    return needsQuotes(path) ? u'"' + argument + u'"' : argument;
}

QByteArray autostartEntry(const QString& program)
{
    return Marker +
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Fetemark reminders\n"
        "Comment=Shows the reminders of Fetemark when they are due\n"
        "Exec=" +
        desktopExecArgument(program).toUtf8() +
        "\n"
        "Icon=org.fetemark.Fetemark\n"
        "Terminal=false\n"
        "NoDisplay=true\n"
        "X-GNOME-Autostart-enabled=true\n";
}

QByteArray userUnit(const QString& program)
{
    return Marker +
        "[Unit]\n"
        "Description=Fetemark reminders\n"
        "Documentation=man:fetemark(1)\n"
        "PartOf=graphical-session.target\n"
        "After=graphical-session.target\n"
        "\n"
        "[Service]\n"
        "ExecStart=" +
        systemdExecArgument(program).toUtf8() +
        "\n"
        "Restart=on-failure\n"
        "\n"
        "[Install]\n"
        "WantedBy=graphical-session.target\n";
}

bool isOurs(const QByteArray& contents)
{
    return contents.startsWith(Marker);
}

} // namespace fetemark::cli::AgentFiles
