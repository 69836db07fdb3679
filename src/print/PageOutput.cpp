#include "PageOutput.h"

#include "PrintedDocument.h"
#include "WhyNotWritten.h"

#include <QPainter>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <QSaveFile>

namespace {

// Laying out takes this share of the way, painting the rest.
constexpr int LayoutPermille = 200;
constexpr qint64 LayoutSlice = 4096;

} // namespace

bool PageOutput::paint(PrintedDocument &document, QPagedPaintDevice &device, const Progress &progress)
{
    const auto goOn = [&progress](int permille) { return !progress || progress(permille); };
    document.startLayout(device.pageLayout().paintRect(QPageLayout::Point).size());
    while (!document.layOutMore(LayoutSlice)) {
        const qint64 total = std::max<qint64>(1, document.toLayOut());
        if (!goOn(int(document.laidOut() * LayoutPermille / total)))
            return false;
    }
    QPainter painter;
    if (!painter.begin(&device))
        return true; // the device tells its own failure
    // Documents draw in points.
    painter.scale(device.logicalDpiX() / 72.0, device.logicalDpiY() / 72.0);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 0.5));
    const int pages = document.pageCount();
    for (int page = 0; page < pages; ++page) {
        if (!goOn(LayoutPermille + int(qint64(page) * (1000 - LayoutPermille) / pages))) {
            painter.end();
            return false;
        }
        if (page > 0)
            device.newPage();
        document.paintPage(painter, page);
    }
    painter.end();
    goOn(1000);
    return true;
}

PageOutput::Saved PageOutput::savePdf(PrintedDocument &document, const QString &path, const QPageLayout &layout,
                                      const Progress &progress)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {Saved::Failed, WhyNotWritten(path, file.errorString())};
    bool finished = false;
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(layout);
        writer.setTitle(document.title());
        writer.setCreator(QStringLiteral("Sudregister"));
        finished = paint(document, writer, progress);
    }
    if (!finished) {
        file.cancelWriting();
        return {Saved::Cancelled, QString()};
    }
    if (file.error() != QFileDevice::NoError || !file.commit())
        return {Saved::Failed, WhyNotWritten(path, file.errorString())};
    return {Saved::Written, QString()};
}
