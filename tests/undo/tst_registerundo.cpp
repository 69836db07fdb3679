#include "Register.h"
#include "RegisterUndo.h"
#include "ScratchRegister.h"
#include "StoreError.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// A register open for writing with its undo history recording.
struct Recording {
    ScratchRegister scratch;
    Register reg{scratch.path()};
    qint64 bamberg = scratch.addCity("Bamberg");

    Recording()
    {
        reg.open();
        reg.sortBreweries({"CityName", "CityName", "CityName"});
        reg.history().follow(reg.file());
    }
    void setName(const QString &name)
    {
        ::Recordset &set = reg.breweries()->Recordset();
        set.MoveFirst();
        set.Edit();
        set.Fields(QStringLiteral("BreweryName")).setValue(name);
        set.Update();
    }
    QString storedName() { return scratch.sql().column("SELECT BreweryName FROM Brewery").value(0); }
};

} // namespace

// The undo history: what the window writes becomes a step, which undo and
// redo write back and again; a step another program has overtaken is
// refused whole and the history stays where it was.
class TestRegisterUndo : public QObject {
    Q_OBJECT

private slots:
    void undoAndRedoAnEdit()
    {
        Recording r;
        r.setName("Neu");
        RegisterUndo &history = r.reg.history();
        QCOMPARE(history.stack().count(), 1);
        QCOMPARE(history.stack().text(0), QStringLiteral("change of BreweryName of brewery Neu"));
        QSignalSpy told(&history, &RegisterUndo::stepTaken);
        history.undo();
        QCOMPARE(r.storedName(), QStringLiteral("Brauerei"));
        QCOMPARE(told.takeFirst().at(1).toLongLong(), r.bamberg);
        history.redo();
        QCOMPARE(r.storedName(), QStringLiteral("Neu"));
        QCOMPARE(history.stack().index(), 1);
    }

    void stepOvertakenElsewhereIsRefused_data()
    {
        QTest::addColumn<QString>("otherProgram");
        QTest::addRow("changed") << "UPDATE Brewery SET BreweryName = 'Fremd'";
        QTest::addRow("deleted") << "DELETE FROM Brewery";
    }
    void stepOvertakenElsewhereIsRefused()
    {
        QFETCH(QString, otherProgram);
        Recording r;
        r.setName("Neu");
        QVERIFY(r.scratch.sql().exec(otherProgram));
        const QStringList before = r.scratch.sql().column("SELECT BreweryName FROM Brewery");
        RegisterUndo &history = r.reg.history();
        try {
            history.undo();
            QFAIL("the undo was not refused");
        } catch (const StoreError &e) {
            QVERIFY(e.isRowChangedElsewhere());
        }
        QCOMPARE(history.stack().index(), 1);
        QCOMPARE(r.scratch.sql().column("SELECT BreweryName FROM Brewery"), before);
        // Once the row stands as the step left it again, the step goes back.
        if (otherProgram.startsWith("DELETE"))
            return;
        QVERIFY(r.scratch.sql().exec("UPDATE Brewery SET BreweryName = 'Neu'"));
        history.undo();
        QCOMPARE(r.storedName(), QStringLiteral("Brauerei"));
        QCOMPARE(history.stack().index(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRegisterUndo)
#include "tst_registerundo.moc"
