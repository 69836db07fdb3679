#include "GridDriver.h"
#include "RecordsetModel.h"
#include "RuleSwitches.h"
#include "ScratchRegister.h"
#include "ShownWindow.h"

#include <QLabel>
#include <QSettings>
#include <QTest>

class ValueNotesTest : public QObject {
    Q_OBJECT

private slots:
    // Typed values stand as typed; the bottom line and a mark on the cell
    // say what the register notes of them, until they are corrected.
    void noteAsYouType_data()
    {
        QTest::addColumn<bool>("history");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("corrected");
        QTest::addRow("stop before start") << false << 7 << "1200" << "StopYear" << "+Jahr 1200 lies before *Jahr 1850"
                                           << "1900";
        QTest::addRow("postal code") << false << 2 << "9609x1" << "PostalCode"
                                     << "PLZ \"9609x1\" is neither five digits nor a four-digit code of before 1993"
                                     << "96047";
        QTest::addRow("history entry's year") << true << 3 << "abc" << "StartYear" << "*Jahr \"abc\" is not a year"
                                              << "1862";
    }
    void noteAsYouType()
    {
        QFETCH(bool, history);
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QString, field);
        QFETCH(QString, note);
        QFETCH(QString, corrected);
        ScratchRegister reg;
        const qint64 key = reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B2", "Spezial", "1850", ""});
        reg.addChronik(key, {"Brauerei Spezial", "B2a", "Spezial", "1850", "1900"});
        ShownWindow win(reg.dir());
        DataGrid &grid = history ? *win->grdChronik : *win->grdBrauerien;
        const QString table = history ? "BreweryChronik" : "Brewery";
        const auto stored = [&] { return reg.sql().column(QString("SELECT %1 FROM %2").arg(field, table)).value(0); };
        const auto mark = [&] { return grid.model()->index(0, column).data(RecordsetModel::NoteRole).toString(); };

        GridDriver::typeInto(grid, 0, column, typed);
        QCOMPARE(stored(), typed);
        QCOMPARE(win->lblMessage->text(), note);
        QCOMPARE(mark(), note);
        QVERIFY(grid.model()->index(0, column).data(Qt::ToolTipRole).toString().contains(note));

        GridDriver::typeInto(grid, 0, column, corrected);
        QCOMPARE(stored(), corrected);
        QVERIFY(win->lblMessage->text().startsWith("Register: "));
        QCOMPARE(mark(), QString());
        QVERIFY2(win.boxes->failures.isEmpty(), qPrintable(win.boxes->failures.join('|')));
    }

    // A rule switched off in the check window notes nothing as you type.
    void aRuleSwitchedOffIsQuiet()
    {
        ScratchRegister reg;
        reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B2", "Spezial", "1850", ""});
        QSettings settings(reg.dir() + "/settings.ini", QSettings::IniFormat);
        RuleSwitches(&settings).set(Finding::Rule::StopBeforeStart, false);
        ShownWindow win(reg.dir(), &settings);
        GridDriver::typeInto(*win->grdBrauerien, 0, 7, "1200");
        QCOMPARE(reg.sql().column("SELECT StopYear FROM Brewery").value(0), "1200");
        QCOMPARE(win->grdBrauerien->model()->index(0, 7).data(RecordsetModel::NoteRole).toString(), QString());
        QVERIFY(win->lblMessage->text().startsWith("Register: "));
    }
};

QTEST_MAIN(ValueNotesTest)
#include "tst_valuenotes.moc"
