#include "RegisterSync.h"

#include "BusyStep.h"
#include "DataGrid.h"
#include "ReactionScheduler.h"
#include "Register.h"

RegisterSync::RegisterSync(Register &reg, DataGrid &breweries, DataGrid &chroniks, ReactionScheduler &work,
                           QLabel *progress, std::function<void()> reread)
    : m_register(reg), m_breweries(breweries), m_chroniks(chroniks), m_work(work), m_progress(progress),
      m_reread(std::move(reread))
{
}

bool RegisterSync::syncWithRegister()
{
    if (!m_register.isStale())
        return true;
    for (const DataGrid *grid : {&m_breweries, &m_chroniks}) {
        if (grid->hasPendingRow() || grid->isEditing())
            return false;
    }
    reread();
    return true;
}

void RegisterSync::reread()
{
    // Ordering a large register anew takes a moment: the window repaints
    // meanwhile and tells how far it has come.
    BusyStep step(m_progress, QStringLiteral("Reading the register anew"));
    m_register.reread([&step](qint64 done, qint64 total) { step(done, total); });
    m_reread();
}

void RegisterSync::placeBrewery(qint64 key)
{
    m_register.placeBrewery(key);
    m_reread();
}

void RegisterSync::placeChangedElsewhere(const QList<qint64> &keys)
{
    m_work.afterInput([this, keys] {
        for (const DataGrid *grid : {&m_breweries, &m_chroniks}) {
            if (grid->hasPendingRow() || grid->isEditing()) {
                placeChangedElsewhere(keys);
                return;
            }
        }
        m_register.placeBreweries(keys);
        m_reread();
    });
}

void RegisterSync::windowActivated()
{
    // Once the typing has been stored, the register is read after all.
    m_work.afterInput([this] {
        if (!syncWithRegister())
            windowActivated();
    });
}
