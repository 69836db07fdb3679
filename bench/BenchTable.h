#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// Prints benchmark rows as one aligned table: what was measured, how long
// it took, and the target it is held to.
class BenchTable {
public:
    explicit BenchTable(const QString &title);
    ~BenchTable();

    // Times `work` once and prints a row; returns the seconds it took.
    double time(const QString &what, const std::function<void()> &work, const QString &target = QString());
    // Times `work` `runs` times and prints the median; returns it.
    double median(const QString &what, const std::function<void()> &work, const QString &target = QString(),
                  int runs = 3);
    void row(const QString &what, const QString &figure, const QString &target = QString());

    static QString seconds(double s);
};

// Seconds the stock sqlite3 shell takes for `sql` on `path`, output thrown
// away, the median of three runs; negative when the shell is not installed.
// The shell has the program's German ordering loaded, as SUDREGISTER_DE.
double TimeSqliteShell(const QString &path, const QString &sql, const QStringList &options = {});

// The median of `samples`.
double Median(std::vector<double> samples);

// Runs `program` in a process of its own and waits for it; returns the
// seconds it took and sets `peakBytes` to its peak resident memory, as read
// every 5 ms while it runs.
double TimeProcess(const QString &program, const QStringList &arguments, qint64 *peakBytes = nullptr);

// Resident memory of this process in bytes, and its peak.
qint64 ResidentBytes();
qint64 PeakResidentBytes();

// The 100,000-brewery register of the benchmarks, generated once and kept
// under the build directory.
QString BenchRegisterDir(int breweries);
