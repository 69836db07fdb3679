#include "BenchTable.h"

#include "DatabasePath.h"
#include "RegisterGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>

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
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(shell, QStringList(options) << path << sql);
    process.waitForFinished(-1);
    return double(timer.nsecsElapsed()) / 1e9;
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
