#include "BreweryTexts.h"
#include "DocumentPrinting.h"
#include "PdfText.h"
#include "ScriptedMessageBoxes.h"
#include "SudregisterReport.h"
#include "TablePages.h"
#include "clsBrewery.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList Captions = {"BL", "Reg Be", "PLZ", "ORT", "ID", "BRAUEREI (Kürtz)", "*Jahr", "+Jahr",
                              "BRAUEREI (Komplete)"};
const PageFrame::Heading Heading = {"Sudregister2K.mdb", "Report, sorted by ORT, ID, BRAUEREI (Kürtz)",
                                    "9. Dezember 2026"};

} // namespace

class ReportPrintTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    std::unique_ptr<SudregisterReport> report(std::vector<std::shared_ptr<clsBrewery>> breweries,
                                              std::shared_ptr<ScriptedMessageBoxes> boxes = {})
    {
        auto window = std::make_unique<SudregisterReport>(
            m_dir.path(), boxes ? boxes : std::make_shared<ScriptedMessageBoxes>());
        window->setBreweries(std::move(breweries));
        window->setPrinting(Heading, Captions, nullptr);
        return window;
    }

    QString savedPdf(SudregisterReport &window, const QString &name)
    {
        const QString path = QDir(m_dir.path()).filePath(name);
        window.printing().askPdfPath = [path](const QString &) { return path; };
        window.cmdSavePdf->click();
        return path;
    }

