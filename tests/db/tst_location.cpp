// Which register the programs open, and the backups made of it.
#include "DatabasePath.h"
#include "FileBytes.h"
#include "RegisterBackup.h"
#include "RegisterFile.h"
#include "RegisterLocation.h"
#include "ScratchRegister.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <thread>

namespace {

QStringList backupsOf(const QString &registerPath)
{
    return QDir(BackupFolder(registerPath)).entryList({"*.mdb"}, QDir::Files, QDir::Name);
}

// Lets the file clock move on, so that a change made now is newer than
// the backup made a moment ago.
void touchLater(ScratchRegister &reg, const QString &city)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    reg.addCity(city);
}

} // namespace

class TestLocation : public QObject {
    Q_OBJECT

private slots:
    void registerLocation_data()
    {
        QTest::addColumn<bool>("given");
        QTest::addColumn<bool>("besideProgram");
        QTest::addColumn<QString>("expected"); // relative to the scratch folder
        QTest::addRow("path given") << true << true << "elsewhere/mine.mdb";
        QTest::addRow("register beside the program") << false << true << "build/src/app/Sudregister2K.mdb";
        QTest::addRow("neither: the user's data folder") << false << false << "home/share/Sudregister/Sudregister2K.mdb";
    }
    void registerLocation()
    {
        QFETCH(bool, given);
        QFETCH(bool, besideProgram);
        QFETCH(QString, expected);
        QTemporaryDir root;
        const QString program = root.filePath("build/src/app");
        const QString userData = root.filePath("home/share/Sudregister");
        QVERIFY(QDir().mkpath(program));
        if (besideProgram)
            QVERIFY(!writeBytes(DatabasePath(program), "").isEmpty());
        const QString chosen = ChooseRegister(given ? root.filePath("elsewhere/mine.mdb") : QString(), program, userData);
        QCOMPARE(chosen, root.filePath(expected));
        QCOMPARE(QFileInfo::exists(userData), !given && !besideProgram);
    }

    // The default register is not in the build tree: removing the build
    // folder leaves it, and the next start finds it again.
    void userRegisterSurvivesTheBuildFolder()
    {
        QTemporaryDir root;
        const QString program = root.filePath("build/src/app");
        QVERIFY(QDir().mkpath(program));
        const QString path = ChooseRegister({}, program, root.filePath("home/share/Sudregister"));
        {
            auto file = RegisterFile::open(path);
            file->exec("INSERT INTO Brewery (CityName) VALUES ('Bamberg')");
        }
        QVERIFY(QDir(root.filePath("build")).removeRecursively());
        QVERIFY(QDir().mkpath(program));
        QCOMPARE(ChooseRegister({}, program, root.filePath("home/share/Sudregister")), path);
        QCOMPARE(SecondConnection(path).column("SELECT CityName FROM Brewery"), QStringList{"Bamberg"});
    }

    void backupOnlyOfAChangedRegister()
    {
        ScratchRegister reg;
        const QDateTime noon(QDate(2026, 12, 8), QTime(12, 0, 0));
        QVERIFY(BackUpIfChanged(*reg.file(), noon).made.isEmpty()); // nothing to keep yet
        touchLater(reg, "Bamberg");
        const BackupResult first = BackUpIfChanged(*reg.file(), noon);
        QCOMPARE(QFileInfo(first.made).fileName(), "Sudregister2K_2026-12-08_12-00-00.mdb");
        QVERIFY(BackUpIfChanged(*reg.file(), noon.addSecs(60)).made.isEmpty()); // unchanged since
        QCOMPARE(SecondConnection(first.made).rows("SELECT * FROM Brewery"), reg.sql().rows("SELECT * FROM Brewery"));
        QCOMPARE(SecondConnection(first.made).column("PRAGMA integrity_check"), QStringList{"ok"});

        for (int i = 1; i <= 11; ++i) {
            touchLater(reg, QStringLiteral("City %1").arg(i));
            QVERIFY(!BackUpIfChanged(*reg.file(), noon.addSecs(60 * i)).made.isEmpty());
        }
        const QStringList kept = backupsOf(reg.path());
        QCOMPARE(kept.size(), 10);
        QCOMPARE(kept.first(), "Sudregister2K_2026-12-08_12-02-00.mdb");
        QCOMPARE(kept.last(), "Sudregister2K_2026-12-08_12-11-00.mdb");
        // A backup is a register the program opens.
        QCOMPARE(RegisterFile::open(QDir(BackupFolder(reg.path())).filePath(kept.last()))->fieldsOf("Brewery").size(), 9);
    }

    void unwritableBackupFolderLeavesTheRegisterAlone()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        QVERIFY(QDir().mkpath(BackupFolder(reg.path())));
        QFile::setPermissions(BackupFolder(reg.path()), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QByteArray before = bytesOf(reg.path());
        const BackupResult result = BackUpIfChanged(*reg.file(), QDateTime::currentDateTime());
        QFile::setPermissions(BackupFolder(reg.path()), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(result.made.isEmpty());
        QVERIFY(!result.failure.isEmpty());
        QCOMPARE(bytesOf(reg.path()), before);
        QVERIFY(backupsOf(reg.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLocation)
#include "tst_location.moc"
