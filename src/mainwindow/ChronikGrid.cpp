// The history grid's reactions: a new entry belongs to the current brewery,
// a changed cell is stored at once, an entry emptied of everything goes.
#include "Sudregister.h"

#include "ReactionScheduler.h"
#include "RecordsetModel.h"
#include "TrimBlanks.h"
#include "ValueNotes.h"

void Sudregister::connectChronikGrid()
{
    GridEvents &events = grdChronik->events;
    events.BeforeColUpdate = m_work->whileOpen([this](int colIndex, const QVariant &, bool &) {
        GridColumn column = grdChronik->Columns(colIndex);
        column.setText(TrimBlanks(column.Text()));
        if (grdChronik->AddNewMode() == DataGrid::AddNewPending)
            return;
        // Stored at once, through the grid's own write of the cell.
        grdChronik->recordsetModel().storeEditedCell(colIndex);
    });
    events.AfterColUpdate = m_work->whileOpen([this](int colIndex) {
        m_notes->edited(*grdChronik, colIndex);
        if (grdChronik->AddNewMode() == DataGrid::AddNewPending) {
            grdChronik->Columns(5).setText(dsBrewery->Recordset().Fields(QStringLiteral("RowId")).Value().toString());
            return;
        }
        GridColumn column = grdChronik->Columns(colIndex);
        column.setText(TrimBlanks(column.Text()));
        if (!column.Text().isEmpty())
            return;
        for (int i = 0; i < grdChronik->ColumnCount(); ++i) {
            if (!grdChronik->Columns(i).Text().isEmpty())
                return;
        }
        ::Recordset &entries = dsBreweryChronik->Recordset();
        entries.Delete();
        entries.Update();
        const int n = grdBrauerien->RowBookmark(0);
        grdBrauerien->Refresh();
        grdBrauerien->Scroll(0, n >= 1 ? n - 1 : 0);
        ShowChronik();
    });
    events.ConfirmDelete = m_work->whileOpen([this](bool &cancel) {
        if (m_deletingChroniks) {
            cancel = false;
            return;
        }
        const QString prompt = grdChronik->rowPrompt({0, 1, 2});
        cancel = m_work->boxes()->ask(QStringLiteral("Delete Chronik ") + prompt, MessageBoxes::Answer::No)
            != MessageBoxes::Answer::Yes;
    });
    events.FocusLost = m_work->whileOpen([this] {
        if (grdChronik->AddNewMode() == DataGrid::AddNewPending)
            grdChronik->setRow(grdChronik->Row() + 1);
        grdChronik->Refresh();
    });
}
