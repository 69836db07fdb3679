#include "DataGrid.h"
#include "DataSource.h"
#include "GridDriver.h"
#include "ScratchRegister.h"
#include "StoreError.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

namespace {

// A window holding one grid bound to the breweries, ordered by city.
struct BoundGrid {
    DataSource source;
    QWidget window;
    DataGrid *grid;
    QStringList failures;
    int inserted = 0;
    int rowMoves = 0;

    explicit BoundGrid(const QString &path)
    {
        auto *layout = new QVBoxLayout(&window);
        grid = new DataGrid(&window);
        layout->addWidget(grid);
        for (const char *field : {"StateName", "CityName", "BreweryName", "RowId"})
            grid->addColumn(QLatin1String(field), QLatin1String(field));
        grid->setAllowUpdate(true);
        grid->setAllowAddNew(true);
        grid->setAllowDelete(true);
        grid->events.Failed = [this](const StoreError &e) { failures << e.message(); };
        grid->events.AfterInsert = [this] { ++inserted; };
        grid->events.RowColChange = [this](int, int) { ++rowMoves; };
        new QAbstractItemModelTester(grid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest, grid);
        source.setDatabaseName(path);
        source.setRecordSource("select * from Brewery Order By CityName, CityName, CityName");
        grid->setDataSource(&source);
        source.Refresh();
        window.resize(700, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
};

} // namespace

class TestDataGrid : public QObject {
    Q_OBJECT

private slots:
    void showsRowsAndNewRowLine()
    {
        ScratchRegister reg;
        reg.addCity("Coburg");
        reg.addCity("Bamberg");
        BoundGrid g(reg.path());
        QCOMPARE(g.grid->model()->rowCount(), 3);
        QCOMPARE(GridDriver::columnTexts(*g.grid, 1, 3), QStringList({"Bamberg", "Coburg", ""}));
        QCOMPARE(g.grid->model()->headerData(2, Qt::Vertical).toString(), "*");
        g.grid->setAllowAddNew(false);
        QCOMPARE(g.grid->model()->rowCount(), 2);
    }

    void cursorAndRecordFollowEachOther()
    {
        ScratchRegister reg;
        for (const char *city : {"Aalen", "Bamberg", "Coburg", "Dachau"})
            reg.addCity(city);
        BoundGrid g(reg.path());
        GridDriver::clickCell(*g.grid, 2, 1);
        QCOMPARE(g.source.Recordset().AbsolutePosition(), 2);
        QCOMPARE(g.grid->Columns(1).Text(), "Coburg");
        QVERIFY(g.rowMoves > 0);

        // A move made by code is followed once control returns to the loop.
        g.source.Recordset().MoveLast();
        g.source.Recordset().MovePrevious();
        g.source.Recordset().MoveLast();
        QCOMPARE(g.grid->currentIndex().row(), 2);
        QTRY_COMPARE(g.grid->currentIndex().row(), 3);
        QCOMPARE(g.grid->Columns(1).Text(), "Dachau");
    }

    void editsAreStoredAtOnce()
    {
        ScratchRegister reg;
        const qint64 id = reg.addCity("Bamberg");
        BoundGrid g(reg.path());
        GridDriver::typeInto(*g.grid, 0, 2, "Schlenkerla");
        QCOMPARE(reg.sql().column(QStringLiteral("SELECT BreweryName FROM Brewery WHERE RowId = %1").arg(id)),
                 QStringList{"Schlenkerla"});
        GridDriver::typeInto(*g.grid, 0, 2, "");
        QCOMPARE(reg.sql().column("SELECT BreweryName FROM Brewery"), QStringList{""});
        QVERIFY(g.failures.isEmpty());
    }

    // A reaction that reads the rows anew while a typed value waits (here
    // another program added a brewery that sorts first) must not send the
    // value to the record that now stands in its row.
    void typedValueNeverMovesToAnotherRecord()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        BoundGrid g(reg.path());
        g.grid->events.BeforeColUpdate = [&](int, const QVariant &, bool &) {
            reg.addCity("Aachen");
            g.source.Refresh();
        };
        GridDriver::typeInto(*g.grid, 0, 2, "Schlenkerla");
        QCOMPARE(reg.sql().column("SELECT BreweryName FROM Brewery WHERE CityName = 'Aachen'"),
                 QStringList{"Brauerei"});
        QVERIFY(g.failures.isEmpty());
    }

