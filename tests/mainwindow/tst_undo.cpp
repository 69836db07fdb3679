// Undo and redo of the window's changes: each kind of step taken back and
// made again leaves the register byte for byte as it was, keys included;
// a step that another program's changes would overwrite is refused whole.
#include "GridDriver.h"
#include "RecordSource.h"
#include "Recordset.h"
#include "ScratchRegister.h"
#include "ScriptedMessageBoxes.h"
#include "ShownWindow.h"
#include "Sudregister.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

using Answer = MessageBoxes::Answer;

// Every row of both tables, keys first, in key order.
QList<QStringList> registerRows(ScratchRegister &reg)
{
    return reg.sql().rows("SELECT 'B', * FROM Brewery ORDER BY RowId")
        + reg.sql().rows("SELECT 'C', * FROM BreweryChronik ORDER BY ChronikId");
}

void undo(ShownWindow &win)
{
    QTest::keyClick(win->grdBrauerien, Qt::Key_Z, Qt::ControlModifier);
}

void redo(ShownWindow &win)
{
    QTest::keyClick(win->grdBrauerien, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
}

// Bamberg with two history entries, Coburg with one.
qint64 fillRegister(ScratchRegister &reg)
{
    const qint64 bamberg = reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "BY1", "Schlenkerla", "1405", ""});
    reg.addChronik(bamberg, {"Brauerei Heller", "A", "Heller", "1405", "1900"});
    reg.addChronik(bamberg, {"Schlenkerla", "B", "Schlenkerla", "1900", ""});
    const qint64 coburg = reg.addCity("Coburg");
    reg.addChronik(coburg, {"Hofbrauhaus Coburg", "C", "Hofbrauhaus", "1850", ""});
    return bamberg;
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT

