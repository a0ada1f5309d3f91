#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace fetemark::test {

// A fresh data directory per test, removed afterwards.
class TempDir {
public:
    TempDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// A small tmpfs mounted over a temporary folder for one test, to meet a full or a
// read-only disk for real. Mounting needs root; where it is refused, `problem()` says
// why and the test skips.
class ScratchDisk {
public:
    explicit ScratchDisk(int kilobytes);
    ~ScratchDisk();
    ScratchDisk(const ScratchDisk&) = delete;
    ScratchDisk& operator=(const ScratchDisk&) = delete;
    bool isMounted() const { return m_mounted; }
    QString problem() const { return m_problem; }
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.file(name); }
    // Takes up every free block, so the next write meets a full disk.
    bool fill();
    bool makeReadOnly();

private:
    TempDir m_dir;
    bool m_mounted = false;
    QString m_problem;
};

// The process's umask for the scope of a test (child processes inherit it).
class ScopedUmask {
public:
    explicit ScopedUmask(unsigned mask);
    ~ScopedUmask();
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    unsigned m_previous;
};

// The permission bits of a file or folder, as `ls -l` counts them (0600).
unsigned modeOf(const QString& path);

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);

// A UTC moment written as "2026-03-05T12:00:00Z" (ISO 8601), for readable test tables.
QDateTime utc(const char* iso);

// A test name built from parts; a negative number reads "Minus5". Appends instead of
// adding strings: GCC 12 warns falsely (-Wrestrict) about `"x" + std::to_string(n)`.
inline void appendNamePart(std::string& name, std::string_view part)
{
    name.append(part);
}
inline void appendNamePart(std::string& name, long long n)
{
    if (n < 0)
        name.append("Minus");
    name.append(std::to_string(n < 0 ? -n : n));
}
template<typename... Parts> std::string rowName(const Parts&... parts)
{
    std::string name;
    (appendNamePart(name, parts), ...);
    return name;
}

// Names a parameterised row after its `name` member (INSTANTIATE_TEST_SUITE_P's last argument).
struct RowName {
    template<typename Row> std::string operator()(const testing::TestParamInfo<Row>& info) const
    {
        return rowName(std::string_view(info.param.name));
    }
};

// The `fetemark` command run as a separate process, with a clean, pinned environment
// (UTC, C locale, no FETEMARK_* variables) plus the given extra variables: "NAME=value"
// sets one, a bare "NAME" removes it.
struct CommandResult {
    int exitCode = -1;
    QString out;
    QString err;
};
CommandResult runFetemark(const QStringList& args, const QStringList& extraEnvironment = {});

// What a run on a data directory pins besides the directory; empty ones are not passed.
struct RunOptions {
    RunOptions() = default;
    explicit RunOptions(const char* now, const char* zone = "", const char* locale = "")
        : now(QString::fromLatin1(now)), zone(QString::fromLatin1(zone)),
          locale(QString::fromLatin1(locale))
    {
    }
    QString now;
    QString zone;
    QString locale;
    QStringList environment;
    QString standardOutputFile; // standard output goes there instead of `out`
    int timeoutMs = 60000;      // a run still going then is killed and fails
    QString program;            // a copy of fetemark elsewhere, else the build's
};
CommandResult runFetemarkIn(
    const TempDir& dir, const QStringList& args, const RunOptions& options = {});

// A Python interpreter that can import `module`, or empty; Debian's first, as its modules
// are the ones the project installs.
QString pythonWith(const char* module);
// Runs a Python script with the arguments and standard input; its standard output.
QByteArray runPython(const QString& python, const char* script, const QStringList& args = {},
    const QByteArray& input = {});

} // namespace fetemark::test
