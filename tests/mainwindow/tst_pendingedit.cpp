#include "PendingEdit.h"

#include <QTest>

// What a grid holds that is not stored yet: a held cell belongs to its
// record and column only, and what replaces the rows drops everything.
class TestPendingEdit : public QObject {
    Q_OBJECT

private slots:
    void cellBelongsToItsRecordAndColumn_data()
    {
        QTest::addColumn<qint64>("key");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("held");
        QTest::addRow("the cell typed") << qint64(7) << 2 << true;
        QTest::addRow("another record") << qint64(8) << 2 << false;
        QTest::addRow("another column") << qint64(7) << 3 << false;
    }
    void cellBelongsToItsRecordAndColumn()
    {
        QFETCH(qint64, key);
        QFETCH(int, column);
        QFETCH(bool, held);
        PendingEdit edit;
        edit.openCell(7, 2, QStringLiteral("Neu"));
        QCOMPARE(edit.cell(key, column) != nullptr, held);
    }

    void storedUntilChangedAgain()
    {
        PendingEdit edit;
        edit.openCell(7, 2, QStringLiteral("Neu"));
        PendingEdit::Cell *cell = edit.cell(7, 2);
        QVERIFY(!cell->isStored());
        cell->stored = cell->text;
        QVERIFY(cell->isStored());
        cell->text = QStringLiteral("Neuer");
        QVERIFY(!cell->isStored());
    }

    void dropForgetsCellAndNewRow()
    {
        PendingEdit edit;
        edit.openCell(7, 2, QStringLiteral("Neu"));
        edit.beginNewRow(3);
        edit.newRowValue(1) = QStringLiteral("Bamberg");
        edit.setAdding(true);
        edit.drop();
        QVERIFY(!edit.cell(7, 2));
        QVERIFY(!edit.hasNewRow());
        QVERIFY(!edit.isAdding());
    }
};

QTEST_GUILESS_MAIN(TestPendingEdit)
#include "tst_pendingedit.moc"
