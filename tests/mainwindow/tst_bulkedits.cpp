// Changes of many rows at once from the Edit menu: each previewed cell by
// cell, written in one transaction, taken back whole by one undo, on a
// register file and on a shared register alike.
#include "CalcReader.h"
#include "CheckWindow.h"
#include "CorrectionsPreview.h"
#include "FileBytes.h"
#include "MenuExport.h"
#include "MergeDialog.h"
#include "ReplaceDialog.h"
#include "ScratchRegister.h"
#include "ScriptedMessageBoxes.h"
#include "ShownWindow.h"
#include "Sudregister.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

// Both tables, every value with its storage class (quote() tells 1 from
// '1' and Null from ''; the server's columns are all text), in key order.
QList<QStringList> registerBytes(ScratchRegister &reg, RegisterKind kind)
{
    QString rows = "SELECT q(RowId), q(StateName), q(CountyName), q(PostalCode), q(CityName), q(IdCode), "
                   "q(BreweryName), q(StartYear), q(StopYear) FROM Brewery ORDER BY RowId;"
                   "SELECT q(ChronikId), q(BreweryNameLong), q(IdCode), q(BreweryName), q(StartYear), q(StopYear), "
                   "q(ParentRowId) FROM BreweryChronik ORDER BY ChronikId";
    rows.replace("q(", kind == RegisterKind::File ? "quote(" : "quote_nullable(");
    const QStringList tables = rows.split(';');
    return reg.sql().rows(tables.at(0)) + reg.sql().rows(tables.at(1));
}

// Runs `fill` on the modal dialog of type T that `open` brings up.
template <typename T>
void inDialog(const std::function<void()> &open, const std::function<void(T &)> &fill)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        seen = true;
        fill(*dialog);
        // A check that failed inside leaves the dialog open: closed, the
        // test goes on to report it.
        if (dialog->isVisible())
            dialog->reject();
    });
    open();
    QVERIFY(seen);
}

// Ctrl+Z in the window, once a dialog has closed.
void undo(ShownWindow &win)
{
    // Offscreen, nothing gives the window back its focus after a dialog.
    win->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(win.w.get()));
    QTest::keyClick(win->grdBrauerien, Qt::Key_Z, Qt::ControlModifier);
}

// Brauerei Müller and Brauhaus Mueller, a duplicate, each with two history
// entries, one of them the same in both; and Coburg.
struct Duplicate {
    qint64 mueller, brauhaus;
    explicit Duplicate(ScratchRegister &reg)
    {
        mueller = reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B1", "Brauerei Müller", "1850", ""});
        reg.addChronik(mueller, {"Müller-Bräu", "B1-1", "Müller", "1850", "1900"});
        reg.addChronik(mueller, {"Brauerei Müller", "B1-2", "Müller", "1900", ""});
        brauhaus = reg.addBrewery({"BY", "Ofr", "", "bamberg", "B7", "Brauhaus Mueller", "1852", "1990"});
        reg.addChronik(brauhaus, {"Müller-Bräu", "B1-1", "Müller", "1850", "1900"});
        reg.addChronik(brauhaus, {"Mueller KG", "B7-1", "Mueller", "1960", "1990"});
        reg.addCity("Coburg");
    }
};

// Selects the rows of both breweries and merges them through the dialog,
// which `choose` fills.
void mergeSelected(ShownWindow &win, qint64 first, qint64 second, const std::function<void(MergeDialog &)> &choose)
{
    const ::Recordset &listed = win->dsBrewery->Recordset();
    GridDriver::clickSelector(*win->grdBrauerien, listed.positionOf(first));
    GridDriver::clickSelector(*win->grdBrauerien, listed.positionOf(second), Qt::ControlModifier);
    inDialog<MergeDialog>([&] { win->findChild<QAction *>("actMerge")->trigger(); },
                          [&](MergeDialog &dialog) {
                              choose(dialog);
                              dialog.cmdMerge->click();
                          });
}

// The breweries' texts by key, each value quoted as SQL quotes it.
QMap<qint64, QStringList> breweriesOf(ScratchRegister &reg, RegisterKind kind)
{
    QMap<qint64, QStringList> breweries;
    const QList<QStringList> rows = registerBytes(reg, kind);
    for (const QStringList &row : rows.mid(0, int(reg.sql().count("SELECT count(*) FROM Brewery")))) {
        QString key = row.first();
        breweries.insert(key.remove('\'').toLongLong(), row.mid(1));
    }
    return breweries;
}

