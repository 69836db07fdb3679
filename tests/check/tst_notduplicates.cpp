#include "NotDuplicates.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

class NotDuplicatesTest : public QObject {
    Q_OBJECT

private slots:
    // Whatever else stands under the marks' name is read as no marks,
    // kept as it is, and named when a mark cannot be kept; a pipe never
    // holds the window.
    void onlyAFileOfMarksIsReadOrWritten_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("problem");
        QTest::addRow("a pipe") << "pipe" << "no file";
        QTest::addRow("a link to another file") << "link" << "link to another file";
        QTest::addRow("a folder") << "folder" << "folder";
        QTest::addRow("a file far too large") << "large" << "more than any list of marks";
    }
    void onlyAFileOfMarksIsReadOrWritten()
    {
        QFETCH(QString, what);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString marks = NotDuplicates::fileFor(dir.filePath("r.mdb"));
        const QString precious = dir.filePath("precious.txt");
        QFile other(precious);
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("1 2\n");
        other.close();
        if (what == "pipe")
            QCOMPARE(mkfifo(QFile::encodeName(marks).constData(), 0600), 0);
        else if (what == "link")
            QVERIFY(QFile::link(precious, marks));
        else if (what == "folder")
            QVERIFY(QDir().mkpath(marks));
        else {
            QFile large(marks);
            QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(qint64(65) << 20));
        }

        NotDuplicates read(dir.filePath("r.mdb"));
        QVERIFY2(read.problem().contains(problem), qPrintable(read.problem()));
        QVERIFY(!read.contains(1, 2));
        QString error;
        QVERIFY(!read.mark(3, 4, &error));
        QVERIFY2(error.contains(problem), qPrintable(error));
        QFile kept(precious);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("1 2\n"));
    }

    void aFileOfMarksIsKept()
    {
        QTemporaryDir dir;
        QString error;
        QVERIFY(NotDuplicates(dir.filePath("r.mdb")).mark(4, 3, &error));
        const NotDuplicates again(dir.filePath("r.mdb"));
        QVERIFY(again.problem().isEmpty());
        QVERIFY(again.contains(3, 4));
    }

    void aLineOfNoPairIsPassedOver()
    {
        QTemporaryDir dir;
        QFile marks(NotDuplicates::fileFor(dir.filePath("r.mdb")));
        QVERIFY(marks.open(QIODevice::WriteOnly));
        marks.write("# heading\n" + QByteArray("3 4 ").repeated(1 << 18) + "\n7 8\n5 6 9\n1 2");
        marks.close();
        const NotDuplicates read(dir.filePath("r.mdb"));
        QVERIFY(read.contains(8, 7));
        QVERIFY(read.contains(1, 2));
        QVERIFY(!read.contains(5, 6));
        QVERIFY(!read.contains(3, 4));
    }
};

QTEST_GUILESS_MAIN(NotDuplicatesTest)
#include "tst_notduplicates.moc"
