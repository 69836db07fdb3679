// The one writer of row changes, on a register file and on a shared
// register's server: what it writes for a row as stored, as shown before the
// change and as wanted after it. Values are SQL literals, so that a storage
// class shows: 1850 is an INTEGER, '1850' a TEXT, 5.0 a REAL.
#include "PgConnection.h"
#include "RegisterFile.h"
#include "RowWriter.h"
#include "ScratchRegister.h"
#include "StoreError.h"

#include <QRegularExpression>
#include <QTest>

namespace {

const QStringList Fields = {QStringLiteral("RowId"), QStringLiteral("CityName"), QStringLiteral("StartYear")};
constexpr qint64 Key = 7;

QVariant valueOf(const QString &literal)
{
    if (literal == QLatin1String("NULL"))
        return {};
    if (literal.startsWith(QLatin1Char('\'')))
        return literal.mid(1, literal.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    if (literal.contains(QLatin1Char('.')))
        return literal.toDouble();
    return literal.toLongLong();
}

// "1850, 'x'": the row of key 7 with its two fields; "" for no row.
std::optional<RowChange::Row> rowOf(const QString &literals)
{
    if (literals.isEmpty())
        return std::nullopt;
    RowChange::Row row{Key};
    for (const QString &literal : literals.split(QStringLiteral(", ")))
        row.push_back(valueOf(literal));
    return row;
}

// The fields the statements wrote: an UPDATE's SET, an INSERT's columns.
QString writtenBy(const QByteArrayList &statements)
{
    QStringList written;
    for (const QByteArray &sql : statements) {
        if (sql.startsWith("DELETE"))
            written << QStringLiteral("DELETE");
        else if (sql.startsWith("INSERT"))
            written << QStringLiteral("INSERT");
        else if (sql.startsWith("UPDATE")) {
            const QString set = QString::fromUtf8(sql.mid(sql.indexOf(" SET "), sql.indexOf(" WHERE ") - sql.indexOf(" SET ")));
            static const QRegularExpression field(QStringLiteral("\"(\\w+)\" ="));
            for (const auto &match : field.globalMatch(set))
                written << match.captured(1);
        }
    }
    return written.join(QLatin1Char(','));
}

} // namespace

class tst_RowWriter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase_data() { addRegisterKinds(); }

    void writesOnlyWhatDiffersOverTheRowShown_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("written"); // fields, DELETE, INSERT, "" or "refused"
        QTest::addColumn<bool>("fileOnly");   // a server's text column holds text alone

        const QString row = QStringLiteral("'Bamberg', '1850'");
        QTest::newRow("one field") << row << row << "'Bamberg', '1851'" << "StartYear" << false;
        QTest::newRow("both fields") << row << row << "'Bamberk', NULL" << "CityName,StartYear" << false;
        QTest::newRow("nothing differs") << row << row << row << "" << false;
        QTest::newRow("nothing differs, stale") << "'Bamberk', '1850'" << row << row << "refused" << false;
        QTest::newRow("changed elsewhere") << "'Bamberk', '1850'" << row << "'Bamberg', '1851'" << "refused"
                                           << false;
        QTest::newRow("empty text is no Null") << "'Bamberg', ''" << "'Bamberg', NULL"
                                               << "'Bamberg', '1851'" << "refused" << false;
        QTest::newRow("deleted elsewhere") << "" << row << "'Bamberg', '1851'" << "refused" << false;
        QTest::newRow("delete") << row << row << "" << "DELETE" << false;
        QTest::newRow("delete, changed elsewhere") << "'Bamberk', '1850'" << row << "" << "refused" << false;
        QTest::newRow("add") << "" << "" << row << "INSERT" << false;
        QTest::newRow("add, key taken") << row << "" << "'Bamberg', '1851'" << "refused" << false;
        QTest::newRow("only the class changed since") << "'Bamberg', 1850" << row << "'Bamberg', '1851'"
                                                      << "refused" << true;
        QTest::newRow("5 and 5.0") << "'Bamberg', 5.0" << "'Bamberg', 5" << "'Bamberg', 6" << "refused" << true;
        QTest::newRow("undo restores the class") << row << row << "'Bamberg', 1850" << "StartYear" << true;
        QTest::newRow("text typed over an integer") << "'Bamberg', 1850" << "'Bamberg', 1850" << row
                                                    << "StartYear" << true;
    }

    void writesOnlyWhatDiffersOverTheRowShown()
    {
        QFETCH_GLOBAL(RegisterKind, kind);
        QFETCH(QString, stored);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, written);
        QFETCH(bool, fileOnly);
        if (fileOnly && kind == RegisterKind::Shared)
            QSKIP("a text column of the server holds text alone");

        ScratchRegister scratch(kind);
        QByteArrayList statements;
        const auto logged = [&statements](RowWriter::Run run) {
            return [&statements, run](const RowWriter::Statement &statement) {
                statements << statement.sql;
                return run(statement);
            };
        };
        std::unique_ptr<RegisterFile> file;
        std::unique_ptr<PgConnection> server;
        std::optional<RowWriter> writer;
        if (kind == RegisterKind::File) {
            // Columns without a type, as another program may make them:
            // each value keeps the storage class it was written with.
            const QString path = scratch.dir() + QStringLiteral("/typeless.db");
            file = RegisterFile::openScratch(path);
            file->exec("CREATE TABLE Brewery (RowId INTEGER PRIMARY KEY AUTOINCREMENT, CityName, StartYear)");
            if (!stored.isEmpty())
                file->exec(QStringLiteral("INSERT INTO Brewery VALUES (%1, %2)").arg(Key).arg(stored).toUtf8());
            writer.emplace(RowWriter::Dialect::Sqlite, logged(file->rowRunner()));
        } else {
            server = std::make_unique<PgConnection>(SharedAddress(scratch.address()));
            if (!stored.isEmpty())
                server->exec(QStringLiteral("INSERT INTO \"Brewery\" (\"RowId\", \"CityName\", \"StartYear\") "
                                            "VALUES (%1, %2)")
                                 .arg(Key)
                                 .arg(stored)
                                 .toUtf8());
            writer.emplace(RowWriter::Dialect::Postgres, logged(server->rowRunner()));
        }
        const auto storedNow = [&] {
            if (file) {
                Cursor row = file->cached("SELECT quote(CityName) || ', ' || quote(StartYear) FROM Brewery");
                return row.step() ? row.value(0).toString() : QString();
            }
            const PgResult row = server->exec(
                "SELECT quote_nullable(\"CityName\") || ', ' || quote_nullable(\"StartYear\") FROM \"Brewery\"");
            return row.rows() ? row.value(0, 0).toString() : QString();
        };

        bool refused = false;
        try {
            const bool wrote = writer->write({QStringLiteral("Brewery"), Fields, Key, rowOf(before), rowOf(after)});
            QCOMPARE(wrote, !written.isEmpty());
        } catch (const StoreError &e) {
            QVERIFY2(e.isRowChangedElsewhere(), qPrintable(e.message()));
            refused = true;
        }
        QCOMPARE(refused ? QStringLiteral("refused") : writtenBy(statements), written);
        QCOMPARE(storedNow(), refused || written.isEmpty() ? stored : after);
    }
};

QTEST_GUILESS_MAIN(tst_RowWriter)
#include "tst_rowwriter.moc"
