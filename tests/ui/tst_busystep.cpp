// A long step's progress: shown in its label, never running backwards,
// ending at the end, the label's text given back, a hidden window shown.
#include "BusyStep.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

namespace {

// Reports once the step is due to repaint again.
void reportLater(BusyStep &step, qint64 done, qint64 total)
{
    QTest::qSleep(120);
    step(done, total);
}

} // namespace

class TestBusyStep : public QObject {
    Q_OBJECT

private slots:
    void progressOnlyRunsForward()
    {
        QWidget window;
        auto *label = new QLabel(QStringLiteral("Register: x.mdb"), &window);
        QVERIFY(!BusyStep::running());
        {
            BusyStep step(label, QStringLiteral("Sorting the breweries"));
            QVERIFY(BusyStep::running());
            step(90, 100); // too soon after the start: nothing happens
            QCOMPARE(label->text(), QStringLiteral("Register: x.mdb"));
            QVERIFY(!window.isVisible());
            reportLater(step, 40, 100);
            QCOMPARE(label->text(), QStringLiteral("Sorting the breweries 40 %"));
            // A long step shows the window it belongs to.
            QVERIFY(window.isVisible());
            reportLater(step, 30, 100);
            QCOMPARE(label->text(), QStringLiteral("Sorting the breweries 40 %"));
            reportLater(step, 250, 200);
            QCOMPARE(label->text(), QStringLiteral("Sorting the breweries 100 %"));
        }
        QVERIFY(!BusyStep::running());
        QCOMPARE(label->text(), QStringLiteral("Register: x.mdb"));
    }

    // Timers and paints go on during a step; keyboard and mouse wait.
    void eventsRunButInputWaits()
    {
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        bool fired = false;
        QTimer::singleShot(0, &window, [&] { fired = true; });
        BusyStep step(nullptr, QString());
        reportLater(step, 1, 2);
        QVERIFY(fired);
    }
};

QTEST_MAIN(TestBusyStep)
#include "tst_busystep.moc"
