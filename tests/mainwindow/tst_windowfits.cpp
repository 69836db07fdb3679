// The window fits its desktop: in a larger font, on a screen scaled by two,
// and at its smallest, every control shows whole, inside the screen, none
// over another.
#include "RegisterWindow.h"
#include "ScratchRegister.h"
#include "ScriptedMessageBoxes.h"
#include "Sudregister.h"
#include "Twips.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QScreen>
#include <QSettings>
#include <QTest>

namespace {

QRect onScreen(const QWidget *control)
{
    return QRect(control->mapToGlobal(QPoint(0, 0)), control->size());
}

// What the user sees of the window, control by control.
void checkEveryControlShows(const RegisterWindow &window)
{
    const Sudregister &w = *window.form();
    const QRect screen = window.screen()->availableGeometry();
    QVERIFY2(screen.contains(window.frameGeometry()), "the window is larger than the screen");
    QList<QWidget *> tools;
    for (QWidget *control : w.fraToolBox->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (control->isVisibleTo(&w))
            tools << control;
    }
    QCOMPARE(tools.size(), 18);
    for (QWidget *control : tools) {
        const QByteArray name = control->objectName().toLatin1();
        QVERIFY2(onScreen(w.fraToolBox).contains(onScreen(control)), name + " lies outside the tool box");
        QVERIFY2(onScreen(&w).contains(onScreen(control)), name + " lies outside the window");
        QVERIFY2(screen.contains(onScreen(control)), name + " lies off the screen");
        for (QWidget *other : tools) {
            if (other != control)
                QVERIFY2(!control->geometry().intersects(other->geometry()),
                         name + " lies over " + other->objectName().toLatin1());
        }
        if (auto *button = qobject_cast<QPushButton *>(control)) {
            QStyleOptionButton option;
            option.initFrom(button);
            const int room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text().remove('&')) <= room, name + " is cut");
        } else if (control != w.Label3 && qobject_cast<QLabel *>(control)) {
            QVERIFY2(control->width() >= control->sizeHint().width(), name + " is cut");
        }
    }
    QVERIFY(w.Label3->height() >= w.Label3->heightForWidth(w.Label3->width()));
    for (const DataGrid *grid : {w.grdBrauerien, w.grdChronik}) {
        const int oneRow = grid->horizontalHeader()->height() + grid->verticalHeader()->defaultSectionSize();
        QVERIFY2(grid->height() > oneRow, qPrintable(grid->objectName() + " shows no row"));
        // Every column in view, none beyond the grid's right edge.
        QVERIFY2(grid->horizontalHeader()->length() <= grid->viewport()->width(),
                 qPrintable(grid->objectName() + " hides columns beyond its edge"));
    }
}

} // namespace

