// The report of the 100,000-brewery register on paper: its PDF against
// saving the same report as a ".lst" file, the memory the PDF takes, and
// how soon the print preview shows its first page.
#include "BenchTable.h"
#include "DatabasePath.h"
#include "PageOutput.h"
#include "PrintPreview.h"
#include "SilentMessageBoxes.h"
#include "Sudregister.h"
#include "SudregisterReport.h"
#include "TablePages.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    constexpr int Breweries = 100000;
    if (argc > 1 && QByteArray(argv[1]).toInt() != Breweries)
        return 0; // held to the 100,000-brewery report only
    const QString dir = BenchRegisterDir(Breweries);
    BenchTable table(QStringLiteral("Report printed, %1 breweries").arg(Breweries));
    Sudregister window(DatabasePath(dir), std::make_shared<SilentMessageBoxes>());

    window.showReport = [&](SudregisterReport &report) {
        table.row("report lines", QString::number(report.lineCount()));
        const double save = table.median("save the report as .lst", [&] {
            const QString path = report.cmdSaveReport_Click();
            if (path.isEmpty())
                qFatal("not saved");
            QFile::remove(path);
        });

        const std::unique_ptr<TablePages> pages = report.pages();
        const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(12, 12, 12, 12),
                             QPageLayout::Millimeter);
        table.time("print preview: first page shown", [&] { PrintPreview preview(*pages, a4); });

        const qint64 before = ResidentBytes();
        qint64 most = before;
        const QString pdf = dir + "/bench-report.pdf";
        const double written = table.time("save the report as PDF", [&] {
            const PageOutput::Saved saved = PageOutput::savePdf(*pages, pdf, a4, [&most](int) {
                most = std::max(most, ResidentBytes());
                return true;
            });
            if (saved.outcome != PageOutput::Saved::Written)
                qFatal("PDF not written: %s", qPrintable(saved.error));
        }, QStringLiteral("< 5x .lst = %1").arg(BenchTable::seconds(5 * save)));
        table.row("  ratio to the .lst", QString::number(written / save, 'f', 2) + "x", "< 5x");
        table.row("  pages", QString::number(pages->pageCount()));
        table.row("  PDF size", QStringLiteral("%1 MB").arg(double(QFileInfo(pdf).size()) / 1e6, 0, 'f', 0));
        table.row("  memory the PDF added, most", QStringLiteral("%1 MB").arg(double(most - before) / 1e6, 0, 'f', 0));
        table.row("  memory of the process then, most", QStringLiteral("%1 MB").arg(double(most) / 1e6, 0, 'f', 0),
                  "< 300 MB");
        QFile::remove(pdf);
    };
    QTest::mouseClick(window.cmdReport, Qt::LeftButton);
    return 0;
}
