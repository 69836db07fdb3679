// The desktop tells a register by its content as well as its name, and an
// Access file of the earlier program as what it is, with the program's file
// type installed beside the desktop's own as the package installs it.
#include "RegisterFile.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestRegisterType : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_share.isValid());
        const QString packages = m_share.filePath("mime/packages");
        QVERIFY(QDir().mkpath(packages));
        QVERIFY(QFile::copy("/usr/share/mime/packages/freedesktop.org.xml", packages + "/freedesktop.org.xml"));
        QVERIFY(QFile::copy(SUDREGISTER_MIME_XML, packages + "/org.sudregister.Sudregister.mime.xml"));
        // Compiled as update-mime-database compiles it on installation: the
        // lookup then works as on the desktop.
        QCOMPARE(QProcess::execute("update-mime-database", {m_share.filePath("mime")}), 0);
        qputenv("XDG_DATA_HOME", m_share.filePath("nothing").toLocal8Bit());
        qputenv("XDG_DATA_DIRS", m_share.path().toLocal8Bit());
    }

    void typeOfAFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("type");
        QTest::addRow("the register") << "Sudregister2K.mdb" << "register" << "application/x-sudregister";
        QTest::addRow("a register named otherwise") << "Brauereien.db" << "register" << "application/x-sudregister";
        QTest::addRow("an Access file") << "Sudregister2K.mdb" << "access" << "application/vnd.ms-access";
        QTest::addRow("another SQLite file") << "notes.sqlite3" << "sqlite" << "application/vnd.sqlite3";
    }
    void typeOfAFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, type);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (kind == "register") {
            RegisterFile::open(dir.filePath("Sudregister2K.mdb"));
            if (name != "Sudregister2K.mdb")
                QVERIFY(QFile::copy(dir.filePath("Sudregister2K.mdb"), path));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(kind == "access" ? QByteArray("\x00\x01\x00\x00Standard Jet DB", 19)
                                        : QByteArray("SQLite format 3\0", 16));
            file.write(QByteArray(4096, '\0'));
        }
        QCOMPARE(QMimeDatabase().mimeTypeForFile(path).name(), type);
    }

private:
    QTemporaryDir m_share;
};

QTEST_GUILESS_MAIN(TestRegisterType)
#include "tst_registertype.moc"