class TestWindowFits : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8)); }

    void everyControlShows_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("size");
        // On a screen scaled by two, a 14-point window is wider than the
        // screen's 640 pixels can show whole.
        const bool scaled = !qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR");
        for (const int points : scaled ? QList<int>{8} : QList<int>{8, 11, 14}) {
            for (const char *size : {"first", "smallest", "screen-filling"})
                QTest::addRow("%d points, %s", points, size) << points << QString::fromLatin1(size);
        }
    }
    void everyControlShows()
    {
        QFETCH(int, points);
        QFETCH(QString, size);
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), points));
        ScratchRegister reg;
        reg.addCity("Bamberg");
        RegisterWindow window(std::make_shared<ScriptedMessageBoxes>());
        QVERIFY(window.openRegister(reg.path()));
        if (size == "smallest")
            window.resize(1, 1);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // What a maximised window gets; the offscreen platform does not
        // maximise.
        if (size == "screen-filling") {
            const QRect frame = window.frameGeometry();
            const QRect inside = window.geometry();
            window.setGeometry(window.screen()->availableGeometry().marginsRemoved(
                QMargins(inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
                         frame.bottom() - inside.bottom())));
        }
        checkEveryControlShows(window);
    }

    // The edge between the grids moves where the user drags it, within
    // room for the history's captions and rows, and stays there next time.
    void splitterMovesTheEdgeBetweenTheGrids()
    {
        ScratchRegister reg;
        QSettings settings(reg.dir() + "/settings.ini", QSettings::IniFormat);
        int dragged = 0;
        {
            Sudregister w(reg.path(), std::make_shared<ScriptedMessageBoxes>(), nullptr, &settings);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            auto *splitter = w.findChild<QWidget *>("splGrids");
            QVERIFY(splitter);
            const QPoint grip(splitter->width() / 2, splitter->height() / 2);
            const int before = w.grdBrauerien->height();
            QTest::mousePress(splitter, Qt::LeftButton, {}, grip);
            QTest::mouseMove(splitter, grip - QPoint(0, 30));
            QTest::mouseRelease(splitter, Qt::LeftButton, {}, grip - QPoint(0, 30));
            dragged = w.grdBrauerien->height();
            QCOMPARE(dragged, before - 30);
            QCOMPARE(w.grdChronik->y(), w.grdBrauerien->geometry().bottom() + 1);
            QCOMPARE(w.fraToolBox->geometry().bottom(), w.height() - 1);

            QTest::mousePress(splitter, Qt::LeftButton, {}, grip);
            QTest::mouseMove(splitter, grip + QPoint(0, w.height()));
            QTest::mouseRelease(splitter, Qt::LeftButton, {}, grip + QPoint(0, w.height()));
            const QHeaderView *captions = w.grdChronik->horizontalHeader();
            QVERIFY(w.grdChronik->height() > captions->height() + 2 * w.grdChronik->verticalHeader()->defaultSectionSize());
            dragged = w.grdBrauerien->height();
            QVERIFY(w.close());
        }
        Sudregister again(reg.path(), std::make_shared<ScriptedMessageBoxes>(), nullptr, &settings);
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.grdBrauerien->height(), dragged);
    }

    // A double click on a caption's edge fits the column to what it shows.
    void doubleClickOnCaptionEdgeFitsTheColumn()
    {
        ScratchRegister reg;
        const QString id = "BY96047-99-Altstadt-Brauhaus-am-Dom-zu-Bamberg-Oberfranken-Nord";
        reg.addBrewery({"BY", "Oberfranken", "96047", "Bamberg", id, "Spezial"});
        Sudregister w(reg.path(), std::make_shared<ScriptedMessageBoxes>());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QHeaderView *header = w.grdBrauerien->horizontalHeader();
        const int needed = w.grdBrauerien->fontMetrics().horizontalAdvance(id);
        QVERIFY(header->sectionSize(4) < needed);
        const QPoint edge(header->sectionViewportPosition(4) + header->sectionSize(4) - 1, header->height() / 2);
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, edge);
        QVERIFY(header->sectionSize(4) > needed);
        QCOMPARE(w.grdBrauerien->Columns(4).Width(), toTwips(header->sectionSize(4)));
    }

    // Grown, the grids share the width between their columns, and the
    // history's columns stay under their brewery counterparts.
    void columnsShareExtraWidth()
    {
        ScratchRegister reg;
        Sudregister w(reg.path(), std::make_shared<ScriptedMessageBoxes>());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int i = 0; i < w.grdBrauerien->ColumnCount(); ++i)
            w.grdBrauerien->Columns(i).setWidth(600);
        w.SetupChronikColumns();
        const int designed = w.grdBrauerien->Columns(3).Width();
        w.resize(w.screen()->availableGeometry().width() - 40, w.height());
        QHeaderView *breweries = w.grdBrauerien->horizontalHeader();
        QHeaderView *history = w.grdChronik->horizontalHeader();
        int columns = 0;
        for (int i = 0; i < w.grdBrauerien->ColumnCount(); ++i)
            columns += twips(w.grdBrauerien->Columns(i).Width());
        const auto shownWidth = [](const QHeaderView *header) {
            int sum = 0;
            for (int i = 0; i < header->count(); ++i)
                sum += header->sectionSize(i);
            return sum;
        };
        QVERIFY(shownWidth(breweries) > columns + w.width() / 4);
        QVERIFY(shownWidth(breweries) <= breweries->width());
        QCOMPARE(w.grdBrauerien->Columns(3).Width(), designed);
        QCOMPARE(history->sectionPosition(1), breweries->sectionPosition(4));
        QCOMPARE(shownWidth(history), shownWidth(breweries));
    }
};

QTEST_MAIN(TestWindowFits)
#include "tst_windowfits.moc"
