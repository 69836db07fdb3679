#include "PageOutput.h"
#include "PdfText.h"
#include "PrintFont.h"
#include "PrintPreview.h"
#include "PrintSettings.h"
#include "TablePages.h"
#include "TableRows.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Rows numbered from 0, as many as asked for.
class NumberedRows : public TableRows {
public:
    explicit NumberedRows(qint64 rows) : m_rows(rows) {}
    qint64 rowCount() const override { return m_rows; }
    QStringList cells(qint64 row) const override { return {QString::number(row), QStringLiteral("Brauerei")}; }

private:
    qint64 m_rows;
};

// Rows as given; row `keeping` keeps with the next.
class GivenRows : public TableRows {
public:
    GivenRows(QList<QStringList> rows, qint64 keeping) : m_rows(std::move(rows)), m_keeping(keeping) {}
    qint64 rowCount() const override { return m_rows.size(); }
    QStringList cells(qint64 row) const override { return m_rows.value(row); }
    bool keepsWithNext(qint64 row) const override { return row == m_keeping; }

private:
    QList<QStringList> m_rows;
    qint64 m_keeping;
};

std::unique_ptr<TablePages> numbered(qint64 rows, const QString &closing = {}, PageFrame::Heading heading = {})
{
    TablePages::Options options;
    options.title = options.kind = QStringLiteral("Numbers");
    options.closing = closing;
    options.heading = std::move(heading);
    return std::make_unique<TablePages>(options, std::vector<TablePages::Column>{{"No", 1}, {"Name", 3}},
                                        std::make_unique<NumberedRows>(rows), QStringLiteral("DejaVu Sans"));
}

const QPageLayout A4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(12, 12, 12, 12),
                     QPageLayout::Millimeter);

// The pages a table of `rows` rows takes on A4.
int pagesOf(qint64 rows, const QString &closing = {})
{
    const std::unique_ptr<TablePages> pages = numbered(rows, closing);
    pages->startLayout(A4.paintRect(QPageLayout::Point).size());
    pages->layOutMore(rows + 1);
    return pages->pageCount();
}

// The words poppler reads on `page` that lie within `words`' given text.
std::vector<PdfText::Word> wordsOf(const std::vector<PdfText::Word> &words, int page, const QStringList &texts)
{
    std::vector<PdfText::Word> found;
    for (const PdfText::Word &word : words) {
        if (word.page == page && texts.contains(word.text))
            found.push_back(word);
    }
    return found;
}

} // namespace

