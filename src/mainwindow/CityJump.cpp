// The jump list: the brewery list, in its current order, cut into blocks of
// 40, each entry naming the city beginnings its block spans ("A-Be").
#include "Sudregister.h"

#include "BusyStep.h"
#include "ReactionScheduler.h"
#include "CityJumpCut.h"
#include "Register.h"
#include "RegisterFile.h"

#include <QComboBox>
#include <QEvent>
#include <QSignalBlocker>

void Sudregister::FillCityJumpList()
{
    {
        const QSignalBlocker quiet(cboBrauereiJump);
        cboBrauereiJump->clear();
    }
    countBreweries();
    auto *cut = static_cast<CityJumpCut *>(cboBrauereiJump->model());
    const QStringList &entries = cut->entries(dsBrewery->Recordset(), dsBrewery->file(), BreweryCount(), lblMessage);
    {
        const QSignalBlocker quiet(cboBrauereiJump);
        cut->setStringList(entries);
    }
    SelectEntry(cboBrauereiJump, 0);
}

void Sudregister::cboBrauereiJump_Click()
{
    storePendingEdits();
    const QString entry = cboBrauereiJump->currentText();
    const QString prefix = entry.left(entry.indexOf(QLatin1Char('-')));
    // Looking through a million cities takes a moment of its own.
    BusyStep busy(lblMessage, QStringLiteral("Jumping to %1").arg(entry));
    m_register->jumpToCity(prefix, [&busy](qint64 done, qint64 total) { busy(done, total); });
    grdBrauerien->setAllowDelete(true);
}

bool Sudregister::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cboBrauereiJump && event->type() == QEvent::FocusIn && cboBrauereiJump->count() == 0)
        m_work->run([this] { FillCityJumpList(); });
    return QWidget::eventFilter(watched, event);
}
