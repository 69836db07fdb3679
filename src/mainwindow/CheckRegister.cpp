// Check Register…: the check window beside the register's window, and the
// way back from a finding to its brewery.
#include "Sudregister.h"

#include "CheckWindow.h"
#include "MenuMerge.h"
#include "ReactionScheduler.h"
#include "Register.h"
#include "RegisterPlace.h"

CheckWindow *Sudregister::checkRegister()
{
    storePendingEdits();
    // One check window beside the register's window; a second call brings
    // it forward.
    auto *check = findChild<CheckWindow *>(QString(), Qt::FindDirectChildrenOnly);
    if (!check) {
        // A shared register's marks are kept in the user's data folder, by
        // its backups, not beside the window's passing copy of it.
        const RegisterPlace &place = m_register->place();
        const CheckedRegister checked{m_register->filePath(), place.localName(), place.documentsFolder(),
                                      place.shortName()};
        check = new CheckWindow(checked, m_work->boxes(), m_remembered.settings(), this);
        check->setAttribute(Qt::WA_DeleteOnClose);
        connect(check, &CheckWindow::showFinding, this, [this](qint64 brewery, qint64 chronik) {
            m_work->run([this, brewery, chronik] { showFinding(brewery, chronik); });
        });
        connect(check, &CheckWindow::mergeAsked, this, [this](qint64 brewery, qint64 other) {
            m_work->run([this, brewery, other] { m_merge->merge(brewery, other); });
        });
        connect(m_merge, &MenuMerge::merged, check, [check](qint64, qint64 gone) { check->forgetBrewery(gone); });
    }
    check->show();
    check->raise();
    check->activateWindow();
    return check;
}

void Sudregister::showFinding(qint64 brewery, qint64 chronik)
{
    storePendingEdits();
    ::Recordset &breweries = dsBrewery->Recordset();
    const int position = breweries.positionOf(brewery);
    if (position < 0) {
        m_work->boxes()->tell(QStringLiteral("Brewery %1 is not in the list: the find narrows it, or the brewery was deleted "
                                     "since the check.")
                          .arg(brewery));
        return;
    }
    breweries.setAbsolutePosition(position);
    ShowChronik();
    if (chronik >= 0) {
        ::Recordset &entries = dsBreweryChronik->Recordset();
        if (const int entry = entries.positionOf(chronik); entry >= 0)
            entries.setAbsolutePosition(entry);
    }
    window()->raise();
    window()->activateWindow();
}
