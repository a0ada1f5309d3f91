// `notifications install-agent` and `uninstall-agent`: the autostart entry and the
// systemd user unit written into a temporary XDG_CONFIG_HOME by a copy of fetemark that
// has (or lacks) fetemark-notifier beside it, with a stand-in `systemctl` first on PATH
// that keeps the unit's state and records what it was asked.
#include "cli/AgentFiles.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <vector>

using namespace fetemark;
using namespace Qt::StringLiterals;

namespace {

enum class Systemd { Absent, Offline, Running, Refusing };
enum class Before { Nothing, ForeignUnit, OlderAutostart, NoAgent, EnabledBefore };

struct Step {
    QStringList args; // after `notifications`; "--json" first for JSON output
    int exitCode;
    QString out;   // $CFG and $BIN stand for the folders; JSON compacted
    QString err;   // found in standard error; empty: nothing there
    QString calls; // what systemctl was asked, without --user and the unit's name
};

struct AgentRow {
    const char* name;
    Systemd systemd;
    Before before;
    std::vector<Step> steps;
    bool installedAfter;
};

const QString Written = u"written $CFG/autostart/org.fetemark.Notifier.desktop\n"
                        "written $CFG/systemd/user/fetemark-notifier.service\n"_s;
const QString Unchanged = u"unchanged $CFG/autostart/org.fetemark.Notifier.desktop\n"
                          "unchanged $CFG/systemd/user/fetemark-notifier.service\n"_s;
const QString Removed = u"removed $CFG/autostart/org.fetemark.Notifier.desktop\n"
                        "removed $CFG/systemd/user/fetemark-notifier.service\n"_s;
const QString Absent = u"absent $CFG/autostart/org.fetemark.Notifier.desktop\n"
                       "absent $CFG/systemd/user/fetemark-notifier.service\n"_s;
const QString NoBus = u"(no systemd user manager: systemctl --user show-environment failed: "
                      "Failed to connect to bus: No medium found)\n"_s;
const QString ForeignUnit = u"[Service]\nExecStart=/usr/bin/true\n"_s;
const QStringList Install {u"install-agent"_s};
const QStringList Uninstall {u"uninstall-agent"_s};

QString jsonOutcome(const char* autostart, const char* unit, const char* service, bool changed)
{
    return uR"({"autostart":{"action":"%1","path":"$CFG/autostart/org.fetemark.Notifier.desktop"},)"
           uR"("changed":%4,"service":"%3",)"
           uR"("unit":{"action":"%2","path":"$CFG/systemd/user/fetemark-notifier.service"}})"_s.arg(
               QLatin1String(autostart), QLatin1String(unit), QLatin1String(service),
               changed ? u"true"_s : u"false"_s);
}

const char* const Stub = R"(#!/bin/sh
here=$(dirname "$0")
echo "$*" >>"$here/calls"
case "$2" in
show-environment | daemon-reload) ;;
is-enabled) test -e "$here/enabled" ;;
is-active) test -e "$here/active" ;;
enable) %ENABLE% ;;
disable) rm -f "$here/enabled" "$here/active" ;;
*) exit 1 ;;
esac
)";

QByteArray stubFor(Systemd systemd)
{
    QByteArray script(Stub);
    if (systemd == Systemd::Offline)
        return "#!/bin/sh\necho \"$*\" >>\"$(dirname \"$0\")/calls\"\n"
               "echo 'Failed to connect to bus: No medium found' >&2\nexit 1\n";
    return script.replace("%ENABLE%",
        systemd == Systemd::Refusing ? "echo 'Access denied' >&2; exit 1"
                                     : "touch \"$here/enabled\" \"$here/active\"");
}

