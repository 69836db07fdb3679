#include "NotDuplicates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QByteArray Heading = "# Breweries (RowId) marked \"not a duplicate\" in Sudregister's Check Register\n";

// Far more than the marks of any register: a line is some 20 bytes.
constexpr qint64 MostBytes = 64 << 20;

// What stands under the marks' name when it is no file of marks; empty
// when it is one, or nothing stands there. A pipe is never opened: the
// window would wait on it for good.
QString problemWith(const QFileInfo &info)
{
    if (info.isSymLink())
        return QStringLiteral("it is a link to another file, which the marks would replace");
    if (!info.exists())
        return QString();
    if (info.isDir())
        return QStringLiteral("it is a folder");
    if (!info.isFile())
        return QStringLiteral("it is no file (a pipe or a device)");
    if (info.size() > MostBytes)
        return QStringLiteral("it holds %1 bytes, far more than any list of marks").arg(info.size());
    return QString();
}

} // namespace

QString NotDuplicates::fileFor(const QString &registerPath)
{
    return registerPath + QStringLiteral(".not-duplicates");
}

NotDuplicates::NotDuplicates(const QString &registerPath) : m_path(fileFor(registerPath))
{
    m_problem = problemWith(QFileInfo(m_path));
    if (!m_problem.isEmpty())
        return;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // A line that is no pair of keys (edited by hand) is passed over; one
    // longer than any pair is passed over unread, a piece at a time.
    constexpr qint64 LongestLine = 64;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(LongestLine);
        if (!line.endsWith('\n') && !file.atEnd()) {
            while (!file.atEnd() && !file.readLine(LongestLine).endsWith('\n')) {
            }
            continue;
        }
        const QList<QByteArray> keys = line.simplified().split(' ');
        bool first = false, second = false;
        if (keys.size() == 2) {
            const qint64 a = keys[0].toLongLong(&first), b = keys[1].toLongLong(&second);
            if (first && second)
                m_pairs.insert(ordered(a, b));
        }
    }
}

bool NotDuplicates::contains(qint64 a, qint64 b) const
{
    return m_pairs.contains(ordered(a, b));
}

bool NotDuplicates::mark(qint64 a, qint64 b, QString *error)
{
    const QString problem = problemWith(QFileInfo(m_path));
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    QSet<std::pair<qint64, qint64>> pairs = m_pairs;
    pairs.insert(ordered(a, b));
    QList<std::pair<qint64, qint64>> sorted(pairs.begin(), pairs.end());
    std::sort(sorted.begin(), sorted.end());
    QSaveFile file(m_path);
    // A shared register's marks are the first thing kept in the user's data
    // folder when no backup has been made yet.
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (file.open(QIODevice::WriteOnly)) {
        file.write(Heading);
        for (const auto &[first, second] : sorted)
            file.write(QByteArray::number(first) + ' ' + QByteArray::number(second) + '\n');
        if (file.commit()) {
            m_pairs = std::move(pairs);
            return true;
        }
    }
    if (error)
        *error = file.errorString();
    return false;
}
