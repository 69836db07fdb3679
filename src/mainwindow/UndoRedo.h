#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QAction;
class QLabel;
class QWidget;
class ReactionScheduler;
class Register;

// Undo and redo of the window's changes to the register: Ctrl+Z and
// Ctrl+Shift+Z (or Ctrl+Y) anywhere in the window, except inside an open
// cell editor or the find field, whose own text undo has the keys then.
// The steps themselves are the register's undo history (RegisterUndo).
class UndoRedo : public QObject {
    Q_OBJECT
public:
    // What the window does around a step.
    struct Window {
        // Stores what is being typed, which becomes a step of its own first.
        std::function<void()> storePendingEdits;
        // Puts the breweries with these keys where the list's order wants
        // them as stored now (or takes them out), and shows the list as it
        // then is.
        std::function<void(const QList<qint64> &breweries)> placeBreweries;
        // Shows the history of the current brewery.
        std::function<void()> showHistory;
    };

    UndoRedo(Register &reg, ReactionScheduler &work, QLabel *message, QWidget *window, Window reactions);

    QAction *undoAction() const { return m_undo; }
    QAction *redoAction() const { return m_redo; }
    // The history records this window's changes from now on.
    void start();

private:
    QAction *action(const char *name, const QString &text, const QList<QKeySequence> &keys, bool back);
    void showStep(const QString &message, const QList<qint64> &breweries, std::optional<qint64> entry);

    Register &m_register;
    ReactionScheduler &m_work;
    QLabel *m_message;
    QWidget *m_window;
    Window m_reactions;
    QAction *m_undo;
    QAction *m_redo;
};