bool writeExecutable(const QString& path, const QByteArray& bytes)
{
    return test::writeFile(path, bytes) &&
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

class AgentInstall : public ::testing::TestWithParam<AgentRow> {
protected:
    test::TempDir root;
    test::TempDir data;
    QString bin = root.file(u"fete bin%"_s); // a folder an Exec line must quote
    QString config = root.file(u"config"_s);
    QString stubs = root.file(u"stubs"_s);

    void prepare(const AgentRow& row)
    {
        ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(stubs));
        ASSERT_TRUE(QFile::copy(QStringLiteral(FETEMARK_BINARY), bin + u"/fetemark"_s));
        if (row.before != Before::NoAgent) {
            ASSERT_TRUE(writeExecutable(bin + u"/fetemark-notifier"_s, "#!/bin/sh\n"));
        }
        if (row.systemd != Systemd::Absent) {
            ASSERT_TRUE(writeExecutable(stubs + u"/systemctl"_s, stubFor(row.systemd)));
        }
        const QString unit = cli::AgentFiles::unitPath(config);
        const QString autostart = cli::AgentFiles::autostartPath(config);
        ASSERT_TRUE(
            QDir().mkpath(QFileInfo(unit).path()) && QDir().mkpath(QFileInfo(autostart).path()));
        if (row.before == Before::ForeignUnit) {
            ASSERT_TRUE(test::writeFile(unit, ForeignUnit.toUtf8()));
        }
        if (row.before == Before::EnabledBefore) {
            // Installed and enabled in a session that had systemd.
            ASSERT_TRUE(test::writeFile(autostart, cli::AgentFiles::autostartEntry(bin)));
            ASSERT_TRUE(test::writeFile(unit, cli::AgentFiles::userUnit(bin)));
            ASSERT_TRUE(
                QDir().mkpath(QFileInfo(enableLink()).path()) && QFile::link(unit, enableLink()));
        }
        if (row.before == Before::OlderAutostart) {
            ASSERT_TRUE(test::writeFile(
                autostart, cli::AgentFiles::autostartEntry(u"/opt/old/fetemark-notifier"_s)));
        }
    }

    QString enableLink() const
    {
        return config + u"/systemd/user/graphical-session.target.wants/fetemark-notifier.service"_s;
    }

    QString expand(QString text) const
    {
        return text.replace(u"$CFG"_s, config).replace(u"$BIN"_s, bin);
    }

    // The calls since the last step, one a line: "enable --now".
    QString takeCalls() const
    {
        const QString log = stubs + u"/calls"_s;
        QStringList calls = QString::fromUtf8(test::readFile(log)).split(u'\n', Qt::SkipEmptyParts);
        QFile::remove(log);
        for (QString& call : calls) {
            EXPECT_TRUE(call.startsWith(u"--user "_s)) << call.toStdString();
            call = call.mid(7).remove(u" fetemark-notifier.service"_s);
        }
        return calls.join(u"; "_s);
    }
};

TEST_P(AgentInstall, WritesStartsAndRemoves)
{
    const AgentRow& row = GetParam();
    prepare(row);
    test::RunOptions options;
    options.program = bin + u"/fetemark"_s;
    // Without systemctl nothing else is on PATH, as the real one may be installed.
    options.environment = {u"XDG_CONFIG_HOME="_s + config,
        u"PATH="_s + stubs + (row.systemd == Systemd::Absent ? u""_s : u":/usr/bin:/bin"_s)};
    for (const Step& step : row.steps) {
        const QString command = step.args.join(u' ');
        SCOPED_TRACE(command.toStdString());
        const bool json = step.args.value(0) == u"--json";
        const test::CommandResult r = test::runFetemarkIn(data,
            QStringList {u"notifications"_s} + step.args.mid(json ? 1 : 0) +
                (json ? QStringList {u"--json"_s} : QStringList {}),
            options);
        EXPECT_EQ(r.exitCode, step.exitCode) << r.err.toStdString();
        const QString out = json && !r.out.isEmpty()
            ? QString::fromUtf8(
                  QJsonDocument::fromJson(r.out.toUtf8()).toJson(QJsonDocument::Compact))
            : r.out;
        EXPECT_EQ(out.toStdString(), expand(step.out).toStdString());
        if (step.err.isEmpty()) {
            EXPECT_EQ(r.err.toStdString(), "");
        } else
            EXPECT_TRUE(r.err.contains(expand(step.err))) << r.err.toStdString();
        EXPECT_EQ(takeCalls().toStdString(), step.calls.toStdString());
    }
    EXPECT_FALSE(QFileInfo(enableLink()).isSymLink());
    const QByteArray unit = test::readFile(cli::AgentFiles::unitPath(config));
    EXPECT_EQ(cli::AgentFiles::isOurs(unit), row.installedAfter);
    EXPECT_EQ(QFile::exists(cli::AgentFiles::autostartPath(config)), row.installedAfter);
    if (row.installedAfter) {
        EXPECT_TRUE(unit.contains(
            "\nExecStart=\"" + bin.toUtf8().replace("%", "%%") + "/fetemark-notifier\"\n"));
    }
    if (row.before == Before::ForeignUnit && !row.installedAfter) {
        EXPECT_EQ(unit, ForeignUnit.toUtf8());
    }
}

const QString Started = u"enabled and started fetemark-notifier.service\n"_s;
const QString Running = u"fetemark-notifier.service is enabled and running\n"_s;
const QString Stopped = u"stopped and disabled fetemark-notifier.service\n"_s;
const QString Idle = u"fetemark-notifier.service was neither enabled nor running\n"_s;

