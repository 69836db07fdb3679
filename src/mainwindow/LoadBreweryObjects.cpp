// Reading the whole register into brewery objects for the report. A member
// of the main window: the register service reads, and the loader drives the
// window's lists, label and jump list around it in a fixed order.
#include "Sudregister.h"

#include "Attempt.h"
#include "BreweryLoad.h"
#include "BusyStep.h"
#include "ReactionScheduler.h"
#include "Register.h"
#include "StoreError.h"
#include "clsBrewery.h"

#include <QLabel>
#include <chrono>
#include <utility>
#include <vector>

void Sudregister::LoadBreweryObjects()
{
    // The loader's one failure handler: each failing step is shown, then the
    // run goes on with the next step. A register another program holds is
    // told once: every step after would only say the same again.
    bool busyTold = false;
    const auto step = [this, &busyTold](const std::function<void()> &work) {
        const std::optional<StoreError> failure = attempt(work);
        if (!failure || (failure->isBusy() && std::exchange(busyTold, true)))
            return;
        m_work->boxes()->critical(failure->message(), failure->component());
    };

    step([this] {
        lblMessage->setText(QStringLiteral("Loading Data"));
        QCoreApplication::processEvents();
    });
    step([this] {
        if (!dsBrewery->Recordset().Bof())
            dsBrewery->Recordset().MoveFirst();
    });
    // Sized by a fresh count of the rows, not by the count last shown, which
    // misses breweries added since: the loop never reads past the end.
    int count = 0;
    step([&] { count = dsBrewery->Recordset().RecordCount(); });
    // Reading a million breweries and their history takes seconds: the
    // window shows how far it has come and stays painted.
    BusyStep busy(lblMessage, QStringLiteral("Loading Data"));
    while (!m_loaded.done(std::chrono::milliseconds(50)))
        busy(0, 1);
    qint64 entries = 0;
    step([&] { entries = m_register->highestChronikKey(); });
    // The last report's objects go first, one brewery at a time, so that
    // freeing millions of them does not hold the window still either.
    LoadedBreweries::List last = m_loaded.take();
    const qint64 work = qint64(last.size()) + count + entries;
    qint64 visited = 0;
    for (auto &brewery : last) {
        brewery.reset();
        busy(++visited, work);
    }
    last = {};

    BreweryLoad load(*m_register, count, [&] { busy(++visited, work); });
    step([&] { load.readBreweries(); });
    step([&] { load.readChroniks(); });
    m_loaded.keep(load.take());
    // The history source is left on the last brewery's entries, as a run of
    // one query per brewery would leave it.
    if (load.lastRowId() >= 0)
        step([&] { m_register->showHistoryOf(load.lastRowId(), Register::HistoryOrder::AsStored); });

    step([this] {
        if (!dsBrewery->Recordset().Bof())
            dsBrewery->Recordset().MoveFirst();
        if (!dsBreweryChronik->Recordset().Bof())
            dsBreweryChronik->Recordset().MoveFirst();
    });
    step([this] {
        grdBrauerien->setEnabled(true);
        grdChronik->setEnabled(true);
        grdBrauerien->setApproxCount(BreweryCount());
        grdBrauerien->Refresh();
        grdBrauerien->Scroll(0, 0);
    });
    step([this] { FillCityJumpList(); });
    // Whatever the history source held, it now shows the brewery the jump
    // made current.
    step([this] { ShowChronik(); });
    lblMessage->setText(QStringLiteral("Done Loading "));
}
