// A step on a worker thread: the window's timers and repaints go on while
// it runs, its Cancel reaches the work, and what the work throws comes back.
#include "StepBesideWindow.h"

#include <QApplication>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

namespace {

// Waits on the worker until `done` holds or `seconds` pass.
bool waitFor(const std::function<bool()> &done, int seconds = 10)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > seconds * 1000)
            return false;
        QThread::msleep(5);
    }
    return true;
}

} // namespace

class TestStepBesideWindow : public QObject {
    Q_OBJECT

private slots:
    void theWindowAnswersWhileTheWorkRuns()
    {
        QWidget window;
        auto *label = new QLabel(QStringLiteral("Register: x.mdb"), &window);
        window.show();
        // Fired only by the window's own event loop: work run on the
        // window's thread would never see it.
        std::atomic<bool> heard = false;
        QTimer::singleShot(50, &window, [&] { heard = true; });
        const bool sawTheWindow = RunBesideWindow(window, label, QStringLiteral("Exporting"), [&](StepProgress &progress) {
            progress(1, 2);
            return waitFor([&] { return heard.load(); });
        });
        QVERIFY(sawTheWindow);
        QCOMPARE(label->text(), QStringLiteral("Register: x.mdb"));
    }

    void cancelReachesTheWork_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::addRow("Cancel clicked") << false;
        QTest::addRow("Escape pressed") << true;
    }
    void cancelReachesTheWork()
    {
        QFETCH(bool, escape);
        QWidget window;
        auto *label = new QLabel(&window);
        window.show();
        // The dialog shows once the step has taken a moment, though the
        // figure stands still; its Cancel is pressed as a user would.
        QTimer press;
        connect(&press, &QTimer::timeout, &window, [&] {
            for (QWidget *shown : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QProgressDialog *>(shown);
                if (dialog && dialog->isVisible() && escape)
                    QTest::keyClick(dialog, Qt::Key_Escape);
                else if (dialog && dialog->isVisible())
                    QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
            }
        });
        press.start(50);
        const bool stopped = RunBesideWindow(window, label, QStringLiteral("Exporting"), [](StepProgress &progress) {
            return waitFor([&] { return !progress(1, 10); }, 3);
        });
        QVERIFY(stopped);
    }

    void whatTheWorkThrowsComesBack()
    {
        QWidget window;
        try {
            RunBesideWindow(window, nullptr, QStringLiteral("Exporting"), [](StepProgress &) -> int {
                throw std::runtime_error("disk full");
            });
            QFAIL("nothing thrown");
        } catch (const std::runtime_error &error) {
            QCOMPARE(QByteArray(error.what()), "disk full");
        }
    }
};

QTEST_MAIN(TestStepBesideWindow)
#include "tst_stepbesidewindow.moc"
