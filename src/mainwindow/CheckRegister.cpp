// Check Register…: the check window beside the register's window, and the
// way back from a finding to its brewery.
#include "Sudregister.h"

#include "CheckWindow.h"
#include "ReactionScheduler.h"
#include "Register.h"

CheckWindow *Sudregister::checkRegister()
{
    storePendingEdits();
    if (!m_check) {
        // A shared register's marks are kept in the user's data folder, by
        // its backups, not beside the window's passing copy of it.
        const RegisterPlace &place = m_register->place();
        const CheckedRegister checked{m_register->filePath(), place.localName(), place.documentsFolder(),
                                      place.shortName()};
        m_check = new CheckWindow(checked, m_boxes, m_settings, this);
        m_check->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_check, &CheckWindow::showFinding, this, [this](qint64 brewery, qint64 chronik) {
            m_work->run([this, brewery, chronik] { showFinding(brewery, chronik); });
        });
    }
    m_check->show();
    m_check->raise();
    m_check->activateWindow();
    return m_check;
}

void Sudregister::showFinding(qint64 brewery, qint64 chronik)
{
    storePendingEdits();
    ::Recordset &breweries = dsBrewery->Recordset();
    const int position = breweries.positionOf(brewery);
    if (position < 0) {
        m_boxes->tell(QStringLiteral("Brewery %1 is not in the list: the find narrows it, or the brewery was deleted "
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
