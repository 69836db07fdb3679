#include "GridDriver.h"
#include "DatabasePath.h"
#include "ScratchRegister.h"
#include "ShownWindow.h"
#include "ScriptedMessageBoxes.h"
#include "SortDirection.h"
#include "StoreError.h"
#include "Sudregister.h"
#include "Twips.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QAccessible>
#include <QSettings>
#include <QStyle>
#include <QTest>

namespace {

struct Geometry {
    int top, height;
};

Geometry inTwips(const QWidget *w)
{
    return {toTwips(w->y()), toTwips(w->height())};
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    // On either kind of register, in the same German order.
    void startsOnTheSortedRegister_data() { addRegisterKinds(); }
    void startsOnTheSortedRegister()
    {
        QFETCH(RegisterKind, kind);
        ScratchRegister reg(kind);
        reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B2", "Spezial"});
        reg.addBrewery({"BY", "Ofr", "96049", "Bamberg", "B3", "Fässla"});
        reg.addBrewery({"SN", "Vogtland", "08606", "Ölsnitz", "B6", "Sternquell"});
        reg.addBrewery({"BY", "Ofr", "96047", "Bamberg", "B1", "Schlenkerla"});
        reg.addBrewery({"BY", "Ofr", "95444", "Bayreuth", "B4", "Maisel"});
        reg.addBrewery({"BY", "Ufr", "97475", "Zeil", "B7", "Göller"});
        reg.addBrewery({"BY", "Ufr", "63785", "Obernburg", "B8", "Faust"});
        reg.addBrewery({"BY", "Ofr", "96450", "Aalen", "B5", "Löwenbräu"});
        auto boxes = std::make_shared<ScriptedMessageBoxes>();
        Sudregister w(reg.address(), boxes);
        QCOMPARE(w.windowTitle(), "Sudregister Prototype Program");
        QCOMPARE(w.dsBrewery->RecordSource(), "select * from Brewery Order By CityName, PostalCode, BreweryName");
        if (kind == RegisterKind::File)
            QCOMPARE(w.dsBrewery->DatabaseName(), reg.path());
        QCOMPARE(GridDriver::columnTexts(*w.grdBrauerien, 5, 8),
                 QStringList({"Löwenbräu", "Schlenkerla", "Spezial", "Fässla", "Maisel", "Faust", "Sternquell",
                              "Göller"}));
        QCOMPARE(w.BreweryCount(), 8);
        QCOMPARE(w.lblBreweryCount->text(), "8");
        QCOMPARE(w.grdBrauerien->ApproxCount(), 9);
        QCOMPARE(w.dsBrewery->Recordset().AbsolutePosition(), 0);
        QVERIFY(w.grdChronik->isEnabled());
        QVERIFY(w.Label1->isHidden());
        QVERIFY2(boxes->failures.isEmpty(), qPrintable(boxes->failures.join('|')));
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), w.grdBrauerien);
    }

    void emptyRegisterAndFirstStart()
    {
        QTemporaryDir dir;
        QVERIFY(!QFile::exists(dir.path() + "/Sudregister2K.mdb"));
        Sudregister w(DatabasePath(dir.path()), std::make_shared<ScriptedMessageBoxes>());
        QVERIFY(QFile::exists(dir.path() + "/Sudregister2K.mdb"));
        QCOMPARE(w.BreweryCount(), 0);
        QCOMPARE(w.lblBreweryCount->text(), "0");
        QCOMPARE(w.grdBrauerien->ApproxCount(), 1);
        QCOMPARE(w.grdBrauerien->model()->rowCount(), 1); // the new-row line
    }

    void refusedRegisterStopsStartUp()
    {
        QTemporaryDir dir;
        QFile junk(dir.path() + "/Sudregister2K.mdb");
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("this is not a register, but somebody's notes");
        junk.close();
        try {
            Sudregister w(DatabasePath(dir.path()), std::make_shared<ScriptedMessageBoxes>());
            QFAIL("started on a file that is no register");
        } catch (const StoreError &e) {
            QVERIFY(e.message().contains(dir.path() + "/Sudregister2K.mdb"));
        }
    }

    void controlsAsDesigned()
    {
        ScratchRegister reg;
        Sudregister w(reg.path(), std::make_shared<ScriptedMessageBoxes>());
        QCOMPARE(w.lblTitle->text(), "Sudregister");
        QVERIFY(w.lblTitle->font().bold());
        QCOMPARE(w.lblTitle->font().pointSizeF(), 13.5);
        // Each with its access key.
        QCOMPARE(w.cmdNewBrewery->text(), "&New Brauerei");
        QCOMPARE(w.cmdReport->text(), "&Report");
        QCOMPARE(w.Label3->text(), "Left column, 'Delete' Key will delete a Brewery");
        for (QWidget *hidden : {static_cast<QWidget *>(w.cmdLoad), static_cast<QWidget *>(w.cmdSave),
                                static_cast<QWidget *>(w.cmdSort), static_cast<QWidget *>(w.cmdNotes),
                                static_cast<QWidget *>(w.txtInputFileName)})
            QVERIFY(hidden->isHidden());
        QCOMPARE(w.cmbSort1->count(), 8);
        QCOMPARE(w.cmbSort2->itemText(5), "BRAUEREI (Kürtz)(Brewery Name)");
        QVERIFY(!w.cmbSort3->isEditable());
        // The focus runs through the controls in their tab order.
        QList<QWidget *> order;
        for (QWidget *at = w.grdBrauerien; order.size() < 13; at = at->nextInFocusChain()) {
            if (at->focusPolicy() & Qt::TabFocus && !at->isHidden() && at->isVisibleTo(&w))
                order << at;
        }
        // The find field and Timeline take their places on screen.
        QCOMPARE(order, QList<QWidget *>({w.grdBrauerien, w.cboBrauereiJump, w.cmdNewBrewery, w.txtFind, w.cmdTimeline,
                                          w.cmdReport, w.grdChronik, w.cmbSort1, w.cmbSort2, w.cmbSort3, w.tglSort1,
                                          w.tglSort2, w.tglSort3}));
    }

    void arrangesControls_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("breweryHeight");
        QTest::addColumn<int>("chronikTop");
        QTest::addColumn<int>("chronikHeight");
        QTest::addColumn<int>("toolBoxTop");
        QTest::addRow("first size") << 784 << 545 << 3270 << 3765 << 2595 << 6360;
        QTest::addRow("larger") << 1000 << 700 << 4200 << 4695 << 3990 << 8685;
    }
    void arrangesControls()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, breweryHeight);
        QFETCH(int, chronikTop);
        QFETCH(int, chronikHeight);
        QFETCH(int, toolBoxTop);
        ScratchRegister reg;
        Sudregister w(reg.path(), std::make_shared<ScriptedMessageBoxes>());
        w.resize(width, height);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.size(), QSize(width, height));
        QCOMPARE(inTwips(w.lblTitle).top, 0);
        QCOMPARE(inTwips(w.grdBrauerien).top, 495);
        QCOMPARE(inTwips(w.grdBrauerien).height, breweryHeight);
        QCOMPARE(inTwips(w.grdChronik).top, chronikTop);
        QCOMPARE(inTwips(w.grdChronik).height, chronikHeight);
        QCOMPARE(inTwips(w.fraToolBox).top, toolBoxTop);
        QCOMPARE(toTwips(w.fraToolBox->width()), 12255);
        QCOMPARE(w.grdChronik->width(), width);
        QCOMPARE(w.lblTitle->width(), width);
    }

    // At the designed size, in the font in use, the tool box's texts show
    // whole: the longest sort caption, the hint and the bottom line's frame,
    // with the designed controls where they were drawn.
    void toolBoxTextsShowWhole()
    {
        ScratchRegister reg;
        Sudregister w(reg.path(), std::make_shared<ScriptedMessageBoxes>());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(toTwips(w.cmbSort3->x()), 6000);
        QVERIFY(w.cmbSort3->width() >= w.cmbSort3->sizeHint().width());
        QVERIFY(w.Label3->x() > w.cmbSort3->geometry().right());
        QVERIFY(w.Label3->height() >= w.Label3->heightForWidth(w.Label3->width()));
        for (QWidget *control : {static_cast<QWidget *>(w.Label3), static_cast<QWidget *>(w.lblMessage)}) {
            QVERIFY(w.fraToolBox->x() + control->geometry().right() < w.width());
            QVERIFY(control->geometry().bottom() < w.fraToolBox->height());
        }
    }

    void minimisedWindowKeepsItsLayout()
    {
        ScratchRegister reg;
        Sudregister w(reg.path(), std::make_shared<ScriptedMessageBoxes>());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect before = w.grdChronik->geometry();
        w.setWindowState(Qt::WindowMinimized);
        w.resize(800, 600);
        QCOMPARE(w.grdChronik->geometry(), before);
        w.setWindowState(Qt::WindowNoState);
        w.resize(800, 600);
        QCOMPARE(w.grdChronik->width(), 800);
        QCOMPARE(inTwips(w.fraToolBox).top + 1815, toTwips(600));
    }

    void columnsLineUp()
    {
        ScratchRegister reg;
        Sudregister w(reg.path(), std::make_shared<ScriptedMessageBoxes>());
        DataGrid &b = *w.grdBrauerien;
        DataGrid &c = *w.grdChronik;
        QCOMPARE(c.Columns(0).Width(), b.Columns(0).Width() + b.Columns(1).Width() + b.Columns(2).Width() + b.Columns(3).Width());
        for (int i = 1; i <= 4; ++i) {
            QCOMPARE(c.Columns(i).Width(), b.Columns(i + 3).Width());
            QCOMPARE(c.Columns(i).Caption(), b.Columns(i + 3).Caption());
        }
        QCOMPARE(c.Columns(0).Caption(), "BRAUEREI (Komplete)");
        QCOMPARE(c.Columns(0).Alignment(), int(GridColumn::Left));
        QCOMPARE(c.Columns(1).Alignment(), int(GridColumn::Center));
        QCOMPARE(c.horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
        QCOMPARE(c.horizontalHeader()->sectionResizeMode(1), QHeaderView::Interactive);
        // The row key is bound, but neither shown nor read out.
        QCOMPARE(c.model()->columnCount(), 5);
        QCOMPARE(QAccessible::queryAccessibleInterface(&c)->tableInterface()->columnCount(), 5);
        QCOMPARE(c.Columns(5).Caption(), "ParentRowId");
        QCOMPARE(c.Columns(5).DataField(), "ParentRowId");

        const QFontMetrics metrics(w.font());
        // The sample, and the cell's own margins and grid line around it.
        const int margins = 2 * (b.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &b) + 1) + 1;
        QVERIFY(qAbs(b.Columns(0).Width() - toTwips(metrics.horizontalAdvance("BLXX") + margins)) <= 2 * TwipsPerPixel);
        QVERIFY(b.Columns(3).Width() > 3 * toTwips(metrics.horizontalAdvance("ORT")));
        QCOMPARE(b.Columns(3).DataField(), "CityName");
        QCOMPARE(b.Columns(6).Alignment(), int(GridColumn::Right));
        QCOMPARE(b.verticalHeader()->width(), c.verticalHeader()->width());
    }

    void sortKeyField_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("field");
        QTest::addRow("city") << "ORT(City)" << "CityName";
        QTest::addRow("umlaut caption") << "BRAUEREI (Kürtz)(Brewery Name)" << "BreweryName";
        QTest::addRow("end year") << "+Jahr(End Year)" << "StopYear";
        QTest::addRow("lower case") << "ort(city)" << "";
        QTest::addRow("trailing blank") << "ORT(City) " << "";
        QTest::addRow("empty") << "" << "";
    }
    void sortKeyField()
    {
        QFETCH(QString, caption);
        QFETCH(QString, field);
        QCOMPARE(Sudregister::SortKeyField(caption), field);
    }

    void sortsOnlyFromTheFocusedList_data() { addRegisterKinds(); }
    void sortsOnlyFromTheFocusedList()
    {
        QFETCH(RegisterKind, kind);
        ScratchRegister reg(kind);
        reg.addBrewery({"BY", "", "2", "Aalen", "ID-2", "Zwei"});
        reg.addBrewery({"BY", "", "1", "Bamberg", "ID-1", "Eins"});
        Sudregister w(reg.address(), std::make_shared<ScriptedMessageBoxes>());
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        // A selection made from code while the grid has the focus: no sort.
        w.SelectEntry(w.cmbSort1, 4);
        QCOMPARE(w.cmbSort1->currentText(), "ID(ID)");
        QCOMPARE(w.dsBrewery->RecordSource(), "select * from Brewery Order By CityName, PostalCode, BreweryName");

        // The user picks a key in the focused list: the list re-sorts at once,
        // and picks up the other lists' texts as they stand.
        w.cmbSort2->setFocus();
        QTest::keyClick(w.cmbSort2, Qt::Key_Down);
        QCOMPARE(w.cmbSort2->currentText(), "ORT(City)");
        QCOMPARE(w.dsBrewery->RecordSource(), "select * from Brewery Order By IdCode, CityName, BreweryName");
        QCOMPARE(GridDriver::columnTexts(*w.grdBrauerien, 5, 2), QStringList({"Eins", "Zwei"}));

        w.cmbSort1->setFocus();
        QTest::keyClick(w.cmbSort1, Qt::Key_Up);
        QCOMPARE(w.dsBrewery->RecordSource(), "select * from Brewery Order By CityName, CityName, BreweryName");
        QCOMPARE(GridDriver::columnTexts(*w.grdBrauerien, 5, 2), QStringList({"Zwei", "Eins"}));
    }

    // The window opens as its user left it: size, column widths and sort
    // keys; the first time, with nothing remembered, as designed.
    void remembersHowItWasLeft()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        QSettings settings(reg.dir() + "/settings.ini", QSettings::IniFormat);
        {
            Sudregister w(reg.path(), std::make_shared<ScriptedMessageBoxes>(), nullptr, &settings);
            QCOMPARE(w.width(), twips(11760));
            QCOMPARE(w.dsBrewery->RecordSource(), "select * from Brewery Order By CityName, PostalCode, BreweryName");
            w.show();
            QVERIFY(QTest::qWaitForWindowActive(&w));
            w.resize(900, 640);
            w.grdBrauerien->Columns(3).setWidth(2000);
            w.grdChronik->Columns(0).setWidth(1500);
            w.cmbSort1->setFocus();
            QTest::keyClick(w.cmbSort1, Qt::Key_Down);
            QCOMPARE(w.cmbSort1->currentText(), "ID(ID)");
            QVERIFY(w.close());
        }
        Sudregister again(reg.path(), std::make_shared<ScriptedMessageBoxes>(), nullptr, &settings);
        QCOMPARE(again.size(), QSize(900, 640));
        QCOMPARE(again.grdBrauerien->Columns(3).Width(), 2000);
        QCOMPARE(again.grdChronik->Columns(0).Width(), 1500);
        QCOMPARE(again.dsBrewery->RecordSource(), "select * from Brewery Order By IdCode, PostalCode, BreweryName");
    }

    // A click on a column's caption sorts by that column first, as a
    // choice in the first sort list does.
    void columnCaptionSortsByIt_data() { addRegisterKinds(); }
    void columnCaptionSortsByIt()
    {
        QFETCH(RegisterKind, kind);
        ScratchRegister reg(kind);
        for (const qint64 brewery : {reg.addBrewery({"BY", "", "", "Aalen", "Z9"}), reg.addBrewery({"BY", "", "", "Bamberg", "A1"})}) {
            reg.addChronik(brewery, {"Zweite", "A2", "Alpha"});
            reg.addChronik(brewery, {"Erste", "A1", "Beta"});
        }
        ShownWindow win(reg);
        QHeaderView *header = win->grdBrauerien->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(4) + header->sectionSize(4) / 2, header->height() / 2));
        QCOMPARE(win->cmbSort1->currentText(), "ID(ID)");
        QCOMPARE(win->dsBrewery->RecordSource(), "select * from Brewery Order By IdCode, PostalCode, BreweryName");
        QCOMPARE(GridDriver::columnTexts(*win->grdBrauerien, 3, 2), QStringList({"Bamberg", "Aalen"}));
        QCOMPARE(header->sortIndicatorSection(), 4);

        // Again: the same key turned round, and its caption says so.
        const auto clickCaption = [](QHeaderView *captions, int column) {
            QTest::mouseClick(captions->viewport(), Qt::LeftButton, {},
                              QPoint(captions->sectionViewportPosition(column) + captions->sectionSize(column) / 2,
                                     captions->height() / 4));
        };
        clickCaption(header, 4);
        QCOMPARE(win->dsBrewery->RecordSource(), "select * from Brewery Order By IdCode DESC, PostalCode, BreweryName");
        QCOMPARE(GridDriver::columnTexts(*win->grdBrauerien, 3, 2), QStringList({"Aalen", "Bamberg"}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        QVERIFY(win->tglSort1->isDescending());
        clickCaption(header, 3);
        QCOMPARE(win->dsBrewery->RecordSource(), "select * from Brewery Order By CityName, PostalCode, BreweryName");

        // The history grid's captions order the shown brewery's entries.
        QHeaderView *history = win->grdChronik->horizontalHeader();
        QCOMPARE(GridDriver::columnTexts(*win->grdChronik, 2, 2), QStringList({"Beta", "Alpha"}));
        QCOMPARE(history->sortIndicatorSection(), 1);
        clickCaption(history, 2);
        QCOMPARE(GridDriver::columnTexts(*win->grdChronik, 2, 2), QStringList({"Alpha", "Beta"}));
        clickCaption(history, 2);
        QCOMPARE(GridDriver::columnTexts(*win->grdChronik, 2, 2), QStringList({"Beta", "Alpha"}));
        QCOMPARE(history->sortIndicatorOrder(), Qt::DescendingOrder);
        QVERIFY(win.boxes->failures.isEmpty());
    }

    // A screen reader names each control by what it is for; the lists, which
    // Qt names by their entry on Linux, tell it in their description.
    void controlsHaveSpokenNames_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("spoken");
        QTest::addRow("brewery grid") << "grdBrauerien" << "Breweries";
        QTest::addRow("history grid") << "grdChronik" << "History of the current brewery";
        QTest::addRow("jump list") << "cboBrauereiJump" << "Jump to a block of cities";
        QTest::addRow("find field") << "txtFind" << "Find breweries";
        QTest::addRow("second sort list") << "cmbSort2" << "Sort key 2";
        QTest::addRow("Report button") << "cmdReport" << "Report";
    }
    void controlsHaveSpokenNames()
    {
        QFETCH(QString, control);
        QFETCH(QString, spoken);
        ScratchRegister reg;
        reg.addCity("Bamberg");
        Sudregister w(reg.path(), std::make_shared<ScriptedMessageBoxes>());
        auto *widget = w.findChild<QWidget *>(control);
        QVERIFY(widget);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(accessible);
        const QString heard = qobject_cast<QComboBox *>(widget) ? accessible->text(QAccessible::Description)
                                                                  : accessible->text(QAccessible::Name);
        QCOMPARE(heard, spoken);
    }

    // Remembered sort keys that name no entry of the lists (another
    // version's, or edited by hand) are ignored: the window opens sorted
    // as designed.
    void unusableRememberedSortKeysAreIgnored_data()
    {
        QTest::addColumn<QVariantList>("keys");
        QTest::addRow("one past the last entry") << QVariantList{0, 8, 1};
        QTest::addRow("negative") << QVariantList{-1, 0, 1};
        QTest::addRow("not a number") << QVariantList{"ORT", 0, 1};
        QTest::addRow("two keys") << QVariantList{0, 1};
    }
    void unusableRememberedSortKeysAreIgnored()
    {
        QFETCH(QVariantList, keys);
        ScratchRegister reg;
        reg.addCity("Bamberg");
        QSettings settings(reg.dir() + "/settings.ini", QSettings::IniFormat);
        settings.setValue("window/sortKeys", keys);
        Sudregister w(reg.path(), std::make_shared<ScriptedMessageBoxes>(), nullptr, &settings);
        QCOMPARE(w.cmbSort1->count(), 8);
        QCOMPARE(w.dsBrewery->RecordSource(), "select * from Brewery Order By CityName, PostalCode, BreweryName");
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