class PagesTest : public QObject {
    Q_OBJECT

private slots:
    void wrapsAtBlanksAndNeverCuts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qreal>("width");
        QTest::addColumn<int>("lines");
        QTest::addRow("fits") << "Löwenbräu" << 200.0 << 1;
        QTest::addRow("empty") << "" << 50.0 << 1;
        QTest::addRow("at blanks") << "Erste Kulmbacher Actien Exportbier Brauerei" << 60.0 << 5;
        QTest::addRow("a word wider than the column") << "Exportbierbrauereiaktiengesellschaft" << 40.0 << 5;
        QTest::addRow("line break of another program") << "Plzeň\nPilsen" << 200.0 << 2;
        // Lines as many as the fallback font's widths give.
        QTest::addRow("no character of the font") << "啤酒厂 啤酒厂 啤酒厂 啤酒厂" << 40.0 << -1;
    }
    void wrapsAtBlanksAndNeverCuts()
    {
        QFETCH(QString, text);
        QFETCH(qreal, width);
        QFETCH(int, lines);
        const PrintFont font(QStringLiteral("DejaVu Sans"), 9);
        const std::vector<QString> wrapped = font.wrap(text, width);
        if (lines >= 0)
            QCOMPARE(int(wrapped.size()), lines);
        QString joined;
        for (const QString &line : wrapped) {
            QVERIFY2(font.advance(line) <= width, qPrintable(line));
            joined += line;
        }
        // Every character is printed, in order; only blanks at breaks go.
        QString expected = text;
        QCOMPARE(joined.remove(' '), expected.remove(' ').remove('\n'));
    }

    void previewShowsFirstPagesWhileTheRestIsLaidOut()
    {
        const std::unique_ptr<TablePages> pages = numbered(400000);
        PrintPreview preview(*pages, A4);
        // Shown at once; the rest follows beside the open preview.
        QVERIFY(!preview.laidOut());
        QVERIFY(pages->pageCount() >= 1);
        QVERIFY(preview.lblPages->text().endsWith("or more"));
        QTRY_VERIFY_WITH_TIMEOUT(preview.laidOut(), 120000);
        QCOMPARE(preview.lblPages->text(), QStringLiteral("of %1").arg(pages->pageCount()));
        preview.showPage(pages->pageCount() + 5);
        QCOMPARE(preview.currentPage(), pages->pageCount() - 1);
    }

    // A value taller than a page goes on over the next pages, under the
    // captions and "(continued)": every word once, in order, none over a
    // foot; the row kept with it stays with its start.
    void aRowTallerThanAPageContinues()
    {
        QStringList tall;
        for (int i = 1; i <= 2000; ++i)
            tall << QStringLiteral("w%1").arg(i, 4, 10, QChar('0'));
        TablePages::Options options;
        options.title = options.kind = QStringLiteral("Tall");
        TablePages pages(options, {{"No", 1}, {"Name", 3}},
                         std::make_unique<GivenRows>(QList<QStringList>{{"1", "Erste"}, {"2", "Zweite"},
                                                                        {"3", tall.join(' ')}, {"4", "Letzte"}},
                                                     1),
                         QStringLiteral("DejaVu Sans"));
        QTemporaryDir dir;
        const QString pdf = dir.filePath("tall.pdf");
        QCOMPARE(PageOutput::savePdf(pages, pdf, A4).outcome, PageOutput::Saved::Written);
        QVERIFY(pages.pageCount() >= 3);

        const std::vector<PdfText::Word> words = PdfText::placedWords(pdf);
        QStringList read;
        for (const PdfText::Word &word : words) {
            if (word.text.startsWith('w'))
                read << word.text;
            const auto foot = wordsOf(words, word.page, {"page"});
            QVERIFY(!foot.empty());
            const bool onTheFoot = qAbs(word.box.top() - foot.back().box.top()) < 1;
            QVERIFY2(onTheFoot || word.box.bottom() <= foot.back().box.top(), qPrintable(word.text));
        }
        QCOMPARE(read, tall);
        QCOMPARE(int(wordsOf(words, 1, {"Zweite"}).size()), 1);
        QCOMPARE(int(wordsOf(words, 1, {"(continued)"}).size()), 0);
        for (int page = 2; page <= pages.pageCount(); ++page) {
            QCOMPARE(int(wordsOf(words, page, {"Name"}).size()), 1);
            QCOMPARE(int(wordsOf(words, page, {"(continued)"}).size()), 1);
        }
        QCOMPARE(int(wordsOf(words, pages.pageCount(), {"Letzte"}).size()), 1);
    }

    // A table whose rows fill its last page to the foot prints its closing
    // line on a page of its own, above that page's foot.
    void closingLineOfAFullLastPage()
    {
        qint64 rows = 1;
        while (pagesOf(rows + 1) == 1)
            ++rows;
        QCOMPARE(pagesOf(rows, QStringLiteral("Zum Schluss")), 2);
        QTemporaryDir dir;
        const QString pdf = dir.filePath("full.pdf");
        const std::unique_ptr<TablePages> pages = numbered(rows, QStringLiteral("Zum Schluss"));
        QCOMPARE(PageOutput::savePdf(*pages, pdf, A4).outcome, PageOutput::Saved::Written);
        const std::vector<PdfText::Word> words = PdfText::placedWords(pdf);
        const auto closing = wordsOf(words, 2, {"Zum", "Schluss"});
        QCOMPARE(int(closing.size()), 2);
        const auto foot = wordsOf(words, 2, {"page", "2", "of"});
        QVERIFY(!foot.empty());
        QVERIFY(closing.front().box.bottom() < foot.front().box.top());
        QCOMPARE(int(wordsOf(words, 1, {QString::number(rows - 1)}).size()), 1);
    }

    // A heading wider than the page keeps its date whole at the right: the
    // register's name and what the pages show give way before it, and
    // nothing runs past the page.
    void aWideHeadingGivesWayBeforeTheDate()
    {
        const QString wide = QStringLiteral("Brauereiverzeichnis ").repeated(12);
        const std::unique_ptr<TablePages> pages =
            numbered(3, {}, {wide, QStringLiteral("Liste ").repeated(30), QStringLiteral("10. Dezember 2026")});
        QTemporaryDir dir;
        const QString pdf = dir.filePath("heading.pdf");
        QCOMPARE(PageOutput::savePdf(*pages, pdf, A4).outcome, PageOutput::Saved::Written);
        const std::vector<PdfText::Word> words = PdfText::placedWords(pdf);
        const auto date = wordsOf(words, 1, {"10.", "Dezember", "2026"});
        QCOMPARE(int(date.size()), 3);
        const qreal pageWidth = A4.fullRect(QPageLayout::Point).width();
        for (const PdfText::Word &word : wordsOf(words, 1, {"Brauereiverzeichnis", "Liste"})) {
            QVERIFY2(word.box.right() < date.front().box.left(), qPrintable(word.text));
        }
        for (const PdfText::Word &word : words)
            QVERIFY2(word.box.left() >= 0 && word.box.right() <= pageWidth, qPrintable(word.text));
    }

    void cancelledPdfLeavesNothingBehind_data()
    {
        QTest::addColumn<bool>("earlier");
        QTest::addRow("new name") << false;
        QTest::addRow("an earlier PDF of that name") << true;
    }
    void cancelledPdfLeavesNothingBehind()
    {
        QFETCH(bool, earlier);
        QTemporaryDir dir;
        const QString path = dir.filePath("report.pdf");
        if (earlier) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("earlier");
        }
        const std::unique_ptr<TablePages> pages = numbered(20000);
        int calls = 0;
        const PageOutput::Saved saved = PageOutput::savePdf(*pages, path, A4, [&calls](int) { return ++calls < 10; });
        QCOMPARE(saved.outcome, PageOutput::Saved::Cancelled);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), earlier ? QStringList{"report.pdf"} : QStringList{});
        if (earlier) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::ReadOnly));
            QCOMPARE(old.readAll(), QByteArray("earlier"));
        }
    }

    void paperIsRememberedAndOrientationPerKind()
    {
        QTemporaryDir dir;
        QSettings stored(dir.filePath("settings.ini"), QSettings::IniFormat);
        const PrintSettings settings(&stored);
        QCOMPARE(settings.pageLayout("Report", QPageLayout::Landscape).orientation(), QPageLayout::Landscape);
        settings.remember(QPageLayout(QPageSize(QPageSize::A3), QPageLayout::Portrait, {}), "Report");

        const PrintSettings later(&stored);
        const QPageLayout report = later.pageLayout("Report", QPageLayout::Landscape);
        QCOMPARE(report.pageSize().id(), QPageSize::A3);
        QCOMPARE(report.orientation(), QPageLayout::Portrait);
        const QPageLayout sheet = later.pageLayout("Brewery", QPageLayout::Landscape);
        QCOMPARE(sheet.pageSize().id(), QPageSize::A3);
        QCOMPARE(sheet.orientation(), QPageLayout::Landscape);
    }
};

QTEST_MAIN(PagesTest)
#include "tst_pages.moc"
