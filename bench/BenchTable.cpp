#include "BenchTable.h"

#include "DatabasePath.h"
#include "RegisterGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

BenchTable::BenchTable(const QString &title)
{
    std::printf("\n%s\n", qPrintable(title));
    std::printf("| %-58s | %12s | %-28s |\n", "measure", "figure", "target");
    std::printf("|%s|%s|%s|\n", QString(60, '-').toLatin1().constData(), QString(14, '-').toLatin1().constData(),
                QString(30, '-').toLatin1().constData());
}

BenchTable::~BenchTable()
{
    std::fflush(stdout);
}

QString BenchTable::seconds(double s)
{
    if (s < 0)
        return QStringLiteral("n/a");
    if (s < 0.001)
        return QStringLiteral("%1 µs").arg(s * 1e6, 0, 'f', 1);
    if (s < 1)
        return QStringLiteral("%1 ms").arg(s * 1e3, 0, 'f', 1);
    return QStringLiteral("%1 s").arg(s, 0, 'f', 2);
}

double BenchTable::time(const QString &what, const std::function<void()> &work, const QString &target)
{
    QElapsedTimer timer;
    timer.start();
    work();
    const double s = double(timer.nsecsElapsed()) / 1e9;
    row(what, seconds(s), target);
    return s;
}

double BenchTable::median(const QString &what, const std::function<void()> &work, const QString &target, int runs)
{
    std::vector<double> samples;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        samples.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    const double s = Median(samples);
    row(what, seconds(s), target);
    return s;
}

double Median(std::vector<double> samples)
{
    if (samples.empty())
        return -1;
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double TimeProcess(const QString &program, const QStringList &arguments, qint64 *peakBytes)
{
    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    // Its output is not part of the table.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        qFatal("cannot start %s", argv[0]);
    // The kernel's own figure for a child (ru_maxrss) would count this
    // process's memory, which the child shares until it starts its program;
    // the child's high-water mark, read as it runs, counts only its own.
    const QString status = QStringLiteral("/proc/%1/status").arg(pid);
    qint64 peak = 0;
    int exit = 0;
    while (waitpid(pid, &exit, WNOHANG) == 0) {
        QFile file(status);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : file.readAll().split('\n')) {
                if (line.startsWith("VmHWM:"))
                    peak = std::max(peak, line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024);
            }
        }
        usleep(5000);
    }
    const double s = double(timer.nsecsElapsed()) / 1e9;
    if (!WIFEXITED(exit) || WEXITSTATUS(exit) != 0)
        qFatal("%s failed", argv[0]);
    if (peakBytes)
        *peakBytes = peak;
    return s;
}

void BenchTable::row(const QString &what, const QString &figure, const QString &target)
{
    // Padded as QStrings, so that "µ" and umlauts count as one column.
    const QString line = QStringLiteral("| %1 | %2 | %3 |")
                             .arg(what.leftJustified(58), figure.rightJustified(12), target.leftJustified(28));
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

double TimeSqliteShell(const QString &path, const QString &sql, const QStringList &options)
{
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (shell.isEmpty())
        return -1;
    std::vector<double> samples;
    for (int run = 0; run < 3; ++run) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(shell, QStringList(options)
                                 << QStringLiteral("-cmd") << QStringLiteral(".load %1").arg(COLLATION_EXTENSION)
                                 << path << sql);
        process.waitForFinished(-1);
        if (process.exitCode() != 0)
            qFatal("sqlite3 shell failed: %s", process.readAllStandardError().constData());
        samples.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    return Median(samples);
}

namespace {
qint64 statusField(const char *name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(int(qstrlen(name))).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}
} // namespace

qint64 ResidentBytes()
{
    return statusField("VmRSS:");
}

qint64 PeakResidentBytes()
{
    return statusField("VmHWM:");
}

QString BenchRegisterDir(int breweries)
{
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/../bench-data/%1").arg(breweries);
    QDir().mkpath(dir);
    const QString path = DatabasePath(dir);
    if (!QFile::exists(path)) {
        const QString partial = path + QStringLiteral(".part");
        QFile::remove(partial);
        const GeneratedRegister made = GenerateRegister(partial, breweries, 1234);
        QFile::rename(partial, path);
        std::printf("generated %d breweries, %d history entries in %s\n", made.breweries, made.chroniks,
                    qPrintable(path));
    }
    return QDir(dir).canonicalPath();
}
