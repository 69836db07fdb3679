// The find field: as the user types, the brewery list narrows to the
// breweries that hold every typed word in one of their fields or history
// entries. Sorting, the jump list, the count and the report then work on
// the breweries found.
#include "Sudregister.h"

#include "BusyStep.h"
#include "Register.h"
#include "RegisterFile.h"
#include "Twips.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QShortcut>
#include <QTimer>
#include <chrono>
#include <thread>

namespace {

// Keystrokes within this time are searched together, while a search takes
// long enough to be felt; a register that answers faster than QuickFindMs
// is searched at every keystroke.
constexpr int FindDelayMs = 120;
constexpr qint64 QuickFindMs = 50;

} // namespace

void Sudregister::createFindControls(QWidget *box)
{
    lblFind = new QLabel(QStringLiteral("Find :"), box);
    lblFind->setObjectName(QStringLiteral("lblFind"));
    lblFind->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblFind->setGeometry(twips(6240), twips(300), twips(435), twips(255));
    txtFind = new QLineEdit(box);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->setGeometry(twips(6720), twips(270), twips(2880), twips(315));

    m_findDelay = new QTimer(this);
    m_findDelay->setSingleShot(true);
    m_findDelay->setInterval(FindDelayMs);
    connect(txtFind, &QLineEdit::textChanged, m_findDelay, qOverload<>(&QTimer::start));
    connect(m_findDelay, &QTimer::timeout, this, [this] { guard([this] { applyFind(); }); });
    // Enter: on to the first brewery found.
    connect(txtFind, &QLineEdit::returnPressed, this, [this] {
        guard([this] {
            if (m_findDelay->isActive())
                applyFind();
            if (!dsBrewery->Recordset().Bof())
                dsBrewery->Recordset().MoveFirst();
            grdBrauerien->setFocus();
        });
    });
    // Escape: the whole list again.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), txtFind, nullptr, nullptr, Qt::WidgetShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        txtFind->clear();
        guard([this] { applyFind(); });
    });
    m_findAction = new QAction(QStringLiteral("&Find"), this);
    m_findAction->setObjectName(QStringLiteral("actFind"));
    m_findAction->setShortcut(QKeySequence::Find);
    addAction(m_findAction);
    connect(m_findAction, &QAction::triggered, this, [this] {
        txtFind->setFocus(Qt::ShortcutFocusReason);
        txtFind->selectAll();
    });
}

void Sudregister::waitForFindIndex()
{
    // After a change the index is read anew beside the window, which stays
    // painted meanwhile and tells how far the reading has come; again when
    // the register changed once more while it was read.
    for (m_findIndex.refresh(dsBrewery->file()); m_findIndex.building(); m_findIndex.refresh(dsBrewery->file())) {
        const qint64 rows = dsBrewery->unfilteredCount() + m_register->highestChronikKey();
        BusyStep busy(lblMessage, QStringLiteral("Reading the register for the find"));
        while (m_findIndex.building()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            busy(m_findIndex.rowsRead(), rows);
        }
    }
}

void Sudregister::applyFind()
{
    m_findDelay->stop();
    QElapsedTimer took;
    took.start();
    const QString text = txtFind->text();
    const QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    ::Recordset &before = dsBrewery->Recordset();
    const qint64 current = before.AbsolutePosition() < 0 ? -1 : before.keyAt(before.AbsolutePosition());

    if (words.isEmpty()) {
        dsBrewery->setFilter(std::nullopt);
    } else {
        waitForFindIndex();
        dsBrewery->setFilter(m_findIndex.matching(dsBrewery->file(), words));
    }

    ::Recordset &listed = dsBrewery->Recordset();
    if (const int position = current < 0 ? -1 : listed.positionOf(current); position >= 0)
        listed.setAbsolutePosition(position);
    setBreweryCount(listed.RecordCount());
    grdBrauerien->setApproxCount(BreweryCount() + 1);
    // The jump list is cut anew from the list now shown when it is next
    // opened.
    cboBrauereiJump->clear();
    if (words.isEmpty()) {
        showRegisterMessage();
    } else if (listed.RecordCount() == 0) {
        lblMessage->setText(QStringLiteral("No brewery of %1 matches \"%2\"").arg(dsBrewery->unfilteredCount()).arg(text));
    } else {
        lblMessage->setText(
            QStringLiteral("Found %1 of %2 breweries").arg(listed.RecordCount()).arg(dsBrewery->unfilteredCount()));
    }
    ShowChronik();
    m_findDelay->setInterval(took.elapsed() < QuickFindMs ? 0 : FindDelayMs);
}
