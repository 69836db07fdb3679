// The window's boxes: a failure met again while its box waits for the
// user is told once; another one is told.
#include "MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

class TestMessageBoxes : public QObject {
    Q_OBJECT

private slots:
    void sameFailureToldOnceWhileItsBoxStands()
    {
        QWidget window;
        QtMessageBoxes boxes(&window);
        const auto close = [] { QApplication::activeModalWidget()->close(); };
        // One step a tick, inside whichever box then stands; the text of
        // that box is noted first.
        QList<std::function<void()>> steps{[&] { boxes.critical("busy", "t"); }, [&] { boxes.critical("other", "t"); },
                                           close, close, close, close};
        QStringList stood;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || steps.isEmpty())
                return;
            stood << box->text();
            // Outside the tick: a timer never fires again inside its own.
            QTimer::singleShot(0, steps.takeFirst());
        });
        ticker.start(30);
        boxes.critical("busy", "t");
        ticker.stop();
        QCOMPARE(stood, (QStringList{"busy", "busy", "other", "busy"}));
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
