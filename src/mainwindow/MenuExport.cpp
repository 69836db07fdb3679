#include "MenuExport.h"

#include "Counted.h"
#include "DataSource.h"
#include "ExportDialog.h"
#include "MessageBoxes.h"
#include "RegisterExport.h"
#include "RegisterFile.h"
#include "StepBesideWindow.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>

MenuExport::MenuExport(QWidget &window, DataSource &breweries, std::shared_ptr<MessageBoxes> boxes, QLabel *bottomLine,
                       QString folder, std::function<QString()> registerIdentity, std::function<QString()> filters)
    : m_window(window), m_breweries(breweries), m_boxes(std::move(boxes)), m_bottomLine(bottomLine),
      m_folder(std::move(folder)), m_registerIdentity(std::move(registerIdentity)), m_filters(std::move(filters))
{
    askOptions = [this](const QString &which, const ExportOptions &last) -> std::optional<ExportOptions> {
        ExportDialog dialog(which, last, &m_window);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.options();
    };
    askPath = [this](const QString &proposed, const QString &filter) {
        return QFileDialog::getSaveFileName(&m_window, QStringLiteral("Export"), proposed, filter);
    };
    m_action = new QAction(QStringLiteral("&Export…"), &window);
    m_action->setObjectName(QStringLiteral("actExport"));
}

QStringList MenuExport::exportList()
{
    const std::vector<qint64> keys = m_breweries.Recordset().keys();
    const QString filters = m_filters();
    QString which = QStringLiteral("Exports the whole register, %1, in the list's order.")
                        .arg(CountedBreweries(qint64(keys.size())));
    if (m_breweries.isFiltered() && filters.isEmpty()) {
        which = QStringLiteral("Exports the %1 the find lists, in the list's order. Clear the find to export the "
                               "whole register.")
                    .arg(CountedBreweries(qint64(keys.size())));
    } else if (m_breweries.isFiltered()) {
        which = QStringLiteral("Exports the %1 the find and the filter row list (filtered: %2), in the list's order. "
                               "Clear the find and the filters to export the whole register.")
                    .arg(CountedBreweries(qint64(keys.size())), filters);
    }
    const std::optional<ExportOptions> chosen = askOptions(which, m_last);
    if (!chosen)
        return {};
    m_last = *chosen;
    const bool workbook = chosen->format == ExportOptions::Format::Xlsx;
    const QString suffix = workbook ? QStringLiteral(".xlsx") : QStringLiteral(".csv");
    const QString proposed = QDir(m_folder)
                                 .filePath(QDateTime::currentDateTime().toString(
                                     QStringLiteral("'Sudregister_'yyyy'_'MM'_'dd'_'HH'_'mm'_'ss")) + suffix);
    QString path = askPath(proposed, workbook ? QStringLiteral("Workbook (*.xlsx)") : QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return {};
    if (!path.endsWith(suffix, Qt::CaseInsensitive))
        path += suffix;

    ExportOptions options = *chosen;
    ExportResult result;
    try {
        options.registerIdentity = m_registerIdentity();
        // On a connection of its own beside the window, which answers and
        // repaints meanwhile.
        result = RunBesideWindow(m_window, m_bottomLine, QStringLiteral("Exporting the breweries"),
                                 [&, registerPath = m_breweries.file().path()](StepProgress &progress) {
                                     const std::unique_ptr<RegisterFile> reader = RegisterFile::openReader(registerPath);
                                     return ExportRegister(*reader, keys, path, options, std::ref(progress));
                                 });
    } catch (const ExportFailed &failed) {
        m_boxes->critical(QStringLiteral("Nothing was exported: %1").arg(failed.message), ProgramTitle);
        return {};
    }
    if (result.cancelled) {
        m_bottomLine->setText(QStringLiteral("The export was cancelled; nothing was written."));
        return {};
    }
    QStringList shown;
    for (const QString &file : result.files)
        shown << QDir::toNativeSeparators(file);
    const QString last = shown.takeLast();
    m_boxes->tell(QStringLiteral("Wrote %1 and %2 to %3")
                      .arg(CountedBreweries(result.breweries), CountedEntries(result.chroniks),
                           shown.isEmpty() ? last : QStringLiteral("%1 and %2").arg(shown.join(QStringLiteral(", ")), last)));
    return result.files;
}
