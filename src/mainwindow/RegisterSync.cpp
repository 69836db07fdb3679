// Keeping up with the register when another window or program writes to
// it: the lists are read anew when the window becomes active again, before
// a report, and after a write found its row changed elsewhere.
#include "Sudregister.h"

#include "Register.h"
#include "RegisterFile.h"
#include "StoreError.h"

#include <QDir>
#include <QLabel>

void Sudregister::syncWithRegister()
{
    if (!m_register->isStale())
        return;
    // Re-reading now would store a half-typed row or drop an open editor.
    for (DataGrid *grid : {grdBrauerien, grdChronik}) {
        if (grid->hasPendingRow() || grid->isEditing())
            return;
    }
    rereadRegister();
}

void Sudregister::rereadRegister()
{
    m_register->reread();
    setBreweryCount(dsBrewery->Recordset().RecordCount());
    grdBrauerien->setApproxCount(BreweryCount() + 1);
    // The brewery may be the same, its history not.
    ShowChronik();
}

void Sudregister::showRegisterMessage()
{
    QString text = QStringLiteral("Register: %1").arg(QDir::toNativeSeparators(m_registerPath));
    if (!m_lock)
        text += QStringLiteral(" (read-only: %1)").arg(m_lockProblem);
    else if (dsBrewery->hasRecordset() && dsBrewery->file().isReadOnly())
        text += QStringLiteral(" (read-only)");
    if (!m_backupFailure.isEmpty())
        text += QStringLiteral(" - ") + m_backupFailure;
    lblMessage->setText(text);
}

void Sudregister::readFailed(const StoreError &error)
{
    // A lock held by another program passes; the grids try again by
    // themselves and say so here rather than in a box per repaint.
    if (error.isBusy()) {
        lblMessage->setText(QStringLiteral("The register is in use by another program; the lists are shown again "
                                           "as soon as it is free."));
        return;
    }
    m_boxes->critical(error.message(), error.component());
}
