#include "PrintSettings.h"

#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSettings>

namespace {

const QString PrinterKey = QStringLiteral("print/printer");
const QString PaperKey = QStringLiteral("print/paper");
QString orientationKey(const QString &kind)
{
    return QStringLiteral("print/%1/orientation").arg(kind);
}

// Margins of a printed register page, in millimetres.
constexpr qreal MarginMm = 12;

} // namespace

QPageLayout PrintSettings::pageLayout(const QString &kind, QPageLayout::Orientation preferred) const
{
    QPageSize paper = QPrinterInfo::defaultPrinter().defaultPageSize();
    if (!paper.isValid())
        paper = QPageSize(QPageSize::A4);
    QPageLayout::Orientation orientation = preferred;
    if (m_settings) {
        const QString key = m_settings->value(PaperKey).toString();
        // Kept by its key ("A4", "Letter"); an unknown key keeps the default.
        for (int id = 0; id <= QPageSize::LastPageSize; ++id) {
            if (QPageSize::key(QPageSize::PageSizeId(id)) == key) {
                paper = QPageSize(QPageSize::PageSizeId(id));
                break;
            }
        }
        const QString turned = m_settings->value(orientationKey(kind)).toString();
        if (turned == QLatin1String("portrait"))
            orientation = QPageLayout::Portrait;
        else if (turned == QLatin1String("landscape"))
            orientation = QPageLayout::Landscape;
    }
    return QPageLayout(paper, orientation, QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                       QPageLayout::Millimeter);
}

void PrintSettings::applyTo(QPrinter &printer, const QString &kind, QPageLayout::Orientation preferred) const
{
    if (m_settings) {
        const QString name = m_settings->value(PrinterKey).toString();
        if (!name.isEmpty() && QPrinterInfo::availablePrinterNames().contains(name))
            printer.setPrinterName(name);
    }
    printer.setPageLayout(pageLayout(kind, preferred));
}

void PrintSettings::remember(const QPageLayout &layout, const QString &kind) const
{
    if (!m_settings)
        return;
    m_settings->setValue(PaperKey, layout.pageSize().key());
    m_settings->setValue(orientationKey(kind), layout.orientation() == QPageLayout::Portrait ? QStringLiteral("portrait")
                                                                                             : QStringLiteral("landscape"));
}

void PrintSettings::remember(const QPrinter &printer, const QString &kind) const
{
    if (!m_settings)
        return;
    if (printer.outputFormat() == QPrinter::NativeFormat && !printer.printerName().isEmpty())
        m_settings->setValue(PrinterKey, printer.printerName());
    remember(printer.pageLayout(), kind);
}
