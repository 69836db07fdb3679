// A shared register on this machine's own PostgreSQL server (a Unix socket)
// beside the register file holding the same breweries, in one run: opening,
// re-sort, history, Report, a write's round trip, and how soon a second
// window shows a first one's edit (100,000 breweries unless a size is given).
#include "BenchTable.h"
#include "DatabasePath.h"
#include "PgTestServer.h"
#include "Register.h"
#include "RegisterFile.h"
#include "ReportImport.h"
#include "Statement.h"
#include "SilentMessageBoxes.h"
#include "Sudregister.h"
#include "SudregisterReport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

namespace {

double secondsOf(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

// Copies both tables of the register file into the server's register, as
// the shell and psql do it.
void copyToServer(const QString &file, const PgTestServer &server, const QString &db)
{
    for (const char *table : {"Brewery", "BreweryChronik"}) {
        QProcess dump, load;
        dump.setStandardOutputProcess(&load);
        dump.start(QStringLiteral("sqlite3"), {QStringLiteral("-csv"), file, QStringLiteral("SELECT * FROM %1").arg(table)});
        load.start(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-h"),
                                            server.socketDir(), QStringLiteral("-U"), QStringLiteral("admin"),
                                            QStringLiteral("-d"), db, QStringLiteral("-c"),
                                            QStringLiteral("\\copy \"%1\" FROM STDIN CSV").arg(table)});
        if (!dump.waitForFinished(-1) || !load.waitForFinished(-1) || load.exitCode() != 0)
            qFatal("copying %s to the server failed: %s", table, load.readAllStandardError().constData());
    }
    if (!server.admin("SELECT setval(pg_get_serial_sequence('\"Brewery\"', 'RowId'), max(\"RowId\")) FROM \"Brewery\"; "
                      "SELECT setval(pg_get_serial_sequence('\"BreweryChronik\"', 'ChronikId'), max(\"ChronikId\")) "
                      "FROM \"BreweryChronik\"; ANALYZE",
                      db))
        qFatal("keys not set");
}

// A saved report of the register's first `breweries` breweries and their
// history, as the Report writes one, at `path`.
void writeReport(const QString &file, qint64 breweries, const QString &path)
{
    const std::unique_ptr<RegisterFile> reader = RegisterFile::openReader(file);
    const auto joined = [](const QStringList &fields) {
        QStringList values;
        for (const QString &field : fields)
            values << QStringLiteral("ifnull(%1, '')").arg(field);
        return values.join(QStringLiteral(" || char(9) || ")).toUtf8();
    };
    Cursor lines = reader->cached(
        "SELECT line FROM (SELECT RowId AS k, 0 AS o, "
        + joined({"StateName", "CountyName", "PostalCode", "CityName", "IdCode", "BreweryName", "StartYear", "StopYear"})
        + " AS line FROM Brewery WHERE RowId <= ?1 UNION ALL SELECT ParentRowId, ChronikId, char(9, 9, 9, 9) || "
        + joined({"IdCode", "BreweryName", "StartYear", "StopYear", "BreweryNameLong"})
        + " FROM BreweryChronik WHERE ParentRowId <= ?1) ORDER BY k, o");
    lines.bind(1, breweries);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        qFatal("the report could not be written");
    while (lines.step())
        out.write(lines.utf8(0).toByteArray() + "\r\n");
}

std::unique_ptr<Register> opened(const QString &where)
{
    auto reg = std::make_unique<Register>(where);
    reg->open();
    reg->sortBreweries({QStringLiteral("CityName"), QStringLiteral("PostalCode"), QStringLiteral("BreweryName")});
    return reg;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int breweries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    // The benchmark writes: into a copy, so that the generated register
    // stays as the other benchmarks know it, and every write changes a value.
    QTemporaryDir copyDir;
    const QString file = DatabasePath(copyDir.path());
    if (!copyDir.isValid() || !QFile::copy(DatabasePath(BenchRegisterDir(breweries)), file))
        qFatal("the register could not be copied");
    PgTestServer server;
    if (!server.setUpRegister(QStringLiteral("bench")) || !server.addUsers({QStringLiteral("ed")}, {}))
        qFatal("the shared register was not set up: %s", qPrintable(server.problem()));
    const QString shared = server.uri(QStringLiteral("bench"), QStringLiteral("ed"));

    BenchTable table(QStringLiteral("Shared register beside the file, %1 breweries").arg(breweries));
    table.row("copy the file's tables to the server (sqlite3 | psql \\copy)",
              BenchTable::seconds(secondsOf([&] { copyToServer(file, server, QStringLiteral("bench")); })));
    const QStringList kinds = {QStringLiteral("file"), QStringLiteral("shared")};
    const QStringList places = {file, shared};
    const auto boxes = std::make_shared<SilentMessageBoxes>();
    std::vector<double> opening(2), resort(2), history(2), report(2), write(2), import(2), finding(2);
    const qint64 reported = breweries / 10;
    const QString reportPath = copyDir.filePath(QStringLiteral("import.lst"));
    writeReport(file, reported, reportPath);
    for (int kind = 0; kind < 2; ++kind) {
        // The window as the program opens it, to its whole list shown.
        std::unique_ptr<Sudregister> window;
        opening[kind] = secondsOf([&] {
            window = std::make_unique<Sudregister>(places[kind], Sudregister::StartLater{}, boxes);
            window->show();
            window->start();
            QCoreApplication::processEvents();
        });
        // A keystroke in the find once its index is built (a person takes a
        // moment to the first): the list narrowed and painted.
        const auto findOnce = [&](const QString &text) {
            window->txtFind->setText(text);
            window->applyFind();
            window->grdBrauerien->viewport()->repaint();
        };
        findOnce(QStringLiteral("b"));
        std::vector<double> keystrokes;
        for (const char *text : {"br", "brä", "bräu", "bräuh", "bräu"})
            keystrokes.push_back(secondsOf([&] { findOnce(QString::fromUtf8(text)); }));
        finding[kind] = Median(keystrokes);
        findOnce(QString());
        QElapsedTimer clicked;
        window->showReport = [&](SudregisterReport &shown) {
            shown.show();
            report[kind] = double(clicked.nsecsElapsed()) / 1e9;
        };
        clicked.start();
        QTest::mouseClick(window->cmdReport, Qt::LeftButton);
        window.reset();

        const std::unique_ptr<Register> reg = opened(places[kind]);
        resort[kind] = secondsOf([&] { reg->sortBreweries({QStringLiteral("IdCode"), QStringLiteral("BreweryName")}); });
        ::Recordset &list = reg->breweries()->Recordset();
        history[kind] = secondsOf([&] {
                            for (int n = 0; n < 1000; ++n)
                                reg->showHistoryOf(list.keyAt(n * (list.RecordCount() / 1000)));
                        })
            / 1000;
        std::vector<double> writes;
        for (int n = 0; n < 21; ++n) {
            list.setAbsolutePosition(n);
            writes.push_back(secondsOf([&] {
                list.Edit();
                list.Fields(QStringLiteral("StopYear")).setValue(QStringLiteral("written %1").arg(n));
                list.Update();
            }));
        }
        write[kind] = Median(writes);
        import[kind] = secondsOf([&] { ImportReport(reportPath, reg->file()); });
    }
    const auto pair = [&](const QString &what, const std::vector<double> &figures, const QString &target = {}) {
        for (int kind = 0; kind < 2; ++kind)
            table.row(QStringLiteral("%1, %2").arg(what, kinds[kind]), BenchTable::seconds(figures[kind]),
                      kind == 1 ? target : QString());
    };
    pair("open: window with the whole list", opening);
    {
        // Opened again, the copy the last window kept is caught up with what
        // another editor changed since, rather than copied whole. The import
        // above changed more than is copied row by row: one opening takes
        // it in first.
        const auto openAndClose = [&] {
            Sudregister window(shared, Sudregister::StartLater{}, boxes);
            window.start();
        };
        openAndClose();
        if (!server.admin(QStringLiteral("UPDATE \"Brewery\" SET \"StopYear\" = 'again' WHERE \"RowId\" % 1000 = 7"),
                          QStringLiteral("bench")))
            qFatal("another editor's change failed");
        std::unique_ptr<Sudregister> again;
        const double reopening = secondsOf([&] {
            again = std::make_unique<Sudregister>(shared, Sudregister::StartLater{}, boxes);
            again->show();
            again->start();
            QCoreApplication::processEvents();
        });
        table.row("open again after another editor changed 0.1 % of the breweries: window with the whole list",
                  BenchTable::seconds(reopening), "< 2 s");
    }
    pair("re-sort ID, name", resort);
    pair("history of one brewery (mean of 1,000)", history);
    pair("Report: load + lines + window shown", report);
    pair("find keystroke, index built (median of 5)", finding);
    pair("a write's round trip (median of 21)", write, "< 50 ms");
    pair(QStringLiteral("import a report of %1 breweries with their history").arg(reported), import);

    // A second window's register hears the first one's commit and places
    // the brewery in its list by key, as the window does once nothing is
    // being typed.
    const std::unique_ptr<Register> first = opened(shared);
    const std::unique_ptr<Register> second = opened(shared);
    bool heard = false;
    QObject::connect(second.get(), &Register::rowsChangedElsewhere, [&](const QList<qint64> &keys) {
        second->placeBreweries(keys);
        heard = true;
    });
    std::vector<double> follows;
    for (int n = 0; n < 3; ++n) {
        heard = false;
        follows.push_back(secondsOf([&] {
            ::Recordset &list = first->breweries()->Recordset();
            list.setAbsolutePosition(n);
            list.Edit();
            list.Fields(QStringLiteral("StopYear")).setValue(QStringLiteral("heard %1").arg(n));
            list.Update();
            while (!heard)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }));
    }
    table.row("a second window shows another's edit (median of 3)", BenchTable::seconds(Median(follows)), "< 1 s");

    // A reader floods the channel with 100 announcements, five a second,
    // naming whole tables and keys that do not exist, while the first
    // window edits once amid them: the second's longest stretch without
    // answering, its whole copies, and how soon the edit arrives.
    if (!server.addUsers({}, {QStringLiteral("rita")}))
        qFatal("no reader");
    QString flood = QStringLiteral("SET ROLE rita;\n");
    for (int n = 0; n < 100; ++n)
        flood += QStringLiteral("NOTIFY sudregister, '%1';\nSELECT pg_sleep(0.2);\n")
                     .arg(n % 2 ? QStringLiteral("Brewery:*") : QStringLiteral("Brewery:%1,999999999").arg(n));
    QProcess reader;
    reader.start(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-h"),
                                          server.socketDir(), QStringLiteral("-U"), QStringLiteral("admin"),
                                          QStringLiteral("-d"), QStringLiteral("bench")});
    reader.write(flood.toUtf8());
    reader.closeWriteChannel();
    int wholeCopies = 0;
    QObject::connect(second.get(), &Register::changedElsewhere, [&] { ++wholeCopies; });
    QElapsedTimer sinceTick, sinceEdit, flooding;
    qint64 longestGap = 0;
    double arrival = -1;
    heard = false;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
        if (heard && arrival < 0)
            arrival = double(sinceEdit.nsecsElapsed()) / 1e9;
    });
    sinceTick.start();
    ticks.start(10);
    flooding.start();
    bool edited = false;
    while (reader.state() != QProcess::NotRunning || flooding.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        if (!edited && flooding.elapsed() > 10000) {
            edited = true;
            sinceEdit.start();
            ::Recordset &list = first->breweries()->Recordset();
            list.setAbsolutePosition(3);
            list.Edit();
            list.Fields(QStringLiteral("StopYear")).setValue(QStringLiteral("amid the flood"));
            list.Update();
            sinceTick.restart();
        }
    }
    ticks.stop();
    table.row("flood of 100 announcements (5 a second): longest freeze", BenchTable::seconds(double(longestGap) / 1e3),
              "< 100 ms");
    table.row("flood: whole copies of the register", QString::number(wholeCopies), "0");
    table.row("flood: an edit amid it shown in the second window", BenchTable::seconds(arrival), "< 1 s");
    return 0;
}