// The same of a workbook's sheet of breweries as Calc reads it; a row
// without a key under the keys to come, from `next` on.
QMap<qint64, QStringList> breweriesOf(const QString &workbook, qint64 next)
{
    QMap<qint64, QStringList> breweries;
    const Calc::Table rows = Calc::read(workbook);
    for (const QList<Calc::Cell> &row : rows.mid(1)) {
        QStringList quoted;
        for (const Calc::Cell &cell : row.mid(1))
            quoted << (cell ? "'" + QString(*cell).replace("'", "''") + "'" : QString("NULL"));
        while (quoted.size() < 8)
            quoted << "NULL";
        breweries.insert(row.first() ? row.first()->toLongLong() : next++, quoted);
    }
    return breweries;
}

} // namespace

class TestBulkEdits : public QObject {
    Q_OBJECT

private slots:
    void initTestCase_data() { addRegisterKinds(); }

    // "Oberbayern " with a blank and in capitals, over the breweries a find
    // lists: each shown before and after, written and undone as one.
    void replaceInAColumn()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        reg.addBrewery({"BY", "Oberbayern ", "80331", "München", "M1", "Augustiner", "1328", ""});
        reg.addBrewery({"BY", "OBERBAYERN", "85354", "Freising", "F1", "Weihenstephan", "1040", ""});
        reg.addBrewery({"BY", "Oberfranken", "96047", "Bamberg", "B1", "Spezial", "1536", ""});
        reg.addBrewery({"BY", "Oberbayern ", "93022", "Rosenheim", "R1", "Flötzinger", "1543", ""});
        ShownWindow win(reg);
        win->txtFind->setText("8");
        win->applyFind();
        const QList<QStringList> before = registerBytes(reg, kind);

        QString counted;
        QStringList cells;
        inDialog<ReplaceDialog>([&] { QTest::keyClick(win->grdBrauerien, Qt::Key_H, Qt::ControlModifier); },
                                [&](ReplaceDialog &dialog) {
                                    dialog.cboField->setCurrentText("Reg Be");
                                    dialog.txtFind->setText("oberbayern");
                                    dialog.txtReplacement->setText("Oberbayern");
                                    dialog.cmdPreview->click();
                                    counted = dialog.lblCount->text();
                                    const QAbstractItemModel &shown = *dialog.tblCells->model();
                                    for (int row = 0; row < shown.rowCount(); ++row)
                                        cells << shown.index(row, 1).data().toString() + ": "
                                                + shown.index(row, 3).data().toString() + "|"
                                                + shown.index(row, 4).data().toString();
                                    // What the preview shows is what is written: a field
                                    // changed after it asks for a preview again.
                                    dialog.txtReplacement->setText("Obb.");
                                    QVERIFY(!dialog.cmdReplace->isEnabled());
                                    dialog.txtReplacement->setText("Oberbayern");
                                    dialog.cmdPreview->click();
                                    dialog.cmdReplace->click();
                                });
        QCOMPARE(counted, "2 values of Reg Be change:");
        QCOMPARE(cells, QStringList({"Weihenstephan: OBERBAYERN|Oberbayern", "Augustiner: Oberbayern\u2423|Oberbayern"}));
        QCOMPARE(reg.sql().column("SELECT CountyName FROM Brewery ORDER BY RowId"),
                 QStringList({"Oberbayern", "Oberbayern", "Oberfranken", "Oberbayern "}));
        QCOMPARE(win->lblMessage->text(), "Replaced 2 values of Reg Be.");
        QCOMPARE(win->dsBrewery->Recordset().RecordCount(), 2);

