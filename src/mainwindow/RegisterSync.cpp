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
    m_register.catchUp();
    const bool stale = m_register.isStale();
    if (!stale && !m_othersChanged)
        return true;
    for (const DataGrid *grid : {&m_breweries, &m_chroniks}) {
        if (grid->hasPendingRow() || grid->isEditing())
            return false;
    }
    m_othersChanged = false;
    const QList<qint64> keys = std::exchange(m_placeLater, {}).values();
    if (stale) {
        reread();
    } else {
        m_register.placeBreweries(keys);
        m_reread();
    }
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

void RegisterSync::placeBreweries(const QList<qint64> &keys)
{
    m_register.placeBreweries(keys);
    m_reread();
}

void RegisterSync::placeChangedElsewhere(const QList<qint64> &keys)
{
    // Placed with whatever else waits, or read anew with the whole list.
    m_placeLater.unite(QSet<qint64>(keys.begin(), keys.end()));
    m_othersChanged = true;
    windowActivated();
}

void RegisterSync::windowActivated()
{
    // Once the typing has been stored, the register is read after all.
    m_work.afterInput([this] {
        if (!syncWithRegister())
            windowActivated();
    });
}
