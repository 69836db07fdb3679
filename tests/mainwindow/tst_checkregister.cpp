#include "CalcReader.h"
#include "CheckWindow.h"
#include "GridDriver.h"
#include "NotDuplicates.h"
#include "ScratchRegister.h"
#include "ScriptedMessageBoxes.h"
#include "ShownWindow.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
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

    // A rule switched off and a duplicate marked as none stay quiet in
    // every later check, without a change to the register's tables.
    void switchesAndMarksAreRemembered()
    {
        ScratchRegister reg;
        reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B1", "Spezial", "1536", "1500"});
        reg.addBrewery({"BY", "Ofr", "96049", "Bamberg", "B1", "Schlenkerla", "1405", ""});
        const auto schema = [&reg] { return reg.sql().rows("SELECT sql FROM sqlite_master ORDER BY name"); };
        const auto tablesBefore = schema();
        QTemporaryDir dir;
        QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
        auto boxes = std::make_shared<ScriptedMessageBoxes>();
        const auto checked = [&] {
            auto check = std::make_unique<CheckWindow>(CheckedRegister::ofFile(reg.path()), boxes, &settings);
            [&] { QTRY_VERIFY_WITH_TIMEOUT(check->cmdSaveList->isEnabled(), 20000); }();
            return check;
        };
        const auto rules = [](const CheckWindow &check) {
            QStringList shown;
            for (int row = 0; row < check.shown().rowCount(); ++row)
                shown << check.shown().index(row, 0).data().toString();
            shown.sort();
            return shown;
        };
        const auto ruleSwitch = [](const CheckWindow &check) {
            return check.cmdRules->menu()->findChild<QAction *>("actRuleStopBeforeStart");
        };
        {
            auto check = checked();
            QCOMPARE(rules(*check), QStringList({"Duplicate", "Stop before start"}));
            // Narrowed to the rule switched off: the list widens to all.
            const int stop = check->cboRule->findData("Stop before start");
            check->cboRule->setCurrentIndex(stop);
            emit check->cboRule->activated(stop);
            ruleSwitch(*check)->toggle();
            QCOMPARE(check->cboRule->currentIndex(), 0);
            QCOMPARE(rules(*check), QStringList({"Duplicate"}));
            check->tblFindings->setCurrentIndex(check->shown().index(0, 0));
            QVERIFY(check->cmdNotDuplicate->isEnabled());
            QVERIFY(check->markNotDuplicate());
            QCOMPARE(check->shown().rowCount(), 0);
        }
        auto again = checked();
        QCOMPARE(again->shown().rowCount(), 0);
        QVERIFY(!ruleSwitch(*again)->isChecked());
        QVERIFY2(again->lblProgress->text().contains("2 more"), qPrintable(again->lblProgress->text()));
        QVERIFY(QFile::exists(NotDuplicates::fileFor(reg.path())));
        QCOMPARE(schema(), tablesBefore);
        ruleSwitch(*again)->toggle();
        QCOMPARE(rules(*again), QStringList({"Stop before start"}));
        QVERIFY2(boxes->failures.isEmpty(), qPrintable(boxes->failures.join('|')));
    }
};

QTEST_MAIN(CheckRegisterTest)
#include "tst_checkregister.moc"
