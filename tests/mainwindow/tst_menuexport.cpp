#include "CalcReader.h"
#include "MenuExport.h"
#include "ScratchRegister.h"
#include "ShownWindow.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>

class MenuExportTest : public QObject {
    Q_OBJECT

private slots:
    void exportsTheListAsTheFindNarrowsIt()
    {
        ScratchRegister reg;
        reg.addBrewery({"BY", "Ofr", "96049", "Bamberg", "B3", "Fässla", "1649", ""});
        const qint64 maisel = reg.addBrewery({"BY", "Ofr", "95444", "Bayreuth", "B4", "Maisel", "1887", ""});
        reg.addChronik(maisel, {"Brauerei Gebr. Maisel", "B4a", "Maisel", "1887", ""});
        reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B2", "Spezial", "1536", ""});
        ShownWindow win(reg.dir());
        win->txtFind->setText("bamberg");
        win->applyFind();

        QString which;
        win->exporting().askOptions = [&](const QString &told, const ExportOptions &) {
            which = told;
            ExportOptions options;
            options.format = ExportOptions::Format::CsvReport;
            return std::optional(options);
        };
        const QString path = reg.dir() + "/list.csv";
        win->exporting().askPath = [&](const QString &, const QString &) { return path; };
        win->exporting().action()->trigger();
        QVERIFY2(which.contains("the 2 breweries the find lists"), qPrintable(which));
        QCOMPARE(win.boxes->told, QStringList{"Wrote 2 breweries and 0 history entries to " + path});
        const Calc::Table table = Calc::parseCsv([&] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }());
        QCOMPARE(table.size(), 3);
        // In the list's order: by city, postal code, name.
        QCOMPARE(table[1].value(5), Calc::Cell("Spezial"));
        QCOMPARE(table[2].value(5), Calc::Cell("Fässla"));

        // Cancelled in the dialog: nothing written, nothing said.
        win->exporting().askOptions = [](const QString &, const ExportOptions &) { return std::optional<ExportOptions>(); };
        QFile::remove(path);
        win->exporting().action()->trigger();
        QVERIFY(!QFile::exists(path));
        QCOMPARE(win.boxes->told.size(), 1);

        // One of each is counted as one.
        win->txtFind->setText("bayreuth");
        win->applyFind();
        win->exporting().askOptions = [&](const QString &told, const ExportOptions &) {
            which = told;
            ExportOptions options;
            options.format = ExportOptions::Format::CsvReport;
            return std::optional(options);
        };
        win->exporting().action()->trigger();
        QVERIFY2(which.contains("the 1 brewery the find lists"), qPrintable(which));
        QCOMPARE(win.boxes->told.value(1), "Wrote 1 brewery and 1 history entry to " + path);
    }
};

QTEST_MAIN(MenuExportTest)
#include "tst_menuexport.moc"
