#include "UndoRedo.h"

#include "ReactionScheduler.h"
#include "Register.h"
#include "RegisterUndo.h"

#include <QAction>
#include <QLabel>
#include <QWidget>

UndoRedo::UndoRedo(Register &reg, ReactionScheduler &work, QLabel *message, QWidget *window, Window reactions)
    : QObject(window), m_register(reg), m_work(work), m_message(message), m_window(window),
      m_reactions(std::move(reactions))
{
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Y)))
        redoKeys << QKeySequence(Qt::CTRL | Qt::Key_Y);
    m_undo = action("actUndo", QStringLiteral("&Undo"), QKeySequence::keyBindings(QKeySequence::Undo), true);
    m_redo = action("actRedo", QStringLiteral("&Redo"), redoKeys, false);
}

QAction *UndoRedo::action(const char *name, const QString &text, const QList<QKeySequence> &keys, bool back)
{
    auto *act = new QAction(text, m_window);
    act->setObjectName(QLatin1String(name));
    act->setShortcuts(keys);
    act->setShortcutContext(Qt::WindowShortcut);
    act->setEnabled(false);
    connect(act, &QAction::triggered, this, [this, back] {
        m_work.run([this, back] {
            m_reactions.storePendingEdits();
            if (back)
                m_register.history().undo();
            else
                m_register.history().redo();
        });
    });
    m_window->addAction(act);
    return act;
}

void UndoRedo::start()
{
    RegisterUndo &history = m_register.history();
    history.follow(m_register.file());
    QUndoStack &stack = history.stack();
    connect(&stack, &QUndoStack::canUndoChanged, m_undo, &QAction::setEnabled);
    connect(&stack, &QUndoStack::canRedoChanged, m_redo, &QAction::setEnabled);
    // The menu names the step an undo or a redo would take back or make
    // again: "Undo: corrections from list.xlsx".
    const auto named = [](QAction *action, const QString &plain) {
        return [action, plain](const QString &step) {
            action->setText(step.isEmpty() ? plain : QStringLiteral("%1: %2").arg(plain, step));
        };
    };
    connect(&stack, &QUndoStack::undoTextChanged, m_undo, named(m_undo, m_undo->text()));
    connect(&stack, &QUndoStack::redoTextChanged, m_redo, named(m_redo, m_redo->text()));
    connect(&history, &RegisterUndo::stepTaken, this, &UndoRedo::showStep);
}

void UndoRedo::showStep(const QString &message, const QList<qint64> &breweries, std::optional<qint64> entry)
{
    // The lists show the register as stored, with the changed brewery and
    // history entry current; a brewery that came back stays listed while a
    // find narrows the list. Only the breweries the step changed move in
    // the list.
    DataSource &listedSource = *m_register.breweries();
    for (const qint64 brewery : breweries)
        listedSource.includeInFilter(brewery);
    m_reactions.placeBreweries(breweries);
    ::Recordset &listed = listedSource.Recordset();
    if (const int position = breweries.isEmpty() ? -1 : listed.positionOf(breweries.front()); position >= 0) {
        listed.setAbsolutePosition(position);
        m_reactions.showHistory();
        ::Recordset &entries = m_register.chroniks()->Recordset();
        if (const int at = entry ? entries.positionOf(*entry) : -1; at >= 0)
            entries.setAbsolutePosition(at);
    }
    m_message->setText(message);
}
