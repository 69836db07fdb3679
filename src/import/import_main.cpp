// sudregister-import: brings a saved report into the register beside the
// program, the same register Sudregister itself opens.
#include "DatabasePath.h"
#include "ReportImport.h"
#include "StoreError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <unistd.h>

namespace {

// Files of a few thousand lines import in a blink; larger ones show a bar
// on a terminal.
constexpr qsizetype ProgressFrom = 5000;

void showProgress(qsizetype done, qsizetype total)
{
    if (total < ProgressFrom * 2 || !isatty(fileno(stderr)))
        return;
    const int width = 40;
    const int filled = int(done * width / total);
    std::fprintf(stderr, "\r[%s%s] %3d%%", QByteArray(filled, '#').constData(), QByteArray(width - filled, ' ').constData(),
                 int(done * 100 / total));
    if (done == total)
        std::fprintf(stderr, "\n");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: sudregister-import REPORT.lst\n"
                             "Adds the breweries and history entries of a saved report to the register\n"
                             "beside this program.\n");
        return 2;
    }
    const QString registerPath = DatabasePath(QCoreApplication::applicationDirPath());
    QElapsedTimer timer;
    timer.start();
    try {
        const ImportCounts counts = ImportReport(args[1], registerPath, showProgress);
        std::printf("Added %d breweries and %d history entries to %s in %.2f s.\n", counts.breweries, counts.chroniks,
                    qPrintable(registerPath), double(timer.elapsed()) / 1000.0);
        return 0;
    } catch (const ImportRefused &e) {
        std::fprintf(stderr, "\nRefused, nothing was added: %s\n", qPrintable(e.message()));
    } catch (const StoreError &e) {
        std::fprintf(stderr, "\nNothing was added: %s\n", qPrintable(e.message()));
    }
    return 1;
}
