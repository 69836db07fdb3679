// The Report button: the register read afresh into objects, its lines in a
// new report window, shown modally and discarded when closed.
#include "Sudregister.h"

#include "BreweryColumns.h"
#include "BusyStep.h"
#include "FilterRow.h"
#include "ReactionScheduler.h"
#include "RegisterPlace.h"
#include "RegisterPrinting.h"
#include "ReportImport.h"
#include "SudregisterReport.h"

#include <QLabel>
#include <utility>

void Sudregister::cmdReport_Click()
{
    storePendingEdits();
    // The report is of the register as it is stored, whatever other
    // programs did to it since the list was read.
    syncWithRegister();
    LoadBreweryObjects();
    SudregisterReport report(registerPlace().documentsFolder(), m_work->boxes(), this);
    QStringList captions;
    for (const BreweryColumn &column : BreweryColumns)
        captions << column.caption;
    captions << grdChronik->Columns(0).Caption();
    report.setPrinting(m_printing->heading(QStringLiteral("Report, %1").arg(m_printing->listDescription())), captions,
                       m_remembered.settings());
    // "Done Loading " stays as it is; the report's own caption says that it
    // holds only what the find lists.
    if (dsBrewery->isFiltered()) {
        QString caption =
            QStringLiteral("%1 - the %2 found").arg(report.windowTitle(), CountedBreweries(qint64(m_loaded.list().size())));
        if (const QString filters = m_filters->description(); !filters.isEmpty())
            caption += QStringLiteral(", filtered: %1").arg(filters);
        report.setWindowTitle(caption);
    }
    {
        BusyStep busy(lblMessage, QStringLiteral("Preparing the report"));
        report.setBreweries(m_loaded.take(), [&busy](qint64 done, qint64 total) { busy(done, total); });
    }
    if (showReport)
        showReport(report);
    else
        report.exec();
    // The register's objects are of no use once the report is closed.
    m_loaded.release(report.takeBreweries());
}
