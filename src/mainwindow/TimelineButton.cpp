// The Timeline button: the breweries the list shows, read afresh from the
// register, charted by year and state in a new window shown modally.
#include "Sudregister.h"

#include "Register.h"
#include "ReactionScheduler.h"
#include "RegisterPlace.h"
#include "RegisterPrinting.h"
#include "SudregisterTimeline.h"

#include <QDate>

void Sudregister::cmdTimeline_Click()
{
    storePendingEdits();
    syncWithRegister();
    std::vector<TimelineBrewery> breweries;
    breweries.reserve(size_t(dsBrewery->Recordset().RecordCount()));
    m_register->readStatesAndYears([&breweries](const QString &state, const QString &start, const QString &stop) {
        breweries.push_back({state, start, stop});
    });
    SudregisterTimeline timeline(registerPlace().documentsFolder(), m_work->boxes(), this);
    timeline.setCounts(CountTimeline(breweries, QDate::currentDate().year()));
    timeline.setPrinting(m_printing->heading(QStringLiteral("Breweries in operation")), m_remembered.settings());
    if (showTimeline)
        showTimeline(timeline);
    else
        timeline.exec();
}
