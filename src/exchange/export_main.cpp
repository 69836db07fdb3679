// sudregister-export [--register PATH] [--format xlsx|csv|report-csv]
// [--excel] [--years-as-numbers] OUTPUT: writes the register as a workbook
// or as CSV, in the order the window first lists it.
#include "CommandLine.h"
#include "RecordSource.h"
#include "Recordset.h"
#include "RegisterExport.h"
#include "RegisterFile.h"
#include "RegisterIdentity.h"
#include "RegisterLocation.h"
#include "RegisterLock.h"
#include "StoreError.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

// The window's first order: by city, postal code and name.
const QString ListOrder = QStringLiteral("select * from Brewery Order By CityName, PostalCode, BreweryName");

} // namespace

int main(int argc, char *argv[])
{
    NameApplication();
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the register's breweries and history entries as an XLSX workbook (sheets \"Brauereien\" and "
        "\"Chronik\") or as UTF-8 CSV, sorted by city, postal code and name."));
    const QCommandLineOption registerOption(QStringLiteral("register"),
                                            QStringLiteral("The register to export. Without it: the register "
                                                           "Sudregister opens by default."),
                                            QStringLiteral("PATH"));
    const QCommandLineOption formatOption(
        QStringLiteral("format"),
        QStringLiteral("xlsx (a workbook), csv (OUTPUT's name with -Brauereien, -Chronik and the export's stamps -Stand) or "
                       "report-csv (one file in the report's shape). Without it: xlsx for a name ending in .xlsx, "
                       "csv otherwise."),
        QStringLiteral("FORMAT"));
    const QCommandLineOption excelOption(QStringLiteral("excel"),
                                         QStringLiteral("Begin CSV with a byte-order mark, which Excel needs to read "
                                                        "UTF-8."));
    const QCommandLineOption yearsOption(QStringLiteral("years-as-numbers"),
                                         QStringLiteral("Write whole-number years as numbers in a workbook."));
    const QCommandLineOption rawOption(QStringLiteral("raw-formulas"),
                                       QStringLiteral("Write CSV values that begin with =, +, - or @ as they are, "
                                                      "which a spreadsheet computes as formulas. Without it they "
                                                      "begin with an apostrophe, which the import takes off."));
    parser.addOptions({registerOption, formatOption, excelOption, yearsOption, rawOption});
    parser.addPositionalArgument(QStringLiteral("OUTPUT"), QStringLiteral("The file to write."));
    if (const auto exit = ParseCommandLine(parser, app.arguments(), 1))
        return *exit;
    if (parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "Name the file to write.\n\n%s", qPrintable(parser.helpText()));
        return 2;
    }
    const QString output = QFileInfo(parser.positionalArguments().first()).absoluteFilePath();
    ExportOptions options;
    const QString format = parser.isSet(formatOption)
        ? parser.value(formatOption)
        : (output.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive) ? QStringLiteral("xlsx") : QStringLiteral("csv"));
    if (format == QLatin1String("xlsx"))
        options.format = ExportOptions::Format::Xlsx;
    else if (format == QLatin1String("csv"))
        options.format = ExportOptions::Format::CsvTables;
    else if (format == QLatin1String("report-csv"))
        options.format = ExportOptions::Format::CsvReport;
    else {
        std::fprintf(stderr, "Unknown format \"%s\": xlsx, csv or report-csv.\n", qPrintable(format));
        return 2;
    }
    options.byteOrderMark = parser.isSet(excelOption);
    options.yearsAsNumbers = parser.isSet(yearsOption);
    options.guardFormulas = !parser.isSet(rawOption);
    try {
        const QString registerPath = ChooseRegister(parser.value(registerOption));
        // Never a file of that name, and never the address with its password.
        if (NamesSharedRegister(registerPath)) {
            std::fprintf(stderr, "sudregister-export reads a register file. A shared register (postgresql://...) "
                                 "is exported from Sudregister's window, with File > Export.\n");
            return 1;
        }
        if (!QFileInfo::exists(registerPath)) {
            std::fprintf(stderr, "There is no register %s.\n", qPrintable(registerPath));
            return 1;
        }
        // A register no window has opened since registers had an identity
        // gets one, when no window has it open now, so that its export can
        // come back as corrections.
        if (const std::unique_ptr<RegisterLock> lock = RegisterLock::tryTake(registerPath))
            RegisterIdentity::giveIfMissing(*RegisterFile::open(registerPath));
        const std::shared_ptr<RegisterFile> file = RegisterFile::open(registerPath, RegisterFile::Access::ReadOnly);
        const Recordset list(file, ParseRecordSource(ListOrder));
        options.registerIdentity = RegisterIdentity::of(*file);
        const ExportResult result = ExportRegister(*file, list.keys(), output, options);
        std::printf("Wrote %lld breweries and %lld history entries to %s\n", result.breweries, result.chroniks,
                    qPrintable(result.files.join(QStringLiteral(" and "))));
        return 0;
    } catch (const ExportFailed &e) {
        std::fprintf(stderr, "Nothing was written: %s\n", qPrintable(e.message));
    } catch (const StoreError &e) {
        std::fprintf(stderr, "Nothing was written: %s\n", qPrintable(e.message()));
    }
    return 1;
}
