// The check of the whole register, and the note an edit costs: time and
// memory of Check Register… on the generated register.
#include "BenchTable.h"
#include "DatabasePath.h"
#include "RegisterCheck.h"
#include "RegisterFile.h"
#include "ValueRules.h"

#include <QCoreApplication>
#include <QDate>
#include <QHash>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int breweries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    BenchTable table(QStringLiteral("Check of the register, %1 breweries").arg(breweries));
    const std::unique_ptr<RegisterFile> file = RegisterFile::openReader(DatabasePath(BenchRegisterDir(breweries)));
    size_t findings = 0;
    const qint64 before = ResidentBytes();
    table.time("check the whole register", [&] { findings = CheckRegister(*file, QDate::currentDate().year()).size(); },
               "< 10 s");
    table.row("  findings", QString::number(findings));
    table.row("  memory it took, most", QStringLiteral("%1 MB").arg(double(PeakResidentBytes() - before) / 1e6, 0, 'f', 0));

    // The note after an edit reads the row's values and applies the rules.
    const ValueRules rules(QDate::currentDate().year());
    const QHash<QString, QString> row{{"StartYear", "1850"}, {"StopYear", "1200"}, {"PostalCode", "96047"}};
    const double notes = table.time("10,000 notes on an edited year", [&] {
        for (int i = 0; i < 10000; ++i)
            rules.noteOn("StopYear", [&](const QString &f) { return row.value(f); }, [](const QString &f) { return f; });
    });
    table.row("  one note", BenchTable::seconds(notes / 10000), "< 5 ms");
    return 0;
}
