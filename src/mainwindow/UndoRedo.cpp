// Undo and redo of the window's changes to the register: Ctrl+Z and
// Ctrl+Shift+Z (or Ctrl+Y) anywhere in the window, except inside an open
// cell editor or the find field, whose own text undo has the keys then.
#include "Sudregister.h"

#include "Register.h"
#include "RegisterUndo.h"

#include <QAction>
#include <QLabel>

void Sudregister::createUndoActions()
{
    const auto action = [this](const char *name, const QString &text, QList<QKeySequence> keys,
                               void (RegisterUndo::*step)()) {
        auto *act = new QAction(text, this);
        act->setObjectName(QLatin1String(name));
        act->setShortcuts(keys);
        act->setShortcutContext(Qt::WindowShortcut);
        act->setEnabled(false);
        connect(act, &QAction::triggered, this, [this, step] {
            guard([this, step] {
                // What is being typed becomes a step of its own first.
                storePendingEdits();
                (m_register->history().*step)();
            });
        });
        addAction(act);
        return act;
    };
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Y)))
        redoKeys << QKeySequence(Qt::CTRL | Qt::Key_Y);
    m_undoAction = action("actUndo", QStringLiteral("&Undo"), QKeySequence::keyBindings(QKeySequence::Undo), &RegisterUndo::undo);
    m_redoAction = action("actRedo", QStringLiteral("&Redo"), redoKeys, &RegisterUndo::redo);
}

void Sudregister::startUndo()
{
    RegisterUndo &history = m_register->history();
    history.follow(m_register->file());
    QUndoStack &stack = history.stack();
    connect(&stack, &QUndoStack::canUndoChanged, m_undoAction, &QAction::setEnabled);
    connect(&stack, &QUndoStack::canRedoChanged, m_redoAction, &QAction::setEnabled);
    connect(&history, &RegisterUndo::stepTaken, this, &Sudregister::showStep);
}

void Sudregister::showStep(const QString &message, qint64 brewery, std::optional<qint64> entry)
{
    // The lists show the register as stored, with the changed brewery and
    // history entry current; a brewery that came back stays listed while a
    // find narrows the list.
    dsBrewery->includeInFilter(brewery);
    rereadRegister();
    ::Recordset &breweries = dsBrewery->Recordset();
    if (const int position = breweries.positionOf(brewery); position >= 0) {
        breweries.setAbsolutePosition(position);
        ShowChronik();
        ::Recordset &entries = dsBreweryChronik->Recordset();
        if (const int at = entry ? entries.positionOf(*entry) : -1; at >= 0)
            entries.setAbsolutePosition(at);
    }
    lblMessage->setText(message);
}
