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
    // Every field of the brewery as its storage class and bytes.
    QStringList storedBytes()
    {
        QStringList fields;
        for (const char *f : {"RowId", "StateName", "CountyName", "PostalCode", "CityName", "IdCode",
                               "BreweryName", "StartYear", "StopYear"})
            fields << QStringLiteral("typeof(%1) || ':' || hex(%1)").arg(QLatin1String(f));
        return scratch.sql().rows("SELECT " + fields.join(", ") + " FROM Brewery").value(0);
    }
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
        QCOMPARE(told.takeFirst().at(1).value<QList<qint64>>(), QList<qint64>{r.bamberg});
        history.redo();
        QCOMPARE(r.storedName(), QStringLiteral("Neu"));
        QCOMPARE(history.stack().index(), 1);
    }

    // A step names the breweries it changed and, when it changed history
    // entries alone, the entry to show.
    void stepsNameWhatTheyChanged()
    {
        Recording r;
        r.scratch.addChronik(r.bamberg, {"Brauerei Heller", "A"});
        const qint64 entry = r.scratch.sql().count("SELECT max(ChronikId) FROM BreweryChronik");
        r.reg.showHistoryOf(r.bamberg);
        ::Recordset &entries = r.reg.chroniks()->Recordset();
        entries.MoveFirst();
        entries.Edit();
        entries.Fields(QStringLiteral("StartYear")).setValue(QStringLiteral("1405"));
        entries.Update();
        r.setName("Neu");
        RegisterUndo &history = r.reg.history();
        QSignalSpy told(&history, &RegisterUndo::stepTaken);
        history.undo();
        history.undo();
        QCOMPARE(told.at(0).at(1).value<QList<qint64>>(), QList<qint64>{r.bamberg});
        QVERIFY(!told.at(0).at(2).value<std::optional<qint64>>());
        QCOMPARE(told.at(1).at(1).value<QList<qint64>>(), QList<qint64>{r.bamberg});
        QCOMPARE(told.at(1).at(2).value<std::optional<qint64>>(), std::optional<qint64>(entry));
    }

    // Values another program wrote: bytes that are not UTF-8, a BLOB, a
    // number where text is usual. A step writes only what it changed, and a
    // row that comes back comes back byte for byte.
    void stepsKeepValuesAsStored_data()
    {
        QTest::addColumn<bool>("deleteIt");
        QTest::addRow("edit of another field") << false;
        QTest::addRow("delete") << true;
    }
    void stepsKeepValuesAsStored()
    {
        QFETCH(bool, deleteIt);
        Recording r;
        QVERIFY(r.scratch.sql().exec("UPDATE Brewery SET CountyName = CAST(X'C328' AS TEXT), CityName = X'00FF41', "
                                     "PostalCode = 90000, StartYear = 1850.5"));
        // Counts every write of a field other than StopYear.
        QVERIFY(r.scratch.sql().exec(
            "CREATE TABLE Written (n); CREATE TRIGGER others AFTER UPDATE OF StateName, CountyName, PostalCode, "
            "CityName, IdCode, BreweryName, StartYear ON Brewery BEGIN INSERT INTO Written VALUES (1); END"));
        const QStringList asStored = r.storedBytes();
        QCOMPARE(asStored.at(2), QStringLiteral("text:C328"));
        r.reg.sortBreweries({"CityName", "CityName", "CityName"});
        ::Recordset &set = r.reg.breweries()->Recordset();
        set.MoveFirst();
        if (deleteIt) {
            set.Delete();
        } else {
            set.Edit();
            set.Fields(QStringLiteral("StopYear")).setValue(QStringLiteral("1990"));
            set.Update();
        }
        RegisterUndo &history = r.reg.history();
        history.undo();
        QCOMPARE(r.storedBytes(), asStored);
        history.redo();
        if (deleteIt) {
            QCOMPARE(r.scratch.sql().count("SELECT count(*) FROM Brewery"), 0);
            return;
        }
        QStringList edited = asStored;
        edited[8] = QStringLiteral("text:31393930");
        QCOMPARE(r.storedBytes(), edited);
        QCOMPARE(r.scratch.sql().count("SELECT count(*) FROM Written"), 0);
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
