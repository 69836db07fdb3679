// What keeping the change log costs, on a copy of the generated register:
// one edit with the log and without, an import of the saved report of
// 100,000 breweries with the log and without (the same import into a file
// that never gains one), and reading the history of a brewery with 1,000
// records and the first page of the register's history once every brewery
// has one.
#include "BenchTable.h"
#include "ChangeHistory.h"
#include "DatabasePath.h"
#include "RegisterFile.h"
#include "ReportImport.h"
#include "RowWriter.h"
#include "SilentMessageBoxes.h"
#include "StoredRow.h"
#include "Sudregister.h"
#include "SudregisterReport.h"
#include "Transaction.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList CityOnly = {QStringLiteral("CityName")};

// One grid edit as the window makes it: a transaction, the row writer.
void editCity(RegisterFile &file, qint64 key, const QString &city)
{
    const std::optional<std::vector<QVariant>> before = ReadStoredRow(file, QStringLiteral("Brewery"), CityOnly, key);
    Transaction tx(file);
    file.rowWriter().write({QStringLiteral("Brewery"), CityOnly, key, before, std::vector<QVariant>{QVariant(city)}});
    tx.commit();
}

// Each run its own cities, so that every edit writes.
double medianEdit(RegisterFile &file, qint64 highest, const QString &cities)
{
    std::vector<double> samples;
    for (int i = 0; i < 51; ++i) {
        QElapsedTimer timer;
        timer.start();
        editCity(file, 1 + (qint64(i) * 7919) % highest, QStringLiteral("%1 %2").arg(cities).arg(i));
        samples.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    return Median(samples);
}

QString milliseconds(double s)
{
    return QStringLiteral("%1 ms").arg(s * 1000, 0, 'f', 2);
}

// The register's report, as the Report button saves it.
QString savedReport(const QString &registerDir)
{
    QString saved;
    Sudregister window(DatabasePath(registerDir), std::make_shared<SilentMessageBoxes>());
    window.showReport = [&](SudregisterReport &report) { saved = report.cmdSaveReport_Click(); };
    QTest::mouseClick(window.cmdReport, Qt::LeftButton);
    if (saved.isEmpty())
        qFatal("no report saved");
    return saved;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int breweries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    const QString path = DatabasePath(dir.path());
    if (!QFile::copy(DatabasePath(BenchRegisterDir(breweries)), path))
        qFatal("cannot copy the register");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);

    BenchTable table(QStringLiteral("Change log, %1 breweries").arg(breweries));
    {
        const std::unique_ptr<RegisterFile> unlogged = RegisterFile::openScratch(path);
        const double without = medianEdit(*unlogged, breweries, QStringLiteral("Bamberg"));
        const std::shared_ptr<RegisterFile> logged = RegisterFile::open(path);
        editCity(*logged, 1, QStringLiteral("Bamberg")); // the log is made here
        const double with = medianEdit(*logged, breweries, QStringLiteral("Coburg"));
        table.row(QStringLiteral("one edit, without the log / with it (median of 51)"),
                  milliseconds(without) + QStringLiteral(" / ") + milliseconds(with),
                  QStringLiteral("logging < 5 ms"));
        table.row(QStringLiteral("logging one edit"), milliseconds(with - without), QStringLiteral("< 5 ms"));
    }

    {
        const QString report = savedReport(BenchRegisterDir(std::min(breweries, 100000)));
        const auto importInto = [&](bool logged) {
            const QString target = dir.path() + (logged ? QStringLiteral("/with.mdb") : QStringLiteral("/without.mdb"));
            QFile::remove(target);
            // The file is made a register first; without the log, the
            // import then writes it on a connection that never makes one.
            RegisterFile::open(target);
            const std::shared_ptr<RegisterFile> file = logged ? RegisterFile::open(target) : nullptr;
            const std::unique_ptr<RegisterFile> plain = logged ? nullptr : RegisterFile::openScratch(target);
            // As the window's and the importer's connection has it.
            if (plain)
                plain->exec("PRAGMA foreign_keys = ON; PRAGMA cache_size = -32768");
            QElapsedTimer timer;
            timer.start();
            ImportReport(report, logged ? *file : *plain);
            return double(timer.nsecsElapsed()) / 1e9;
        };
        std::vector<double> without, with;
        for (int run = 0; run < 5; ++run) {
            without.push_back(importInto(false));
            with.push_back(importInto(true));
        }
        const double a = Median(without), b = Median(with);
        table.row(QStringLiteral("import of 100,000 breweries' report, without the log / with it (median of 5)"),
                  BenchTable::seconds(a) + QStringLiteral(" / ") + BenchTable::seconds(b),
                  QStringLiteral("with / without <= 1.3"));
        table.row(QStringLiteral("import with the log / without"), QString::number(b / a, 'f', 2),
                  QStringLiteral("<= 1.3"));
    }

    {
        const std::shared_ptr<RegisterFile> file = RegisterFile::open(path);
        {
            Transaction tx(*file);
            for (int i = 0; i < 1000; ++i)
                editCity(*file, 2, QStringLiteral("Bamberg %1").arg(i));
            tx.commit();
        }
        const std::unique_ptr<ChangeHistory> history = ChangeHistory::ofFile(*file);
        LogFilter brewery;
        brewery.brewery = 2;
        size_t read = 0;
        table.median(QStringLiteral("history of a brewery with 1,000 records, read whole"),
                     [&] { read = history->read(brewery, 0, 1000).size(); }, QStringLiteral("< 100 ms"));
        if (read < 1000)
            qFatal("the brewery's history holds %zu records", read);

        {
            Transaction tx(*file);
            file->exec("UPDATE Brewery SET StopYear = coalesce(StopYear, '') || '0'");
            tx.commit();
        }
        table.row(QStringLiteral("records in the log"), QString::number(history->size().entries));
        table.median(QStringLiteral("register history, first page (200 records)"),
                     [&] { history->read({}, 0, 200); }, QStringLiteral("< 200 ms"));
        LogFilter field;
        field.field = QStringLiteral("CityName");
        table.median(QStringLiteral("register history, first page, one field (1,051 match)"),
                     [&] { history->read(field, 0, 200); }, QStringLiteral("< 200 ms"));
        table.median(QStringLiteral("its size, for Help > About"), [&] { history->size(); });
    }
    return 0;
}
