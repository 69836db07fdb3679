// Which register the programs open, and the backups made of it.
#include "DatabasePath.h"
#include "FileBytes.h"
#include "RegisterBackup.h"
#include "RegisterFile.h"
#include "RegisterLocation.h"
#include "ScratchRegister.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <map>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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
        QTest::addColumn<QString>("lastUsed"); // relative; "" for none
        QTest::addColumn<QString>("expected"); // relative to the scratch folder
        QTest::addRow("path given") << true << true << "kept/last.mdb" << "elsewhere/mine.mdb";
        QTest::addRow("register beside the program") << false << true << "kept/last.mdb"
                                                     << "build/src/app/Sudregister2K.mdb";
        QTest::addRow("the register used last") << false << false << "kept/last.mdb" << "kept/last.mdb";
        QTest::addRow("the one used last is gone") << false << false << "kept/gone.mdb"
                                                   << "home/share/Sudregister/Sudregister2K.mdb";
        QTest::addRow("neither: the user's data folder") << false << false << ""
                                                         << "home/share/Sudregister/Sudregister2K.mdb";
    }
    void registerLocation()
    {
        QFETCH(bool, given);
        QFETCH(bool, besideProgram);
        QFETCH(QString, lastUsed);
        QFETCH(QString, expected);
        QTemporaryDir root;
        const QString program = root.filePath("build/src/app");
        const QString userData = root.filePath("home/share/Sudregister");
        QVERIFY(QDir().mkpath(program));
        QVERIFY(QDir().mkpath(root.filePath("kept")));
        QVERIFY(!writeBytes(root.filePath("kept/last.mdb"), "").isEmpty());
        if (besideProgram)
            QVERIFY(!writeBytes(DatabasePath(program), "").isEmpty());
        const QString chosen = ChooseRegister(given ? root.filePath("elsewhere/mine.mdb") : QString(), program, userData,
                                              lastUsed.isEmpty() ? QString() : root.filePath(lastUsed));
        QCOMPARE(chosen, root.filePath(expected));
        QCOMPARE(QFileInfo::exists(userData), expected.startsWith("home/"));
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

    // Two registers in one folder: each has its own backups, judged and
    // kept by their own kind; with two backups, "changed" means changed
    // since the newest.
    void backupsPerRegister()
    {
        ScratchRegister reg; // Sudregister2K.mdb
        const QString other = QDir(reg.dir()).filePath("b.mdb");
        auto b = RegisterFile::open(other);
        b->exec("INSERT INTO Brewery (CityName) VALUES ('Bayreuth')");
        const QDateTime noon(QDate(2026, 12, 8), QTime(12, 0, 0));
        touchLater(reg, "Bamberg");
        QVERIFY(!BackUpIfChanged(*reg.file(), noon).made.isEmpty());
        QCOMPARE(QFileInfo(BackUpIfChanged(*b, noon.addSecs(60)).made).fileName(), "b_2026-12-08_12-01-00.mdb");
        touchLater(reg, "Coburg");
        QVERIFY(!BackUpIfChanged(*reg.file(), noon.addSecs(120)).made.isEmpty());
        QVERIFY(BackUpIfChanged(*reg.file(), noon.addSecs(180)).made.isEmpty());
        for (int i = 1; i <= 10; ++i) {
            touchLater(reg, QStringLiteral("City %1").arg(i));
            QVERIFY(!BackUpIfChanged(*reg.file(), noon.addSecs(600 + 60 * i)).made.isEmpty());
        }
        const QStringList kept = backupsOf(reg.path());
        QCOMPARE(kept.filter(QRegularExpression("^Sudregister2K_")).size(), 10);
        QCOMPARE(kept.filter(QRegularExpression("^b_")), QStringList{"b_2026-12-08_12-01-00.mdb"});
    }

    // Registers whose names differ only in their suffix, or hold
    // characters a pattern would read: each is judged and kept by its own
    // backups, found by their exact names.
    void backupsKnowTheirRegisterByName()
    {
        ScratchRegister reg;
        const QDateTime noon(QDate(2026, 12, 8), QTime(12, 0, 0));
        std::map<QString, std::shared_ptr<RegisterFile>> files;
        for (const QString name : {"x.mdb", "x.db", "x[1].mdb", "x"}) {
            files[name] = RegisterFile::open(QDir(reg.dir()).filePath(name));
            files[name]->exec("INSERT INTO Brewery (CityName) VALUES ('Bayreuth')");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QCOMPARE(QFileInfo(BackUpIfChanged(*files["x.mdb"], noon).made).fileName(), "x_2026-12-08_12-00-00.mdb");
        // Changed before x.mdb's backup, x.db still gets its own.
        QCOMPARE(QFileInfo(BackUpIfChanged(*files["x.db"], noon.addSecs(60)).made).fileName(),
                 "x_2026-12-08_12-01-00.db");
        QCOMPARE(QFileInfo(BackUpIfChanged(*files["x"], noon.addSecs(60)).made).fileName(), "x_2026-12-08_12-01-00");
        QVERIFY(!BackUpIfChanged(*files["x[1].mdb"], noon).made.isEmpty());
        QVERIFY(BackUpIfChanged(*files["x[1].mdb"], noon.addSecs(60)).made.isEmpty()); // unchanged since
        for (int i = 1; i <= 10; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            files["x.mdb"]->exec("INSERT INTO Brewery (CityName) VALUES ('Coburg')");
            QVERIFY(!BackUpIfChanged(*files["x.mdb"], noon.addSecs(600 + 60 * i)).made.isEmpty());
        }
        const QStringList kept = QDir(BackupFolder(reg.path())).entryList(QDir::Files, QDir::Name);
        QCOMPARE(kept.filter(QRegularExpression("\\.mdb$")).size(), 11); // ten of x.mdb, one of x[1].mdb
        QVERIFY(kept.contains("x_2026-12-08_12-01-00.db"));
        QVERIFY(kept.contains("x_2026-12-08_12-01-00"));
        QVERIFY(kept.contains("x[1]_2026-12-08_12-00-00.mdb"));
    }

    // What a program killed while it backed up or made a register left
    // behind goes at the next start; what another register or a living
    // process owns stays.
    void leftoversOfAKilledProgramGo()
    {
        ScratchRegister reg;
        const pid_t gone = fork();
        if (gone == 0)
            _exit(0);
        QVERIFY(gone > 0 && waitpid(gone, nullptr, 0) == gone);
        const QDir folder(reg.dir());
        QVERIFY(folder.mkpath("backups"));
        const QString own = QStringLiteral("%1").arg(::getpid());
        const QStringList leftovers{"backups/Sudregister2K_2026-12-08_12-00-00.mdb.partial",
                                    "brandnew.mdb.new-" + QString::number(gone),
                                    "brandnew.mdb.sudregister-new-" + QString::number(gone) + "-journal"};
        const QStringList others{"backups/b_2026-12-08_12-00-00.mdb.partial", "made.mdb.sudregister-new-" + own,
                                 "notes.new-" + QString::number(gone)};
        for (const QString &name : leftovers + others) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        RemoveUnfinishedBackups(reg.path());
        RegisterFile::removeAbandonedScratch(reg.dir());
        for (const QString &name : leftovers)
            QVERIFY2(!folder.exists(name), qPrintable(name));
        for (const QString &name : others)
            QVERIFY2(folder.exists(name), qPrintable(name));
    }

    // A register another program switched to WAL keeps its latest commits
    // in its "-wal" file, which alone changes: the backup holds them, and
    // a commit there counts as a change.
    void registerInWalMode()
    {
        ScratchRegister reg;
        QCOMPARE(reg.sql().column("PRAGMA journal_mode = wal"), QStringList{"wal"});
        reg.addCity("Bamberg");
        const QDateTime noon(QDate(2026, 12, 8), QTime(12, 0, 0));
        const BackupResult first = BackUpIfChanged(*reg.file(), noon);
        QCOMPARE(SecondConnection(first.made).column("SELECT CityName FROM Brewery"), QStringList{"Bamberg"});
        touchLater(reg, "Coburg");
        const BackupResult second = BackUpIfChanged(*reg.file(), noon.addSecs(60));
        QVERIFY2(!second.made.isEmpty(), qPrintable(second.failure));
        QCOMPARE(SecondConnection(second.made).column("SELECT CityName FROM Brewery ORDER BY 1"),
                 QStringList({"Bamberg", "Coburg"}));
        QCOMPARE(SecondConnection(second.made).column("PRAGMA journal_mode"), QStringList{"delete"});
    }

    // A copy counts only once it is checked; one that fails the check is
    // told as a failure and leaves nothing behind.
    void copyThatFailsItsCheck_data()
    {
        QTest::addColumn<bool>("truncated");
        QTest::addRow("a row fewer than the register held") << false;
        QTest::addRow("a damaged file") << true;
    }
    void copyThatFailsItsCheck()
    {
        QFETCH(bool, truncated);
        ScratchRegister reg;
        for (int i = 0; i < 300; ++i)
            reg.addCity(QStringLiteral("Stadt %1 mit einem langen Namen").arg(i));
        QString failure;
        std::optional<UncheckedBackup> copy = CopyIfChanged(*reg.file(), QDateTime::currentDateTime(), failure);
        QVERIFY2(copy, qPrintable(failure));
        if (truncated)
            QVERIFY(QFile::resize(copy->scratch, QFileInfo(copy->scratch).size() / 2));
        else
            ++copy->breweries;
        const BackupResult result = KeepIfSound(*copy, 10);
        QVERIFY(result.made.isEmpty());
        QVERIFY2(result.failure.startsWith("the copy"), qPrintable(result.failure));
        QCOMPARE(QDir(BackupFolder(reg.path())).entryList(QDir::Files), QStringList());
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