        undo(win);
        QCOMPARE(registerBytes(reg, kind), before);
        QCOMPARE(win->lblMessage->text(),
                 "Undone: replace of \u201Coberbayern\u201D by \u201COberbayern\u201D in Reg Be");
        QVERIFY(win.boxes->failures.isEmpty());
    }

    // A replace over more breweries than are placed one by one reads the
    // list anew: still narrowed by the find, in its order.
    void replaceOverManyKeepsTheFoundList()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        QStringList values;
        for (int i = 300; i > 0; --i)
            values << QString("('BY', 'Ofr ', 'Ort%1', 'B%1')").arg(i, 3, 10, QLatin1Char('0'));
        QVERIFY(reg.sql().exec("INSERT INTO Brewery (StateName, CountyName, CityName, IdCode) VALUES "
                               + values.join(", ")));
        reg.addBrewery({"BY", "Ofr ", "96450", "Coburg", "C1", "Hofbräu", "1850", ""});
        ShownWindow win(reg);
        win->txtFind->setText("ort");
        win->applyFind();
        inDialog<ReplaceDialog>([&] { QTest::keyClick(win->grdBrauerien, Qt::Key_H, Qt::ControlModifier); },
                                [&](ReplaceDialog &dialog) {
                                    dialog.cboField->setCurrentText("Reg Be");
                                    dialog.txtFind->setText("Ofr ");
                                    dialog.chkExact->setChecked(true);
                                    dialog.chkWholeValue->setChecked(true);
                                    dialog.txtReplacement->setText("Oberfranken");
                                    dialog.cmdPreview->click();
                                    dialog.cmdReplace->click();
                                });
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery WHERE CountyName = 'Oberfranken'"), 300);
        QCOMPARE(reg.sql().column("SELECT CountyName FROM Brewery WHERE CityName = 'Coburg'"), QStringList{"Ofr "});
        const ::Recordset &listed = win->dsBrewery->Recordset();
        QCOMPARE(listed.RecordCount(), 300);
        QCOMPARE(win->BreweryCount(), 300);
        QCOMPARE(GridDriver::columnTexts(*win->grdBrauerien, 3, 2), QStringList({"Ort001", "Ort002"}));
    }

    // The staying brewery takes the chosen values and every history entry
    // of both, the same one once, and keeps the other's ID and name; the
    // other is gone from the register and the list. One undo brings both
    // back with their keys.
    void mergeTwoBreweries()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        const Duplicate d(reg);
        ShownWindow win(reg);
        const QList<QStringList> before = registerBytes(reg, kind);
        QString entries;
        mergeSelected(win, d.mueller, d.brauhaus, [&](MergeDialog &dialog) {
            dialog.valueOf("+Jahr", false)->click();
            entries = dialog.lblEntries->text();
        });
        QVERIFY2(entries.contains("keeps its 2 history entries and takes the other's 2 (1 the same as one it has"),
                 qPrintable(entries));
        QCOMPARE(reg.sql().rows("SELECT RowId, PostalCode, CityName, BreweryName, StartYear, StopYear FROM Brewery "
                                "WHERE CityName LIKE '%amberg'"),
                 QList<QStringList>({{QString::number(d.mueller), "96047", "Bamberg", "Brauerei Müller", "1850", "1990"}}));
        QCOMPARE(reg.sql().rows("SELECT BreweryNameLong, IdCode, StartYear, StopYear FROM BreweryChronik "
                                "WHERE ParentRowId = " + QString::number(d.mueller) + " ORDER BY IdCode"),
                 QList<QStringList>({{"Müller-Bräu", "B1-1", "1850", "1900"},
                                     {"Brauerei Müller", "B1-2", "1900", ""},
                                     {"Brauhaus Mueller", "B7", "1852", "1990"},
                                     {"Mueller KG", "B7-1", "1960", "1990"}}));
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik"), 4);
        QCOMPARE(win->dsBrewery->Recordset().RecordCount(), 2);
        QCOMPARE(win->BreweryCount(), 2);
        QCOMPARE(win.chronikNames().size(), 4);

        undo(win);
        QCOMPARE(registerBytes(reg, kind), before);
        QCOMPARE(win->dsBrewery->Recordset().RecordCount(), 3);
        QVERIFY(win.boxes->failures.isEmpty());
    }

    // Another program changes one of the two while the dialog is open:
    // nothing is merged, and the user is told what changed.
    void mergeRefusedWhenEitherChanged()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        const Duplicate d(reg);
        ShownWindow win(reg);
        mergeSelected(win, d.mueller, d.brauhaus, [&](MergeDialog &) {
            QVERIFY(reg.sql().exec("UPDATE Brewery SET CityName = 'Bamberg-Ost' WHERE CityName = 'bamberg'"));
        });
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 3);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik WHERE ParentRowId = " + QString::number(d.brauhaus)), 2);
        QCOMPARE(win.boxes->told.size(), 1);
        const QString told = win.boxes->told.first();
        QVERIFY2(told.startsWith("Nothing was merged: "), qPrintable(told));
        if (kind == RegisterKind::File)
            QCOMPARE(told, "Nothing was merged: since the breweries were read, ORT of Brauhaus Mueller is now "
                           "\u201CBamberg-Ost\u201D, was \u201Cbamberg\u201D.");
    }

    // From the check's duplicate finding: merged, the finding is gone.
    // An export corrected in LibreOffice Calc (30 names, 2 breweries added)
    // comes back as one undoable step, keys kept; a cell the register
    // changed since the export too keeps the register's value and says so.
    void correctionsFromAWorkbookEditedInCalc()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        QList<qint64> keys;
        for (int i = 1; i <= 32; ++i) {
            const QString n = QString("%1").arg(i, 2, 10, QLatin1Char('0'));
            keys << reg.addBrewery({"BY", "Ofr", "960" + n, "Bamberg", "B" + n, "Brauerei " + n, "1850", ""});
        }
        reg.addChronik(keys[0], {"Brauerei 01 GmbH", "B01-1", "Brauerei 01", "1850", "1900"});
        ShownWindow win(reg);
        const QString exported = reg.dir() + "/list.xlsx";
        win->exporting().askOptions = [](const QString &, const ExportOptions &) { return std::optional(ExportOptions()); };
        win->exporting().askPath = [&](const QString &, const QString &) { return exported; };
        win->exporting().action()->trigger();

        QTemporaryDir calc;
        const QString flat = Calc::save(exported, "fods", calc.path());
        QString xml = QString::fromUtf8(bytesOf(flat));
        const qsizetype end = xml.indexOf("</table:table>");
        QString breweries = xml.left(end);
        for (int i = 1; i <= 30; ++i) {
            const QString n = QString("%1").arg(i, 2, 10, QLatin1Char('0'));
            breweries.replace("<text:p>Brauerei " + n + "</text:p>", "<text:p>Brauhaus " + n + "</text:p>");
        }
        breweries.replace("<text:p>96031</text:p>\n     </table:table-cell>\n     <table:table-cell office:value-type=\"string\" "
                          "calcext:value-type=\"string\">\n      <text:p>Bamberg</text:p>",
                          "<text:p>96031</text:p></table:table-cell><table:table-cell office:value-type=\"string\"><text:p>Hallstadt</text:p>");
        QString added;
        for (const QString &name : QStringList{"Neue Brauerei", "Zweite Neue"}) {
            added += "<table:table-row><table:table-cell/>";
            for (const QString &text : QStringList{"BY", "Ofr", "96099", "Bamberg", "N1", name, "2020"})
                added += "<table:table-cell office:value-type=\"string\"><text:p>" + text + "</text:p></table:table-cell>";
            added += "</table:table-row>";
        }
        const qsizetype header = breweries.indexOf("</table:table-row>") + int(strlen("</table:table-row>"));
        breweries.insert(header, added);
        writeBytes(flat, (breweries + xml.mid(end)).toUtf8());
        QVERIFY(QDir().mkpath(calc.path() + "/edited"));
        const QString edited = Calc::save(flat, "xlsx", calc.path() + "/edited");

        QVERIFY(reg.sql().exec(QString("UPDATE Brewery SET CityName = 'Gaustadt' WHERE RowId = %1").arg(keys[30])));
        const QList<QStringList> before = registerBytes(reg, kind);
        QMap<qint64, QStringList> wanted = breweriesOf(edited, keys.last() + 1);
        QCOMPARE(wanted.size(), 34);
        QCOMPARE(wanted[keys[30]][3], "'Hallstadt'");
        wanted[keys[30]][3] = "'Gaustadt'";

        win.boxes->answers << MessageBoxes::Answer::Yes;
        QString summary, conflict;
        inDialog<CorrectionsPreview>([&] { win->importFiles({edited}); },
                                     [&](CorrectionsPreview &preview) {
                                         summary = preview.lblSummary->text();
                                         preview.txtFilter->setText("Gaustadt");
                                         const QAbstractItemModel &shown = *preview.tblChanges->model();
                                         QCOMPARE(shown.rowCount(), 1);
                                         for (int column = 0; column < shown.columnCount(); ++column)
                                             conflict += shown.index(0, column).data().toString() + "|";
                                         preview.cmdImport->click();
                                     });
        QCOMPARE(summary, "30 cells in 30 breweries changed, 2 breweries added, 1 conflict");
        QCOMPARE(conflict, "Brauerei 31 (B31)|ORT|Gaustadt|Hallstadt|Bamberg|conflict: take the file's|");
        QCOMPARE(breweriesOf(reg, kind), wanted);
        QCOMPARE(win->BreweryCount(), 34);
        QVERIFY(win->lblMessage->text().endsWith("1 conflict"));
        QCOMPARE(win->findChild<QAction *>("actUndo")->text(), "&Undo: corrections from list.xlsx");

        undo(win);
        QCOMPARE(registerBytes(reg, kind), before);
        QCOMPARE(win->lblMessage->text(), "Undone: corrections from list.xlsx");
        QVERIFY(win.boxes->failures.isEmpty());
    }

    void mergeFromTheCheck()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        const Duplicate d(reg);
        ShownWindow win(reg);
        CheckWindow *check = win->checkRegister();
        QTRY_VERIFY_WITH_TIMEOUT(check->cmdSaveList->isEnabled(), 20000);
        const int duplicates = check->findingCount();
        QVERIFY(duplicates > 0);
        for (int row = 0; row < check->shown().rowCount() && !check->cmdMerge->isEnabled(); ++row)
            check->tblFindings->setCurrentIndex(check->shown().index(row, 0));
        inDialog<MergeDialog>([&] { check->cmdMerge->click(); }, [](MergeDialog &dialog) { dialog.cmdMerge->click(); });
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 2);
        QCOMPARE(check->findingCount(), duplicates - 1);
        QVERIFY(!check->cmdMerge->isEnabled());
    }
};

QTEST_MAIN(TestBulkEdits)
#include "tst_bulkedits.moc"