private slots:
    void pdfHoldsHeadingCaptionsAndEveryLineInOrder()
    {
        auto boxes = std::make_shared<ScriptedMessageBoxes>();
        auto window = report({brewery({"BY", "Oberpfalz", "92637", "Weiden", "W-1", "Löwenbräu", "1850", ""},
                                      {{"W-1a", "Löwenbräu Weiden", "1850", "1890", "Bürgerliches Brauhaus Weiden"},
                                       {"W-1b", "Weidener Löwenbräu", "1890", "", "Löwenbräu AG"}}),
                              brewery({"PL", "Śląskie", "34-300", "Żywiec", "Z-7", "Browar Żywiec", "1856", ""}),
                              brewery({"CZ", "Plzeňský", "301 00", "Plzeň", "P-2", "Plzeňský Prazdroj", "1842", ""},
                                      {{"P-2a", "Měšťanský pivovar", "1842", "1898", "Měšťanský pivovar v Plzni"}})},
                             boxes);
        const QString path = savedPdf(*window, "report.pdf");
        QCOMPARE(boxes->told.value(0), QStringLiteral("Created ") + path);

        const QString text = PdfText::text(path);
        PdfText::inOrder(text, {"Sudregister2K.mdb", "Report, sorted by ORT, ID, BRAUEREI (Kürtz)", "9. Dezember 2026"});
        PdfText::inOrder(text, Captions);
        // Characters outside Windows-1252 read back as themselves.
        PdfText::inOrder(PdfText::words(text),
                {"BY Oberpfalz 92637 Weiden W-1 Löwenbräu 1850",
                 "W-1a Löwenbräu Weiden 1850 1890 Bürgerliches Brauhaus Weiden",
                 "W-1b Weidener Löwenbräu 1890 Löwenbräu AG",
                 "PL Śląskie 34-300 Żywiec Z-7 Browar Żywiec 1856",
                 "CZ Plzeňský 301 00 Plzeň P-2 Plzeňský Prazdroj 1842",
                 "P-2a Měšťanský pivovar 1842 1898 Měšťanský pivovar v Plzni", "page 1 of 1"});
        QCOMPARE(PdfText::pages(path), 1);
    }

    void longValuesWrapWhole()
    {
        const QString longName = QStringLiteral(
            "Erste Kulmbacher Actien-Exportbier-Brauerei vormals Reichel und Sandler Aktiengesellschaft zu Kulmbach in "
            "Oberfranken mit Niederlage in Hof und Bayreuth");
        auto window = report({brewery({"BY", "Ofr", "95326", "Kulmbach", "K-1", longName, "1872", "1996"})});
        const QString path = savedPdf(*window, "long.pdf");
        // Wrapped over several lines of its column, each word whole.
        const QString text = PdfText::text(path);
        for (const QString &word : longName.split(' '))
            QVERIFY2(text.contains(word), qPrintable(word));
        QVERIFY(!text.contains(longName));
    }

    void severalPagesNeverPartABreweryFromItsFirstEntry_data()
    {
        QTest::addColumn<QPageLayout>("paper");
        const QMarginsF margins(12, 12, 12, 12);
        QTest::addRow("A4 across") << QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, margins, QPageLayout::Millimeter);
        QTest::addRow("A4 upright") << QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, margins, QPageLayout::Millimeter);
        QTest::addRow("A5 upright") << QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Portrait, margins, QPageLayout::Millimeter);
    }
    void severalPagesNeverPartABreweryFromItsFirstEntry()
    {
        QFETCH(QPageLayout, paper);
        std::vector<std::shared_ptr<clsBrewery>> breweries;
        // Pairs of lines and single lines, so that without the rule some
        // page would end between a brewery and its entry.
        for (int i = 0; i < 400; ++i) {
            QList<QStringList> entries;
            if (i % 3 != 0)
                entries << QStringList{QStringLiteral("C%1").arg(i), QStringLiteral("Entry %1").arg(i), "1900", "1950",
                                       "Long"};
            breweries.push_back(brewery({"BY", "Ofr", "95326", QStringLiteral("City %1").arg(i),
                                         QStringLiteral("B%1").arg(i), QStringLiteral("Brewery %1").arg(i), "1850", ""},
                                        entries));
        }
        auto window = report(breweries);
        const std::unique_ptr<TablePages> pages = window->pages();
        pages->layOutAll(paper.paintRect(QPageLayout::Point).size());
        QVERIFY(pages->pageCount() > 3);
        for (size_t p = 1; p < pages->pageStarts().size(); ++p) {
            const int first = int(pages->pageStarts()[p].row);
            QVERIFY2(!(window->lineAt(first).startsWith('\t') && !window->lineAt(first - 1).startsWith('\t')),
                     qPrintable(QStringLiteral("page %1 begins with the first entry of the brewery that ends page %2")
                                    .arg(p + 1)
                                    .arg(p)));
        }

        window->printing().askPdfPath = [this](const QString &) { return QDir(m_dir.path()).filePath("pages.pdf"); };
        const QString path = window->printing().saveAsPdf(*pages);
        if (paper.pageSize().id() != QPageSize::A4 || paper.orientation() != QPageLayout::Landscape)
            return; // the PDF is written on the paper remembered, A4 across
        QCOMPARE(PdfText::pages(path), pages->pageCount());
        const int last = pages->pageCount();
        QVERIFY(PdfText::text(path, 2, 2).contains(QStringLiteral("page 2 of %1").arg(last)));
        // Every page repeats the heading and the captions.
        QVERIFY(PdfText::words(PdfText::text(path, last, last)).contains("Sudregister2K.mdb"));
        QVERIFY(PdfText::text(path, last, last).contains("BRAUEREI (Kürtz)"));
        QVERIFY(PdfText::text(path, last, last).contains("Brewery 399"));
    }

    void printsOnThePrinterChosen_data()
    {
        QTest::addColumn<bool>("chosen");
        QTest::addRow("printed") << true;
        QTest::addRow("dialog cancelled") << false;
    }
    void printsOnThePrinterChosen()
    {
        QFETCH(bool, chosen);
        auto window = report({brewery({"BY", "Ofr", "95326", "Kulmbach", "K-1", "Mönchshof", "1349", ""})});
        const QString path = QDir(m_dir.path()).filePath(QStringLiteral("printer-%1.pdf").arg(chosen));
        QPageLayout::Orientation offered = QPageLayout::Portrait;
        window->printing().askPrinter = [&](QPrinter &printer) {
            offered = printer.pageLayout().orientation();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            return chosen;
        };
        window->cmdPrint->click();
        // A report goes across the page unless the user turned it.
        QCOMPARE(offered, QPageLayout::Landscape);
        QCOMPARE(QFile::exists(path), chosen);
        if (chosen)
            QVERIFY(PdfText::words(PdfText::text(path)).contains("BY Ofr 95326 Kulmbach K-1 Mönchshof 1349"));
    }
};

QTEST_MAIN(ReportPrintTest)
#include "tst_reportprint.moc"
