// The brewery grid's reactions: trimming, the delete confirmation with its
// history entries, and the history grid following the current brewery.
#include "Sudregister.h"

#include "ReactionScheduler.h"
#include "Register.h"
#include "ShortBusyWait.h"
#include "StoreError.h"
#include "TrimBlanks.h"
#include "ValueNotes.h"

#include <QScopedValueRollback>

namespace {

// How long a move waits for the register before its history waits in place.
constexpr int HistoryWaitMs = 100;

} // namespace

void Sudregister::ShowChronik()
{
    ::Recordset &breweries = dsBrewery->Recordset();
    const bool current = breweries.AbsolutePosition() > -1;
    qint64 rowId = -1;
    if (current)
        rowId = breweries.Fields(QStringLiteral("RowId")).Value().toLongLong();
    m_register->showHistoryOf(current ? std::optional(rowId) : std::nullopt);
    grdChronik->setWaitingNote({});

    int r;
    if (grdBrauerien->Row() < 0) {
        r = -1;
    } else {
        const QVariant first = grdBrauerien->FirstRow();
        bool numeric = false;
        const int bookmark = first.toInt(&numeric);
        if (first.isNull() || first.toString().isEmpty())
            r = 0;
        else if (numeric)
            r = bookmark + grdBrauerien->Row();
        else
            r = grdBrauerien->Row();
    }
    grdChronik->setAllowUpdate(true);
    grdChronik->setAllowRowSizing(false);
    grdChronik->setAllowDelete(true);
    // Entries can only be added for a brewery that is stored: one typed into
    // the new-row line of the brewery grid has no RowId yet.
    grdChronik->setAllowAddNew(r != -1 && current);
    grdChronik->Refresh();
}

void Sudregister::currentBreweryChanged()
{
    if (!dsBrewery->hasRecordset())
        return;
    ::Recordset &breweries = dsBrewery->Recordset();
    const int position = breweries.AbsolutePosition();
    const qint64 rowId = position < 0 ? -1 : breweries.keyAt(position);
    if (rowId != m_register->historyShownFor())
        showChronikWaitingInPlace();
}

void Sudregister::showChronikWaitingInPlace()
{
    m_work->run(
        [this] {
            // A read of the new brewery's history waits a moment for
            // another program holding the register, then in place.
            const ShortBusyWait wait(m_register->file(), HistoryWaitMs);
            ShowChronik();
        },
        ReactionScheduler::Telling::Waiting);
}

void Sudregister::connectBreweryGrid()
{
    GridEvents &events = grdBrauerien->events;
    events.BeforeColUpdate = m_work->whileOpen([this](int colIndex, const QVariant &, bool &) {
        GridColumn column = grdBrauerien->Columns(colIndex);
        column.setText(TrimBlanks(column.Text()));
    });
    events.AfterColUpdate = m_work->whileOpen([this](int colIndex) { m_notes->edited(*grdBrauerien, colIndex); });
    events.ConfirmDelete = m_work->whileOpen([this](bool &cancel) {
        const QString prompt = grdBrauerien->rowPrompt({0, 1, 2, 3, 5});
        // No is preselected: Enter alone deletes nothing.
        cancel = m_work->boxes()->ask(QStringLiteral("Delete Brewery ") + prompt, MessageBoxes::Answer::No)
            != MessageBoxes::Answer::Yes;
    });
    events.BeforeDelete = m_work->whileOpen([this](bool &cancel) {
        const QScopedValueRollback deleting(m_deletingChroniks, true);
        // The history source is set to exactly this brewery's entries first,
        // whatever it showed before; the grid's transaction makes the entries
        // and the brewery go together or not at all.
        ShowChronik();
        ::Recordset &entries = dsBreweryChronik->Recordset();
        if (!entries.Bof())
            entries.MoveFirst();
        while (!entries.Eof()) {
            entries.Delete();
            entries.MoveNext();
        }
        cancel = false;
    });
    events.RowColChange = m_work->whileOpen([this](int, int) {
        const QVariant first = grdBrauerien->FirstRow();
        if (first.isNull() || first.toString().isEmpty())
            return;
        // A click must not wait the seconds of a write for a register
        // another program holds.
        showChronikWaitingInPlace();
    });
    events.AfterInsert = m_work->whileOpen([this] {
        // A brewery added while the list is narrowed stays listed.
        ::Recordset &breweries = dsBrewery->Recordset();
        if (breweries.AbsolutePosition() >= 0)
            dsBrewery->includeInFilter(breweries.keyAt(breweries.AbsolutePosition()));
        ShowChronik();
    });
    events.FocusGained = m_work->whileOpen([this] { grdChronik->Refresh(); });
}

void Sudregister::cmdNewBrewery_Click()
{
    const int n = BreweryCount();
    grdBrauerien->Scroll(0, n);
}
