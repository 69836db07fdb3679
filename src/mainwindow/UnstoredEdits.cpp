#include "UnstoredEdits.h"

#include "Attempt.h"
#include "DataGrid.h"
#include "MessageBoxes.h"
#include "ReactionScheduler.h"
#include "RecordsetModel.h"
#include "StoreError.h"

UnstoredEdits::UnstoredEdits(DataGrid &breweries, DataGrid &chroniks, ReactionScheduler &work,
                             std::function<bool()> fileGone)
    : m_breweries(breweries), m_chroniks(chroniks), m_work(work), m_fileGone(std::move(fileGone))
{
}

void UnstoredEdits::leftRow(DataGrid &grid, qint64 key)
{
    RecordsetModel &model = grid.recordsetModel();
    for (;;) {
        if (const std::optional<StoreError> failure = attempt([&] { model.storeHeldBack(); });
            failure && !failure->isPassing())
            m_work.failed(*failure);
        const QStringList unstored = model.unstoredDescription(key);
        // Told once already; kept, and stored once the server answers.
        if (unstored.isEmpty() || m_work.isConnectionLost())
            return;
        const MessageBoxes::Answer answer = m_work.boxes()->ask(
            QStringLiteral("What was typed into the row left could not be stored yet (%1): the register is in use by "
                           "another program, or the disk is full.\n\nYes: try again.\nNo: discard it.\nCancel: "
                           "keep it; it is stored as soon as the register takes it.")
                .arg(unstored.join(QStringLiteral(", "))),
            MessageBoxes::Answer::Cancel);
        if (answer == MessageBoxes::Answer::No)
            model.discardUnstoredOf(key);
        if (answer != MessageBoxes::Answer::Yes)
            return;
    }
}

bool UnstoredEdits::storedBeforeClosing()
{
    // A register whose file has gone stores nothing more; the user was told
    // what was not stored.
    if (m_fileGone()) {
        discardAll();
        return true;
    }
    // What the user typed is stored before the window goes, or left behind
    // only when the user says so.
    for (;;) {
        bool stored = true;
        for (DataGrid *grid : {&m_breweries, &m_chroniks}) {
            if (!m_work.run([&] { stored = grid->commitEdits() && stored; }))
                stored = false;
        }
        QStringList unstored;
        for (DataGrid *grid : {&m_breweries, &m_chroniks})
            unstored << grid->recordsetModel().unstoredDescription();
        if (stored && unstored.isEmpty())
            return true;
        const MessageBoxes::Answer answer = m_work.boxes()->ask(
            QStringLiteral("What was typed could not be stored (%1).\n\nYes: try again.\nNo: close and discard it.\n"
                           "Cancel: keep the window open.")
                .arg(unstored.join(QStringLiteral(", "))));
        if (answer == MessageBoxes::Answer::Cancel)
            return false;
        if (answer == MessageBoxes::Answer::No) {
            discardAll();
            return true;
        }
    }
}

void UnstoredEdits::discardAll()
{
    for (DataGrid *grid : {&m_breweries, &m_chroniks})
        grid->recordsetModel().discardUnstored();
}