INSTANTIATE_TEST_SUITE_P(Agent, AgentInstall,
    ::testing::Values(
        AgentRow {"InstalledTwiceAndRemovedTwiceWithSystemd", Systemd::Running, Before::Nothing,
            {{Install, 0, Written + Started, {},
                 u"show-environment; daemon-reload; is-enabled --quiet; enable --now"_s},
                {Install, 0,
                    Unchanged + Running + u"nothing changed: the agent was installed already\n"_s,
                    {}, u"show-environment; is-enabled --quiet; is-active --quiet"_s},
                {Uninstall, 0, Removed + Stopped, {},
                    u"show-environment; is-enabled --quiet; disable --now; daemon-reload"_s},
                {Uninstall, 0, Absent + Idle + u"nothing changed: the agent was not installed\n"_s,
                    {}, u"show-environment; is-enabled --quiet; is-active --quiet"_s}},
            false},
        AgentRow {"WithoutUserManagerStartsAtNextLogin", Systemd::Offline, Before::Nothing,
            {{Install, 0, Written + u"the agent starts at the next login "_s + NoBus, {},
                 u"show-environment"_s},
                {Install, 0,
                    Unchanged + u"the agent starts at the next login "_s + NoBus +
                        u"nothing changed: the agent was installed already\n"_s,
                    {}, u"show-environment"_s}},
            true},
        AgentRow {"WithoutUserManagerTheEnableLinkGoesToo", Systemd::Offline, Before::EnabledBefore,
            {{Uninstall, 0, Removed + u"a running agent stops at the end of the session "_s + NoBus,
                {}, u"show-environment"_s}},
            false},
        AgentRow {"WithoutSystemctlJson", Systemd::Absent, Before::Nothing,
            {{{u"--json"_s, u"install-agent"_s}, 0,
                 jsonOutcome("written", "written", "unavailable", true),
                 u"{\"note\": \"the agent starts at the next login (no systemd user manager: "
                 "systemctl cannot be run"_s,
                 {}},
                {{u"--json"_s, u"uninstall-agent"_s}, 0,
                    jsonOutcome("removed", "removed", "unavailable", true),
                    u"a running agent stops at the end of the session"_s, {}}},
            false},
        AgentRow {"ForeignUnitKeptUnlessForced", Systemd::Running, Before::ForeignUnit,
            {{Install, 1, {},
                 u"fetemark: $CFG/systemd/user/fetemark-notifier.service was not written by "
                 "fetemark: move it away, or pass --force\n"_s,
                 {}},
                {Uninstall, 1, {}, u"was not written by fetemark"_s, {}},
                {{u"--json"_s, u"install-agent"_s, u"--force"_s}, 0,
                    jsonOutcome("written", "replaced", "started", true),
                    u"{\"warning\": \"replaced $CFG/systemd/user/fetemark-notifier.service, "
                    "which fetemark had not written\"}"_s,
                    u"show-environment; daemon-reload; is-enabled --quiet; enable --now"_s}},
            true},
        AgentRow {"OlderInstallationUpdated", Systemd::Offline, Before::OlderAutostart,
            {{{u"--json"_s, u"install-agent"_s}, 0,
                jsonOutcome("updated", "written", "unavailable", true), u"note"_s,
                u"show-environment"_s}},
            true},
        AgentRow {"AgentMissingBesideFetemark", Systemd::Running, Before::NoAgent,
            {{Install, 1, {},
                u"fetemark: cannot find fetemark-notifier beside fetemark in $BIN: install it "
                "there\n"_s,
                {}}},
            false},
        AgentRow {"EnableRefusedIsAnError", Systemd::Refusing, Before::Nothing,
            {{Install, 1, {},
                u"fetemark: systemctl --user enable --now fetemark-notifier.service failed: "
                "Access denied\n"_s,
                u"show-environment; daemon-reload; is-enabled --quiet; enable --now"_s}},
            true},
        AgentRow {"UnknownOptionIsAUsageError", Systemd::Running, Before::Nothing,
            {{{u"install-agent"_s, u"--now"_s}, 2, {}, u"usage"_s, {}}}, false}),
    test::RowName());

struct QuotingRow {
    const char* name;
    QString path;
    QString desktopExec;
    QString systemdExec;
};

class ExecQuoting : public ::testing::TestWithParam<QuotingRow> { };

TEST_P(ExecQuoting, KeepsThePathOneArgument)
{
    const QuotingRow& row = GetParam();
    EXPECT_EQ(cli::AgentFiles::desktopExecArgument(row.path).toStdString(),
        row.desktopExec.toStdString());
    EXPECT_EQ(cli::AgentFiles::systemdExecArgument(row.path).toStdString(),
        row.systemdExec.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Agent, ExecQuoting,
    ::testing::Values(QuotingRow {"Plain", u"/usr/bin/fetemark-notifier"_s,
                          u"/usr/bin/fetemark-notifier"_s, u"/usr/bin/fetemark-notifier"_s},
        QuotingRow {"SpaceAndPercent", u"/opt/my 100%/n"_s, u"\"/opt/my 100%%/n\""_s,
            u"\"/opt/my 100%%/n\""_s},
        QuotingRow {"ShellCharacters", uR"(/o/a"b`c$d\e)"_s, uR"("/o/a\\"b\\`c\\$d\\\\e")"_s,
            uR"("/o/a\"b`c$$d\\e")"_s}),
    test::RowName());

} // namespace
