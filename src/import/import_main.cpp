// sudregister-import [--register PATH] [--append] FILE...: brings a saved
// report, or workbooks and CSV files, into a register, by default the one
// Sudregister itself opens; with --update, corrections made to an export of
// it.
#include "CommandLine.h"
#include "CorrectionsPlan.h"
#include "RegisterLocation.h"
#include "ReportImport.h"
#include "SheetImport.h"
#include "StoreError.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <limits>
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
                                                    "(.lst, UTF-8 or Windows-1252), or of a workbook (XLSX, ODS) or "
                                                    "CSV files, to a register."));
    const QCommandLineOption registerOption(QStringLiteral("register"),
                                            QStringLiteral("The register to add to, created when missing. Without it: "
                                                           "the register Sudregister opens by default."),
                                            QStringLiteral("PATH"));
    const QCommandLineOption appendOption(QStringLiteral("append"),
                                          QStringLiteral("Add to a register that already holds breweries."));
    const QCommandLineOption updateOption(QStringLiteral("update"),
                                          QStringLiteral("Update the breweries and history entries an export of the "
                                                         "register names, as corrected in FILE, instead of adding: "
                                                         "changed cells are written, rows without a key added."));
    const QCommandLineOption deleteOption(QStringLiteral("delete-missing"),
                                          QStringLiteral("With --update: delete the rows the export held and FILE "
                                                         "no longer holds."));
    const QCommandLineOption takeFileOption(QStringLiteral("take-file"),
                                            QStringLiteral("With --update: where a cell changed in the register "
                                                           "since the export too, take FILE's value. Without it the "
                                                           "register's is kept."));
    parser.addOptions({registerOption, appendOption, updateOption, deleteOption, takeFileOption});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("The saved report (.lst), the workbook (.xlsx, .ods) or the CSV files "
                                                "to import; one of an export's two CSV tables brings the other."),
                                 QStringLiteral("FILE..."));
    if (const auto exit = ParseCommandLine(parser, app.arguments(), std::numeric_limits<int>::max()))
        return *exit;
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        std::fprintf(stderr, "Name the file to import.\n\n%s", qPrintable(parser.helpText()));
        return 2;
    }
    if (parser.isSet(updateOption) && files.size() != 1) {
        std::fprintf(stderr, "Name the one export to update from: a workbook, or one of its CSV files.\n");
        return 2;
    }
    const auto isReport = [](const QString &file) { return file.endsWith(QLatin1String(".lst"), Qt::CaseInsensitive); };
    const bool report = std::any_of(files.begin(), files.end(), isReport);
    if (report && files.size() > 1) {
        std::fprintf(stderr, "Import a saved report (.lst) on its own.\n\n%s", qPrintable(parser.helpText()));
        return 2;
    }
    const char *done = parser.isSet(updateOption) ? "changed" : "added";
    try {
        const QString registerPath = ChooseRegister(parser.value(registerOption));
        // Never a file of that name, and never the address with its password.
        if (NamesSharedRegister(registerPath)) {
            std::fprintf(stderr, "sudregister-import adds to a register file. A shared register (postgresql://...) "
                                 "is added to in Sudregister's window, with File > Import.\n");
            return 1;
        }
        if (parser.isSet(updateOption)) {
            std::printf("%s\n", qPrintable(ImportCorrections(files.first(), registerPath, parser.isSet(deleteOption),
                                                              parser.isSet(takeFileOption))));
            return 0;
        }
        ImportOptions options;
        options.append = parser.isSet(appendOption);
        const ImportCounts counts = report ? ImportReport(files.first(), registerPath, options, showProgress)
                                           : ImportSheets(files, registerPath, options, showProgress);
        std::printf("Added %s to %s\n", qPrintable(DescribeAdded(counts)), qPrintable(registerPath));
        return 0;
    } catch (const ImportRefused &e) {
        std::fprintf(stderr, "\nRefused, nothing was %s: %s\n", done, qPrintable(e.message()));
    } catch (const StoreError &e) {
        std::fprintf(stderr, "\nNothing was %s: %s\n", done, qPrintable(e.message()));
    }
    return 1;
}
