#pragma once

#include <QPageLayout>
#include <QString>
#include <functional>

class PrintedDocument;
class QPagedPaintDevice;

// Puts every page of a document on paper or into a PDF: lays it out for
// the device's pages, then paints them one by one. Only the page being
// painted is held; the device writes each page as it is done.
namespace PageOutput {

// Hears how far the output has come, in thousandths; false stops it.
using Progress = std::function<bool(int permille)>;

// Paints `document` on `device`, whose page layout is set. Returns false
// when `progress` stopped it.
bool paint(PrintedDocument &document, QPagedPaintDevice &device, const Progress &progress = {});

struct Saved {
    enum Outcome { Written, Cancelled, Failed } outcome;
    // Why it failed.
    QString error;
};
// Writes `document` as a PDF to `path` with `layout`'s pages. The file is
// written under a temporary name and takes its place when complete: a
// cancelled or failed save leaves no file behind and the old one as it was.
Saved savePdf(PrintedDocument &document, const QString &path, const QPageLayout &layout,
              const Progress &progress = {});

} // namespace PageOutput
