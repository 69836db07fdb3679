// The Timeline button: the breweries the list shows, read afresh from the
// register, charted by year and state in a new window shown modally.
#include "Sudregister.h"

#include "RegisterFile.h"
#include "SudregisterTimeline.h"

#include <QDate>
#include <QFileInfo>
#include <unordered_set>

void Sudregister::cmdTimeline_Click()
{
    storePendingEdits();
    syncWithRegister();
    // The three fields the chart needs, of the rows the list shows, in one
    // pass over the table.
    // Unfiltered, and just re-read if others changed the register, the list
    // is the whole table: no need to look each row up.
    const ::Recordset &listed = dsBrewery->Recordset();
    std::unordered_set<qint64> keys;
    if (dsBrewery->isFiltered()) {
        keys.reserve(size_t(listed.RecordCount()));
        for (int position = 0; position < listed.RecordCount(); ++position)
            keys.insert(listed.keyAt(position));
    }
    std::vector<TimelineBrewery> breweries;
    breweries.reserve(size_t(listed.RecordCount()));
    Cursor rows = dsBrewery->file().cached("SELECT rowid, StateName, StartYear, StopYear FROM Brewery");
    while (rows.step()) {
        if (!dsBrewery->isFiltered() || keys.count(rows.int64(0)))
            breweries.push_back({rows.text(1), rows.text(2), rows.text(3)});
    }
    SudregisterTimeline timeline(QFileInfo(m_registerPath).absolutePath(), m_boxes, this);
    timeline.setCounts(CountTimeline(breweries, QDate::currentDate().year()));
    if (showTimeline)
        showTimeline(timeline);
    else
        timeline.exec();
}
