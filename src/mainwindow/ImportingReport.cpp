// Import Report… from the menu: a saved report added to the open register
// by the importer's own code, on this window's connection (whose lock the
// window holds), with its progress in the bottom line.
#include "Sudregister.h"

#include "BusyStep.h"
#include "Register.h"
#include "RegisterFile.h"
#include "ReportImport.h"
#include "StoreError.h"

#include <QDir>
#include <QLabel>

bool Sudregister::importReport(const QString &reportPath)
{
    const QString shownPath = QDir::toNativeSeparators(m_registerPath);
    if (!m_lock || dsBrewery->file().isReadOnly()) {
        m_boxes->tell(QStringLiteral("The register %1 is open read-only; nothing was imported.").arg(shownPath));
        return false;
    }
    storePendingEdits();
    // Importing the same report twice would double it: a register that
    // holds breweries asks first.
    const qint64 held = m_register->breweriesStored();
    if (held > 0
        && m_boxes->ask(QStringLiteral("The register %1 already holds %2. Add the breweries of %3 to them?\n\n"
                                       "An import cannot be undone; the backups folder holds the register as it "
                                       "was opened.")
                            .arg(shownPath, CountedBreweries(held),
                                 QDir::toNativeSeparators(reportPath)),
                        MessageBoxes::Answer::No)
               != MessageBoxes::Answer::Yes)
        return false;
    ImportCounts counts;
    try {
        BusyStep busy(lblMessage, QStringLiteral("Importing the report"));
        counts = ImportReport(reportPath, m_register->file(),
                              [&busy](qsizetype done, qsizetype total) { busy(done, total); });
    } catch (const ImportRefused &e) {
        m_boxes->critical(QStringLiteral("Refused, nothing was added: %1").arg(e.message()), ProgramTitle);
        return false;
    } catch (const StoreError &e) {
        m_boxes->critical(QStringLiteral("Nothing was added: %1").arg(e.message()), e.component());
        return false;
    }
    rereadRegister();
    lblMessage->setText(
        QStringLiteral("Added %1 from %2").arg(DescribeAdded(counts), QDir::toNativeSeparators(reportPath)));
    return true;
}
