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

    // The label gets its text back after any step that showed progress,
    // even one that never came past 0 %; a text the step's own work wrote
    // into it meanwhile stands.
    void labelGivenBack_data()
    {
        QTest::addColumn<qint64>("done");
        QTest::addColumn<QString>("writtenByTheWork");
        QTest::addColumn<QString>("after");
        QTest::addRow("progress shown") << qint64(40) << QString() << "Register: x.mdb";
        QTest::newRow("only 0 % shown") << qint64(0) << QString() << "Register: x.mdb";
        QTest::addRow("the work's own text") << qint64(40) << "Done Loading " << "Done Loading ";
    }
    void labelGivenBack()
    {
        QFETCH(qint64, done);
        QFETCH(QString, writtenByTheWork);
        QFETCH(QString, after);
        QWidget window;
        auto *label = new QLabel(QStringLiteral("Register: x.mdb"), &window);
        {
            BusyStep step(label, QStringLiteral("Loading Data"));
            reportLater(step, done, 100);
            QCOMPARE(label->text(), QStringLiteral("Loading Data %1 %").arg(done));
            if (!writtenByTheWork.isEmpty())
                label->setText(writtenByTheWork);
        }
        QCOMPARE(label->text(), after);
    }

    // What arrives while a step runs waits for its end, then runs once.
    void workWaitsForTheStep()
    {
        QObject context;
        int ran = 0;
        {
            BusyStep outer(nullptr, QString());
            {
                BusyStep inner(nullptr, QString());
                BusyStep::whenIdle(&context, [&] { ++ran; });
            }
            QCoreApplication::processEvents();
            QCOMPARE(ran, 0);
        }
        QTRY_COMPARE(ran, 1);
        BusyStep::whenIdle(&context, [&] { ++ran; });
        QCOMPARE(ran, 2);
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
