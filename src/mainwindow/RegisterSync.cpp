#include "RegisterSync.h"

#include "DataGrid.h"
#include "ReactionScheduler.h"
#include "Register.h"

RegisterSync::RegisterSync(Register &reg, DataGrid &breweries, DataGrid &chroniks, ReactionScheduler &work,
                           std::function<void()> reread)
    : m_register(reg), m_breweries(breweries), m_chroniks(chroniks), m_work(work), m_reread(std::move(reread))
{
}

void RegisterSync::syncWithRegister()
{
    if (!m_register.isStale())
        return;
    for (const DataGrid *grid : {&m_breweries, &m_chroniks}) {
        if (grid->hasPendingRow() || grid->isEditing())
            return;
    }
    reread();
}

void RegisterSync::reread()
{
    m_register.reread();
    m_reread();
}

void RegisterSync::windowActivated()
{
    m_work.afterInput([this] { syncWithRegister(); });
}