    void permissionsAreKept()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        BoundGrid g(reg.path());
        g.grid->setAllowUpdate(false);
        QVERIFY(!(g.grid->model()->flags(g.grid->model()->index(0, 1)) & Qt::ItemIsEditable));
        QVERIFY(g.grid->model()->flags(g.grid->model()->index(1, 1)) & Qt::ItemIsEditable);
        g.grid->setAllowDelete(false);
        GridDriver::deleteRow(*g.grid, 0);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 1);
        // The key column is bound but never written.
        g.grid->setAllowUpdate(true);
        GridDriver::typeInto(*g.grid, 0, 3, "999");
        QCOMPARE(g.failures.size(), 1);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery WHERE RowId = 999"), 0);
    }

    void newRowIsHeldUntilTheCursorLeaves()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        BoundGrid g(reg.path());
        GridDriver::typeInto(*g.grid, 1, 1, "Zeil");
        QCOMPARE(g.grid->AddNewMode(), int(DataGrid::AddNewPending));
        QCOMPARE(g.grid->model()->rowCount(), 3);
        GridDriver::typeInto(*g.grid, 1, 2, "Göller");
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 1);
        QCOMPARE(g.inserted, 0);

        GridDriver::clickCell(*g.grid, 0, 1);
        QCOMPARE(g.inserted, 1);
        QCOMPARE(g.grid->AddNewMode(), int(DataGrid::NoAddNew));
        QCOMPARE(reg.sql().rows("SELECT CityName, BreweryName, StateName FROM Brewery WHERE CityName = 'Zeil'"),
                 QList<QStringList>({{"Zeil", "Göller", "<null>"}}));
        QCOMPARE(g.grid->model()->rowCount(), 3);
        QCOMPARE(GridDriver::columnTexts(*g.grid, 1, 3), QStringList({"Bamberg", "Zeil", ""}));
    }

    void escapeDropsTheNewRow()
    {
        ScratchRegister reg;
        BoundGrid g(reg.path());
        GridDriver::typeInto(*g.grid, 0, 1, "Zeil");
        QCOMPARE(g.grid->model()->rowCount(), 2);
        QTest::keyClick(g.grid, Qt::Key_Escape);
        QCOMPARE(g.grid->model()->rowCount(), 1);
        QCOMPARE(g.grid->AddNewMode(), int(DataGrid::AddNewCurrent));
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 0);
    }

    void deleteKeyOnASelectedRow()
    {
        ScratchRegister reg;
        for (const char *city : {"Aalen", "Bamberg", "Coburg"})
            reg.addCity(city);
        BoundGrid g(reg.path());
        int asked = 0;
        bool refuse = true;
        g.grid->events.BeforeDelete = [&](bool &cancel) {
            ++asked;
            cancel = refuse;
        };
        GridDriver::deleteRow(*g.grid, 1);
        QCOMPARE(asked, 1);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 3);
        refuse = false;
        GridDriver::deleteRow(*g.grid, 1);
        QCOMPARE(reg.sql().column("SELECT CityName FROM Brewery ORDER BY RowId"), QStringList({"Aalen", "Coburg"}));
        QCOMPARE(GridDriver::columnTexts(*g.grid, 1, 2), QStringList({"Aalen", "Coburg"}));
        QCOMPARE(g.source.Recordset().AbsolutePosition(), 1);

        // Without its selector chosen, Delete is an ordinary key.
        GridDriver::clickCell(*g.grid, 0, 1);
        QTest::keyClick(g.grid, Qt::Key_Delete);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 2);
    }

    void failedDeleteKeepsEverything()
    {
        ScratchRegister reg;
        const qint64 id = reg.addCity("Bamberg");
        reg.addChronik(id, {"Eintrag"});
        BoundGrid g(reg.path());
        g.grid->events.BeforeDelete = [&](bool &cancel) {
            g.source.file().exec("DELETE FROM BreweryChronik");
            cancel = false;
        };
        reg.sql().exec("CREATE TRIGGER refuse BEFORE DELETE ON Brewery BEGIN SELECT RAISE(ABORT, 'refused'); END");
        GridDriver::deleteRow(*g.grid, 0);
        QCOMPARE(g.failures.size(), 1);
        QVERIFY(g.failures.first().contains("refused"));
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik"), 1);
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery"), 1);
        QCOMPARE(g.grid->model()->rowCount(), 2);
    }

    void rowsBookmarksAndScrolling()
    {
        ScratchRegister reg;
        BoundGrid empty(reg.path());
        QVERIFY(empty.grid->FirstRow().isNull());
        for (int i = 0; i < 200; ++i)
            reg.addCity(QStringLiteral("Stadt %1").arg(i, 3, 10, QLatin1Char('0')));
        BoundGrid g(reg.path());
        QCOMPARE(g.grid->FirstRow().toInt(), 1);
        QCOMPARE(g.grid->Row(), 0);
        g.grid->Scroll(0, 50);
        QCOMPARE(g.grid->FirstRow().toInt(), 51);
        QCOMPARE(g.grid->RowBookmark(0), 51);
        QCOMPARE(g.grid->Row(), -1); // the current row is out of view
        g.grid->setRow(2);
        QCOMPARE(g.grid->currentIndex().row(), 52);
        QCOMPARE(g.source.Recordset().AbsolutePosition(), 52);
        QCOMPARE(g.grid->Row(), 2);
        g.grid->Refresh();
        QCOMPARE(g.grid->FirstRow().toInt(), 1);
    }

    void columnsInTwips()
    {
        ScratchRegister reg;
        BoundGrid g(reg.path());
        // Narrower than its columns, the grid gives each what its caption
        // needs and no more than its width; wide enough, the width itself.
        g.window.resize(150, 400);
        GridColumn column = g.grid->Columns(1);
        column.setWidth(1500);
        QCOMPARE(column.Width(), 1500);
        QVERIFY(g.grid->columnWidth(1) < 100);
        QVERIFY(g.grid->columnWidth(1) >= g.grid->horizontalHeader()->sectionSizeHint(1));
        g.window.resize(2000, 400);
        column.setWidth(1500);
        QVERIFY(g.grid->columnWidth(1) >= 100);
        column.setVisible(false);
        QVERIFY(g.grid->isColumnHidden(1));
        column.setAllowSizing(false);
        QCOMPARE(g.grid->horizontalHeader()->sectionResizeMode(1), QHeaderView::Fixed);
        column.setCaption("ORT");
        QCOMPARE(g.grid->model()->headerData(1, Qt::Horizontal).toString(), "ORT");
        column.setAlignment(GridColumn::Center);
        QCOMPARE(g.grid->model()->index(0, 1).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    }
};

QTEST_MAIN(TestDataGrid)
#include "tst_datagrid.moc"
