#include "DatabasePath.h"
#include "RecordSource.h"
#include "Recordset.h"
#include "RegisterFile.h"
#include "ScratchRegister.h"
#include "StoreError.h"
#include "Transaction.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

class TestRegisterFile : public QObject {
    Q_OBJECT

private slots:
    void pathRule_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("path");
        QTest::addRow("plain") << "/opt/brew" << "/opt/brew/Sudregister2K.mdb";
        QTest::addRow("trailing slash") << "/opt/brew/" << "/opt/brew/Sudregister2K.mdb";
        QTest::addRow("root") << "/" << "/Sudregister2K.mdb";
    }
    void pathRule()
    {
        QFETCH(QString, dir);
        QFETCH(QString, path);
        QCOMPARE(DatabasePath(dir), path);
    }

    void missingFileBecomesEmptyRegister()
    {
        QTemporaryDir dir;
        const QString path = DatabasePath(dir.path());
        QVERIFY(!QFile::exists(path));
        {
            auto file = RegisterFile::open(path);
            QVERIFY(QFile::exists(path));
            Recordset breweries(file, ParseRecordSource(QStringLiteral("Brewery")));
            QCOMPARE(breweries.RecordCount(), 0);
            QVERIFY(breweries.Bof() && breweries.Eof());
        }
        // Reopening finds the register it made, and the stock tools can read
        // it: no private collation is part of the schema.
        auto again = RegisterFile::open(path);
        SecondConnection sql(path);
        QCOMPARE(sql.column("SELECT name FROM sqlite_master WHERE type = 'table' AND name LIKE 'Brewery%' ORDER BY name"),
                 QStringList({"Brewery", "BreweryChronik"}));
        QCOMPARE(sql.count("SELECT count(*) FROM sqlite_master WHERE sql LIKE '%SUDREGISTER%'"), 0);
        QCOMPARE(sql.count("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = 'BreweryChronik'"), 1);
    }

    void oneConnectionPerFile()
    {
        ScratchRegister reg;
        QCOMPARE(RegisterFile::open(reg.path()).get(), reg.file().get());
    }

    void refusesWhatIsNotARegister_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("otherSchema");
        QTest::addColumn<QString>("reason");
        QByteArray random(4096, '\0');
        QRandomGenerator gen(7);
        for (char &c : random)
            c = char(gen.bounded(256));
        QTest::addRow("random bytes") << random << QString() << "not a Sudregister register";
        QTest::addRow("text") << QByteArray("StateName\tCityName\nBY\tBamberg\n") << QString() << "not a Sudregister register";
        // The earlier program's register: its report is the way over.
        QTest::addRow("an Access file") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2048, '\0')
                                        << QString() << "File > Import…";
        QTest::addRow("empty file") << QByteArray() << QString() << "no table Brewery";
        QTest::addRow("another program's database") << QByteArray() << "CREATE TABLE Customer(Name TEXT)" << "no table Brewery";
        QTest::addRow("missing field")
            << QByteArray()
            << "CREATE TABLE Brewery(RowId INTEGER PRIMARY KEY, StateName, CountyName, PostalCode, IdCode, "
               "BreweryName, StartYear, StopYear); CREATE TABLE BreweryChronik(BreweryNameLong, IdCode, "
               "BreweryName, StartYear, StopYear, ParentRowId)"
            << "lacks the field(s) CityName";
        const auto withTypes = [](const QString &rowId, const QString &postal, const QString &chronikId) {
            return QStringLiteral("CREATE TABLE Brewery(RowId %1, StateName TEXT, CountyName TEXT, PostalCode %2, "
                                  "CityName TEXT, IdCode TEXT, BreweryName TEXT, StartYear TEXT, StopYear TEXT); "
                                  "CREATE TABLE BreweryChronik(ChronikId %3, BreweryNameLong TEXT, IdCode TEXT, "
                                  "BreweryName TEXT, StartYear TEXT, StopYear TEXT, ParentRowId INTEGER)")
                .arg(rowId, postal, chronikId);
        };
        QTest::addRow("RowId a plain column")
            << QByteArray() << withTypes("INTEGER", "TEXT", "INTEGER PRIMARY KEY")
            << "the column RowId (type \"INTEGER\") must be the table's INTEGER PRIMARY KEY";
        QTest::addRow("no history key")
            << QByteArray() << withTypes("INTEGER PRIMARY KEY", "TEXT", "TEXT")
            << "the column ChronikId (type \"TEXT\") must be the table's INTEGER PRIMARY KEY";
        QTest::addRow("RowId an INT key") << QByteArray() << withTypes("INT PRIMARY KEY", "TEXT", "INTEGER PRIMARY KEY")
                                          << "the column RowId (type \"INT\") must be the table's INTEGER PRIMARY KEY";
        QTest::addRow("ChronikId a TEXT key")
            << QByteArray() << withTypes("INTEGER PRIMARY KEY", "TEXT", "TEXT PRIMARY KEY")
            << "the column ChronikId (type \"TEXT\") must be the table's INTEGER PRIMARY KEY";
        QTest::addRow("RowId declared DESC")
            << QByteArray() << withTypes("INTEGER PRIMARY KEY DESC", "TEXT", "INTEGER PRIMARY KEY")
            << "in table Brewery the column RowId is not the table's own row id";
        QTest::addRow("ChronikId declared DESC")
            << QByteArray() << withTypes("INTEGER PRIMARY KEY", "TEXT", "INTEGER PRIMARY KEY DESC")
            << "in table BreweryChronik the column ChronikId is not the table's own row id";
        QTest::addRow("numeric postal code")
            << QByteArray() << withTypes("INTEGER PRIMARY KEY", "INTEGER", "INTEGER PRIMARY KEY")
            << "in table Brewery the column PostalCode has the type \"INTEGER\"";
        QTest::addRow("real year")
            << QByteArray() << withTypes("INTEGER PRIMARY KEY", "REAL", "INTEGER PRIMARY KEY")
            << "the column PostalCode has the type \"REAL\"";
    }
    void refusesWhatIsNotARegister()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, otherSchema);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = DatabasePath(dir.path());
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        if (!otherSchema.isEmpty()) {
            SecondConnection other(path);
            QVERIFY(other.exec(otherSchema));
        }
        QFile before(path);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray original = before.readAll();
        before.close();

        try {
            RegisterFile::open(path);
            QFAIL("the file was accepted");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(path), qPrintable(e.message()));
            QVERIFY2(e.message().contains(reason), qPrintable(e.message()));
        }
        QFile after(path);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), original);
        QVERIFY(!QFile::exists(path + "-journal"));
    }

    void directoryInPlaceOfTheFile()
    {
        QTemporaryDir dir;
        const QString path = DatabasePath(dir.path());
        QVERIFY(QDir().mkdir(path));
        QVERIFY_THROWS_EXCEPTION(StoreError, RegisterFile::open(path));
        QVERIFY(QFileInfo(path).isDir());
    }

    // Names that lead to no file a register can live in are told as what
    // they are, and nothing is left in the folder.
    void whatIsNoRegisterFileIsToldSo_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::addRow("a pipe") << "fifo" << "it is not a regular file";
        QTest::addRow("a loop of links") << "loop" << "it is a loop of symbolic links";
        QTest::addRow("a 250-byte name") << "long" << "its name is too long for the folder";
    }
    void whatIsNoRegisterFileIsToldSo()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QString path = dir.filePath("x.mdb");
        if (kind == "fifo") {
            QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        } else if (kind == "loop") {
            QVERIFY(QFile::link(dir.filePath("y.mdb"), path));
            QVERIFY(QFile::link(path, dir.filePath("y.mdb")));
        } else {
            path = dir.filePath(QString(246, 'L') + ".mdb");
        }
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        try {
            RegisterFile::open(path);
            QFAIL("opened");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), before);
    }

    void deletedRowIdNeverComesBack()
    {
        ScratchRegister reg;
        reg.addCity("Bamberg");
        const qint64 last = reg.addCity("Coburg");
        {
            Recordset set(reg.file(), ParseRecordSource("select * from Brewery Order By CityName"));
            set.MoveLast();
            QCOMPARE(set.Fields("RowId").Value().toLongLong(), last);
            set.Delete();
            set.AddNew();
            set.Fields("CityName").setValue("Dinkelsbühl");
            set.Update();
            QVERIFY(set.Fields("RowId").Value().toLongLong() > last);
        }
        QCOMPARE(reg.sql().count("SELECT count(*) FROM Brewery WHERE RowId = " + QString::number(last)), 0);
    }

    void transactionIsWholeOrNothing()
    {
        ScratchRegister reg;
        const qint64 id = reg.addCity("Bamberg");
        reg.addChronik(id, {"Brauerei Bamberg", "B1"});
        try {
            Transaction tx(*reg.file());
            reg.file()->exec("DELETE FROM BreweryChronik");
            throw StoreError("interrupted");
        } catch (const StoreError &) {
        }
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik"), 1);
        {
            Transaction outer(*reg.file());
            reg.file()->exec("DELETE FROM BreweryChronik");
            outer.commit();
        }
        QCOMPARE(reg.sql().count("SELECT count(*) FROM BreweryChronik"), 0);
    }
};

QTEST_GUILESS_MAIN(TestRegisterFile)
#include "tst_registerfile.moc"
