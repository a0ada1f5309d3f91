#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <sys/stat.h>

namespace fetemark::test {

TempDir::TempDir()
{
    m_dir.setAutoRemove(true);
}

ScratchDisk::ScratchDisk(int kilobytes)
{
    const QByteArray where = QFile::encodeName(m_dir.path());
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0755";
    m_mounted = ::mount("tmpfs", where.constData(), "tmpfs", 0, options.constData()) == 0;
    if (!m_mounted)
        m_problem = QStringLiteral("a scratch disk cannot be mounted here (%1)")
                        .arg(QString::fromLocal8Bit(std::strerror(errno)));
}

ScratchDisk::~ScratchDisk()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

bool ScratchDisk::fill()
{
    QFile filler(m_dir.file(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray block(4096, '\0');
    while (filler.write(block) == block.size()) { }
    // The last partial block, byte by byte, so not even a tiny file fits any more.
    while (filler.write("x", 1) == 1) { }
    return true;
}

bool ScratchDisk::makeReadOnly()
{
    return ::mount(nullptr, QFile::encodeName(m_dir.path()).constData(), nullptr,
               MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

ScopedUmask::ScopedUmask(unsigned mask) : m_previous(::umask(mask)) { }

ScopedUmask::~ScopedUmask()
{
    ::umask(m_previous);
}

unsigned modeOf(const QString& path)
{
    struct stat info { };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 07777;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QDateTime utc(const char* iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toUTC();
}

namespace {

CommandResult run(const QStringList& args, const QStringList& extraEnvironment,
    const QString& standardOutputFile = {}, int timeoutMs = 60000, const QString& program = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : env.keys()) {
        if (name.startsWith(QLatin1String("FETEMARK_")) || name.startsWith(QLatin1String("LC_")) ||
            name == QLatin1String("LANGUAGE"))
            env.remove(name);
    }
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    for (const QString& assignment : extraEnvironment) {
        const qsizetype eq = assignment.indexOf(QLatin1Char('='));
        if (eq < 0)
            env.remove(assignment);
        else
            env.insert(assignment.left(eq), assignment.mid(eq + 1));
    }
    QProcess process;
    process.setProcessEnvironment(env);
    if (!standardOutputFile.isEmpty())
        process.setStandardOutputFile(standardOutputFile);
    process.start(program.isEmpty() ? QStringLiteral(FETEMARK_BINARY) : program, args);
    process.closeWriteChannel();
    CommandResult result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = QStringLiteral("fetemark did not finish");
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

} // namespace

CommandResult runFetemark(const QStringList& args, const QStringList& extraEnvironment)
{
    return run(args, extraEnvironment);
}

CommandResult runFetemarkIn(const TempDir& dir, const QStringList& args, const RunOptions& options)
{
    QStringList all {QStringLiteral("--data-dir"), dir.path()};
    for (const auto& [option, value] : {std::pair {"--now", options.now},
             std::pair {"--tz", options.zone}, std::pair {"--locale", options.locale}}) {
        if (!value.isEmpty())
            all << QString::fromLatin1(option) << value;
    }
    return run(all + args, options.environment, options.standardOutputFile, options.timeoutMs,
        options.program);
}

QString pythonWith(const char* module)
{
    for (const QString& candidate :
        {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess p;
        p.start(candidate,
            {QStringLiteral("-c"), QStringLiteral("import %1").arg(QLatin1String(module))});
        if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return candidate;
    }
    return {};
}

QByteArray runPython(
    const QString& python, const char* script, const QStringList& args, const QByteArray& input)
{
    QProcess p;
    p.start(python, QStringList {QStringLiteral("-c"), QString::fromUtf8(script)} + args);
    EXPECT_TRUE(p.waitForStarted(30000));
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

} // namespace fetemark::test
