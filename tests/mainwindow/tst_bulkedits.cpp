// Changes of many rows at once from the Edit menu: each previewed cell by
// cell, written in one transaction, taken back whole by one undo, on a
// register file and on a shared register alike.
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
    });
    open();
    QVERIFY(seen);
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
                                    dialog.cmdReplace->click();
                                });
        QCOMPARE(counted, "2 values of Reg Be change:");
        QCOMPARE(cells, QStringList({"Weihenstephan: OBERBAYERN|Oberbayern", "Augustiner: Oberbayern |Oberbayern"}));
        QCOMPARE(reg.sql().column("SELECT CountyName FROM Brewery ORDER BY RowId"),
                 QStringList({"Oberbayern", "Oberbayern", "Oberfranken", "Oberbayern "}));
        QCOMPARE(win->lblMessage->text(), "Replaced 2 values of Reg Be.");
        QCOMPARE(win->dsBrewery->Recordset().RecordCount(), 2);

        // Offscreen, nothing gives the window back its focus after a dialog.
        win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(win.w.get()));
        QTest::keyClick(win->grdBrauerien, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(registerBytes(reg, kind), before);
        QCOMPARE(win->lblMessage->text(),
                 "Undone: replace of \u201Coberbayern\u201D by \u201COberbayern\u201D in Reg Be");
        QVERIFY(win.boxes->failures.isEmpty());
    }
};

QTEST_MAIN(TestBulkEdits)
#include "tst_bulkedits.moc"
