// The Report button: the register read afresh into objects, its lines in a
// new report window, shown modally and discarded when closed.
#include "Sudregister.h"

#include "SudregisterReport.h"

void Sudregister::cmdReport_Click()
{
    storePendingEdits();
    LoadBreweryObjects();
    SudregisterReport report(m_programDir, m_boxes, this);
    report.setBreweries(m_breweries);
    if (showReport)
        showReport(report);
    else
        report.exec();
}