private slots:
    // Every case runs on a register file and on a shared register.
    void initTestCase_data() { addRegisterKinds(); }

    void eachStepUndoneAndRedone_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("named");
        // Fields are named by the grids' captions.
        QTest::addRow("brewery cell") << "brewery cell" << "change of ORT of brewery Schlenkerla";
        QTest::addRow("history cell") << "history cell" << "change of *Jahr of history entry Heller";
        QTest::addRow("new brewery") << "new brewery" << "new brewery Göller";
        QTest::addRow("new history entry") << "new history entry" << "new history entry Neu of brewery Schlenkerla";
        QTest::addRow("delete of an entry") << "delete entry" << "delete of history entry Heller of brewery Schlenkerla";
        QTest::addRow("delete of a brewery")
            << "delete brewery" << "delete of brewery Schlenkerla and its 2 history entries";
        QTest::addRow("delete of a brewery with one entry")
            << "delete brewery 1" << "delete of brewery Brauerei and its 1 history entry";
    }
    void eachStepUndoneAndRedone()
    {
        QFETCH(QString, step);
        QFETCH(QString, named);
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fillRegister(reg);
        ShownWindow win(reg);
        const QList<QStringList> before = registerRows(reg);
        if (step == "brewery cell") {
            GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Bamberg-Gaustadt");
        } else if (step == "history cell") {
            GridDriver::typeInto(*win->grdChronik, 0, 3, "1406");
        } else if (step == "new brewery") {
            GridDriver::typeInto(*win->grdBrauerien, 2, 5, "Göller");
            GridDriver::clickCell(*win->grdBrauerien, 0, 0);
        } else if (step == "new history entry") {
            GridDriver::typeInto(*win->grdChronik, 2, 2, "Neu");
            GridDriver::clickCell(*win->grdChronik, 0, 0);
        } else if (step == "delete entry") {
            win.boxes->answers << Answer::Yes;
            GridDriver::deleteRow(*win->grdChronik, 0);
        } else {
            win.boxes->answers << Answer::Yes;
            GridDriver::deleteRow(*win->grdBrauerien, step.endsWith(" 1") ? 1 : 0);
        }
        const QList<QStringList> after = registerRows(reg);
        QVERIFY(after != before);

        undo(win);
        QCOMPARE(registerRows(reg), before);
        QVERIFY2(win->lblMessage->text().startsWith("Undone: " + named), qPrintable(win->lblMessage->text()));
        redo(win);
        QCOMPARE(registerRows(reg), after);
        QVERIFY2(win->lblMessage->text().startsWith("Redone: " + named), qPrintable(win->lblMessage->text()));
        undo(win);
        QCOMPARE(registerRows(reg), before);
        QVERIFY(win.boxes->failures.isEmpty());
    }

    // Ctrl+Z with a brewery still in the new-row line: the brewery is stored
    // as a step of its own and that step is undone, not the one before it;
    // redo brings it back.
    void undoWithABreweryInTheNewRowLine()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fillRegister(reg);
        ShownWindow win(reg);
        GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Bamberg-Gaustadt");
        const QList<QStringList> edited = registerRows(reg);
        GridDriver::typeInto(*win->grdBrauerien, 2, 5, "Göller");
        QCOMPARE(registerRows(reg), edited); // held in its line
        undo(win);
        QCOMPARE(registerRows(reg), edited);
        QVERIFY2(win->lblMessage->text().startsWith("Undone: new brewery Göller"), qPrintable(win->lblMessage->text()));
        redo(win);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery WHERE BreweryName = 'Göller'"), 1);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery WHERE CityName = 'Bamberg-Gaustadt'"), 1);
        QVERIFY(win.boxes->failures.isEmpty());
    }

    // The brewery whose delete was undone is current again, with its
    // entries under it.
    void undoneDeleteShowsTheBreweryAgain()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fillRegister(reg);
        ShownWindow win(reg);
        win.boxes->answers << Answer::Yes;
        GridDriver::deleteRow(*win->grdBrauerien, 0);
        QTRY_COMPARE(win->lblBreweryCount->text(), "1");
        undo(win);
        QTRY_COMPARE(win->grdBrauerien->currentIndex().row(), 0);
        QTRY_COMPARE(win->grdBrauerien->Columns(3).Text(), "Bamberg");
        QTRY_COMPARE(win.chronikNames(), QStringList({"Brauerei Heller", "Schlenkerla"}));
        QTRY_COMPARE(win->lblBreweryCount->text(), "2");
    }

    // After a step only the brewery it changed moves in the list; the list
    // stands as the whole order read anew would: the German order, Null
    // first, equal keys by RowId.
    void aStepMovesItsBreweryWhereTheOrderWantsIt()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        for (const char *city : {"Zeil", "Äpfelbach", "<null>", "Bamberg", "bamberg", "Ort 10", "Ort 9", "Bamberg"})
            reg.addBrewery({"BY", "Ofr", "96047", city, "B", "Spezial", "1536", ""});
        ShownWindow win(reg);
        const auto listed = [&win] { return win->dsBrewery->Recordset().keys(); };
        // The window's file: on a shared register, its copy of the server's.
        const std::shared_ptr<RegisterFile> file = RegisterFile::open(win->dsBrewery->DatabaseName());
        const auto ordered = [&] {
            return ::Recordset(file, ParseRecordSource(win->dsBrewery->RecordSource())).keys();
        };
        QCOMPARE(listed(), ordered());
        for (int row = 0; row < 8; ++row) {
            win.boxes->answers << Answer::Yes;
            GridDriver::deleteRow(*win->grdBrauerien, row);
            undo(win);
            QTRY_COMPARE(win->lblBreweryCount->text(), "8");
            QCOMPARE(listed(), ordered());
        }
        GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Aachen");
        const std::vector<qint64> edited = ordered();
        undo(win);
        QCOMPARE(listed(), ordered());
        redo(win);
        QCOMPARE(listed(), edited);
        QVERIFY(win.boxes->failures.isEmpty());
    }

    // The delete questions preselect No: Enter alone deletes nothing.
    void deleteQuestionsPreselectNo()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fillRegister(reg);
        ShownWindow win(reg);
        GridDriver::deleteRow(*win->grdChronik, 0);
        GridDriver::deleteRow(*win->grdBrauerien, 0);
        QCOMPARE(win.boxes->asked.size(), 2);
        QCOMPARE(win.boxes->preselected, QList<Answer>({Answer::No, Answer::No}));
    }

    void refusedWhenAnotherProgramChangedTheRegister_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addRow("row changed") << "UPDATE Brewery SET CityName = 'Hallstadt' WHERE CityName = 'Bamberg-Gaustadt'";
        QTest::addRow("row deleted") << "DELETE FROM Brewery WHERE CityName = 'Bamberg-Gaustadt'";
    }
    void refusedWhenAnotherProgramChangedTheRegister()
    {
        QFETCH(QString, meanwhile);
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fillRegister(reg);
        ShownWindow win(reg);
        GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Bamberg-Gaustadt");
        QVERIFY(reg.sql().exec("DELETE FROM BreweryChronik") && reg.sql().exec(meanwhile));
        const QList<QStringList> changed = registerRows(reg);
        undo(win);
        QCOMPARE(registerRows(reg), changed);
        QCOMPARE(win.boxes->failures.size(), 1);
        const QString who = kind == RegisterKind::Shared ? "another editor" : "another program";
        QVERIFY(win.boxes->failures.first().contains("changed or deleted by " + who));
    }

    // A deleted row comes back with its own key, unless another program
    // has taken the key meanwhile: that row is never overwritten.
    void keyTakenMeanwhileIsNeverOverwritten()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fillRegister(reg);
        ShownWindow win(reg);
        win.boxes->answers << Answer::Yes;
        GridDriver::deleteRow(*win->grdChronik, 0);
        QVERIFY(reg.sql().exec("INSERT INTO BreweryChronik (ChronikId, BreweryNameLong, ParentRowId) "
                               "VALUES (1, 'Fremd', 2)"));
        const QList<QStringList> taken = registerRows(reg);
        undo(win);
        QCOMPARE(registerRows(reg), taken);
        QCOMPARE(win.boxes->failures.size(), 1);
    }

    // Inside an open cell editor the keys undo the typing, not a step.
    void editorKeepsItsOwnUndo()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fillRegister(reg);
        ShownWindow win(reg);
        GridDriver::typeInto(*win->grdBrauerien, 0, 3, "Hallstadt");
        const QList<QStringList> stored = registerRows(reg);
        GridDriver::clickCell(*win->grdBrauerien, 0, 5);
        QTest::keyClick(win->grdBrauerien, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        GridDriver::typeText(editor, "x");
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(editor->text(), "Schlenkerla");
        QCOMPARE(registerRows(reg), stored);
    }

    void mixedStepsToTheStartAndBack()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        ScratchRegister reg(kind);
        fillRegister(reg);
        ShownWindow win(reg);
        const QList<QStringList> start = registerRows(reg);
        GridDriver::typeInto(*win->grdBrauerien, 0, 5, "Heller-Trum");
        GridDriver::typeInto(*win->grdChronik, 1, 4, "2020");
        win.boxes->answers << Answer::Yes << Answer::Yes;
        GridDriver::deleteRow(*win->grdChronik, 0);
        GridDriver::typeInto(*win->grdBrauerien, 2, 3, "Zeil");
        GridDriver::clickCell(*win->grdBrauerien, 0, 0);
        GridDriver::deleteRow(*win->grdBrauerien, 1);
        const QList<QStringList> end = registerRows(reg);
        for (int i = 0; i < 5; ++i)
            undo(win);
        QCOMPARE(registerRows(reg), start);
        for (int i = 0; i < 5; ++i)
            redo(win);
        QCOMPARE(registerRows(reg), end);
        QVERIFY(win.boxes->failures.isEmpty());
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
