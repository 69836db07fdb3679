// How long a write of the window waits while the program's own background
// readers walk the register: the find's index being built, and the sort's
// workers reading their shares. A write every 20 ms, each timed from its
// start to its commit.
#include "BenchTable.h"
#include "DatabasePath.h"
#include "FindIndex.h"
#include "GermanOrder.h"
#include "RegisterFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <future>

namespace {

struct Waits {
    double longest = 0;
    int writes = 0;
};

// Writes one value back as it is, again and again, until `done` holds.
Waits writeWhile(RegisterFile &file, const std::function<bool()> &done)
{
    Waits waits;
    while (!done()) {
        QElapsedTimer timer;
        timer.start();
        file.exec("UPDATE Brewery SET StopYear = StopYear WHERE RowId = (SELECT min(RowId) FROM Brewery)");
        waits.longest = std::max(waits.longest, double(timer.nsecsElapsed()) / 1e9);
        ++waits.writes;
        QThread::msleep(20);
    }
    return waits;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Another size may be named: sudregister-bench-writewait 1000000
    const int breweries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const QString path = DatabasePath(BenchRegisterDir(breweries));
    const std::shared_ptr<RegisterFile> file = RegisterFile::open(path);

    BenchTable table(QStringLiteral("A window write beside the background readers, %1 breweries").arg(breweries));
    {
        QElapsedTimer build;
        build.start();
        // Built on a worker of its own, as at start-up; the index waits for
        // its worker when it goes.
        auto built = std::async(std::launch::async, [&] {
            const std::shared_ptr<RegisterFile> own = RegisterFile::open(path, RegisterFile::Access::ReadOnly);
            FindIndex index;
            index.prepare(*own);
        });
        const Waits waits = writeWhile(*file, [&] {
            return built.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        });
        built.get();
        table.row("longest wait of a write while the find's index is built",
                  BenchTable::seconds(waits.longest) + QStringLiteral(" (%1 writes over %2)")
                                                          .arg(waits.writes)
                                                          .arg(BenchTable::seconds(double(build.elapsed()) / 1e3)),
                  "<= 100 ms");
    }
    {
        std::atomic<bool> sorted = false;
        auto sort = std::async(std::launch::async, [&] {
            OrderGerman(path, "Brewery", {"CityName", "PostalCode", "BreweryName"}, {}, {});
            sorted = true;
        });
        const Waits waits = writeWhile(*file, [&] { return bool(sorted); });
        sort.get();
        table.row("longest wait of a write while the breweries are sorted",
                  BenchTable::seconds(waits.longest) + QStringLiteral(" (%1 writes)").arg(waits.writes), "<= 100 ms");
    }
    return 0;
}
