// sudregister-import [--register PATH] [--append] REPORT: brings a saved
// report into a register, by default the one Sudregister itself opens.
#include "CommandLine.h"
#include "RegisterLocation.h"
#include "ReportImport.h"
#include "StoreError.h"

#include <QCoreApplication>
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
    NameApplication();
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Adds the breweries and history entries of a saved report "
                                                    "(UTF-8 or Windows-1252) to a register."));
    const QCommandLineOption registerOption(QStringLiteral("register"),
                                            QStringLiteral("The register to add to, created when missing. Without it: "
                                                           "the register Sudregister opens by default."),
                                            QStringLiteral("PATH"));
    const QCommandLineOption appendOption(QStringLiteral("append"),
                                          QStringLiteral("Add to a register that already holds breweries."));
    parser.addOption(registerOption);
    parser.addOption(appendOption);
    parser.addPositionalArgument(QStringLiteral("REPORT"), QStringLiteral("The saved report (.lst) to import."));
    if (const auto exit = ParseCommandLine(parser, app.arguments(), 1))
        return *exit;
    if (parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "Name the report to import.\n\n%s", qPrintable(parser.helpText()));
        return 2;
    }
    try {
        const QString registerPath = ChooseRegister(parser.value(registerOption));
        ImportOptions options;
        options.append = parser.isSet(appendOption);
        const ImportCounts counts = ImportReport(parser.positionalArguments().first(), registerPath, options, showProgress);
        std::printf("Added %s to %s\n", qPrintable(DescribeAdded(counts)), qPrintable(registerPath));
        return 0;
    } catch (const ImportRefused &e) {
        std::fprintf(stderr, "\nRefused, nothing was added: %s\n", qPrintable(e.message()));
    } catch (const StoreError &e) {
        std::fprintf(stderr, "\nNothing was added: %s\n", qPrintable(e.message()));
    }
    return 1;
}
