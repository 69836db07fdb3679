#include "CalcReader.h"
#include "CheckWindow.h"
#include "GridDriver.h"
#include "ScratchRegister.h"
#include "ShownWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>

class CheckRegisterTest : public QObject {
    Q_OBJECT

private slots:
    void findingsLeadBackToTheirBrewery()
    {
        ScratchRegister reg;
        reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B1", "Spezial", "1536", "1500"});
        const qint64 maisel = reg.addBrewery({"BY", "Ofr", "95444", "Bayreuth", "B4", "Maisel", "1887", ""});
        reg.addChronik(maisel, {"Gebr. Maisel", "B4a", "Maisel", "1887", "1900"});
        reg.addChronik(maisel, {"Maisel Bräu", "B4b", "Maisel", "1870", "1890"});
        const qint64 early = reg.sql().count("SELECT max(rowid) FROM BreweryChronik");
        ShownWindow win(reg.dir());
        CheckWindow *check = win->checkRegister();
        QTRY_VERIFY_WITH_TIMEOUT(check->cmdSaveList->isEnabled(), 20000);
        // The stop before the start, the entry before its brewery, the two
        // entries that overlap.
        QCOMPARE(check->findingCount(), 3);
        QCOMPARE(check->cboRule->itemText(0), QString("All rules (3)"));

        // Narrowed to one rule; its finding, double-clicked, makes the
        // brewery and the entry current.
        const int outside = check->cboRule->findData("History outside its brewery");
        QVERIFY(outside > 0);
        check->cboRule->setCurrentIndex(outside);
        emit check->cboRule->activated(outside);
        QCOMPARE(check->shown().rowCount(), 1);
        const QModelIndex finding = check->shown().index(0, 0);
        emit check->tblFindings->doubleClicked(finding);
        QCOMPARE(win->dsBrewery->Recordset().keyAt(win->dsBrewery->Recordset().AbsolutePosition()), maisel);
        QCOMPARE(win->dsBreweryChronik->Recordset().keyAt(win->dsBreweryChronik->Recordset().AbsolutePosition()), early);

        // The list as shown, saved as CSV.
        const QString path = reg.dir() + "/check.csv";
        QVERIFY(check->saveList(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const Calc::Table table = Calc::parseCsv(file.readAll());
        QCOMPARE(table.size(), 2);
        QCOMPARE(table[1].value(0), Calc::Cell("History outside its brewery"));
        QCOMPARE(table[1].value(1), Calc::Cell("Maisel"));

        // A brewery the find leaves out is said to be out of the list.
        win->txtFind->setText("bamberg");
        win->applyFind();
        emit check->tblFindings->doubleClicked(finding);
        QVERIFY2(win.boxes->told.value(0).contains("is not in the list"), qPrintable(win.boxes->told.join('|')));
    }
};

QTEST_MAIN(CheckRegisterTest)
#include "tst_checkregister.moc"
