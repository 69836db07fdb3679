#include "CommandLine.h"

#include <QCoreApplication>
#include <QTest>

// The command line both programs share: what ends the program here and with
// which code, and what goes on to the program.
class TestParseCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { NameApplication(); }

    void endsOrGoesOn_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode"); // -1: the program goes on
        QTest::addColumn<QStringList>("files");
        QTest::addRow("nothing") << QStringList{} << -1 << QStringList{};
        QTest::addRow("one file") << QStringList{"x.mdb"} << -1 << QStringList{"x.mdb"};
        QTest::addRow("help") << QStringList{"--help"} << 0 << QStringList{};
        QTest::addRow("version") << QStringList{"--version"} << 0 << QStringList{};
        QTest::addRow("unknown option") << QStringList{"--frobnicate"} << 2 << QStringList{};
        QTest::addRow("too many files") << QStringList{"a.mdb", "b.mdb"} << 2 << QStringList{};
        QTest::addRow("an option is no file name") << QStringList{"-x"} << 2 << QStringList{};
        QTest::addRow("a file named like an option") << QStringList{"--", "-x.mdb"} << -1 << QStringList{"-x.mdb"};
    }
    void endsOrGoesOn()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QStringList, files);
        QCommandLineParser parser;
        parser.addPositionalArgument(QStringLiteral("register"), QStringLiteral("The register to open."));
        const std::optional<int> code = ParseCommandLine(parser, QStringList{"sudregister"} + arguments, 1);
        QCOMPARE(code.value_or(-1), exitCode);
        if (!code)
            QCOMPARE(parser.positionalArguments(), files);
    }
};

QTEST_GUILESS_MAIN(TestParseCommandLine)
#include "tst_parsecommandline.moc"
