#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

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

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);

// A UTC moment written as "2026-03-05T12:00:00Z" (ISO 8601), for readable test tables.
QDateTime utc(const char* iso);

} // namespace fetemark::test

#include <QStringList>

namespace fetemark::test {

// The `fetemark` command run as a separate process, with a clean, pinned environment
// (UTC, C locale, no FETEMARK_* variables) plus the given extra variables.
struct CommandResult {
    int exitCode = -1;
    QString out;
    QString err;
};
CommandResult runFetemark(const QStringList& args, const QStringList& extraEnvironment = {});

} // namespace fetemark::test
